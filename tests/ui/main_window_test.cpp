#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "forms/window_helpers.h"
#include "support/temp_folder.h"
#include "ui/main_form.h"
#include "ui/main_host.h"
#include "ui_fixture.h"

namespace trelk::ui::testing {
namespace {

using Lines = std::vector<std::string>;

RECT placeInParent(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string className(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

TEST_F(MainWindowTest, OpensWithItsDesignedLayout) {
    openMainWindow();
    RECT client;
    GetClientRect(main_, &client);
    EXPECT_EQ(client.right, 681);
    EXPECT_EQ(client.bottom, 453);
    EXPECT_EQ(className(main_), "FORM_TRELK_MAIN_CLASS");
    EXPECT_EQ(getControlText(main_), "Trelk");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(main_, GWL_STYLE)), 0x96CF0000u);
    EXPECT_EQ(GetWindowLongPtrA(main_, GWL_EXSTYLE) & 0x00010100, 0x00010100);

    const struct {
        int id;
        const char *className, *text;
        int x, y, width, height;
        DWORD style;
    } rows[] = {
        {MAIN_BOMFILE, "Edit", "", 118, 12, 510, 28, 0x50010080},
        {MAIN_BROWSE, "Button", "...", 638, 12, 38, 28, 0x50014F00},
        {MAIN_DOIT, "Button", "&Do it!", 18, 54, 88, 26, 0x50014F00},
        {MAIN_EXIT, "Button", "&Exit", 588, 54, 88, 26, 0x50014F00},
        {MAIN_BREAKDOWN, "Button", "Assy &breakdown section from BOM", 32, 118, 252, 22, 0x50014D03},
        {MAIN_PARTSSUMMARY, "Button", "Summary of &parts", 32, 144, 241, 18, 0x50014D03},
        {MAIN_ASSYSUMMARY, "Button", "Summary of &assemblies", 32, 168, 252, 18, 0x50014D03},
        {MAIN_ASSYINASSYS, "Button", "A&ssemblies in assemblies", 344, 144, 241, 18, 0x50014D03},
        {MAIN_PARTSINASSYS, "Button", "Pa&rts in assemblies", 344, 168, 241, 18, 0x50014D03},
        {MAIN_SECTIONS, "Button", "Sections to include in output:", 16, 90, 654, 107, 0x50004107},
        {MAIN_LOG, "Edit", "", 18, 211, 654, 212, 0x50310044},
        {MAIN_BOMFILELABEL, "Static", "BOM input file:", 6, 18, 99, 24, 0x56000102},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const HWND c = control(row.id);
        ASSERT_TRUE(IsWindow(c));
        EXPECT_EQ(lstrcmpiA(className(c).c_str(), row.className), 0) << className(c);
        EXPECT_EQ(getControlText(c), row.text);
        const RECT r = placeInParent(c);
        EXPECT_EQ(r.left, row.x);
        EXPECT_EQ(r.top, row.y);
        EXPECT_EQ(r.right - r.left, row.width);
        EXPECT_EQ(r.bottom - r.top, row.height);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(c, GWL_STYLE)) & ~static_cast<DWORD>(WS_TABSTOP | WS_GROUP),
                  row.style & ~static_cast<DWORD>(WS_TABSTOP | WS_GROUP));
        EXPECT_EQ((GetWindowLongPtrA(c, GWL_STYLE) & WS_TABSTOP) != 0, (row.style & WS_TABSTOP) != 0);
    }
    const HWND status = GetDlgItem(main_, MAIN_STATUSBAR);
    ASSERT_TRUE(IsWindow(status));
    EXPECT_EQ(className(status), STATUSCLASSNAMEA);
    EXPECT_EQ(SendMessageA(status, SB_GETPARTS, 0, 0), 1);

    const HMENU menu = GetMenu(main_);
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    const struct {
        UINT id;
        const char* text;
    } items[] = {{MAIN_TOPMENU_EXIT, "Exit"}, {MAIN_TOPMENU_ABOUT, "About"}, {MAIN_TOPMENU_HELP, "Help"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(GetMenuItemID(menu, i), items[i].id);
        char text[32] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, items[i].text);
    }
}

TEST_F(MainWindowTest, WithoutSettingsAllButTheBreakdownAreTicked) {
    openMainWindow();
    EXPECT_EQ(getCheckState(control(MAIN_BREAKDOWN)), 0);
    for (const int id : {MAIN_PARTSSUMMARY, MAIN_ASSYSUMMARY, MAIN_ASSYINASSYS, MAIN_PARTSINASSYS})
        EXPECT_EQ(getCheckState(control(id)), 1) << id;
    EXPECT_EQ(getControlText(control(MAIN_BOMFILE)), "");
    EXPECT_EQ(GetFocus(), control(MAIN_BOMFILE));
}

TEST_F(MainWindowTest, DoItRunsTheBomIntoTheLogAndOpensTheReport) {
    openMainWindow();
    trelk::testing::TempFolder folder;
    const std::string bom =
        folder.write("top.bom.1", "Assembly TOP contains:\r\n2 Sub-Assembly GONE\r\n3 Part BOLT\r\n");
    const std::string report = appFolder() + "\\Trelk.txt";
    setControlText(control(MAIN_BOMFILE), bom.c_str());
    const Lines oneRun = {"Trying to read BOM file:",
                          bom,
                          "Nr of lines read of BOM input file: 3",
                          "Main assembly name: TOP",
                          "Assembly name not found: abnormal error! - GONE",
                          "Results stored in file:",
                          report};
    click(MAIN_DOIT);
    EXPECT_EQ(logLines(), oneRun);
    EXPECT_EQ(openedDocuments(), Lines{report});
    EXPECT_NE(trelk::testing::readFile(report).find("    3   BOLT"), std::string::npos);

    // A second run adds its lines below the first run's; the caret stands at the end.
    setCheckState(control(MAIN_PARTSSUMMARY), 0);
    click(MAIN_DOIT);
    Lines twoRuns = oneRun;
    twoRuns.insert(twoRuns.end(), oneRun.begin(), oneRun.end());
    EXPECT_EQ(logLines(), twoRuns);
    DWORD start = 0, end = 0;
    SendMessageA(control(MAIN_LOG), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, static_cast<DWORD>(GetWindowTextLengthA(control(MAIN_LOG))));
    EXPECT_EQ(start, end);
    EXPECT_EQ(trelk::testing::readFile(report).find("    3   BOLT"), std::string::npos);
    EXPECT_FALSE(trelk::testing::fileExists(settingsFile()));  // a run never saves the settings
}

std::string g_errorBoxText;

// The error box is modal; this timer on the test's thread reads it and presses OK.
void CALLBACK readAndCloseErrorBox(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND box = FindWindowA("#32770", "Trelk");
    if (!box) return;
    KillTimer(nullptr, timer);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string text = getControlText(child);
        if (text.find("BOM") != std::string::npos) g_errorBoxText = text;
    }
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST_F(MainWindowTest, AnEmptyNameOnlyShowsTheErrorBox) {
    openMainWindow();
    g_errorBoxText.clear();
    SetTimer(nullptr, 0, 100, readAndCloseErrorBox);
    click(MAIN_DOIT);
    EXPECT_EQ(g_errorBoxText, "No BOM file specified as input!");
    EXPECT_TRUE(logLines().empty());
}

TEST_F(MainWindowTest, HasThreeTooltipsAndNeverTwoOnOneControl) {
    openMainWindow();
    const HWND tooltip = tooltipControl();
    ASSERT_TRUE(tooltip);
    EXPECT_EQ(className(tooltip), TOOLTIPS_CLASSA);
    EXPECT_EQ(GetWindowLongPtrA(tooltip, GWL_STYLE) & (TTS_ALWAYSTIP | TTS_BALLOON), TTS_ALWAYSTIP | TTS_BALLOON);
    EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 3);
    const struct {
        int id;
        const char* text;
    } tips[] = {{MAIN_BOMFILE, "Enter BOM filename here, or select the file"},
                {MAIN_BROWSE, "Select a BOM file"},
                {MAIN_DOIT, "Start processing the BOM"}};
    for (const auto& tip : tips) {
        char text[128] = {};
        TOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        info.hwnd = main_;
        info.uId = reinterpret_cast<UINT_PTR>(control(tip.id));
        info.lpszText = text;
        SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(text, tip.text);
    }
    EXPECT_NE(addTooltip(main_, MAIN_DOIT, "Another text"), 0);
    EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 3);
    char text[128] = {};
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = main_;
    info.uId = reinterpret_cast<UINT_PTR>(control(MAIN_DOIT));
    info.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(text, "Another text");
}

TEST_F(MainWindowTest, TabGoesThroughTheControlsInCreationOrder) {
    openMainWindow();
    const int order[] = {MAIN_BROWSE,      MAIN_DOIT,        MAIN_EXIT,         MAIN_BREAKDOWN, MAIN_PARTSSUMMARY,
                         MAIN_ASSYSUMMARY, MAIN_ASSYINASSYS, MAIN_PARTSINASSYS, MAIN_LOG,       MAIN_BOMFILE};
    HWND at = control(MAIN_BOMFILE);
    for (const int id : order) {
        at = GetNextDlgTabItem(main_, at, FALSE);
        EXPECT_EQ(GetDlgCtrlID(at), id);
    }
}

TEST_F(MainWindowTest, RestoresTheStoredPlaceAtOnceAndTheSizeFromTheLoop) {
    const struct {
        int x, y, width, height, expectedWidth, expectedHeight;
    } cases[] = {
        {100, 80, 800, 600, 800, 600}, {20, 30, 300, 200, 650, 350},  // never below the minimum tracking size
    };
    for (const auto& c : cases) {
        char ini[512];
        std::snprintf(
            ini, sizeof ini,
            "[Settings]\r\nBOM_filename= kept.bom \r\nX_MainForm=%d\r\nY_MainForm=%d\r\n"
            "Width_MainForm=%d\r\nHeight_MainForm=%d\r\nInclude_BOMAssyBreakdown=1\r\nInclude_PartsInAssys=0\r\n",
            c.x, c.y, c.width, c.height);
        const std::string file = settingsFile();
        std::FILE* out = std::fopen(file.c_str(), "wb");
        std::fputs(ini, out);
        std::fclose(out);

        main_ = reinterpret_cast<HWND>(showMainForm(nullptr, 0, 0));
        RECT r;
        GetWindowRect(main_, &r);
        EXPECT_EQ(r.left, c.x);
        EXPECT_EQ(r.top, c.y);
        ASSERT_TRUE(pumpUntil(waitingMessagesHandled));
        GetWindowRect(main_, &r);
        EXPECT_EQ(r.right - r.left, c.expectedWidth);
        EXPECT_EQ(r.bottom - r.top, c.expectedHeight);
        EXPECT_EQ(getControlText(control(MAIN_BOMFILE)), "kept.bom");
        EXPECT_EQ(getCheckState(control(MAIN_BREAKDOWN)), 1);
        EXPECT_EQ(getCheckState(control(MAIN_PARTSINASSYS)), 0);
        // Every control where its anchor puts it for the client area's growth from 681 x 453.
        RECT client;
        GetClientRect(main_, &client);
        const int dx = client.right - 681, dy = client.bottom - 453;
        const struct {
            int id;
            RECT designed;
            int leftMoves, rightMoves, bottomMoves;  // 1: the edge follows the growth
        } anchored[] = {
            {MAIN_BOMFILE, {118, 12, 628, 40}, 0, 1, 0},  // "FL,FT,FR,FT"
            {MAIN_BROWSE, {638, 12, 676, 40}, 1, 1, 0},   // "FR,FT,FR,FT"
            {MAIN_DOIT, {18, 54, 106, 80}, 0, 0, 0},      // none
            {MAIN_EXIT, {588, 54, 676, 80}, 1, 1, 0},     // "FR,FT,FR,FT"
            {MAIN_BREAKDOWN, {32, 118, 284, 140}, 0, 0, 0},
            {MAIN_PARTSSUMMARY, {32, 144, 273, 162}, 0, 0, 0},
            {MAIN_ASSYSUMMARY, {32, 168, 284, 186}, 0, 0, 0},
            {MAIN_ASSYINASSYS, {344, 144, 585, 162}, 0, 0, 0},
            {MAIN_PARTSINASSYS, {344, 168, 585, 186}, 0, 0, 0},
            {MAIN_SECTIONS, {16, 90, 670, 197}, 0, 1, 0},  // "FL,FT,FR,FT"
            {MAIN_LOG, {18, 211, 672, 423}, 0, 1, 1},      // "FL,FT,FR,FB"
            {MAIN_BOMFILELABEL, {6, 18, 105, 42}, 0, 0, 0},
        };
        for (const auto& a : anchored) {
            const RECT place = placeInParent(control(a.id));
            EXPECT_EQ(place.left, a.designed.left + a.leftMoves * dx) << a.id;
            EXPECT_EQ(place.top, a.designed.top) << a.id;
            EXPECT_EQ(place.right, a.designed.right + a.rightMoves * dx) << a.id;
            EXPECT_EQ(place.bottom, a.designed.bottom + a.bottomMoves * dy) << a.id;
        }
        RECT status;  // the status bar spans the bottom edge
        GetWindowRect(GetDlgItem(main_, MAIN_STATUSBAR), &status);
        MapWindowPoints(nullptr, main_, reinterpret_cast<POINT*>(&status), 2);
        EXPECT_EQ(status.right - status.left, client.right);
        EXPECT_EQ(status.bottom, client.bottom);
        DestroyWindow(main_);
        ASSERT_TRUE(pumpUntil([] { return mainForm() == nullptr; }));
    }
}

// The log box takes ten thousand lines of one run, in order.
TEST_F(MainWindowTest, ARunOfTenThousandMessagesLogsEveryOne) {
    openMainWindow();
    trelk::testing::TempFolder folder;
    std::string text = "Assembly TOP contains:\r\n";
    for (int i = 0; i < 10000; ++i) text += "1 Sub-Assembly MISSING_" + std::to_string(i) + "\r\n";
    setControlText(control(MAIN_BOMFILE), folder.write("many.bom", text).c_str());
    click(MAIN_DOIT);
    const Lines lines = logLines();
    ASSERT_EQ(lines.size(), 10006u);
    EXPECT_EQ(lines[4], "Assembly name not found: abnormal error! - MISSING_0");
    EXPECT_EQ(lines[10003], "Assembly name not found: abnormal error! - MISSING_9999");
    EXPECT_EQ(lines.back(), appFolder() + "\\Trelk.txt");
    openedDocuments();
}

}  // namespace
}  // namespace trelk::ui::testing
