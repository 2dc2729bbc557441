// Rows of a CSV table (RFC 4180) written into a file: fields separated by commas, rows ended by
// CR LF, a field holding a comma, a quote, a CR or an LF quoted with its quotes doubled.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/writing/output_buffer.h"

namespace trelk {

// The field as RFC 4180 wants it.
std::string csvField(std::string_view text);

// A spreadsheet takes a cell that begins with one of = + - @, a tab or a CR for a formula, and runs
// it: a part named =HYPERLINK(...) in another company's export would. Such a text is written with
// an apostrophe before it, which makes it the text it is (as OWASP advises against CSV injection).
bool startsLikeFormula(std::string_view text);

class CsvWriter {
public:
    // `guardFormulas`: texts that start like a formula are written as text (startsLikeFormula).
    explicit CsvWriter(OutputFile& file, bool guardFormulas = true) : out_(file), guardFormulas_(guardFormulas) {}
    // A field as it is: a column's name, a word of the program.
    CsvWriter& field(std::string_view text);
    // A text of the export or of the system (a name, a log line), guarded as the writer was made.
    CsvWriter& text(std::string_view text);
    // An empty field for no value.
    CsvWriter& number(std::optional<int64_t> value);
    // Names in one field, separated by blanks (names hold none).
    CsvWriter& list(const std::vector<std::string_view>& names);
    void endRow() {
        out_ << "\r\n";
        first_ = true;
    }
    void raw(std::string_view bytes) { out_ << bytes; }
    // The error number of the first failed write, or 0.
    int finish() { return out_.finish(); }

private:
    void separate() {
        if (!first_) out_ << ',';
        first_ = false;
    }
    OutputBuffer out_;
    bool guardFormulas_;
    bool first_ = true;
};

}  // namespace trelk
