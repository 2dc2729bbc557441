// The two commands that reach outside the program: picking the BOM file and opening the help;
// and the two other ways a file reaches the BOM file box: dropped on the window, or named when
// the program is started ("Open with", "Send to", a file dropped on the program's icon).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A file handed to the program by the shell (dropped, or named on the command line), with its
// full path: its characters, and the name the system's 8-bit file functions take, which the
// system's code page cannot always give.
struct ArrivedFile {
    std::wstring characters;
    std::string name;  // empty when the code page cannot name the file (or there is no name)
    bool nameable() const { return !name.empty() || characters.empty(); }
};
ArrivedFile arrivedFile(const std::wstring& name);

// The arguments of a command line such as GetCommandLineW gives (the program's name first), each
// with its full path.
std::vector<ArrivedFile> filesFromCommandLine(const wchar_t* commandLine);
// The name of the first argument, as the 8-bit functions take it; empty without one.
std::string bomFileFromCommandLine(const wchar_t* commandLine);

// The files of a drop; releases the drop.
std::vector<ArrivedFile> droppedFiles(HDROP drop);

// The export number N of a file named as the CAD system names its exports, NAME.bom.N.
std::optional<uint64_t> exportNumberOf(std::wstring_view path);

// Which of two exports is the earlier one: the one with the lower export number, else the one
// last written earlier, else the first given.
struct ExportOrder {
    enum class By : uint8_t { ExportNumber, FileTime, OrderGiven };
    size_t earlier;  // 0 or 1
    By by;
};
struct ExportFacts {
    std::wstring path;
    std::optional<uint64_t> lastWritten;  // the file time, when the file could be looked at
};
ExportOrder orderOfExports(const ExportFacts& first, const ExportFacts& second);

}  // namespace trelk::ui
