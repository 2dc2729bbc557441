// trelk-cli: the Trelk report from a terminal. It reads the same settings file as the window
// program (only reads it) and prints the run's log lines. main() parses the command line, checks
// its options, builds the run's request from them and the settings file, and runs.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/console_host.h"
#include "cli/output_options.h"
#include "cli/section_list.h"
#include "engine/runs/comparison_run.h"
#include "engine/files/file_system.h"
#include "engine/reading/line_classifier.h"
#include "engine/runs/processing_run.h"
#include "settings/app_folder.h"
#include "settings/settings_model.h"
#include "trelk_version.h"

namespace {

using namespace trelk;

constexpr int kExitReportStored = 0;
constexpr int kExitRunProblem = 1;
constexpr int kExitUsage = 2;
// A comparison exits as diff and cmp do.
constexpr int kExitSame = 0;
constexpr int kExitDifferent = 1;
constexpr int kExitTrouble = 2;

int usageError(const std::string& message) {
    std::fprintf(stderr, "trelk-cli: %s. Try 'trelk-cli --help'.\n", message.c_str());
    return kExitUsage;
}

// The command line as given.
struct CommandLine {
    std::string bomFile, output, sections, settingsFile, format = "report", build = "1", columns, separator, header,
                                                         oldBomFile, bomFormat;
    std::vector<std::string> sums;
    bool openReport = false, quiet = false, strict = false, csvRaw = false;
    // Options that were given at all, even as an empty word.
    bool sectionsGiven = false, columnsGiven = false, separatorGiven = false, headerGiven = false, comparing = false,
         bomFormatGiven = false;
};

void describeOptions(CLI::App& app, CommandLine& line) {
    app.add_option("BOMFILE", line.bomFile, "The BOM file exported by the CAD system")->required();
    app.add_option("-o,--output", line.output,
                   "Report, JSON or HTML file, or the folder of the CSV files; - for standard\n"
                   "output (not csv). Default: Trelk.txt, Trelk.json, Trelk.html or the\n"
                   "application folder")
        ->type_name("PATH");
    app.add_option("-f,--format", line.format,
                   "report (the default), csv (one table per file: assemblies.csv, parts.csv,\n"
                   "assemblies-where-used.csv, parts-where-used.csv, tree.csv), json or html")
        ->type_name("FORMAT");
    app.add_option("--build", line.build,
                   "Machines to build: totals and path quantities are multiplied by N;\n"
                   "default 1")
        ->type_name("N");
    app.add_option("-s,--sections", line.sections,
                   "Comma-separated from: breakdown, assemblies, parts, assemblies-where-used,\n"
                   "parts-where-used; or all, or none. Default: the flags of the settings file")
        ->type_name("LIST");
    app.add_option("--settings", line.settingsFile,
                   "Settings file for keywords and flags (only read);\n"
                   "default: Trelk.ini in the application folder")
        ->type_name("FILE");
    app.add_option("--columns", line.columns,
                   "Fields of quantity, type and name in item lines, counted from 1 at the start or\n"
                   "from -1 at the end, for example 1,2,3; a type of 0: no type column (a member is a\n"
                   "sub-assembly when the file has a block for it). Default: the settings file's,\n"
                   "else 1,2,-1")
        ->type_name("Q,T,N");
    app.add_option("--separator", line.separator,
                   "The character between the cells of a table, such as '|'; tab for a tab. The\n"
                   "columns of --columns then count cells. Default: the settings file's, else blanks")
        ->type_name("C");
    app.add_option("--header", line.header,
                   "The block header as the export writes it, %$name standing for the assembly's name,\n"
                   "for example 'Assembly *** %$name ***'. Default: the settings file's, else a line\n"
                   "that ends with the contains keyword")
        ->type_name("PATTERN");
    app.add_option("--bom-format", line.bomFormat,
                   "The company's BOM format file the export was made by (the CAD system's\n"
                   "bom_format option): the export is read exactly by it, its summary and total\n"
                   "lines included, and a line that does not fit it ends the run. Default: the\n"
                   "settings file's [Format] File, else none")
        ->type_name("FILE");
    app.add_option("--sum", line.sums,
                   "Total the export's column of that title (or parameter) through the tree and\n"
                   "check it against the export's total lines, besides the columns of a mass, a\n"
                   "weight or a cost, which are totalled anyway; may be given more than once")
        ->type_name("TITLE")
        ->allow_extra_args(false);
    app.add_option("--compare", line.oldBomFile,
                   "Compare OLD, an earlier export of the same product, with BOMFILE: what changed\n"
                   "in every assembly's block and in every total. Exit status 0 when they agree,\n"
                   "1 when they differ, 2 on trouble. Default output: Trelk-compare.txt,\n"
                   "Trelk-compare.json, Trelk-compare.html or the folder Trelk-compare in the\n"
                   "application folder")
        ->type_name("OLD");
    app.add_flag("--csv-raw", line.csvRaw,
                 "CSV cells as read, even a name that starts with = + - @ (or a tab or CR),\n"
                 "which a spreadsheet would run as a formula; by default such a cell starts\n"
                 "with an apostrophe, which makes it text");
    app.add_flag("--open", line.openReport, "Open the report with the desktop's default application");
    app.add_flag("-q,--quiet", line.quiet, "No log lines");
    app.add_flag("--strict", line.strict,
                 "Exit status 1 when the totals differ from the export's own summary\n"
                 "of parts (the report is written all the same); with --compare, exit\n"
                 "status 2 when either file was read with problems or its totals differ\n"
                 "from its summary, which may make the comparison wrong");
    app.set_version_flag("--version", "trelk-cli " TRELK_VERSION_STRING);
    app.footer(std::string(kOutputHelp) + "\n\n" + kComparisonHelp);
}

// What the options ask, read and checked; the settings file gives what they leave open.
struct Options {
    std::optional<SectionSelection> sections;
    std::optional<ColumnLayout> columns;
    char separator = 0;  // 0: not given
    ReportFormat format = ReportFormat::Report;
    int64_t buildQuantity = 1;
    bool toStandardOutput = false;
};

// The options read, or the usage error that one of them makes, in the order they are checked.
std::optional<Options> checkOptions(const CommandLine& line, std::string& error) {
    Options options;
    if (line.sectionsGiven && !(options.sections = parseSectionList(line.sections, error))) return std::nullopt;
    if (line.columnsGiven && !(options.columns = parseColumnList(line.columns))) {
        error =
            "--columns wants three non-zero whole numbers (the type may be 0), as 1,2,-1; not '" + line.columns + "'";
        return std::nullopt;
    }
    const std::optional<ReportFormat> format = parseReportFormat(line.format, error);
    if (!format) return std::nullopt;
    options.format = *format;
    const std::optional<int64_t> buildQuantity = parseBuildQuantity(line.build, error);
    if (!buildQuantity) return std::nullopt;
    options.buildQuantity = *buildQuantity;
    options.toStandardOutput = line.output == "-";
    if (options.toStandardOutput && options.format == ReportFormat::Csv) {
        error = "CSV files need a folder: -o - works with --format report, json or html";
        return std::nullopt;
    }
    if (!line.settingsFile.empty() && !isExistingFile(line.settingsFile)) {
        error = "settings file '" + line.settingsFile + "' not found";
        return std::nullopt;
    }
    if (line.separatorGiven && (options.separator = readSeparator(line.separator)) == 0) {
        error = "--separator wants one character other than a blank, or tab; not '" + line.separator + "'";
        return std::nullopt;
    }
    if (line.headerGiven && !parseHeaderPattern(line.header).valid) {
        error = "--header wants the header's words with %$name where the name stands; not '" + line.header + "'";
        return std::nullopt;
    }
    if (line.bomFormatGiven && (line.columnsGiven || line.separatorGiven || line.headerGiven)) {
        error = "--bom-format does not go with --columns, --separator or --header: the format file gives the layout";
        return std::nullopt;
    }
    return options;
}

// The request: the options over the settings file's keywords, columns and sections. The results
// need the application folder when no output is named, which is then made if missing; the
// settings file alone is only looked for there.
RunRequest buildRequest(const CommandLine& line, const Options& options) {
    RunRequest request;
    request.toStandardOutput = options.toStandardOutput;
    if (!options.toStandardOutput) request.reportPath = line.output;
    const bool folderNeeded = request.reportPath.empty() && !request.toStandardOutput;
    if (folderNeeded)
        request.applicationFolder =
            ensureAppFolder(kAppIdentity, [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
    std::string settingsFile = line.settingsFile;
    if (settingsFile.empty()) {
        const std::string found = folderNeeded ? request.applicationFolder : findAppFolder(kAppIdentity);
        if (!found.empty()) settingsFile = settingsFilePathIn(found);
    }
    const StoredSettings stored = settingsFile.empty() ? StoredSettings() : loadSettings(settingsFile);

    request.bomFileName = line.bomFile;
    request.keywords = stored.keywords;
    request.columns = options.columns ? *options.columns : stored.columns;
    if (options.separator != 0) request.columns.Separator = options.separator;
    if (line.headerGiven) request.columns.Header = line.header;
    request.sections = options.sections ? *options.sections : stored.sections;
    request.format = options.format;
    request.buildQuantity = options.buildQuantity;
    request.bomFormatFile = line.bomFormatGiven ? line.bomFormat : stored.bomFormatFile;
    request.sumColumns = line.sums;
    request.csvRaw = line.csvRaw;
    return request;
}

// The run, or the comparison, and the exit status it ends with.
int run(const RunRequest& request, const CommandLine& line) {
    static char outputBuffer[1 << 16];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    ConsoleHost host(line.quiet, line.openReport && !request.toStandardOutput, request.toStandardOutput);
    if (line.comparing) {
        ComparisonRequest comparison;
        comparison.oldBomFileName = line.oldBomFile;
        comparison.run = request;
        const ComparisonOutcome outcome = runComparison(comparison, host);
        std::fflush(stdout);
        if (!outcome.compared() || outcome.readingInDoubt) return kExitTrouble;
        // The verdict is written all the same; strict, a doubtful reading is trouble.
        if (line.strict && outcome.misread) return kExitTrouble;
        return outcome.agree ? kExitSame : kExitDifferent;
    }
    const RunOutcome outcome = runProcessing(request, host);
    std::fflush(stdout);
    if (line.strict && (outcome.summaryDifferences > 0 || outcome.problems > 0)) return kExitRunProblem;
    // Results that the log says are not to be trusted are no success.
    if (outcome.readingInDoubt || outcome.roundedQuantities > 0) return kExitRunProblem;
    // A report without a main assembly holds nothing: the file was not read as a BOM.
    return outcome.stored() && outcome.mainAssemblyFound ? kExitReportStored : kExitRunProblem;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app(
        "Multiplies the quantities of a Pro/E BOM export out through the assembly tree, lists where\n"
        "every part and sub-assembly is used and writes the Trelk report.",
        "trelk-cli");
    CommandLine line;
    describeOptions(app, line);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        std::printf("%s\n", e.what());
        return kExitReportStored;
    } catch (const CLI::ParseError& e) {
        return usageError(e.what());
    }
    line.sectionsGiven = app.count("--sections") > 0;
    line.columnsGiven = app.count("--columns") > 0;
    line.separatorGiven = app.count("--separator") > 0;
    line.headerGiven = app.count("--header") > 0;
    line.comparing = app.count("--compare") > 0;
    line.bomFormatGiven = app.count("--bom-format") > 0;

    std::string error;
    const std::optional<Options> options = checkOptions(line, error);
    if (!options) return usageError(error);
    return run(buildRequest(line, *options), line);
}
