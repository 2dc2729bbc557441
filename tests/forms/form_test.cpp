// Forms for real: creation, the modal loop and its keyboard rules, focus memory, closing and
// the release of every record and tag block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/controls.h"
#include "forms/form.h"
#include "forms/heap_blocks.h"
#include "forms/window_helpers.h"
#include "test_form.h"

namespace trelk::test {
namespace {

constexpr UINT kStep = WM_APP;

// What the modal handlers below saw; reset by each test.
struct Observed {
    int formCancelCommands = 0;
    int editCancelCommands = 0;
    int focusAfterTab = 0;  // control identifiers
    int focusAfterShiftTab = 0;
    std::string multiText;
    BOOL ownerEnabledWhileOpen = TRUE;
    int helperMessages = 0;
} observed;

HWND ownerUnderTest = nullptr;
HWND helperWindow = nullptr;

LRESULT countFormCancel(HWND, WPARAM, LPARAM, int) {
    ++observed.formCancelCommands;
    return 0;
}
const CommandHandler kCancelHandlers[] = {{IDCANCEL, kAnyNotification, countFormCancel}};

LRESULT postFirstStep(HWND form, LPARAM) {
    PostMessageA(form, kStep, 0, 0);
    return 0;
}

LRESULT CALLBACK editRecordingCancel(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && wParam == IDCANCEL) ++observed.editCancelCommands;
    return controlSubclassProc(edit, message, wParam, lParam);
}

TEST(ModalForm, ReturnsTheCloseFormValueAndResetsModalResult) {
    struct Case {
        const char* name;
        LRESULT (*onMessage)(HWND, UINT, WPARAM, LPARAM);
        INT_PTR expected;
    };
    const Case cases[] = {
        {"closeForm 42",
         [](HWND form, UINT message, WPARAM, LPARAM) -> LRESULT {
             if (message == kStep) closeForm(form, 42);
             return 0;
         },
         42},
        {"closeForm -7",
         [](HWND form, UINT message, WPARAM, LPARAM) -> LRESULT {
             if (message == kStep) closeForm(form, -7);
             return 0;
         },
         -7},
        {"close box",
         [](HWND form, UINT message, WPARAM, LPARAM) -> LRESULT {
             if (message == kStep) PostMessageA(form, WM_SYSCOMMAND, SC_CLOSE, 0);
             return 0;
         },
         0},
    };
    for (const Case& c : cases) {
        FormDescription form = testFormDescription();
        form.onCreate = postFirstStep;
        form.onMessage = c.onMessage;
        EXPECT_EQ(showForm(form, nullptr, 1, 0), c.expected) << c.name;
        EXPECT_EQ(modalResult(), 0) << c.name;
        EXPECT_EQ(testFormWindow, nullptr) << c.name;
    }
}

TEST(ModalForm, DisablesItsOwnerUntilItCloses) {
    HWND owner = createTestForm();
    ASSERT_TRUE(IsWindow(owner));
    // A child control given as parent is walked up to the form that owns it.
    for (HWND parent : {owner, control(owner, kMultiEdit)}) {
        ownerUnderTest = owner;
        FormDescription form = testFormDescription();
        form.handleVariable = nullptr;
        form.onCreate = postFirstStep;
        form.onMessage = [](HWND self, UINT message, WPARAM, LPARAM) -> LRESULT {
            if (message == kStep) {
                observed.ownerEnabledWhileOpen = IsWindowEnabled(ownerUnderTest);
                closeForm(self, 5);
            }
            return 0;
        };
        observed = Observed{};
        EXPECT_EQ(showForm(form, parent, 1, 0), 5);
        EXPECT_FALSE(observed.ownerEnabledWhileOpen);
        EXPECT_TRUE(IsWindowEnabled(owner));
    }
    DestroyWindow(owner);
}

// Closing the form ends its loop without taking a message meant for another window.
TEST(ModalForm, LeavesMessagesForOtherWindowsInTheQueue) {
    FormDescription helperForm = testFormDescription();
    helperForm.className = "FORM_TRELK_TEST_HELPER_CLASS";
    helperForm.handleVariable = nullptr;
    helperForm.onMessage = [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kStep + 1) ++observed.helperMessages;
        return 0;
    };
    helperWindow = createTestForm(helperForm);
    ASSERT_TRUE(IsWindow(helperWindow));

    FormDescription form = testFormDescription();
    form.onCreate = postFirstStep;
    form.onMessage = [](HWND self, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kStep) {
            PostMessageA(helperWindow, kStep + 1, 0, 0);
            closeForm(self, 1);
            PostMessageA(helperWindow, kStep + 1, 0, 0);
        }
        return 0;
    };
    observed = Observed{};
    EXPECT_EQ(showForm(form, nullptr, 1, 0), 1);
    ASSERT_TRUE(pumpUntil(waitingMessagesHandled));
    EXPECT_EQ(observed.helperMessages, 2);
    DestroyWindow(helperWindow);
}

// A form closed from a message sent by another thread (handled inside GetMessageA) still
// ends its loop at once rather than at the next input.
struct Closer {
    HWND form = nullptr;
    DWORD formThread = 0;
    HANDLE looping = nullptr;   // set once the form's loop dispatches
    HANDLE returned = nullptr;  // set once showForm has returned
    bool rescued = false;
} closer;

DWORD WINAPI closeFromAnotherThread(void*) {
    // Sent while the loop runs, so that its GetMessageA is what handles the message.
    WaitForSingleObject(closer.looping, kHangBound);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(closer.form, kStep + 5, 0, 0, SMTO_BLOCK, kHangBound, &ignored);
    // A loop that missed the close waits for its next message; it gets one only here, and
    // only once the test counts as hung.
    if (WaitForSingleObject(closer.returned, kHangBound) != WAIT_OBJECT_0) {
        closer.rescued = true;
        PostThreadMessageA(closer.formThread, WM_NULL, 0, 0);
    }
    return 0;
}

TEST(ModalForm, EndsWhenClosedFromASentMessage) {
    closer = Closer{};
    closer.formThread = GetCurrentThreadId();
    closer.looping = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    closer.returned = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE thread = CreateThread(nullptr, 0, closeFromAnotherThread, nullptr, 0, nullptr);
    FormDescription form = testFormDescription();
    form.onCreate = [](HWND self, LPARAM) -> LRESULT {
        closer.form = self;
        PostMessageA(self, kStep, 0, 0);
        return 0;
    };
    form.onMessage = [](HWND self, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kStep) SetEvent(closer.looping);
        if (message == kStep + 5) closeForm(self, 9);
        return 0;
    };
    EXPECT_EQ(showForm(form, nullptr, 1, 0), 9);
    SetEvent(closer.returned);
    WaitForSingleObject(thread, kHangBound);
    EXPECT_FALSE(closer.rescued);
    for (const HANDLE handle : {thread, closer.looping, closer.returned}) CloseHandle(handle);
}

// Escape and Tab typed into a multi-line edit neither close the form nor enter a tab.
TEST(ModalForm, EscapeAndTabInAMultiLineEdit) {
    static const ControlRow multiRow = [] {
        size_t count = 0;
        return testControlRows(count)[1];
    }();
    FormDescription form = testFormDescription();
    form.setCommands(kCancelHandlers);
    form.buildControls = [](HWND self) {
        size_t count = 0;
        const ControlRow* rows = testControlRows(count);
        setClientSize(self, 400, 300);
        createControl(self, rows[0]);
        createControl(self, multiRow, nullptr, editRecordingCancel);
        createControl(self, rows[2]);
    };
    form.onCreate = postFirstStep;
    form.onMessage = [](HWND self, UINT message, WPARAM, LPARAM) -> LRESULT {
        HWND multi = control(self, kMultiEdit);
        switch (message) {
        case kStep:
            SetForegroundWindow(self);
            SetFocus(multi);
            PostMessageA(multi, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            PostMessageA(multi, WM_CHAR, '\t', 0x000F0001);
            PostMessageA(self, kStep + 1, 0, 0);
            break;
        case kStep + 1:
            observed.focusAfterTab = GetDlgCtrlID(GetFocus());
            observed.multiText = getControlText(multi);
            SetFocus(multi);
            keybd_event(VK_SHIFT, 0, 0, 0);
            PostMessageA(multi, WM_CHAR, '\t', 0x000F0001);
            PostMessageA(self, kStep + 2, 0, 0);
            break;
        case kStep + 2:
            observed.focusAfterShiftTab = GetDlgCtrlID(GetFocus());
            keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
            closeForm(self, 3);
            break;
        default: break;
        }
        return 0;
    };
    observed = Observed{};
    EXPECT_EQ(showForm(form, nullptr, 1, 0), 3);
    EXPECT_EQ(observed.formCancelCommands, 0);
    EXPECT_EQ(observed.editCancelCommands, 1);
    EXPECT_EQ(observed.multiText, "");
    EXPECT_EQ(observed.focusAfterTab, kButton);
    EXPECT_EQ(observed.focusAfterShiftTab, kSingleEdit);
}

TEST(Form, GivesTheFocusBackToTheLastFocusedControlOnReactivation) {
    HWND first = createTestForm();
    static FormDescription secondForm = [] {
        FormDescription form = testFormDescription();
        form.className = "FORM_TRELK_TEST_SECOND_CLASS";
        form.handleVariable = nullptr;
        return form;
    }();
    HWND second = createTestForm(secondForm);
    ASSERT_TRUE(IsWindow(first) && IsWindow(second));

    // Before any control had the focus, the form gives it to no window.
    SetActiveWindow(second);
    EXPECT_EQ(GetFocus(), nullptr);

    SetActiveWindow(first);
    SetFocus(control(first, kMultiEdit));
    SetActiveWindow(second);
    SetFocus(control(second, kButton));
    SetActiveWindow(first);
    EXPECT_EQ(GetFocus(), control(first, kMultiEdit));
    SetActiveWindow(second);
    EXPECT_EQ(GetFocus(), control(second, kButton));

    DestroyWindow(second);
    DestroyWindow(first);
}

TEST(Form, CloseHandlerCanKeepTheFormOpen) {
    for (LRESULT handlerResult : {1, 0}) {
        static LRESULT closeResult;
        closeResult = handlerResult;
        FormDescription form = testFormDescription();
        form.onClose = [](HWND, WPARAM, LPARAM) { return closeResult; };
        HWND window = createTestForm(form);
        SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(IsWindow(window) != FALSE, handlerResult != 0);
        if (IsWindow(window)) DestroyWindow(window);
    }
}

// The form's commands follow the system's own below a separator; the system's low four bits of a
// WM_SYSCOMMAND do not matter, and the system's commands keep working.
TEST(Form, AddsItsCommandsToTheSystemMenuAndRunsThem) {
    static std::vector<int> ran;
    static const SystemCommand commands[] = {
        {0x1780, "&First", [](HWND) { ran.push_back(1); }},
        {0x1790, "Second &one", [](HWND) { ran.push_back(2); }},
    };
    FormDescription form = testFormDescription();
    form.setSystemCommands(commands);
    HWND window = createTestForm(form);
    const HMENU menu = GetSystemMenu(window, FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 4);
    EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(count - 3), MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
    for (int i = 0; i < 2; ++i) {
        char text[32] = {};
        GetMenuStringA(menu, static_cast<UINT>(count - 2 + i), text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, commands[i].text);
        EXPECT_EQ(GetMenuItemID(menu, count - 2 + i), static_cast<UINT>(commands[i].id));
    }
    SendMessageA(window, WM_SYSCOMMAND, 0x1790 | 0x2, 0);
    SendMessageA(window, WM_SYSCOMMAND, 0x1780, 0);
    SendMessageA(window, WM_SYSCOMMAND, 0x17A0, 0);
    EXPECT_EQ(ran, (std::vector<int>{2, 1}));
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST(Form, AppliesItsMinimumTrackingSize) {
    FormDescription form = testFormDescription();
    form.minTrackSize = SIZE{650, 0};
    HWND window = createTestForm(form);
    // Default processing leaves what the system filled in; the form overwrites its own limits.
    MINMAXINFO limits{};
    limits.ptMinTrackSize = POINT{111, 222};
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, 650);
    EXPECT_EQ(limits.ptMinTrackSize.y, 222);
    DestroyWindow(window);
}

TEST(Form, FindOwningFormSkipsPanelsThatAreNoForms) {
    HWND form = createTestForm();
    HWND panel =
        CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, form, nullptr, moduleInstance(), nullptr);
    HWND nested = CreateWindowExA(0, "Button", "x", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, panel, nullptr,
                                  moduleInstance(), nullptr);
    EXPECT_EQ(findOwningForm(nested), form);
    EXPECT_EQ(findOwningForm(panel), form);
    EXPECT_EQ(findOwningForm(form), form);
    EXPECT_EQ(findOwningForm(nullptr), nullptr);
    DestroyWindow(form);
}

TEST(Form, ReleasesEveryRecordAndTagBlockOnDestroy) {
    const long before = liveHeapBlocks();
    for (int cycle = 0; cycle < 100; ++cycle) {
        HWND form = createTestForm();
        ASSERT_TRUE(IsWindow(form));
        ASSERT_EQ(testFormWindow, form);
        setTagProperty(form, "form tag");
        setTagProperty2(control(form, kLabel), "label tag");
        ASSERT_GT(liveHeapBlocks(), before);
        DestroyWindow(form);
        ASSERT_EQ(testFormWindow, nullptr);
    }
    EXPECT_EQ(liveHeapBlocks(), before);

    // A control destroyed on its own gives back its record and both tag blocks.
    HWND form = createTestForm();
    const long withLabel = liveHeapBlocks();
    HWND label = control(form, kLabel);
    EXPECT_EQ(getTagProperty(label), "");
    DestroyWindow(label);
    EXPECT_EQ(liveHeapBlocks(), withLabel - 3);
    DestroyWindow(form);
    EXPECT_EQ(liveHeapBlocks(), before);
}

TEST(Form, CreationFailsCleanlyWithoutARecord) {
    const long before = liveHeapBlocks();
    failAllocationAfter(0);
    EXPECT_EQ(showForm(testFormDescription(), nullptr, 1, 0), -1);
    EXPECT_EQ(testFormWindow, nullptr);
    EXPECT_EQ(liveHeapBlocks(), before);
}

}  // namespace
}  // namespace trelk::test
