// The About box: product name, version, credit, the publisher's two links and "Close".
#pragma once

#include <windows.h>

#include <string>

namespace trelk::ui {

constexpr int ABOUT_FRAME = 1000;
constexpr int ABOUT_ICON = 1001;
constexpr int ABOUT_MAILLINK = 1002;
constexpr int ABOUT_CLOSE = 1003;
constexpr int ABOUT_CREDIT = 1004;
constexpr int ABOUT_TITLE = 1005;
constexpr int ABOUT_WEBLINK = 1006;
constexpr int ABOUT_VERSION = 1007;

// The publisher's addresses, as the links show them.
constexpr const char* kWebSiteAddress = "www.halvorn.example";
constexpr const char* kSupportAddress = "support@halvorn.example";

INT_PTR showAboutForm(HWND parent, int showModal, LPARAM userData);
HWND aboutForm();

// "V." and the four numbers of the file version, at most 19 characters.
std::string versionLabelText(const int (&fileVersion)[4]);

}  // namespace trelk::ui
