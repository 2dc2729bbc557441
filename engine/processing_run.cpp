#include "engine/processing_run.h"

#include <new>

#include "engine/file_system.h"
#include "engine/report.h"
#include "engine/rollup.h"

namespace trelk {

std::string reportPathFor(const RunRequest& request) {
    if (!request.reportPath.empty()) return request.reportPath;
    return request.applicationFolder + kPathSeparator + "Trelk.txt";
}

namespace {

void logNumbered(ProcessingHost& host, std::string_view text, int64_t number) {
    host.appendLogLine(std::string(text) + formatSignedDecimal(number));
}

// The analysis of the read bytes, up to the sorted tables. Returns false when the file is too
// large for the memory at hand.
bool analyse(const std::string& bytes, const RunRequest& request, ProcessingHost& host, size_t& lineCount,
             ResultTables& tables) {
    const LogSink log = [&host](std::string_view line) { host.appendLogLine(line); };
    try {
        const BomStructure bom(bytes, request.keywords);
        lineCount = bom.lineCount();
        logNumbered(host, "Nr of lines read of BOM input file:", static_cast<int64_t>(lineCount));
        if (lineCount <= 1) return true;
        if (bom.hasMainAssembly()) host.appendLogLine("Main assembly name: " + std::string(bom.mainAssemblyName()));
        logQuantityProblems(bom, log);
        const RollupTotals totals = expandAssembly(bom, bom.mainAssemblyName(), Tally{1, false}, log);
        tables = sortTables(bom, totals, buildWhereUsed(bom));
        logOutOfRangeTotals(tables, log);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

void runProcessing(const RunRequest& request, ProcessingHost& host) {
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

    // A read that fails after the trial open is reported, not taken for an empty file.
    std::string bytes;
    if (const int error = readWholeFile(bomFile, bytes)) {
        logNumbered(host, "Error reading BOM input file! Error #:", error);
        return;
    }
    size_t lineCount = 0;
    ResultTables tables;
    if (!analyse(bytes, request, host, lineCount, tables)) {
        logNumbered(host, "Error reading BOM input file! Error #:", kOutOfMemory);
        return;
    }
    if (lineCount <= 1) {
        host.appendLogLine("BOM input file seems to be empty!");
        return;
    }

    OutputFile report;
    if (const int error = report.create(reportPath)) {
        host.appendLogLine("Error" + formatSignedDecimal(error) + " creating output file: ");
        host.appendLogLine(reportPath);
        return;
    }
    // The breakdown section reads the file again into the same memory.
    int error = writeReport(report, request.sections, bomFile, request.keywords, tables, bytes);
    const int closeError = report.close();
    if (error == kNoError) error = closeError;
    // A report cut short by a full disk must not be announced as stored.
    if (error != kNoError) {
        host.appendLogLine("Error" + formatSignedDecimal(error) + " writing output file: ");
        host.appendLogLine(reportPath);
        return;
    }
    if (isExistingFile(reportPath)) {
        host.appendLogLine("Results stored in file:");
        host.appendLogLine(reportPath);
        host.openDocument(reportPath);
    } else {
        host.appendLogLine("Output file not found");
    }
}

}  // namespace trelk
