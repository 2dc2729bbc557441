#include "ui/about_form.h"

#include <shellapi.h>

#include "forms/controls.h"
#include "forms/form.h"
#include "forms/link_control.h"
#include "forms/window_helpers.h"
#include "ui/app_info.h"
#include "ui/main_form.h"

namespace trelk::ui {

namespace {

HWND g_aboutForm = nullptr;

constexpr const char* kFont = "MS Sans Serif,-13,0,0,0,400,0,0,0,0,1,2,1,34";
constexpr const char* kBold = "Tahoma,-20,0,0,0,700,0,0,0,0,3,2,1,34";
constexpr COLORREF kText = COLOR_WINDOWTEXT, kFace = COLOR_BTNFACE;
constexpr int kMade = kBrushFromBackground, kFaceBrush = COLOR_BTNFACE;

constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                             WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VISIBLE;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kClipped = kChild | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kFrame = kChild | BS_GROUPBOX | BS_NOTIFY | BS_LEFT;
constexpr DWORD kPicture = kClipped | SS_ICON | SS_NOTIFY;
constexpr DWORD kLink = kClipped;
constexpr DWORD kButton = kChild | BS_PUSHBUTTON | BS_NOTIFY | BS_CENTER | BS_VCENTER;
constexpr DWORD kLabel = kClipped | SS_CENTER | SS_NOTIFY;
static_assert(kFormStyle == 0x96CF0000 && kFormExStyle == 0x00010100 && kFrame == 0x50014107 &&
                  kPicture == 0x56010103 && kLink == 0x56010000 && kButton == 0x50014F00 && kLabel == 0x56010101,
              "the About box's designed styles");

// clang-format off
const ControlRow kAboutControls[] = {
    // name            id              class              text              x    y    w    h   style       ex-style           font                                    colours: use, fg/bg system, fg, bg  brush       anchor
    {"ABOUT_FRAME",    ABOUT_FRAME,    "Button",          "",               8,   0,   439, 108, kFrame,     WS_EX_TRANSPARENT, kFont,                                  1, 1, 1, kText, kFace,              kMade,      ""},
    {"ABOUT_ICON",     ABOUT_ICON,     "Static",          "",               40,  32,  32,  32,  kPicture,   0,                 "",                                     0, 0, 0, 0, 0,                      kMade,      ""},
    {"ABOUT_MAILLINK", ABOUT_MAILLINK, kLinkControlClass, kSupportAddress,  152, 136, 258, 26,  kLink,      0,                 "Tahoma,-15,0,0,0,400,0,0,0,0,3,2,1,34", 0, 0, 0, 0, 0,                      kMade,      "FL,FT,FL,FT"},
    {"ABOUT_CLOSE",    ABOUT_CLOSE,    "Button",          "Close",          152, 176, 147, 24,  kButton,    0,                 kFont,                                  0, 0, 0, 0, 0,                      kMade,      ""},
    {"ABOUT_CREDIT",   ABOUT_CREDIT,   "Static",          "by Halvorn",     56,  80,  346, 22,  kLabel,     0,                 kFont,                                  1, 1, 1, kText, kFace,              kFaceBrush, ""},
    {"ABOUT_TITLE",    ABOUT_TITLE,    "Static",          "Trelk",          56,  16,  346, 28,  kLabel,     0,                 kBold,                                  1, 1, 1, kText, kFace,              kFaceBrush, ""},
    {"ABOUT_WEBLINK",  ABOUT_WEBLINK,  kLinkControlClass, kWebSiteAddress,  152, 112, 258, 26,  kLink,      0,                 "Tahoma,-17,0,0,0,400,0,0,0,0,3,2,1,34", 0, 0, 0, 0, 0,                      kMade,      "FL,FT,FL,FT"},
    {"ABOUT_VERSION",  ABOUT_VERSION,  "Static",          "V1.0.0.x",       56,  48,  346, 28,  kLabel,     0,                 kBold,                                  1, 1, 1, kText, kFace,              kFaceBrush, ""},
};
// clang-format on

HFONT linkFont(int height, bool underlined) {
    return CreateFontA(height, 0, 0, 0, 400, FALSE, underlined, FALSE, 0, 3, 2, 1, 34, "Tahoma");
}

// Blue, turning red and underlined under the pointer, on the button face, without a glyph. The
// link copies the fonts it is given, so they are released at once.
void setUpLink(HWND link, int fontHeight) {
    const HFONT normal = linkFont(fontHeight, false);
    const HFONT hover = linkFont(fontHeight, true);
    SendMessageA(link, kLinkSetBackColor, COLOR_BTNFACE, 1);
    SendMessageA(link, kLinkSetGlyph, 0, 1);
    SendMessageA(link, kLinkSetGlyphGap, 4, 1);
    SendMessageA(link, kLinkSetNormalFont, reinterpret_cast<WPARAM>(normal), 1);
    SendMessageA(link, kLinkSetNormalColor, RGB(0, 0, 255), 1);
    SendMessageA(link, kLinkSetHoverColor, RGB(196, 0, 0), 1);
    SendMessageA(link, kLinkSetHoverFont, reinterpret_cast<WPARAM>(hover), 1);
    if (normal) DeleteObject(normal);
    if (hover) DeleteObject(hover);
}

// The picture belongs to the box that shows it: its control holds it until the box is destroyed.
void setUpPicture(HWND picture) {
    RECT client;
    GetClientRect(picture, &client);
    const auto icon =
        static_cast<HICON>(LoadImageA(moduleInstance(), "IMAGE_TRELK", IMAGE_ICON, client.right, client.bottom, 0));
    if (icon) SendMessageA(picture, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

void buildAboutControls(HWND form) {
    for (const ControlRow& row : kAboutControls) {
        const HWND control = createControl(form, row);
        if (!control) continue;
        if (row.id == ABOUT_MAILLINK) setUpLink(control, -15);
        if (row.id == ABOUT_WEBLINK) setUpLink(control, -17);
        if (row.id == ABOUT_ICON) setUpPicture(control);
    }
    SetFocus(GetDlgItem(form, ABOUT_FRAME));
}

LRESULT setVersionLabel(HWND form, LPARAM) {
    setControlText(GetDlgItem(form, ABOUT_VERSION), versionLabelText(appInfo().fileVersion).c_str());
    return 0;
}

void open(const std::string& address) { ShellExecuteA(mainForm(), "Open", address.c_str(), "", "", SW_SHOWNORMAL); }

LRESULT onWebLink(HWND, WPARAM, LPARAM, int) {
    open(kWebSiteAddress);
    return 0;
}

LRESULT onMailLink(HWND, WPARAM, LPARAM, int) {
    open(std::string("mailto:") + kSupportAddress);
    return 0;
}

LRESULT onClose(HWND form, WPARAM, LPARAM, int) {
    closeForm(form, 0);
    return 0;
}

// Enter and Escape produce IDOK and IDCANCEL, which nothing here answers: only "Close" and the
// window's own close commands end the box.
const CommandHandler kCommands[] = {
    {ABOUT_WEBLINK, 0, onWebLink},
    {ABOUT_MAILLINK, 0, onMailLink},
    {ABOUT_CLOSE, BN_CLICKED, onClose},
};

// The form is destroyed before its controls: the picture is still on its control.
LRESULT onDestroy(HWND form) {
    const LRESULT picture = SendMessageA(GetDlgItem(form, ABOUT_ICON), STM_GETIMAGE, IMAGE_ICON, 0);
    if (picture) DestroyIcon(reinterpret_cast<HICON>(picture));
    return 0;
}

const FormDescription& aboutDescription() {
    static const FormDescription form = [] {
        FormDescription f;
        f.className = "FORM_TRELK_ABOUT_CLASS";
        f.caption = "About Trelk";
        f.style = kFormStyle;
        f.exStyle = kFormExStyle;
        f.width = 465;
        f.height = 242;
        f.icon = MAKEINTRESOURCEA(32512);  // no such resource: the system's default icon
        f.handleVariable = &g_aboutForm;
        f.buildControls = buildAboutControls;
        f.onCreate = setVersionLabel;
        f.setCommands(kCommands);
        f.onDestroy = onDestroy;
        return f;
    }();
    return form;
}

}  // namespace

std::string versionLabelText(const int (&v)[4]) {
    std::string text = "V." + std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
                       std::to_string(v[3]);
    if (text.size() > 19) text.resize(19);
    return text;
}

INT_PTR showAboutForm(HWND parent, int showModal, LPARAM userData) {
    return showForm(aboutDescription(), parent, showModal, userData);
}

HWND aboutForm() { return g_aboutForm; }

}  // namespace trelk::ui
