// The frame of the text reports, a run's and a comparison's: lines ended by CR LF, sections framed
// by lines of 86 hyphens, and the count field. Names and texts go out as their bytes were read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/files/file_system.h"
#include "engine/writing/output_buffer.h"

namespace trelk {

// 86 hyphens: the rule above and below every section.
inline const std::string kSeparatorLine(86, '-');

// The count field: right-aligned in five positions, widened to its own length when longer.
// Writes it at `out`, which has room for 20 bytes; returns its end.
char* putWideCount(char* out, int64_t value);
inline char* putCount(char* out, int64_t value) {
    if (value < 0 || value > 99999) return putWideCount(out, value);
    // The usual case, inline for the report's every line: digits from the right, blanks in front.
    for (int i = 4; i >= 0; --i) {
        out[i] = value > 0 || i == 4 ? static_cast<char>('0' + value % 10) : ' ';
        value /= 10;
    }
    return out + 5;
}

// A report being written, through the buffer every format shares.
class ReportText {
public:
    explicit ReportText(OutputFile& file) : out_(file) {}

    void put(std::string_view text) { out_ << text; }
    void endLine() { put("\r\n"); }
    void line(std::string_view text) {
        put(text);
        endLine();
    }
    void count(int64_t value) { out_.took(putCount(out_.room(20), value)); }
    // The count field, or "-" in its place for a side without the line or row.
    void countOrNone(std::optional<int64_t> value);
    // old -> new
    void change(std::optional<int64_t> before, std::optional<int64_t> after);
    // A difference with its sign, right-aligned in eight positions, widened with a blank in front.
    void difference(int64_t value);
    // The text, padded with blanks to the width.
    void padded(std::string_view text, size_t width);
    // "   label" and the names separated by commas; nothing for no names.
    void names(std::string_view label, const std::vector<std::string_view>& names);

    // A section: a line of hyphens, the title and the main assembly's name on one line (no line
    // for an empty title), what `body` writes, a line of hyphens, and two empty lines unless the
    // report ends there.
    template <class Body>
    void section(std::string_view title, std::string_view mainAssembly, bool emptyLinesAfter, Body&& body) {
        line(kSeparatorLine);
        if (!title.empty()) {
            put(title);
            line(mainAssembly);
        }
        body();
        line(kSeparatorLine);
        if (emptyLinesAfter) {
            endLine();
            endLine();
        }
    }

    // The error number of the first failed write, or 0.
    int finish() { return out_.finish(); }

private:
    OutputBuffer out_;
};

}  // namespace trelk
