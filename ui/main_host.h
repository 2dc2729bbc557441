// The main window's side of a processing run: the run's request built from the controls, and the
// host that shows its log lines in the log box.
#pragma once

#include <windows.h>

#include <string_view>

#include "engine/processing_run.h"

namespace trelk::ui {

// The log box shows the lines of every run, each at the end with the caret after it.
class MainWindowHost : public ProcessingHost {
public:
    explicit MainWindowHost(HWND mainForm) : mainForm_(mainForm) {}

    void appendLogLine(std::string_view text) override;
    void showErrorBox(std::string_view text, std::string_view caption) override;
    void openDocument(const std::string& path) override;

private:
    HWND mainForm_;
};

// Appends one line to a multi-line edit box without copying what it already holds.
void appendLineToEdit(HWND edit, std::string_view text);

// "&Do it!": one run with the window's current BOM file name and check boxes.
void runProcessingFromWindow();

// The section check boxes as the run and the settings see them: on only when checked.
SectionSelection sectionsFromCheckBoxes();

}  // namespace trelk::ui
