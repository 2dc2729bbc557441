#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "engine/rollup/tree_builder.h"
#include "support/literal_rollup.h"
#include "support/random_bom.h"

namespace trelk {
namespace {

// A row in plain terms: level, parent, type, name, quantity, path quantity, expanded, note.
struct Row {
    uint32_t level;
    std::string parent, name;
    ItemKind kind;
    int32_t quantity;
    Tally path;
    bool expanded;
    TreeNote note;
    bool operator==(const Row& o) const {
        return std::tie(level, parent, name, kind, quantity, expanded, note) ==
                   std::tie(o.level, o.parent, o.name, o.kind, o.quantity, o.expanded, o.note) &&
               path == o.path;
    }
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
    return os << r.level << ' ' << r.parent << ' ' << (r.kind == ItemKind::Part ? "part " : "sub ") << r.name << " x"
              << r.quantity << " path " << r.path.value() << (r.path.outOfRange() ? "!" : "")
              << (r.expanded ? " +" : "") << " note " << static_cast<int>(r.note);
}

std::vector<Row> treeRows(const std::string& text, const KeywordSet& keywords, int64_t build = 1,
                          std::vector<std::string>* log = nullptr) {
    const BomStructure bom(text, keywords);
    const AssemblyTree tree = buildAssemblyTree(bom, Tally::of(build), [&](std::string_view line) {
        if (log) log->emplace_back(line);
    });
    std::vector<Row> rows;
    for (const TreeRow& r : tree.rows)
        rows.push_back({r.level, std::string(tree.name(r.parent)), std::string(tree.name(r.item)), r.kind, r.quantity,
                        r.pathQuantity, r.expanded(), r.note});
    return rows;
}

// The full expansion read straight from the normalised lines, every path walked: the tree as it
// would be if no sub-assembly were ever left unexpanded. Gives false when it grows too large.
class FullExpansion {
public:
    FullExpansion(const std::string& text, const KeywordSet& keywords) : table_(text), keywords_(keywords) {
        table_.normaliseAll();
        types_ = typeFields(table_, keywords_, 2);
    }
    bool run(std::vector<Row>& rows) {
        const std::string main(findMainAssembly(table_, keywords_.contains));
        const size_t header = headerOf(main);
        if (header == 0) return true;
        path_.push_back(main);
        return expand(header, main, Tally::of(1), 1, rows);
    }

private:
    size_t headerOf(std::string_view name) const {
        for (size_t i = 1; i <= table_.count(); ++i)
            if (isBlockHeader(table_.line(i), keywords_.contains) &&
                headerAssemblyName(table_.line(i), keywords_.contains) == name)
                return i;
        return 0;
    }
    bool expand(size_t header, const std::string& parent, Tally m, uint32_t level, std::vector<Row>& rows) {
        for (size_t i = header + 1; !table_.line(i).empty(); ++i) {
            const std::string_view line = table_.line(i);
            const std::string& type = types_.types[i];
            const ItemKind kind = types_.rest[i]                  ? ItemKind::None
                                  : type == keywords_.SubAssembly ? ItemKind::SubAssembly
                                  : type == keywords_.Part        ? ItemKind::Part
                                                                  : ItemKind::None;
            if (kind == ItemKind::None) continue;
            if (rows.size() > 200000) return false;
            const int32_t quantity = readQuantity(line).value;
            Row row{level, parent,        std::string(field(line, -1)), kind, quantity, tallyTimes(m, quantity),
                    false, TreeNote::None};
            if (kind == ItemKind::SubAssembly) {
                const size_t childHeader = headerOf(row.name);
                if (std::find(path_.begin(), path_.end(), row.name) != path_.end())
                    row.note = TreeNote::ContainsItself;
                else if (childHeader == 0)
                    row.note = TreeNote::BlockNotFound;
                else
                    row.expanded = true;
                rows.push_back(row);
                if (row.expanded) {
                    path_.push_back(row.name);
                    if (!expand(childHeader, row.name, row.path, level + 1, rows)) return false;
                    path_.pop_back();
                }
            } else {
                rows.push_back(row);
            }
        }
        return true;
    }

    BomLineTable table_;
    const KeywordSet& keywords_;
    TypeFields types_;
    std::vector<std::string> path_;
};

// The full expansion rebuilt from the tree: every sub-assembly's contents are the rows below its
// one expanded row, and each row left unexpanded because it was expanded above is expanded again
// from there (the path decides anew which assemblies contain themselves).
std::vector<Row> reexpand(const std::vector<Row>& tree, const std::string& main) {
    std::map<std::string, std::vector<Row>> contents;  // direct items, levels relative to 1
    contents[main];
    for (size_t i = 0; i < tree.size(); ++i) {
        if (tree[i].level == 1) contents[main].push_back(tree[i]);
        if (!tree[i].expanded) continue;
        std::vector<Row>& items = contents[tree[i].name];
        for (size_t j = i + 1; j < tree.size() && tree[j].level > tree[i].level; ++j)
            if (tree[j].level == tree[i].level + 1) items.push_back(tree[j]);
    }
    std::vector<Row> rows;
    std::vector<std::string> path{main};
    struct Walk {
        const std::map<std::string, std::vector<Row>>& contents;
        std::vector<Row>& rows;
        std::vector<std::string>& path;
        void operator()(const std::string& assembly, Tally m, uint32_t level) {
            for (Row row : contents.at(assembly)) {
                row.level = level;
                row.path = tallyTimes(m, row.quantity);
                row.expanded = false;
                if (row.kind == ItemKind::SubAssembly && row.note != TreeNote::BlockNotFound) {
                    const bool onPath = std::find(path.begin(), path.end(), row.name) != path.end();
                    row.note = onPath ? TreeNote::ContainsItself : TreeNote::None;
                    row.expanded = !onPath;
                }
                rows.push_back(row);
                if (row.expanded) {
                    path.push_back(row.name);
                    (*this)(row.name, row.path, level + 1);
                    path.pop_back();
                }
            }
        }
    };
    Walk{contents, rows, path}(main, Tally::of(1), 1);
    return rows;
}

std::string bom(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (const std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

constexpr ItemKind kSub = ItemKind::SubAssembly, kPart = ItemKind::Part;

TEST(AssemblyTree, ListsSharedSubAssembliesOnceAndSaysWhyOthersStop) {
    const std::string text = bom({"Assembly M contains:", "2 Sub-Assembly ARM", "1 Sub-Assembly BASE", "4 Part BOLT",
                                  "1 Sub-Assembly GONE", "", "Sub-Assembly ARM contains:", "1 Sub-Assembly JOINT", "",
                                  "Sub-Assembly BASE contains:", "3 Sub-Assembly JOINT", "",
                                  "Sub-Assembly JOINT contains:", "5 Part PIN", "1 Sub-Assembly ARM"});
    std::vector<std::string> log;
    const std::vector<Row> expected = {
        {1, "M", "ARM", kSub, 2, Tally::of(6), true, TreeNote::None},
        {2, "ARM", "JOINT", kSub, 1, Tally::of(6), true, TreeNote::None},
        {3, "JOINT", "PIN", kPart, 5, Tally::of(30), false, TreeNote::None},
        {3, "JOINT", "ARM", kSub, 1, Tally::of(6), false, TreeNote::ContainsItself},
        {1, "M", "BASE", kSub, 1, Tally::of(3), true, TreeNote::None},
        {2, "BASE", "JOINT", kSub, 3, Tally::of(9), false, TreeNote::ExpandedAbove},
        {1, "M", "BOLT", kPart, 4, Tally::of(12), false, TreeNote::None},
        {1, "M", "GONE", kSub, 1, Tally::of(3), false, TreeNote::BlockNotFound},
    };
    EXPECT_EQ(treeRows(text, KeywordSet(), 3, &log), expected);
    EXPECT_TRUE(log.empty());
    // No header, or none for the main assembly: no rows.
    EXPECT_TRUE(treeRows(bom({"1 Part P", "2 Part Q"}), KeywordSet()).empty());
}

TEST(AssemblyTree, RebuildsTheFullExpansionOfRandomBoms) {
    int compared = 0;
    for (uint64_t seed = 1; seed <= 400; ++seed) {
        testing::RandomBomShape shape;
        shape.hugeQuantities = seed % 5 == 0;
        const testing::RandomBom random = testing::randomBom(seed, shape);
        std::vector<Row> full;
        if (!FullExpansion(random.text, random.keywords).run(full)) continue;
        ++compared;
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + testing::visible(random.text));
        const std::vector<Row> tree = treeRows(random.text, random.keywords);
        const BomStructure structure(random.text, random.keywords);
        const std::string main(structure.mainAssemblyName());
        EXPECT_EQ(reexpand(tree, main), full);
        // A sub-assembly is said to contain itself exactly when it is on its own path.
        std::vector<std::string> path{main};
        for (const Row& row : tree) {
            path.resize(row.level);
            if (row.kind == kSub && row.note != TreeNote::BlockNotFound) {
                EXPECT_EQ(row.note == TreeNote::ContainsItself, std::count(path.begin(), path.end(), row.name) > 0)
                    << row;
            }
            if (row.expanded) path.push_back(row.name);
        }

        // The path quantities of the full expansion add up to the totals of the roll-up.
        const literal::Analysis totals = testing::literalAnalysis(random.text, random.keywords);
        for (const auto* table : {&totals.assemblyTotals, &totals.partTotals}) {
            const ItemKind kind = table == &totals.partTotals ? kPart : kSub;
            for (size_t i = 0; i < table->names.size(); ++i) {
                Tally sum;
                for (const Row& row : full)
                    if (row.kind == kind && row.name == table->names[i]) sum = tallyPlus(sum, row.path);
                EXPECT_EQ(sum, table->totals[i]) << table->names[i];
            }
        }
    }
    EXPECT_GT(compared, 300);
}

TEST(AssemblyTree, StaysLinearWhereTheFullExpansionHas2To40Paths) {
    // Every level holds the next one twice and one part: 2^40 paths down to the last level.
    std::string text = "Assembly L0 contains:\r\n";
    for (int level = 0; level < 40; ++level) {
        if (level > 0) text += "Sub-Assembly L" + std::to_string(level) + " contains:\r\n";
        const std::string next = "L" + std::to_string(level + 1);
        text += "1 Sub-Assembly " + next + "\r\n1 Sub-Assembly " + next + "\r\n2 Part P" + std::to_string(level) +
                "\r\n\r\n";
    }
    text += "Sub-Assembly L40 contains:\r\n1 Part LEAF\r\n";
    const std::vector<Row> rows = treeRows(text, KeywordSet());
    ASSERT_EQ(rows.size(), 40u * 3 + 1);
    size_t expanded = 0, above = 0;
    for (const Row& row : rows) {
        expanded += row.expanded;
        above += row.note == TreeNote::ExpandedAbove;
    }
    EXPECT_EQ(expanded, 40u);
    EXPECT_EQ(above, 40u);
    // The leaf is reached first along the path of first lines: 1 all the way down.
    EXPECT_EQ(rows[40], (Row{41, "L40", "LEAF", kPart, 1, Tally::of(1), false, TreeNote::None}));
}

TEST(AssemblyTree, PathQuantitiesBeyond64BitsAreLoggedAndHeldAtTheEnd) {
    const std::string text = bom({"Assembly M contains:", "2147483647 Sub-Assembly S", "",
                                  "Sub-Assembly S contains:", "2147483647 Part P", "-2 Part N"});
    std::vector<std::string> log;
    const std::vector<Row> rows = treeRows(text, KeywordSet(), int64_t{1} << 62, &log);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[1].path.outOfRange());
    EXPECT_EQ(rows[1].path.value(), INT64_MAX);
    EXPECT_EQ(rows[2].path.value(), INT64_MIN);
    EXPECT_EQ(log, (std::vector<std::string>{std::string(messages::kPathQuantityOutOfRange) + "S",
                                             std::string(messages::kPathQuantityOutOfRange) + "P",
                                             std::string(messages::kPathQuantityOutOfRange) + "N"}));
}

}  // namespace
}  // namespace trelk
