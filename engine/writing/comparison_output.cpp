#include "engine/writing/comparison_output.h"

#include <functional>
#include <iterator>

#include "engine/results/assembly_tree.h"
#include "engine/writing/csv_writer.h"
#include "engine/writing/json_export.h"
#include "engine/writing/output_buffer.h"
#include "engine/writing/report.h"

namespace trelk {

namespace {

std::string_view typeWord(ItemKind kind) { return kind == ItemKind::None ? "" : treeTypeWord(kind); }

// The type a member has where it is listed: the new one when the new block lists it.
ItemKind shownKind(const MemberDifference& m) { return m.newKind != ItemKind::None ? m.newKind : m.oldKind; }

// ---- The text report ----

class ReportLines {
public:
    explicit ReportLines(OutputFile& file) : out_(file) {}

    void line(std::string_view text) { out_ << text << "\r\n"; }
    void endLine() { out_ << "\r\n"; }
    OutputBuffer& put(std::string_view text) { return out_ << text; }
    // The count field of the report, or "-" in its place for a side without the line or row.
    void count(std::optional<int64_t> value) {
        char field[24];
        if (!value) {
            out_ << "    -";
            return;
        }
        out_ << std::string_view(field, static_cast<size_t>(putCount(field, *value) - field));
    }
    // old -> new
    void change(std::optional<int64_t> before, std::optional<int64_t> after) {
        count(before);
        out_ << " -> ";
        count(after);
    }
    // A difference with its sign, right-aligned in eight positions, widened with a blank in front.
    void difference(int64_t value) {
        char digits[24];
        std::string text = value > 0 ? "+" : "";
        text += decimalText(value, digits);
        out_ << std::string(text.size() < 8 ? 8 - text.size() : 1, ' ') << text;
    }
    // The text, padded with blanks to the width.
    void padded(std::string_view text, size_t width) {
        out_ << text;
        if (text.size() < width) out_ << std::string(width - text.size(), ' ');
    }
    void names(std::string_view label, const std::vector<std::string_view>& names) {
        if (names.empty()) return;
        out_ << "   " << label;
        for (size_t i = 0; i < names.size(); ++i) out_ << (i == 0 ? " " : ", ") << names[i];
    }
    int finish() { return out_.finish(); }

private:
    OutputBuffer out_;
};

std::optional<int64_t> valueOf(const std::optional<Tally>& total) {
    if (!total) return std::nullopt;
    return total->value();
}

std::string mainTitle(const Comparison& c) {
    return c.sameMainAssembly ? c.newFile.mainAssembly : c.oldFile.mainAssembly + " -> " + c.newFile.mainAssembly;
}

void header(ReportLines& out, const Comparison& c) {
    char digits[24];
    out.put("Comparison of BOM files for assembly ");
    out.line(mainTitle(c));
    out.put("Old BOM file:      ");
    out.line(c.oldFile.bomFileName);
    out.put("New BOM file:      ");
    out.line(c.newFile.bomFileName);
    out.put("Old main assembly: ");
    out.line(c.oldFile.mainAssembly);
    out.put("New main assembly: ");
    out.put(c.newFile.mainAssembly);
    out.line(c.sameMainAssembly ? "" : "   another than the old one");
    out.put("Build quantity:    ");
    out.line(decimalText(c.buildQuantity, digits));
    out.put("Changed blocks:    ");
    out.line(decimalText(static_cast<int64_t>(c.assemblies.size()), digits));
    out.put("Changed totals:    ");
    out.put(decimalText(static_cast<int64_t>(c.assemblyTotals.size()), digits));
    out.put(" of assemblies, ");
    out.put(decimalText(static_cast<int64_t>(c.partTotals.size()), digits));
    out.line(" of parts");
    for (const ComparedFile* f : {&c.oldFile, &c.newFile}) {
        out.endLine();
        out.line(f == &c.oldFile ? "Log of the old BOM file:" : "Log of the new BOM file:");
        for (const std::string& line : f->log) out.line(line);
    }
}

void blockChanges(ReportLines& out, const Comparison& c) {
    for (const AssemblyDifference& a : c.assemblies) {
        out.put(a.assembly);
        out.line(a.block == BlockChange::Added     ? "   block added"
                 : a.block == BlockChange::Removed ? "   block removed"
                                                   : "");
        for (const MemberDifference& m : a.members) {
            out.change(m.oldQuantity, m.newQuantity);
            out.put("   ");
            out.padded(memberChangeWord(m.change), 10);
            out.padded(typeWord(shownKind(m)), 14);
            out.put(m.name);
            if (m.change == MemberChange::Type) out.put("   was ") << typeWord(m.oldKind);
            out.endLine();
        }
        out.endLine();
    }
}

void totalChanges(ReportLines& out, const std::vector<TotalDifference>& rows) {
    for (const TotalDifference& t : rows) {
        out.change(valueOf(t.oldTotal), valueOf(t.newTotal));
        out.difference(t.difference.value());
        out.put("   ");
        out.padded(totalCauseWord(t.cause), 10);
        out.put(t.name);
        out.names("in", t.changedIn);
        out.names("via", t.via);
        out.endLine();
    }
}

void whereUsedChanges(ReportLines& out, const std::vector<WhereUsedDifference>& rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i == 0 || rows[i].name != rows[i - 1].name) out.line(rows[i].name);
        out.change(rows[i].oldQuantity, rows[i].newQuantity);
        out.put("   in ");
        out.line(rows[i].parent);
        if (i + 1 == rows.size() || rows[i + 1].name != rows[i].name) out.endLine();
    }
}

// ---- CSV ----

// File names and log lines are written as they are, as names are.
void csvTable(CsvWriter& csv, ComparisonTable table, const Comparison& c) {
    const std::pair<std::string_view, const ComparedFile*> sides[2] = {{"old", &c.oldFile}, {"new", &c.newFile}};
    switch (table) {
    case ComparisonTable::Files:
        csv.field("side").field("bomFile").field("mainAssembly").field("encoding").field("lines");
        csv.field("summaryDifferences").field("buildQuantity").endRow();
        for (const auto& [side, f] : sides)
            csv.field(side)
                .field(f->bomFileName)
                .field(f->mainAssembly)
                .field(encodingName(f->encoding))
                .number(static_cast<int64_t>(f->lineCount))
                .number(static_cast<int64_t>(f->summaryDifferences))
                .number(c.buildQuantity)
                .endRow();
        break;
    case ComparisonTable::Log:
        csv.field("side").field("line").endRow();
        for (const auto& [side, f] : sides)
            for (const std::string& line : f->log) csv.field(side).field(line).endRow();
        break;
    case ComparisonTable::Blocks:
        csv.field("assembly").field("block").field("name").field("change").field("oldType").field("newType");
        csv.field("oldQuantity").field("newQuantity").endRow();
        for (const AssemblyDifference& a : c.assemblies) {
            // A block added or removed without a line still has its row.
            if (a.members.empty()) {
                csv.field(a.assembly).field(blockChangeWord(a.block)).field("").field("").field("").field("");
                csv.number(std::nullopt).number(std::nullopt).endRow();
            }
            for (const MemberDifference& m : a.members)
                csv.field(a.assembly)
                    .field(blockChangeWord(a.block))
                    .field(m.name)
                    .field(memberChangeWord(m.change))
                    .field(typeWord(m.oldKind))
                    .field(typeWord(m.newKind))
                    .number(m.oldQuantity)
                    .number(m.newQuantity)
                    .endRow();
        }
        break;
    case ComparisonTable::AssemblyTotals:
    case ComparisonTable::PartTotals:
        csv.field("name").field("oldTotal").field("newTotal").field("difference").field("cause");
        csv.field("changedIn").field("via").endRow();
        for (const TotalDifference& t : table == ComparisonTable::AssemblyTotals ? c.assemblyTotals : c.partTotals)
            csv.field(t.name)
                .number(valueOf(t.oldTotal))
                .number(valueOf(t.newTotal))
                .number(t.difference.value())
                .field(totalCauseWord(t.cause))
                .list(t.changedIn)
                .list(t.via)
                .endRow();
        break;
    case ComparisonTable::AssemblyWhereUsed:
    case ComparisonTable::PartWhereUsed:
        csv.field("name").field("parent").field("change").field("oldQuantity").field("newQuantity").endRow();
        for (const WhereUsedDifference& w :
             table == ComparisonTable::AssemblyWhereUsed ? c.assemblyWhereUsed : c.partWhereUsed)
            csv.field(w.name)
                .field(w.parent)
                .field(memberChangeWord(w.change))
                .number(w.oldQuantity)
                .number(w.newQuantity)
                .endRow();
        break;
    }
}

// ---- JSON ----

class JsonWriter {
public:
    JsonWriter(OutputFile& file, TextEncoding encoding) : out_(file), encoding_(encoding) {}

    OutputBuffer& out() { return out_; }
    std::string name(std::string_view text) const { return jsonString(toUtf8(text, encoding_)); }
    std::string number(std::optional<int64_t> value) const {
        char digits[24];
        return value ? std::string(decimalText(*value, digits)) : std::string("null");
    }
    std::string kind(ItemKind k) const { return k == ItemKind::None ? "null" : jsonString(treeTypeWord(k)); }
    std::string names(const std::vector<std::string_view>& list) const {
        std::string text = "[";
        for (size_t i = 0; i < list.size(); ++i) text += (i == 0 ? "" : ",") + name(list[i]);
        return text + "]";
    }

    // The rows of an array, one object per line, at the given indent.
    template <class Rows, class Row>
    void array(std::string_view key, const Rows& rows, const std::string& indent, const Row& row) {
        out_ << ",\r\n" << indent << "\"" << key << "\": [";
        bool first = true;
        for (const auto& r : rows) {
            out_ << (first ? "\r\n" : ",\r\n") << indent << "  ";
            first = false;
            row(r);
        }
        out_ << (first ? "]" : "\r\n" + indent + "]");
    }

private:
    OutputBuffer out_;
    TextEncoding encoding_;
};

void jsonFile(JsonWriter& j, std::string_view key, const ComparedFile& f) {
    OutputBuffer& o = j.out();
    char digits[24];
    o << ",\r\n  \"" << key << "\": {\r\n    \"bomFile\": " << jsonString(systemTextToUtf8(f.bomFileName));
    o << ",\r\n    \"mainAssembly\": " << j.name(f.mainAssembly);
    o << ",\r\n    \"encoding\": " << jsonString(encodingName(f.encoding));
    o << ",\r\n    \"lines\": " << decimalText(static_cast<int64_t>(f.lineCount), digits);
    o << ",\r\n    \"summaryDifferences\": " << decimalText(static_cast<int64_t>(f.summaryDifferences), digits);
    j.array("log", f.log, "    ", [&](const std::string& line) { o << jsonString(systemTextToUtf8(line)); });
    o << "\r\n  }";
}

}  // namespace

int writeComparisonReport(OutputFile& file, const Comparison& c, const SectionSelection& sections) {
    ReportLines out(file);
    const std::string main = mainTitle(c);
    struct Part {
        bool chosen;
        std::string title;
        std::function<void()> body;
    };
    const Part parts[] = {
        {true, "", [&] { header(out, c); }},
        {true, "Changes by assembly for assembly " + main, [&] { blockChanges(out, c); }},
        {sections.Include_SummaryOfAssys, "Changes in the summary of assemblies for assembly " + main,
         [&] { totalChanges(out, c.assemblyTotals); }},
        {sections.Include_SummaryOfParts, "Changes in the summary of parts for assembly " + main,
         [&] { totalChanges(out, c.partTotals); }},
        {sections.Include_AssyInAssys, "Changes in the assemblies in assembly " + main,
         [&] { whereUsedChanges(out, c.assemblyWhereUsed); }},
        {sections.Include_PartsInAssys, "Changes in the parts in assembly " + main,
         [&] { whereUsedChanges(out, c.partWhereUsed); }},
    };
    size_t last = 0;
    for (size_t i = 0; i < std::size(parts); ++i)
        if (parts[i].chosen) last = i;
    for (size_t i = 0; i < std::size(parts); ++i) {
        if (!parts[i].chosen) continue;
        out.line(kSeparatorLine);
        if (!parts[i].title.empty()) out.line(parts[i].title);
        parts[i].body();
        out.line(kSeparatorLine);
        // As in the single run's report, the last section ends with its line of hyphens.
        if (i != last) {
            out.endLine();
            out.endLine();
        }
    }
    return out.finish();
}

std::string_view comparisonCsvFile(ComparisonTable table) {
    switch (table) {
    case ComparisonTable::Files: return "compared-files.csv";
    case ComparisonTable::Log: return "compared-log.csv";
    case ComparisonTable::Blocks: return "block-changes.csv";
    case ComparisonTable::AssemblyTotals: return "assembly-total-changes.csv";
    case ComparisonTable::PartTotals: return "part-total-changes.csv";
    case ComparisonTable::AssemblyWhereUsed: return "assembly-where-used-changes.csv";
    case ComparisonTable::PartWhereUsed: return "part-where-used-changes.csv";
    }
    return "";
}

int writeComparisonCsv(OutputFile& file, ComparisonTable table, const Comparison& comparison) {
    CsvWriter csv(file);
    if (comparison.encoding == TextEncoding::Utf8) csv.raw(kUtf8ByteOrderMark);
    csvTable(csv, table, comparison);
    return csv.finish();
}

int writeComparisonJson(OutputFile& file, const Comparison& c) {
    JsonWriter j(file, c.encoding);
    OutputBuffer& o = j.out();
    char digits[24];
    o << "{\r\n  \"format\": " << jsonString(kComparisonJsonFormatName)
      << ",\r\n  \"version\": " << decimalText(kComparisonJsonFormatVersion, digits);
    o << ",\r\n  \"agree\": " << (c.agree() ? "true" : "false");
    o << ",\r\n  \"sameMainAssembly\": " << (c.sameMainAssembly ? "true" : "false");
    o << ",\r\n  \"buildQuantity\": " << decimalText(c.buildQuantity, digits);
    jsonFile(j, "old", c.oldFile);
    jsonFile(j, "new", c.newFile);
    // One row per changed member, as in the CSV table; a block added or removed without a line
    // has one row with null in the member's keys.
    struct BlockRow {
        const AssemblyDifference* block;
        const MemberDifference* member;
    };
    std::vector<BlockRow> blockRows;
    for (const AssemblyDifference& a : c.assemblies) {
        if (a.members.empty()) blockRows.push_back({&a, nullptr});
        for (const MemberDifference& m : a.members) blockRows.push_back({&a, &m});
    }
    j.array("blockChanges", blockRows, "  ", [&](const BlockRow& row) {
        o << "{\"assembly\":" << j.name(row.block->assembly)
          << ",\"block\":" << jsonString(blockChangeWord(row.block->block));
        const MemberDifference none{};
        const MemberDifference& m = row.member ? *row.member : none;
        o << ",\"name\":" << (row.member ? j.name(m.name) : "null")
          << ",\"change\":" << (row.member ? jsonString(memberChangeWord(m.change)) : "null")
          << ",\"oldType\":" << j.kind(m.oldKind) << ",\"newType\":" << j.kind(m.newKind)
          << ",\"oldQuantity\":" << j.number(m.oldQuantity) << ",\"newQuantity\":" << j.number(m.newQuantity) << '}';
    });
    auto totals = [&](std::string_view key, const std::vector<TotalDifference>& rows) {
        j.array(key, rows, "  ", [&](const TotalDifference& t) {
            o << "{\"name\":" << j.name(t.name) << ",\"oldTotal\":" << j.number(valueOf(t.oldTotal))
              << ",\"newTotal\":" << j.number(valueOf(t.newTotal))
              << ",\"difference\":" << j.number(t.difference.value())
              << ",\"cause\":" << jsonString(totalCauseWord(t.cause)) << ",\"changedIn\":" << j.names(t.changedIn)
              << ",\"via\":" << j.names(t.via) << '}';
        });
    };
    totals("assemblyTotalChanges", c.assemblyTotals);
    totals("partTotalChanges", c.partTotals);
    auto whereUsed = [&](std::string_view key, const std::vector<WhereUsedDifference>& rows) {
        j.array(key, rows, "  ", [&](const WhereUsedDifference& w) {
            o << "{\"name\":" << j.name(w.name) << ",\"parent\":" << j.name(w.parent)
              << ",\"change\":" << jsonString(memberChangeWord(w.change))
              << ",\"oldQuantity\":" << j.number(w.oldQuantity) << ",\"newQuantity\":" << j.number(w.newQuantity)
              << '}';
        });
    };
    whereUsed("assemblyWhereUsedChanges", c.assemblyWhereUsed);
    whereUsed("partWhereUsedChanges", c.partWhereUsed);
    o << "\r\n}\r\n";
    return o.finish();
}

}  // namespace trelk
