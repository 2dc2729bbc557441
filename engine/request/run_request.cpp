#include "engine/request/run_request.h"

#include "engine/files/file_system.h"

namespace trelk {

std::string outputPath(const RunRequest& request, std::string_view defaultFile) {
    if (!request.reportPath.empty()) return request.reportPath;
    if (defaultFile.empty()) return request.applicationFolder;
    return request.applicationFolder + kPathSeparator + std::string(defaultFile);
}

}  // namespace trelk
