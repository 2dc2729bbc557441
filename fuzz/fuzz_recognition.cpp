// The recognition of an export's words and layout on arbitrary bytes: the first byte gives the
// words and columns in use as for fuzz_run, the rest is the file. Checked: the work stays within
// a bound linear in the file's size (counted in steps, not timed), a file read by the words and
// columns recognised in it has a main assembly (the run reads it so), and what was recognised can
// be described. That a recognised reading equals the literal one is fuzz_run's check.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/reading/bom_structure.h"
#include "engine/recognition/export_recognition.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trelk;
    if (size == 0) return 0;
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const RunRequest request = fuzz::requestFrom(data[0], rest);
    uint64_t steps = 0;
    const std::optional<RecognisedExport> found = recogniseExport(rest, request.keywords, request.columns, &steps);
    const uint64_t bound = fuzz::recognitionStepBound(rest);
    if (steps > bound)
        fuzz::fail("recognition took more steps than its linear bound", std::to_string(bound) + " steps at most",
                   std::to_string(steps) + " steps");
    if (!found) return 0;
    const BomStructure bom(rest, found->keywords, found->columns);
    fuzz::check(bom.hasMainAssembly(), "a recognised reading finds no main assembly");
    fuzz::check(!describeKeywords(*found).empty() && !describeLayout(*found).empty(), "a recognition not described");
    return 0;
}
