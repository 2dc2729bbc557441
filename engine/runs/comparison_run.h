// A comparison run: two BOM files read by the rules of a single run, compared
// (engine/comparison/) and written as the request asks (engine/writing/). Like a processing run it
// sees only the request and the host, and says how it ended in its outcome; the log lines are for
// people.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/runs/processing_run.h"

namespace trelk {

struct ComparisonRequest {
    std::string oldBomFileName;  // the earlier export
    // The later export (run.bomFileName), and everything else as for a single run: keywords,
    // columns, build quantity, format, output path or standard output, and the sections, which
    // choose the text report's summaries and where-used lists of changes.
    RunRequest run;
};

struct ComparisonOutcome {
    enum class Ending : uint8_t {
        Compared,       // both files compared and the results written in full: `where`, `agree`
        NoBomFileName,  // a file name was empty; the error box was shown
        FileNotRead,    // `file` not found, not opened, not read or empty: `reading`, `error`
        NoAssembly,     // `file` has no block header
        OutputFailed,   // writing the results failed: `writing`, `error`
    };
    enum class File : uint8_t { Old, New };

    Ending ending = Ending::NoBomFileName;
    File file = File::Old;
    RunOutcome::Ending reading = RunOutcome::Ending::Stored;  // BomFileNotFound ... EmptyFile
    RunOutcome::Ending writing = RunOutcome::Ending::Stored;  // CreateFailed, WriteFailed, OutputNotFound
    int error = 0;
    std::string where;   // the report or JSON file or the CSV folder; empty for the standard output
    bool agree = false;  // the files agree in every block and total and in their main assembly
    size_t changedBlocks = 0, changedTotals = 0;
    // A file's reading is not to be trusted, as the log says (RunOutcome::readingInDoubt), or it
    // counted quantities that are no whole number rounded.
    bool readingInDoubt = false;
    // Either file may have been misread: its roll-up logged problems, or its totals differ from its
    // own summary of parts (readWarning).
    bool misread = false;

    bool compared() const { return ending == Ending::Compared; }
};

ComparisonOutcome runComparison(const ComparisonRequest& request, ProcessingHost& host);

// Where a comparison goes when the request names no path: Trelk-compare.txt, Trelk-compare.json or
// Trelk-compare.html, or for CSV the folder Trelk-compare, in the application folder.
std::string comparisonPathFor(const RunRequest& request);

namespace messages {
inline constexpr std::string_view kNoAssemblyBlock = "BOM input file holds no assembly block!";
inline constexpr std::string_view kFilesAgree = "BOM files agree in every block and total";
}  // namespace messages

}  // namespace trelk
