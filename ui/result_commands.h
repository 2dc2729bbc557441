// What the main window runs: "&Do it!", and beyond the report the commands of its system menu
// (the HTML page, the comparison with an earlier export, the CSV tables, the results folder) and
// the comparison of two files dropped on it or named when the program starts. Each builds its
// request from the window and calls the engine; none starts while a run is going on.
#pragma once

#include <vector>

#include "ui/file_and_help.h"

namespace trelk::ui {

// A run holds the thread, but a message box it shows runs a message loop in which the main window
// still takes commands and drops: none of them may start a run inside the first.
bool runGoingOn();

// "&Do it!": one run with the window's BOM file name and check boxes; when the results are shown
// as a web page, the page goes beside the report and is opened instead of it.
void runProcessingFromWindow();

// "Compare with an earlier export...": the earlier file picked in the file-open dialog, the
// later one in the BOM file box.
void compareWithEarlierExport();

// "Write tables for a spreadsheet": the CSV tables of the chosen sections in the application
// folder, which is then opened.
void writeSpreadsheetTables();

// "Open the results folder": the application folder in the file manager.
void openResultsFolder();

// Files dropped on the window: two are compared, the earlier one told from their names and ages
// (and the later one put into the BOM file box); one, or the first of more, goes into the box and
// nothing runs. A file the system's code page cannot name is logged instead.
void receiveFiles(const std::vector<ArrivedFile>& files);

// The files the program was started with, at the main window's creation: taken as dropped, but
// a comparison waits for WMU_COMPARE_START_FILES, once the window is shown.
void receiveStartFiles(const std::vector<ArrivedFile>& files);
void compareStartFiles();

}  // namespace trelk::ui
