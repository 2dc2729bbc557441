// The report file: up to five sections in a fixed order, every line ending in CR LF.
#pragma once

#include <string>
#include <string_view>

#include "engine/files/file_system.h"
#include "engine/request/run_options.h"
#include "engine/results/result_tables.h"

namespace trelk {

// 86 hyphens: the rule above and below every section.
inline const std::string kSeparatorLine(86, '-');

// Writes the selected sections into the open report file. The breakdown section reads the BOM
// file again, as it stands now, and copies it up to the line holding the summary keyword.
// Returns the file layer's error number of a failed write, or 0. When the BOM file cannot be
// opened or read again, the error number goes to `breakdownReadError` (0 otherwise) and the
// section holds only what was read before the failure.
int writeReport(OutputFile& file, const SectionSelection& sections, const std::string& bomFileName,
                const KeywordSet& keywords, const ResultTables& tables, int* breakdownReadError = nullptr);

}  // namespace trelk
