// What the window tests share: a main window opened afresh, steps run inside modal loops, and a
// shell that records what it is asked to open instead of starting viewers.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "support/message_pump.h"

namespace trelk::ui::testing {

using trelk::testing::kHangBound;
using trelk::testing::pumpUntil;
using trelk::testing::waitingMessagesHandled;

// The application folder and settings file that the program uses.
std::string appFolder();
std::string settingsFile();

// The lines of the main window's log box.
std::vector<std::string> logLines();

// Paths as this process sees them (the Unix paths of the build are on Z:).
std::string nativePath(std::string path);

// Documents the shell opened (.txt, .chm and .html files, folders) since the last call, in order,
// once the first one is there; openedDocumentsSoFar() does not wait for one.
std::vector<std::string> openedDocuments();
std::vector<std::string> openedDocumentsSoFar();
// The shell has opened a document that has not been taken yet (for a step's `ready`).
bool documentOpened();

// One step run inside a modal loop: an action, taken once `ready` holds.
struct ModalStep {
    template <typename Action, typename = std::enable_if_t<std::is_invocable_r_v<void, Action>>>
    ModalStep(Action act) : action(std::move(act)) {}  // a plain action converts: ready at once
    ModalStep(std::function<bool()> when, std::function<void()> act) : ready(std::move(when)), action(std::move(act)) {}
    std::function<bool()> ready = waitingMessagesHandled;
    std::function<void()> action;
};

// Runs `steps` one after the other while `modalCall` runs a modal loop of its own, and returns
// what it returns; the steps must end that loop. A step runs when the loop is idle (it comes
// from a timer, which a loop hands out only when no other message is waiting), so whatever the
// step before posted or typed has been handled, and once its `ready` holds; a step that is
// never ready fails the test after kHangBound and runs all the same.
INT_PTR whileModal(std::vector<ModalStep> steps, const std::function<INT_PTR()>& modalCall);

class MainWindowTest : public ::testing::Test {
protected:
    // Without a settings file unless the test writes one before calling openMainWindow().
    void SetUp() override;
    void TearDown() override;
    HWND openMainWindow();
    // By its close box, as a user closes it; the settings are saved.
    void closeMainWindow();
    HWND control(int id) const { return GetDlgItem(main_, id); }
    void click(int id);

    HWND main_ = nullptr;
};

}  // namespace trelk::ui::testing
