#include "engine/writing/report.h"

#include <optional>
#include <string>
#include <vector>

#include "engine/writing/output_buffer.h"
#include "engine/writing/report_text.h"
#include "text/text_rules.h"

namespace trelk {

namespace {

// Writes lines, each ended with CR LF. Lines that stand next to each other with CR LF between
// them, as the lines of a file that already end so, are written as one piece. The last lines
// are written by flush(), which must come while their bytes are still there.
class LineRun {
public:
    explicit LineRun(ReportText& out) : out_(out) {}

    void add(std::string_view line) {
        const char* const end = begin_ + size_;
        if (pending_ && line.data() == end + 2 && end[0] == '\r' && end[1] == '\n') {
            size_ += 2 + line.size();
            return;
        }
        flush();
        begin_ = line.data();
        size_ = line.size();
        pending_ = true;
    }
    // The lines added so far are about to go out of memory.
    void flush() {
        if (pending_) out_.line(std::string_view(begin_, size_));
        pending_ = false;
    }

private:
    ReportText& out_;
    const char* begin_ = nullptr;
    size_t size_ = 0;
    bool pending_ = false;
};

// The file as it is now, up to the line holding the first match of the keyword; a file that has
// gone (or is hidden) gives nothing. Returns the error number of an open or read that failed:
// the copy is then incomplete.
int copyBreakdown(ReportText& out, const std::string& bomFileName, const std::string& keyword) {
    if (!isListedFile(bomFileName)) return kNoError;
    LineRun run(out);
    // Without a line-end byte in it, a match lies inside one line: the file can then be read piece
    // by piece, line by line, and never be all in memory. (A read that fails part way leaves the
    // lines before it, and its error.)
    if (keyword.find_first_of("\r\n") == std::string::npos) {
        InputFile file;
        if (const int error = file.open(bomFileName)) return error;
        bool found = false;
        forEachBomLineRead([&](char* into, size_t room) { return found ? 0 : file.read(into, room); },
                           [&] { return file.rewind() == kNoError; },
                           [&](std::string_view line) {
                               found = found || line.find(keyword) != std::string_view::npos;
                               if (!found) run.add(line);
                           },
                           [&] { run.flush(); }, file.size());
        return file.error();
    }
    // Otherwise a match may reach over a line end; the copy stops before the line in which the
    // match begins, a match that begins inside a line end counting for the line after it.
    std::string bytes;
    if (const int error = readWholeFile(bomFileName, bytes)) return error;
    const TextLayout layout = textLayoutOf(bytes);
    std::string_view text = cutAtEndOfFileMark(bytes);
    if (layout.byteOrderMark) text.remove_prefix(3);
    const size_t match = text.find(keyword);
    bool stopped = false;
    forEachLine(
        text,
        [&](std::string_view line) {
            stopped = stopped || (match != std::string_view::npos &&
                                  static_cast<size_t>(line.data() - text.data()) + line.size() >= match);
            if (!stopped) run.add(line);
        },
        TextLayout{layout.ends, false});
    run.flush();  // before `bytes`, which the pending lines point into, is gone
    return kNoError;
}

void totals(ReportText& out, const TotalsTable& table) {
    for (size_t row = 0; row < table.count(); ++row) {
        out.count(table.totals[row].value());
        out.put("   ");
        out.line(table.names[row]);
    }
}

// What follows the count in every entry of one assembly: "x in ", the name and the line end. An
// assembly name holding ";" falls on several lines, as the stored entry text is cut at every ";".
class EntryEndings {
public:
    explicit EntryEndings(const WhereUsedTable& table) {
        start_.reserve(table.assemblies.size() + 1);
        for (const std::string_view name : table.assemblies) {
            start_.push_back(text_.size());
            text_ += "x in ";
            for (const char c : name) {
                if (c == ';')
                    text_ += "\r\n";
                else
                    text_ += c;
            }
            text_ += "\r\n";
        }
        start_.push_back(text_.size());
    }
    std::string_view operator[](uint32_t assembly) const {
        return std::string_view(text_).substr(start_[assembly], start_[assembly + 1] - start_[assembly]);
    }

private:
    std::string text_;
    std::vector<size_t> start_;
};

void whereUsed(ReportText& out, const WhereUsedTable& table) {
    const EntryEndings endings(table);
    for (size_t row = 0; row < table.count(); ++row) {
        out.line(table.names[row]);
        for (uint32_t i = table.entryBegin[row]; i < table.entryEnd[row]; ++i) {
            out.count(table.entries[i].quantity);
            out.put(endings[table.entries[i].assembly]);
        }
        out.endLine();
    }
}

// ---- A comparison's report ----

// The type a member has where it is listed: the new one when the new block lists it.
ItemKind shownKind(const MemberDifference& m) { return m.newKind != ItemKind::None ? m.newKind : m.oldKind; }

std::string_view typeWord(ItemKind kind) { return kind == ItemKind::None ? "" : treeTypeWord(kind); }

std::string mainTitle(const Comparison& c) {
    return c.sameMainAssembly ? c.newFile.mainAssembly : c.oldFile.mainAssembly + " -> " + c.newFile.mainAssembly;
}

void header(ReportText& out, const Comparison& c) {
    char digits[24];
    out.put("Comparison of BOM files for assembly ");
    out.line(mainTitle(c));
    // A file that may have been misread is said at once; the sign only where the report is UTF-8.
    for (const std::string& warning : readWarnings(c)) {
        out.put(c.encoding == TextEncoding::Utf8 ? "\xE2\x9A\xA0 " : "! ");
        out.line(warning);
    }
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
    if (c.hasAttributes) {
        out.put("Changed attributes: ");
        out.line(decimalText(static_cast<int64_t>(c.attributeChanges.size()), digits));
    }
    for (const ComparedFile* f : {&c.oldFile, &c.newFile}) {
        out.endLine();
        out.line(f == &c.oldFile ? "Log of the old BOM file:" : "Log of the new BOM file:");
        for (const std::string& line : f->log) out.line(line);
    }
}

void blockChanges(ReportText& out, const Comparison& c) {
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
            if (m.change == MemberChange::Type) {
                out.put("   was ");
                out.put(typeWord(m.oldKind));
            }
            out.endLine();
        }
        out.endLine();
    }
}

// Each item with its changed attributes below it: "   Material: S235JR -> S355J2".
void attributeChanges(ReportText& out, const Comparison& c) {
    const std::vector<AttributeDifference>& rows = c.attributeChanges;
    for (size_t i = 0; i < rows.size(); ++i) {
        const AttributeDifference& a = rows[i];
        if (i == 0 || a.name != rows[i - 1].name || a.kind != rows[i - 1].kind) {
            out.padded(treeTypeWord(a.kind), 14);
            out.line(a.name);
        }
        out.put("   ");
        out.put(a.column);
        out.put(": ");
        out.put(a.oldValue ? std::string_view(*a.oldValue) : "-");
        out.put(" -> ");
        out.line(a.newValue ? std::string_view(*a.newValue) : "-");
        if (i + 1 == rows.size() || rows[i + 1].name != a.name || rows[i + 1].kind != a.kind) out.endLine();
    }
}

void totalChanges(ReportText& out, const std::vector<TotalDifference>& rows) {
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

void whereUsedChanges(ReportText& out, const std::vector<WhereUsedDifference>& rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i == 0 || rows[i].name != rows[i - 1].name) out.line(rows[i].name);
        out.change(rows[i].oldQuantity, rows[i].newQuantity);
        out.put("   in ");
        out.line(rows[i].parent);
        if (i + 1 == rows.size() || rows[i + 1].name != rows[i].name) out.endLine();
    }
}

}  // namespace

int writeReport(OutputFile& file, const ResultsDocument& document, int& breakdownReadError) {
    ReportText out(file);
    const ResultTables& tables = document.analysis.tables;
    for (const ReportSection& s : kReportSections) {
        if (!isChosen(document.request.sections, s.section)) continue;
        // The where-used list of parts closes the report: no empty lines after it.
        out.section(s.reportTitle, tables.mainAssemblyName, s.section != Section::PartsWhereUsed, [&] {
            switch (s.section) {
            case Section::Breakdown:
                breakdownReadError =
                    copyBreakdown(out, document.request.bomFileName, document.analysis.keywords.SummaryOfParts);
                break;
            case Section::Assemblies: totals(out, tables.assemblyTotals); break;
            case Section::Parts: totals(out, tables.partTotals); break;
            case Section::AssembliesWhereUsed: whereUsed(out, tables.assemblyWhereUsed); break;
            case Section::PartsWhereUsed: whereUsed(out, tables.partWhereUsed); break;
            }
        });
    }
    return out.finish();
}

int writeReport(OutputFile& file, const ComparisonDocument& document, int&) {
    ReportText out(file);
    const Comparison& c = document.comparison;
    const std::string main = mainTitle(c);
    std::vector<const ReportSection*> chosen;
    for (const ReportSection& s : kReportSections)
        if (!s.changesTitle.empty() && isChosen(document.sections, s.section)) chosen.push_back(&s);
    // As in a run's report, the last section ends with its line of hyphens.
    out.section("", "", true, [&] { header(out, c); });
    out.section(kBlockChangesTitle, main, !chosen.empty() || c.hasAttributes, [&] { blockChanges(out, c); });
    if (c.hasAttributes) out.section(kAttributeChangesTitle, main, !chosen.empty(), [&] { attributeChanges(out, c); });
    for (const ReportSection* s : chosen) {
        out.section(s->changesTitle, main, s != chosen.back(), [&] {
            switch (s->section) {
            case Section::Assemblies: totalChanges(out, c.assemblyTotals); break;
            case Section::Parts: totalChanges(out, c.partTotals); break;
            case Section::AssembliesWhereUsed: whereUsedChanges(out, c.assemblyWhereUsed); break;
            case Section::PartsWhereUsed: whereUsedChanges(out, c.partWhereUsed); break;
            case Section::Breakdown: break;
            }
        });
    }
    return out.finish();
}

}  // namespace trelk
