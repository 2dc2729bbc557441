// The About box: modal over the main window, closed by "Close" or its close box, never by Escape.
#include <functional>

#include "forms/window_helpers.h"
#include "ui/about_form.h"
#include "ui/main_form.h"
#include "trelk_version.h"
#include "ui_fixture.h"

namespace trelk::ui::testing {
namespace {

void openAboutWhile(HWND main, std::vector<ModalStep> steps) {
    whileModal(std::move(steps), [main] {
        // Any notification code opens it: the menu identifier alone counts.
        return SendMessageA(main, WM_COMMAND, MAKEWPARAM(MAIN_TOPMENU_ABOUT, 1), 0);
    });
}

bool aboutBoxOpen() { return IsWindow(aboutForm()) != 0; }

int countWindowsOfClass(const char* className) {
    int count = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, className, nullptr); w;
         w = FindWindowExA(nullptr, w, className, nullptr))
        ++count;
    return count;
}

TEST_F(MainWindowTest, AboutBoxIsModalShowsTheVersionAndIgnoresEscape) {
    openMainWindow();
    SetFocus(control(MAIN_DOIT));
    bool mainWasDisabled = false, openAfterEscape = false;
    std::string version, caption, credit;
    openAboutWhile(main_, {
                              {aboutBoxOpen,
                               [&] {
                                   const HWND about = aboutForm();
                                   mainWasDisabled = !IsWindowEnabled(main_);
                                   version = getControlText(GetDlgItem(about, ABOUT_VERSION));
                                   caption = getControlText(about);
                                   credit = getControlText(GetDlgItem(about, ABOUT_CREDIT));
                                   PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
                                   PostMessageA(GetFocus(), WM_KEYUP, VK_ESCAPE, 0xC0010001);
                               }},
                              [&] {
                                  openAfterEscape = IsWindow(aboutForm()) != 0;
                                  const HWND close = GetDlgItem(aboutForm(), ABOUT_CLOSE);
                                  SendMessageA(aboutForm(), WM_COMMAND, MAKEWPARAM(ABOUT_CLOSE, BN_CLICKED),
                                               reinterpret_cast<LPARAM>(close));
                              },
                          });
    EXPECT_TRUE(mainWasDisabled);
    EXPECT_TRUE(openAfterEscape);
    EXPECT_EQ(version, "V." TRELK_VERSION_STRING);
    EXPECT_EQ(caption, "About Trelk");
    EXPECT_EQ(credit, "by Halvorn");
    EXPECT_EQ(aboutForm(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main_));
    EXPECT_TRUE(pumpUntil([this] { return GetFocus() == control(MAIN_DOIT); }));  // back where it was
}

TEST_F(MainWindowTest, AboutBoxClosesByItsCloseBoxAndLeavesNothingBehind) {
    openMainWindow();
    for (int time = 0; time < 3; ++time) {
        openAboutWhile(main_, {{aboutBoxOpen, [] { SendMessageA(aboutForm(), WM_SYSCOMMAND, SC_CLOSE, 0); }}});
        EXPECT_EQ(aboutForm(), nullptr);
        EXPECT_TRUE(IsWindowEnabled(main_));
    }
    EXPECT_EQ(countWindowsOfClass("FORM_TRELK_ABOUT_CLASS"), 0);
}

TEST(AboutBox, VersionLabelKeepsNineteenCharacters) {
    EXPECT_EQ(versionLabelText({1, 0, 0, 0}), "V.1.0.0.0");
    EXPECT_EQ(versionLabelText({12345, 67890, 12345, 67890}), "V.12345.67890.12345");
}

}  // namespace
}  // namespace trelk::ui::testing
