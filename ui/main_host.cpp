#include "ui/main_host.h"

#include <shellapi.h>

#include <string>

#include "forms/window_helpers.h"
#include "settings/app_folder.h"
#include "ui/main_form.h"
#include "ui/settings_binding.h"

namespace trelk::ui {

void appendToEdit(HWND edit, const std::string& text) {
    if (!IsWindow(edit) || text.empty()) return;
    // Select the empty end and replace it: the text lands at the end with the caret after it.
    const LRESULT end = GetWindowTextLengthA(edit);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    const LRESULT newEnd = GetWindowTextLengthA(edit);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(newEnd), newEnd);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
}

void MainWindowHost::appendLogLine(std::string_view text) {
    pending_.append(text.data(), text.size());
    pending_ += "\r\n";
}

void MainWindowHost::flush() {
    appendToEdit(GetDlgItem(mainForm_, MAIN_LOG), pending_);
    pending_.clear();
}

void MainWindowHost::showErrorBox(std::string_view text, std::string_view caption) {
    flush();
    MessageBoxA(nullptr, std::string(text).c_str(), std::string(caption).c_str(), MB_OK | MB_ICONERROR);
}

void MainWindowHost::openDocument(const std::string& path) {
    flush();
    ShellExecuteA(mainForm_, "Open", path.c_str(), "", "", SW_SHOWNORMAL);
}

SectionSelection sectionsFromCheckBoxes() {
    SectionSelection selection;
    for (const ReportSection& s : kReportSections)
        selection.*s.flag = getCheckState(mainControl(sectionCheckBox(s.section))) == 1;
    return selection;
}

void runProcessingFromWindow() {
    RunRequest request;
    request.bomFileName = getControlText(mainControl(MAIN_BOMFILE));
    request.sections = sectionsFromCheckBoxes();
    request.keywords = keywords();
    request.columns = columns();
    request.bomFormatFile = bomFormatFile();
    // Asked anew for every run, so that a folder removed meanwhile is made again (and a failure
    // is shown before anything of the run).
    request.applicationFolder = ensureAppFolder(kAppIdentity, showFolderMessage);
    MainWindowHost host(mainForm());
    runProcessing(request, host);
}

}  // namespace trelk::ui
