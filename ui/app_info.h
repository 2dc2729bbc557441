// What start-up records of the program for the windows: its module and its version.
#pragma once

#include <windows.h>

#include "trelk_version.h"

namespace trelk::ui {

struct AppInfo {
    HINSTANCE instanceHandle = nullptr;
    // major, minor, revision, build: the version resource's
    int fileVersion[4] = {TRELK_VERSION_MAJOR, TRELK_VERSION_MINOR, TRELK_VERSION_PATCH, TRELK_VERSION_TWEAK};
};

AppInfo& appInfo();

}  // namespace trelk::ui
