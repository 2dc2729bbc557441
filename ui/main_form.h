// The main window: the BOM file box, the section check boxes, the log box, "&Do it!" and the menu.
#pragma once

#include <windows.h>

#include "engine/request/run_options.h"

namespace trelk::ui {

// Control and menu identifiers of the main window.
constexpr int MAIN_BOMFILE = 1000;
constexpr int MAIN_BROWSE = 1001;
constexpr int MAIN_DOIT = 1002;
constexpr int MAIN_EXIT = 1003;
constexpr int MAIN_BREAKDOWN = 1004;
constexpr int MAIN_PARTSSUMMARY = 1005;
constexpr int MAIN_ASSYSUMMARY = 1006;
constexpr int MAIN_ASSYINASSYS = 1007;
constexpr int MAIN_PARTSINASSYS = 1008;
constexpr int MAIN_SECTIONS = 1009;
constexpr int MAIN_LOG = 1010;
constexpr int MAIN_BOMFILELABEL = 1011;
constexpr int MAIN_STATUSBAR = 4999;
constexpr int MAIN_TOPMENU_EXIT = 6000;
constexpr int MAIN_TOPMENU_ABOUT = 6001;
constexpr int MAIN_TOPMENU_HELP = 6002;
// The commands of the system menu; the system keeps a WM_SYSCOMMAND's low four bits.
constexpr int MAIN_SYSMENU_WEBPAGE = 6016;
constexpr int MAIN_SYSMENU_COMPARE = 6032;
constexpr int MAIN_SYSMENU_SPREADSHEET = 6048;
constexpr int MAIN_SYSMENU_FOLDER = 6064;
static_assert(MAIN_SYSMENU_WEBPAGE % 16 == 0 && MAIN_SYSMENU_COMPARE % 16 == 0 && MAIN_SYSMENU_SPREADSHEET % 16 == 0 &&
              MAIN_SYSMENU_FOLDER % 16 == 0);

// The check box of each report section, in report order (kReportSections).
constexpr int kSectionCheckBoxes[] = {MAIN_BREAKDOWN, MAIN_ASSYSUMMARY, MAIN_PARTSSUMMARY, MAIN_ASSYINASSYS,
                                      MAIN_PARTSINASSYS};
static_assert(std::size(kSectionCheckBoxes) == std::size(kReportSections));
constexpr int sectionCheckBox(Section section) { return kSectionCheckBoxes[static_cast<size_t>(section)]; }

// Posted by the settings load: wParam is the outer width, lParam the outer height to restore.
constexpr UINT WMU_RESTORE_SIZE = WM_USER + 1000;
// Posted at creation when the program was started with two files: they are compared once the
// window is shown.
constexpr UINT WMU_COMPARE_START_FILES = WM_USER + 1001;

// Shows the main window; modal (showModal 1) it runs the program's message loop until the window
// is gone. See showForm. userData is 0, or the address of the files the program was started with
// (a std::vector<ArrivedFile>, see receiveStartFiles), which take the stored name's place.
INT_PTR showMainForm(HWND parent, int showModal, LPARAM userData);

// The main window while it exists, else nullptr.
HWND mainForm();
// A child of the main window by identifier, or nullptr.
HWND mainControl(int id);

// Gives the control with the identifier (0: the form itself) a tooltip; one tooltip control
// serves the whole process. Non-zero on success, 0 when there is no tooltip control.
LRESULT addTooltip(HWND form, int controlId, const char* text);
// The tooltip control, once the first tooltip has been added.
HWND tooltipControl();

}  // namespace trelk::ui
