#include "engine/writing/csv_export.h"

namespace trelk {

namespace {

void totalsRows(CsvWriter& csv, const TotalsTable& table) {
    csv.field("name").field("total").endRow();
    for (size_t row = 0; row < table.count(); ++row)
        csv.field(table.names[row]).number(table.totals[row].value()).endRow();
}

void whereUsedRows(CsvWriter& csv, const WhereUsedTable& table) {
    csv.field("name").field("parent").field("quantity").endRow();
    for (size_t row = 0; row < table.count(); ++row)
        for (uint32_t i = table.entryBegin[row]; i < table.entryEnd[row]; ++i)
            csv.field(table.names[row])
                .field(table.assemblyOf(table.entries[i]))
                .number(table.entries[i].quantity)
                .endRow();
}

void treeRows(CsvWriter& csv, const AssemblyTree& tree) {
    csv.field("level").field("parent").field("type").field("name").field("quantity").field("pathQuantity");
    csv.field("expanded").field("note").endRow();
    for (const TreeRow& row : tree.rows) {
        csv.number(row.level).field(tree.name(row.parent)).field(treeTypeWord(row.kind)).field(tree.name(row.item));
        csv.number(row.quantity).number(row.pathQuantity.value());
        csv.field(row.expanded() ? "true" : "false").field(treeNoteWord(row.note)).endRow();
    }
}

}  // namespace

int writeCsvTable(OutputFile& file, Section table, const ResultTables& tables, const AssemblyTree& tree,
                  TextEncoding encoding) {
    CsvWriter csv(file);
    if (encoding == TextEncoding::Utf8) csv.raw(kUtf8ByteOrderMark);
    switch (table) {
    case Section::Assemblies: totalsRows(csv, tables.assemblyTotals); break;
    case Section::Parts: totalsRows(csv, tables.partTotals); break;
    case Section::AssembliesWhereUsed: whereUsedRows(csv, tables.assemblyWhereUsed); break;
    case Section::PartsWhereUsed: whereUsedRows(csv, tables.partWhereUsed); break;
    case Section::Breakdown: treeRows(csv, tree); break;
    }
    return csv.finish();
}

}  // namespace trelk
