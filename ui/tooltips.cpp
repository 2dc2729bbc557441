// Tooltips of the main window: one tooltip control for the whole process.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <cstring>
#include <string>

#include "forms/form.h"
#include "ui/main_form.h"

namespace trelk::ui {

namespace {

HWND g_tooltip = nullptr;

// Balloon tips need the common controls of version 5.80 or later.
DWORD tooltipStyle() {
    const HMODULE comctl = GetModuleHandleA("COMCTL32.DLL");
    if (!comctl) return TTS_NOPREFIX;
    const auto getVersion =
        reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
    if (!getVersion) return TTS_NOPREFIX;
    DLLVERSIONINFO version = {};
    version.cbSize = sizeof version;
    if (getVersion(&version) != S_OK) return TTS_NOPREFIX;
    const bool balloons = version.dwMajorVersion > 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion >= 80);
    return balloons ? TTS_ALWAYSTIP | TTS_BALLOON : TTS_NOPREFIX;
}

}  // namespace

LRESULT addTooltip(HWND form, int controlId, const char* text) {
    if (!g_tooltip || !IsWindow(g_tooltip)) {
        InitCommonControls();
        g_tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, "", tooltipStyle(), 0, 0, 0, 0, form, nullptr, moduleInstance(),
                                    nullptr);
        if (!g_tooltip) return 0;
        SendMessageA(g_tooltip, TTM_SETMAXTIPWIDTH, 0, 300);
        SendMessageA(g_tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 15000);
    }
    std::string textCopy = text;  // TOOLINFOA wants a writable text
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = form;
    tool.uId = reinterpret_cast<UINT_PTR>(controlId == 0 ? form : GetDlgItem(form, controlId));
    tool.lpszText = textCopy.data();
    // A control never has two tooltips: a second call replaces the first.
    TOOLINFOA existing = tool;
    existing.lpszText = nullptr;
    if (SendMessageA(g_tooltip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&existing)))
        SendMessageA(g_tooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    return SendMessageA(g_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

HWND tooltipControl() { return g_tooltip && IsWindow(g_tooltip) ? g_tooltip : nullptr; }

}  // namespace trelk::ui
