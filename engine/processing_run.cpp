#include "engine/processing_run.h"

#include "engine/analysis.h"
#include "engine/file_system.h"
#include "engine/result_export.h"
#include "text/text_rules.h"

namespace trelk {

std::string reportPathFor(const RunRequest& request) {
    if (!request.reportPath.empty()) return request.reportPath;
    if (request.format == ReportFormat::Csv) return request.applicationFolder;
    const char* file = request.format == ReportFormat::Json   ? "Trelk.json"
                       : request.format == ReportFormat::Html ? "Trelk.html"
                                                              : "Trelk.txt";
    return request.applicationFolder + kPathSeparator + file;
}

namespace {

RunOutcome endedAt(RunOutcome::Ending ending, int error = kNoError) {
    RunOutcome outcome;
    outcome.ending = ending;
    outcome.error = error;
    return outcome;
}

}  // namespace

RunOutcome runProcessing(const RunRequest& request, ProcessingHost& host) {
    const std::string& bomFile = request.bomFileName;
    if (bomFile.empty()) {
        host.showErrorBox("No BOM file specified as input!", "Trelk");
        return endedAt(RunOutcome::Ending::NoBomFileName);
    }
    // The JSON document and the HTML page carry the run's log lines: they are kept as they pass.
    const bool keepLog = request.format == ReportFormat::Json || request.format == ReportFormat::Html;
    std::vector<std::string> kept;
    const LogSink log = [&](std::string_view line) {
        if (keepLog) kept.emplace_back(line);
        host.appendLogLine(line);
    };

    log("Trying to read BOM file:");
    log(bomFile);
    if (!isExistingFile(bomFile)) {
        log("BOM input file not found!");
        return endedAt(RunOutcome::Ending::BomFileNotFound);
    }
    if (const int error = tryOpenForReading(bomFile)) {
        log("Error opening BOM input file! Error #:" + formatSignedDecimal(error));
        return endedAt(RunOutcome::Ending::OpenFailed, error);
    }
    // The file is read while it is analysed, piece by piece: it is never all in memory at once.
    // A read that fails after the trial open is reported, not taken for an empty file.
    const Analysis analysis = analyse(request, log);
    if (analysis.readError != kNoError) {
        log("Error reading BOM input file! Error #:" + formatSignedDecimal(analysis.readError));
        return endedAt(RunOutcome::Ending::ReadFailed, analysis.readError);
    }
    if (analysis.lineCount <= 1) {
        log("BOM input file seems to be empty!");
        return endedAt(RunOutcome::Ending::EmptyFile);
    }
    return writeResults(request, analysis, kept, host);
}

}  // namespace trelk
