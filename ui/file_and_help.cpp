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

std::optional<std::string> pickBomFile(const char* title) {
    const std::string current = getControlText(mainControl(MAIN_BOMFILE));
    std::string folder = initialFolderFor(current);
    if (folder.empty()) {
        char directory[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, directory);
        folder = directory;
    }
    std::string chosen;
    if (!openFileDialog(mainForm(), title, chosen, folder.c_str(), "BOM files|*.bom.*|All Files (*.*)|*.*", "",
                        OFN_EXPLORER | OFN_FILEMUSTEXIST, 1))
        return std::nullopt;
    return chosen;
}

void browseForBomFile() {
    if (const std::optional<std::string> chosen = pickBomFile("Select a Pro/E BOM file"))
        setControlText(mainControl(MAIN_BOMFILE), chosen->c_str());
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

std::string fullPathOf(const std::string& name) {
    if (name.empty()) return name;
    std::string full(MAX_PATH, '\0');
    DWORD length = GetFullPathNameA(name.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length >= full.size()) {  // too long for the buffer: the length asked for counts the nul
        full.assign(length, '\0');
        length = GetFullPathNameA(name.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    }
    if (length == 0 || length >= full.size()) return name;
    full.resize(length);
    return full;
}

std::string bomFileFromCommandLine(const wchar_t* commandLine) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments) return {};
    std::string first;
    if (count > 1 && arguments[1][0]) {
        // Text is ANSI throughout the program; a name outside the code page cannot be opened anyway.
        const int size = WideCharToMultiByte(CP_ACP, 0, arguments[1], -1, nullptr, 0, nullptr, nullptr);
        if (size > 1) {
            first.assign(static_cast<size_t>(size), '\0');
            WideCharToMultiByte(CP_ACP, 0, arguments[1], -1, &first[0], size, nullptr, nullptr);
            first.resize(static_cast<size_t>(size - 1));
        }
    }
    LocalFree(arguments);
    return fullPathOf(first);
}

void takeDroppedFile(HDROP drop) {
    if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        std::string name(DragQueryFileA(drop, 0, nullptr, 0) + 1, '\0');
        name.resize(DragQueryFileA(drop, 0, &name[0], static_cast<UINT>(name.size())));
        if (!name.empty()) setControlText(mainControl(MAIN_BOMFILE), fullPathOf(name).c_str());
    }
    DragFinish(drop);
}

}  // namespace trelk::ui
