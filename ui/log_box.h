// The log box in any script. The engine's lines are 8-bit text of two kinds: names from the
// export, in its UTF-8 or Windows-1252, and the file names the window handed it, in the system's
// code page. The box is an ANSI edit control, but it holds wide text: each line goes in as the
// characters it names, whatever the system's code page can show.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace trelk::ui {

// Where a line's bytes come from.
enum class LogText {
    Export,  // valid UTF-8 is read as UTF-8, anything else as Windows-1252, as the exports are
    System,  // in the system's code page (a file name the window handed to the engine)
};

// The line's characters.
std::wstring logLineCharacters(std::string_view line, LogText kind);

// Appends the text at the end of the box, caret after it and scrolled into view, without copying
// what the box already holds.
void appendToLogBox(HWND edit, const std::wstring& text);

// The box's whole text, as its characters.
std::wstring logBoxText(HWND edit);

}  // namespace trelk::ui
