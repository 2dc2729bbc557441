// The main window at the keyboard, in its own modal loop as the program runs it, and the two
// commands that reach outside: the file dialog and the help.
#include <functional>

#include "forms/window_helpers.h"
#include "settings/profile.h"
#include "support/temp_folder.h"
#include "ui/file_and_help.h"
#include "ui/main_form.h"
#include "ui_fixture.h"

namespace trelk::ui::testing {
namespace {

// Shows the main window modally, as start-up does, and runs the steps inside its loop.
INT_PTR runMainWindowWith(std::vector<ModalStep> steps) {
    // Whatever happens, the window closes after the steps, so the loop cannot wait forever.
    steps.push_back([] {
        if (mainForm()) SendMessageA(mainForm(), WM_CLOSE, 0, 0);
    });
    return whileModal(std::move(steps), [] { return showMainForm(nullptr, 1, 0); });
}

void postKey(HWND window, UINT message, WPARAM key) { PostMessageA(window, message, key, 0x00000001); }

void pressShiftTab() {
    keybd_event(VK_SHIFT, 0, 0, 0);
    keybd_event(VK_TAB, 0, 0, 0);
    keybd_event(VK_TAB, 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
}

std::pair<DWORD, DWORD> selection(HWND edit) {
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

TEST_F(MainWindowTest, KeyboardWorksAsInADialogButEnterAndEscapeDoNothing) {
    bool enteredWithoutSelection = false, openAfterEnterAndEscape = false, breakdownToggled = false;
    size_t logLinesAfterEnter = 99;
    const INT_PTR result = runMainWindowWith({
        [] {
            setControlText(mainControl(MAIN_BOMFILE), "some text");
            SetForegroundWindow(mainForm());
            SetFocus(mainControl(MAIN_BROWSE));
            pressShiftTab();
        },
        [&] {
            const auto [start, end] = selection(mainControl(MAIN_BOMFILE));
            enteredWithoutSelection = GetFocus() == mainControl(MAIN_BOMFILE) && start == end;
            postKey(mainControl(MAIN_BOMFILE), WM_KEYDOWN, VK_RETURN);
            postKey(mainControl(MAIN_BOMFILE), WM_KEYUP, VK_RETURN);
        },
        [&] {
            postKey(mainControl(MAIN_BOMFILE), WM_KEYDOWN, VK_ESCAPE);
            postKey(mainControl(MAIN_BOMFILE), WM_KEYUP, VK_ESCAPE);
        },
        [&] {
            // A multi-line edit box in a dialog would close it on Escape; the loop keeps it from
            // ever seeing the key.
            SetFocus(mainControl(MAIN_LOG));
            postKey(mainControl(MAIN_LOG), WM_KEYDOWN, VK_ESCAPE);
            postKey(mainControl(MAIN_LOG), WM_KEYUP, VK_ESCAPE);
        },
        [&] {
            openAfterEnterAndEscape = IsWindow(mainForm()) != 0;
            logLinesAfterEnter = logLines().size();
            postKey(mainControl(MAIN_BOMFILE), WM_SYSCHAR, 'b');  // Alt+B
        },
        [&] {
            breakdownToggled = getCheckState(mainControl(MAIN_BREAKDOWN)) == 1;
            postKey(mainControl(MAIN_BOMFILE), WM_SYSCHAR, 'e');  // Alt+E: "&Exit"
        },
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(enteredWithoutSelection);
    EXPECT_TRUE(openAfterEnterAndEscape);
    EXPECT_EQ(logLinesAfterEnter, 0u);  // Enter started no run
    EXPECT_TRUE(breakdownToggled);
    EXPECT_EQ(mainForm(), nullptr);                                                       // Alt+E closed the window...
    EXPECT_EQ(iniRead(settingsFile(), "Settings", "Include_BOMAssyBreakdown", ""), "1");  // ...saving first
}

// The file dialog, found by its caption.
HWND fileDialog() { return FindWindowA("#32770", "Select a Pro/E BOM file"); }
bool fileDialogOpen() { return IsWindowVisible(fileDialog()) != 0; }
bool fileDialogClosed() { return fileDialog() == nullptr; }

TEST_F(MainWindowTest, TheFileDialogPutsTheChosenPathIntoTheBoxAndCancelKeepsIt) {
    trelk::testing::TempFolder folder;
    const std::string chosen = folder.write("gear.bom.2", "Assembly G contains:\r\n1 Part P\r\n");
    std::string afterCancel, afterChoice;
    RECT dialogPlace = {}, desktop = {};
    runMainWindowWith({
        [&] {
            setControlText(mainControl(MAIN_BOMFILE), (folder.path() + "\\earlier.bom").c_str());
            SendMessageA(mainForm(), WM_COMMAND, MAKEWPARAM(MAIN_BROWSE, BN_CLICKED),
                         reinterpret_cast<LPARAM>(mainControl(MAIN_BROWSE)));
            // The dialog's own loop runs the next steps.
        },
        {fileDialogOpen,
         [&] {
             GetWindowRect(fileDialog(), &dialogPlace);
             GetWindowRect(GetDesktopWindow(), &desktop);
             PostMessageA(fileDialog(), WM_COMMAND, IDCANCEL, 0);
         }},
        {fileDialogClosed,
         [&] {
             afterCancel = getControlText(mainControl(MAIN_BOMFILE));
             SendMessageA(mainForm(), WM_COMMAND, MAKEWPARAM(MAIN_BROWSE, BN_CLICKED),
                          reinterpret_cast<LPARAM>(mainControl(MAIN_BROWSE)));
         }},
        {fileDialogOpen,
         [&] {
             const HWND dialog = fileDialog();
             const HWND name = GetDlgItem(dialog, 0x47C);  // the file name box of the explorer dialog
             SetWindowTextA(name ? name : GetDlgItem(dialog, 0x480), "gear.bom.2");
             PostMessageA(dialog, WM_COMMAND, IDOK, 0);
         }},
        {fileDialogClosed, [&] { afterChoice = getControlText(mainControl(MAIN_BOMFILE)); }},
    });
    EXPECT_EQ(afterCancel, folder.path() + "\\earlier.bom");
    EXPECT_EQ(lstrcmpiA(afterChoice.c_str(), chosen.c_str()), 0) << afterChoice;
    // Centred on the desktop, to the pixel (halves to the even neighbour).
    const int centreX = (desktop.left + desktop.right) - (dialogPlace.right - dialogPlace.left);
    EXPECT_LE(std::abs(2 * dialogPlace.left - centreX), 1);
}

TEST_F(MainWindowTest, HelpOpensTheHelpFileBesideTheProgram) {
    // The shell opens only what exists: a stand-in help file beside the test program, and a decoy
    // of the same name in the current directory, which must not be the one opened.
    const std::string help = nativePath(TRELK_UI_TESTS_DIR) + "\\Trelk.chm";
    const bool madeHere = !trelk::testing::fileExists(help);
    if (madeHere) CloseHandle(CreateFileA(help.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    trelk::testing::TempFolder elsewhere;
    elsewhere.write("Trelk.chm", "decoy");
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.path().c_str()));
    openMainWindow();
    SendMessageA(main_, WM_COMMAND, MAKEWPARAM(MAIN_TOPMENU_HELP, 0), 0);
    const std::vector<std::string> opened = openedDocuments();
    SetCurrentDirectoryA(before);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(lstrcmpiA(opened[0].c_str(), help.c_str()), 0) << opened[0];
    if (madeHere) DeleteFileA(help.c_str());
}

}  // namespace
}  // namespace trelk::ui::testing
