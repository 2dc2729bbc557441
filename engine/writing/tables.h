// The tables of the CSV files and of the JSON document, a run's and a comparison's, each in one
// place: its rows, and its columns, each column's name (a CSV file's header, a JSON object's key)
// written beside the value a row gives it. A column added to a table here shows in both formats.
//
// A table's `columns(to, row)` calls to.column(name, value) once per column, `value` giving the
// row's Cell when called. The writers call it once with a `to` that takes the names alone (the
// value is then not asked, and `row` may be a default one), and once per row with a `to` that
// writes the values; `eachRow(f)` calls f with every row, in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/results/assembly_tree.h"
#include "engine/results/comparison.h"
#include "engine/results/result_tables.h"
#include "engine/writing/documents.h"
#include "text/text_codec.h"

namespace trelk {

// A value of a table and what kind of text it is: a name of the export (a JSON document converts
// it to UTF-8), a word of the program, a text of the system (a file name, a log line), a number, a
// flag, names (one field, or an array), or none (an empty field, or null).
struct Cell {
    enum class Kind : uint8_t { None, Name, Word, SystemText, Number, Flag, Names };
    Kind kind = Kind::None;
    std::string_view text;
    int64_t number = 0;
    const std::vector<std::string_view>* names = nullptr;

    static Cell none() { return {}; }
    static Cell name(std::string_view text) { return {Kind::Name, text}; }
    static Cell word(std::string_view text) { return {Kind::Word, text}; }
    static Cell systemText(std::string_view text) { return {Kind::SystemText, text}; }
    static Cell of(int64_t number) { return {Kind::Number, {}, number}; }
    static Cell of(std::optional<int64_t> number) { return number ? of(*number) : none(); }
    static Cell flag(bool value) { return {Kind::Flag, {}, value ? 1 : 0}; }
    static Cell list(const std::vector<std::string_view>& names) { return {Kind::Names, {}, 0, &names}; }
    // A member's type, none where a side does not list it.
    static Cell type(ItemKind kind) { return kind == ItemKind::None ? none() : word(treeTypeWord(kind)); }
};

// ---- A run's tables ----

// The totals of sub-assemblies or of parts: one row per name.
struct TotalsRows {
    using Row = size_t;
    const TotalsTable& table;

    template <class To>
    void columns(To& to, Row r) const {
        to.column("name", [&] { return Cell::name(table.names[r]); });
        to.column("total", [&] { return Cell::of(table.totals[r].value()); });
    }
    template <class Each>
    void eachRow(Each&& each) const {
        for (size_t r = 0; r < table.count(); ++r) each(r);
    }
};

// A where-used list: one row per entry, in the report's order.
struct WhereUsedRows {
    struct Row {
        size_t name = 0;
        uint32_t entry = 0;
    };
    const WhereUsedTable& table;

    template <class To>
    void columns(To& to, Row r) const {
        to.column("name", [&] { return Cell::name(table.names[r.name]); });
        to.column("parent", [&] { return Cell::name(table.assemblyOf(table.entries[r.entry])); });
        to.column("quantity", [&] { return Cell::of(table.entries[r.entry].quantity); });
    }
    template <class Each>
    void eachRow(Each&& each) const {
        for (size_t r = 0; r < table.count(); ++r)
            for (uint32_t i = table.entryBegin[r]; i < table.entryEnd[r]; ++i) each(Row{r, i});
    }
};

// The multi-level BOM: one row per line of the tree.
struct TreeRows {
    using Row = size_t;
    const AssemblyTree& tree;

    template <class To>
    void columns(To& to, Row r) const {
        const TreeRow* row = tree.rows.data() + r;  // not read for the names alone
        to.column("level", [&] { return Cell::of(row->level); });
        to.column("parent", [&] { return Cell::name(tree.name(row->parent)); });
        to.column("type", [&] { return Cell::word(treeTypeWord(row->kind)); });
        to.column("name", [&] { return Cell::name(tree.name(row->item)); });
        to.column("quantity", [&] { return Cell::of(row->quantity); });
        to.column("pathQuantity", [&] { return Cell::of(row->pathQuantity.value()); });
        to.column("expanded", [&] { return Cell::flag(row->expanded()); });
        to.column("note", [&] { return Cell::word(treeNoteWord(row->note)); });
    }
    template <class Each>
    void eachRow(Each&& each) const {
        for (size_t r = 0; r < tree.rows.size(); ++r) each(r);
    }
};

// A run's tables as its CSV files and JSON document hold them: the chosen sections in kExportOrder,
// each(section, rows) for each.
template <class Each>
void eachChosenTable(const ResultsDocument& document, Each&& each) {
    const ResultTables& tables = document.analysis.tables;
    for (const Section section : kExportOrder) {
        if (!isChosen(document.request.sections, section)) continue;
        switch (section) {
        case Section::Assemblies: each(section, TotalsRows{tables.assemblyTotals}); break;
        case Section::Parts: each(section, TotalsRows{tables.partTotals}); break;
        case Section::AssembliesWhereUsed: each(section, WhereUsedRows{tables.assemblyWhereUsed}); break;
        case Section::PartsWhereUsed: each(section, WhereUsedRows{tables.partWhereUsed}); break;
        case Section::Breakdown: each(section, TreeRows{document.analysis.tree}); break;
        }
    }
}

// ---- A comparison's tables ----

// The two files: one row each.
struct ComparedFileRows {
    using Row = size_t;  // 0 the old file, 1 the new one
    const Comparison& comparison;
    std::string warning[2];

    explicit ComparedFileRows(const Comparison& c)
        : comparison(c), warning{readWarning(c.oldFile, true), readWarning(c.newFile, false)} {}

    const ComparedFile& file(Row side) const { return side == 0 ? comparison.oldFile : comparison.newFile; }
    template <class To>
    void columns(To& to, Row side) const {
        to.column("side", [&] { return Cell::word(side == 0 ? "old" : "new"); });
        to.column("bomFile", [&] { return Cell::systemText(file(side).bomFileName); });
        to.column("mainAssembly", [&] { return Cell::name(file(side).mainAssembly); });
        to.column("encoding", [&] { return Cell::word(encodingName(file(side).encoding)); });
        to.column("lines", [&] { return Cell::of(static_cast<int64_t>(file(side).lineCount)); });
        to.column("summaryDifferences", [&] { return Cell::of(static_cast<int64_t>(file(side).summaryDifferences)); });
        to.column("buildQuantity", [&] { return Cell::of(comparison.buildQuantity); });
        to.column("problems", [&] { return Cell::of(static_cast<int64_t>(file(side).problems)); });
        to.column("warning", [&] { return warning[side].empty() ? Cell::none() : Cell::word(warning[side]); });
    }
    template <class Each>
    void eachRow(Each&& each) const {
        each(Row{0});
        each(Row{1});
    }
};

// Both files' log lines, the old file's first.
struct ComparedLogRows {
    struct Row {
        size_t side = 0;
        size_t line = 0;
    };
    const Comparison& comparison;

    template <class To>
    void columns(To& to, Row r) const {
        to.column("side", [&] { return Cell::word(r.side == 0 ? "old" : "new"); });
        to.column("line", [&] {
            return Cell::systemText((r.side == 0 ? comparison.oldFile : comparison.newFile).log[r.line]);
        });
    }
    template <class Each>
    void eachRow(Each&& each) const {
        for (size_t line = 0; line < comparison.oldFile.log.size(); ++line) each(Row{0, line});
        for (size_t line = 0; line < comparison.newFile.log.size(); ++line) each(Row{1, line});
    }
};

// The changes by assembly: one row per changed member; a block added or removed without a line
// still has its row, with none in the member's columns.
struct BlockChangeRows {
    struct Row {
        const AssemblyDifference* block = nullptr;
        const MemberDifference* member = nullptr;  // none for a block without a line
    };
    const std::vector<AssemblyDifference>& blocks;

    template <class To>
    void columns(To& to, Row r) const {
        to.column("assembly", [&] { return Cell::name(r.block->assembly); });
        to.column("block", [&] { return Cell::word(blockChangeWord(r.block->block)); });
        to.column("name", [&] { return r.member ? Cell::name(r.member->name) : Cell::none(); });
        to.column("change", [&] { return r.member ? Cell::word(memberChangeWord(r.member->change)) : Cell::none(); });
        to.column("oldType", [&] { return r.member ? Cell::type(r.member->oldKind) : Cell::none(); });
        to.column("newType", [&] { return r.member ? Cell::type(r.member->newKind) : Cell::none(); });
        to.column("oldQuantity", [&] { return r.member ? Cell::of(r.member->oldQuantity) : Cell::none(); });
        to.column("newQuantity", [&] { return r.member ? Cell::of(r.member->newQuantity) : Cell::none(); });
    }
    template <class Each>
    void eachRow(Each&& each) const {
        for (const AssemblyDifference& a : blocks) {
            if (a.members.empty()) each(Row{&a, nullptr});
            for (const MemberDifference& m : a.members) each(Row{&a, &m});
        }
    }
};

// The totals of sub-assemblies or of parts that changed.
struct TotalChangeRows {
    using Row = const TotalDifference*;
    const std::vector<TotalDifference>& totals;

    template <class To>
    void columns(To& to, Row t) const {
        to.column("name", [&] { return Cell::name(t->name); });
        to.column("oldTotal", [&] { return Cell::of(valueOf(t->oldTotal)); });
        to.column("newTotal", [&] { return Cell::of(valueOf(t->newTotal)); });
        to.column("difference", [&] { return Cell::of(t->difference.value()); });
        to.column("cause", [&] { return Cell::word(totalCauseWord(t->cause)); });
        to.column("changedIn", [&] { return Cell::list(t->changedIn); });
        to.column("via", [&] { return Cell::list(t->via); });
    }
    template <class Each>
    void eachRow(Each&& each) const {
        for (const TotalDifference& t : totals) each(&t);
    }
};

// The changed lines of a where-used list.
struct WhereUsedChangeRows {
    using Row = const WhereUsedDifference*;
    const std::vector<WhereUsedDifference>& lines;

    template <class To>
    void columns(To& to, Row w) const {
        to.column("name", [&] { return Cell::name(w->name); });
        to.column("parent", [&] { return Cell::name(w->parent); });
        to.column("change", [&] { return Cell::word(memberChangeWord(w->change)); });
        to.column("oldQuantity", [&] { return Cell::of(w->oldQuantity); });
        to.column("newQuantity", [&] { return Cell::of(w->newQuantity); });
    }
    template <class Each>
    void eachRow(Each&& each) const {
        for (const WhereUsedDifference& w : lines) each(&w);
    }
};

}  // namespace trelk
