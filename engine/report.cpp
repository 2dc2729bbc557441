#include "engine/report.h"

namespace trelk {

namespace {

// Collects the report in one large buffer and hands it to the file in big pieces.
class ReportWriter {
public:
    explicit ReportWriter(OutputFile& file) : file_(file) { buffer_.reserve(kFlushAt + 4096); }

    void line(std::string_view text) {
        buffer_.append(text.data(), text.size());
        endLine();
    }
    void endLine() {
        buffer_ += "\r\n";
        if (buffer_.size() >= kFlushAt) flush();
    }
    std::string& buffer() { return buffer_; }
    int finish() {
        flush();
        return error_;
    }

private:
    static constexpr size_t kFlushAt = 1 << 20;

    void flush() {
        if (error_ == kNoError && !buffer_.empty()) error_ = file_.write(buffer_.data(), buffer_.size());
        buffer_.clear();
    }

    OutputFile& file_;
    std::string buffer_;
    int error_ = kNoError;
};

void writeBreakdown(ReportWriter& out, const std::string& bomFileName, const KeywordSet& keywords) {
    // The file as it is now; one that has gone (or is hidden) gives an empty section.
    std::string bytes;
    if (!isListedFile(bomFileName) || readWholeFile(bomFileName, bytes) != kNoError) bytes.clear();
    std::string_view text = cutAtEndOfFileMark(bytes);
    // Keywords hold no line ends, so the first match lies in the first line that contains one;
    // the copy stops where that line begins.
    const size_t match = text.find(keywords.SummaryOfParts);
    if (match != std::string_view::npos) {
        size_t lineStart = 0;
        if (match > 0) {
            const size_t cr = text.rfind('\r', match - 1);
            if (cr != std::string_view::npos) lineStart = cr + 1 < text.size() && text[cr + 1] == '\n' ? cr + 2 : cr + 1;
        }
        text = text.substr(0, lineStart);
    }
    out.line(kSeparatorLine);
    forEachLine(text, [&](std::string_view line) { out.line(line); });
    out.line(kSeparatorLine);
    out.endLine();
    out.endLine();
}

void writeSummary(ReportWriter& out, std::string_view title, std::string_view mainAssembly, const TotalsTable& table) {
    out.line(kSeparatorLine);
    out.buffer().append(title.data(), title.size());
    out.line(mainAssembly);
    for (size_t row = 0; row < table.count(); ++row) {
        appendCount(out.buffer(), table.totals[row].value);
        out.buffer() += "   ";
        out.line(table.names[row]);
    }
    out.line(kSeparatorLine);
    out.endLine();
    out.endLine();
}

// An assembly name holding ";" falls on two lines, as the stored entry text is cut at every ";".
void writeEntryAssembly(ReportWriter& out, std::string_view assembly) {
    for (size_t cut; (cut = assembly.find(';')) != std::string_view::npos; assembly.remove_prefix(cut + 1))
        out.line(assembly.substr(0, cut));
    out.line(assembly);
}

void writeWhereUsed(ReportWriter& out, std::string_view title, std::string_view mainAssembly,
                    const WhereUsedTable& table, bool emptyLinesAfter) {
    out.line(kSeparatorLine);
    out.buffer().append(title.data(), title.size());
    out.line(mainAssembly);
    for (size_t row = 0; row < table.count(); ++row) {
        out.line(table.names[row]);
        for (uint32_t i = table.entryStart[row]; i < table.entryStart[row + 1]; ++i) {
            appendCount(out.buffer(), table.entries[i].quantity);
            out.buffer() += "x in ";
            writeEntryAssembly(out, table.entries[i].assembly);
        }
        out.endLine();
    }
    out.line(kSeparatorLine);
    if (emptyLinesAfter) {
        out.endLine();
        out.endLine();
    }
}

}  // namespace

int writeReport(OutputFile& file, const SectionSelection& sections, const std::string& bomFileName,
                const KeywordSet& keywords, const ResultTables& tables) {
    ReportWriter out(file);
    const std::string_view main = tables.mainAssemblyName;
    if (sections.Include_BOMAssyBreakdown) writeBreakdown(out, bomFileName, keywords);
    if (sections.Include_SummaryOfAssys)
        writeSummary(out, "Summary of assemblies for assembly ", main, tables.assemblyTotals);
    if (sections.Include_SummaryOfParts) writeSummary(out, "Summary of parts for assembly ", main, tables.partTotals);
    if (sections.Include_AssyInAssys)
        writeWhereUsed(out, "Assemblies in assembly ", main, tables.assemblyWhereUsed, true);
    if (sections.Include_PartsInAssys)
        writeWhereUsed(out, "Parts in assembly ", main, tables.partWhereUsed, false);
    return out.finish();
}

}  // namespace trelk
