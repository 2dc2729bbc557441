#include "cli/output_options.h"

#include <iterator>
#include <limits>

namespace trelk {

std::optional<ReportFormat> parseReportFormat(const std::string& word, std::string& error) {
    for (const OutputFormat& f : kOutputFormats)
        if (word == f.word) return f.format;
    error = "unknown format '" + word + "' (use ";
    for (size_t i = 0; i < std::size(kOutputFormats); ++i) {
        if (i > 0) error += i + 1 < std::size(kOutputFormats) ? ", " : " or ";
        error += kOutputFormats[i].word;
    }
    error += ")";
    return std::nullopt;
}

std::optional<int64_t> parseBuildQuantity(const std::string& text, std::string& error) {
    error = "--build needs a positive whole number, not '" + text + "'";
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    uint64_t value = 0;
    for (const char c : text) value = value * 10 + static_cast<uint64_t>(c - '0');  // 19 digits fit in 64 bits
    if (value == 0 || value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return std::nullopt;
    error.clear();
    return static_cast<int64_t>(value);
}

}  // namespace trelk
