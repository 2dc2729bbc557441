// xdg-open on Linux, open on macOS; the opener is waited for, the application it starts is not.
#include <spawn.h>
#include <sys/wait.h>

#include "cli/desktop_open.h"

extern char** environ;

namespace trelk {

bool openWithDesktop(const std::string& path) {
#ifdef __APPLE__
    const char* opener = "open";
#else
    const char* opener = "xdg-open";
#endif
    char* const argv[] = {const_cast<char*>(opener), const_cast<char*>(path.c_str()), nullptr};
    pid_t child;
    if (::posix_spawnp(&child, opener, nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace trelk
