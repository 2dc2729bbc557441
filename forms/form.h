// Forms: the top-level windows of the program. A form is a description (class, caption,
// styles, size, icon, handlers) that one framework window procedure serves; showForm creates
// it and, for a modal form, runs its message loop until the form is gone.
#pragma once

#include <windows.h>

#include <cstddef>

namespace trelk {

struct FormDescription;

// Per-window data of a form or of a set-up control, kept under the window property FLY_PTR.
// A zero-filled block from the process heap, released in the window's WM_DESTROY handling.
struct WindowRecord {
    WNDPROC previousProc;  // control: procedure before subclassing, put back on destroy
    HWND window;           // control: its own handle
    HWND owner;            // modal form: re-enabled and activated when the form closes
    int isForm;
    int isModal;
    HFONT font;            // control: belongs to the font cache, never deleted through here
    HACCEL accelerators;   // form: destroyed with the form when set
    UINT_PTR timerId;      // form: killed with the form when set
    int controlIndex;      // control: index within a control array, passed to the handlers
    HWND lastFocus;        // form: the control that last had the keyboard focus
    int selectAllOnFocus;  // control: non-zero selects the whole text when it gets the focus
    int useColors;         // control: colours are answered to WM_CTLCOLOR*
    int fgIsSystem;        // fgColor is a GetSysColor index, not a COLORREF
    int bgIsSystem;        // bgColor likewise
    HBRUSH brush;          // background brush returned to WM_CTLCOLOR*
    COLORREF fgColor;
    COLORREF bgColor;
    int geometryCaptured;         // anchor data below has been recorded
    RECT parentRect;              // parent's client area at capture
    RECT controlRect;             // control in the parent's client coordinates at capture
    char anchor[30];              // anchor text, at most 29 characters
    const FormDescription* form;  // form: the description that serves this window
};

constexpr const char* kRecordProperty = "FLY_PTR";

// The record under FLY_PTR, or nullptr.
WindowRecord* windowRecord(HWND window);

// Form handlers return non-zero when they handled the message; that value is then the result.
// Zero lets the framework and default processing go on.
constexpr int kAnyNotification = -1;
struct CommandHandler {
    int id;            // control or menu identifier (low word of wParam)
    int notification;  // notification code (high word of wParam), or kAnyNotification
    LRESULT (*handle)(HWND form, WPARAM wParam, LPARAM lParam, int controlIndex);
};

// A command a form adds to the end of its system menu (the window icon's menu, Alt+Space), below a
// separator. The system keeps the low four bits of a WM_SYSCOMMAND for itself: the identifier is
// a multiple of 16, below the system's own commands (0xF000).
struct SystemCommand {
    int id;
    const char* text;
    void (*run)(HWND form);
};

struct FormDescription {
    const char* className = nullptr;  // "FORM_" + name + "_CLASS"
    const char* caption = "";
    DWORD style = 0;
    DWORD exStyle = 0;
    int width = 0;  // outer size; the form opens centred on the screen
    int height = 0;
    LPCSTR icon = nullptr;           // icon resource of the module, loaded at 32 x 32 and 16 x 16
    SIZE minTrackSize{0, 0};         // a zero value keeps what default processing fills in
    HWND* handleVariable = nullptr;  // set while the form's window exists
    bool postQuitOnDestroy = false;  // the program's main form ends the message loop

    // Builds the menu and the controls during WM_CREATE, once the form's record exists.
    void (*buildControls)(HWND form) = nullptr;
    // Called at the end of WM_CREATE with showForm's userData.
    LRESULT (*onCreate)(HWND form, LPARAM userData) = nullptr;
    // Tried in order for every WM_COMMAND; the first non-zero result is returned.
    const CommandHandler* commands = nullptr;
    size_t commandCount = 0;
    // Added to the system menu at the end of WM_CREATE, before onCreate; run for their
    // WM_SYSCOMMAND.
    const SystemCommand* systemCommands = nullptr;
    size_t systemCommandCount = 0;
    LRESULT (*onClose)(HWND form, WPARAM wParam, LPARAM lParam) = nullptr;
    // Sees every message that no earlier step of formWindowProc answered.
    LRESULT (*onMessage)(HWND form, UINT message, WPARAM wParam, LPARAM lParam) = nullptr;
    // Runs first on WM_DESTROY; the framework then releases the form's record and tag texts.
    LRESULT (*onDestroy)(HWND form) = nullptr;
    // Runs first on WM_SIZE, before the controls are re-laid by their anchors.
    void (*onSize)(HWND form, WPARAM wParam, LPARAM lParam) = nullptr;

    template <size_t N>
    void setCommands(const CommandHandler (&table)[N]) {
        commands = table;
        commandCount = N;
    }
    template <size_t N>
    void setSystemCommands(const SystemCommand (&table)[N]) {
        systemCommands = table;
        systemCommandCount = N;
    }
};

// Registers the form's class on first use, creates the form centred on the screen and either
// returns its handle at once (showModal 0) or runs its message loop until it is destroyed and
// returns modalResult (showModal 1). -1 when the window cannot be created. The window keeps a
// pointer to `form`, so the description must outlive it (forms describe themselves in statics).
INT_PTR showForm(const FormDescription& form, HWND parent, int showModal, LPARAM userData);

// Ends a form; result becomes modalResult. Does nothing when form is not a window.
void closeForm(HWND form, INT_PTR result);

// The top-level window, MDI child or "FORM_" class window that `window` belongs to.
HWND findOwningForm(HWND window);

// The one window procedure of every form class.
LRESULT CALLBACK formWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Application hook run by every modal loop before a message is translated; non-zero consumes
// the message. The program has no use for it yet, so it consumes nothing.
int pumpHook(MSG* message);

HWND activeForm();      // the form most recently activated, or nullptr
INT_PTR modalResult();  // the value the last closeForm passed, until a modal loop collects it

// The module whose resources and classes the forms use; the program entry sets it.
// Until then it is the executable's own module.
void setModuleInstance(HINSTANCE instance);
HINSTANCE moduleInstance();

// Class of the rich-edit control found at start-up ("RICHEDIT20A", "RICHEDIT" or empty).
// The modal loop treats a focused multi-line control of this class like a multi-line edit.
void setRichEditClassName(const char* className);
const char* richEditClassName();

}  // namespace trelk
