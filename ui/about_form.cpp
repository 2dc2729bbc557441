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
// The fonts handed to the links are copied by them; these are released with the box.
HFONT g_linkFonts[4] = {};
HICON g_picture = nullptr;

constexpr const char* kFont = "MS Sans Serif,-13,0,0,0,400,0,0,0,0,1,2,1,34";
constexpr const char* kBold = "Tahoma,-20,0,0,0,700,0,0,0,0,3,2,1,34";
constexpr COLORREF kText = COLOR_WINDOWTEXT, kFace = COLOR_BTNFACE;
constexpr int kMade = kBrushFromBackground, kFaceBrush = COLOR_BTNFACE;

const ControlRow kAboutControls[] = {
    // name            id              class              text              x    y    w    h   style       ex-style           font                                    colours: use, fg/bg system, fg, bg  brush       anchor
    {"ABOUT_FRAME",    ABOUT_FRAME,    "Button",          "",               8,   0,   439, 108, 0x50014107, WS_EX_TRANSPARENT, kFont,                                  1, 1, 1, kText, kFace,              kMade,      ""},
    {"ABOUT_ICON",     ABOUT_ICON,     "Static",          "",               40,  32,  32,  32,  0x56010103, 0,                 "",                                     0, 0, 0, 0, 0,                      kMade,      ""},
    {"ABOUT_MAILLINK", ABOUT_MAILLINK, kLinkControlClass, kSupportAddress,  152, 136, 258, 26,  0x56010000, 0,                 "Tahoma,-15,0,0,0,400,0,0,0,0,3,2,1,34", 0, 0, 0, 0, 0,                      kMade,      "FL,FT,FL,FT"},
    {"ABOUT_CLOSE",    ABOUT_CLOSE,    "Button",          "Close",          152, 176, 147, 24,  0x50014F00, 0,                 kFont,                                  0, 0, 0, 0, 0,                      kMade,      ""},
    {"ABOUT_CREDIT",   ABOUT_CREDIT,   "Static",          "by Halvorn",     56,  80,  346, 22,  0x56010101, 0,                 kFont,                                  1, 1, 1, kText, kFace,              kFaceBrush, ""},
    {"ABOUT_TITLE",    ABOUT_TITLE,    "Static",          "Trelk",          56,  16,  346, 28,  0x56010101, 0,                 kBold,                                  1, 1, 1, kText, kFace,              kFaceBrush, ""},
    {"ABOUT_WEBLINK",  ABOUT_WEBLINK,  kLinkControlClass, kWebSiteAddress,  152, 112, 258, 26,  0x56010000, 0,                 "Tahoma,-17,0,0,0,400,0,0,0,0,3,2,1,34", 0, 0, 0, 0, 0,                      kMade,      "FL,FT,FL,FT"},
    {"ABOUT_VERSION",  ABOUT_VERSION,  "Static",          "V1.0.0.x",       56,  48,  346, 28,  0x56010101, 0,                 kBold,                                  1, 1, 1, kText, kFace,              kFaceBrush, ""},
};

HFONT linkFont(int height, bool underlined) {
    return CreateFontA(height, 0, 0, 0, 400, FALSE, underlined, FALSE, 0, 3, 2, 1, 34, "Tahoma");
}

// Blue, turning red and underlined under the pointer, on the button face, without a glyph.
void setUpLink(HWND link, int fontHeight, HFONT& normal, HFONT& hover) {
    normal = linkFont(fontHeight, false);
    hover = linkFont(fontHeight, true);
    SendMessageA(link, 0xC02, COLOR_BTNFACE, 1);
    SendMessageA(link, 0xC05, 0, 1);
    SendMessageA(link, 0xC06, 4, 1);
    SendMessageA(link, 0xC03, reinterpret_cast<WPARAM>(normal), 1);
    SendMessageA(link, 0xC00, 0x00FF0000, 1);
    SendMessageA(link, 0xC01, 0x000000C4, 1);
    SendMessageA(link, 0xC04, reinterpret_cast<WPARAM>(hover), 1);
}

void buildAboutControls(HWND form) {
    for (const ControlRow& row : kAboutControls) {
        const HWND control = createControl(form, row);
        if (!control) continue;
        if (row.id == ABOUT_MAILLINK) setUpLink(control, -15, g_linkFonts[0], g_linkFonts[1]);
        if (row.id == ABOUT_WEBLINK) setUpLink(control, -17, g_linkFonts[2], g_linkFonts[3]);
        if (row.id == ABOUT_ICON) {
            RECT client;
            GetClientRect(control, &client);
            g_picture = static_cast<HICON>(
                LoadImageA(moduleInstance(), "IMAGE_TRELK", IMAGE_ICON, client.right, client.bottom, 0));
            if (g_picture) SendMessageA(control, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(g_picture));
        }
    }
    SetFocus(GetDlgItem(form, ABOUT_FRAME));
}

LRESULT setVersionLabel(HWND form, LPARAM) {
    setControlText(GetDlgItem(form, ABOUT_VERSION), versionLabelText(appInfo().fileVersion).c_str());
    return 0;
}

void open(const std::string& address) {
    ShellExecuteA(mainForm(), "Open", address.c_str(), "", "", SW_SHOWNORMAL);
}

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

LRESULT onDestroy(HWND) {
    for (HFONT& font : g_linkFonts) {
        if (font) DeleteObject(font);
        font = nullptr;
    }
    if (g_picture) DestroyIcon(g_picture);
    g_picture = nullptr;
    return 0;
}

const FormDescription& aboutDescription() {
    static const FormDescription form = [] {
        FormDescription f;
        f.className = "FORM_TRELK_ABOUT_CLASS";
        f.caption = "About Trelk";
        f.style = 0x96CF0000;
        f.exStyle = 0x00010100;
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
