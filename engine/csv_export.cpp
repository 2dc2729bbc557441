#include "engine/csv_export.h"

#include <charconv>

#include "engine/output_buffer.h"

namespace trelk {

namespace {

// A plain loop: find_first_of asks memchr once for every byte of the text.
bool needsQuotes(std::string_view text) {
    for (const char c : text)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
    return false;
}

}  // namespace

std::string csvField(std::string_view text) {
    if (!needsQuotes(text)) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string_view treeTypeWord(ItemKind kind) { return kind == ItemKind::SubAssembly ? "sub-assembly" : "part"; }

std::string_view treeNoteWord(TreeNote note) {
    switch (note) {
    case TreeNote::None: return "";
    case TreeNote::ExpandedAbove: return "expanded above";
    case TreeNote::ContainsItself: return "contains itself";
    case TreeNote::BlockNotFound: return "block not found";
    }
    return "";
}

namespace {

class CsvWriter {
public:
    explicit CsvWriter(OutputFile& file) : out_(file) {}
    CsvWriter& field(std::string_view text) {
        separate();
        if (!needsQuotes(text))
            out_ << text;
        else
            out_ << csvField(text);
        return *this;
    }
    CsvWriter& number(int64_t value) {
        separate();
        char digits[24];
        const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
        out_ << std::string_view(digits, static_cast<size_t>(end.ptr - digits));
        return *this;
    }
    void endRow() {
        out_ << "\r\n";
        first_ = true;
    }
    void raw(std::string_view bytes) { out_ << bytes; }
    int finish() { return out_.finish(); }

private:
    void separate() {
        if (!first_) out_ << ',';
        first_ = false;
    }
    OutputBuffer out_;
    bool first_ = true;
};

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
