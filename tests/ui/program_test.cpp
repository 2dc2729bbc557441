// Trelk.exe as a process of its own: it starts, ignores its arguments, saves at close, exits 0.
#include "forms/window_helpers.h"
#include "support/temp_folder.h"
#include "ui/file_and_help.h"
#include "ui/main_form.h"
#include "ui_fixture.h"

namespace trelk::ui::testing {
namespace {

// The process's window of that class once it is shown, that is once its creation is complete.
HWND waitForWindow(const char* className, DWORD processId) {
    for (int i = 0; i < 200; ++i) {
        for (HWND w = FindWindowExA(nullptr, nullptr, className, nullptr); w; w = FindWindowExA(nullptr, w, className, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == processId && IsWindowVisible(w)) return w;
        }
        Sleep(50);
    }
    return nullptr;
}

TEST(Program, StartsIgnoresItsArgumentsAndEndsWithExitCode0) {
    DeleteFileA(settingsFile().c_str());
    std::string command = "\"" + nativePath(TRELK_EXE) + "\" --sections none whatever.bom";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    const HWND main = waitForWindow("FORM_TRELK_MAIN_CLASS", process.dwProcessId);
    ASSERT_TRUE(main);
    EXPECT_EQ(getControlText(main), "Trelk");
    const HWND box = GetDlgItem(main, 1000);
    ASSERT_TRUE(IsWindow(box));
    EXPECT_EQ(GetWindowTextLengthA(box), 0);  // the arguments named no file
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_TRUE(trelk::testing::fileExists(settingsFile()));
}

// Started from another folder that holds a decoy Trelk.chm, the program opens the help file
// beside its own program file.
TEST(Program, OpensTheHelpBesideItselfWhenStartedElsewhere) {
    DeleteFileA(settingsFile().c_str());
    const std::string exe = nativePath(TRELK_EXE);
    const std::string help = exe.substr(0, exe.find_last_of('\\') + 1) + "Trelk.chm";
    const bool madeHere = !trelk::testing::fileExists(help);
    if (madeHere) CloseHandle(CreateFileA(help.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    trelk::testing::TempFolder elsewhere;
    elsewhere.write("Trelk.chm", "decoy");
    openedDocuments(0);

    std::string command = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, elsewhere.path().c_str(),
                               &startup, &process));
    const HWND main = waitForWindow("FORM_TRELK_MAIN_CLASS", process.dwProcessId);
    ASSERT_TRUE(main);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(MAIN_TOPMENU_HELP, 0), 0);
    const std::vector<std::string> opened = openedDocuments();
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    DeleteFileA(settingsFile().c_str());
    if (madeHere) DeleteFileA(help.c_str());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(lstrcmpiA(opened[0].c_str(), help.c_str()), 0) << opened[0];
}

TEST(Program, BrowsingStartsInTheBoxsFolder) {
    const struct {
        std::string box, folder;
    } cases[] = {
        {"", ""},
        {"C:\\data\\top.bom.3", "C:\\data\\"},
        {"D:top.bom", "D:"},
        {"top.bom", ""},
        {std::string(300, 'x') + "\\a.bom", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(initialFolderFor(c.box), c.folder) << c.box;
}

}  // namespace
}  // namespace trelk::ui::testing
