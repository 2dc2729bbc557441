#include "engine/request/run_request.h"

#include "engine/files/file_system.h"

namespace trelk {

namespace {

bool anyOutput(const RunRequest& request, bool OutputFormat::*written) {
    return outputFormat(request.format).*written ||
           (!request.pagePath.empty() && outputFormat(ReportFormat::Html).*written);
}

}  // namespace

bool logWritten(const RunRequest& request) { return anyOutput(request, &OutputFormat::logWritten); }

bool encodingWritten(const RunRequest& request) { return anyOutput(request, &OutputFormat::encodingWritten); }

std::string outputPath(const RunRequest& request, std::string_view defaultFile) {
    if (!request.reportPath.empty()) return request.reportPath;
    if (defaultFile.empty()) return request.applicationFolder;
    return request.applicationFolder + kPathSeparator + std::string(defaultFile);
}

}  // namespace trelk
