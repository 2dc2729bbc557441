#include "support/other_windows.h"

#include "support/message_pump.h"

namespace trelk::testing {

HWND waitForWindow(const char* className, DWORD processId) {
    HWND found = nullptr;
    const auto shown = [&] {
        for (HWND w = FindWindowExA(nullptr, nullptr, className, nullptr); w;
             w = FindWindowExA(nullptr, w, className, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == processId && IsWindowVisible(w)) {
                found = w;
                return true;
            }
        }
        return false;
    };
    return pumpUntil(shown) ? found : nullptr;
}

std::string windowText(HWND window) {
    char text[1024] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

void setClassesValue(const std::string& key, const std::string& value) {
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        HKEY handle;
        if (RegCreateKeyExA(root, ("Software\\Classes\\" + key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                            nullptr) != ERROR_SUCCESS)
            continue;
        RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
        RegCloseKey(handle);
    }
}

}  // namespace trelk::testing
