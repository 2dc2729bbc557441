// The two commands that reach outside the program: picking the BOM file and opening the help;
// and the two other ways a file reaches the BOM file box: dropped on the window, or named when
// the program is started ("Open with", "Send to", a file dropped on the program's icon).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>

namespace trelk::ui {

// "...": the file-open dialog; a chosen file's full path goes into the BOM file box. A cancelled
// dialog leaves the box as it was.
void browseForBomFile();

// The file-open dialog for a BOM file with the title, starting in the folder of the BOM file box:
// the chosen file's full path, or nothing when the dialog was cancelled.
std::optional<std::string> pickBomFile(const char* title);

// "Help": Trelk.chm from the program's own folder, opened by the system.
void openHelpFile();

// The folder the dialog starts in for the text of the BOM file box: up to and including its last
// "\" or ":", or empty (the current directory) when there is none or the text is too long.
std::string initialFolderFor(const std::string& boxText);

// The help file beside the program file.
std::string helpFilePath();

// The full path of a file name, taken against the current directory; the name itself when it
// cannot be formed. The file need not exist.
std::string fullPathOf(const std::string& name);

// The full path of the first argument of a command line such as GetCommandLineW gives (the
// program's name first); empty without an argument. Further arguments are not looked at.
std::string bomFileFromCommandLine(const wchar_t* commandLine);

// The first file of a drop, with its full path, into the BOM file box; nothing runs. Releases the
// drop either way.
void takeDroppedFile(HDROP drop);

}  // namespace trelk::ui
