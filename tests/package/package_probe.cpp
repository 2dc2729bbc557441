// Looks at an unpacked Windows package from outside, as a user would meet it: starts Trelk.exe
// from the current directory, opens the About box and the help through the window's own
// commands, and reads the version resources and manifests of both programs. Prints one line per
// finding for scripts/test-packages.sh to compare; exits 1 when the window cannot be driven.
//   trelk_package_probe.exe <folder of the package> <log file for documents the shell opens>
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/message_pump.h"
#include "support/other_windows.h"

namespace {

using trelk::testing::kHangBound;
using trelk::testing::pumpUntil;
using trelk::testing::waitForWindow;
using trelk::testing::windowText;

constexpr int kAboutVersion = 1007;
constexpr int kMenuAbout = 6001, kMenuHelp = 6002;

// The shell runs this instead of a help viewer: it appends the opened document's path to the log.
void recordOpenedHelp(const std::string& log) {
    trelk::testing::setClassesValue(".chm", "TrelkProbe.chm");
    trelk::testing::setClassesValue("TrelkProbe.chm\\shell\\open\\command", "cmd.exe /c echo %1>>\"" + log + "\"");
}

std::string fileVersion(const std::string& program) {
    std::string block(GetFileVersionInfoSizeA(program.c_str(), nullptr), '\0');
    void* value = nullptr;
    UINT size = 0;
    if (block.empty() || !GetFileVersionInfoA(program.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
        !VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\FileVersion", &value, &size))
        return "none";
    return static_cast<const char*>(value);
}

std::string executionLevel(const std::string& program) {
    const HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    std::string level = "none";
    if (!module) return level;
    if (const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
        const std::string text(static_cast<const char*>(LockResource(LoadResource(module, found))),
                               SizeofResource(module, found));
        const size_t at = text.find("level=\"");
        if (at != std::string::npos) level = text.substr(at + 7, text.find('"', at + 7) - at - 7);
    }
    FreeLibrary(module);
    return level;
}

// The first whole line of a file that another process is writing, once it is there.
std::string firstLineOf(const std::string& path) {
    std::string line;
    const auto written = [&] {
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        char bytes[1024] = {};
        DWORD read = 0;
        ReadFile(file, bytes, sizeof bytes - 1, &read, nullptr);
        CloseHandle(file);
        std::string text(bytes, read);
        const size_t end = text.find_first_of("\r\n");
        if (end == std::string::npos) return false;
        text.resize(end);
        while (!text.empty() && text.back() == ' ') text.pop_back();
        if (text.size() > 1 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
        line = text;
        return true;
    };
    return pumpUntil(written) ? line : "nothing";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: trelk_package_probe.exe FOLDER HELP_LOG\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "\\", helpLog = argv[2];
    for (const char* program : {"Trelk.exe", "trelk-cli.exe"}) {
        std::printf("resource %s %s\n", program, fileVersion(folder + program).c_str());
        std::printf("manifest %s %s\n", program, executionLevel(folder + program).c_str());
    }
    recordOpenedHelp(helpLog);
    DeleteFileA(helpLog.c_str());

    std::string command = "\"" + folder + "Trelk.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("start failed %lu\n", GetLastError());
        return 1;
    }
    int status = 1;
    if (const HWND main = waitForWindow("FORM_TRELK_MAIN_CLASS", process.dwProcessId)) {
        std::printf("window %s\n", windowText(main).c_str());
        PostMessageA(main, WM_COMMAND, kMenuAbout, 0);
        if (const HWND about = waitForWindow("FORM_TRELK_ABOUT_CLASS", process.dwProcessId)) {
            std::printf("about %s\n", windowText(GetDlgItem(about, kAboutVersion)).c_str());
            PostMessageA(about, WM_CLOSE, 0, 0);
            if (!pumpUntil([about] { return !IsWindow(about); })) std::printf("about box stays open\n");
        }
        PostMessageA(main, WM_COMMAND, kMenuHelp, 0);
        std::printf("help %s\n", firstLineOf(helpLog).c_str());
        PostMessageA(main, WM_CLOSE, 0, 0);
        status = 0;
    }
    if (WaitForSingleObject(process.hProcess, kHangBound) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        status = 1;
    }
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    std::printf("exit %lu\n", exitCode);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return status;
}
