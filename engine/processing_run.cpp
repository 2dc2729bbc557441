#include "engine/processing_run.h"

#include <new>

#include "engine/file_system.h"
#include "engine/report.h"
#include "engine/result_export.h"
#include "engine/rollup.h"
#include "engine/summary_check.h"

namespace trelk {

std::string reportPathFor(const RunRequest& request) {
    if (!request.reportPath.empty()) return request.reportPath;
    if (request.format == ReportFormat::Csv) return request.applicationFolder;
    return request.applicationFolder + kPathSeparator +
           (request.format == ReportFormat::Json ? "Trelk.json" : "Trelk.txt");
}

namespace {

void logNumbered(ProcessingHost& host, std::string_view text, int64_t number) {
    host.appendLogLine(std::string(text) + formatSignedDecimal(number));
}

// The analysis of the file as it is read, up to the sorted tables. Returns the error number of a
// read that failed, or kOutOfMemory when the file is too large for the memory at hand, or 0.
int analyse(InputFile& input, const RunRequest& request, ProcessingHost& host, size_t& lineCount, ResultTables& tables,
            ExportExtras& extras) {
    const LogSink log = [&host](std::string_view line) { host.appendLogLine(line); };
    const bool exporting = request.format != ReportFormat::Report;
    try {
        EncodingCheck encoding;
        // The start of the file is read twice (its line ends are decided first): the encoding is
        // checked on the second reading only.
        const BomStructure bom(
            [&](char* into, size_t room) {
                const size_t got = input.read(into, room);
                if (exporting) encoding.feed(into, got);
                return got;
            },
            [&] {
                encoding = EncodingCheck();
                return input.rewind() == kNoError;
            },
            request.keywords, input.size(), request.columns);
        // A read that fails part way is reported, not taken for the end of the file.
        if (input.error() != kNoError) return input.error();
        lineCount = bom.lineCount();
        logNumbered(host, "Nr of lines read of BOM input file:", static_cast<int64_t>(lineCount));
        if (lineCount <= 1) return kNoError;
        if (bom.hasMainAssembly()) host.appendLogLine("Main assembly name: " + std::string(bom.mainAssemblyName()));
        logQuantityProblems(bom, log);
        const Tally build = Tally::of(request.buildQuantity);
        const RollupTotals totals = expandAssembly(bom, bom.mainAssemblyName(), build, log);
        tables = sortTables(bom, totals, buildWhereUsed(bom));
        logOutOfRangeTotals(tables, log);
        if (exporting) {
            extras.encoding = encoding.encoding();
            if (request.sections.Include_BOMAssyBreakdown) extras.tree = buildAssemblyTree(bom, build, log);
        }
        // The export's summary lists the parts of one machine.
        if (request.buildQuantity == 1) {
            logSummaryDifferences(tables.partTotals, bom, log);
        } else if (bom.hasSummary()) {
            const RollupTotals one = expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1), [](std::string_view) {});
            logSummaryDifferences(sortTables(bom, one, WhereUsedById()).partTotals, bom, log);
        }
        return kNoError;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

}  // namespace

void runProcessing(const RunRequest& request, ProcessingHost& caller) {
    // The JSON document carries the run's log lines: they are kept as they pass.
    LogKeepingHost host(caller, request.format == ReportFormat::Json);
    const std::string reportPath = reportPathFor(request);
    const std::string& bomFile = request.bomFileName;

    if (bomFile.empty()) {
        host.showErrorBox("No BOM file specified as input!", "Trelk");
        return;
    }
    host.appendLogLine("Trying to read BOM file:");
    host.appendLogLine(bomFile);
    if (!isExistingFile(bomFile)) {
        host.appendLogLine("BOM input file not found!");
        return;
    }
    if (const int error = tryOpenForReading(bomFile)) {
        logNumbered(host, "Error opening BOM input file! Error #:", error);
        return;
    }

    // The file is read while it is analysed, piece by piece: it is never all in memory at once.
    // A read that fails after the trial open is reported, not taken for an empty file.
    size_t lineCount = 0;
    ResultTables tables;
    ExportExtras extras;
    int error;
    {
        InputFile input;  // closed again before the breakdown section opens the file
        error = input.open(bomFile);
        if (error == kNoError) error = analyse(input, request, host, lineCount, tables, extras);
    }
    if (error != kNoError) {
        logNumbered(host, "Error reading BOM input file! Error #:", error);
        return;
    }
    if (lineCount <= 1) {
        host.appendLogLine("BOM input file seems to be empty!");
        return;
    }
    if (request.format != ReportFormat::Report || request.toStandardOutput) {
        writeExport(request, host, tables, extras, host.lines());
        return;
    }

    OutputFile report;
    error = report.create(reportPath);
    if (error != kNoError) {
        host.appendLogLine("Error" + formatSignedDecimal(error) + " creating output file: ");
        host.appendLogLine(reportPath);
        return;
    }
    int breakdownReadError = kNoError;
    error = writeReport(report, request.sections, bomFile, request.keywords, tables, &breakdownReadError);
    const int closeError = report.close();
    if (error == kNoError) error = closeError;
    // A report cut short by a full disk must not be announced as stored.
    if (error != kNoError) {
        host.appendLogLine("Error" + formatSignedDecimal(error) + " writing output file: ");
        host.appendLogLine(reportPath);
        return;
    }
    // Nor one whose breakdown copy is empty or cut short because the BOM file could not be read.
    if (breakdownReadError != kNoError) {
        logNumbered(host, "Error reading BOM input file! Error #:", breakdownReadError);
        return;
    }
    if (isExistingFile(reportPath)) {
        host.appendLogLine("Results stored in file:");
        host.appendLogLine(reportPath);
        host.resultsWritten(reportPath);
        host.openDocument(reportPath);
    } else {
        host.appendLogLine("Output file not found");
    }
}

}  // namespace trelk
