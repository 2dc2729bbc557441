#include "engine/recognition/trial.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/reading/bom_structure.h"
#include "engine/reading/layout_reader.h"
#include "engine/recognition/recognition_limits.h"
#include "engine/rollup/rollup.h"
#include "engine/rollup/summary_check.h"

namespace trelk::recognition {

namespace {

// Blocks under several label lines, every one of them fitted on every block and each other block
// listed by a row, leave the rows no other reading: a summary that differs from them in a few
// parts is the export's own (a row changed by hand), which the run reports as a summary
// difference, not a file it cannot read. Where most parts differ, the reading is no such file's.
bool summaryChanged(const BomStructure& bom, const Reading& reading, const Trial& trial) {
    const ExportLayout& layout = *reading.found.layout;
    const bool labelled = layout.breakdown && layout.breakdown->heading.size() > 1;
    const size_t blocks = bom.blocks().size();
    return labelled && blocks > 1 && trial.blocksNamed + 1 == blocks && !trial.mostPartsDiffer;
}

// FNV-1a, over every byte that decides the reading's totals and where-used lists.
class Fingerprint {
public:
    void add(std::string_view bytes) {
        for (const char c : bytes) add(static_cast<unsigned char>(c));
        add(0xFFu);  // no name runs into the next
    }
    void add(uint64_t value) {
        hash_ ^= value;
        hash_ *= 0x100000001b3u;
    }
    uint64_t value() const { return hash_; }

private:
    uint64_t hash_ = 0xcbf29ce484222325u;
};

uint64_t fingerprintOf(const BomStructure& bom) {
    Fingerprint f;
    f.add(bom.mainAssemblyName());
    for (const BomBlock& block : bom.blocks()) {
        f.add(bom.name(block.assembly));
        for (uint32_t i = block.begin; i < block.end; ++i) {
            const BomItem& item = bom.items()[i];
            f.add(bom.name(item.item));
            f.add(static_cast<uint64_t>(static_cast<uint32_t>(item.quantity)) << 1 |
                  (item.kind == ItemKind::SubAssembly ? 1u : 0u));
        }
    }
    return f.value();
}

}  // namespace

Trial tryReading(std::string_view bytes, const Reading& reading) {
    Trial trial;
    trial.steps = bytes.size();
    // A layout is read by the layout reader, which stops at the first line it cannot place.
    std::shared_ptr<const BomStructure> structure;
    if (reading.found.layout) {
        LayoutReading read = readByLayout(bytes, *reading.found.layout);
        if (read.misfit || !read.structure) return trial;
        structure = std::move(read.structure);
    } else {
        structure = std::make_shared<const BomStructure>(bytes, reading.found.keywords, reading.found.columns);
    }
    const BomStructure& bom = *structure;
    if (!bom.hasMainAssembly()) return trial;
    const NameId main = bom.findName(bom.mainAssemblyName());
    if (!bom.hasBlock(main) || bom.walkEnd(main) == bom.walkBegin(main)) return trial;
    trial.items = bom.items().size();
    trial.fingerprint = fingerprintOf(bom);
    trial.typed = reading.found.columns.Type != 0;
    const std::vector<uint8_t> listed = listedAssemblies(bom);
    for (const BomBlock& block : bom.blocks())
        if (block.assembly != main && listed[block.assembly]) ++trial.blocksNamed;
    if (bom.hasSummary() && !bom.summaryRows().empty()) {
        RollupLimits limits;
        limits.maxCycleSteps =
            std::min<uint64_t>(limits.maxCycleSteps, kCycleStepsPerByte * (bytes.size() + kCycleStepsSlackBytes));
        const RollupTotals totals = expandAssembly(
            bom, bom.mainAssemblyName(), Tally::of(1), [](std::string_view) {}, limits);
        trial.steps += totals.linesWalked;
        const ResultTables tables = sortTables(bom, totals, WhereUsedById());
        const SummaryDifferences differences = summaryDifferences(tables.partTotals, bom, 0);
        trial.differences = differences.count;
        trial.mostPartsDiffer = differences.mostPartsDiffer();
        trial.summaryAgrees = trial.differences == 0;
    }
    // One block alone proves little: its summary must list more than one part, and agree.
    trial.accepted = trial.blocksNamed > 0 || (trial.summaryAgrees && bom.summaryRows().size() > 1 &&
                                               bom.walkEnd(main) - bom.walkBegin(main) > 1);
    // A layout guessed from the lines is taken only where the file's own summary confirms it: a
    // cell glued to the next or a column taken wrong reads some rows right and others not.
    if (reading.found.layout)
        trial.accepted = trial.accepted && (trial.summaryAgrees || summaryChanged(bom, reading, trial));
    return trial;
}

}  // namespace trelk::recognition
