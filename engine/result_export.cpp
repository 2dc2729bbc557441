#include "engine/result_export.h"

#include "engine/csv_export.h"
#include "engine/file_system.h"
#include "engine/html_export.h"
#include "engine/json_export.h"
#include "engine/report.h"
#include "text/text_rules.h"

namespace trelk {

namespace {

// One file of the results: the whole report or document, or one CSV table.
struct Output {
    std::string path;  // "standard output" for the standard output
    Section table;     // for a CSV file
};

std::string inFolder(const std::string& folder, std::string_view file) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/' && path.back() != kPathSeparator) path += kPathSeparator;
    path += file;
    return path;
}

RunOutcome failed(RunOutcome outcome, RunOutcome::Ending ending, int error) {
    outcome.ending = ending;
    outcome.error = error;
    return outcome;
}

void logFileError(ProcessingHost& host, int error, std::string_view doing, const std::string& path) {
    host.appendLogLine("Error" + formatSignedDecimal(error) + std::string(doing));
    host.appendLogLine(path);
}

// Writes one output into the open file; the error number of a failed write, or 0. The report's
// breakdown copy reads the BOM file again: an error of that reading goes to `readError`.
int writeOutput(OutputFile& file, const Output& output, const RunRequest& request, const Analysis& analysis,
                const std::vector<std::string>& log, int& readError) {
    switch (request.format) {
    case ReportFormat::Report:
        return writeReport(file, request.sections, request.bomFileName, request.keywords, analysis.tables, &readError);
    case ReportFormat::Csv: return writeCsvTable(file, output.table, analysis.tables, analysis.tree, analysis.encoding);
    case ReportFormat::Json: {
        JsonDocument document;
        document.bomFileName = request.bomFileName;
        document.buildQuantity = request.buildQuantity;
        document.encoding = analysis.encoding;
        document.log = log;
        document.sections = request.sections;
        document.tables = &analysis.tables;
        document.tree = &analysis.tree;
        return writeJson(file, document);
    }
    case ReportFormat::Html: {
        HtmlDocument document;
        document.bomFileName = request.bomFileName;
        document.buildQuantity = request.buildQuantity;
        document.encoding = analysis.encoding;
        document.log = &log;
        document.sections = request.sections;
        document.tables = &analysis.tables;
        document.tree = &analysis.tree;
        return writeHtml(file, document);
    }
    }
    return kNoError;
}

}  // namespace

RunOutcome writeResults(const RunRequest& request, const Analysis& analysis, const std::vector<std::string>& log,
                        ProcessingHost& host) {
    RunOutcome outcome;
    outcome.mainAssemblyFound = analysis.mainAssemblyFound;
    outcome.summaryDifferences = analysis.summaryDifferences;
    const bool toOutput = request.toStandardOutput && request.format != ReportFormat::Csv;
    const std::string where = toOutput ? std::string() : reportPathFor(request);

    std::vector<Output> outputs;
    if (request.format == ReportFormat::Csv) {
        if (const int error = createFolder(where)) {
            logFileError(host, error, " creating output folder: ", where);
            return failed(outcome, RunOutcome::Ending::CreateFailed, error);
        }
        for (const Section table : kExportOrder)
            if (isChosen(request.sections, table))
                outputs.push_back({inFolder(where, reportSection(table).csvFile), table});
    } else {
        outputs.push_back({toOutput ? std::string("standard output") : where, Section::Breakdown});
    }

    for (const Output& output : outputs) {
        OutputFile file;
        if (const int error = toOutput ? file.attachStandardOutput() : file.create(output.path)) {
            logFileError(host, error, " creating output file: ", output.path);
            return failed(outcome, RunOutcome::Ending::CreateFailed, error);
        }
        int readError = kNoError;
        int error = writeOutput(file, output, request, analysis, log, readError);
        const int closeError = file.close();
        if (error == kNoError) error = closeError;
        // Output cut short by a full disk must not be announced as stored...
        if (error != kNoError) {
            logFileError(host, error, " writing output file: ", output.path);
            return failed(outcome, RunOutcome::Ending::WriteFailed, error);
        }
        // ...nor a breakdown copy that is empty or cut short because the BOM file could not be read.
        if (readError != kNoError) {
            host.appendLogLine("Error reading BOM input file! Error #:" + formatSignedDecimal(readError));
            return failed(outcome, RunOutcome::Ending::ReadFailed, readError);
        }
        if (toOutput) {
            host.appendLogLine("Results written to standard output");
        } else if (isExistingFile(output.path)) {
            host.appendLogLine("Results stored in file:");
            host.appendLogLine(output.path);
        } else {
            host.appendLogLine("Output file not found");
            return failed(outcome, RunOutcome::Ending::OutputNotFound, kNoError);
        }
    }
    outcome.ending = RunOutcome::Ending::Stored;
    outcome.where = where;
    if (!toOutput) host.openDocument(where);
    return outcome;
}

}  // namespace trelk
