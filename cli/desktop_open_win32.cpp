#include <windows.h>
#include <shellapi.h>

#include "cli/desktop_open.h"

namespace trelk {

bool openWithDesktop(const std::string& path) {
    const INT_PTR result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "Open", path.c_str(), "", "", SW_SHOWNORMAL));
    return result > 32;
}

}  // namespace trelk
