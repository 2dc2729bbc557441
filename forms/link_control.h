// The hyperlink label: a line of text that turns to its hover colour and font and shows a
// pointing hand while the mouse is over it, and reports a left-button press to its parent as
// WM_COMMAND (its identifier, code 0). Created by FIRELINK, which the program exports.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

namespace trelk {

constexpr const char* kLinkControlClass = "FIRELINK_CONTROL";

// Private messages of a link control; each repaints it.
constexpr UINT kLinkSetNormalColor = 0xC00;  // wParam: COLORREF
constexpr UINT kLinkSetHoverColor = 0xC01;   // wParam: COLORREF
constexpr UINT kLinkSetBackColor = 0xC02;    // wParam: colour; lParam non-zero: a system colour index
constexpr UINT kLinkSetNormalFont = 0xC03;   // wParam: font, copied (the sender keeps its own)
constexpr UINT kLinkSetHoverFont = 0xC04;    // wParam: font, copied
constexpr UINT kLinkSetGlyph = 0xC05;        // wParam: Wingdings character drawn before the text, 0 none
constexpr UINT kLinkSetGlyphGap = 0xC06;     // wParam: pixels between the glyph and the text

// A link control's state, in its window extra slot.
struct LinkState {
    COLORREF normalColor;
    COLORREF hoverColor;
    COLORREF backColor;  // a COLORREF, or a system colour index when backIsSystem is set
    int backIsSystem;
    HFONT normalFont;
    HFONT hoverFont;
    HCURSOR handCursor;
    HCURSOR arrowCursor;
    int hover;        // 1 while the pointer is over the control
    int timerActive;  // the leave-detection timer runs
    int controlId;    // also the timer's identifier
    int glyph;
    HFONT glyphFont;
    int glyphGap;
};

// nullptr for a window that is not a link control.
const LinkState* linkState(HWND link);

// The built-in pointing-hand image: an icon resource image, 32 x 32 pixels with 256 colours.
// The index fingertip sits at the centre pixel, where an icon used as a pointer has its hot spot.
constexpr size_t kHandImageSize = 2216;
std::array<BYTE, kHandImageSize> handImage();

}  // namespace trelk

// Creates a link control; the new window, or nullptr. Exported from the executable under this
// exact name (see trelk_export_firelink in forms/CMakeLists.txt).
extern "C" __declspec(dllexport) HWND WINAPI
    FIRELINK(HWND parent, int id, const char* text, int x, int y, int width, int height, DWORD style, DWORD exStyle);
