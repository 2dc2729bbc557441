// The analysis of one BOM file, from its bytes to the sorted tables: the file read once (and its
// start once more, for its line ends) into its structure, the roll-up from the main assembly, the
// where-used lists, the check against the export's own summary of parts, and what the exports need
// besides: the multi-level tree and the encoding of the names. Its log lines go to the sink as
// they come; what it found comes back as one Analysis.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "engine/assembly_tree.h"
#include "engine/file_system.h"
#include "engine/processing_run.h"
#include "engine/rollup.h"
#include "text/text_codec.h"

namespace trelk {

struct Analysis {
    // The file layer's error number of an open or a read that failed, kOutOfMemory for a file too
    // large for the memory at hand, or 0. The other members are then not to be used.
    int readError = kNoError;
    size_t lineCount = 0;  // 0 or 1: the file counts as empty, and nothing else was done
    bool mainAssemblyFound = false;
    ResultTables tables;
    AssemblyTree tree;                           // for the exports' breakdown section only
    TextEncoding encoding = TextEncoding::Utf8;  // for the exports only
    size_t summaryDifferences = 0;               // names whose total differs from the export's summary
    // The structure the tables were made from, when wanted.
    std::shared_ptr<const BomStructure> structure;
    // The words and columns the file was read by: the request's, or those recognised in the file
    // when the request's found no main assembly in it.
    KeywordSet keywords;
    ColumnLayout columns;
    // What of them was recognised in the file: its own words, its own layout, or both.
    bool wordsRecognised = false;
    bool layoutRecognised = false;
    // The lines the analysis logged, from the count of lines read on: a caller that logs lines of
    // its own around them (readBomFile) can tell them apart.
    size_t loggedLines = 0;
};

// What a caller wants of the analysis besides the tables.
struct AnalysisWants {
    bool encoding = false;   // the encoding of the names, which the exports convert
    bool tree = false;       // the multi-level tree of the exports' breakdown
    bool structure = false;  // the structure itself, which a comparison of two files reads
};
// What a run's request wants: the exports the encoding, and the tree for their breakdown section.
AnalysisWants analysisWantsOf(const RunRequest& request);

// Reads and analyses the request's BOM file, which the caller has found and opened once: logs
// "Nr of lines read of BOM input file:" and, for a file of more than one line, the main assembly
// and every problem of the roll-up and of the summary check. When the request's keywords and
// columns find no main assembly, the file is read once more, whole, for the words and layout its
// structure shows (engine/export_recognition.h); what was recognised is logged and used.
Analysis analyse(const RunRequest& request, const LogSink& log, const AnalysisWants& wants);

// The reading steps of a run, which a comparison takes for each of its files: the request's BOM
// file looked for, opened once and analysed, each step with its log lines. When the file cannot be
// read, `stopped` says how the run ends there (not found, not opened, not read, empty).
struct BomFileReading {
    Analysis analysis;
    std::optional<RunOutcome> stopped;
};
BomFileReading readBomFile(const RunRequest& request, const LogSink& log, const AnalysisWants& wants);

}  // namespace trelk
