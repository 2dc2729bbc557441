// A small form of the tests' own, built the way the program's forms are: a description, a
// control table and the framework's window procedure.
#pragma once

#include <windows.h>

#include "forms/controls.h"
#include "forms/form.h"
#include "support/message_pump.h"

namespace trelk::test {

using trelk::testing::kHangBound;
using trelk::testing::pumpUntil;
using trelk::testing::waitingMessagesHandled;

enum TestControl : int {
    kSingleEdit = 1000,
    kMultiEdit = 1001,
    kButton = 1002,
    kLabel = 1003,
    kLink = 1004,
};

extern HWND testFormWindow;  // the description's handle variable

// Visible, resizable, modeless unless shown modally; client area 400 x 300; the controls of
// testControlRows() in a row each. Handlers are left empty for the tests to fill in.
FormDescription testFormDescription();
const ControlRow* testControlRows(size_t& count);

// showForm(testFormDescription(), nullptr, 0, 0) with the given handlers' description.
HWND createTestForm(const FormDescription& form);
HWND createTestForm();

HWND control(HWND form, int id);

}  // namespace trelk::test
