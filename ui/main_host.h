// The main window's side of a run: the host that shows the run's log lines in the log box.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "engine/runs/processing_run.h"
#include "ui/log_box.h"

namespace trelk::ui {

// The log box shows the lines of every run, each at the end with the caret after it. The lines
// of a run reach the box together: an edit box re-lays its whole text at every change, so a run
// that logs thousands of lines would otherwise take minutes. Nothing can watch the box while the
// run holds the thread, and the lines are in place before anything else is shown.
class MainWindowHost : public ProcessingHost {
public:
    // The request's BOM file and application folder, and the comparison's earlier file when
    // there is one, are in the system's code page: the log lines that name them are read so.
    MainWindowHost(HWND mainForm, const RunRequest& request, std::string earlierFile = {});
    ~MainWindowHost() override { flush(); }
    MainWindowHost(const MainWindowHost&) = delete;
    MainWindowHost& operator=(const MainWindowHost&) = delete;

    void appendLogLine(std::string_view text) override;
    void showErrorBox(std::string_view text, std::string_view caption) override;
    void openDocument(const std::string& path) override;

    // Puts the lines logged so far into the log box.
    void flush();

private:
    LogText kindOf(std::string_view line) const;

    HWND mainForm_;
    std::string bomFile_, earlierFile_, folder_;
    std::wstring pending_;
};

// Lines of the window's own, in characters, at the end of the log box.
void appendToLog(std::initializer_list<std::wstring> lines);

// The section check boxes as the run and the settings see them: on only when checked.
SectionSelection sectionsFromCheckBoxes();

}  // namespace trelk::ui
