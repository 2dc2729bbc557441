// Every way of closing the main window saves the settings exactly once.
#include "forms/window_helpers.h"
#include "settings/profile.h"
#include "support/platform.h"
#include "support/temp_folder.h"
#include "ui/main_form.h"
#include "ui_fixture.h"

namespace trelk::ui::testing {
namespace {

int g_closeRequests = 0;
WNDPROC g_formProc = nullptr;

// Sits in front of the form's procedure and counts the close requests that reach it; the form's
// close handler saves the settings once per request.
LRESULT CALLBACK countingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) ++g_closeRequests;
    return CallWindowProcA(g_formProc, window, message, wParam, lParam);
}

class MainWindowCloseTest : public MainWindowTest {
protected:
    void closeBy(void (*how)(HWND main)) {
        openMainWindow();
        g_closeRequests = 0;
        g_formProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(main_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countingProc)));
        setControlText(control(MAIN_BOMFILE), "C:\\data\\top.bom.3");
        setCheckState(control(MAIN_BREAKDOWN), 1);
        setCheckState(control(MAIN_ASSYINASSYS), 0);
        SetWindowPos(main_, nullptr, 40, 60, 700, 520, SWP_NOZORDER);
        how(main_);
        pumpMessages();
        EXPECT_FALSE(IsWindow(main_));
        EXPECT_EQ(g_closeRequests, 1);
    }
};

const std::string kExpectedSettings =
    "[Keywords]\r\ncontains=contains:\r\nSubAssembly=Sub-Assembly\r\nPart=Part\r\n"
    "SummaryOfParts=Summary of parts for assembly\r\n"
    "[Settings]\r\nInclude_BOMAssyBreakdown= 1\r\nInclude_SummaryOfAssys= 1\r\nInclude_SummaryOfParts= 1\r\n"
    "Include_AssyInAssys= 0\r\nInclude_PartsInAssys= 1\r\nBOM_filename=C:\\data\\top.bom.3\r\n"
    "Width_MainForm= 700\r\nHeight_MainForm= 520\r\nX_MainForm= 40\r\nY_MainForm= 60\r\n"
    "[Columns]\r\nQuantity= 1\r\nType= 2\r\nName=-1\r\n";

std::string expectedSettings() {
    return trelk::testing::runningUnderWine() ? trelk::testing::asWineWritesIt(kExpectedSettings) : kExpectedSettings;
}

TEST_F(MainWindowCloseTest, TheExitButtonSavesOnce) {
    closeBy([](HWND main) {
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(MAIN_EXIT, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(main, MAIN_EXIT)));
    });
    EXPECT_EQ(trelk::testing::readFile(settingsFile()), expectedSettings());
}

TEST_F(MainWindowCloseTest, TheExitMenuSavesOnce) {
    closeBy([](HWND main) { SendMessageA(main, WM_COMMAND, MAKEWPARAM(MAIN_TOPMENU_EXIT, 0), 0); });
    EXPECT_EQ(trelk::testing::readFile(settingsFile()), expectedSettings());
}

TEST_F(MainWindowCloseTest, TheCloseBoxSavesOnce) {
    closeBy([](HWND main) { SendMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_EQ(trelk::testing::readFile(settingsFile()), expectedSettings());
}

TEST_F(MainWindowCloseTest, TheNextStartFindsWhatTheCloseSaved) {
    closeBy([](HWND main) { SendMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0); });
    openMainWindow();
    RECT r;
    GetWindowRect(main_, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(r.right - r.left, 700);
    EXPECT_EQ(r.bottom - r.top, 520);
    EXPECT_EQ(getControlText(control(MAIN_BOMFILE)), "C:\\data\\top.bom.3");
    EXPECT_EQ(getCheckState(control(MAIN_BREAKDOWN)), 1);
    EXPECT_EQ(getCheckState(control(MAIN_ASSYINASSYS)), 0);
}

TEST_F(MainWindowTest, AWindowClosedMinimisedOpensOnTheScreenAgain) {
    openMainWindow();
    ShowWindow(main_, SW_MINIMIZE);
    pumpMessages();
    RECT minimised;
    GetWindowRect(main_, &minimised);
    SendMessageA(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
    pumpMessages();
    // What was saved is the rectangle of the minimised window, wherever the system put it...
    EXPECT_EQ(iniRead(settingsFile(), "Settings", "X_MainForm", ""), std::to_string(minimised.left));
    // ...but the next start shows the window where the user can reach it.
    openMainWindow();
    RECT shown, screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, overlap;
    GetWindowRect(main_, &shown);
    EXPECT_TRUE(IntersectRect(&overlap, &shown, &screen));
    EXPECT_GE(shown.right - shown.left, 650);
}

}  // namespace
}  // namespace trelk::ui::testing
