// The recognition of an export's words and layout on arbitrary bytes: the first byte gives the
// words and columns in use as for fuzz_run, the rest is the file. Checked: the work stays within
// a bound linear in the file's size (counted in steps, not timed), a file read by the words and
// columns recognised in it has a main assembly (the run reads it so), and what was recognised can
// be described, and a file recognised from a sample of a few of its lines is read as when
// recognised from all of them, or by another reading the whole file proves as well, or soundly
// where the run does not trust the whole file's own choice. That a recognised reading equals the
// literal one is fuzz_run's check.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/files/memory_files.h"
#include "engine/reading/bom_structure.h"
#include "engine/reading/layout_reader.h"
#include "engine/recognition/export_recognition.h"
#include "engine/recognition/choice.h"
#include "engine/recognition/export_sample.h"
#include "engine/runs/file_analysis.h"
#include "fuzz_support.h"
#include "support/literal_rollup.h"

namespace trelk {
namespace {

// What a run goes on with after reading the file: its log (but for the line that says how the
// words were recognised), the words and columns, and the tables.
struct End {
    std::string text;
    literal::Analysis tables;
    bool fromSample = false;  // read by what its sample showed
    bool inDoubt = false;     // a reading the run says it cannot trust
};
End endOf(const RunRequest& request, const SampleLimits& limits) {
    std::string text;
    bool fromSample = false;
    const Analysis a = analyse(
        request,
        [&](std::string_view line) {
            if (line.rfind("Recognised from ", 0) != 0)
                text.append(line).append("\n");
            else if (line != messages::kRecognisedFromWholeFile)
                fromSample = true;
        },
        AnalysisWants(), limits);
    RecognisedExport read;
    read.keywords = a.keywords;
    read.columns = a.columns;
    text += describeKeywords(read) + "\n" + describeLayout(read) + "\n";
    return {text, testing::fromTables(a.tables), fromSample, a.readingInDoubt};
}

}  // namespace
}  // namespace trelk

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trelk;
    if (size == 0) return 0;
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const uint8_t flags = data[0];
    RunRequest request = fuzz::requestFrom(flags, rest);
    uint64_t steps = 0;
    const std::optional<RecognisedExport> found = recogniseExport(rest, request.keywords, request.columns, &steps);
    const uint64_t bound = fuzz::recognitionStepBound(rest);
    if (steps > bound)
        fuzz::fail("recognition took more steps than its linear bound", std::to_string(bound) + " steps at most",
                   std::to_string(steps) + " steps");
    if (!found) return 0;
    if (found->layout) {
        // A layout is read by the layout reader, as the run reads it.
        const LayoutReading byLayout = readByLayout(rest, *found->layout);
        fuzz::check(!byLayout.misfit && byLayout.structure && byLayout.structure->hasMainAssembly(),
                    "a recognised layout finds no main assembly");
    } else {
        const BomStructure bom(rest, found->keywords, found->columns);
        fuzz::check(bom.hasMainAssembly(), "a recognised reading finds no main assembly");
    }
    fuzz::check(!describeKeywords(*found).empty() && !describeLayout(*found).empty(), "a recognition not described");

    // Recognised from a sample of a few lines, the file is read as when recognised from all of it,
    // or by a reading that the whole file proves as well (see below).
    request.bomFileName = "/fuzz/input.bom";
    const fuzz::FilesClearedAtEnd files;
    memory_files::put(request.bomFileName, std::string(rest));
    SampleLimits whole, few;
    whole.blocks = whole.rows = SIZE_MAX;
    whole.headBytes = SIZE_MAX / 4;
    few.blocks = 1 + flags % 3;
    few.rows = flags % 7;
    few.headBytes = 32 + rest.size() / 4;
    few.tailBytes = 32 + rest.size() / 3;
    few.tailBlockLines = 2 + flags % 5;
    // A sample that is the whole file, or that a Ctrl-Z sends to the whole file, is no sample:
    // both readings are then the whole file's, and the two analyses are spared.
    ExportSample sample;
    {
        InputFile input;
        fuzz::check(input.open(request.bomFileName) == kNoError && takeExportSample(input, few, sample) == kNoError,
                    "a file in memory not read");
        if (sample.whole || !sample.usable) return 0;
    }
    // Where the run did not read the file by its sample, it read it as with no sample at all, the
    // whole file's reading of it. That it did so cleanly (the sample's trial left nothing behind)
    // is checked on a quarter of those inputs: they are nearly all of them, and the run then
    // reads the file twice more.
    const End fromSample = endOf(request, few);
    if (!fromSample.fromSample && rest.size() % 4 != 0) return 0;
    const End fromAll = endOf(request, whole);
    const std::string otherTotals = testing::difference(fromAll.tables, fromSample.tables);
    if (fromAll.text == fromSample.text && otherTotals.empty()) return 0;
    // The whole file's own choice is one the run does not trust (an assembly contains itself by
    // it), where the sample's reading passed every check the run makes of a sample's reading: the
    // sample found the sounder reading.
    if (fromAll.inDoubt && fromSample.fromSample && !fromSample.inDoubt) return 0;
    // The sample chose another reading. Where the whole file proves it as well as its own choice
    // (the summary agrees as much, as many blocks named), only the weight of rows or a type column
    // preferred one of them, and a sample weighs fewer rows: both are sound readings of the file.
    const std::optional<RecognisedExport> bySample = recogniseExport(sample.bytes, request.keywords, request.columns);
    if (bySample) {
        recognition::Reading wholeChoice, sampleChoice;
        wholeChoice.found = *found;
        sampleChoice.found = *bySample;
        const recognition::Trial w = recognition::tryReading(rest, wholeChoice);
        const recognition::Trial s = recognition::tryReading(rest, sampleChoice);
        if (s.accepted && (recognition::equallyProven(s, w) || recognition::better(s, w))) return 0;
    }
    fuzz::checkEqual(fromAll.text, fromSample.text, "a reading recognised from a sample logs otherwise");
    fuzz::checkEqual("", otherTotals, "a reading recognised from a sample gives other totals");
    return 0;
}
