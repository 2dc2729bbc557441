// Whole runs against the literal reading: the report file byte for byte and every log line, on
// random BOMs and on larger generated ones.
#include <gtest/gtest.h>

#include "engine/runs/processing_run.h"
#include "support/literal_report.h"
#include "support/literal_rollup.h"
#include "support/random_bom.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::TempFolder;

// The log a successful run writes, with the literal analysis's lines in the middle.
std::vector<std::string> literalLog(const std::string& bomFile, const std::string& bytes,
                                    const literal::Analysis& analysis, const KeywordSet& keywords,
                                    const std::string& report) {
    const BomLineTable table = literal::lineTable(bytes);
    std::vector<std::string> log{
        "Trying to read BOM file:", bomFile,
        "Nr of lines read of BOM input file:" + formatSignedDecimal(static_cast<int64_t>(table.count()))};
    if (table.count() <= 1) {
        log.emplace_back("BOM input file seems to be empty!");
        return log;
    }
    for (const std::string_view line : table.lines())
        if (isBlockHeader(normaliseLine(line), keywords.contains)) {
            log.push_back("Main assembly name: " + analysis.mainAssemblyName);
            break;
        }
    log.insert(log.end(), analysis.log.begin(), analysis.log.end());
    log.insert(log.end(), {"Results stored in file:", report});
    return log;
}

void expectSameRun(const std::string& bytes, const KeywordSet& keywords, const SectionSelection& sections,
                   const std::string& what, const ColumnLayout& columns = ColumnLayout()) {
    TempFolder folder;
    RunRequest request;
    request.bomFileName = folder.write("input.bom", bytes);
    request.applicationFolder = folder.path();
    request.keywords = keywords;
    request.sections = sections;
    request.columns = columns;
    testing::RecordingHost host;
    runProcessing(request, host);

    const literal::Analysis analysis = testing::literalAnalysis(bytes, keywords, RollupLimits(), columns);
    const std::string report = folder.file("Trelk.txt");
    EXPECT_EQ(host.log, literalLog(request.bomFileName, bytes, analysis, keywords, report)) << what;
    if (host.opened.empty()) return;
    const std::string expected = literal::report(analysis, sections, request.bomFileName, keywords);
    const std::string actual = testing::readFile(report);
    if (actual == expected) return;
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    ADD_FAILURE() << what << ": the reports differ from byte " << at
                  << "\nexpected: " << testing::visible(expected.substr(at > 80 ? at - 80 : 0, 200))
                  << "\nactual:   " << testing::visible(actual.substr(at > 80 ? at - 80 : 0, 200)) << "\ninput:\n"
                  << testing::visible(bytes.substr(0, 4000));
}

TEST(ReportDifferential, RandomBomsGiveTheLiteralReportAndLog) {
    for (uint64_t seed = 1; seed <= 400; ++seed) {
        const testing::RandomBom bom = testing::randomBom(seed);
        // Every section now and then alone, so that each one's ending is seen on its own.
        SectionSelection sections = SectionSelection::all();
        if (seed % 7 == 0) sections = SectionSelection::none(), sections.Include_BOMAssyBreakdown = true;
        if (seed % 11 == 0) sections.Include_PartsInAssys = false;
        expectSameRun(bom.text, bom.keywords, sections, "seed " + std::to_string(seed), bom.columns);
    }
}

// Blocks of hundreds of lines, hundreds of names, lines far longer than the usual ones, a
// name that begins many others, and lines ended by CR alone next to CR LF.
TEST(ReportDifferential, LargeBlocksLongLinesAndManyNames) {
    std::string text = "Assembly TOP contains:\r\n";
    for (int i = 0; i < 300; ++i) text += "1 Sub-Assembly S" + std::to_string(i % 40) + (i % 3 ? "\r\n" : "\r");
    text += "\r\n";
    for (int a = 0; a < 40; ++a) {
        text += "Sub-Assembly S" + std::to_string(a) + " contains:\r\n";
        for (int i = 0; i < 200; ++i) {
            const std::string name = i % 5 == 0 ? "P" : "P" + std::to_string((a * 7 + i) % 500);
            text += std::string(static_cast<size_t>(i % 9), ' ') + std::to_string(i % 4) +
                    std::string(static_cast<size_t>(1 + i % 30), ' ') + "Part" +
                    std::string(static_cast<size_t>(1 + i % 17), ' ') + (i % 50 == 0 ? std::string(3000, 'L') : name) +
                    std::string(static_cast<size_t>(i % 4), ' ') + "\r\n";
        }
        text += "\r\n";
    }
    text += "Summary of parts for assembly TOP:\r\n1 Part P\r\n";
    expectSameRun(text, KeywordSet(), SectionSelection::all(), "large blocks");
}

}  // namespace
}  // namespace trelk
