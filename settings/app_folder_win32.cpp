// Application folders on Windows: the shell's application-data folders.
#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "settings/app_folder.h"

namespace trelk::platform {

const char kFolderSeparator = '\\';
const size_t kMaxPathLength = MAX_PATH - 1;
const bool kCreatesWithoutBase = true;

BaseFolder applicationDataFolder(bool perUser) {
    char buffer[MAX_PATH] = {};
    const HRESULT result = SHGetFolderPathA(
        nullptr, (perUser ? CSIDL_APPDATA : CSIDL_COMMON_APPDATA) | CSIDL_FLAG_CREATE, nullptr, 0, buffer);
    if (result != S_OK) return {{}, static_cast<long>(result)};
    return {buffer, 0};
}

std::string baseFolderFailureText(long code) { return code == S_FALSE ? "S_FALSE" : "E_INVALIDARG"; }

long createFolderTree(const std::string& path) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0) MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    const int code = SHCreateDirectory(nullptr, wide.data());
    return code == ERROR_SUCCESS || code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS ? 0 : code;
}

}  // namespace trelk::platform
