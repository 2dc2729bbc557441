#include "engine/runs/processing_run.h"

#include "engine/runs/file_analysis.h"
#include "engine/writing/outputs.h"

namespace trelk {

std::string reportPathFor(const RunRequest& request) {
    return outputPath(request, outputFormat(request.format).runFile);
}

RunOutcome runProcessing(const RunRequest& request, ProcessingHost& host) {
    if (request.bomFileName.empty()) {
        host.showErrorBox("No BOM file specified as input!", "Trelk");
        RunOutcome outcome;
        outcome.ending = RunOutcome::Ending::NoBomFileName;
        return outcome;
    }
    // The JSON document and the HTML page carry the run's log lines: they are kept as they pass.
    const bool keepLog = logWritten(request);
    std::vector<std::string> kept;
    const LogSink log = [&](std::string_view line) {
        if (keepLog) kept.emplace_back(line);
        host.appendLogLine(line);
    };
    const BomFileReading reading = readBomFile(request, log, analysisWantsOf(request));
    if (reading.stopped) return *reading.stopped;
    const ResultsDocument document{request, reading.analysis, kept};
    RunOutcome outcome = writeResults(request, reportPathFor(request), document, host);
    outcome.mainAssemblyFound = reading.analysis.mainAssemblyFound;
    outcome.summaryDifferences = reading.analysis.summaryDifferences;
    outcome.problems = reading.analysis.problems;
    outcome.readingInDoubt = reading.analysis.readingInDoubt;
    outcome.roundedQuantities = reading.analysis.roundedQuantities;
    outcome.keywords = reading.analysis.keywords;
    outcome.columns = reading.analysis.columns;
    return outcome;
}

}  // namespace trelk
