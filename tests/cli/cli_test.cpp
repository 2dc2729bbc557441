// trelk-cli end to end: the built program, its output streams and its exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>

#include "engine/files/file_system.h"
#include "support/platform.h"
#include "support/temp_folder.h"
#include "trelk_version.h"

namespace trelk {
namespace {

using testing::readFile;
using testing::TempFolder;

// A path the program's own system can open: under Wine the Unix paths of the build are on Z:.
std::string nativePath(std::string path) {
    if (kPathSeparator == '\\' && !path.empty() && path[0] == '/') {
        for (char& c : path)
            if (c == '/') c = '\\';
        path = "Z:" + path;
    }
    return path;
}

struct Result {
    int status;
    std::string out, err;
};

// Runs trelk-cli with the arguments (each quoted) and collects what it printed.
Result runCli(const std::vector<std::string>& args) {
    TempFolder streams;
    std::string command = "\"" + nativePath(TRELK_CLI) + "\"";
    for (const std::string& arg : args) {
        std::string quoted = arg;
#ifndef _WIN32  // inside double quotes the shell still reads these
        for (size_t at = 0; (at = quoted.find_first_of("\\\"$`", at)) != std::string::npos; at += 2)
            quoted.insert(at, 1, '\\');
#endif
        command += " \"" + quoted + "\"";
    }
    command += " >\"" + streams.file("out") + "\" 2>\"" + streams.file("err") + "\"";
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd.exe drops the outer quotes of the whole line
    const int status = std::system(command.c_str());
#else
    const int raw = std::system(command.c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    std::string out = readFile(streams.file("out")), err = readFile(streams.file("err"));
    for (std::string* text : {&out, &err})  // the console of Windows ends lines with CR LF
        for (size_t cr; (cr = text->find("\r\n")) != std::string::npos;) text->erase(cr, 1);
    return {status, out, err};
}

const std::string kTopAsm = nativePath(TRELK_TEST_DATA "/top_asm.bom");

TEST(Cli, WritesTheReportAndLogsTheRun) {
    TempFolder folder;
    const std::string report = folder.file("report.txt");
    const Result r = runCli({"-s", "all", "-o", report, kTopAsm});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Trying to read BOM file:\n" + kTopAsm +
                         "\nNr of lines read of BOM input file: 8\n"
                         "Main assembly name: TOP_ASM\nResults stored in file:\n" +
                         report + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readFile(report), readFile(TRELK_TEST_DATA "/top_asm_report.txt"));
}

TEST(Cli, ExitStatusSaysHowTheRunEnded) {
    TempFolder folder;
    const std::string report = folder.file("report.txt");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string lastOut, err;
    } cases[] = {
        {{"-o", report, folder.file("missing.bom")}, 1, "BOM input file not found!", ""},
        {{"-o", report, folder.write("one.bom", "only one line")}, 1, "BOM input file seems to be empty!", ""},
        {{"-o", report, ""}, 1, "", "No BOM file specified as input!\n"},
        // No assembly at all: the report is written, empty, and the status says so.
        {{"-o", report, folder.write("title.bom", " Parts list\r\n ==========\r\n")}, 1, report, ""},
        {{"-q", "-o", report, kTopAsm}, 0, "", ""},
    };
    for (const auto& c : cases) {
        const Result r = runCli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back();
        const size_t lastLine = r.out.rfind('\n', r.out.size() < 2 ? 0 : r.out.size() - 2);
        EXPECT_EQ(r.out.empty() ? "" : r.out.substr(lastLine == std::string::npos ? 0 : lastLine + 1),
                  c.lastOut.empty() ? "" : c.lastOut + "\n");
        EXPECT_EQ(r.err, c.err);
    }
}

// The shipped exports in another language and in a company's table layout, read with no settings:
// the words and the layout the log names, and the report checked in beside the tests.
TEST(Cli, ReadsTheShippedLocalisedAndTableExportsWithNoSettings) {
    TempFolder folder;
    const std::string none = folder.write("empty.ini", "");
    const struct {
        const char* example;
        const char* report;
        std::vector<std::string> recognised;
    } cases[] = {
        {"/localised/stehleuchte.bom.1",
         "/examples/stehleuchte.txt",
         {"Keywords recognised in the BOM file: contains \"enth\xC3\xA4lt:\", SubAssembly \"Unterbaugruppe\", Part "
          "\"Teil\", SummaryOfParts \"Zusammenfassung der Teile der Baugruppe\""}},
        {"/localised/taideng.bom.1",
         "/examples/taideng.txt",
         {"Keywords recognised in the BOM file: contains \"\xE5\x8C\x85\xE5\x90\xAB:\", SubAssembly "
          "\"\xE5\xAD\x90\xE8\xA3\x85\xE9\x85\x8D\", Part \"\xE9\x9B\xB6\xE4\xBB\xB6\", SummaryOfParts "
          "\"\xE7\x9A\x84\xE9\x9B\xB6\xE4\xBB\xB6\xE6\xB1\x87\xE6\x80\xBB:\"",
          "Main assembly name: \xE5\x8F\xB0\xE7\x81\xAF"}},
        {"/table/hoist.bom.1",
         "/examples/hoist.txt",
         {"Keywords recognised in the BOM file: SummaryOfParts \"All single parts of assembly\"",
          "Layout recognised in the BOM file: cells separated by \"|\", quantity in column 2 \"Qty\", name in column 3 "
          "\"Name\", no type column, block header \"Assembly *** %$name ***\""}},
    };
    for (const auto& c : cases) {
        const std::string report = folder.file("report.txt");
        const Result r = runCli(
            {"--settings", none, "-s", "all", "-o", report, nativePath(TRELK_EXAMPLES + std::string(c.example))});
        EXPECT_EQ(r.status, 0) << c.example;
        for (const std::string& line : c.recognised)
            EXPECT_NE(r.out.find("\n" + line + "\n"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("differs"), std::string::npos) << r.out;  // the export's own summary agrees
        EXPECT_EQ(readFile(report), readFile(TRELK_TEST_DATA + std::string(c.report))) << c.example;
    }
}

TEST(Cli, UsageErrorsGiveOneLineAndStatus2) {
    TempFolder folder;
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--no-such-option", kTopAsm},
        {"-s", "parts,bogus", kTopAsm},
        {"--settings", folder.file("missing.ini"), kTopAsm},
        {"--columns", "1,2", kTopAsm},
        {"--columns", "0,2,3", kTopAsm},
        {"--separator", "ab", kTopAsm},
        {"--separator", " ", kTopAsm},
        {"--header", "Assembly ***", kTopAsm},
        {"--columns", "1,2,x", kTopAsm},
        {"--columns", "1,2,3,4", kTopAsm},
        {"--columns", "1.0,2,3", kTopAsm},
        {"--columns", "", kTopAsm},
        {"-f", "xml", kTopAsm},
        {"-f", "csv", "-o", "-", kTopAsm},
        {"--build", "0", kTopAsm},
        {"--build", "-2", kTopAsm},
        {"--build", "1.5", kTopAsm},
        {"--build", "+3", kTopAsm},
        {"--build", "9223372036854775808", kTopAsm},
    };
    for (const auto& args : cases) {
        const Result r = runCli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.find("trelk-cli: "), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_NE(r.err.find("--help"), std::string::npos);
    }
    EXPECT_EQ(runCli({"--version"}).out, "trelk-cli " TRELK_VERSION_STRING "\n");
    EXPECT_NE(runCli({"--help"}).out.find("--sections"), std::string::npos);
}

TEST(Cli, TakesKeywordsAndSectionsFromTheSettingsFile) {
    TempFolder folder;
    const std::string settings = folder.write("my.ini",
                                              "[Keywords]\r\ncontains=enth\xE4lt:\r\nPart=Teil\r\n"
                                              "[Settings]\r\nInclude_SummaryOfAssys=0\r\nInclude_AssyInAssys=0\r\n"
                                              "Include_PartsInAssys=0\r\n");
    const std::string bom = folder.write("de.bom", "Baugruppe TOP enth\xE4lt:\r\n3 Teil SCHRAUBE\r\n");
    const std::string report = folder.file("r.txt");
    const std::string separator(86, '-');
    ASSERT_EQ(runCli({"--settings", settings, "-o", report, bom}).status, 0);
    EXPECT_EQ(readFile(report),
              separator + "\r\nSummary of parts for assembly TOP\r\n    3   SCHRAUBE\r\n" + separator + "\r\n\r\n\r\n");
    // Sections named on the command line win over the file's flags.
    ASSERT_EQ(runCli({"--settings", settings, "-s", "none", "-o", report, bom}).status, 0);
    EXPECT_EQ(readFile(report), "");
}

// Totals that differ from the export's own summary, and the roll-up's "abnormal error!" lines, are
// logged; --strict makes either exit 1, with the report written all the same.
TEST(Cli, StrictFailsWhenTheTotalsDifferFromTheSummaryOrTheRollUpHadProblems) {
    TempFolder folder;
    const std::string breakdown =
        "Assembly TOP contains:\r\n     4         Part  WHEEL_100\r\n\r\n"
        "Summary of parts for assembly TOP:\r\n";
    const std::string differing = folder.write("differs.bom", breakdown + "    10         Part  WHEEL_100\r\n");
    const std::string agreeing = folder.write("agrees.bom", breakdown + "     4         Part  WHEEL_100\r\n");
    const std::string cycle = folder.write("cycle.bom",
                                           "Assembly TOP contains:\r\n  1 Sub-Assembly A\r\n\r\n"
                                           "Sub-Assembly A contains:\r\n  1 Sub-Assembly A\r\n");
    const std::string report = folder.file("r.txt");
    const std::string line =
        "Total differs from the summary of parts in the BOM file, counted 4, listed 10 - WHEEL_100\n";
    const std::string problem = "Assembly contains itself";
    const struct {
        std::vector<std::string> args;
        int status;
        bool logged;
        bool problemLogged = false;
    } cases[] = {
        {{differing}, 0, true},
        {{"--strict", differing}, 1, true},
        {{"--strict", "-q", differing}, 1, false},
        {{"--strict", agreeing}, 0, false},
        {{"--strict", "--build", "3", agreeing}, 0, false},  // the summary lists one machine
        {{cycle}, 0, false, true},
        {{"--strict", cycle}, 1, false, true},
    };
    for (const auto& c : cases) {
        std::remove(report.c_str());
        std::vector<std::string> args = {"-o", report};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result r = runCli(args);
        EXPECT_EQ(r.status, c.status) << c.args[0];
        EXPECT_EQ(r.out.find(line) != std::string::npos, c.logged) << r.out;
        EXPECT_EQ(r.out.find(problem) != std::string::npos, c.problemLogged) << r.out;
        EXPECT_TRUE(testing::fileExists(report));
    }
}

// A description column after the name: the layout from the settings file, or from --columns,
// which wins over the file.
TEST(Cli, ReadsTheColumnLayoutFromTheSettingsFileOrTheCommandLine) {
    TempFolder folder;
    const std::string bom = folder.write("company.bom",
                                         "Assembly TOP contains:\r\n"
                                         "     4         Part  BOLT_M8  HEX BOLT M8 X 30\r\n"
                                         "     1         Part  PLATE    BASE PLATE\r\n");
    const std::string company = folder.write("company.ini", "[Columns]\r\nName=3\r\n");
    const std::string plain = folder.write("plain.ini", "[Settings]\r\n");
    const std::string report = folder.file("r.txt");
    const std::string separator(86, '-');
    const std::string right =
        separator + "\r\nSummary of parts for assembly TOP\r\n    4   BOLT_M8\r\n    1   PLATE\r\n";
    const struct {
        std::vector<std::string> args;
        bool rightTotals;
    } cases[] = {
        {{"--settings", company}, true},
        {{"--settings", plain}, false},
        {{"--settings", plain, "--columns", "1,2,3"}, true},
        {{"--settings", company, "--columns", "1,2,-1"}, false},
        {{"--settings", plain, "--columns", " 1, +2, 3"}, true},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"-s", "parts", "-o", report, bom});
        ASSERT_EQ(runCli(args).status, 0);
        EXPECT_EQ(readFile(report).rfind(right, 0) == 0, c.rightTotals) << readFile(report);
    }
    // A table without types, its header of the company's making: the keys and options that say so
    // (here the file's layout is not recognised: the quantity and the position cannot be told apart).
    const std::string table = folder.write("table.bom",
                                           "Assembly: TOP\r\nPos;Qty;Name\r\n1;4;BOLT_M8\r\n2;2;SUB\r\n\r\n"
                                           "Assembly: SUB\r\nPos;Qty;Name\r\n1;1;PLATE\r\n");
    const std::string tableIni = folder.write(
        "table.ini", "[Columns]\r\nQuantity=2\r\nType=0\r\nName=3\r\nSeparator=;\r\nHeader=Assembly: %$name\r\n");
    const std::string tableTotals =
        separator + "\r\nSummary of parts for assembly TOP\r\n    4   BOLT_M8\r\n    2   PLATE\r\n";
    const std::vector<std::string> tableCases[] = {
        {"--settings", tableIni},
        {"--settings", plain, "--columns", "2,0,3", "--separator", ";", "--header", "Assembly: %$name"},
    };
    for (std::vector<std::string> args : tableCases) {
        args.insert(args.end(), {"-s", "parts", "-o", report, table});
        ASSERT_EQ(runCli(args).status, 0);
        EXPECT_EQ(readFile(report).rfind(tableTotals, 0), 0u) << readFile(report);
    }
}

TEST(Cli, WritesToStandardOutputWithTheLogOnStandardError) {
    TempFolder folder;
    const Result r = runCli({"-s", "all", "-o", "-", kTopAsm});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string report = readFile(TRELK_TEST_DATA "/top_asm_report.txt");
    for (size_t cr; (cr = report.find("\r\n")) != std::string::npos;) report.erase(cr, 1);
    EXPECT_EQ(r.out, report);
    EXPECT_EQ(r.err, "Trying to read BOM file:\n" + kTopAsm +
                         "\nNr of lines read of BOM input file: 8\n"
                         "Main assembly name: TOP_ASM\nResults written to standard output\n");
    const Result json = runCli({"-q", "-f", "json", "-o", "-", kTopAsm});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.substr(0, 30), "{\n  \"format\": \"trelk-results\",");
    EXPECT_EQ(json.err, "");
    // A run that fails writes nothing to standard output and ends with status 1.
    const Result missing = runCli({"-f", "json", "-o", "-", folder.file("missing.bom")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
}

TEST(Cli, BuildQuantityMultipliesTheTotalsOfTheReport) {
    TempFolder folder;
    const std::string report = folder.file("r.txt");
    const std::string separator(86, '-');
    ASSERT_EQ(runCli({"-s", "parts,parts-where-used", "--build", "250", "-o", report, kTopAsm}).status, 0);
    EXPECT_EQ(readFile(report), separator +
                                    "\r\nSummary of parts for assembly TOP_ASM\r\n 2000   BOLT_M6\r\n  500   RAIL\r\n" +
                                    separator + "\r\n\r\n\r\n" + separator +
                                    "\r\nParts in assembly TOP_ASM\r\nBOLT_M6\r\n"
                                    "    4x in TOP_ASM\r\n    4x in FRAME\r\n\r\nRAIL\r\n    2x in FRAME\r\n\r\n" +
                                    separator + "\r\n");
    // The largest build quantity takes the totals beyond 64 bits: logged, and held at the end.
    const Result r = runCli({"-s", "parts", "--build", "9223372036854775807", "-o", report, kTopAsm});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Total out of range: abnormal error! - BOLT_M6\nTotal out of range: abnormal error! - RAIL\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(readFile(report).find("9223372036854775807   BOLT_M6\r\n"), std::string::npos);
}

const std::string kGearbox = nativePath(TRELK_TEST_DATA "/../../examples/gearbox.bom.1");
const std::string kGearboxRevB = nativePath(TRELK_TEST_DATA "/../../examples/gearbox-rev-b.bom.1");

// The shipped pair: a sub-assembly's quantity changed, and what that does below it.
TEST(CliCompare, WritesTheReportOfTheExamplePair) {
    TempFolder folder;
    const std::string report = folder.file("compare.txt");
    const Result r = runCli({"--compare", kGearbox, "-s", "all", "-o", report, kGearboxRevB});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("\nBOM files differ: 5 changed blocks, 15 changed totals\nResults stored in file:\n" + report),
              std::string::npos)
        << r.out;
    // The report names the files as they were given.
    std::string text = readFile(report);
    for (const auto& [given, shown] : {std::pair{kGearbox, std::string("examples/gearbox.bom.1")},
                                       std::pair{kGearboxRevB, std::string("examples/gearbox-rev-b.bom.1")}})
        text.replace(text.find(given), given.size(), shown);
    EXPECT_EQ(text, readFile(TRELK_TEST_DATA "/gearbox-compare.txt"));
}

TEST(CliCompare, ExitsAsDiffDoes) {
    TempFolder folder;
    const std::string report = folder.file("r.txt");
    const std::string empty = folder.write("empty.bom", "one line");
    const std::string noBlock = folder.write("noblock.bom", "BOM\r\n   1  Part  X\r\n");
    const std::string underAFile = folder.write("plain", "") + kPathSeparator + "r.txt";
    // A sub-assembly that contains itself: the comparison may be wrong, and --strict makes that trouble.
    const std::string cycle = folder.write("cycle.bom",
                                           "Assembly TOP contains:\r\n  1 Sub-Assembly A\r\n\r\n"
                                           "Sub-Assembly A contains:\r\n  1 Sub-Assembly A\r\n");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string lastOut;
    } cases[] = {
        {{"--compare", kGearbox, kGearbox}, 0, report},
        {{"--strict", "--compare", kGearbox, kGearbox}, 0, report},
        {{"--compare", cycle, cycle}, 0, report},
        {{"--strict", "--compare", cycle, cycle}, 2, report},
        {{"--strict", "--compare", kGearbox, cycle}, 2, report},
        {{"--compare", kTopAsm, kGearbox}, 1, report},
        {{"-q", "--compare", kGearbox, kGearboxRevB}, 1, ""},
        {{"--compare", folder.file("missing.bom"), kGearbox}, 2, "BOM input file not found!"},
        {{"--compare", kGearbox, empty}, 2, "BOM input file seems to be empty!"},
        {{"--compare", noBlock, kGearbox}, 2, "BOM input file holds no assembly block!"},
        {{"--compare", kGearbox, "-o", underAFile, kGearbox}, 2, folder.file("plain") + " is a file, not a folder"},
        {{"-q", "--compare", kGearbox, folder.file("missing.bom")}, 2, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        if (std::find(args.begin(), args.end(), "-o") == args.end()) args.insert(args.begin(), {"-o", report});
        const Result r = runCli(args);
        EXPECT_EQ(r.status, c.status) << args[3];
        const size_t lastLine = r.out.rfind('\n', r.out.size() < 2 ? 0 : r.out.size() - 2);
        EXPECT_EQ(r.out.empty() ? "" : r.out.substr(lastLine == std::string::npos ? 0 : lastLine + 1),
                  c.lastOut.empty() ? "" : c.lastOut + "\n")
            << r.out;
        EXPECT_EQ(r.err, "");
    }
    for (const std::vector<std::string>& usage : {std::vector<std::string>{"--compare", kGearbox},
                                                  {"--compare", kGearbox, "-f", "csv", "-o", "-", kGearbox},
                                                  {kGearbox, "--compare"}}) {
        const Result r = runCli(usage);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.find("trelk-cli: "), 0u) << r.err;
    }
}

// A company's export read by its BOM format file, named on the command line or in the settings
// file (beside it): a line that does not fit, a quantity that is no whole number and a format that
// cannot be read are no success; the format gives the layout, so the options of another do not go.
TEST(Cli, ReadsAnExportByItsBomFormatFile) {
    TempFolder folder;
    const std::string format =
        folder.write("frame.fmt",
                     ".breakdown\n%$type %$name contains:\n.row %$quantity[-5.1f];|%$name[-10.10s];|%$type[-4.4s]\n\n"
                     ".summary\nParts of %$name:\n.row %$quantity[-5.1f];|%$name\nParts: %[$total($quantity)]\n");
    const std::string rows =
        "Assembly FRAME contains:\r\n1.0  |CONTROL_UN|Sub-\r\n6.0  |HEX_BOLT  |Part\r\n\r\n"
        "Sub-Assembly CONTROL_UNIT contains:\r\n2.0  |HEX_BOLT  |Part\r\n\r\n";
    const std::string bom = folder.write("frame.bom", rows + "Parts of FRAME:\r\n8.0  |HEX_BOLT\r\nParts: 8\r\n");
    const std::string none = folder.write("none.ini", "");
    const std::string company = folder.write("company.ini", "[Format]\r\nFile=frame.fmt\r\n");
    const std::string report = folder.file("r.txt");
    const std::string totals = "Summary of parts for assembly FRAME\r\n    8   HEX_BOLT\r\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string logged;  // a line of the log
    } cases[] = {
        {{"--settings", none, "--bom-format", format, bom},
         0,
         "Cut names and type words matched to their longer forms in the BOM file: 1 name, 1 type word"},
        {{"--settings", company, bom},
         0,
         "Layout of the BOM format file: block header \"%$type %$name contains:\", "
         "rows \"%$quantity[-5.1f];|%$name[-10.10s];|%$type[-4.4s]\", summary "
         "\"Parts of %$name:\" with rows \"%$quantity[-5.1f];|%$name\""},
        {{"--settings", none, "--bom-format", format,
          folder.write("rounded.bom", rows + "Parts of FRAME:\r\n8.0  |HEX_BOLT\r\n0.4  |GLUE\r\n")},
         1,
         "Quantity 0.4 is no whole number in line 10, counted as 0: abnormal error! - GLUE"},
        {{"--settings", none, "--bom-format", format,
          folder.write("other.bom", rows + "Summary of parts for assembly FRAME:\r\n     8  Part  HEX_BOLT\r\n")},
         1,
         "BOM file line 8 does not fit the BOM format file, which prints a block header or the summary there: "
         "Summary of parts for assembly FRAME:"},
        {{"--settings", none, "--bom-format", folder.file("missing.fmt"), bom}, 1, "BOM format file not found!"},
        {{"--settings", none, "--bom-format", folder.write("bad.fmt", ".breakdown\n.row %$name\n.rows\n"), bom},
         1,
         "BOM format file line 3 cannot be read: unknown command .rows"},
    };
    for (const auto& c : cases) {
        std::remove(report.c_str());
        std::vector<std::string> args = {"-s", "parts", "-o", report};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result r = runCli(args);
        EXPECT_EQ(r.status, c.status) << r.out;
        EXPECT_NE(r.out.find("\n" + c.logged + "\n"), std::string::npos) << r.out;
        EXPECT_EQ(testing::fileExists(report), c.status == 0 || c.logged.rfind("Quantity", 0) == 0) << r.out;
        if (c.status == 0) {
            EXPECT_NE(readFile(report).find(totals), std::string::npos) << readFile(report);
        }
    }
    const Result r = runCli({"--bom-format", format, "--separator", "|", bom});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.find("trelk-cli: --bom-format does not go with"), 0u) << r.err;
}

// The company export shipped with Trelk, read by its format file: the report checked in beside the
// tests, and the export's own summary agrees.
TEST(Cli, ReadsTheShippedCompanyExportByItsFormatFile) {
    TempFolder folder;
    const std::string report = folder.file("report.txt");
    const Result r = runCli({"--settings", folder.write("empty.ini", ""), "--bom-format",
                             nativePath(TRELK_EXAMPLES "/company/brenner-lund.fmt"), "-s", "all", "-o", report,
                             nativePath(TRELK_EXAMPLES "/company/conveyor.bom.1")});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("\nMain assembly name: BELT_CONVEYOR_2000\nCut names and type words matched to their "
                         "longer forms in the BOM file: 7 names, 1 type word\nResults stored in file:\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(readFile(report), readFile(TRELK_TEST_DATA "/examples/conveyor.txt"));
}

// The company export's whole table: its attribute columns and column totals in the JSON document and
// the CSV files, checked in beside the tests from the attribute columns on (what comes before holds
// the paths of this run); the export's own total lines agree with the sums.
TEST(Cli, WritesTheShippedCompanyExportsTable) {
    TempFolder folder;
    const std::string empty = folder.write("empty.ini", "");
    const std::string format = nativePath(TRELK_EXAMPLES "/company/brenner-lund.fmt");
    const std::string bom = nativePath(TRELK_EXAMPLES "/company/conveyor.bom.1");
    const std::string json = folder.file("out.json");
    const Result r =
        runCli({"--settings", empty, "--bom-format", format, "--strict", "-f", "json", "-s", "all", "-o", json, bom});
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string document = readFile(json);
    const size_t columns = document.find(",\r\n  \"columns\"");
    ASSERT_NE(columns, std::string::npos) << document;
    EXPECT_EQ(document.substr(columns), readFile(TRELK_TEST_DATA "/examples/conveyor-from-columns.json"));
    const std::string csv = folder.file("csv");
    EXPECT_EQ(runCli({"--settings", empty, "--bom-format", format, "-f", "csv", "-s", "parts,parts-where-used", "-o",
                      csv, bom})
                  .status,
              0);
    EXPECT_EQ(readFile(csv + "/parts.csv"), readFile(TRELK_TEST_DATA "/examples/conveyor-parts.csv"));
    // Asked for by title and by parameter; one that is not there is said.
    const Result sums = runCli({"--settings", empty, "--bom-format", format, "--sum", "Part no.", "--sum", "cost",
                                "--sum", "Volume", "-f", "json", "-o", json, bom});
    EXPECT_EQ(sums.status, 0) << sums.out;
    EXPECT_NE(sums.out.find("\nColumn to sum holds values that are no numbers: Part no.\n"), std::string::npos)
        << sums.out;
    EXPECT_NE(sums.out.find("\nColumn to sum not found in the BOM file: Volume\n"), std::string::npos) << sums.out;
}

// Revision B of the company export changed materials, a mass and a description: the comparison
// lists each attribute change, counts them and says the files differ, though no quantity changed.
TEST(CliCompare, ListsTheAttributeChangesOfTheShippedCompanyExport) {
    TempFolder folder;
    const std::string report = folder.file("compare.txt");
    const Result r = runCli({"--settings", folder.write("empty.ini", ""), "--bom-format",
                             nativePath(TRELK_EXAMPLES "/company/brenner-lund.fmt"), "-s", "all", "-o", report,
                             "--compare", nativePath(TRELK_EXAMPLES "/company/conveyor.bom.1"),
                             nativePath(TRELK_EXAMPLES "/company/conveyor-rev-b.bom.1")});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("\nBOM files differ: 0 changed blocks, 0 changed totals, 5 changed attributes\n"),
              std::string::npos)
        << r.out;
    const std::string text = readFile(report);
    EXPECT_NE(text.find("\r\nChanged attributes: 5\r\n"), std::string::npos) << text;
    const size_t changes = text.find("Changes by assembly for assembly");
    ASSERT_NE(changes, std::string::npos) << text;
    EXPECT_EQ(text.substr(changes), readFile(TRELK_TEST_DATA "/examples/conveyor-compare-from-changes.txt"));
}

// Two exports of a summary-only format compare by their parts.
TEST(CliCompare, ComparesTwoSummaryOnlyExports) {
    TempFolder folder;
    const std::string format = folder.write("list.fmt", "Parts of %$name\n.summary\n.row %$quantity[4d] %$name\n");
    const std::string before = folder.write("a.bom", "Parts of PUMP\n   4 BOLT\n   1 HOUSING\n");
    const std::string after = folder.write("b.bom", "Parts of PUMP\n   6 BOLT\n   1 HOUSING\n");
    const std::string none = folder.write("none.ini", "");
    const std::string report = folder.file("r.txt");
    for (const auto& [other, status] : {std::pair{before, 0}, std::pair{after, 1}}) {
        const Result r = runCli({"--settings", none, "--bom-format", format, "-o", report, "--compare", before, other});
        EXPECT_EQ(r.status, status) << r.out;
        EXPECT_NE(r.out.find("\nBOM format file prints only a summary of parts: its totals are taken as they are, "
                             "without assemblies or where-used lists\n"),
                  std::string::npos)
            << r.out;
    }
    EXPECT_NE(readFile(report).find("BOLT"), std::string::npos) << readFile(report);
}

// A reading that takes no row of a file with rows, or whose totals differ from the export's own
// summary in most parts, writes its report and says so, and is no success.
TEST(Cli, ADoubtfulReadingIsNoSuccess) {
    TempFolder folder;
    const std::string german = folder.write("german.bom",
                                            "Assembly LAMPE contains:\r\n     1         Teil  FUSS\r\n"
                                            "     2         Teil  SCHIRM\r\n");
    std::string summary = "Assembly TOP contains:\r\n";
    for (const char* part : {"A", "B", "C", "D"}) summary += "     2         Part  " + std::string(part) + "\r\n";
    summary += "\r\nSummary of parts for assembly TOP:\r\n";
    std::string agreeing = summary, threeOfFour = summary, twoOfFour = summary;
    for (const char* part : {"A", "B", "C", "D"}) {
        agreeing += "     2         Part  " + std::string(part) + "\r\n";
        threeOfFour += std::string(*part == 'A' ? "     2" : "     3") + "         Part  " + part + "\r\n";
        twoOfFour += std::string(*part < 'C' ? "     2" : "     3") + "         Part  " + part + "\r\n";
    }
    const std::string none = folder.write("none.ini", "");
    const std::string report = folder.file("r.txt");
    const struct {
        std::string bytes;
        int status;
        std::string logged;
    } cases[] = {
        {folder.write("german.bom", readFile(german)), 1,
         "None of the 2 rows of the BOM file was read as a member of an assembly: the keywords or the layout in "
         "use do not fit it!"},
        {folder.write("most.bom", threeOfFour), 1,
         "Totals differ from the summary of parts in the BOM file in 3 of 4 parts: the file was not read as it is "
         "laid out!"},
        {folder.write("half.bom", twoOfFour), 0, ""},
        {folder.write("agrees.bom", agreeing), 0, ""},
    };
    for (const auto& c : cases) {
        std::remove(report.c_str());
        const Result r = runCli({"--settings", none, "-o", report, c.bytes});
        EXPECT_EQ(r.status, c.status) << r.out;
        if (c.logged.empty()) {
            EXPECT_EQ(r.out.find("not read as it is laid out"), std::string::npos) << r.out;
        } else {
            EXPECT_NE(r.out.find("\n" + c.logged + "\n"), std::string::npos) << r.out;
        }
        EXPECT_TRUE(testing::fileExists(report));
    }
}

#ifndef _WIN32
// With -o the report goes elsewhere: the settings file of the application folder is read when
// it is there, and no folder is made just to look.
TEST(Cli, WithAnOutputPathReadsTheApplicationFoldersSettingsWithoutMakingTheFolder) {
    TempFolder home, out;
    const std::string report = out.file("r.txt");
    testing::setEnvironment("XDG_CONFIG_HOME", home.path());
    EXPECT_EQ(runCli({"-o", report, kTopAsm}).status, 0);
    const bool madeFolder = testing::fileExists(home.path() + "/Halvorn");
    std::filesystem::create_directories(home.path() + "/Halvorn/Trelk");
    home.write("Halvorn/Trelk/Trelk.ini",
               "[Settings]\r\nInclude_SummaryOfAssys=0\r\nInclude_SummaryOfParts=0\r\n"
               "Include_AssyInAssys=0\r\nInclude_PartsInAssys=0\r\n");
    const Result r = runCli({"-o", report, kTopAsm});
    testing::setEnvironment("XDG_CONFIG_HOME", "");
    EXPECT_FALSE(madeFolder);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(report), "");  // every section switched off by that file
}

TEST(Cli, WritesIntoTheApplicationFolderByDefault) {
    TempFolder home;
    testing::setEnvironment("XDG_CONFIG_HOME", home.path());
    const Result r = runCli({kTopAsm});
    testing::setEnvironment("XDG_CONFIG_HOME", "");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(testing::fileExists(home.path() + "/Halvorn/Trelk/Trelk.txt"));
    EXPECT_FALSE(testing::fileExists(home.path() + "/Halvorn/Trelk/Trelk.ini"));  // the console only reads it
}
// "?", "*" and a final ":" are ordinary characters here: in the BOM's name, the report's, the
// settings file's and the application folder's.
TEST(Cli, NamesWithWildcardsAndColonsAreFiles) {
    TempFolder folder;
    const std::string bom = folder.write("a*b?.bom:", readFile(TRELK_TEST_DATA "/top_asm.bom"));
    const std::string settings = folder.write("s*?.ini:",
                                              "[Settings]\r\nInclude_SummaryOfAssys=0\r\n"
                                              "Include_AssyInAssys=0\r\nInclude_PartsInAssys=0\r\n");
    const std::string report = folder.file("out?.txt");
    Result r = runCli({"--settings", settings, "-o", report, bom});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(readFile(report).find("Summary of assemblies"), std::string::npos);  // the file's flags
    EXPECT_NE(readFile(report).find("Summary of parts for assembly TOP_ASM"), std::string::npos);

    testing::setEnvironment("XDG_CONFIG_HOME", folder.file("config?*:"));
    r = runCli({bom});
    testing::setEnvironment("XDG_CONFIG_HOME", "");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(testing::fileExists(folder.file("config?*:/Halvorn/Trelk/Trelk.txt")));
}
#endif

}  // namespace
}  // namespace trelk
