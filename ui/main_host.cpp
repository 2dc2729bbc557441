#include "ui/main_host.h"

#include <shellapi.h>

#include <string>

#include "forms/window_helpers.h"
#include "ui/main_form.h"

namespace trelk::ui {

MainWindowHost::MainWindowHost(HWND mainForm, const RunRequest& request, std::string earlierFile)
    : mainForm_(mainForm),
      bomFile_(request.bomFileName),
      earlierFile_(std::move(earlierFile)),
      folder_(request.applicationFolder) {}

// The engine logs a file name on a line of its own: the BOM file as it was given, and what it
// writes, which lies in the application folder.
LogText MainWindowHost::kindOf(std::string_view line) const {
    if (line.empty()) return LogText::Export;
    if (line == bomFile_ || line == earlierFile_) return LogText::System;
    if (!folder_.empty() && line.substr(0, folder_.size()) == folder_ &&
        (line.size() == folder_.size() || line[folder_.size()] == '\\'))
        return LogText::System;
    return LogText::Export;
}

void MainWindowHost::appendLogLine(std::string_view text) {
    pending_ += logLineCharacters(text, kindOf(text));
    pending_ += L"\r\n";
}

void MainWindowHost::flush() {
    appendToLogBox(GetDlgItem(mainForm_, MAIN_LOG), pending_);
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

void appendToLog(std::initializer_list<std::wstring> lines) {
    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\r\n";
    appendToLogBox(mainControl(MAIN_LOG), text);
}

SectionSelection sectionsFromCheckBoxes() {
    SectionSelection selection;
    for (const ReportSection& s : kReportSections)
        selection.*s.flag = getCheckState(mainControl(sectionCheckBox(s.section))) == 1;
    return selection;
}

}  // namespace trelk::ui
