#include "forms/window_helpers.h"

#include "text/text_rules.h"

namespace trelk {

std::string getControlText(HWND window) {
    if (!IsWindow(window)) return std::string();
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(window, text.data(), length + 1);
    text.resize(text.find('\0'));
    return text;
}

void setControlText(HWND window, const char* text) {
    if (IsWindow(window)) SetWindowTextA(window, text);
}

void setEditSelection(HWND window, int start, int end) {
    if (IsWindow(window)) SendMessageA(window, EM_SETSEL, static_cast<WPARAM>(start), end);
}

int getCheckState(HWND window) {
    if (!IsWindow(window)) return 0;
    return SendMessageA(window, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void setCheckState(HWND window, int state) {
    if (IsWindow(window)) SendMessageA(window, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
}

POINT getWindowPosition(HWND window) {
    POINT corner{0, 0};
    RECT rect;
    if (!IsWindow(window) || !GetWindowRect(window, &rect)) return corner;
    corner = POINT{rect.left, rect.top};
    if (HWND parent = GetParent(window)) ScreenToClient(parent, &corner);
    return corner;
}

SIZE getWindowSize(HWND window) {
    RECT rect;
    if (!IsWindow(window) || !GetWindowRect(window, &rect)) return SIZE{0, 0};
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void setWindowPosition(HWND window, int x, int y) {
    if (IsWindow(window)) SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void setWindowSize(HWND window, int width, int height) {
    if (IsWindow(window)) SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void setClientSize(HWND window, int width, int height) {
    if (!IsWindow(window) || width == 0 || height == 0) return;
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
    RECT rect{0, 0, width, height};
    AdjustWindowRectEx(&rect, style, GetMenu(window) != nullptr, exStyle);
    if (style & WS_HSCROLL) rect.bottom += GetSystemMetrics(SM_CYHSCROLL);
    if (style & WS_VSCROLL) rect.right += GetSystemMetrics(SM_CXVSCROLL);
    SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int readTextFileLines(const char* fileName, std::vector<std::string>& lines) {
    lines.clear();
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    std::string bytes;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 && size.QuadPart < 0x7FFFFFFF;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = bytes.empty() ||
             (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size());
    }
    CloseHandle(file);
    if (!ok) return 0;
    for (std::string_view line : splitLines(bytes)) lines.emplace_back(line);
    return static_cast<int>(lines.size());
}

std::string upperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

std::string upperCaseClassName(HWND window) {
    char name[256] = {};
    if (!window || !GetClassNameA(window, name, sizeof name)) return std::string();
    return upperCase(name);
}

}  // namespace trelk
