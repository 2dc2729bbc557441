// trelk-cli: the Trelk report from a terminal. It reads the same settings file as the window
// program (only reads it) and prints the run's log lines.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "cli/console_host.h"
#include "cli/output_options.h"
#include "cli/section_list.h"
#include "engine/comparison_run.h"
#include "engine/file_system.h"
#include "engine/line_classifier.h"
#include "engine/processing_run.h"
#include "settings/app_folder.h"
#include "settings/settings_model.h"
#include "trelk_version.h"

namespace {

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

std::string applicationFolder() {
    const int perUser = 1;
    return trelk::ensureAppFolder("Halvorn", "Trelk", perUser,
                                  [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app(
        "Multiplies the quantities of a Pro/E BOM export out through the assembly tree, lists where\n"
        "every part and sub-assembly is used and writes the Trelk report.",
        "trelk-cli");
    std::string bomFile, output, sections, settingsFile, format = "report", build = "1", columns, separator, header,
                                                         oldBomFile, bomFormat;
    bool openReport = false, quiet = false, strict = false;
    app.add_option("BOMFILE", bomFile, "The BOM file exported by the CAD system")->required();
    app.add_option("-o,--output", output,
                   "Report, JSON or HTML file, or the folder of the CSV files; - for standard\n"
                   "output (not csv). Default: Trelk.txt, Trelk.json, Trelk.html or the\n"
                   "application folder")
        ->type_name("PATH");
    app.add_option("-f,--format", format,
                   "report (the default), csv (one table per file: assemblies.csv, parts.csv,\n"
                   "assemblies-where-used.csv, parts-where-used.csv, tree.csv), json or html")
        ->type_name("FORMAT");
    app.add_option("--build", build,
                   "Machines to build: totals and path quantities are multiplied by N;\n"
                   "default 1")
        ->type_name("N");
    app.add_option("-s,--sections", sections,
                   "Comma-separated from: breakdown, assemblies, parts, assemblies-where-used,\n"
                   "parts-where-used; or all, or none. Default: the flags of the settings file")
        ->type_name("LIST");
    app.add_option("--settings", settingsFile,
                   "Settings file for keywords and flags (only read);\n"
                   "default: Trelk.ini in the application folder")
        ->type_name("FILE");
    app.add_option("--columns", columns,
                   "Fields of quantity, type and name in item lines, counted from 1 at the start or\n"
                   "from -1 at the end, for example 1,2,3; a type of 0: no type column (a member is a\n"
                   "sub-assembly when the file has a block for it). Default: the settings file's,\n"
                   "else 1,2,-1")
        ->type_name("Q,T,N");
    app.add_option("--separator", separator,
                   "The character between the cells of a table, such as '|'; tab for a tab. The\n"
                   "columns of --columns then count cells. Default: the settings file's, else blanks")
        ->type_name("C");
    app.add_option("--header", header,
                   "The block header as the export writes it, %$name standing for the assembly's name,\n"
                   "for example 'Assembly *** %$name ***'. Default: the settings file's, else a line\n"
                   "that ends with the contains keyword")
        ->type_name("PATTERN");
    app.add_option("--bom-format", bomFormat,
                   "The company's BOM format file the export was made by (the CAD system's\n"
                   "bom_format option): the export is read exactly by it, its summary and total\n"
                   "lines included, and a line that does not fit it ends the run. Default: the\n"
                   "settings file's [Format] File, else none")
        ->type_name("FILE");
    app.add_option("--compare", oldBomFile,
                   "Compare OLD, an earlier export of the same product, with BOMFILE: what changed\n"
                   "in every assembly's block and in every total. Exit status 0 when they agree,\n"
                   "1 when they differ, 2 on trouble. Default output: Trelk-compare.txt,\n"
                   "Trelk-compare.json, Trelk-compare.html or the folder Trelk-compare in the\n"
                   "application folder")
        ->type_name("OLD");
    app.add_flag("--open", openReport, "Open the report with the desktop's default application");
    app.add_flag("-q,--quiet", quiet, "No log lines");
    app.add_flag("--strict", strict,
                 "Exit status 1 when the totals differ from the export's own summary\n"
                 "of parts (the report is written all the same)");
    app.set_version_flag("--version", "trelk-cli " TRELK_VERSION_STRING);
    app.footer(std::string(trelk::kOutputHelp) + "\n\n" + trelk::kComparisonHelp);
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

    std::optional<trelk::SectionSelection> chosenSections;
    if (!sections.empty() || app.count("--sections")) {
        std::string error;
        chosenSections = trelk::parseSectionList(sections, error);
        if (!chosenSections) return usageError(error);
    }
    std::optional<trelk::ColumnLayout> chosenColumns;
    if (app.count("--columns")) {
        chosenColumns = trelk::parseColumnList(columns);
        if (!chosenColumns)
            return usageError("--columns wants three non-zero whole numbers (the type may be 0), as 1,2,-1; not '" +
                              columns + "'");
    }
    std::string error;
    const std::optional<trelk::ReportFormat> chosenFormat = trelk::parseReportFormat(format, error);
    if (!chosenFormat) return usageError(error);
    const std::optional<int64_t> buildQuantity = trelk::parseBuildQuantity(build, error);
    if (!buildQuantity) return usageError(error);
    const bool toStandardOutput = output == "-";
    if (toStandardOutput && *chosenFormat == trelk::ReportFormat::Csv)
        return usageError("CSV files need a folder: -o - works with --format report, json or html");
    if (toStandardOutput) output.clear();
    if (!settingsFile.empty() && !trelk::isExistingFile(settingsFile))
        return usageError("settings file '" + settingsFile + "' not found");
    if (app.count("--bom-format") && (app.count("--columns") || app.count("--separator") || app.count("--header")))
        return usageError(
            "--bom-format does not go with --columns, --separator or --header: the format file "
            "gives the layout");
    const bool comparing = app.count("--compare") > 0;
    if (comparing && strict) return usageError("--strict does not go with --compare");

    // The report needs the application folder, made when missing; the settings file alone is
    // only looked for there.
    std::string folder;
    const bool folderNeeded = output.empty() && !toStandardOutput;
    if (folderNeeded) folder = applicationFolder();
    if (settingsFile.empty()) {
        const std::string found = folderNeeded ? folder : trelk::findAppFolder("Halvorn", "Trelk", 1);
        if (!found.empty()) settingsFile = trelk::settingsFilePathIn(found);
    }
    const trelk::StoredSettings stored =
        settingsFile.empty() ? trelk::StoredSettings() : trelk::loadSettings(settingsFile);

    trelk::RunRequest request;
    request.bomFileName = bomFile;
    request.keywords = stored.keywords;
    request.columns = chosenColumns ? *chosenColumns : stored.columns;
    if (app.count("--separator")) {
        request.columns.Separator = trelk::readSeparator(separator);
        if (request.columns.Separator == 0)
            return usageError("--separator wants one character other than a blank, or tab; not '" + separator + "'");
    }
    if (app.count("--header")) {
        if (!trelk::parseHeaderPattern(header).valid)
            return usageError("--header wants the header's words with %$name where the name stands; not '" + header +
                              "'");
        request.columns.Header = header;
    }
    request.sections = chosenSections ? *chosenSections : stored.sections;
    request.applicationFolder = folder;
    request.reportPath = output;
    request.format = *chosenFormat;
    request.buildQuantity = *buildQuantity;
    request.toStandardOutput = toStandardOutput;
    request.bomFormatFile = app.count("--bom-format") ? bomFormat : stored.bomFormatFile;

    static char outputBuffer[1 << 16];
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    trelk::ConsoleHost host(quiet, openReport && !toStandardOutput, toStandardOutput);
    if (comparing) {
        trelk::ComparisonRequest comparison;
        comparison.oldBomFileName = oldBomFile;
        comparison.run = request;
        const trelk::ComparisonOutcome outcome = trelk::runComparison(comparison, host);
        std::fflush(stdout);
        if (!outcome.compared() || outcome.readingInDoubt) return kExitTrouble;
        return outcome.agree ? kExitSame : kExitDifferent;
    }
    const trelk::RunOutcome outcome = trelk::runProcessing(request, host);
    std::fflush(stdout);
    if (strict && outcome.summaryDifferences > 0) return kExitRunProblem;
    // Results that the log says are not to be trusted are no success.
    if (outcome.readingInDoubt || outcome.roundedQuantities > 0) return kExitRunProblem;
    // A report without a main assembly holds nothing: the file was not read as a BOM.
    return outcome.stored() && outcome.mainAssemblyFound ? kExitReportStored : kExitRunProblem;
}
