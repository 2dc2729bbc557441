#include <gtest/gtest.h>

#include "engine/runs/processing_run.h"
#include "engine/writing/report.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::readFile;
using testing::TempFolder;

const std::string kSeparator = std::string(86, '-') + "\r\n";

// The report that a run over the BOM bytes writes with these sections.
std::string reportFor(std::string_view bomBytes, const SectionSelection& sections,
                      const KeywordSet& keywords = KeywordSet()) {
    TempFolder folder;
    RunRequest request;
    request.bomFileName = folder.write("input.bom", bomBytes);
    request.applicationFolder = folder.path();
    request.sections = sections;
    request.keywords = keywords;
    testing::RecordingHost host;
    runProcessing(request, host);
    EXPECT_EQ(host.opened.size(), 1u) << (host.log.empty() ? "" : host.log.back());
    return readFile(folder.file("Trelk.txt"));
}

TEST(Report, MatchesTheWorkedExampleByteForByte) {
    const std::string bom = readFile(TRELK_TEST_DATA "/top_asm.bom");
    EXPECT_EQ(reportFor(bom, SectionSelection::all()), readFile(TRELK_TEST_DATA "/top_asm_report.txt"));
}

TEST(Report, ReplacesAnEarlierReportWhateverItsLength) {
    const std::string bom = readFile(TRELK_TEST_DATA "/top_asm.bom");
    const std::string expected = readFile(TRELK_TEST_DATA "/top_asm_report.txt");
    for (const size_t earlier : {size_t{0}, size_t{10}, expected.size(), size_t{1} << 20}) {
        TempFolder folder;
        RunRequest request;
        request.bomFileName = folder.write("input.bom", bom);
        request.applicationFolder = folder.path();
        request.sections = SectionSelection::all();
        folder.write("Trelk.txt", std::string(earlier, '#'));
        testing::RecordingHost host;
        runProcessing(request, host);
        EXPECT_EQ(readFile(folder.file("Trelk.txt")), expected) << "earlier report of " << earlier << " bytes";
    }
}

TEST(Report, LeavesOutUnselectedSections) {
    const std::string bom = readFile(TRELK_TEST_DATA "/top_asm.bom");
    EXPECT_EQ(reportFor(bom, SectionSelection::none()), "");
    SectionSelection onlyParts = SectionSelection::none();
    onlyParts.Include_PartsInAssys = true;
    EXPECT_EQ(reportFor(bom, onlyParts), kSeparator +
                                             "Parts in assembly TOP_ASM\r\nBOLT_M6\r\n    4x in TOP_ASM\r\n"
                                             "    4x in FRAME\r\n\r\nRAIL\r\n    2x in FRAME\r\n\r\n" +
                                             kSeparator);
    SectionSelection onlyAssemblies = SectionSelection::none();
    onlyAssemblies.Include_SummaryOfAssys = true;
    EXPECT_EQ(reportFor(bom, onlyAssemblies),
              kSeparator + "Summary of assemblies for assembly TOP_ASM\r\n    1   FRAME\r\n" + kSeparator + "\r\n\r\n");
}

TEST(Report, BreakdownStopsBeforeTheSummaryKeyword) {
    std::string bom;
    for (int i = 1; i <= 9; ++i) bom += "  line " + std::to_string(i) + "  \r";  // CR alone, leading blanks kept
    bom += "Summary of parts for assembly TOP:\r\nmore\r\n";
    SectionSelection breakdown = SectionSelection::none();
    breakdown.Include_BOMAssyBreakdown = true;
    std::string expected = kSeparator;
    for (int i = 1; i <= 9; ++i) expected += "  line " + std::to_string(i) + "  \r\n";
    expected += kSeparator + "\r\n\r\n";
    EXPECT_EQ(reportFor(bom, breakdown), expected);

    // The keyword decides, also a changed one; without a match every line is copied.
    KeywordSet keywords;
    keywords.SummaryOfParts = "line 3";
    expected = kSeparator + "  line 1  \r\n  line 2  \r\n" + kSeparator + "\r\n\r\n";
    EXPECT_EQ(reportFor(bom, breakdown, keywords), expected);
    keywords.SummaryOfParts = "nowhere";
    EXPECT_EQ(reportFor("a\r\nb", breakdown, keywords), kSeparator + "a\r\nb\r\n" + kSeparator + "\r\n\r\n");

    // A keyword that reaches over a line end matches in the text as a whole; the copy stops
    // where the line of its first byte begins.
    const std::string twoLines = "A\r\nB x\r\nSummary\r\nC\r\n";
    keywords.SummaryOfParts = "x\r\nSumm";
    EXPECT_EQ(reportFor(twoLines, breakdown, keywords), kSeparator + "A\r\n" + kSeparator + "\r\n\r\n");
    keywords.SummaryOfParts = "\nSumm";
    EXPECT_EQ(reportFor(twoLines, breakdown, keywords), kSeparator + "A\r\nB x\r\n" + kSeparator + "\r\n\r\n");
    keywords.SummaryOfParts = "";
    EXPECT_EQ(reportFor(twoLines, breakdown, keywords), kSeparator + kSeparator + "\r\n\r\n");
}

TEST(Report, CutsEntriesAtSemicolonsAndWidensLargeCounts) {
    const std::string bom = "A T;OP contains:\r\n123456 Part BOLT\r\n";
    SectionSelection sections = SectionSelection::none();
    sections.Include_SummaryOfParts = sections.Include_PartsInAssys = true;
    EXPECT_EQ(reportFor(bom, sections),
              kSeparator + "Summary of parts for assembly T;OP\r\n123456   BOLT\r\n" + kSeparator + "\r\n\r\n" +
                  kSeparator + "Parts in assembly T;OP\r\nBOLT\r\n123456x in T\r\nOP\r\n\r\n" + kSeparator);
}

TEST(Report, WithoutAHeaderTitlesKeepTheirBlank) {
    SectionSelection sections = SectionSelection::none();
    sections.Include_SummaryOfAssys = true;
    EXPECT_EQ(reportFor("x\r\ny\r\n", sections),
              kSeparator + "Summary of assemblies for assembly \r\n" + kSeparator + "\r\n\r\n");
}

}  // namespace
}  // namespace trelk
