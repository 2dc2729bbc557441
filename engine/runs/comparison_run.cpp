#include "engine/runs/comparison_run.h"

#include <vector>

#include "engine/comparison/compare_analyses.h"
#include "engine/runs/file_analysis.h"
#include "engine/writing/outputs.h"

namespace trelk {

std::string comparisonPathFor(const RunRequest& request) {
    return outputPath(request, outputFormat(request.format).comparisonFile);
}

namespace {

using Outcome = ComparisonOutcome;

Outcome endedAt(Outcome::Ending ending, Outcome::File file = Outcome::File::Old) {
    Outcome outcome;
    outcome.ending = ending;
    outcome.file = file;
    return outcome;
}

// One file read and analysed as a single run reads it, with the same log lines, its structure
// kept for the comparison and the encoding of its names found. Its own log lines are kept in
// `file.log` as they pass to the host.
struct ReadFile {
    Analysis analysis;
    ComparedFile file;
};

std::optional<Outcome> readFile(const ComparisonRequest& request, Outcome::File which, ReadFile& read,
                                ProcessingHost& host) {
    RunRequest run = request.run;
    if (which == Outcome::File::Old) run.bomFileName = request.oldBomFileName;
    read.file.bomFileName = run.bomFileName;
    const LogSink log = [&](std::string_view line) {
        read.file.log.emplace_back(line);
        host.appendLogLine(line);
    };
    AnalysisWants wants;
    wants.encoding = true;
    wants.structure = true;
    BomFileReading reading = readBomFile(run, log, wants);
    if (reading.stopped) {
        Outcome outcome = endedAt(Outcome::Ending::FileNotRead, which);
        outcome.reading = reading.stopped->ending;
        outcome.error = reading.stopped->error;
        return outcome;
    }
    read.analysis = std::move(reading.analysis);
    // The comparison's header names the file: its log holds the analysis's own lines, not those of
    // the reading around them that name the file.
    read.file.log.erase(read.file.log.begin(), read.file.log.end() - static_cast<ptrdiff_t>(read.analysis.loggedLines));
    if (!read.analysis.mainAssemblyFound) {
        host.appendLogLine(messages::kNoAssemblyBlock);
        return endedAt(Outcome::Ending::NoAssembly, which);
    }
    return std::nullopt;
}

// The comparison written by the one path of a run's results.
Outcome writeComparison(const RunRequest& request, const Comparison& comparison, Outcome outcome,
                        ProcessingHost& host) {
    const ComparisonDocument document{comparison, request.sections, request.csvRaw};
    const RunOutcome written = writeResults(request, comparisonPathFor(request), document, host);
    if (!written.stored()) {
        outcome.ending = Outcome::Ending::OutputFailed;
        outcome.writing = written.ending;
        outcome.error = written.error;
        return outcome;
    }
    outcome.ending = Outcome::Ending::Compared;
    outcome.where = written.where;
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
    for (const ReadFile& file : read)
        outcome.readingInDoubt =
            outcome.readingInDoubt || file.analysis.readingInDoubt || file.analysis.roundedQuantities > 0;
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
    const std::vector<std::string> warnings = readWarnings(comparison);
    outcome.misread = !warnings.empty();
    for (const std::string& warning : warnings) host.appendLogLine(warning);
    return writeComparison(request.run, comparison, outcome, host);
}

}  // namespace trelk
