// The frame of the text reports, a run's and a comparison's: lines ended by CR LF, sections framed
// by lines of 86 hyphens, and the count field. Names and texts go out as their bytes were read.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/files/file_system.h"

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

// A report being written: collected in one large buffer and handed to the file in big pieces; a
// text larger than the buffer goes to the file directly.
class ReportText {
public:
    explicit ReportText(OutputFile& file) : file_(file), buffer_(new char[kSize]) {}
    ReportText(const ReportText&) = delete;
    ReportText& operator=(const ReportText&) = delete;

    // Inline: the report's every line puts several pieces.
    void put(std::string_view text) {
        if (text.size() > kSize - used_) {
            flush();
            if (text.size() > kSize) {
                write(text.data(), text.size());
                return;
            }
        }
        std::memcpy(buffer_.get() + used_, text.data(), text.size());
        used_ += text.size();
    }
    void endLine() { put("\r\n"); }
    void line(std::string_view text) {
        put(text);
        endLine();
    }
    void count(int64_t value) {
        if (kSize - used_ < 20) flush();
        used_ = static_cast<size_t>(putCount(buffer_.get() + used_, value) - buffer_.get());
    }
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
    int finish() {
        flush();
        return error_;
    }

private:
    static constexpr size_t kSize = 1 << 20;

    void write(const char* data, size_t size) {
        if (error_ == kNoError) error_ = file_.write(data, size);
    }
    void flush() {
        if (used_ > 0) write(buffer_.get(), used_);
        used_ = 0;
    }

    OutputFile& file_;
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
    int error_ = kNoError;
};

}  // namespace trelk
