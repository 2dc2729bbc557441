// The two commands that reach outside the program: picking the BOM file and opening the help.
#pragma once

#include <string>

namespace trelk::ui {

// "...": the file-open dialog; a chosen file's full path goes into the BOM file box. A cancelled
// dialog leaves the box as it was.
void browseForBomFile();

// "Help": Trelk.chm from the program's own folder, opened by the system.
void openHelpFile();

// The folder the dialog starts in for the text of the BOM file box: up to and including its last
// "\" or ":", or empty (the current directory) when there is none or the text is too long.
std::string initialFolderFor(const std::string& boxText);

// The help file beside the program file.
std::string helpFilePath();

}  // namespace trelk::ui
