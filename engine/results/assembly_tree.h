// The indented multi-level BOM: every item line reached from the main assembly, depth first in
// file order, with its level and the quantity along its path. A sub-assembly is expanded where
// the walk first meets it; later occurrences are listed and refer back to it, so the tree has at
// most one row per item line of the file however often sub-assemblies are shared.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/reading/line_classifier.h"
#include "engine/reading/name_index.h"
#include "engine/results/result_tables.h"

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

// Words of the tree's type and note columns, the same in every table and document that shows them.
inline std::string_view treeTypeWord(ItemKind kind) { return kind == ItemKind::SubAssembly ? "sub-assembly" : "part"; }
inline std::string_view treeNoteWord(TreeNote note) {
    switch (note) {
    case TreeNote::None: return "";
    case TreeNote::ExpandedAbove: return "expanded above";
    case TreeNote::ContainsItself: return "contains itself";
    case TreeNote::BlockNotFound: return "block not found";
    }
    return "";
}

}  // namespace trelk
