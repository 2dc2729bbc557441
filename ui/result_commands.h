// What the main window runs: "&Do it!", and beyond the report the commands of its system menu
// (the HTML page, the comparison with an earlier export, the CSV tables, the results folder). Each
// builds its request from the window and calls the engine; none starts while a run is going on.
#pragma once

namespace trelk::ui {

// A run holds the thread, but a message box it shows runs a message loop in which the main window
// still takes commands: none of them may start a run inside the first.
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

}  // namespace trelk::ui
