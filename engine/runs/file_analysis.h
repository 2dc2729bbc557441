// The analysis of one BOM file, from its bytes to the sorted tables: the file read once (and its
// start once more, for its line ends) into its structure, the roll-up from the main assembly, the
// where-used lists, the check against the export's own summary of parts, and what the exports need
// besides: the multi-level tree and the encoding of the names. Its log lines go to the sink as
// they come; what it found comes back as one Analysis.
#pragma once

#include <optional>

#include "engine/recognition/export_sample.h"
#include "engine/request/run_request.h"
#include "engine/results/analysis.h"
#include "engine/results/run_outcome.h"
#include "engine/rollup/rollup.h"

namespace trelk {

// What a caller wants of the analysis besides the tables.
struct AnalysisWants {
    bool encoding = false;   // the encoding of the names, which the exports convert
    bool tree = false;       // the multi-level tree of the exports' breakdown
    bool structure = false;  // the structure itself, which a comparison of two files reads
    // The roll-up's bounds. A caller of many small analyses (a fuzzer) may give the walk through
    // assemblies that contain themselves less room than a user's file gets.
    RollupLimits rollup;
    // Whether a file the request's words and columns do not read has its words and layout
    // recognised. A caller that compares files read by given words (a fuzzer) may leave it out.
    bool recognition = true;
};
// What a run's request wants: the exports the encoding, and the tree for their breakdown section.
AnalysisWants analysisWantsOf(const RunRequest& request);

// Reads and analyses the request's BOM file, which the caller has found and opened once: logs "Nr
// of lines read of BOM input file:" and, for a file of more than one line, the main assembly and
// every problem of the roll-up and of the summary check. When the request's keywords and columns
// find no main assembly, the words and layout its structure shows are recognised
// (engine/recognition/export_recognition.h) from a sample of the file (its first blocks and its
// end, engine/recognition/export_sample.h), and the file read once more by them (or only by them,
// when it holds no `contains` keyword of the request's, without which no header is found); where
// the sample settles nothing or the reading is in doubt (a problem, a summary that differs, a row
// not taken), from the whole file, read into memory. What was recognised, and from what, is
// logged. With a
// BOM format file the file is read by it instead (engine/reading/layout_reader.h), whole, and a
// line that does not fit ends the analysis with the log line that names it.
Analysis analyse(const RunRequest& request, const LogSink& log, const AnalysisWants& wants);
// The same with other bounds of the sample the words and layout are first recognised from.
Analysis analyse(const RunRequest& request, const LogSink& log, const AnalysisWants& wants,
                 const SampleLimits& sampleLimits);

// The reading steps of a run, which a comparison takes for each of its files: the request's BOM
// file looked for, opened once and analysed, each step with its log lines. When the file cannot be
// read, `stopped` says how the run ends there (not found, not opened, not read, empty, or its BOM
// format file not followed).
struct BomFileReading {
    Analysis analysis;
    std::optional<RunOutcome> stopped;
};
BomFileReading readBomFile(const RunRequest& request, const LogSink& log, const AnalysisWants& wants);

}  // namespace trelk
