#include "forms/form.h"

#include <cstring>
#include <string>

#include "forms/anchors.h"
#include "forms/controls.h"
#include "forms/heap_blocks.h"
#include "forms/window_helpers.h"

namespace trelk {

namespace {

HWND activeFormWindow = nullptr;
INT_PTR lastModalResult = 0;
HINSTANCE instanceOverride = nullptr;
std::string richEditClass;

// What showForm hands to CreateWindowExA: WM_CREATE needs the description as well as userData.
struct FormCreation {
    const FormDescription* form;
    LPARAM userData;
};

bool hasStyle(HWND window, LONG_PTR style) {
    return (GetWindowLongPtrA(window, GWL_STYLE) & style) != 0;
}

bool hasExStyle(HWND window, LONG_PTR exStyle) {
    return (GetWindowLongPtrA(window, GWL_EXSTYLE) & exStyle) != 0;
}

void registerFormClass(const FormDescription& form) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(moduleInstance(), form.className, &existing)) return;

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = formWindowProc;
    wc.hInstance = moduleInstance();
    if (form.icon) {
        wc.hIcon = static_cast<HICON>(LoadImageA(moduleInstance(), form.icon, IMAGE_ICON, 32, 32, LR_SHARED));
        wc.hIconSm = static_cast<HICON>(LoadImageA(moduleInstance(), form.icon, IMAGE_ICON, 16, 16, LR_SHARED));
    }
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = form.className;
    // A failed registration shows up as a failed CreateWindowExA right after.
    RegisterClassExA(&wc);
}

// The focused window is a multi-line edit (or rich edit), where Escape and Tab would
// otherwise close the form or be typed into the text.
bool focusIsMultiLineEdit() {
    HWND focus = GetFocus();
    if (!focus || !hasStyle(focus, ES_MULTILINE)) return false;
    const std::string name = upperCaseClassName(focus);
    if (name == "EDIT") return true;
    const std::string richEdit = upperCase(richEditClass);
    return !richEdit.empty() && name == richEdit;
}

void runModalLoop(HWND form) {
    MSG msg;
    // A form closed by a message this loop dispatched ends the loop before the next fetch, so
    // no message meant for another window is taken from the queue and lost.
    while (IsWindow(form)) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // A quit request seen by a nested loop belongs to the outermost loop as well.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1) break;
        if (!IsWindow(form)) {
            // Closed while GetMessageA handled a sent message: this loop ends here, but the
            // message it fetched still reaches its window (the form's WM_DESTROY posted a
            // WM_NULL so that the fetch returns at all).
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            break;
        }
        if (pumpHook(&msg)) continue;

        HWND target = findOwningForm(activeFormWindow);
        if (focusIsMultiLineEdit()) {
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
                // Handed to the edit itself, which ignores it, instead of closing the form.
                msg.message = WM_COMMAND;
                msg.wParam = IDCANCEL;
                msg.lParam = 0;
            } else if (msg.message == WM_CHAR && msg.wParam == '\t') {
                const bool backwards = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
                SetFocus(GetNextDlgTabItem(GetParent(msg.hwnd), msg.hwnd, backwards));
                msg.message = WM_NULL;
            }
        }
        if (target && IsDialogMessageA(target, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// WM_COMMAND, WM_HSCROLL, WM_VSCROLL and WM_NOTIFY come from a control; its index is passed on.
int sourceControlIndex(UINT message, LPARAM lParam) {
    HWND source = nullptr;
    if (message == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header) source = header->hwndFrom;
    } else {
        source = reinterpret_cast<HWND>(lParam);
    }
    const WindowRecord* record = source ? windowRecord(source) : nullptr;
    return record ? record->controlIndex : -1;
}

LRESULT runCommandHandlers(const FormDescription& form, HWND window, WPARAM wParam, LPARAM lParam,
                           int controlIndex) {
    const int id = LOWORD(wParam);
    const int notification = HIWORD(wParam);
    for (size_t i = 0; i < form.commandCount; ++i) {
        const CommandHandler& handler = form.commands[i];
        if (handler.id != id) continue;
        if (handler.notification != kAnyNotification && handler.notification != notification) continue;
        if (!handler.handle) continue;
        const LRESULT result = handler.handle(window, wParam, lParam, controlIndex);
        if (result) return result;
    }
    return 0;
}

LRESULT onFormCreate(HWND window, const CREATESTRUCTA& create) {
    const FormCreation* creation = static_cast<const FormCreation*>(create.lpCreateParams);
    const FormDescription* form = creation ? creation->form : nullptr;
    auto* record = static_cast<WindowRecord*>(allocateZeroed(sizeof(WindowRecord)));
    if (!record) return -1;
    SetPropA(window, kRecordProperty, record);
    record->isForm = 1;
    record->form = form;
    if (form && form->handleVariable) *form->handleVariable = window;
    setTagProperty(window, "");
    setTagProperty2(window, "");
    if (!form) return 0;
    if (form->buildControls) form->buildControls(window);
    if (form->onCreate) {
        const LRESULT result = form->onCreate(window, creation->userData);
        if (result) return result;
    }
    return 0;
}

LRESULT onFormDestroy(HWND window, WindowRecord* record, const FormDescription* form) {
    // The handler's result is passed on, but the clean-up runs whatever it says: skipping it
    // would leak the record and leave FLY_PTR and the handle variable pointing at a dead window.
    const LRESULT handlerResult = form && form->onDestroy ? form->onDestroy(window) : 0;
    if (form && form->handleVariable && *form->handleVariable == window) *form->handleVariable = nullptr;
    const bool wasModal = record && record->isModal;
    if (record) {
        if (record->brush) DeleteObject(record->brush);
        if (record->accelerators) DestroyAcceleratorTable(record->accelerators);
        if (record->timerId) KillTimer(nullptr, record->timerId);
        freeBlock(record);
    }
    releaseTagProperties(window);
    RemovePropA(window, kRecordProperty);
    if (form && form->postQuitOnDestroy) PostQuitMessage(0);
    // Wakes the form's modal loop should it be waiting in GetMessageA.
    if (wasModal) PostMessageA(nullptr, WM_NULL, 0, 0);
    return handlerResult;
}

}  // namespace

WindowRecord* windowRecord(HWND window) {
    return static_cast<WindowRecord*>(GetPropA(window, kRecordProperty));
}

INT_PTR showForm(const FormDescription& form, HWND parent, int showModal, LPARAM userData) {
    registerFormClass(form);
    if (form.exStyle & WS_EX_MDICHILD) showModal = 0;

    const int x = (GetSystemMetrics(SM_CXSCREEN) - form.width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - form.height) / 2;
    FormCreation creation{&form, userData};
    HWND window = CreateWindowExA(form.exStyle, form.className, form.caption, form.style, x, y,
                                  form.width, form.height, parent, nullptr, moduleInstance(), &creation);
    if (!IsWindow(window)) return -1;
    if (showModal != 1) return reinterpret_cast<INT_PTR>(window);

    HWND owner = parent;
    while (owner && hasStyle(owner, WS_CHILD) && !hasExStyle(owner, WS_EX_MDICHILD)) owner = GetParent(owner);
    if (WindowRecord* record = windowRecord(window)) {
        record->isModal = 1;
        record->owner = owner;
    }
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    runModalLoop(window);

    const INT_PTR result = lastModalResult;
    lastModalResult = 0;
    return result;
}

void closeForm(HWND form, INT_PTR result) {
    if (!IsWindow(form)) return;
    const WindowRecord* record = windowRecord(form);
    if (record && record->isModal) {
        HWND owner = reinterpret_cast<HWND>(GetWindowLongPtrA(form, GWLP_HWNDPARENT));
        if (IsWindow(owner)) {
            EnableWindow(owner, TRUE);
            SetActiveWindow(owner);
        }
    }
    DestroyWindow(form);
    lastModalResult = result;
}

HWND findOwningForm(HWND window) {
    while (window) {
        if (!hasStyle(window, WS_CHILD) || hasExStyle(window, WS_EX_MDICHILD)) return window;
        char name[30] = {};
        GetClassNameA(window, name, sizeof name);
        if (std::strncmp(name, "FORM_", 5) == 0) return window;
        window = GetParent(window);
    }
    return nullptr;
}

LRESULT CALLBACK formWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = nullptr;
    const FormDescription* form = nullptr;
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        const auto* creation = static_cast<const FormCreation*>(create->lpCreateParams);
        form = creation ? creation->form : nullptr;
    } else {
        record = windowRecord(window);
        form = record ? record->form : nullptr;
    }

    switch (message) {
    case WM_SIZE:
        if (form && form->onSize) form->onSize(window, wParam, lParam);
        EnumChildWindows(window, captureGeometry, 0);
        if (wParam != SIZE_MINIMIZED) EnumChildWindows(window, applyAnchors, 0);
        break;
    case WM_ACTIVATE:
        activeFormWindow = LOWORD(wParam) == WA_INACTIVE ? nullptr : window;
        break;
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_NOTIFY: {
        const int controlIndex = sourceControlIndex(message, lParam);
        if (message == WM_COMMAND && form) {
            const LRESULT result = runCommandHandlers(*form, window, wParam, lParam, controlIndex);
            if (result) return result;
        }
        break;
    }
    case WM_CLOSE:
        if (form && form->onClose) {
            const LRESULT result = form->onClose(window, wParam, lParam);
            if (result) return result;
        }
        break;
    default:
        break;
    }

    if (form && form->onMessage) {
        const LRESULT result = form->onMessage(window, message, wParam, lParam);
        if (result) return result;
    }

    switch (message) {
    case WM_GETMINMAXINFO: {
        if (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_MDICHILD) break;
        DefWindowProcA(window, message, wParam, lParam);
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (form && form->minTrackSize.cx) info->ptMinTrackSize.x = form->minTrackSize.cx;
        if (form && form->minTrackSize.cy) info->ptMinTrackSize.y = form->minTrackSize.cy;
        return 0;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            SendMessageA(window, WM_CLOSE, wParam, lParam);
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (record) SetFocus(record->lastFocus);
        break;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        EnumChildWindows(window, refreshSystemColors, 0);
        break;
    case WM_CLOSE:
        if (record && record->isModal) {
            if (record->owner) {
                EnableWindow(record->owner, TRUE);
                SetActiveWindow(record->owner);
            }
            ShowWindow(window, SW_HIDE);
        }
        break;
    case WM_DESTROY:
        return onFormDestroy(window, record, form);
    case WM_CREATE:
        return onFormCreate(window, *reinterpret_cast<const CREATESTRUCTA*>(lParam));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        return colorControl(window, message, wParam, lParam);
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int pumpHook(MSG*) { return 0; }

HWND activeForm() { return activeFormWindow; }

INT_PTR modalResult() { return lastModalResult; }

void setModuleInstance(HINSTANCE instance) { instanceOverride = instance; }

HINSTANCE moduleInstance() { return instanceOverride ? instanceOverride : GetModuleHandleA(nullptr); }

void setRichEditClassName(const char* className) { richEditClass = className ? className : ""; }

const char* richEditClassName() { return richEditClass.c_str(); }

}  // namespace trelk
