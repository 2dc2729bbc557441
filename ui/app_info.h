// What start-up records of the program for the windows: its module and its version.
#pragma once

#include <windows.h>

namespace trelk::ui {

struct AppInfo {
    HINSTANCE instanceHandle = nullptr;
    int fileVersion[4] = {1, 0, 0, 0};  // major, minor, revision, build: the version resource's
};

AppInfo& appInfo();

}  // namespace trelk::ui
