#include "engine/rollup/tree_builder.h"

#include <string>

namespace trelk {

AssemblyTree buildAssemblyTree(const BomStructure& bom, Tally multiplier, const LogSink& log) {
    AssemblyTree tree;
    tree.nameStore = bom.nameStore();
    tree.names.reserve(bom.nameCount());
    for (NameId id = 0; id < bom.nameCount(); ++id) tree.names.push_back(bom.name(id));
    const NameId main = bom.findName(bom.mainAssemblyName());
    if (!bom.hasMainAssembly() || main == kNone || !bom.hasBlock(main)) return tree;

    const std::vector<BomItem>& items = bom.items();
    std::vector<uint8_t> expanded(bom.nameCount(), 0), onPath(bom.nameCount(), 0);
    struct Frame {
        NameId assembly;
        Tally multiplier;
        uint32_t next, level;
    };
    std::vector<Frame> frames{{main, multiplier, bom.walkBegin(main), 1}};
    expanded[main] = onPath[main] = 1;
    const size_t maxMessages = RollupLimits().maxMessages;
    size_t said = 0;
    while (!frames.empty()) {
        Frame& frame = frames.back();
        if (frame.next == bom.walkEnd(frame.assembly)) {
            onPath[frame.assembly] = 0;
            frames.pop_back();
            continue;
        }
        const BomItem& entry = items[frame.next++];
        TreeRow row{tallyTimes(frame.multiplier, entry.quantity),
                    frame.level,
                    frame.assembly,
                    entry.item,
                    entry.quantity,
                    entry.kind,
                    TreeNote::None};
        if (row.pathQuantity.outOfRange() && said <= maxMessages) {
            if (said++ == maxMessages)
                log(messages::kTooManyMessages);
            else
                log(std::string(messages::kPathQuantityOutOfRange) + std::string(bom.name(entry.item)));
        }
        if (entry.kind == ItemKind::SubAssembly) {
            const NameId child = entry.item;
            if (!bom.hasBlock(child))
                row.note = TreeNote::BlockNotFound;
            else if (onPath[child])
                row.note = TreeNote::ContainsItself;
            else if (expanded[child])
                row.note = TreeNote::ExpandedAbove;
        }
        tree.rows.push_back(row);
        if (row.expanded()) {
            expanded[row.item] = onPath[row.item] = 1;
            frames.push_back(
                {row.item, row.pathQuantity, bom.walkBegin(row.item), row.level + 1});  // invalidates `frame`
        }
    }
    return tree;
}

}  // namespace trelk
