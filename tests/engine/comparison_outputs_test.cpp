// What a comparison's outputs say beside their verdict, and in which encoding, through the real run.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/runs/comparison_run.h"
#include "engine/writing/html_page.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"
#include "text/text_codec.h"

namespace trelk {
namespace {

using testing::RecordingHost;
using testing::TempFolder;

// A sub-assembly that contains itself: the old file's roll-up logs one problem.
const std::string kCycle =
    "Assembly TOP contains:\r\n  2 Sub-Assembly A\r\n  1 Part X\r\n\r\nSub-Assembly A contains:\r\n"
    "  1 Sub-Assembly A\r\n  3 Part B\r\n";
const std::string kClean =
    "Assembly TOP contains:\r\n  3 Sub-Assembly A\r\n  1 Part X\r\n\r\nSub-Assembly A contains:\r\n  3 Part B\r\n";
// The same with a summary of parts that lists X twice: one name differs.
const std::string kStale = kClean + "\r\nSummary of parts for assembly TOP:\r\n  9 Part B\r\n  2 Part X\r\n";
const std::string kOldProblem = "The old file was read with 1 problem: the comparison may be wrong";
const std::string kNewStale =
    "The new file's totals differ from its own summary of parts for 1 name: the comparison may be wrong";

struct Written {
    ComparisonOutcome outcome;
    std::vector<std::string> log;
    std::string text;  // the output, or for CSV compared-files.csv
};

Written compare(const TempFolder& folder, const std::string& oldText, const std::string& newText, ReportFormat format) {
    ComparisonRequest request;
    request.oldBomFileName = folder.write("old.bom", oldText);
    request.run.bomFileName = folder.write("new.bom", newText);
    request.run.format = format;
    request.run.reportPath = folder.file(format == ReportFormat::Csv ? "csv" : "compared");
    RecordingHost host;
    Written w;
    w.outcome = runComparison(request, host);
    w.log = host.log;
    w.text =
        testing::readFile(format == ReportFormat::Csv ? folder.file("csv/compared-files.csv") : request.run.reportPath);
    return w;
}

TEST(ComparisonOutputs, SayAtTheVerdictWhenAFileMayHaveBeenMisread) {
    TempFolder folder;
    const struct {
        const char* what;
        std::string oldText, newText;
        std::vector<std::string> warnings;
    } pairs[] = {
        {"both read cleanly", kClean, kClean, {}},
        {"the old file contains itself", kCycle, kClean, {kOldProblem}},
        {"and the new one differs from its summary", kCycle, kStale, {kOldProblem, kNewStale}},
        {"a file with both",
         kClean,
         kCycle + "\r\nSummary of parts for assembly TOP:\r\n  7 Part B\r\n  1 Part X\r\n",
         {"The new file was read with 1 problem and its totals differ from its own summary of parts for 1 name: "
          "the comparison may be wrong"}},
    };
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.what);
        // The report: right after its title, each warning with its sign.
        const Written report = compare(folder, p.oldText, p.newText, ReportFormat::Report);
        std::string head = "Comparison of BOM files for assembly TOP\r\n";
        for (const std::string& w : p.warnings) head += "\xE2\x9A\xA0 " + w + "\r\n";
        EXPECT_EQ(report.text.substr(88, head.size() + 14), head + "Old BOM file: ");
        EXPECT_EQ(report.outcome.misread, !p.warnings.empty());
        // The log says so after its verdict.
        const auto verdict = std::find_if(report.log.begin(), report.log.end(),
                                          [](const std::string& l) { return l.rfind("BOM files ", 0) == 0; });
        ASSERT_NE(verdict, report.log.end());
        EXPECT_EQ(std::vector<std::string>(verdict + 1, verdict + 1 + static_cast<ptrdiff_t>(p.warnings.size())),
                  p.warnings);
        // The CSV of the files: the problems and the warning of each file.
        const std::string files = compare(folder, p.oldText, p.newText, ReportFormat::Csv).text;
        for (const std::string& w : p.warnings) EXPECT_NE(files.find("," + w + "\r\n"), std::string::npos) << files;
        EXPECT_EQ(files.substr(3, files.find("\r\n") - 3),
                  "side,bomFile,mainAssembly,encoding,lines,summaryDifferences,buildQuantity,problems,warning");
        // The JSON document, beside "agree".
        const std::string json = compare(folder, p.oldText, p.newText, ReportFormat::Json).text;
        std::string warnings = p.warnings.empty() ? "[]" : "[";
        for (size_t i = 0; i < p.warnings.size(); ++i)
            warnings += (i ? ",\r\n    \"" : "\r\n    \"") + p.warnings[i] + "\"";
        if (!p.warnings.empty()) warnings += "\r\n  ]";
        EXPECT_NE(json.find("\"agree\": " + std::string(p.oldText == p.newText ? "true" : "false") +
                            ",\r\n  \"warnings\": " + warnings + ",\r\n  \"sameMainAssembly\""),
                  std::string::npos)
            << json;
        // The page, right below its result line.
        const std::string page = compare(folder, p.oldText, p.newText, ReportFormat::Html).text;
        std::string below = "</p>\n";
        for (const std::string& w : p.warnings)
            below += "<p class=\"verdict misread\"><strong>&#x26A0; " + htmlEscaped(w) + "</strong></p>\n";
        const size_t result = page.find("<p class=\"verdict\">");
        ASSERT_NE(result, std::string::npos);
        EXPECT_EQ(page.substr(page.find("</p>\n", result), below.size() + 4), below + "<dl ") << page;
    }
    // A Windows-1252 report has no warning sign: it says it with "!".
    std::string named1252 = kClean;
    named1252.replace(named1252.find("Part X"), 6, "Part \xC4X");
    const Written report = compare(folder, kCycle, named1252, ReportFormat::Report);
    EXPECT_NE(report.text.find("\r\n! " + kOldProblem + "\r\n"), std::string::npos) << report.text;
}

// An older release of the CAD system wrote Windows-1252, a newer one UTF-8: the comparison's report
// is UTF-8 throughout, the old file's log lines (its own words, recognised) converted with its names.
TEST(ComparisonOutputs, WriteOneEncodingWhenTheFilesHaveTwo) {
    TempFolder folder;
    const std::string german = testing::readFile(TRELK_EXAMPLES "/localised/stehleuchte.bom.1").substr(3);
    ASSERT_TRUE(isValidUtf8(german));
    std::string latin;  // the same export in Windows-1252: its umlauts are all in Latin-1
    for (size_t i = 0; i < german.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(german[i]);
        if (c == 0xC3)
            latin += static_cast<char>(static_cast<unsigned char>(german[++i]) + 0x40);
        else
            latin += german[i];
    }
    const struct {
        const char* what;
        std::string oldText, newText;
    } pairs[] = {
        {"ASCII names, the words beyond it", latin, german},
        {"the other way round", german, latin},
        {"a name beyond ASCII in each", latin + "\n\nBaugruppe GR\xDCN enth\xE4lt:\n    1 Teil X\n",
         german + "\n\nBaugruppe GR\xC3\x9CN enth\xC3\xA4lt:\n    1 Teil X\n"},
    };
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.what);
        const std::string report = compare(folder, p.oldText, p.newText, ReportFormat::Report).text;
        EXPECT_TRUE(isValidUtf8(report)) << report;
        EXPECT_NE(report.find("\r\nKeywords recognised in the BOM file: "), std::string::npos) << report;
        EXPECT_NE(report.find("enth\xC3\xA4lt"), std::string::npos);
    }
    // Both in Windows-1252: the report keeps their bytes.
    const std::string both = compare(folder, latin, latin, ReportFormat::Report).text;
    EXPECT_FALSE(isValidUtf8(both));
    EXPECT_NE(both.find("enth\xE4lt"), std::string::npos);
}

}  // namespace
}  // namespace trelk
