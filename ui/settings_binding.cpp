#include "ui/settings_binding.h"

#include "forms/window_helpers.h"
#include "settings/app_folder.h"
#include "settings/settings_model.h"
#include "ui/main_host.h"
#include "ui/main_form.h"

namespace trelk::ui {

namespace {

std::string g_settingsFilePath;
KeywordSet g_keywords;
ColumnLayout g_columns;
std::string g_bomFormatFile;
bool g_webPageChosen = false;  // the user ticked or cleared the item since the window was made

void checkWebPageItem(HWND form, bool on) {
    CheckMenuItem(GetSystemMenu(form, FALSE), MAIN_SYSMENU_WEBPAGE, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

// A place off every screen (a monitor since removed, a file edited by hand) is not used: the
// window is shown where it was created, so that it never opens out of reach.
bool onSomeScreen(int x, int y, int width, int height) {
    const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const RECT window = {x, y, x + (width > 0 ? width : 1), y + (height > 0 ? height : 1)};
    RECT overlap;
    return IntersectRect(&overlap, &screen, &window) != 0;
}

// The place and size the window has when it is neither minimised nor maximised, in screen
// coordinates: a window closed minimised or maximised opens at its last normal size. The
// placement gives workspace coordinates, which are off by the taskbar when that is at the top or
// left of the monitor's screen.
RECT normalPlacement(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) {
        const SIZE size = getWindowSize(window);
        const POINT place = getWindowPosition(window);
        return RECT{place.x, place.y, place.x + size.cx, place.y + size.cy};
    }
    RECT rect = placement.rcNormalPosition;
    if (!(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        if (GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor))
            OffsetRect(&rect, monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top);
    }
    return rect;
}

}  // namespace

void showFolderMessage(const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), "", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

void restoreSettings(HWND mainForm) {
    g_settingsFilePath = settingsFilePathIn(ensureAppFolder(kAppIdentity, showFolderMessage));
    const StoredSettings stored = loadSettings(g_settingsFilePath);
    g_keywords = stored.keywords;
    g_columns = stored.columns;
    g_bomFormatFile = stored.bomFormatFile;
    if (stored.fileFound) {
        setControlText(GetDlgItem(mainForm, MAIN_BOMFILE), stored.bomFileName.c_str());
        // What the file does not hold stays as created: centred, at the designed size. A size of
        // 0 is none either.
        const SIZE created = getWindowSize(mainForm);
        const POINT centred = getWindowPosition(mainForm);
        const int width = stored.width.value_or(0) > 0 ? *stored.width : created.cx;
        const int height = stored.height.value_or(0) > 0 ? *stored.height : created.cy;
        const int x = stored.x.value_or(centred.x), y = stored.y.value_or(centred.y);
        if ((stored.x || stored.y) && onSomeScreen(x, y, width, height)) setWindowPosition(mainForm, x, y);
        PostMessageA(mainForm, WMU_RESTORE_SIZE, static_cast<WPARAM>(width), height);
    }
    for (const ReportSection& s : kReportSections)
        setCheckState(GetDlgItem(mainForm, sectionCheckBox(s.section)), stored.sections.*s.flag ? 1 : 0);
    checkWebPageItem(mainForm, stored.showWebPage);
    g_webPageChosen = false;
}

void saveSettings(const std::string& path) {
    const HWND form = mainForm();
    SettingsToSave save;
    save.bomFileName = getControlText(GetDlgItem(form, MAIN_BOMFILE));
    save.sections = sectionsFromCheckBoxes();
    const RECT normal = normalPlacement(form);
    save.width = normal.right - normal.left;
    save.height = normal.bottom - normal.top;
    save.x = normal.left;
    save.y = normal.top;
    if (g_webPageChosen) save.showWebPage = showsResultsAsWebPage();
    trelk::saveSettings(path, save);
}

const std::string& settingsFilePath() { return g_settingsFilePath; }

const KeywordSet& keywords() { return g_keywords; }

const ColumnLayout& columns() { return g_columns; }
const std::string& bomFormatFile() { return g_bomFormatFile; }

bool showsResultsAsWebPage() {
    const HWND form = mainForm();
    const UINT state = form ? GetMenuState(GetSystemMenu(form, FALSE), MAIN_SYSMENU_WEBPAGE, MF_BYCOMMAND) : 0;
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED);  // -1: no such item
}

void toggleResultsAsWebPage() {
    if (!mainForm()) return;
    checkWebPageItem(mainForm(), !showsResultsAsWebPage());
    g_webPageChosen = true;
}

}  // namespace trelk::ui
