#include "cli/output_options.h"

#include <limits>

namespace trelk {

std::optional<ReportFormat> parseReportFormat(const std::string& word, std::string& error) {
    if (word == "report") return ReportFormat::Report;
    if (word == "csv") return ReportFormat::Csv;
    if (word == "json") return ReportFormat::Json;
    if (word == "html") return ReportFormat::Html;
    error = "unknown format '" + word + "' (use report, csv, json or html)";
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
