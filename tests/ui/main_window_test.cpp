#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <iterator>

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

SIZE clientSize(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

// Each control's place, from the first child to the last, as "id: left top right bottom".
std::vector<std::string> controlPlaces(HWND form) {
    std::vector<std::string> places;
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT r = placeInParent(child);
        places.push_back(std::to_string(GetDlgCtrlID(child)) + ": " + std::to_string(r.left) + " " +
                         std::to_string(r.top) + " " + std::to_string(r.right) + " " + std::to_string(r.bottom));
    }
    return places;
}

// What the user sees the controls do when the window is resized (1: the edge follows the
// window's right or bottom edge; no top edge ever moves), in tab order: all but the last two,
// the group box and the label, take the focus. The check boxes stand inside the group box.
const struct {
    int id;
    int left, right, bottom;
    bool framed;
} kLayout[] = {
    {MAIN_BOMFILE, 0, 1, 0, false},    {MAIN_BROWSE, 1, 1, 0, false},     {MAIN_DOIT, 0, 0, 0, false},
    {MAIN_EXIT, 1, 1, 0, false},       {MAIN_BREAKDOWN, 0, 0, 0, true},   {MAIN_PARTSSUMMARY, 0, 0, 0, true},
    {MAIN_ASSYSUMMARY, 0, 0, 0, true}, {MAIN_ASSYINASSYS, 0, 0, 0, true}, {MAIN_PARTSINASSYS, 0, 0, 0, true},
    {MAIN_LOG, 0, 1, 1, false},        {MAIN_SECTIONS, 0, 1, 0, false},   {MAIN_BOMFILELABEL, 0, 0, 0, false},
};
constexpr size_t kTabStops = std::size(kLayout) - 2;

TEST_F(MainWindowTest, TabGoesThroughTheControlsInOrderAndTheyFollowTheWindowsEdges) {
    openMainWindow();
    HWND at = control(MAIN_BOMFILE);
    for (size_t i = 1; i <= kTabStops; ++i) {
        at = GetNextDlgTabItem(main_, at, FALSE);
        EXPECT_EQ(GetDlgCtrlID(at), kLayout[i % kTabStops].id) << "tab " << i;
    }

    const SIZE opened = clientSize(main_);
    RECT before[std::size(kLayout)];
    for (size_t i = 0; i < std::size(kLayout); ++i) before[i] = placeInParent(control(kLayout[i].id));
    RECT frame;
    GetWindowRect(main_, &frame);
    // Larger, the smallest size the user can drag it to, wider alone, and back where it began.
    const SIZE sizes[] = {
        {1000, 760}, {650, 350}, {900, frame.bottom - frame.top}, {frame.right - frame.left, frame.bottom - frame.top}};
    for (const SIZE size : sizes) {
        SCOPED_TRACE(std::to_string(size.cx) + " x " + std::to_string(size.cy));
        SetWindowPos(main_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        ASSERT_TRUE(pumpUntil(waitingMessagesHandled));
        const SIZE now = clientSize(main_);
        const int dx = now.cx - opened.cx, dy = now.cy - opened.cy;
        const RECT status = placeInParent(GetDlgItem(main_, MAIN_STATUSBAR));  // along the bottom edge
        EXPECT_EQ(status.left, 0);
        EXPECT_EQ(status.right, now.cx);
        EXPECT_EQ(status.bottom, now.cy);
        const RECT frameBox = placeInParent(control(MAIN_SECTIONS));
        for (size_t i = 0; i < std::size(kLayout); ++i) {
            const auto& row = kLayout[i];
            SCOPED_TRACE(row.id);
            const RECT place = placeInParent(control(row.id));
            EXPECT_EQ(place.left, before[i].left + row.left * dx);
            EXPECT_EQ(place.top, before[i].top);
            EXPECT_EQ(place.right, before[i].right + row.right * dx);
            EXPECT_EQ(place.bottom, before[i].bottom + row.bottom * dy);
            // Whole and apart at every size: inside the client area above the status bar, the
            // check boxes inside their group box, and no other two controls overlapping.
            EXPECT_TRUE(place.left >= 0 && place.left < place.right && place.right <= now.cx);
            EXPECT_TRUE(place.top >= 0 && place.top < place.bottom && place.bottom <= status.top);
            if (row.framed) {
                EXPECT_TRUE(place.left > frameBox.left && place.right < frameBox.right && place.top > frameBox.top &&
                            place.bottom < frameBox.bottom);
            }
            for (size_t j = i + 1; j < std::size(kLayout); ++j) {
                if (row.framed && kLayout[j].id == MAIN_SECTIONS) continue;
                RECT common;
                const RECT other = placeInParent(control(kLayout[j].id));
                EXPECT_FALSE(IntersectRect(&common, &place, &other)) << "overlaps " << kLayout[j].id;
            }
        }
    }
}

TEST_F(MainWindowTest, TheMenuOffersExitAboutAndHelp) {
    openMainWindow();
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

// The stored place is taken at once, the stored size from the loop (never below the minimum
// tracking size); the controls then stand where resizing the window by hand puts them.
TEST_F(MainWindowTest, RestoresTheStoredPlaceAtOnceAndTheSizeFromTheLoop) {
    const struct {
        int x, y, width, height, expectedWidth, expectedHeight;
    } cases[] = {
        {100, 80, 800, 600, 800, 600},
        {20, 30, 300, 200, 650, 350},
    };
    for (const auto& c : cases) {
        DeleteFileA(settingsFile().c_str());
        openMainWindow();
        SetWindowPos(main_, nullptr, 0, 0, c.expectedWidth, c.expectedHeight, SWP_NOMOVE | SWP_NOZORDER);
        const std::vector<std::string> resizedByHand = controlPlaces(main_);
        DestroyWindow(main_);
        ASSERT_TRUE(pumpUntil([] { return mainForm() == nullptr; }));

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
        EXPECT_EQ(controlPlaces(main_), resizedByHand);
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
