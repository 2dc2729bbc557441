// One JSON document (UTF-8; names of a Windows-1252 export converted) of a run's results, format
// "trelk-results", or of a comparison, format "trelk-comparison"; each layout is versioned and
// described in the help (console.html#json, compare.html). Its tables are those of the CSV files
// (engine/writing/tables.h), one array each.
#pragma once

#include <string_view>

#include "engine/files/file_system.h"
#include "engine/writing/documents.h"

namespace trelk {

inline constexpr std::string_view kJsonFormatName = "trelk-results";
inline constexpr int kJsonFormatVersion = 1;
inline constexpr std::string_view kComparisonJsonFormatName = "trelk-comparison";
inline constexpr int kComparisonJsonFormatVersion = 1;

// Writes the document into the open file; the error number of a failed write, or 0.
int writeJson(OutputFile& file, const ResultsDocument& document);
int writeJson(OutputFile& file, const ComparisonDocument& document);

}  // namespace trelk
