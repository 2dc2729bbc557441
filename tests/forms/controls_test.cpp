// Control set-up: font texts and the shared font cache, colours answered to
// WM_CTLCOLOR*, focus selection and the tag texts.
#include <gtest/gtest.h>

#include <string>

#include "forms/controls.h"
#include "forms/fonts.h"
#include "forms/heap_blocks.h"
#include "forms/window_helpers.h"
#include "test_form.h"

namespace trelk::test {
namespace {

TEST(FontText, ReadsItsFieldsLikeTheDialogFontDescription) {
    struct Case {
        const char* text;
        const char* face;
        int height, weight, italic, underline, strikeOut, pitchAndFamily;
    };
    const Case cases[] = {
        {"MS Sans Serif,-13,0,0,0,400,0,0,0,0,1,2,1,34", "MS Sans Serif", -13, 400, 0, 0, 0, 34},
        {"Tahoma,-20,0,0,0,700,1,1,1,0,3,2,1,34", "Tahoma", -20, 700, 1, 1, 1, 34},
        {" Tahoma , 8.5,0,0,0, 400x,0,0,0", " Tahoma ", 8, 400, 0, 0, 0, 0},  // no trimming; 8.5 -> 8
        {"Arial,9.5,,,,abc", "Arial", 10, 0, 0, 0, 0, 0},                     // ties to even; bad = 0
        {"Arial,\t\n-11", "Arial", -11, 0, 0, 0, 0, 0},
        {"", "", 0, 0, 0, 0, 0, 0},
        {",,,,,,,,,,,,,", "", 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const FontFields font = parseFontText(c.text);
        EXPECT_EQ(font.faceName, c.face) << c.text;
        EXPECT_EQ(font.height, c.height) << c.text;
        EXPECT_EQ(font.weight, c.weight) << c.text;
        EXPECT_EQ(font.italic, c.italic) << c.text;
        EXPECT_EQ(font.underline, c.underline) << c.text;
        EXPECT_EQ(font.strikeOut, c.strikeOut) << c.text;
        EXPECT_EQ(font.pitchAndFamily, c.pitchAndFamily) << c.text;
    }
}

LOGFONTA describe(HFONT font) {
    LOGFONTA description{};
    GetObjectA(font, sizeof description, &description);
    return description;
}

TEST(FontCache, SharesOneFontPerTextAndOnlyAppends) {
    resetFontCache();
    ASSERT_EQ(fontCache().texts.size(), 1u);

    const char* text = "Tahoma,-15,0,0,0,400,0,0,0,0,3,2,1,34";
    HWND form = createTestForm();  // five controls with two font texts
    EXPECT_EQ(fontCache().texts.size(), 3u);
    const HFONT shared = reinterpret_cast<HFONT>(SendMessageA(control(form, kSingleEdit), WM_GETFONT, 0, 0));
    EXPECT_NE(shared, nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control(form, kLabel), WM_GETFONT, 0, 0)), shared);
    EXPECT_EQ(windowRecord(control(form, kButton))->font, shared);
    EXPECT_EQ(fontFromText(text), fontFromText(text));
    EXPECT_EQ(fontCache().texts.size(), 3u);
    DestroyWindow(form);

    // Fonts outlive the controls that used them.
    EXPECT_EQ(GetObjectType(shared), static_cast<DWORD>(OBJ_FONT));

    // A difference in a field that is not read still makes a separate, equal font.
    HFONT other = fontFromText("Tahoma,-15,0,0,0,400,0,0,0,0,1,2,1,34");
    EXPECT_NE(other, fontFromText(text));
    EXPECT_EQ(describe(other).lfHeight, -15);
    EXPECT_EQ(fontCache().texts.size(), 4u);

    // An empty face gives no font, and every request appends another entry.
    EXPECT_EQ(fontFromText(""), nullptr);
    EXPECT_EQ(fontFromText(",-13"), nullptr);
    EXPECT_EQ(fontFromText(""), nullptr);
    EXPECT_EQ(fontCache().texts.size(), 7u);
    EXPECT_EQ(fontCache().texts.back(), "");
    EXPECT_EQ(fontCache().fonts.size(), fontCache().texts.size());

    resetFontCache();
    EXPECT_EQ(fontCache().texts.size(), 1u);
    EXPECT_EQ(fontCache().fonts[0], nullptr);
}

TEST(MakeFont, ConvertsPointsByTruncationAndKeepsPixelHeights) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    HFONT points = makeFont("MS Sans Serif", 8, 400, 0, 0, 0);
    HFONT pixels = makeFont("Tahoma", -13, 700, 1, 1, 0);
    EXPECT_EQ(describe(points).lfHeight, -(dpi * 8 / 72));  // -10 at 96 dpi
    EXPECT_EQ(describe(points).lfOutPrecision, OUT_TT_PRECIS);
    EXPECT_EQ(describe(pixels).lfHeight, -13);
    EXPECT_EQ(describe(pixels).lfWeight, 700);
    EXPECT_EQ(describe(pixels).lfItalic, 1);
    EXPECT_EQ(describe(pixels).lfUnderline, 1);
    EXPECT_EQ(makeFont("", 8, 400, 0, 0, 0), nullptr);
    DeleteObject(points);
    DeleteObject(pixels);
}

TEST(ControlColors, AnswerWmCtlColorFromTheControlsRecord) {
    HWND form = createTestForm();
    HWND customLabel = CreateWindowExA(0, "Static", "x", WS_CHILD | WS_VISIBLE, 0, 200, 50, 20, form, nullptr,
                                       moduleInstance(), nullptr);
    ControlSetup custom;
    custom.useColors = 1;
    custom.fgColor = RGB(1, 2, 3);
    custom.bgColor = RGB(4, 5, 6);
    setupControl(customLabel, custom);

    struct Case {
        const char* name;
        HWND control;
        UINT message;
        bool disable;
        COLORREF text, back;
        int mode;
        HBRUSH brush;  // nullptr: the record's own
    };
    const Case cases[] = {
        {"label", control(form, kLabel), WM_CTLCOLORSTATIC, false, GetSysColor(COLOR_WINDOWTEXT),
         GetSysColor(COLOR_BTNFACE), TRANSPARENT, nullptr},
        {"edit", control(form, kSingleEdit), WM_CTLCOLOREDIT, false, GetSysColor(COLOR_WINDOWTEXT),
         GetSysColor(COLOR_WINDOW), OPAQUE, nullptr},
        {"disabled edit", control(form, kMultiEdit), WM_CTLCOLORSTATIC, true, GetSysColor(COLOR_WINDOWTEXT),
         GetSysColor(COLOR_BTNFACE), OPAQUE, GetSysColorBrush(COLOR_BTNFACE)},
        {"COLORREF label", customLabel, WM_CTLCOLORSTATIC, false, RGB(1, 2, 3), RGB(4, 5, 6), TRANSPARENT, nullptr},
    };
    HDC dc = CreateCompatibleDC(nullptr);
    for (const Case& c : cases) {
        EnableWindow(c.control, c.disable ? FALSE : TRUE);
        SetTextColor(dc, RGB(9, 9, 9));
        SetBkColor(dc, RGB(9, 9, 9));
        const LRESULT result =
            SendMessageA(form, c.message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(c.control));
        const HBRUSH expected = c.brush ? c.brush : windowRecord(c.control)->brush;
        EXPECT_EQ(reinterpret_cast<HBRUSH>(result), expected) << c.name;
        EXPECT_NE(expected, nullptr) << c.name;
        EXPECT_EQ(GetTextColor(dc), c.text) << c.name;
        EXPECT_EQ(GetBkColor(dc), c.back) << c.name;
        EXPECT_EQ(GetBkMode(dc), c.mode) << c.name;
    }

    // A control without colours gets default processing, whatever brush that gives.
    HWND button = control(form, kButton);
    EXPECT_EQ(SendMessageA(form, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button)),
              DefWindowProcA(form, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button)));
    DeleteDC(dc);
    DestroyWindow(form);
}

TEST(ControlColors, SystemColorChangeGivesSystemBrushesAgain) {
    HWND form = createTestForm();
    HWND label = CreateWindowExA(0, "Static", "x", WS_CHILD | WS_VISIBLE, 0, 200, 50, 20, form, nullptr,
                                 moduleInstance(), nullptr);
    HBRUSH own = CreateSolidBrush(RGB(7, 7, 7));
    ControlSetup setup;
    setup.useColors = setup.fgIsSystem = setup.bgIsSystem = 1;
    setup.fgColor = COLOR_WINDOWTEXT;
    setup.bgColor = COLOR_BTNFACE;
    setup.brush = own;
    WindowRecord* record = setupControl(label, setup);
    ASSERT_EQ(record->brush, own);
    SendMessageA(form, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(record->brush, GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_EQ(GetObjectType(own), 0u);  // deleted
    DestroyWindow(form);
}

TEST(SetupControl, KeepsTheFirst29AnchorCharactersAndSubclasses) {
    HWND form = createTestForm();
    HWND edit =
        CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE, 0, 200, 50, 20, form, nullptr, moduleInstance(), nullptr);
    const WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC));
    const std::string forty(40, 'F');
    ControlSetup setup;
    setup.setFont = 1;
    setup.fontText = "Tahoma,-15";
    setup.controlIndex = 7;
    setup.anchor = forty.c_str();
    WindowRecord* record = setupControl(edit, setup);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(std::string(record->anchor), forty.substr(0, 29));
    EXPECT_EQ(record->controlIndex, 7);
    EXPECT_EQ(record->window, edit);
    EXPECT_EQ(record->previousProc, original);
    EXPECT_EQ(record->brush, nullptr);  // no colours, no brush
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC)), controlSubclassProc);

    // Only exactly 1 asks for subclassing or a font.
    HWND plain = CreateWindowExA(0, "Edit", "", WS_CHILD, 0, 0, 5, 5, form, nullptr, moduleInstance(), nullptr);
    const WNDPROC plainProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(plain, GWLP_WNDPROC));
    ControlSetup two;
    two.subclass = two.setFont = 2;
    two.fontText = "Tahoma,-15";
    WindowRecord* plainRecord = setupControl(plain, two);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(plain, GWLP_WNDPROC)), plainProc);
    EXPECT_EQ(plainRecord->font, nullptr);
    RemovePropA(plain, kRecordProperty);  // not subclassed: nothing would release it
    freeBlock(plainRecord);
    DestroyWindow(form);
}

TEST(SetupControl, FocusSelectsAllOrNothingAndRecordsLastFocus) {
    HWND form = createTestForm();
    HWND edit = control(form, kSingleEdit);
    setControlText(edit, "hello");
    for (int selectAll : {0, 1}) {
        windowRecord(edit)->selectAllOnFocus = selectAll;
        SetFocus(control(form, kButton));
        SendMessageA(edit, EM_SETSEL, 1, 3);
        SetFocus(edit);
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, selectAll ? 0u : end) << selectAll;
        EXPECT_EQ(end - start, selectAll ? 5u : 0u) << selectAll;
        EXPECT_EQ(windowRecord(form)->lastFocus, edit);
    }
    DestroyWindow(form);
}

TEST(SetupControl, FailsCleanlyWithoutARecord) {
    HWND form = createTestForm();
    HWND edit = CreateWindowExA(0, "Edit", "", WS_CHILD, 0, 0, 5, 5, form, nullptr, moduleInstance(), nullptr);
    const WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC));
    failAllocationAfter(0);
    ControlSetup setup;
    setup.setFont = 1;
    setup.fontText = "Tahoma,-15";
    setup.useColors = setup.fgIsSystem = setup.bgIsSystem = 1;
    setup.fgColor = COLOR_WINDOWTEXT;
    setup.bgColor = COLOR_BTNFACE;
    EXPECT_EQ(setupControl(edit, setup), nullptr);
    EXPECT_EQ(windowRecord(edit), nullptr);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC)), original);
    EXPECT_EQ(setupControl(nullptr, ControlSetup()), nullptr);
    DestroyWindow(form);
}

TEST(TagProperty, StoresTextUpToItsFirstNul) {
    HWND form = createTestForm();
    HWND label = control(form, kLabel);
    struct Case {
        std::string_view text;
        const char* expected;
    };
    const Case cases[] = {{"", ""}, {"tag", "tag"}, {std::string_view("cut\0here", 8), "cut"}, {"again", "again"}};
    for (const Case& c : cases) {
        setTagProperty(label, c.text);
        setTagProperty2(label, std::string(c.text) + "2");
        EXPECT_EQ(getTagProperty(label), c.expected);
        EXPECT_EQ(getTagProperty2(label), std::string(c.expected) + (c.text.size() == 8 ? "" : "2"));
    }
    setTagProperty(nullptr, "ignored");
    EXPECT_EQ(getTagProperty(nullptr), "");

    HWND bare = CreateWindowExA(0, "Static", "", WS_CHILD, 0, 0, 5, 5, form, nullptr, moduleInstance(), nullptr);
    EXPECT_EQ(getTagProperty(bare), "");
    failAllocationAfter(0);
    setTagProperty(label, "lost");
    EXPECT_EQ(getTagProperty(label), "");
    DestroyWindow(form);
}

}  // namespace
}  // namespace trelk::test
