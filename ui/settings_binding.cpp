#include "ui/settings_binding.h"

#include "forms/window_helpers.h"
#include "settings/app_folder.h"
#include "settings/settings_model.h"
#include "ui/main_form.h"

namespace trelk::ui {

namespace {

std::string g_settingsFilePath;
KeywordSet g_keywords;
ColumnLayout g_columns;

// A window closed while minimised is stored far off the screen; it is shown where it was
// created instead, so that it never opens out of reach.
bool onSomeScreen(int x, int y, int width, int height) {
    const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const RECT window = {x, y, x + (width > 0 ? width : 1), y + (height > 0 ? height : 1)};
    RECT overlap;
    return IntersectRect(&overlap, &screen, &window) != 0;
}

struct CheckBoxFlag {
    int id;
    bool SectionSelection::*flag;
};
const CheckBoxFlag kCheckBoxes[] = {
    {MAIN_BREAKDOWN, &SectionSelection::Include_BOMAssyBreakdown},
    {MAIN_ASSYSUMMARY, &SectionSelection::Include_SummaryOfAssys},
    {MAIN_PARTSSUMMARY, &SectionSelection::Include_SummaryOfParts},
    {MAIN_ASSYINASSYS, &SectionSelection::Include_AssyInAssys},
    {MAIN_PARTSINASSYS, &SectionSelection::Include_PartsInAssys},
};

}  // namespace

void showFolderMessage(const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), "", MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

void restoreSettings(HWND mainForm) {
    const int perUser = 1;
    g_settingsFilePath = settingsFilePathIn(ensureAppFolder("Halvorn", "Trelk", perUser, showFolderMessage));
    const StoredSettings stored = loadSettings(g_settingsFilePath);
    g_keywords = stored.keywords;
    g_columns = stored.columns;
    if (stored.fileFound) {
        setControlText(GetDlgItem(mainForm, MAIN_BOMFILE), stored.bomFileName.c_str());
        if (onSomeScreen(stored.x, stored.y, stored.width, stored.height))
            setWindowPosition(mainForm, stored.x, stored.y);
        PostMessageA(mainForm, WMU_RESTORE_SIZE, static_cast<WPARAM>(stored.width), stored.height);
    }
    for (const CheckBoxFlag& box : kCheckBoxes)
        setCheckState(GetDlgItem(mainForm, box.id), stored.sections.*box.flag ? 1 : 0);
}

void saveSettings(const std::string& path) {
    const HWND form = mainForm();
    SettingsToSave save;
    save.bomFileName = getControlText(GetDlgItem(form, MAIN_BOMFILE));
    for (const CheckBoxFlag& box : kCheckBoxes) save.sections.*box.flag = getCheckState(GetDlgItem(form, box.id)) == 1;
    const SIZE size = getWindowSize(form);
    const POINT place = getWindowPosition(form);
    save.width = size.cx;
    save.height = size.cy;
    save.x = place.x;
    save.y = place.y;
    trelk::saveSettings(path, save);
}

const std::string& settingsFilePath() { return g_settingsFilePath; }

const KeywordSet& keywords() { return g_keywords; }

const ColumnLayout& columns() { return g_columns; }

}  // namespace trelk::ui
