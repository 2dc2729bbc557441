// Window helpers, the client size, the file reader and the open-file dialog's filter.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "forms/file_dialog.h"
#include "forms/form.h"
#include "forms/window_helpers.h"
#include "test_form.h"

namespace trelk::test {
namespace {

TEST(WindowHelpers, TextCheckStatePositionAndSize) {
    HWND form = createTestForm();
    HWND edit = control(form, kSingleEdit);
    EXPECT_EQ(getControlText(edit), "");
    setControlText(edit, "BOM.txt");
    EXPECT_EQ(getControlText(edit), "BOM.txt");
    setEditSelection(edit, 1, 3);
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(end, 3u);

    HWND box = CreateWindowExA(0, "Button", "box", WS_CHILD | BS_AUTOCHECKBOX, 30, 40, 50, 20, form, nullptr,
                               moduleInstance(), nullptr);
    EXPECT_EQ(getCheckState(box), 0);
    setCheckState(box, 7);
    EXPECT_EQ(getCheckState(box), 1);
    setCheckState(box, 0);
    EXPECT_EQ(getCheckState(box), 0);

    EXPECT_EQ(getWindowPosition(box).x, 30);
    EXPECT_EQ(getWindowPosition(box).y, 40);
    setWindowPosition(box, 60, 70);
    setWindowSize(box, 90, 25);
    EXPECT_EQ(getWindowPosition(box).x, 60);
    EXPECT_EQ(getWindowSize(box).cx, 90);
    EXPECT_EQ(getWindowSize(box).cy, 25);
    setWindowPosition(form, 33, 44);
    EXPECT_EQ(getWindowPosition(form).x, 33);  // a top-level window: screen coordinates
    EXPECT_EQ(getWindowPosition(form).y, 44);

    DestroyWindow(form);
    // Gone windows give nothing and take nothing.
    EXPECT_EQ(getControlText(edit), "");
    EXPECT_EQ(getCheckState(box), 0);
    EXPECT_EQ(getWindowSize(box).cx, 0);
    setControlText(edit, "x");
}

TEST(SetClientSize, GivesExactlyTheAskedClientArea) {
    struct Case {
        const char* name;
        DWORD style;
        bool menu;
    };
    const Case cases[] = {
        {"caption and frame", WS_OVERLAPPEDWINDOW, false},
        {"with a menu", WS_OVERLAPPEDWINDOW, true},
        {"dialog frame", WS_POPUP | WS_CAPTION | WS_SYSMENU, false},
    };
    for (const Case& c : cases) {
        HWND window = CreateWindowExA(WS_EX_WINDOWEDGE, "Static", "", c.style | WS_VISIBLE, 10, 10, 300, 300, nullptr,
                                      nullptr, moduleInstance(), nullptr);
        if (c.menu) {
            HMENU menu = CreateMenu();
            AppendMenuA(menu, MF_STRING, 6000, "Exit");
            AppendMenuA(menu, MF_STRING, 6001, "About");
            SetMenu(window, menu);
        }
        setClientSize(window, 681, 453);
        RECT client;
        GetClientRect(window, &client);
        EXPECT_EQ(client.right, 681) << c.name;
        EXPECT_EQ(client.bottom, 453) << c.name;

        const SIZE before = getWindowSize(window);
        setClientSize(window, 0, 200);
        setClientSize(window, 200, 0);
        EXPECT_EQ(getWindowSize(window).cx, before.cx) << c.name;
        EXPECT_EQ(getWindowSize(window).cy, before.cy) << c.name;
        DestroyWindow(window);
    }
}

TEST(SetClientSize, AddsTheScrollBars) {
    HWND window = CreateWindowExA(0, "Static", "", WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL, 10, 10, 300, 300,
                                  nullptr, nullptr, moduleInstance(), nullptr);
    setClientSize(window, 400, 200);
    RECT outer{0, 0, 400, 200};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
    EXPECT_EQ(getWindowSize(window).cx, outer.right - outer.left + GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(getWindowSize(window).cy, outer.bottom - outer.top + GetSystemMetrics(SM_CYHSCROLL));
    DestroyWindow(window);
}

TEST(ReadTextFileLines, FollowsTheBomLineRules) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"one\r\ntwo\r\n", {"one", "two"}},
        {"one\rtwo", {"one", "two"}},
        {"lone\nfeed\r\n", {"lone\nfeed"}},
        {"\r\n\r\n", {"", ""}},
        {"kept\r\n\x1a"
         "dropped\r\n",
         {"kept"}},
        {std::string("nul\0inside\r\n", 12), {std::string("nul\0inside", 10)}},
    };
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + "trelk_forms_lines.txt";
    for (const Case& c : cases) {
        FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(c.bytes.data(), 1, c.bytes.size(), file);
        std::fclose(file);
        std::vector<std::string> lines{"stale"};
        EXPECT_EQ(readTextFileLines(path.c_str(), lines), static_cast<int>(c.lines.size()));
        EXPECT_EQ(lines, c.lines);
    }
    DeleteFileA(path.c_str());
    std::vector<std::string> lines{"stale"};
    EXPECT_EQ(readTextFileLines(path.c_str(), lines), 0);
    EXPECT_TRUE(lines.empty());
}

TEST(OpenFileDialog, FilterBecomesNulSeparatedStringsEndingInTwoNuls) {
    const std::string filter = dialogFilter("BOM files|*.bom.*|All Files (*.*)|*.*");
    const std::string expected("BOM files\0*.bom.*\0All Files (*.*)\0*.*\0", 38);
    EXPECT_EQ(filter, expected);
    EXPECT_EQ(filter.c_str()[filter.size()], '\0');  // the second of the two closing NULs
    EXPECT_EQ(dialogFilter(""), std::string(1, '\0'));
}

TEST(OpenFileDialog, CentresOnTheDesktopWithHalvesToEven) {
    const RECT desktop{0, 0, 1280, 1024};
    const POINT even = centredOrigin(desktop, RECT{0, 0, 500, 400});
    EXPECT_EQ(even.x, 390);
    EXPECT_EQ(even.y, 312);
    const POINT halves = centredOrigin(desktop, RECT{0, 0, 501, 403});  // 389.5 and 310.5
    EXPECT_EQ(halves.x, 390);
    EXPECT_EQ(halves.y, 310);
}

// The dialog itself, cancelled by a timer once it is up: the name stays as it was, and the
// hook has centred the dialog on the desktop.
HWND dialogSeen = nullptr;
RECT dialogRect{};

void CALLBACK cancelDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = GetActiveWindow();
    char name[32] = {};
    if (dialog) GetClassNameA(dialog, name, sizeof name);
    if (std::string(name) != "#32770") return;
    dialogSeen = dialog;
    GetWindowRect(dialog, &dialogRect);
    KillTimer(nullptr, timer);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST(OpenFileDialog, CancelKeepsTheNameAndTheHookCentres) {
    HWND form = createTestForm();
    std::string name = "start.bom";
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, cancelDialog);
    const BOOL chosen =
        openFileDialog(form, "Select BOM file", name, "", "BOM files|*.bom.*|All Files|*.*", "bom", 0, 1);
    KillTimer(nullptr, timer);
    EXPECT_FALSE(chosen);
    EXPECT_EQ(name, "start.bom");
    ASSERT_NE(dialogSeen, nullptr);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    const POINT centred = centredOrigin(desktop, dialogRect);
    EXPECT_NEAR(dialogRect.left, centred.x, 1);
    EXPECT_NEAR(dialogRect.top, centred.y, 1);
    DestroyWindow(form);
}

}  // namespace
}  // namespace trelk::test
