// Waiting in the window tests: never for a fixed time, always until something holds.
#pragma once

#include <windows.h>

#include <functional>

namespace trelk::testing {

// How long a wait may go on before the test counts as hung. It is no measure of speed: a test
// that works stops waiting as soon as its condition holds, however slow the machine.
constexpr DWORD kHangBound = 60000;  // milliseconds

// Dispatches the thread's messages until `done` holds; false when it still does not after
// kHangBound, which the caller reports as a failure. Each round hands out every message that is
// waiting (so what was posted before the call is handled before `done` is first asked), then
// asks `done`; between rounds it sleeps until a message arrives, or for a moment when none does,
// for conditions that change without one (another process's window, a file being written).
// WM_QUIT is dropped: the main window posts it when it closes, and the tests go on.
[[nodiscard]] bool pumpUntil(const std::function<bool()>& done);

// For pumpUntil: holds at once, so one round handles just the messages already waiting.
inline bool waitingMessagesHandled() { return true; }

}  // namespace trelk::testing
