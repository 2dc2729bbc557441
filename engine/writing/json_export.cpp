#include "engine/writing/json_export.h"

#include <unordered_map>

#include <nlohmann/json.hpp>

#include "engine/writing/output_buffer.h"

namespace trelk {

namespace {

using Json = nlohmann::json;

// The names of the tables as JSON strings. A large BOM repeats its names in hundreds of thousands
// of rows; each one is converted and escaped by the library once. The names lie in one store, so
// where one starts tells it apart.
class JsonNames {
public:
    explicit JsonNames(TextEncoding encoding) : encoding_(encoding) {}
    const std::string& operator()(std::string_view name) {
        std::string& text = cache_[name.data()];
        if (text.empty()) text = jsonString(toUtf8(name, encoding_));
        return text;
    }

private:
    TextEncoding encoding_;
    std::unordered_map<const char*, std::string> cache_;
};

// The rows of a table, one object per line.
class JsonArray {
public:
    JsonArray(OutputBuffer& out, std::string_view key) : out_(out) { out_ << ",\r\n  \"" << key << "\": ["; }
    ~JsonArray() { out_ << (first_ ? "]" : "\r\n  ]"); }
    JsonArray(const JsonArray&) = delete;
    JsonArray& operator=(const JsonArray&) = delete;
    // Starts the next row; the caller writes its members, the first without a comma.
    OutputBuffer& row() {
        out_ << (first_ ? "\r\n    " : ",\r\n    ");
        first_ = false;
        return out_;
    }

private:
    OutputBuffer& out_;
    bool first_ = true;
};

// A number as JSON writes it.
std::string_view number(int64_t value, char (&buffer)[24]) { return decimalText(value, buffer); }

}  // namespace

// Text that is not valid UTF-8 would make the library fail: it replaces such bytes.
std::string jsonString(std::string_view text) {
    return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
}

int writeJson(OutputFile& file, const ResultsDocument& d) {
    OutputBuffer out(file);
    const ResultTables& tables = *d.tables;
    JsonNames name(d.encoding);
    char digits[24];

    out << "{\r\n  \"format\": " << jsonString(kJsonFormatName)
        << ",\r\n  \"version\": " << number(kJsonFormatVersion, digits);
    out << ",\r\n  \"mainAssembly\": " << jsonString(toUtf8(tables.mainAssemblyName, d.encoding));
    out << ",\r\n  \"bomFile\": " << jsonString(systemTextToUtf8(d.bomFileName));
    out << ",\r\n  \"encoding\": " << jsonString(encodingName(d.encoding));
    out << ",\r\n  \"buildQuantity\": " << number(d.buildQuantity, digits);
    {
        JsonArray log(out, "log");
        for (const std::string& line : d.log) log.row() << jsonString(systemTextToUtf8(line));
    }
    auto totals = [&](std::string_view key, const TotalsTable& table) {
        JsonArray rows(out, key);
        for (size_t row = 0; row < table.count(); ++row)
            rows.row() << "{\"name\":" << name(table.names[row])
                       << ",\"total\":" << number(table.totals[row].value(), digits) << '}';
    };
    auto whereUsed = [&](std::string_view key, const WhereUsedTable& table) {
        JsonArray rows(out, key);
        for (size_t row = 0; row < table.count(); ++row)
            for (uint32_t i = table.entryBegin[row]; i < table.entryEnd[row]; ++i)
                rows.row() << "{\"name\":" << name(table.names[row])
                           << ",\"parent\":" << name(table.assemblyOf(table.entries[i]))
                           << ",\"quantity\":" << number(table.entries[i].quantity, digits) << '}';
    };
    auto tree = [&](std::string_view key) {
        const std::string types[2] = {jsonString(treeTypeWord(ItemKind::SubAssembly)),
                                      jsonString(treeTypeWord(ItemKind::Part))};
        const std::string notes[4] = {
            jsonString(treeNoteWord(TreeNote::None)), jsonString(treeNoteWord(TreeNote::ExpandedAbove)),
            jsonString(treeNoteWord(TreeNote::ContainsItself)), jsonString(treeNoteWord(TreeNote::BlockNotFound))};
        JsonArray rows(out, key);
        for (const TreeRow& row : d.tree->rows) {
            OutputBuffer& o = rows.row();
            o << "{\"level\":" << number(row.level, digits) << ",\"parent\":" << name(d.tree->name(row.parent));
            o << ",\"type\":" << types[row.kind == ItemKind::SubAssembly ? 0 : 1];
            o << ",\"name\":" << name(d.tree->name(row.item)) << ",\"quantity\":" << number(row.quantity, digits);
            o << ",\"pathQuantity\":" << number(row.pathQuantity.value(), digits);
            o << ",\"expanded\":" << (row.expanded() ? "true" : "false");
            o << ",\"note\":" << notes[static_cast<int>(row.note)] << '}';
        }
    };
    for (const Section section : kExportOrder) {
        if (!isChosen(d.sections, section)) continue;
        const std::string_view key = reportSection(section).jsonKey;
        switch (section) {
        case Section::Assemblies: totals(key, tables.assemblyTotals); break;
        case Section::Parts: totals(key, tables.partTotals); break;
        case Section::AssembliesWhereUsed: whereUsed(key, tables.assemblyWhereUsed); break;
        case Section::PartsWhereUsed: whereUsed(key, tables.partWhereUsed); break;
        case Section::Breakdown: tree(key); break;
        }
    }
    out << "\r\n}\r\n";
    return out.finish();
}

}  // namespace trelk
