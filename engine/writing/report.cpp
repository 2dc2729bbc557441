#include "engine/writing/report.h"

#include <cstring>
#include <memory>

namespace trelk {

namespace {

// Collects the report in one large buffer and hands it to the file in big pieces; a text larger
// than the buffer goes to the file directly.
class ReportWriter {
public:
    explicit ReportWriter(OutputFile& file) : file_(file), buffer_(new char[kSize]) {}

    void put(std::string_view text) {
        if (text.size() > kSize - used_) {
            flush();
            if (text.size() > kSize) {
                write(text.data(), text.size());
                return;
            }
        }
        std::memcpy(buffer_.get() + used_, text.data(), text.size());
        used_ += text.size();
    }
    void endLine() { put("\r\n"); }
    void line(std::string_view text) {
        put(text);
        endLine();
    }
    void count(int64_t value) {
        if (kSize - used_ < 20) flush();
        used_ = static_cast<size_t>(putCount(buffer_.get() + used_, value) - buffer_.get());
    }
    int finish() {
        flush();
        return error_;
    }

private:
    static constexpr size_t kSize = 1 << 20;

    void write(const char* data, size_t size) {
        if (error_ == kNoError) error_ = file_.write(data, size);
    }
    void flush() {
        if (used_ > 0) write(buffer_.get(), used_);
        used_ = 0;
    }

    OutputFile& file_;
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
    int error_ = kNoError;
};

// Writes lines, each ended with CR LF. Lines that stand next to each other with CR LF between
// them, as the lines of a file that already end so, are written as one piece. The last lines
// are written by flush(), which must come while their bytes are still there.
class LineRun {
public:
    explicit LineRun(ReportWriter& out) : out_(out) {}

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
    ReportWriter& out_;
    const char* begin_ = nullptr;
    size_t size_ = 0;
    bool pending_ = false;
};

// The file as it is now, up to the line holding the first match of the keyword; a file that has
// gone (or is hidden) gives nothing. Returns the error number of an open or read that failed:
// the copy is then incomplete.
int copyBreakdown(ReportWriter& out, const std::string& bomFileName, const std::string& keyword) {
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
                           [&] { run.flush(); });
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

int writeBreakdown(ReportWriter& out, const std::string& bomFileName, const KeywordSet& keywords) {
    out.line(kSeparatorLine);
    const int readError = copyBreakdown(out, bomFileName, keywords.SummaryOfParts);
    out.line(kSeparatorLine);
    out.endLine();
    out.endLine();
    return readError;
}

void writeSummary(ReportWriter& out, std::string_view title, std::string_view mainAssembly, const TotalsTable& table) {
    out.line(kSeparatorLine);
    out.put(title);
    out.line(mainAssembly);
    for (size_t row = 0; row < table.count(); ++row) {
        out.count(table.totals[row].value());
        out.put("   ");
        out.line(table.names[row]);
    }
    out.line(kSeparatorLine);
    out.endLine();
    out.endLine();
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

void writeWhereUsed(ReportWriter& out, std::string_view title, std::string_view mainAssembly,
                    const WhereUsedTable& table, bool emptyLinesAfter) {
    const EntryEndings endings(table);
    out.line(kSeparatorLine);
    out.put(title);
    out.line(mainAssembly);
    for (size_t row = 0; row < table.count(); ++row) {
        out.line(table.names[row]);
        for (uint32_t i = table.entryBegin[row]; i < table.entryEnd[row]; ++i) {
            out.count(table.entries[i].quantity);
            out.put(endings[table.entries[i].assembly]);
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
                const KeywordSet& keywords, const ResultTables& tables, int* breakdownReadError) {
    ReportWriter out(file);
    const std::string_view main = tables.mainAssemblyName;
    for (const ReportSection& s : kReportSections) {
        if (!(sections.*s.flag)) continue;
        switch (s.section) {
        case Section::Breakdown: {
            const int readError = writeBreakdown(out, bomFileName, keywords);
            if (breakdownReadError) *breakdownReadError = readError;
            break;
        }
        case Section::Assemblies: writeSummary(out, s.reportTitle, main, tables.assemblyTotals); break;
        case Section::Parts: writeSummary(out, s.reportTitle, main, tables.partTotals); break;
        case Section::AssembliesWhereUsed:
            writeWhereUsed(out, s.reportTitle, main, tables.assemblyWhereUsed, true);
            break;
        // The report's last section: no empty lines after it.
        case Section::PartsWhereUsed: writeWhereUsed(out, s.reportTitle, main, tables.partWhereUsed, false); break;
        }
    }
    return out.finish();
}

}  // namespace trelk
