#include "ui/file_and_help.h"

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cwctype>

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

namespace {

std::wstring fullPathOf(const std::wstring& name) {
    if (name.empty()) return name;
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {  // too long for the buffer: the length asked for counts the nul
        full.assign(length, L'\0');
        length = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) return name;
    full.resize(length);
    return full;
}

// The name in the system's code page, or empty when a character has no place in it: a "?" or a
// look-alike ("l" for "\u0142") would name another file, or none.
std::string inCodePage(const std::wstring& characters) {
    if (characters.empty()) return {};
    const bool utf8 = GetACP() == CP_UTF8;  // names every character, and takes no check
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* check = utf8 ? nullptr : &defaulted;
    const int length = static_cast<int>(characters.size());
    const int size = WideCharToMultiByte(CP_ACP, flags, characters.data(), length, nullptr, 0, nullptr, check);
    if (size <= 0 || defaulted) return {};
    std::string name(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, characters.data(), length, name.data(), size, nullptr, check);
    return defaulted ? std::string() : name;
}

}  // namespace

ArrivedFile arrivedFile(const std::wstring& name) {
    ArrivedFile file;
    file.characters = fullPathOf(name);
    file.name = inCodePage(file.characters);
    return file;
}

std::vector<ArrivedFile> filesFromCommandLine(const wchar_t* commandLine) {
    std::vector<ArrivedFile> files;
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments) return files;
    for (int i = 1; i < count; ++i) files.push_back(arrivedFile(arguments[i]));
    LocalFree(arguments);
    return files;
}

std::string bomFileFromCommandLine(const wchar_t* commandLine) {
    const std::vector<ArrivedFile> files = filesFromCommandLine(commandLine);
    return files.empty() ? std::string() : files.front().name;
}

std::vector<ArrivedFile> droppedFiles(HDROP drop) {
    std::vector<ArrivedFile> files;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        if (!name.empty()) files.push_back(arrivedFile(name));
    }
    DragFinish(drop);
    return files;
}

std::optional<uint64_t> exportNumberOf(std::wstring_view path) {
    const size_t digits = path.find_last_not_of(L"0123456789") + 1;  // npos + 1 is 0
    constexpr std::wstring_view kBom = L".bom.";
    if (digits == path.size() || digits < kBom.size() + 1) return std::nullopt;
    const std::wstring_view before = path.substr(digits - kBom.size(), kBom.size());
    for (size_t i = 0; i < kBom.size(); ++i)
        if (towlower(before[i]) != kBom[i]) return std::nullopt;
    const wchar_t nameEnd = path[digits - kBom.size() - 1];
    if (nameEnd == L'\\' || nameEnd == L'/' || nameEnd == L':') return std::nullopt;  // no name before
    uint64_t number = 0;
    for (const wchar_t digit : path.substr(digits)) {
        if (number > (UINT64_MAX - 9) / 10) return std::nullopt;  // no counter goes that far
        number = number * 10 + static_cast<uint64_t>(digit - L'0');
    }
    return number;
}

ExportOrder orderOfExports(const ExportFacts& first, const ExportFacts& second) {
    const std::optional<uint64_t> numbers[] = {exportNumberOf(first.path), exportNumberOf(second.path)};
    if (numbers[0] && numbers[1] && *numbers[0] != *numbers[1])
        return {*numbers[0] < *numbers[1] ? size_t{0} : size_t{1}, ExportOrder::By::ExportNumber};
    if (first.lastWritten && second.lastWritten && *first.lastWritten != *second.lastWritten)
        return {*first.lastWritten < *second.lastWritten ? size_t{0} : size_t{1}, ExportOrder::By::FileTime};
    return {0, ExportOrder::By::OrderGiven};
}

}  // namespace trelk::ui
