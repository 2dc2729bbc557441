#include "ui/file_and_help.h"

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include "forms/file_dialog.h"
#include "forms/window_helpers.h"
#include "ui/main_form.h"

namespace trelk::ui {

std::string initialFolderFor(const std::string& boxText) {
    if (boxText.size() > MAX_PATH) return {};
    const size_t last = boxText.find_last_of("\\:");
    return last == std::string::npos ? std::string() : boxText.substr(0, last + 1);
}

void browseForBomFile() {
    const std::string current = getControlText(mainControl(MAIN_BOMFILE));
    std::string folder = initialFolderFor(current);
    if (folder.empty()) {
        char directory[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, directory);
        folder = directory;
    }
    std::string chosen;
    if (openFileDialog(mainForm(), "Select a Pro/E BOM file", chosen, folder.c_str(),
                       "BOM files|*.bom.*|All Files (*.*)|*.*", "", OFN_EXPLORER | OFN_FILEMUSTEXIST, 1))
        setControlText(mainControl(MAIN_BOMFILE), chosen.c_str());
}

std::string helpFilePath() {
    char module[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = module;
    path.erase(path.find_last_of('\\') + 1);
    path += "Trelk.chm";
    if (path.size() > MAX_PATH - 1) path.resize(MAX_PATH - 1);
    return path;
}

void openHelpFile() { ShellExecuteA(mainForm(), "Open", helpFilePath().c_str(), "", "", SW_SHOWNORMAL); }

}  // namespace trelk::ui
