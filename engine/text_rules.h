// Text rules shared by the BOM reader, the settings and the form framework:
// how a file is cut into lines and how a number is read from the front of a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace trelk {

// The input ends at the first Ctrl-Z (byte 26); nothing after it is read.
std::string_view cutAtEndOfFileMark(std::string_view bytes);

// Calls onLine(std::string_view) for every line of `bytes`. A line ends at CR; an LF right after
// the CR belongs to that line end. A lone LF stays inside the line's text. A final line without a
// line end is a line like any other; nothing after a Ctrl-Z is read.
template <class OnLine>
void forEachLine(std::string_view bytes, OnLine&& onLine) {
    bytes = cutAtEndOfFileMark(bytes);
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end) {
        const void* cr = std::memchr(p, '\r', static_cast<size_t>(end - p));
        const char* lineEnd = cr ? static_cast<const char*>(cr) : end;
        onLine(std::string_view(p, static_cast<size_t>(lineEnd - p)));
        if (!cr) break;
        p = lineEnd + 1;
        if (p < end && *p == '\n') ++p;
    }
}

std::vector<std::string_view> splitLines(std::string_view bytes);

// A number read from the front of a text: blanks, tabs and line feeds are skipped, then an
// optional sign, digits, an optional decimal point and digits; reading stops at the first byte
// that cannot continue the number. The value is rounded to the nearest integer, halves to the
// even neighbour. A text that does not begin with a number reads as 0.
struct LeadingNumber {
    int64_t value = 0;
    bool outOfRange = false;  // the rounded value does not fit in 64 bits; value is then 0
};
LeadingNumber readLeadingNumber(std::string_view text);

// The same, limited to the 32-bit range (values beyond it are clamped to its ends).
int32_t readLeadingInt32(std::string_view text);

// Decimal text with one leading blank for a value that is not negative (" 57", " 0", "-4"):
// the form numbers take in log lines and in the settings file.
std::string formatSignedDecimal(int64_t value);

}  // namespace trelk
