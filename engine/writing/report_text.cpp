#include "engine/writing/report_text.h"

#include <charconv>
#include <cstring>

namespace trelk {

char* putWideCount(char* out, int64_t value) {
    char digits[20];
    const char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const size_t length = static_cast<size_t>(end - digits);
    for (size_t i = length; i < 5; ++i) *out++ = ' ';
    std::memcpy(out, digits, length);
    return out + length;
}

void ReportText::countOrNone(std::optional<int64_t> value) {
    if (value)
        count(*value);
    else
        put("    -");
}

void ReportText::change(std::optional<int64_t> before, std::optional<int64_t> after) {
    countOrNone(before);
    put(" -> ");
    countOrNone(after);
}

void ReportText::difference(int64_t value) {
    char digits[24];
    std::string text = value > 0 ? "+" : "";
    text.append(digits, static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits));
    put(std::string(text.size() < 8 ? 8 - text.size() : 1, ' '));
    put(text);
}

void ReportText::padded(std::string_view text, size_t width) {
    put(text);
    if (text.size() < width) put(std::string(width - text.size(), ' '));
}

void ReportText::names(std::string_view label, const std::vector<std::string_view>& names) {
    if (names.empty()) return;
    put("   ");
    put(label);
    for (size_t i = 0; i < names.size(); ++i) {
        put(i == 0 ? " " : ", ");
        put(names[i]);
    }
}

}  // namespace trelk
