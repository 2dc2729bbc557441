// Controls of a form: the set-up every control goes through (record, font, colours, anchor,
// subclassing), the colouring answered to WM_CTLCOLOR*, and the two tag texts of a window.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "forms/form.h"

namespace trelk {

// Passed as setupControl's brush: make one from the background colour.
inline const HBRUSH kMakeBrush = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(-1));

// The framework's subclass procedure: keeps the form's lastFocus, applies selectAllOnFocus
// and releases the control's record and tag texts on WM_DESTROY. A form with control handlers
// of its own installs a procedure that handles its messages and then calls this one.
LRESULT CALLBACK controlSubclassProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

// How setupControl dresses a control. The defaults give a subclassed control with its own font,
// the form's default colours and no anchor.
struct ControlSetup {
    int subclass = 1;  // exactly 1: subclassProc becomes the control's window procedure
    WNDPROC subclassProc = controlSubclassProc;
    int setFont = 0;  // exactly 1: the control gets the font of fontText
    const char* fontText = "";
    int controlIndex = 0;  // passed to the form's handlers for the control's messages
    int useColors = 0;     // non-zero: the form colours the control with the values below
    int fgIsSystem = 0;    // non-zero: fgColor is a GetSysColor index, else a COLORREF
    int bgIsSystem = 0;    // likewise for bgColor
    COLORREF fgColor = 0;
    COLORREF bgColor = 0;
    HBRUSH brush = kMakeBrush;  // the background brush, or kMakeBrush to make one from bgColor
    const char* anchor = "";    // anchor text, cut to 29 characters
};

// Attaches a WindowRecord to `control` as `setup` says: its font, colours, anchor text and
// subclass procedure. Returns the record so the form can adjust it, or nullptr when no record
// could be allocated (the control then keeps its defaults).
WindowRecord* setupControl(HWND control, const ControlSetup& setup);

// WM_CTLCOLOR* of a form: colours from the control's record (or the focused window's).
LRESULT colorControl(HWND form, UINT message, WPARAM deviceContext, LPARAM control);

// EnumChildWindows callback run on a system colour or theme change: controls painted on a
// system colour get that colour's current brush. Always continues.
BOOL CALLBACK refreshSystemColors(HWND window, LPARAM);

// One row of a form's control table, in creation (and tab) order.
constexpr int kBrushFromBackground = -1;
struct ControlRow {
    const char* name;  // for the reader: MAIN_BOMFILE, ABOUT_CLOSE, ...
    int id;
    const char* className;  // a window class, or kLinkControlClass for a FIRELINK label
    const char* text;
    int x, y, width, height;
    DWORD style;
    DWORD exStyle;
    const char* fontText;  // nullptr or "": the control keeps its own font
    int useColors, fgIsSystem, bgIsSystem;
    COLORREF fgColor, bgColor;
    int brush;           // kBrushFromBackground, or a system colour index whose brush is used
    const char* anchor;  // "" for none
};

// The creation sequence of one row: the window, setupControl (subclassed with subclassProc)
// and both tag texts set empty. Returns the control, or nullptr when it could not be created;
// *record (when asked for) receives its record or nullptr.
HWND createControl(HWND form, const ControlRow& row, WindowRecord** record = nullptr,
                   WNDPROC subclassProc = controlSubclassProc, int controlIndex = 0);

// The two free texts of a window, kept as heap blocks under FLY_TAGPROPERTY and
// FLY_TAGPROPERTY2 and released when the window's record is. The text ends at its first NUL.
constexpr const char* kTagProperty = "FLY_TAGPROPERTY";
constexpr const char* kTagProperty2 = "FLY_TAGPROPERTY2";
void setTagProperty(HWND window, std::string_view text);
void setTagProperty2(HWND window, std::string_view text);
std::string getTagProperty(HWND window);  // "" when none is stored
std::string getTagProperty2(HWND window);
// Frees both blocks and removes the properties; part of a window's WM_DESTROY handling.
void releaseTagProperties(HWND window);

}  // namespace trelk
