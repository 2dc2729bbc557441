#include "engine/json_export.h"

#include <nlohmann/json.hpp>

#include "engine/csv_export.h"
#include "engine/output_buffer.h"

namespace trelk {

namespace {

using Json = nlohmann::ordered_json;

// Text that is not valid UTF-8 would make the library fail; such bytes become U+FFFD.
std::string dump(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

// Texts of the system rather than of the export (the file name, log lines): UTF-8 when they are
// valid UTF-8, else taken to be in the Windows code page.
std::string systemText(std::string_view text) {
    return isValidUtf8(text) ? std::string(text) : windows1252ToUtf8(text);
}

// The rows of a table, one compact object per line.
class JsonArray {
public:
    JsonArray(OutputBuffer& out, std::string_view key) : out_(out) { out_ << ",\r\n  \"" << key << "\": ["; }
    ~JsonArray() { out_ << (first_ ? "]" : "\r\n  ]"); }
    JsonArray(const JsonArray&) = delete;
    JsonArray& operator=(const JsonArray&) = delete;
    void add(const Json& row) {
        out_ << (first_ ? "\r\n    " : ",\r\n    ") << dump(row);
        first_ = false;
    }

private:
    OutputBuffer& out_;
    bool first_ = true;
};

}  // namespace

int writeJson(OutputFile& file, const JsonDocument& d) {
    OutputBuffer out(file);
    const ResultTables& tables = *d.tables;
    auto name = [&](std::string_view text) { return toUtf8(text, d.encoding); };

    out << "{\r\n  \"format\": " << dump(kJsonFormatName) << ",\r\n  \"version\": " << std::to_string(kJsonFormatVersion);
    out << ",\r\n  \"mainAssembly\": " << dump(name(tables.mainAssemblyName));
    out << ",\r\n  \"bomFile\": " << dump(systemText(d.bomFileName));
    out << ",\r\n  \"encoding\": " << dump(d.encoding == TextEncoding::Utf8 ? "UTF-8" : "Windows-1252");
    out << ",\r\n  \"buildQuantity\": " << std::to_string(d.buildQuantity);
    {
        JsonArray log(out, "log");
        for (const std::string& line : d.log) log.add(systemText(line));
    }
    auto totals = [&](std::string_view key, const TotalsTable& table) {
        JsonArray rows(out, key);
        for (size_t row = 0; row < table.count(); ++row)
            rows.add(Json{{"name", name(table.names[row])}, {"total", table.totals[row].value()}});
    };
    auto whereUsed = [&](std::string_view key, const WhereUsedTable& table) {
        JsonArray rows(out, key);
        for (size_t row = 0; row < table.count(); ++row) {
            const std::string item = name(table.names[row]);
            for (uint32_t i = table.entryBegin[row]; i < table.entryEnd[row]; ++i)
                rows.add(Json{{"name", item},
                              {"parent", name(table.assemblyOf(table.entries[i]))},
                              {"quantity", table.entries[i].quantity}});
        }
    };
    if (d.sections.Include_SummaryOfAssys) totals("assemblies", tables.assemblyTotals);
    if (d.sections.Include_SummaryOfParts) totals("parts", tables.partTotals);
    if (d.sections.Include_AssyInAssys) whereUsed("assembliesWhereUsed", tables.assemblyWhereUsed);
    if (d.sections.Include_PartsInAssys) whereUsed("partsWhereUsed", tables.partWhereUsed);
    if (d.sections.Include_BOMAssyBreakdown) {
        JsonArray rows(out, "tree");
        for (const TreeRow& row : d.tree->rows) {
            Json item{{"level", row.level},
                      {"parent", name(d.tree->name(row.parent))},
                      {"type", treeTypeWord(row.kind)},
                      {"name", name(d.tree->name(row.item))},
                      {"quantity", row.quantity},
                      {"pathQuantity", row.pathQuantity.value()},
                      {"expanded", row.expanded()},
                      {"note", treeNoteWord(row.note)}};
            rows.add(item);
        }
    }
    out << "\r\n}\r\n";
    return out.finish();
}

}  // namespace trelk
