#include "cli/console_host.h"

#include "cli/desktop_open.h"

namespace trelk {

void ConsoleHost::appendLogLine(std::string_view text) {
    if (quiet_) return;
    std::fwrite(text.data(), 1, text.size(), logStream_);
    std::fputc('\n', logStream_);
}

void ConsoleHost::showErrorBox(std::string_view text, std::string_view /*caption*/) {
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
}

void ConsoleHost::openDocument(const std::string& path) {
    if (!openReport_) return;
    std::fflush(stdout);
    if (!openWithDesktop(path))
        std::fprintf(stderr, "trelk-cli: could not open %s with the desktop's viewer\n", path.c_str());
}

}  // namespace trelk
