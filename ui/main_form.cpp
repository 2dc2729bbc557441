#include "ui/main_form.h"

#include <commctrl.h>

#include <iterator>

#include "forms/anchors.h"
#include "forms/controls.h"
#include "forms/fonts.h"
#include "forms/form.h"
#include "forms/window_helpers.h"
#include "ui/about_form.h"
#include "ui/file_and_help.h"
#include "ui/result_commands.h"
#include "ui/settings_binding.h"

namespace trelk::ui {

namespace {

HWND g_mainForm = nullptr;
HWND g_statusBar = nullptr;

constexpr const char* kFont = "MS Sans Serif,-13,0,0,0,400,0,0,0,0,1,2,1,34";
constexpr COLORREF kWindowText = COLOR_WINDOWTEXT, kWindow = COLOR_WINDOW, kButtonFace = COLOR_BTNFACE;
constexpr int kMade = kBrushFromBackground;

constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                             WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VISIBLE;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kFileBox = kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY | BS_CENTER | BS_VCENTER;
constexpr DWORD kCheckBox = kChild | WS_TABSTOP | BS_AUTOCHECKBOX | BS_NOTIFY | BS_LEFT | BS_VCENTER;
constexpr DWORD kGroupBox = kChild | BS_GROUPBOX | BS_NOTIFY | BS_LEFT;
constexpr DWORD kLogBox = kChild | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL;
constexpr DWORD kLabel = kChild | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | SS_RIGHT | SS_NOTIFY;
// The status bar's style holds a bit, 0x10, that no header names; it is kept as designed.
constexpr DWORD kStatusBar = kChild | WS_BORDER | SBARS_TOOLTIPS | 0x10;
static_assert(kFormStyle == 0x96CF0000 && kFormExStyle == 0x00010100 && kFileBox == 0x50010080 &&
                  kButton == 0x50014F00 && kCheckBox == 0x50014D03 && kGroupBox == 0x50004107 &&
                  kLogBox == 0x50310044 && kLabel == 0x56000102 && kStatusBar == 0x50800810,
              "the main window's designed styles");

// The controls in creation order, which is also the tab order. The check boxes come before the
// group box that frames them.
// clang-format off
const ControlRow kMainControls[] = {
    // name               id                  class     text                                x    y    w    h    style       ex-style          font   colours: use, fg/bg system, fg, bg          brush  anchor
    {"MAIN_BOMFILE",      MAIN_BOMFILE,       "Edit",   "",                                 118, 12,  510, 28,  kFileBox,   WS_EX_CLIENTEDGE, kFont, 1, 1, 1, kWindowText, kWindow,     kMade, "FL,FT,FR,FT"},
    {"MAIN_BROWSE",       MAIN_BROWSE,        "Button", "...",                              638, 12,  38,  28,  kButton,    0,                kFont, 0, 0, 0, 0, 0,                       kMade, "FR,FT,FR,FT"},
    {"MAIN_DOIT",         MAIN_DOIT,          "Button", "&Do it!",                          18,  54,  88,  26,  kButton,    0,                kFont, 0, 0, 0, 0, 0,                       kMade, ""},
    {"MAIN_EXIT",         MAIN_EXIT,          "Button", "&Exit",                            588, 54,  88,  26,  kButton,    0,                kFont, 0, 0, 0, 0, 0,                       kMade, "FR,FT,FR,FT"},
    {"MAIN_BREAKDOWN",    MAIN_BREAKDOWN,     "Button", "Assy &breakdown section from BOM", 32,  118, 252, 22,  kCheckBox,  0,                kFont, 1, 1, 1, kWindowText, kButtonFace, kMade, ""},
    {"MAIN_PARTSSUMMARY", MAIN_PARTSSUMMARY,  "Button", "Summary of &parts",                32,  144, 241, 18,  kCheckBox,  0,                kFont, 1, 1, 1, kWindowText, kButtonFace, kMade, ""},
    {"MAIN_ASSYSUMMARY",  MAIN_ASSYSUMMARY,   "Button", "Summary of &assemblies",           32,  168, 252, 18,  kCheckBox,  0,                kFont, 1, 1, 1, kWindowText, kButtonFace, kMade, ""},
    {"MAIN_ASSYINASSYS",  MAIN_ASSYINASSYS,   "Button", "A&ssemblies in assemblies",        344, 144, 241, 18,  kCheckBox,  0,                kFont, 1, 1, 1, kWindowText, kButtonFace, kMade, ""},
    {"MAIN_PARTSINASSYS", MAIN_PARTSINASSYS,  "Button", "Pa&rts in assemblies",            344, 168, 241, 18,  kCheckBox,  0,                kFont, 1, 1, 1, kWindowText, kButtonFace, kMade, ""},
    {"MAIN_SECTIONS",     MAIN_SECTIONS,      "Button", "Sections to include in output:",   16,  90,  654, 107, kGroupBox,  WS_EX_TRANSPARENT, kFont, 1, 1, 1, kWindowText, kButtonFace, kMade, "FL,FT,FR,FT"},
    {"MAIN_LOG",          MAIN_LOG,           "Edit",   "",                                 18,  211, 654, 212, kLogBox,    WS_EX_CLIENTEDGE, kFont, 1, 1, 1, kWindowText, kWindow,     kMade, "FL,FT,FR,FB"},
    {"MAIN_BOMFILELABEL", MAIN_BOMFILELABEL,  "Static", "BOM input file:",                  6,   18,  99,  24,  kLabel,     0,                kFont, 1, 1, 1, kWindowText, kButtonFace, kMade, ""},
};
// clang-format on

// The designed client area, and the outer size the window is created with.
constexpr int kClientWidth = 681, kClientHeight = 453;

void setUpEditBox(HWND edit, WindowRecord* record) {
    SendMessageA(edit, EM_LIMITTEXT, 0, 0);
    SendMessageA(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
    // Entering the box clears the selection rather than selecting everything.
    if (record) record->selectAllOnFocus = 0;
}

void createMainControls(HWND form) {
    const HMENU menu = LoadMenuA(moduleInstance(), "MAIN_TOPMENU");
    SetMenu(form, menu);
    DrawMenuBar(form);
    setClientSize(form, kClientWidth, kClientHeight);

    g_statusBar = CreateStatusWindowA(kStatusBar, "", form, MAIN_STATUSBAR);
    if (g_statusBar) {
        int rightEdges[1] = {-1};
        SendMessageA(g_statusBar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(rightEdges));
        SendMessageA(g_statusBar, WM_SETFONT, reinterpret_cast<WPARAM>(makeFont("MS Sans Serif", 8, 400, 0, 0, 0)),
                     TRUE);
    }

    for (const ControlRow& row : kMainControls) {
        WindowRecord* record = nullptr;
        const HWND control = createControl(form, row, &record);
        if (!control) continue;
        if (row.id == MAIN_BOMFILE || row.id == MAIN_LOG) setUpEditBox(control, record);
        if ((row.style & BS_TYPEMASK) == BS_AUTOCHECKBOX && lstrcmpiA(row.className, "Button") == 0)
            SendMessageA(control, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    // The anchors work from the places the controls have now, in the designed client area; a
    // size restored from the settings comes later. Not every system sends WM_SIZE after WM_CREATE.
    captureAnchorGeometry(form);
    SetFocus(GetDlgItem(form, MAIN_BOMFILE));
}

// userData, when not 0, holds the files the program was started with: they take the stored name's
// place.
LRESULT onCreate(HWND form, LPARAM userData) {
    restoreSettings(form);
    if (userData) receiveStartFiles(*reinterpret_cast<const std::vector<ArrivedFile>*>(userData));
    DragAcceptFiles(form, TRUE);
    addTooltip(form, MAIN_BOMFILE, "Enter BOM filename here, or select the file");
    addTooltip(form, MAIN_BROWSE, "Select a BOM file");
    addTooltip(form, MAIN_DOIT, "Start processing the BOM");
    return 0;
}

LRESULT onMenuCommand(HWND form, WPARAM wParam, LPARAM, int) {
    switch (LOWORD(wParam)) {
    case MAIN_TOPMENU_EXIT: SendMessageA(form, WM_CLOSE, 0, 0); break;
    case MAIN_TOPMENU_HELP: openHelpFile(); break;
    case MAIN_TOPMENU_ABOUT: showAboutForm(form, 1, 0); break;
    }
    return 0;
}

LRESULT onBrowse(HWND, WPARAM, LPARAM, int) {
    browseForBomFile();
    return 0;
}

LRESULT onDoIt(HWND, WPARAM, LPARAM, int) {
    runProcessingFromWindow();
    return 0;
}

LRESULT onExit(HWND form, WPARAM, LPARAM, int) {
    SendMessageA(form, WM_CLOSE, 0, 0);
    return 0;
}

// Ticking a box or typing into the log changes nothing at once: the run and the settings save
// read the controls when they need them.
const CommandHandler kCommands[] = {
    {MAIN_TOPMENU_EXIT, kAnyNotification, onMenuCommand},
    {MAIN_TOPMENU_ABOUT, kAnyNotification, onMenuCommand},
    {MAIN_TOPMENU_HELP, kAnyNotification, onMenuCommand},
    {MAIN_BROWSE, BN_CLICKED, onBrowse},
    {MAIN_DOIT, BN_CLICKED, onDoIt},
    {MAIN_EXIT, BN_CLICKED, onExit},
};

// Below the system's own commands in the system menu: the results beyond the report.
const SystemCommand kSystemCommands[] = {
    {MAIN_SYSMENU_WEBPAGE, "Show results as a &web page", [](HWND) { toggleResultsAsWebPage(); }},
    {MAIN_SYSMENU_COMPARE, "Compare with an &earlier export...", [](HWND) { compareWithEarlierExport(); }},
    {MAIN_SYSMENU_SPREADSHEET, "Write &tables for a spreadsheet", [](HWND) { writeSpreadsheetTables(); }},
    {MAIN_SYSMENU_FOLDER, "Open the results &folder", [](HWND) { openResultsFolder(); }},
};

LRESULT onClose(HWND, WPARAM, LPARAM) {
    saveSettings(settingsFilePath());
    return 0;
}

LRESULT onMessage(HWND form, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WMU_RESTORE_SIZE) setWindowSize(form, static_cast<int>(wParam), static_cast<int>(lParam));
    if (message == WM_DROPFILES) receiveFiles(droppedFiles(reinterpret_cast<HDROP>(wParam)));
    if (message == WMU_COMPARE_START_FILES) compareStartFiles();
    return 0;
}

void onSize(HWND, WPARAM wParam, LPARAM lParam) {
    if (wParam == SIZE_MINIMIZED || !g_statusBar) return;
    SendMessageA(g_statusBar, WM_SIZE, wParam, lParam);
    int rightEdges[1] = {-1};
    SendMessageA(g_statusBar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(rightEdges));
}

LRESULT onDestroy(HWND) {
    g_statusBar = nullptr;
    return 0;
}

const FormDescription& mainDescription() {
    static const FormDescription form = [] {
        FormDescription f;
        f.className = "FORM_TRELK_MAIN_CLASS";
        f.caption = "Trelk";
        f.style = kFormStyle;
        f.exStyle = kFormExStyle;
        f.width = 689;
        f.height = 508;
        f.icon = "IMAGE_TRELK";
        f.minTrackSize = {650, 350};
        f.handleVariable = &g_mainForm;
        f.postQuitOnDestroy = true;
        f.buildControls = createMainControls;
        f.onCreate = onCreate;
        f.setCommands(kCommands);
        f.setSystemCommands(kSystemCommands);
        f.onClose = onClose;
        f.onMessage = onMessage;
        f.onDestroy = onDestroy;
        f.onSize = onSize;
        return f;
    }();
    return form;
}

}  // namespace

INT_PTR showMainForm(HWND parent, int showModal, LPARAM userData) {
    return showForm(mainDescription(), parent, showModal, userData);
}

HWND mainForm() { return g_mainForm; }

HWND mainControl(int id) { return g_mainForm ? GetDlgItem(g_mainForm, id) : nullptr; }

}  // namespace trelk::ui
