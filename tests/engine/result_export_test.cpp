#include <gtest/gtest.h>

#include <random>

#include "engine/files/file_system.h"
#include "engine/runs/comparison_run.h"
#include "engine/runs/processing_run.h"
#include "engine/writing/csv_writer.h"
#include "support/random_export.h"
#include "text/text_rules.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"
#include "text/text_codec.h"

namespace trelk {
namespace {

using testing::RecordingHost;
using testing::TempFolder;
using Lines = std::vector<std::string>;

const std::string kBom = "Assembly TOP contains:\r\n1 Sub-Assembly GONE\r\n2 Part \xC9TRIER\r\n";

TEST(ResultExport, WritesWhereTheRequestSaysAndLogsIt) {
    TempFolder folder;
    const std::string bom = folder.write("top.bom", kBom);
    const std::string sep(1, kPathSeparator);
    const Lines start = {"Trying to read BOM file:", bom, "Nr of lines read of BOM input file: 3",
                         "Main assembly name: TOP", "Assembly name not found: abnormal error! - GONE"};
    const struct {
        const char* what;
        ReportFormat format;
        std::string reportPath;  // "" for the application folder
        Lines end;               // "{app}" stands for the application folder
        std::string opened;      // and where the outcome says the results are
        RunOutcome::Ending ending = RunOutcome::Ending::Stored;
        int error = 0;
    } cases[] = {
        {"JSON by default",
         ReportFormat::Json,
         "",
         {"Results stored in file:", "{app}" + sep + "Trelk.json"},
         "{app}" + sep + "Trelk.json"},
        {"HTML by default",
         ReportFormat::Html,
         "",
         {"Results stored in file:", "{app}" + sep + "Trelk.html"},
         "{app}" + sep + "Trelk.html"},
        {"CSV into the application folder",
         ReportFormat::Csv,
         "",
         {"Results stored in file:", "{app}" + sep + "parts.csv"},
         "{app}"},
        {"CSV into a new folder two levels down",
         ReportFormat::Csv,
         folder.file("a") + sep + "b",
         {"Results stored in file:", folder.file("a") + sep + "b" + sep + "parts.csv"},
         folder.file("a") + sep + "b"},
        {"CSV where a file is in the way",
         ReportFormat::Csv,
         bom,
         {"Error 70 creating output folder: ", bom, bom + " is a file, not a folder"},
         "",
         RunOutcome::Ending::CreateFailed,
         70},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RunRequest request;
        request.bomFileName = bom;
        request.applicationFolder = folder.path();
        request.sections = SectionSelection::none();
        request.sections.Include_SummaryOfParts = true;
        request.format = c.format;
        request.reportPath = c.reportPath;
        RecordingHost host;
        const RunOutcome outcome = runProcessing(request, host);
        Lines expected = start;
        for (std::string line : c.end) {
            if (line.rfind("{app}", 0) == 0) line.replace(0, 5, folder.path());
            expected.push_back(line);
        }
        EXPECT_EQ(host.log, expected);
        std::string opened = c.opened;
        if (opened.rfind("{app}", 0) == 0) opened.replace(0, 5, folder.path());
        EXPECT_EQ(host.opened, opened.empty() ? Lines{} : Lines{opened});
        EXPECT_EQ(outcome.ending, c.ending);
        EXPECT_EQ(outcome.error, c.error);
        EXPECT_EQ(outcome.where, opened);
        EXPECT_TRUE(outcome.mainAssemblyFound);
    }
    // The Windows-1252 export: CSV bytes as they are, JSON converted, its log lines inside.
    EXPECT_EQ(testing::readFile(folder.file("parts.csv")), "name,total\r\n\xC9TRIER,2\r\n");
    const std::string json = testing::readFile(folder.file("Trelk.json"));
    EXPECT_NE(json.find("\"parts\": [\r\n    {\"name\":\"\xC3\x89TRIER\",\"total\":2}\r\n  ]"), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"encoding\": \"Windows-1252\""), std::string::npos);
    EXPECT_NE(json.find("\"Assembly name not found: abnormal error! - GONE\""), std::string::npos);
    const std::string html = testing::readFile(folder.file("Trelk.html"));
    EXPECT_NE(html.find("<tr><td>\xC3\x89TRIER<td>2</tr>"), std::string::npos) << html;
    EXPECT_NE(html.find("<li class=\"problem\"><strong>&#x2716; Problem:</strong> Assembly name not found: abnormal "
                        "error! - GONE\n"),
              std::string::npos);
}

// A run or a comparison asked for the page beside its report writes both with the bytes of two
// runs asked for each alone, logs both and opens the page; a page that cannot be written ends it.
TEST(ResultExport, APageBesideTheReportHoldsWhatAPageAloneHolds) {
    TempFolder folder;
    std::mt19937_64 rng(27);
    const testing::BomModel earlier = testing::randomModel(rng), later = testing::randomModel(rng);
    const testing::Vocabulary words = testing::randomVocabulary(rng);
    const std::string oldBom = folder.write("old.bom.1", testing::cadExport(earlier, words, {}));
    const std::string newBom = folder.write("new.bom.2", testing::cadExport(later, words, {}));
    const std::string cp1252Bom = folder.write("top.bom", kBom);
    const std::string sep(1, kPathSeparator);
    // One run of each kind: the report (comparison report) or the page alone, or both.
    const auto run = [&](const std::string& oldFile, const std::string& bom, const SectionSelection& sections,
                         ReportFormat format, const std::string& output, const std::string& page) {
        RunRequest request;
        request.bomFileName = bom;
        request.sections = sections;
        request.applicationFolder = folder.path();
        request.format = format;
        request.reportPath = output;
        request.pagePath = page;
        RecordingHost host;
        if (oldFile.empty()) {
            runProcessing(request, host);
        } else {
            ComparisonRequest comparison;
            comparison.oldBomFileName = oldFile;
            comparison.run = request;
            runComparison(comparison, host);
        }
        return host;
    };
    const struct {
        std::string oldFile, bom;
        SectionSelection sections;
    } cases[] = {
        {"", cp1252Bom, SectionSelection::all()}, {"", newBom, SectionSelection()},
        {"", oldBom, SectionSelection::none()},   {oldBom, newBom, SectionSelection::all()},
        {newBom, newBom, SectionSelection()},     {oldBom, cp1252Bom, SectionSelection::all()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.oldFile + " " + c.bom);
        const std::string report = folder.file("both.txt"), page = folder.file("both.html");
        const RecordingHost both = run(c.oldFile, c.bom, c.sections, ReportFormat::Report, report, page);
        const RecordingHost reportAlone =
            run(c.oldFile, c.bom, c.sections, ReportFormat::Report, folder.file("alone.txt"), "");
        const RecordingHost pageAlone =
            run(c.oldFile, c.bom, c.sections, ReportFormat::Html, folder.file("alone.html"), "");
        EXPECT_EQ(testing::readFile(report), testing::readFile(folder.file("alone.txt")));
        EXPECT_EQ(testing::readFile(page), testing::readFile(folder.file("alone.html")));
        Lines expected = reportAlone.log;
        expected.back() = report;
        expected.insert(expected.end(), {"Results stored in file:", page});
        EXPECT_EQ(both.log, expected);
        EXPECT_EQ(both.opened, Lines{page});
        EXPECT_EQ(pageAlone.opened, Lines{folder.file("alone.html")});
    }

    // Where a folder is in the way of the page: the report is written, the page's error logged,
    // nothing opened.
    RunRequest request;
    request.bomFileName = cp1252Bom;
    request.applicationFolder = folder.path();
    request.pagePath = folder.path();
    RecordingHost host;
    const RunOutcome outcome = runProcessing(request, host);
    EXPECT_EQ(outcome.ending, RunOutcome::Ending::CreateFailed);
    // The error number of a folder opened as a file is the platform's.
    const std::string error = "Error" + formatSignedDecimal(outcome.error) + " creating output file: ";
    EXPECT_EQ(Lines(host.log.end() - 5, host.log.end()),
              (Lines{"Results stored in file:", folder.file("Trelk.txt"), error, folder.path(),
                     folder.path() + " is a folder, not a file"}));
    EXPECT_TRUE(host.opened.empty());
}

TEST(ResultExport, QuotesCsvFieldsThatNeedIt) {
    const struct {
        std::string field, written;
    } cases[] = {
        {"BOLT", "BOLT"},       {"", ""},
        {"A,B", "\"A,B\""},     {"SAY \"HI\"", "\"SAY \"\"HI\"\"\""},
        {"A\nB", "\"A\nB\""},   {"A\rB", "\"A\rB\""},
        {"W;ASHER", "W;ASHER"}, {"\xC9T", "\xC9T"},
    };
    for (const auto& c : cases) EXPECT_EQ(csvField(c.field), c.written);
}

// Names that a spreadsheet would run as formulas are written as text in every table, a run's and a
// comparison's, while numbers stay numbers, negative ones too; asked for raw, the bytes as read.
TEST(ResultExport, WritesNamesThatLookLikeFormulasAsText) {
    TempFolder folder;
    const std::string oldBom =
        folder.write("old.bom",
                     "Assembly TOP contains:\r\n1 Sub-Assembly @SUB\r\n2 Part =HYPERLINK(\"x\",\"y\")\r\n"
                     "3 Part -5\r\n4 Part A=B\r\n\r\nSub-Assembly @SUB contains:\r\n5 Part +1\r\n");
    const std::string newBom = folder.write("new.bom",
                                            "Assembly TOP contains:\r\n1 Sub-Assembly @SUB\r\n4 Part A=B\r\n"
                                            "\r\nSub-Assembly @SUB contains:\r\n5 Part +1\r\n");
    auto csv = [&](bool raw, bool comparison) {
        const std::string out = folder.file(raw ? "raw" : "guarded");
        RunRequest request;
        request.bomFileName = comparison ? newBom : oldBom;
        request.format = ReportFormat::Csv;
        request.sections = SectionSelection::all();
        request.reportPath = out;
        request.csvRaw = raw;
        RecordingHost host;
        if (comparison) {
            ComparisonRequest both;
            both.oldBomFileName = oldBom;
            both.run = request;
            EXPECT_TRUE(runComparison(both, host).compared());
            return testing::readFile(out + "/part-total-changes.csv") + testing::readFile(out + "/block-changes.csv");
        }
        EXPECT_TRUE(runProcessing(request, host).stored());
        return testing::readFile(out + "/parts.csv") + testing::readFile(out + "/parts-where-used.csv") +
               testing::readFile(out + "/tree.csv");
    };
    const std::string mark(kUtf8ByteOrderMark), link = "\"'=HYPERLINK(\"\"x\"\",\"\"y\"\")\"";
    EXPECT_EQ(csv(false, false),
              mark + "name,total\r\n'+1,5\r\n'-5,3\r\n" + link + ",2\r\nA=B,4\r\n" + mark +
                  "name,parent,quantity\r\n'+1,'@SUB,5\r\n'-5,TOP,3\r\n" + link + ",TOP,2\r\nA=B,TOP,4\r\n" + mark +
                  "level,parent,type,name,quantity,pathQuantity,expanded,note\r\n"
                  "1,TOP,sub-assembly,'@SUB,1,1,true,\r\n2,'@SUB,part,'+1,5,5,false,\r\n1,TOP,part," +
                  link + ",2,2,false,\r\n1,TOP,part,'-5,3,3,false,\r\n1,TOP,part,A=B,4,4,false,\r\n");
    EXPECT_EQ(csv(true, false).substr(0, 63),
              mark + "name,total\r\n+1,5\r\n-5,3\r\n\"=HYPERLINK(\"\"x\"\",\"\"y\"\")\",2\r\nA=B,4\r\n");
    // The difference of a part that went is the number -3; the block lists it after "in".
    const std::string changes = csv(false, true);
    EXPECT_NE(changes.find("\r\n'-5,3,,-3,direct,TOP,\r\n"), std::string::npos) << changes;
    EXPECT_NE(changes.find("\r\nTOP,changed,'-5,removed,part,,3,\r\n"), std::string::npos) << changes;
    EXPECT_NE(csv(true, true).find("\r\n-5,3,,-3,direct,TOP,\r\n"), std::string::npos);
}

}  // namespace
}  // namespace trelk
