#include "engine/comparison_run.h"

#include <vector>

#include "engine/comparison.h"
#include "engine/comparison_output.h"
#include "engine/file_system.h"
#include "text/text_rules.h"

namespace trelk {

std::string comparisonPathFor(const RunRequest& request) {
    if (!request.reportPath.empty()) return request.reportPath;
    return request.applicationFolder + kPathSeparator +
           (request.format == ReportFormat::Csv    ? "Trelk-compare"
            : request.format == ReportFormat::Json ? "Trelk-compare.json"
                                                   : "Trelk-compare.txt");
}

namespace {

using Outcome = ComparisonOutcome;

Outcome endedAt(Outcome::Ending ending, Outcome::File file = Outcome::File::Old) {
    Outcome outcome;
    outcome.ending = ending;
    outcome.file = file;
    return outcome;
}

Outcome notRead(Outcome::File file, RunOutcome::Ending reading, int error = kNoError) {
    Outcome outcome = endedAt(Outcome::Ending::FileNotRead, file);
    outcome.reading = reading;
    outcome.error = error;
    return outcome;
}

// One file read and analysed as a single run reads it, with the same log lines, its structure
// kept for the comparison. Its own log lines are kept in `file.log` as they pass to the host.
struct ReadFile {
    Analysis analysis;
    ComparedFile file;
};

std::optional<Outcome> readFile(const ComparisonRequest& request, Outcome::File which, ReadFile& read,
                                ProcessingHost& host) {
    RunRequest run = request.run;
    if (which == Outcome::File::Old) run.bomFileName = request.oldBomFileName;
    // The encoding of the names is found as for an export; no tree is wanted.
    run.format = ReportFormat::Json;
    run.sections = SectionSelection::none();
    read.file.bomFileName = run.bomFileName;
    const LogSink log = [&](std::string_view line) {
        read.file.log.emplace_back(line);
        host.appendLogLine(line);
    };
    host.appendLogLine("Trying to read BOM file:");
    host.appendLogLine(run.bomFileName);
    if (!isExistingFile(run.bomFileName)) {
        host.appendLogLine("BOM input file not found!");
        return notRead(which, RunOutcome::Ending::BomFileNotFound);
    }
    if (const int error = tryOpenForReading(run.bomFileName)) {
        host.appendLogLine("Error opening BOM input file! Error #:" + formatSignedDecimal(error));
        return notRead(which, RunOutcome::Ending::OpenFailed, error);
    }
    read.analysis = analyse(run, log, true);
    if (read.analysis.readError != kNoError) {
        host.appendLogLine("Error reading BOM input file! Error #:" + formatSignedDecimal(read.analysis.readError));
        return notRead(which, RunOutcome::Ending::ReadFailed, read.analysis.readError);
    }
    if (read.analysis.lineCount <= 1) {
        host.appendLogLine("BOM input file seems to be empty!");
        return notRead(which, RunOutcome::Ending::EmptyFile);
    }
    if (!read.analysis.mainAssemblyFound) {
        host.appendLogLine(messages::kNoAssemblyBlock);
        return endedAt(Outcome::Ending::NoAssembly, which);
    }
    return std::nullopt;
}

std::string inFolder(const std::string& folder, std::string_view file) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/' && path.back() != kPathSeparator) path += kPathSeparator;
    path += file;
    return path;
}

void logFileError(ProcessingHost& host, int error, std::string_view doing, const std::string& path) {
    host.appendLogLine("Error" + formatSignedDecimal(error) + std::string(doing));
    host.appendLogLine(path);
}

Outcome outputFailed(Outcome outcome, RunOutcome::Ending writing, int error) {
    outcome.ending = Outcome::Ending::OutputFailed;
    outcome.writing = writing;
    outcome.error = error;
    return outcome;
}

// Every output created, written, closed and looked for again, with the log lines of a single
// run's results.
Outcome writeComparison(const RunRequest& request, const Comparison& comparison, Outcome outcome,
                        ProcessingHost& host) {
    const bool toOutput = request.toStandardOutput && request.format != ReportFormat::Csv;
    const std::string where = toOutput ? std::string() : comparisonPathFor(request);
    struct Output {
        std::string path;
        ComparisonTable table;
    };
    std::vector<Output> outputs;
    if (request.format == ReportFormat::Csv) {
        if (const int error = createFolder(where)) {
            logFileError(host, error, " creating output folder: ", where);
            return outputFailed(outcome, RunOutcome::Ending::CreateFailed, error);
        }
        for (const ComparisonTable table : kComparisonTables)
            outputs.push_back({inFolder(where, comparisonCsvFile(table)), table});
    } else {
        outputs.push_back({toOutput ? std::string("standard output") : where, ComparisonTable::Files});
    }
    for (const Output& output : outputs) {
        OutputFile file;
        if (const int error = toOutput ? file.attachStandardOutput() : file.create(output.path)) {
            logFileError(host, error, " creating output file: ", output.path);
            return outputFailed(outcome, RunOutcome::Ending::CreateFailed, error);
        }
        int error = request.format == ReportFormat::Report ? writeComparisonReport(file, comparison, request.sections)
                    : request.format == ReportFormat::Json ? writeComparisonJson(file, comparison)
                                                           : writeComparisonCsv(file, output.table, comparison);
        const int closeError = file.close();
        if (error == kNoError) error = closeError;
        if (error != kNoError) {
            logFileError(host, error, " writing output file: ", output.path);
            return outputFailed(outcome, RunOutcome::Ending::WriteFailed, error);
        }
        if (toOutput) {
            host.appendLogLine("Results written to standard output");
        } else if (isExistingFile(output.path)) {
            host.appendLogLine("Results stored in file:");
            host.appendLogLine(output.path);
        } else {
            host.appendLogLine("Output file not found");
            return outputFailed(outcome, RunOutcome::Ending::OutputNotFound, kNoError);
        }
    }
    outcome.ending = Outcome::Ending::Compared;
    outcome.where = where;
    if (!toOutput) host.openDocument(where);
    return outcome;
}

}  // namespace

ComparisonOutcome runComparison(const ComparisonRequest& request, ProcessingHost& host) {
    if (request.oldBomFileName.empty() || request.run.bomFileName.empty()) {
        host.showErrorBox("No BOM file specified as input!", "Trelk");
        return endedAt(Outcome::Ending::NoBomFileName);
    }
    // Both analyses are kept until the comparison is written: its names lie in their stores.
    ReadFile read[2];
    for (const Outcome::File which : {Outcome::File::Old, Outcome::File::New})
        if (const std::optional<Outcome> failed = readFile(request, which, read[static_cast<int>(which)], host))
            return *failed;

    const Comparison comparison =
        compareAnalyses(read[0].analysis, read[1].analysis, std::move(read[0].file), std::move(read[1].file),
                        request.run.buildQuantity, [&host](std::string_view line) { host.appendLogLine(line); });
    Outcome outcome;
    outcome.agree = comparison.agree();
    outcome.changedBlocks = comparison.assemblies.size();
    outcome.changedTotals = comparison.assemblyTotals.size() + comparison.partTotals.size();
    if (outcome.agree) {
        host.appendLogLine(messages::kFilesAgree);
    } else {
        host.appendLogLine(std::string("BOM files differ: ") +
                           (comparison.sameMainAssembly ? "" : "another main assembly, ") +
                           std::to_string(outcome.changedBlocks) + " changed blocks, " +
                           std::to_string(outcome.changedTotals) + " changed totals");
    }
    return writeComparison(request.run, comparison, outcome, host);
}

}  // namespace trelk
