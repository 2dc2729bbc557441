// The export's own summary of parts as a check of the computed totals. It never changes the
// report; where the two disagree, the log says so, name by name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rollup/rollup.h"

namespace trelk {

// The names whose computed total differs from the summary rows of the structure: every part of
// the totals or of the rows (a name listed twice is summed; a name missing on one side counts 0
// there), except those whose total left the range; and the summary's total line, when it has one
// that does not agree. Totals is the part totals of one build, sorted by name.
struct SummaryDifferences {
    size_t count = 0;
    // The parts compared (those with a total and those listed), and those whose totals differ.
    size_t parts = 0, differingParts = 0;
    // One line per name, in byte order of the names; at most `limit`, then one saying that more
    // were left out; then the line on the total line.
    std::vector<std::string> lines;

    // Most parts differ, and more than a few: no summary edited by hand or changed after the
    // export looks like that, a reading by the wrong words or columns does. The run says so in
    // a line of its own (messages::mostPartsDiffer) after the differences.
    bool mostPartsDiffer() const;
};
SummaryDifferences summaryDifferences(const TotalsTable& partTotals, const BomStructure& bom, size_t limit = 100);

// Logs them when the export has a summary; returns them (without their lines).
SummaryDifferences logSummaryDifferences(const TotalsTable& partTotals, const BomStructure& bom, const LogSink& log);

namespace messages {
inline constexpr std::string_view kSummaryDiffers = "Total differs from the summary of parts in the BOM file, counted";
inline constexpr std::string_view kFurtherSummaryDifferences =
    "Further differences from the summary of parts left out!";
inline constexpr std::string_view kTotalLineDiffers =
    "Total of the parts differs from the total line in the BOM file, counted";
std::string summaryDiffers(int64_t counted, int64_t listed, std::string_view name);
std::string totalLineDiffers(int64_t counted, int64_t listed);
std::string mostPartsDiffer(size_t differing, size_t parts);
}  // namespace messages

}  // namespace trelk
