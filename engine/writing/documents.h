// What the writers write: a run's results or a comparison. Every format writes either, from these.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/request/run_request.h"
#include "engine/results/analysis.h"
#include "engine/results/comparison.h"

namespace trelk {

// A run's results: the request names the BOM file, the build quantity and the sections; the
// analysis holds the tables, the tree, the encoding and the keywords the file was read by.
struct ResultsDocument {
    const RunRequest& request;
    const Analysis& analysis;
    const std::vector<std::string>& log;  // the run's log lines up to the writing
};

// A comparison, with the sections chosen: the summaries and where-used lists whose changes show.
struct ComparisonDocument {
    const Comparison& comparison;
    const SectionSelection& sections;
    bool csvRaw = false;  // RunRequest::csvRaw
};

// The comparison's own first section, before those of kReportSections: the changes by assembly.
inline constexpr std::string_view kBlockChangesTitle = "Changes by assembly for assembly ";
inline constexpr std::string_view kBlockChangesLabel = "Changes by assembly";

}  // namespace trelk
