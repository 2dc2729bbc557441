// Small window operations used by the forms and by the program's logic. Each of them does
// nothing, or returns 0 or the empty text, when the window handle is not a window.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace trelk {

std::string getControlText(HWND window);
void setControlText(HWND window, const char* text);
void setEditSelection(HWND window, int start, int end);
int getCheckState(HWND window);  // 1 when checked, else 0
void setCheckState(HWND window, int state);

// Top-left corner in the parent's client coordinates (screen coordinates without a parent).
POINT getWindowPosition(HWND window);
SIZE getWindowSize(HWND window);  // outer size
void setWindowPosition(HWND window, int x, int y);
void setWindowSize(HWND window, int width, int height);

// Makes the client area exactly width x height for the window's style, menu and scroll bars.
// A width or height of 0 leaves the window alone.
void setClientSize(HWND window, int width, int height);

// The lines of a text file by the BOM line rules (CR or CR LF ends a line, a lone LF stays in
// the line, Ctrl-Z ends the text). Returns the number of lines; 0 and no lines when the file
// cannot be read.
int readTextFileLines(const char* fileName, std::vector<std::string>& lines);

// Upper-case (ASCII letters only) copies, for class name comparisons.
std::string upperCase(std::string_view text);
std::string upperCaseClassName(HWND window);

}  // namespace trelk
