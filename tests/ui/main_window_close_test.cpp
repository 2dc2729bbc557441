// Every way of closing the main window saves the settings exactly once.
#include <cstdio>

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
        g_formProc =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrA(main_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countingProc)));
        setControlText(control(MAIN_BOMFILE), "C:\\data\\top.bom.3");
        setCheckState(control(MAIN_BREAKDOWN), 1);
        setCheckState(control(MAIN_ASSYINASSYS), 0);
        SetWindowPos(main_, nullptr, 40, 60, 700, 520, SWP_NOZORDER);
        how(main_);
        EXPECT_TRUE(pumpUntil([this] { return !IsWindow(main_); }));
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

TEST_F(MainWindowCloseTest, EveryWayOfClosingSavesOnce) {
    const struct {
        const char* way;
        void (*how)(HWND main);
    } ways[] = {
        {"the Exit button",
         [](HWND main) {
             SendMessageA(main, WM_COMMAND, MAKEWPARAM(MAIN_EXIT, BN_CLICKED),
                          reinterpret_cast<LPARAM>(GetDlgItem(main, MAIN_EXIT)));
         }},
        {"the Exit menu", [](HWND main) { SendMessageA(main, WM_COMMAND, MAKEWPARAM(MAIN_TOPMENU_EXIT, 0), 0); }},
        {"the close box", [](HWND main) { SendMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& w : ways) {
        SCOPED_TRACE(w.way);
        DeleteFileA(settingsFile().c_str());
        closeBy(w.how);
        EXPECT_EQ(trelk::testing::readFile(settingsFile()), kExpectedSettings);
    }
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

// A window closed minimised or maximised stores its normal place and size, in screen
// coordinates, and the next start opens it there.
TEST_F(MainWindowTest, AWindowClosedMinimisedOrMaximisedOpensAtItsNormalPlace) {
    for (const int state : {SW_MINIMIZE, SW_MAXIMIZE}) {
        SCOPED_TRACE(state == SW_MINIMIZE ? "minimised" : "maximised");
        DeleteFileA(settingsFile().c_str());
        openMainWindow();
        SetWindowPos(main_, nullptr, 40, 60, 700, 520, SWP_NOZORDER);
        ShowWindow(main_, state);
        ASSERT_TRUE(pumpUntil([&] { return state == SW_MINIMIZE ? IsIconic(main_) : IsZoomed(main_); }));
        RECT changed;
        GetWindowRect(main_, &changed);
        EXPECT_NE(changed.left, 40);
        closeMainWindow();
        EXPECT_EQ(iniRead(settingsFile(), "Settings", "X_MainForm", ""), "40");
        EXPECT_EQ(iniRead(settingsFile(), "Settings", "Y_MainForm", ""), "60");
        EXPECT_EQ(iniRead(settingsFile(), "Settings", "Width_MainForm", ""), "700");
        EXPECT_EQ(iniRead(settingsFile(), "Settings", "Height_MainForm", ""), "520");
        openMainWindow();
        RECT shown;
        GetWindowRect(main_, &shown);
        EXPECT_EQ(shown.left, 40);
        EXPECT_EQ(shown.top, 60);
        EXPECT_EQ(shown.right - shown.left, 700);
        EXPECT_EQ(shown.bottom - shown.top, 520);
        closeMainWindow();
    }
}

// What the settings file does not hold keeps the window as created: a file of keywords alone
// (or with a size of 0 x 0) opens it centred at its designed size.
TEST_F(MainWindowTest, MissingPlaceAndSizeKeepTheCreatedWindow) {
    openMainWindow();
    RECT created;
    GetWindowRect(main_, &created);
    closeMainWindow();
    const struct {
        const char* what;
        const char* ini;
        int left, top;  // -1: as created
    } cases[] = {
        {"keywords alone", "[Keywords]\r\ncontains=enth\xE4lt:\r\n", -1, -1},
        {"a size of 0 x 0", "[Settings]\r\nWidth_MainForm= 0\r\nHeight_MainForm= 0\r\n", -1, -1},
        {"a place alone", "[Settings]\r\nX_MainForm= 30\r\nY_MainForm= 50\r\n", 30, 50},
        {"the left edge alone", "[Settings]\r\nX_MainForm= 30\r\n", 30, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(settingsFile().c_str());
        std::FILE* out = std::fopen(settingsFile().c_str(), "wb");
        std::fputs(c.ini, out);
        std::fclose(out);
        openMainWindow();
        RECT r;
        GetWindowRect(main_, &r);
        EXPECT_EQ(r.left, c.left < 0 ? created.left : c.left);
        EXPECT_EQ(r.top, c.top < 0 ? created.top : c.top);
        EXPECT_EQ(r.right - r.left, created.right - created.left);
        EXPECT_EQ(r.bottom - r.top, created.bottom - created.top);
        closeMainWindow();
    }
}

}  // namespace
}  // namespace trelk::ui::testing
