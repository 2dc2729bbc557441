// The text report, of a run's results or of a comparison (engine/writing/report_text.h is its
// frame). A run's: up to five sections in a fixed order, the breakdown a copy of the BOM file. A
// comparison's: a header with both files' log lines, the changes by assembly, and as the sections
// choose, the changes of the summaries of assemblies and of parts and of the two where-used lists
// (docs/help/compare.html shows its layout).
#pragma once

#include "engine/files/file_system.h"
#include "engine/writing/documents.h"

namespace trelk {

// Writes the report into the open file; the error number of a failed write, or 0. The breakdown
// section reads the BOM file again, as it stands now, and copies it up to the line holding the
// summary keyword: when the file cannot be opened or read again, the error number goes to
// `breakdownReadError` (0 otherwise) and the section holds only what was read before the failure.
int writeReport(OutputFile& file, const ResultsDocument& document, int& breakdownReadError);
// A comparison's report (the breakdown flag is not read; `breakdownReadError` is left as it is).
int writeReport(OutputFile& file, const ComparisonDocument& document, int& breakdownReadError);

}  // namespace trelk
