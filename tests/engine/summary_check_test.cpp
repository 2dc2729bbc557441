// The export's own summary of parts as a check of the totals: which section counts, and the log
// lines of the differences.
#include <gtest/gtest.h>

#include "engine/runs/processing_run.h"
#include "engine/rollup/summary_check.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using Lines = std::vector<std::string>;

// TOP holds 2 FRAME and 3 BOLT; FRAME holds 4 BOLT and 1 RAIL: BOLT 11, RAIL 2.
const std::string kBreakdown =
    "Assembly TOP contains:\r\n     2  Sub-Assembly  FRAME\r\n     3          Part  BOLT\r\n\r\n"
    "Sub-Assembly FRAME contains:\r\n     4          Part  BOLT\r\n     1          Part  RAIL\r\n\r\n";

// The log lines of the check for the export, as a run logs them.
Lines checkLines(const std::string& bytes, const ColumnLayout& columns = ColumnLayout()) {
    const BomStructure bom(bytes, KeywordSet(), columns);
    const RollupTotals totals = expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1), [](std::string_view) {});
    const ResultTables tables = sortTables(bom, totals, buildWhereUsed(bom));
    Lines lines;
    logSummaryDifferences(tables.partTotals, bom, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::string differs(int64_t counted, int64_t listed, const std::string& name) {
    return "Total differs from the summary of parts in the BOM file, counted" + formatSignedDecimal(counted) +
           ", listed" + formatSignedDecimal(listed) + " - " + name;
}

TEST(SummaryCheck, ComparesTheTotalsWithTheRightSection) {
    const std::string agreeing =
        "Summary of parts for assembly TOP:\r\n    11          Part  BOLT\r\n     2          Part  RAIL\r\n";
    const struct {
        const char* what;
        std::string bytes;
        Lines lines;
    } cases[] = {
        {"agreement", kBreakdown + agreeing, {}},
        {"no summary", kBreakdown, {}},
        {"the summary of another assembly",
         kBreakdown + "Summary of parts for assembly FRAME:\r\n     9  Part  BOLT\r\n",
         {}},
        {"another assembly's first, then the main one's",
         kBreakdown + "Summary of parts for assembly FRAME:\r\n     9  Part  BOLT\r\n\r\n" + agreeing,
         {}},
        {"a listed total too high and one too low",
         kBreakdown + "Summary of parts for assembly TOP:\r\n    12  Part  BOLT\r\n     1  Part  RAIL\r\n",
         {differs(11, 12, "BOLT"), differs(2, 1, "RAIL")}},
        {"names on one side only, in byte order",
         kBreakdown + "Summary of parts for assembly TOP:\r\n    11  Part  BOLT\r\n     5  Part  AXLE\r\n",
         {differs(0, 5, "AXLE"), differs(2, 0, "RAIL")}},
        {"a name listed twice is summed; sub-assemblies and other lines do not count",
         kBreakdown + "Summary of parts for assembly TOP:\r\n  Quantity Type Name\r\n     6  Part  BOLT\r\n"
                      "     5  Part  BOLT\r\n     2  Sub-Assembly  RAIL\r\n     2  Part  RAIL\r\n",
         {}},
        {"the rows end at the next empty line", kBreakdown + agreeing + "   \r\n     7  Part  RAIL\r\n", {}},
        {"only the first summary line of the main assembly counts",
         kBreakdown + "Summary of parts for assembly TOP\r\n    -1  Part  BOLT\r\n\r\n" + agreeing,
         {differs(11, -1, "BOLT"), differs(2, 0, "RAIL")}},
        {"a summary before the breakdown", agreeing + "\r\n" + kBreakdown, {}},
        {"a summary before the breakdown, in the rows its header",
         "Summary of parts for assembly TOP:\r\n    11  Part  BOLT\r\n" + kBreakdown,
         {differs(11, 14, "BOLT"), differs(2, 0, "RAIL")}},
        {"a second summary line among the rows is a line like any other",
         kBreakdown + "Summary of parts for assembly TOP:\r\n    11  Part  BOLT\r\n"
                      "Summary of parts for assembly TOP:\r\n     2  Part  RAIL\r\n",
         {}},
        {"blanks in the summary line are normalised",
         kBreakdown + "  Summary   of parts for assembly   TOP:  \r\n    11  Part  BOLT\r\n",
         {differs(2, 0, "RAIL")}},
    };
    for (const auto& c : cases) EXPECT_EQ(checkLines(c.bytes), c.lines) << c.what;
}

TEST(SummaryCheck, UsesTheColumnLayoutForItsRows) {
    const std::string company =
        "Assembly TOP contains:\r\n     3  Part  BOLT  HEX BOLT M8 X 30\r\n\r\n"
        "Summary of parts for assembly TOP:\r\n     3  Part  BOLT  HEX BOLT M8 X 30\r\n";
    EXPECT_EQ(checkLines(company, ColumnLayout::fields(1, 2, 3)), Lines{});
    // Read with the wrong layout both sides name the part "30": the check cannot see that.
    EXPECT_EQ(checkLines(company), Lines{});
    EXPECT_EQ(checkLines(company + "1 Part NUT M8\r\n", ColumnLayout::fields(1, 2, 3)), (Lines{differs(0, 1, "NUT")}));
}

TEST(SummaryCheck, StopsAfterAHundredLines) {
    std::string bytes = "Assembly TOP contains:\r\n\r\nSummary of parts for assembly TOP:\r\n";
    for (int i = 100; i < 100 + 102; ++i) bytes += "1 Part P" + std::to_string(i) + "\r\n";
    const Lines lines = checkLines(bytes);
    ASSERT_EQ(lines.size(), 101u);
    EXPECT_EQ(lines[0], differs(0, 1, "P100"));
    EXPECT_EQ(lines[99], differs(0, 1, "P199"));
    EXPECT_EQ(lines[100], "Further differences from the summary of parts left out!");
    const BomStructure bom(bytes, KeywordSet());
    EXPECT_EQ(summaryDifferences(TotalsTable(), bom).count, 102u);  // the count goes on
    bytes.resize(bytes.rfind("1 Part P201"));
    EXPECT_EQ(checkLines(bytes).size(), 101u);  // 101 differences: the last one left out
    bytes.resize(bytes.rfind("1 Part P200"));
    EXPECT_EQ(checkLines(bytes).size(), 100u);
}

// In the run the lines come after the roll-up's own and before the report is written; out-of-range
// totals are left to their own message.
TEST(SummaryCheck, LogsBetweenTheRollupAndTheReport) {
    testing::TempFolder folder;
    RunRequest request;
    request.bomFileName = folder.write("top.bom",
                                       "Assembly TOP contains:\r\n1 Sub-Assembly GONE\r\n"
                                       "4294967296 Sub-Assembly HUGE\r\n\r\nSub-Assembly HUGE contains:\r\n"
                                       "4294967296 Part WIDE\r\n2147483647 Part WIDE\r\n\r\n"
                                       "Summary of parts for assembly TOP:\r\n5 Part WIDE\r\n1 Part NUT\r\n");
    request.applicationFolder = folder.path();
    testing::RecordingHost host;
    const RunOutcome outcome = runProcessing(request, host);
    EXPECT_TRUE(outcome.stored());
    EXPECT_EQ(outcome.summaryDifferences, 2u);
    const Lines tail(host.log.begin() + 3, host.log.end());
    EXPECT_EQ(tail,
              (Lines{"Main assembly name: TOP", "Quantity out of range in line 3, counted as 0: abnormal error! - HUGE",
                     "Quantity out of range in line 6, counted as 0: abnormal error! - WIDE",
                     "Assembly name not found: abnormal error! - GONE", differs(0, 1, "NUT"), differs(0, 5, "WIDE"),
                     "Results stored in file:", folder.file("Trelk.txt")}));
}

}  // namespace
}  // namespace trelk
