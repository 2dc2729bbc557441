#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <utility>

#include "engine/files/file_system.h"
#include "engine/recognition/export_recognition.h"
#include "engine/runs/file_analysis.h"
#include "engine/runs/processing_run.h"
#include "support/random_bom.h"
#include "support/random_export.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::RecordingHost;
using testing::TempFolder;
using Lines = std::vector<std::string>;

const std::string kTopAsm =
    "Assembly TOP_ASM contains:\r\n1 Sub-Assembly FRAME\r\n4 Part BOLT_M6\r\n\r\n"
    "Sub-Assembly FRAME contains:\r\n2 Part RAIL\r\n1 Sub-Assembly GONE\r\n";

RecordingHost run(const std::string& bomFileName, const std::string& folder, RunOutcome* outcome = nullptr) {
    RunRequest request;
    request.bomFileName = bomFileName;
    request.applicationFolder = folder;
    RecordingHost host;
    const RunOutcome ended = runProcessing(request, host);
    if (outcome) *outcome = ended;
    return host;
}

TEST(ProcessingRun, EndsAtEachProblemWithItsLogLines) {
    TempFolder folder;
    const std::string report = folder.file("Trelk.txt");
    const struct {
        const char* what;
        std::function<std::string()> bomFile;  // makes the input, gives its name
        Lines log;                             // "{bom}" stands for the name
        RunOutcome::Ending ending = RunOutcome::Ending::BomFileNotFound;
    } cases[] = {
        {"a name of blanks",
         [] { return std::string("   "); },
         {"Trying to read BOM file:", "{bom}", "BOM input file not found!"}},
        {"a missing file",
         [&] { return folder.file("missing.bom"); },
         {"Trying to read BOM file:", "{bom}", "BOM input file not found!"}},
        {"a folder", [&] { return folder.path(); }, {"Trying to read BOM file:", "{bom}", "BOM input file not found!"}},
        {"wildcards",
         [&] {
             folder.write("a.bom", kTopAsm);
             return folder.file("?.bom");
         },
         {"Trying to read BOM file:", "{bom}", "BOM input file not found!"}},
#ifdef _WIN32  // elsewhere a name may end in ":"
        {"a name ending in a colon",
         [&] { return folder.write("top.bom:", kTopAsm); },
         {"Trying to read BOM file:", "{bom}", "BOM input file not found!"}},
#endif
        {"an empty file",
         [&] { return folder.write("empty.bom", ""); },
         {"Trying to read BOM file:", "{bom}", "Nr of lines read of BOM input file: 0",
          "BOM input file seems to be empty!"},
         RunOutcome::Ending::EmptyFile},
        {"one line ended by LF alone",
         [&] { return folder.write("unix.bom", "Assembly T contains:\n"); },
         {"Trying to read BOM file:", "{bom}", "Nr of lines read of BOM input file: 1",
          "BOM input file seems to be empty!"},
         RunOutcome::Ending::EmptyFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bom = c.bomFile();
        RunOutcome outcome;
        const RecordingHost host = run(bom, folder.path(), &outcome);
        EXPECT_EQ(outcome.ending, c.ending);
        EXPECT_FALSE(outcome.stored());
        Lines expected = c.log;
        for (std::string& line : expected)
            if (line == "{bom}") line = bom;
        EXPECT_EQ(host.log, expected);
        EXPECT_TRUE(host.errorBoxes.empty());
        EXPECT_TRUE(host.opened.empty());
        EXPECT_FALSE(testing::fileExists(report));
    }
}

// The export as its line ends come: every style gives the report of the CR LF file, its breakdown
// copy included, and the same line count.
TEST(ProcessingRun, ReadsEveryLineEndStyleAndAByteOrderMarkAlike) {
    const std::string bom =
        "\r\n" + kTopAsm + "\r\nSummary of parts for assembly TOP_ASM:\r\n     4  Part  BOLT_M6\r\n";
    auto withEnds = [&](const std::string& end, const std::string& start = "") {
        std::string text = start;
        for (const char c : bom)
            if (c == '\r')
                text += end;
            else if (c != '\n')
                text += c;
        return text;
    };
    TempFolder folder;
    auto runOn = [&](const std::string& bytes, std::string& report) {
        RunRequest request;
        request.bomFileName = folder.write("input.bom", bytes);
        request.applicationFolder = folder.path();
        request.sections = SectionSelection::all();
        RecordingHost host;
        runProcessing(request, host);
        report = testing::readFile(folder.file("Trelk.txt"));
        return host.log;
    };
    std::string expectedReport;
    const Lines expectedLog = runOn(bom, expectedReport);
    EXPECT_EQ(expectedLog[2], "Nr of lines read of BOM input file: 11");
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"LF", withEnds("\n")},
        {"CR", withEnds("\r")},
        {"CR CR LF", withEnds("\r\r\n")},
        {"a byte-order mark and CR LF", withEnds("\r\n", "\xEF\xBB\xBF")},
        {"a byte-order mark and LF", withEnds("\n", "\xEF\xBB\xBF")},
        {"CR CR LF and a lone CR", withEnds("\r\r\n").replace(0, 3, "\r")},
        {"LF with a Ctrl-Z and CR after it", withEnds("\n") + "\x1a\r\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string report;
        EXPECT_EQ(runOn(c.bytes, report), expectedLog);
        EXPECT_EQ(report, expectedReport);
    }
    // Mixed line ends keep the rule of CR and CR LF: an LF alone stays in its line.
    std::string report;
    EXPECT_EQ(runOn("Assembly T contains:\n1 Part P\r\n", report)[2], "Nr of lines read of BOM input file: 1");
    EXPECT_EQ(runOn("A\r\r\nAssembly T contains:\r\n1 Part P\r\n", report)[2], "Nr of lines read of BOM input file: 4");
}

TEST(ProcessingRun, AnEmptyNameGivesOnlyTheErrorBox) {
    TempFolder folder;
    const RecordingHost host = run("", folder.path());
    EXPECT_EQ(host.errorBoxes, Lines{"Trelk: No BOM file specified as input!"});
    EXPECT_TRUE(host.log.empty());
}

TEST(ProcessingRun, LogsASuccessfulRunInOrderAndOpensTheReport) {
    TempFolder folder;
    const std::string bom = folder.write("top.bom", kTopAsm);
    const std::string report = folder.path() + kPathSeparator + "Trelk.txt";
    RunOutcome outcome;
    const RecordingHost host = run(bom, folder.path(), &outcome);
    EXPECT_EQ(outcome.ending, RunOutcome::Ending::Stored);
    EXPECT_EQ(outcome.where, report);
    EXPECT_TRUE(outcome.mainAssemblyFound);
    EXPECT_EQ(host.log, (Lines{"Trying to read BOM file:", bom, "Nr of lines read of BOM input file: 7",
                               "Main assembly name: TOP_ASM", "Assembly name not found: abnormal error! - GONE",
                               "Results stored in file:", report}));
    EXPECT_EQ(host.opened, Lines{report});
}

TEST(ProcessingRun, ASecondRunReplacesTheReport) {
    TempFolder folder;
    const std::string bom = folder.write("top.bom", kTopAsm);
    run(bom, folder.path());
    const std::string first = testing::readFile(folder.file("Trelk.txt"));
    folder.write("top.bom", "Assembly OTHER contains:\r\n1 Part P\r\n");
    run(bom, folder.path());
    const std::string second = testing::readFile(folder.file("Trelk.txt"));
    EXPECT_NE(first, second);
    EXPECT_NE(second.find("Summary of parts for assembly OTHER"), std::string::npos);
    EXPECT_EQ(second.find("TOP_ASM"), std::string::npos);
}

TEST(ProcessingRun, AReportThatCannotBeCreatedLeavesAMessageAndNothingElse) {
    TempFolder folder;
    const std::string bom = folder.write("top.bom", kTopAsm);
    const std::string missingFolder = folder.file("no") + kPathSeparator + "such";
    RunOutcome outcome;
    const RecordingHost host = run(bom, missingFolder, &outcome);
    EXPECT_EQ(outcome.ending, RunOutcome::Ending::CreateFailed);
    EXPECT_EQ(outcome.error, 76);
    ASSERT_GE(host.log.size(), 3u);
    EXPECT_EQ(host.log[host.log.size() - 3], "Error 76 creating output file: ");
    EXPECT_EQ(host.log[host.log.size() - 2], missingFolder + kPathSeparator + "Trelk.txt");
    EXPECT_EQ(host.log.back(), "The folder " + missingFolder + " does not exist");
    EXPECT_TRUE(host.opened.empty());
}

TEST(ProcessingRun, AnExplicitReportPathIsUsed) {
    TempFolder folder;
    RunRequest request;
    request.bomFileName = folder.write("top.bom", kTopAsm);
    request.applicationFolder = folder.file("unused");
    request.reportPath = folder.file("elsewhere.txt");
    RecordingHost host;
    runProcessing(request, host);
    EXPECT_EQ(host.opened, Lines{request.reportPath});
    EXPECT_TRUE(testing::fileExists(request.reportPath));
}

// The reading of a file names it in two lines of its own; the analysis says how many lines it
// logged after them, and what it recognised: nothing in the CAD system's own layout, the words of
// another language, and the words and layout of a company's table, and that it recognised them
// from the whole file (a small file is its own sample).
TEST(FileAnalysis, SaysWhatItRecognisedAndHowManyLinesItLogged) {
    TempFolder folder;
    const struct {
        const char* example;
        bool words, layout;
        size_t loggedLines;
    } cases[] = {
        {"/gearbox.bom.1", false, false, 2},
        {"/localised/stehleuchte.bom.1", true, false, 4},
        {"/table/hoist.bom.1", true, true, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.example);
        RunRequest request;
        request.bomFileName = folder.write("export.bom.1", testing::readFile(TRELK_EXAMPLES + std::string(c.example)));
        Lines log;
        const BomFileReading reading = readBomFile(
            request, [&](std::string_view line) { log.emplace_back(line); }, AnalysisWants());
        ASSERT_FALSE(reading.stopped.has_value());
        EXPECT_EQ(reading.analysis.wordsRecognised, c.words);
        EXPECT_EQ(reading.analysis.layoutRecognised, c.layout);
        EXPECT_EQ(reading.analysis.loggedLines, c.loggedLines);
        ASSERT_EQ(log.size(), 2 + c.loggedLines);
        EXPECT_EQ(Lines(log.begin(), log.begin() + 2), (Lines{"Trying to read BOM file:", request.bomFileName}));
        const bool recognised = c.words || c.layout;
        EXPECT_EQ(std::count(log.begin(), log.end(), std::string(messages::kRecognisedFromWholeFile)),
                  recognised ? 1 : 0);
    }
}

// The words and columns a run hands back read the file as the run read it: given as the request's,
// they need no recognition and give the same report. Exports in random interface languages and
// company tables, and one in the words in use.
TEST(ProcessingRun, HandsBackTheWordsAndColumnsItReadBy) {
    TempFolder folder;
    std::vector<std::pair<std::string, std::string>> files = {{"the words in use", kTopAsm}};
    for (uint64_t seed = 1; seed <= 12; ++seed) {
        std::mt19937_64 rng(seed);
        const testing::BomModel model = testing::randomModel(rng);
        files.emplace_back("export, seed " + std::to_string(seed),
                           testing::cadExport(model, testing::randomVocabulary(rng), testing::CadLook()));
        files.emplace_back("table, seed " + std::to_string(seed), testing::randomTable(model, rng).text);
    }
    for (const auto& [what, text] : files) {
        SCOPED_TRACE(what + ":\n" + testing::visible(text));
        RunRequest request;
        request.bomFileName = folder.write("in.bom", text);
        request.applicationFolder = folder.path();
        RecordingHost first;
        const RunOutcome read = runProcessing(request, first);
        ASSERT_TRUE(read.stored());
        const std::string report = testing::readFile(read.where);
        const bool recognised = !(
            read.keywords.contains == request.keywords.contains &&
            read.keywords.SubAssembly == request.keywords.SubAssembly && read.keywords.Part == request.keywords.Part &&
            read.keywords.SummaryOfParts == request.keywords.SummaryOfParts && read.columns == request.columns);
        const auto saysRecognised = [](const std::string& line) {
            return line.rfind(messages::kKeywordsRecognised, 0) == 0 || line.rfind(messages::kLayoutRecognised, 0) == 0;
        };
        EXPECT_EQ(recognised, first.log.size() > 3 && saysRecognised(first.log[3]));

        request.keywords = read.keywords;
        request.columns = read.columns;
        RecordingHost again;
        const RunOutcome readAgain = runProcessing(request, again);
        ASSERT_TRUE(readAgain.stored());
        EXPECT_EQ(testing::readFile(readAgain.where), report);
        EXPECT_EQ(readAgain.keywords.Part, read.keywords.Part);
        EXPECT_TRUE(readAgain.columns == read.columns);
        for (const std::string& line : again.log) EXPECT_FALSE(saysRecognised(line)) << line;
    }
}

}  // namespace
}  // namespace trelk
