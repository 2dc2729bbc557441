// What the window tests share: a main window opened afresh, message pumping, and a shell that
// records what it is asked to open instead of starting viewers.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace trelk::ui::testing {

// Dispatches the thread's messages for about `milliseconds` (at least one pass).
void pumpMessages(int milliseconds = 50);

// The application folder and settings file that the program uses.
std::string appFolder();
std::string settingsFile();

// The lines of the main window's log box.
std::vector<std::string> logLines();

// Paths as this process sees them (the Unix paths of the build are on Z:).
std::string nativePath(std::string path);

// Documents the shell opened for .txt and .chm files since the last call, in order; waits up to
// `milliseconds` for the first one.
std::vector<std::string> openedDocuments(int milliseconds = 2000);

// Runs `steps` one after the other from a timer (every `milliseconds`) while `modalCall` runs
// a modal loop of its own, and returns what it returns. The steps must end that loop.
INT_PTR whileModal(std::vector<std::function<void()>> steps, const std::function<INT_PTR()>& modalCall,
                   int milliseconds = 150);

class MainWindowTest : public ::testing::Test {
protected:
    // Without a settings file unless the test writes one before calling openMainWindow().
    void SetUp() override;
    void TearDown() override;
    HWND openMainWindow();
    HWND control(int id) const { return GetDlgItem(main_, id); }
    void click(int id);

    HWND main_ = nullptr;
};

}  // namespace trelk::ui::testing
