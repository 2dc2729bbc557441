#include "engine/processing_run.h"

#include "engine/analysis.h"
#include "engine/file_system.h"
#include "engine/result_export.h"

namespace trelk {

std::string reportPathFor(const RunRequest& request) {
    if (!request.reportPath.empty()) return request.reportPath;
    if (request.format == ReportFormat::Csv) return request.applicationFolder;
    const char* file = request.format == ReportFormat::Json   ? "Trelk.json"
                       : request.format == ReportFormat::Html ? "Trelk.html"
                                                              : "Trelk.txt";
    return request.applicationFolder + kPathSeparator + file;
}

RunOutcome runProcessing(const RunRequest& request, ProcessingHost& host) {
    if (request.bomFileName.empty()) {
        host.showErrorBox("No BOM file specified as input!", "Trelk");
        RunOutcome outcome;
        outcome.ending = RunOutcome::Ending::NoBomFileName;
        return outcome;
    }
    // The JSON document and the HTML page carry the run's log lines: they are kept as they pass.
    const bool keepLog =
        request.format == ReportFormat::Json || request.format == ReportFormat::Html || !request.pagePath.empty();
    std::vector<std::string> kept;
    const LogSink log = [&](std::string_view line) {
        if (keepLog) kept.emplace_back(line);
        host.appendLogLine(line);
    };
    const BomFileReading reading = readBomFile(request, log, analysisWantsOf(request));
    if (reading.stopped) return *reading.stopped;
    return writeResults(request, reading.analysis, kept, host);
}

}  // namespace trelk
