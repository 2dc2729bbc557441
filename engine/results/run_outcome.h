// How a run ended: what it stored and where, or the step it stopped at and why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/request/run_options.h"

namespace trelk {

struct RunOutcome {
    enum class Ending : uint8_t {
        Stored,           // the results were written in full and found again: `where`
        NoBomFileName,    // the error box was shown
        BomFileNotFound,  // no such file, or a folder
        OpenFailed,       // the trial open failed: `error`
        ReadFailed,       // reading the file failed, or reading it again for the breakdown: `error`
        EmptyFile,        // 0 or 1 lines
        FormatProblem,    // the BOM format file was not found, not read (`error`) or not understood, or
                          // the BOM file does not fit it
        CreateFailed,     // an output file or folder could not be created: `error`
        WriteFailed,      // writing or closing an output file failed: `error`
        OutputNotFound,   // an output file was written but is not there
    };
    Ending ending = Ending::NoBomFileName;
    int error = 0;                   // the file layer's error number, for the endings that name one
    std::string where;               // the report or JSON file or the CSV folder; empty for the standard output
    bool mainAssemblyFound = false;  // the file has a block header
    size_t summaryDifferences = 0;   // names whose total differs from the export's own summary
    size_t problems = 0;             // the roll-up's "abnormal error!" lines: a name not found, a cycle
    // The results were written but are not to be trusted, as the log says: the reading took no row
    // of a file that has rows, its totals differ from the export's own summary in most parts, or a
    // cut name may stand for several items.
    bool readingInDoubt = false;
    size_t roundedQuantities = 0;  // quantities that are no whole number, counted rounded
    // The words and columns the file was read by: the request's, or those recognised in it.
    KeywordSet keywords;
    ColumnLayout columns;

    bool stored() const { return ending == Ending::Stored; }
};

}  // namespace trelk
