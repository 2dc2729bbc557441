// The indented multi-level BOM: every item line reached from the main assembly, depth first in
// file order, with its level and the quantity along its path. A sub-assembly is expanded where
// the walk first meets it; later occurrences are listed and refer back to it, so the tree has at
// most one row per item line of the file however often sub-assemblies are shared.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/rollup.h"

namespace trelk {

// Why a sub-assembly row is not followed by its contents.
enum class TreeNote : uint8_t {
    None,            // a part, or a sub-assembly whose contents follow
    ExpandedAbove,   // its contents were listed where the walk first met it
    ContainsItself,  // it is already on the path to this row
    BlockNotFound,   // the file has no block for it
};

struct TreeRow {
    Tally pathQuantity;  // the product of the quantities from the main assembly down, times the build quantity
    uint32_t level;      // 1 for the items of the main assembly
    NameId parent, item;
    int32_t quantity;  // in the parent's block
    ItemKind kind;
    TreeNote note;

    bool expanded() const { return kind == ItemKind::SubAssembly && note == TreeNote::None; }
};

struct AssemblyTree {
    std::vector<TreeRow> rows;
    std::vector<std::string_view> names;         // by name number
    std::shared_ptr<const NameStore> nameStore;  // where the names lie

    std::string_view name(NameId id) const { return names[id]; }
};

// The tree below the main assembly; empty when the file has none or its block is missing. Path
// quantities beyond the 64-bit range are logged and shown at the nearest end of it.
AssemblyTree buildAssemblyTree(const BomStructure& bom, Tally multiplier, const LogSink& log);

namespace messages {
inline constexpr std::string_view kPathQuantityOutOfRange = "Path quantity out of range: abnormal error! - ";
}  // namespace messages

}  // namespace trelk
