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

bool hasStyle(HWND window, LONG_PTR style) { return (GetWindowLongPtrA(window, GWL_STYLE) & style) != 0; }

bool hasExStyle(HWND window, LONG_PTR exStyle) { return (GetWindowLongPtrA(window, GWL_EXSTYLE) & exStyle) != 0; }

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

// The window a form message is for, with its record and description (either may be missing).
struct FormWindow {
    HWND window;
    WindowRecord* record;
    const FormDescription* form;
};

// The form's own handler of every message, where the framework's order gives it its turn.
LRESULT formMessageHandler(const FormWindow& w, UINT message, WPARAM wParam, LPARAM lParam) {
    return w.form && w.form->onMessage ? w.form->onMessage(w.window, message, wParam, lParam) : 0;
}

// The form's handler, then default processing: messages the framework itself leaves alone.
LRESULT onOtherMessage(const FormWindow& w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (const LRESULT result = formMessageHandler(w, message, wParam, lParam)) return result;
    return DefWindowProcA(w.window, message, wParam, lParam);
}

void addSystemCommands(HWND window, const FormDescription& form) {
    if (form.systemCommandCount == 0) return;
    const HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    for (size_t i = 0; i < form.systemCommandCount; ++i)
        AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(form.systemCommands[i].id), form.systemCommands[i].text);
}

LRESULT onCreate(HWND window, WPARAM wParam, LPARAM lParam) {
    const auto& create = *reinterpret_cast<const CREATESTRUCTA*>(lParam);
    const auto* creation = static_cast<const FormCreation*>(create.lpCreateParams);
    const FormDescription* form = creation ? creation->form : nullptr;
    if (const LRESULT result = formMessageHandler({window, nullptr, form}, WM_CREATE, wParam, lParam)) return result;
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
    addSystemCommands(window, *form);
    return form->onCreate ? form->onCreate(window, creation->userData) : 0;
}

// The form's own re-layout first, then the controls follow their anchors.
LRESULT onSize(const FormWindow& w, WPARAM wParam, LPARAM lParam) {
    if (w.form && w.form->onSize) w.form->onSize(w.window, wParam, lParam);
    captureAnchorGeometry(w.window);
    if (wParam != SIZE_MINIMIZED) EnumChildWindows(w.window, applyAnchors, 0);
    return onOtherMessage(w, WM_SIZE, wParam, lParam);
}

LRESULT onActivate(const FormWindow& w, WPARAM wParam, LPARAM lParam) {
    activeFormWindow = LOWORD(wParam) == WA_INACTIVE ? nullptr : w.window;
    return onOtherMessage(w, WM_ACTIVATE, wParam, lParam);
}

// The form's command handlers in their order, each for its identifier and notification code;
// the first non-zero result is the answer. They learn the sending control's index.
LRESULT onCommand(const FormWindow& w, WPARAM wParam, LPARAM lParam) {
    if (w.form) {
        const WindowRecord* source = lParam ? windowRecord(reinterpret_cast<HWND>(lParam)) : nullptr;
        const int controlIndex = source ? source->controlIndex : -1;
        const int id = LOWORD(wParam);
        const int notification = HIWORD(wParam);
        for (size_t i = 0; i < w.form->commandCount; ++i) {
            const CommandHandler& handler = w.form->commands[i];
            if (handler.id != id || !handler.handle) continue;
            if (handler.notification != kAnyNotification && handler.notification != notification) continue;
            if (const LRESULT result = handler.handle(w.window, wParam, lParam, controlIndex)) return result;
        }
    }
    return onOtherMessage(w, WM_COMMAND, wParam, lParam);
}

// Every way of closing a form arrives here once. The form's close handler may keep it open; a
// modal form gives the input back to its owner before default processing destroys it.
LRESULT onClose(const FormWindow& w, WPARAM wParam, LPARAM lParam) {
    if (w.form && w.form->onClose) {
        if (const LRESULT result = w.form->onClose(w.window, wParam, lParam)) return result;
    }
    if (const LRESULT result = formMessageHandler(w, WM_CLOSE, wParam, lParam)) return result;
    if (w.record && w.record->isModal) {
        if (w.record->owner) {
            EnableWindow(w.record->owner, TRUE);
            SetActiveWindow(w.record->owner);
        }
        ShowWindow(w.window, SW_HIDE);
    }
    return DefWindowProcA(w.window, WM_CLOSE, wParam, lParam);
}

LRESULT onGetMinMaxInfo(const FormWindow& w, WPARAM wParam, LPARAM lParam) {
    if (const LRESULT result = formMessageHandler(w, WM_GETMINMAXINFO, wParam, lParam)) return result;
    if (hasExStyle(w.window, WS_EX_MDICHILD)) return DefWindowProcA(w.window, WM_GETMINMAXINFO, wParam, lParam);
    DefWindowProcA(w.window, WM_GETMINMAXINFO, wParam, lParam);
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    if (w.form && w.form->minTrackSize.cx) info->ptMinTrackSize.x = w.form->minTrackSize.cx;
    if (w.form && w.form->minTrackSize.cy) info->ptMinTrackSize.y = w.form->minTrackSize.cy;
    return 0;
}

// The form's own commands of the system menu; the close box, the system menu's Close and Alt+F4
// become the form's one WM_CLOSE.
LRESULT onSysCommand(const FormWindow& w, WPARAM wParam, LPARAM lParam) {
    if (const LRESULT result = formMessageHandler(w, WM_SYSCOMMAND, wParam, lParam)) return result;
    for (size_t i = 0; w.form && i < w.form->systemCommandCount; ++i) {
        const SystemCommand& command = w.form->systemCommands[i];
        if (static_cast<WPARAM>(command.id) != (wParam & 0xFFF0)) continue;
        if (command.run) command.run(w.window);
        return 0;
    }
    if ((wParam & 0xFFF0) != SC_CLOSE) return DefWindowProcA(w.window, WM_SYSCOMMAND, wParam, lParam);
    SendMessageA(w.window, WM_CLOSE, wParam, lParam);
    return 0;
}

// The focus goes back to the control that had it last.
LRESULT onSetFocus(const FormWindow& w, WPARAM wParam, LPARAM lParam) {
    if (const LRESULT result = formMessageHandler(w, WM_SETFOCUS, wParam, lParam)) return result;
    if (w.record) SetFocus(w.record->lastFocus);
    return DefWindowProcA(w.window, WM_SETFOCUS, wParam, lParam);
}

LRESULT onSystemColorChange(const FormWindow& w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (const LRESULT result = formMessageHandler(w, message, wParam, lParam)) return result;
    EnumChildWindows(w.window, refreshSystemColors, 0);
    return DefWindowProcA(w.window, message, wParam, lParam);
}

LRESULT onDestroy(const FormWindow& w, WPARAM wParam, LPARAM lParam) {
    if (const LRESULT result = formMessageHandler(w, WM_DESTROY, wParam, lParam)) return result;
    // The destroy handler's result is passed on, but the clean-up runs whatever it says: skipping
    // it would leak the record and leave FLY_PTR and the handle variable pointing at a dead window.
    const LRESULT handlerResult = w.form && w.form->onDestroy ? w.form->onDestroy(w.window) : 0;
    if (w.form && w.form->handleVariable && *w.form->handleVariable == w.window) *w.form->handleVariable = nullptr;
    const bool wasModal = w.record && w.record->isModal;
    if (w.record) {
        if (w.record->brush) DeleteObject(w.record->brush);
        if (w.record->accelerators) DestroyAcceleratorTable(w.record->accelerators);
        if (w.record->timerId) KillTimer(nullptr, w.record->timerId);
        freeBlock(w.record);
    }
    releaseTagProperties(w.window);
    RemovePropA(w.window, kRecordProperty);
    if (w.form && w.form->postQuitOnDestroy) PostQuitMessage(0);
    // Wakes the form's modal loop should it be waiting in GetMessageA.
    if (wasModal) PostMessageA(nullptr, WM_NULL, 0, 0);
    return handlerResult;
}

LRESULT onControlColor(const FormWindow& w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (const LRESULT result = formMessageHandler(w, message, wParam, lParam)) return result;
    return colorControl(w.window, message, wParam, lParam);
}

}  // namespace

WindowRecord* windowRecord(HWND window) { return static_cast<WindowRecord*>(GetPropA(window, kRecordProperty)); }

INT_PTR showForm(const FormDescription& form, HWND parent, int showModal, LPARAM userData) {
    registerFormClass(form);
    if (form.exStyle & WS_EX_MDICHILD) showModal = 0;

    const int x = (GetSystemMetrics(SM_CXSCREEN) - form.width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - form.height) / 2;
    FormCreation creation{&form, userData};
    HWND window = CreateWindowExA(form.exStyle, form.className, form.caption, form.style, x, y, form.width, form.height,
                                  parent, nullptr, moduleInstance(), &creation);
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
    if (message == WM_CREATE) return onCreate(window, wParam, lParam);
    WindowRecord* record = windowRecord(window);
    const FormWindow w{window, record, record ? record->form : nullptr};
    switch (message) {
    case WM_SIZE: return onSize(w, wParam, lParam);
    case WM_ACTIVATE: return onActivate(w, wParam, lParam);
    case WM_COMMAND: return onCommand(w, wParam, lParam);
    case WM_CLOSE: return onClose(w, wParam, lParam);
    case WM_GETMINMAXINFO: return onGetMinMaxInfo(w, wParam, lParam);
    case WM_SYSCOMMAND: return onSysCommand(w, wParam, lParam);
    case WM_SETFOCUS: return onSetFocus(w, wParam, lParam);
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED: return onSystemColorChange(w, message, wParam, lParam);
    case WM_DESTROY: return onDestroy(w, wParam, lParam);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: return onControlColor(w, message, wParam, lParam);
    default: return onOtherMessage(w, message, wParam, lParam);
    }
}

int pumpHook(MSG*) { return 0; }

HWND activeForm() { return activeFormWindow; }

INT_PTR modalResult() { return lastModalResult; }

void setModuleInstance(HINSTANCE instance) { instanceOverride = instance; }

HINSTANCE moduleInstance() { return instanceOverride ? instanceOverride : GetModuleHandleA(nullptr); }

void setRichEditClassName(const char* className) { richEditClass = className ? className : ""; }

const char* richEditClassName() { return richEditClass.c_str(); }

}  // namespace trelk
