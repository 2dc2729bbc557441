#include "engine/writing/csv_writer.h"

namespace trelk {

namespace {

// A plain loop: find_first_of asks memchr once for every byte of the text.
bool needsQuotes(std::string_view text) {
    for (const char c : text)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
    return false;
}

}  // namespace

std::string csvField(std::string_view text) {
    if (!needsQuotes(text)) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

bool startsLikeFormula(std::string_view text) {
    if (text.empty()) return false;
    switch (text.front()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r': return true;
    default: return false;
    }
}

CsvWriter& CsvWriter::text(std::string_view text) {
    if (!guardFormulas_ || !startsLikeFormula(text)) return field(text);
    return field("'" + std::string(text));
}

CsvWriter& CsvWriter::field(std::string_view text) {
    separate();
    if (!needsQuotes(text))
        out_ << text;
    else
        out_ << csvField(text);
    return *this;
}

CsvWriter& CsvWriter::number(std::optional<int64_t> value) {
    separate();
    char digits[24];
    if (value) out_ << decimalText(*value, digits);
    return *this;
}

CsvWriter& CsvWriter::list(const std::vector<std::string_view>& names) {
    std::string text;
    for (const std::string_view name : names) {
        if (!text.empty()) text += ' ';
        text.append(name.data(), name.size());
    }
    return this->text(text);
}

}  // namespace trelk
