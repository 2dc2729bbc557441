#include "test_form.h"

#include "forms/link_control.h"
#include "forms/window_helpers.h"

namespace trelk::test {

HWND testFormWindow = nullptr;

namespace {

constexpr const char* kFont = "MS Sans Serif,-13,0,0,0,400,0,0,0,0,1,2,1,34";
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

const ControlRow kRows[] = {
    // name, id, class, text, x, y, w, h, style, ex-style, font, colours (use, fgSys, bgSys, fg, bg), brush, anchor
    {"TEST_SINGLE", kSingleEdit, "Edit", "", 10, 10, 200, 24, kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
     kFont, 1, 1, 1, COLOR_WINDOWTEXT, COLOR_WINDOW, kBrushFromBackground, "FL,FT,FR,FT"},
    {"TEST_MULTI", kMultiEdit, "Edit", "", 10, 40, 200, 100,
     kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE, kFont, 1, 1, 1,
     COLOR_WINDOWTEXT, COLOR_WINDOW, kBrushFromBackground, "FL,FT,FR,FB"},
    {"TEST_BUTTON", kButton, "Button", "&Go", 220, 10, 80, 24, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, kFont, 0, 0, 0,
     0, 0, kBrushFromBackground, "FR,FT,FR,FT"},
    {"TEST_LABEL", kLabel, "Static", "Label:", 10, 150, 100, 20, kChild | SS_NOTIFY, 0, kFont, 1, 1, 1,
     COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNFACE, ""},
    {"TEST_LINK", kLink, kLinkControlClass, "example link", 10, 180, 150, 24, kChild | WS_TABSTOP, 0,
     "Tahoma,-15,0,0,0,400,0,0,0,0,3,2,1,34", 0, 0, 0, 0, 0, kBrushFromBackground, "FL,FT,FL,FT"},
};

void buildTestControls(HWND form) {
    setClientSize(form, 400, 300);
    for (const ControlRow& row : kRows) createControl(form, row);
}

}  // namespace

FormDescription testFormDescription() {
    FormDescription form;
    form.className = "FORM_TRELK_TEST_CLASS";
    form.caption = "Trelk test form";
    form.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE;
    form.exStyle = WS_EX_CONTROLPARENT;
    form.width = 420;
    form.height = 340;
    form.handleVariable = &testFormWindow;
    form.buildControls = buildTestControls;
    return form;
}

const ControlRow* testControlRows(size_t& count) {
    count = sizeof kRows / sizeof kRows[0];
    return kRows;
}

HWND createTestForm(const FormDescription& form) { return reinterpret_cast<HWND>(showForm(form, nullptr, 0, 0)); }

HWND createTestForm() {
    static const FormDescription form = testFormDescription();
    return createTestForm(form);
}

HWND control(HWND form, int id) { return GetDlgItem(form, id); }

}  // namespace trelk::test
