#include "engine/result_export.h"

#include "engine/csv_export.h"
#include "engine/html_export.h"
#include "engine/json_export.h"
#include "engine/report.h"
#include "text/text_rules.h"

namespace trelk {

namespace {

std::string inFolder(const std::string& folder, std::string_view file) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/' && path.back() != kPathSeparator) path += kPathSeparator;
    path += file;
    return path;
}

RunOutcome failed(RunOutcome::Ending ending, int error) {
    RunOutcome outcome;
    outcome.ending = ending;
    outcome.error = error;
    return outcome;
}

void logFileError(ProcessingHost& host, int error, std::string_view doing, const std::string& path) {
    host.appendLogLine("Error" + formatSignedDecimal(error) + std::string(doing));
    host.appendLogLine(path);
}

}  // namespace

Destination destinationOf(const RunRequest& request, const std::string& path) {
    Destination destination;
    destination.folder = request.format == ReportFormat::Csv;
    if (destination.folder || !request.toStandardOutput) destination.where = path;
    return destination;
}

RunOutcome writeOutputs(const Destination& destination, const std::vector<ResultOutput>& outputs, ProcessingHost& host,
                        bool open) {
    const bool toOutput = destination.standardOutput();
    if (destination.folder)
        if (const int error = createFolder(destination.where)) {
            logFileError(host, error, " creating output folder: ", destination.where);
            return failed(RunOutcome::Ending::CreateFailed, error);
        }
    for (const ResultOutput& output : outputs) {
        const std::string path = toOutput             ? std::string("standard output")
                                 : destination.folder ? inFolder(destination.where, output.file)
                                                      : destination.where;
        OutputFile file;
        if (const int error = toOutput ? file.attachStandardOutput() : file.create(path)) {
            logFileError(host, error, " creating output file: ", path);
            return failed(RunOutcome::Ending::CreateFailed, error);
        }
        int readError = kNoError;
        int error = output.write(file, readError);
        const int closeError = file.close();
        if (error == kNoError) error = closeError;
        // Output cut short by a full disk must not be announced as stored...
        if (error != kNoError) {
            logFileError(host, error, " writing output file: ", path);
            return failed(RunOutcome::Ending::WriteFailed, error);
        }
        // ...nor a breakdown copy that is empty or cut short because the BOM file could not be read.
        if (readError != kNoError) {
            host.appendLogLine("Error reading BOM input file! Error #:" + formatSignedDecimal(readError));
            return failed(RunOutcome::Ending::ReadFailed, readError);
        }
        if (toOutput) {
            host.appendLogLine("Results written to standard output");
        } else if (isExistingFile(path)) {
            host.appendLogLine("Results stored in file:");
            host.appendLogLine(path);
        } else {
            host.appendLogLine("Output file not found");
            return failed(RunOutcome::Ending::OutputNotFound, kNoError);
        }
    }
    RunOutcome outcome;
    outcome.ending = RunOutcome::Ending::Stored;
    outcome.where = destination.where;
    if (!toOutput && open) host.openDocument(destination.where);
    return outcome;
}

RunOutcome writeOutputsAndPage(const RunRequest& request, const Destination& destination,
                               const std::vector<ResultOutput>& outputs, const ResultOutput& page,
                               ProcessingHost& host) {
    const bool withPage = !request.pagePath.empty();
    const RunOutcome outcome = writeOutputs(destination, outputs, host, !withPage);
    if (!withPage || !outcome.stored()) return outcome;
    Destination pageFile;
    pageFile.where = request.pagePath;
    const RunOutcome paged = writeOutputs(pageFile, {page}, host);
    return paged.stored() ? outcome : paged;
}

RunOutcome writeResults(const RunRequest& request, const Analysis& analysis, const std::vector<std::string>& log,
                        ProcessingHost& host) {
    const ResultsDocument document{request.bomFileName, request.buildQuantity, analysis.encoding, log,
                                   request.sections,    &analysis.tables,      &analysis.tree};
    const ResultOutput page{"", [&](OutputFile& file, int&) { return writeHtml(file, document); }};
    std::vector<ResultOutput> outputs;
    switch (request.format) {
    case ReportFormat::Report:
        outputs.push_back({"", [&](OutputFile& file, int& readError) {
                               return writeReport(file, request.sections, request.bomFileName, analysis.keywords,
                                                  analysis.tables, &readError);
                           }});
        break;
    case ReportFormat::Csv:
        for (const Section table : kExportOrder)
            if (isChosen(request.sections, table))
                outputs.push_back({std::string(reportSection(table).csvFile), [&, table](OutputFile& file, int&) {
                                       return writeCsvTable(file, table, analysis.tables, analysis.tree,
                                                            analysis.encoding);
                                   }});
        break;
    case ReportFormat::Json:
        outputs.push_back({"", [&](OutputFile& file, int&) { return writeJson(file, document); }});
        break;
    case ReportFormat::Html: outputs.push_back(page); break;
    }
    RunOutcome outcome =
        writeOutputsAndPage(request, destinationOf(request, reportPathFor(request)), outputs, page, host);
    outcome.mainAssemblyFound = analysis.mainAssemblyFound;
    outcome.summaryDifferences = analysis.summaryDifferences;
    return outcome;
}

}  // namespace trelk
