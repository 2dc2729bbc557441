// Reading the windows of another process and pointing the shell elsewhere: what the window tests
// and the package probe need to drive a started Trelk.exe (Windows only).
#pragma once

#include <windows.h>

#include <string>

namespace trelk::testing {

// The visible window of that class in the process, waited for (see pumpUntil); null when it never
// shows.
HWND waitForWindow(const char* className, DWORD processId);

// A window's text, also in another process: GetWindowText would not ask the control there.
std::string windowText(HWND window);

// Sets the default value of a key below Software\Classes for the user and for the machine: the
// user's classes win on Windows, Wine reads the machine's.
void setClassesValue(const std::string& key, const std::string& value);

}  // namespace trelk::testing
