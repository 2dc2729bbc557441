// Application folders on Linux and macOS: the XDG configuration folder (or ~/Library/Application
// Support on macOS) for the user, the system-wide configuration folder for all users.
#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/app_folder.h"

namespace trelk::platform {

const char kFolderSeparator = '/';
const size_t kMaxPathLength = 4095;
const bool kCreatesWithoutBase = false;

namespace {
std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) return user->pw_dir;
    return {};
}
}  // namespace

BaseFolder applicationDataFolder(bool perUser) {
#ifdef __APPLE__
    if (!perUser) return {"/Library/Application Support", 0};
    const std::string home = homeFolder();
    if (home.empty()) return {{}, ENOENT};
    return {home + "/Library/Application Support", 0};
#else
    if (!perUser) return {"/etc/xdg", 0};
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') return {config, 0};
    const std::string home = homeFolder();
    if (home.empty()) return {{}, ENOENT};
    return {home + "/.config", 0};
#endif
}

std::string baseFolderFailureText(long code) { return code == 1 ? "S_FALSE" : "E_INVALIDARG"; }

long createFolderTree(const std::string& path) {
    if (path.empty()) return ENOENT;
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return errno;
        if (slash == std::string::npos) break;
    }
    // mkdir says EEXIST for a file of that name too; only a folder will do.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

}  // namespace trelk::platform
