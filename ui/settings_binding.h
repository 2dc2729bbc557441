// The main window's settings: loaded into its controls at creation, saved from them at close.
#pragma once

#include <windows.h>

#include <string>

#include "engine/request/run_options.h"

namespace trelk::ui {

// Finds the settings file, loads it, fills the BOM file box and the check boxes, moves the
// window to its stored place and posts its stored size (applied once the message loop runs).
void restoreSettings(HWND mainForm);

// Stores the BOM file box, the check boxes and the window's size and place as they are now.
void saveSettings(const std::string& path);

// The settings file found at the main window's creation.
const std::string& settingsFilePath();
// The parser keywords as loaded; edits of the file take effect at the next start.
const KeywordSet& keywords();
// The column layout as loaded, likewise.
const ColumnLayout& columns();
// The company's BOM format file of [Format] File, likewise; empty for none.
const std::string& bomFormatFile();

// "Show results as a web page" of the system menu: its check mark is the live choice, set from
// the settings at creation. The settings store it at close only once the user has changed it.
bool showsResultsAsWebPage();
void toggleResultsAsWebPage();

// A folder problem, shown the way the folder service shows it: a task-modal box without icon.
void showFolderMessage(const std::string& text);

}  // namespace trelk::ui
