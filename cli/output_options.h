// The --format and --build options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/processing_run.h"

namespace trelk {

// "report", "csv" or "json". Gives nothing for another word and says why in `error`.
std::optional<ReportFormat> parseReportFormat(const std::string& word, std::string& error);

// A positive whole number of machines, written in decimal digits only, up to 2^63 - 1.
std::optional<int64_t> parseBuildQuantity(const std::string& text, std::string& error);

}  // namespace trelk
