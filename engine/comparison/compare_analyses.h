// The comparison of the analyses of two exports of the same product, which makes the Comparison
// (engine/results/comparison.h says what it holds and what its words mean).
#pragma once

#include <cstdint>

#include "engine/request/run_request.h"
#include "engine/results/analysis.h"
#include "engine/results/comparison.h"

namespace trelk {

// Compares the analyses of two files, both made with their structure kept and the encoding found
// (AnalysisWants); the files' names and log lines come in `oldFile` and `newFile`, whose other
// members are filled here. The comparison's notes on a file (members summed, blocks left out,
// names converted) go to `notes` and to the end of that file's log.
Comparison compareAnalyses(const Analysis& oldAnalysis, const Analysis& newAnalysis, ComparedFile oldFile,
                           ComparedFile newFile, int64_t buildQuantity, const LogSink& notes);

}  // namespace trelk
