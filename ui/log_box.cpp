#include "ui/log_box.h"

#include "text/text_codec.h"

namespace trelk::ui {

namespace {

std::wstring wideFrom(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), units);
    return wide;
}

// The framework subclasses the box with an ANSI procedure, through which the system would take
// wide text down to the code page: wide text goes to the edit control's own Unicode procedure,
// which keeps it as it is.
LRESULT sendToEdit(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto editProcedure = reinterpret_cast<WNDPROC>(GetClassLongPtrW(edit, GCLP_WNDPROC));
    return editProcedure ? CallWindowProcW(editProcedure, edit, message, wParam, lParam) : 0;
}

}  // namespace

std::wstring logLineCharacters(std::string_view line, LogText kind) {
    return kind == LogText::System ? wideFrom(CP_ACP, line) : wideFrom(CP_UTF8, systemTextToUtf8(line));
}

void appendToLogBox(HWND edit, const std::wstring& text) {
    if (!IsWindow(edit) || text.empty()) return;
    // Select the empty end and replace it: the text lands at the end with the caret after it.
    const LRESULT end = sendToEdit(edit, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
    sendToEdit(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    const LRESULT newEnd = sendToEdit(edit, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(newEnd), newEnd);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
}

std::wstring logBoxText(HWND edit) {
    if (!IsWindow(edit)) return {};
    std::wstring text(static_cast<size_t>(sendToEdit(edit, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        sendToEdit(edit, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

}  // namespace trelk::ui
