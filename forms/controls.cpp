#include "forms/controls.h"

#include <cstring>

#include "forms/fonts.h"
#include "forms/heap_blocks.h"
#include "forms/link_control.h"
#include "forms/window_helpers.h"

namespace trelk {

namespace {

constexpr UINT kDateTimeSetCalendarFont = 0x1009;  // DTM_SETMCFONT

void setTag(HWND window, const char* property, std::string_view text) {
    if (!IsWindow(window)) return;
    freeBlock(GetPropA(window, property));
    const size_t length = text.find('\0') == std::string_view::npos ? text.size() : text.find('\0');
    char* block = static_cast<char*>(allocateZeroed(length + 1));
    if (block) std::memcpy(block, text.data(), length);
    if (block)
        SetPropA(window, property, block);
    else
        RemovePropA(window, property);
}

std::string getTag(HWND window, const char* property) {
    const char* block = static_cast<const char*>(GetPropA(window, property));
    return block ? std::string(block) : std::string();
}

void giveFont(HWND control, WindowRecord& record, const char* fontText) {
    const std::string className = upperCaseClassName(control);
    const std::string_view text = fontText ? fontText : "";
    HFONT font;
    if (className == "SYSIPADDRESS32") {
        // The IP address control keeps a font of its own rather than one from the cache.
        const FontFields fields = parseFontText(text);
        font = makeFont(fields.faceName.c_str(), fields.height, fields.weight, fields.italic, fields.underline,
                        fields.strikeOut);
    } else {
        font = fontFromText(text);
    }
    record.font = font;
    if (!font) return;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (className == "SYSDATETIMEPICK32") {
        SendMessageA(control, kDateTimeSetCalendarFont, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

// The form whose lastFocus a control updates: its parent, or the parent's parent when the
// control sits in a child panel.
HWND formOfControl(HWND control) {
    HWND parent = GetParent(control);
    if (parent && (GetWindowLongPtrA(parent, GWL_STYLE) & WS_CHILD)) parent = GetParent(parent);
    return parent;
}

}  // namespace

WindowRecord* setupControl(HWND control, const ControlSetup& setup) {
    // A record on a window that does not exist could never be released.
    if (!IsWindow(control)) return nullptr;
    auto* record = static_cast<WindowRecord*>(allocateZeroed(sizeof(WindowRecord)));
    if (!record) return nullptr;
    SetPropA(control, kRecordProperty, record);

    if (setup.subclass == 1 && setup.subclassProc) {
        record->previousProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(setup.subclassProc)));
    }
    if (setup.setFont == 1) giveFont(control, *record, setup.fontText);

    record->controlIndex = setup.controlIndex;
    record->isForm = 0;
    record->window = control;
    if (setup.anchor) {
        std::strncpy(record->anchor, setup.anchor, sizeof record->anchor - 1);
        record->anchor[sizeof record->anchor - 1] = '\0';
    }

    record->useColors = setup.useColors;
    if (setup.useColors) {
        record->fgIsSystem = setup.fgIsSystem;
        record->bgIsSystem = setup.bgIsSystem;
        record->fgColor = setup.fgColor;
        record->bgColor = setup.bgColor;
        if (setup.brush != kMakeBrush)
            record->brush = setup.brush;
        else if (setup.bgIsSystem)
            record->brush = GetSysColorBrush(static_cast<int>(setup.bgColor));
        else
            record->brush = CreateSolidBrush(setup.bgColor);
    }
    return record;
}

LRESULT CALLBACK controlSubclassProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = windowRecord(control);
    if (message == WM_DESTROY) {
        if (!record) return 0;
        if (record->brush) DeleteObject(record->brush);
        const WNDPROC previous = record->previousProc;
        freeBlock(record);
        RemovePropA(control, kRecordProperty);
        releaseTagProperties(control);
        if (!previous) return DefWindowProcA(control, message, wParam, lParam);
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        CallWindowProcA(previous, control, message, wParam, lParam);
        return 0;
    }
    if (message == WM_SETFOCUS && record) {
        if (record->selectAllOnFocus)
            SendMessageA(control, EM_SETSEL, 0, -1);
        else
            SendMessageA(control, EM_SETSEL, static_cast<WPARAM>(-1), 0);
        HWND form = formOfControl(control);
        if (WindowRecord* formRecord = form ? windowRecord(form) : nullptr) formRecord->lastFocus = control;
    }
    if (!record || !record->previousProc) return DefWindowProcA(control, message, wParam, lParam);
    const LRESULT result = CallWindowProcA(record->previousProc, control, message, wParam, lParam);
    // The dialog manager selects the whole text of a control that Tab enters when the control
    // asks for it; one that clears its selection on focus must not ask, or Tab would undo that.
    if (message == WM_GETDLGCODE && !record->selectAllOnFocus) return result & ~static_cast<LRESULT>(DLGC_HASSETSEL);
    return result;
}

LRESULT colorControl(HWND form, UINT message, WPARAM deviceContext, LPARAM control) {
    HWND controlWindow = reinterpret_cast<HWND>(control);
    const WindowRecord* record = windowRecord(controlWindow);
    if (!record) {
        HWND focus = GetFocus();
        record = focus ? windowRecord(focus) : nullptr;
    }
    if (!record || !record->useColors) return DefWindowProcA(form, message, deviceContext, control);

    HDC dc = reinterpret_cast<HDC>(deviceContext);
    SetTextColor(dc, record->fgIsSystem ? GetSysColor(static_cast<int>(record->fgColor)) : record->fgColor);
    SetBkColor(dc, record->bgIsSystem ? GetSysColor(static_cast<int>(record->bgColor)) : record->bgColor);
    HBRUSH result = record->brush;
    if (upperCaseClassName(record->window) == "EDIT") {
        SetBkMode(dc, OPAQUE);
        if (!IsWindowEnabled(controlWindow)) {
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            result = GetSysColorBrush(COLOR_BTNFACE);
        }
    } else {
        SetBkMode(dc, TRANSPARENT);
    }
    return reinterpret_cast<LRESULT>(result);
}

BOOL CALLBACK refreshSystemColors(HWND window, LPARAM) {
    WindowRecord* record = windowRecord(window);
    if (record && record->useColors && record->bgIsSystem) {
        if (record->brush) DeleteObject(record->brush);
        record->brush = GetSysColorBrush(static_cast<int>(record->bgColor));
    }
    return TRUE;
}

HWND createControl(HWND form, const ControlRow& row, WindowRecord** record, WNDPROC subclassProc, int controlIndex) {
    if (record) *record = nullptr;
    HWND control;
    if (std::strcmp(row.className, kLinkControlClass) == 0) {
        control = FIRELINK(form, row.id, row.text, row.x, row.y, row.width, row.height, row.style, row.exStyle);
    } else {
        control =
            CreateWindowExA(row.exStyle, row.className, row.text, row.style, row.x, row.y, row.width, row.height, form,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), moduleInstance(), nullptr);
    }
    if (!control) return nullptr;
    ControlSetup setup;
    setup.subclassProc = subclassProc;
    setup.setFont = row.fontText && *row.fontText ? 1 : 0;
    setup.fontText = row.fontText;
    setup.controlIndex = controlIndex;
    setup.useColors = row.useColors;
    setup.fgIsSystem = row.fgIsSystem;
    setup.bgIsSystem = row.bgIsSystem;
    setup.fgColor = row.fgColor;
    setup.bgColor = row.bgColor;
    setup.brush = row.brush == kBrushFromBackground ? kMakeBrush : GetSysColorBrush(row.brush);
    setup.anchor = row.anchor;
    WindowRecord* created = setupControl(control, setup);
    setTagProperty(control, "");
    setTagProperty2(control, "");
    if (record) *record = created;
    return control;
}

void setTagProperty(HWND window, std::string_view text) { setTag(window, kTagProperty, text); }
void setTagProperty2(HWND window, std::string_view text) { setTag(window, kTagProperty2, text); }
std::string getTagProperty(HWND window) { return getTag(window, kTagProperty); }
std::string getTagProperty2(HWND window) { return getTag(window, kTagProperty2); }

void releaseTagProperties(HWND window) {
    for (const char* property : {kTagProperty, kTagProperty2}) {
        void* block = GetPropA(window, property);
        if (!block) continue;
        freeBlock(block);
        RemovePropA(window, property);
    }
}

}  // namespace trelk
