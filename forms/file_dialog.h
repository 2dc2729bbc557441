// The open-file dialog with a "|"-separated filter, optionally centred on the desktop.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace trelk {

// "BOM files|*.bom.*|All Files (*.*)|*.*" as the dialog wants it: every "|" becomes a NUL and
// one more NUL ends the list (the string's own terminator is the last of the two).
std::string dialogFilter(std::string_view filter);

// Shows the dialog; returns non-zero when a file was chosen. fileName is the starting name
// and receives the chosen path (it keeps its value on cancel). An empty initial folder means
// the current directory. With centre non-zero the dialog opens centred on the desktop and,
// when flags is 0, as a resizable explorer-style dialog.
BOOL openFileDialog(HWND owner, const char* title, std::string& fileName, const char* initialFolder, const char* filter,
                    const char* defaultExtension, DWORD flags, int centre);

// Explorer-style dialog hook: centres the dialog on the desktop once it is initialised.
UINT_PTR CALLBACK centerOnDesktopHook(HWND hookWindow, UINT message, WPARAM wParam, LPARAM lParam);

// Origin that centres a window rectangle in a desktop rectangle, halves to the even neighbour.
POINT centredOrigin(const RECT& desktop, const RECT& window);

}  // namespace trelk
