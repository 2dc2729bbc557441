#include "engine/writing/outputs.h"

#include "engine/writing/csv.h"
#include "engine/writing/html.h"
#include "engine/writing/json.h"
#include "engine/writing/report.h"
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

// The error number and the path, then what they mean in plain words.
void logFileError(ProcessingHost& host, int error, FileStep step, const std::string& path) {
    const std::string_view doing = step == FileStep::CreateFolder ? " creating output folder: "
                                   : step == FileStep::CreateFile ? " creating output file: "
                                                                  : " writing output file: ";
    host.appendLogLine("Error" + formatSignedDecimal(error) + std::string(doing));
    host.appendLogLine(path);
    if (const std::string plain = fileErrorText(error, step, path); !plain.empty()) host.appendLogLine(plain);
}

}  // namespace

Destination destinationOf(const RunRequest& request, const std::string& path) {
    Destination destination;
    destination.folder = outputFormat(request.format).folder;
    if (destination.folder || !request.toStandardOutput) destination.where = path;
    return destination;
}

RunOutcome writeOutputs(const Destination& destination, const std::vector<ResultOutput>& outputs,
                        ProcessingHost& host) {
    const bool toOutput = destination.standardOutput();
    if (destination.folder)
        if (const int error = createFolder(destination.where)) {
            logFileError(host, error, FileStep::CreateFolder, destination.where);
            return failed(RunOutcome::Ending::CreateFailed, error);
        }
    for (const ResultOutput& output : outputs) {
        const std::string path = toOutput             ? std::string("standard output")
                                 : destination.folder ? inFolder(destination.where, output.file)
                                                      : destination.where;
        OutputFile file;
        if (const int error = toOutput ? file.attachStandardOutput() : file.create(path)) {
            logFileError(host, error, FileStep::CreateFile, path);
            return failed(RunOutcome::Ending::CreateFailed, error);
        }
        int readError = kNoError;
        int error = output.write(file, readError);
        const int closeError = file.close();
        if (error == kNoError) error = closeError;
        // Output cut short by a full disk must not be announced as stored...
        if (error != kNoError) {
            logFileError(host, error, FileStep::WriteFile, path);
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
    return outcome;
}

namespace {

// The one switch over the formats: each writes either document.
template <class Document>
std::vector<ResultOutput> outputsIn(ReportFormat format, const Document& document) {
    std::vector<ResultOutput> outputs;
    switch (format) {
    case ReportFormat::Report:
        outputs.push_back(
            {"", [&document](OutputFile& file, int& readError) { return writeReport(file, document, readError); }});
        break;
    case ReportFormat::Csv:
        for (CsvFile& table : csvFiles(document))
            outputs.push_back({std::string(table.name),
                               [write = std::move(table.write)](OutputFile& file, int&) { return write(file); }});
        break;
    case ReportFormat::Json:
        outputs.push_back({"", [&document](OutputFile& file, int&) { return writeJson(file, document); }});
        break;
    case ReportFormat::Html:
        outputs.push_back({"", [&document](OutputFile& file, int&) { return writeHtml(file, document); }});
        break;
    }
    return outputs;
}

// The format's outputs, then the page beside them; what was written last is opened.
template <class Document>
RunOutcome writeIn(const RunRequest& request, const std::string& path, const Document& document, ProcessingHost& host) {
    Destination opened = destinationOf(request, path);
    const RunOutcome outcome = writeOutputs(opened, outputsIn(request.format, document), host);
    if (!outcome.stored()) return outcome;
    if (!request.pagePath.empty()) {
        opened = Destination{request.pagePath, false};
        const RunOutcome paged = writeOutputs(opened, outputsIn(ReportFormat::Html, document), host);
        if (!paged.stored()) return paged;
    }
    if (!opened.standardOutput()) host.openDocument(opened.where);
    return outcome;
}

}  // namespace

RunOutcome writeResults(const RunRequest& request, const std::string& path, const ResultsDocument& document,
                        ProcessingHost& host) {
    return writeIn(request, path, document, host);
}

RunOutcome writeResults(const RunRequest& request, const std::string& path, const ComparisonDocument& document,
                        ProcessingHost& host) {
    return writeIn(request, path, document, host);
}

std::vector<ResultOutput> outputsOf(ReportFormat format, const ResultsDocument& document) {
    return outputsIn(format, document);
}

std::vector<ResultOutput> outputsOf(ReportFormat format, const ComparisonDocument& document) {
    return outputsIn(format, document);
}

}  // namespace trelk
