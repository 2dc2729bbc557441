#include "forms/file_dialog.h"

#include <commdlg.h>

#include <cstring>
#include <vector>

namespace trelk {

namespace {

constexpr size_t kFileBufferSize = 16383;

// Copies text into a fixed, NUL-terminated buffer, cutting what does not fit.
template <size_t N>
void copyCut(char (&buffer)[N], const char* text) {
    std::strncpy(buffer, text ? text : "", N - 1);
    buffer[N - 1] = '\0';
}

// Half of a sum, rounded to the nearest integer with halves going to the even neighbour.
long halfToEven(long sum) {
    long half = sum / 2;  // truncates toward zero
    const long rest = sum - 2 * half;
    if (rest != 0) {
        // Exactly .5 away from both neighbours: take the even one.
        const long other = half + (rest > 0 ? 1 : -1);
        if (other % 2 == 0) half = other;
    }
    return half;
}

// The structure size the running system understands; 0 when the version cannot be read,
// which makes the dialog refuse to open.
DWORD dialogStructureSize() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion > 4) return sizeof(OPENFILENAMEA);
    return OPENFILENAME_SIZE_VERSION_400A;
}

}  // namespace

std::string dialogFilter(std::string_view filter) {
    std::string converted(filter);
    for (char& c : converted) {
        if (c == '|') c = '\0';
    }
    converted.push_back('\0');
    return converted;
}

POINT centredOrigin(const RECT& desktop, const RECT& window) {
    return POINT{halfToEven(desktop.left + desktop.right - window.right + window.left),
                 halfToEven(desktop.top + desktop.bottom - window.bottom + window.top)};
}

UINT_PTR CALLBACK centerOnDesktopHook(HWND hookWindow, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY) return 0;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->code != CDN_INITDONE) return 0;
    HWND dialog = GetParent(hookWindow);
    RECT desktop, window;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dialog, &window);
    const POINT origin = centredOrigin(desktop, window);
    SetWindowPos(dialog, HWND_TOPMOST, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    return 1;
}

BOOL openFileDialog(HWND owner, const char* title, std::string& fileName, const char* initialFolder, const char* filter,
                    const char* defaultExtension, DWORD flags, int centre) {
    const std::string filterList = dialogFilter(filter ? filter : "");

    char folder[260] = {};
    if (initialFolder && *initialFolder)
        copyCut(folder, initialFolder);
    else
        GetCurrentDirectoryA(sizeof folder, folder);

    std::vector<char> file(kFileBufferSize, '\0');
    std::strncpy(file.data(), fileName.c_str(), kFileBufferSize - 1);

    char extension[10] = {};
    copyCut(extension, defaultExtension);
    char titleBuffer[260] = {};
    copyCut(titleBuffer, title);
    char fileTitle[260] = {};

    OPENFILENAMEA dialog{};
    dialog.lStructSize = dialogStructureSize();
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filterList.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = sizeof fileTitle;
    dialog.lpstrInitialDir = folder;
    dialog.lpstrTitle = titleBuffer[0] ? titleBuffer : nullptr;
    dialog.lpstrDefExt = extension;
    if (centre) {
        if (flags == 0) flags = OFN_EXPLORER | OFN_ENABLESIZING;
        flags |= OFN_ENABLEHOOK;
        dialog.lpfnHook = centerOnDesktopHook;
    }
    dialog.Flags = flags;
    dialog.FlagsEx = 0;

    const BOOL chosen = GetOpenFileNameA(&dialog);
    fileName.assign(file.data());
    return chosen;
}

}  // namespace trelk
