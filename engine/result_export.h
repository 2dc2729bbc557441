// The results written, in every format and to every destination by one path: the report, the
// JSON document, the HTML page or the CSV tables of a folder, into files or (all but CSV) to the standard
// output, each output created, written, closed and looked for again, with one set of log lines
// for success and failure.
#pragma once

#include <string>
#include <vector>

#include "engine/analysis.h"
#include "engine/processing_run.h"

namespace trelk {

// Writes the analysis as the request asks and logs how that went; on success the host is asked to
// open what was written (the file, or the folder of the CSV files). `log` holds the run's log lines
// so far, for the JSON document and the HTML page.
RunOutcome writeResults(const RunRequest& request, const Analysis& analysis, const std::vector<std::string>& log,
                        ProcessingHost& host);

}  // namespace trelk
