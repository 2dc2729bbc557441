#include "engine/recognition/export_sample.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <optional>
#include <vector>

#include "engine/reading/line_classifier.h"
#include "engine/rollup/reading_check.h"

namespace trelk {

namespace {

constexpr char kEndOfFileMark = 26;

bool isBlankLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

std::string_view lineEndOf(const TextLayout& layout) {
    switch (layout.ends) {
    case LineEnds::Lf: return "\n";
    case LineEnds::CrCrLf: return "\r\r\n";
    case LineEnds::CrOrCrLf: break;
    }
    return "\r\n";
}

// Reads from the file's current place, counting the bytes and noting a Ctrl-Z.
struct CountingRead {
    InputFile& file;
    ExportSample& sample;
    size_t operator()(char* into, size_t room) const {
        const size_t got = file.read(into, room);
        sample.bytesRead += got;
        if (std::memchr(into, kEndOfFileMark, got)) sample.usable = false;
        return got;
    }
};

// Where the first lines end: at the start of the block after `blocks` blocks once `rows` rows
// are in, else at the last whole line. `cut` is 0 when the bytes hold too little to tell.
struct HeadCut {
    size_t cut = 0;
    size_t blocks = 0;
    bool atBlockStart = false;
};

HeadCut cutHead(std::string_view head, const TextLayout& layout, const SampleLimits& limits) {
    HeadCut found;
    size_t blocks = 0, rows = 0;
    bool afterBlank = true;
    // Where the head is cut when the bytes run out: before the last row, so that a row keeps the
    // line its cut type word goes on in.
    size_t lastRowStart = 0;
    bool done = false;
    forEachLine(
        head,
        [&](std::string_view line) {
            if (done) return;
            const size_t start = static_cast<size_t>(line.data() - head.data());
            if (isBlankLine(line)) {
                afterBlank = true;
                return;
            }
            if (afterBlank) {
                if (blocks >= limits.blocks && rows >= limits.rows) {
                    found = {start, blocks, true};
                    done = true;
                    return;
                }
                ++blocks;
            }
            afterBlank = false;
            if (looksLikeRow(line)) {
                ++rows;
                lastRowStart = start;
            }
        },
        layout);
    if (!done) {
        found.cut = lastRowStart;
        found.blocks = 0;
        forEachLine(
            head.substr(0, lastRowStart),
            [&, afterBlank = true](std::string_view line) mutable {
                const bool blank = isBlankLine(line);
                found.blocks += afterBlank && !blank;
                afterBlank = blank;
            },
            layout);
    }
    return found;
}

// A block at the end of the file: the empty lines before it and its first lines.
struct TailBlock {
    std::vector<std::string> blanksBefore, lines;
    bool full = false;
};

}  // namespace

namespace messages {
std::string recognisedFromSample(size_t blocks) {
    return "Recognised from the first " + std::to_string(blocks) + " blocks and the end of the BOM file";
}
}  // namespace messages

int takeExportSample(InputFile& file, const SampleLimits& limits, ExportSample& sample) {
    sample = ExportSample();
    const CountingRead read{file, sample};
    if (const int error = file.rewind()) return error;
    // A small file is scanned without a buffer of the largest piece.
    sample.layout = scanTextLayout(read, std::max<size_t>(readPieceFor(file.size()) / 2, 4096));
    if (const int error = file.rewind()) return error;
    if (!sample.usable) return kNoError;

    // The start, read in growing pieces until it holds the blocks and rows asked for.
    std::string head;
    // No larger than the file at first: the room is cleared before it is read into.
    size_t want = std::min<size_t>({limits.headBytes, 64 * 1024, readPieceFor(file.size())});
    bool atEnd = false;
    HeadCut cut;
    for (;;) {
        while (head.size() < want && !atEnd) {
            const size_t before = head.size();
            head.resize(want);
            const size_t got = read(&head[before], want - before);
            head.resize(before + got);
            atEnd = got == 0;
        }
        if (file.error() != kNoError) return file.error();
        if (!sample.usable) return kNoError;
        if (atEnd) {
            sample.bytes = std::move(head);
            sample.whole = true;
            return kNoError;
        }
        cut = cutHead(head, sample.layout, limits);
        if (cut.atBlockStart || want >= limits.headBytes) break;
        want = std::min(limits.headBytes, want * 2);
    }
    head.resize(cut.cut);
    sample.blocks = cut.blocks;

    // The end: the first lines of its last blocks that begin after the start kept.
    const uint64_t tailStart =
        std::max<uint64_t>(cut.cut, file.size() > limits.tailBytes ? file.size() - limits.tailBytes : 0);
    std::deque<TailBlock> tail;
    if (tailStart < file.size()) {
        if (const int error = file.seek(tailStart)) return error;
        TextLayout tailLayout = sample.layout;
        tailLayout.byteOrderMark = tailStart == 0 && sample.layout.byteOrderMark;
        // A line cut by where the reading starts, and the rest of its block, are left out. The
        // pieces are no larger than the end that is read.
        bool skipping = !(tailStart == cut.cut && cut.atBlockStart), inBlock = false;
        std::vector<std::string> blanks;
        forEachLineRead(
            read,
            [&](std::string_view line) {
                if (isBlankLine(line)) {
                    skipping = inBlock = false;
                    if (blanks.size() < 4) blanks.emplace_back(line);
                    return;
                }
                if (skipping) return;
                if (!inBlock) {
                    tail.push_back({std::move(blanks), {}, false});
                    blanks.clear();
                    if (tail.size() > limits.tailBlocks) tail.pop_front();
                    inBlock = true;
                }
                // Cut before a row, as the head is.
                TailBlock& block = tail.back();
                block.full = block.full || (block.lines.size() >= limits.tailBlockLines &&
                                            (looksLikeRow(line) || block.lines.size() >= 2 * limits.tailBlockLines));
                if (!block.full) block.lines.emplace_back(line);
            },
            [] {}, tailLayout, readPieceFor(file.size() - tailStart));
        if (file.error() != kNoError) return file.error();
        // The last block began before the end looked through: the summary's heading is not in
        // the sample, and the whole file must tell.
        if (tail.empty() && tailStart > cut.cut) sample.usable = false;
        if (!sample.usable) return kNoError;
    }

    const std::string_view end = lineEndOf(sample.layout);
    sample.bytes = std::move(head);
    for (const TailBlock& block : tail) {
        if (block.blanksBefore.empty()) sample.bytes.append(end);
        for (const std::string& line : block.blanksBefore) sample.bytes.append(line).append(end);
        for (const std::string& line : block.lines) sample.bytes.append(line).append(end);
    }
    return kNoError;
}

namespace {

// The header rule with only the last word before the name kept, or nothing where it has one
// word or none there.
std::optional<std::string> shorterHeaderRule(std::string_view rule) {
    const HeaderPattern pattern = parseHeaderPattern(rule);
    const size_t blank = pattern.before.rfind(' ');
    if (!pattern.valid || blank == std::string::npos) return std::nullopt;
    std::string shorter = pattern.before.substr(blank + 1) + " " + std::string(kNamePlaceholder);
    if (!pattern.after.empty()) shorter += " " + pattern.after;
    return shorter;
}

class LineCounter {
public:
    LineCounter(std::string_view keyword, std::string_view headerRule, FileLineCounts& counts)
        : keyword_(keyword), counts_(counts) {
        if (const std::optional<std::string> shorter = shorterHeaderRule(headerRule)) {
            ColumnLayout whole, last;
            whole.Header = std::string(headerRule);
            last.Header = *shorter;
            rule_.emplace(noKeywords_, whole);
            shorterRule_.emplace(noKeywords_, last);
        }
    }
    void operator()(std::string_view line) {
        counts_.rows += looksLikeRow(line);
        if (!keyword_.empty() && line.find(keyword_) != std::string_view::npos) ++counts_.holdingKeyword;
        if (shorterRule_ && shorterRule_->classify(line).header && !rule_->classify(line).header)
            ++counts_.headersOfAShorterRule;
    }

private:
    std::string_view keyword_;
    FileLineCounts& counts_;
    const KeywordSet noKeywords_;
    std::optional<LineClassifier> rule_, shorterRule_;
};

}  // namespace

int countFileLines(InputFile& file, const TextLayout& layout, std::string_view keyword, std::string_view headerRule,
                   FileLineCounts& counts) {
    counts = FileLineCounts();
    if (const int error = file.rewind()) return error;
    LineCounter counter(keyword, headerRule, counts);
    forEachLineRead([&](char* into, size_t room) { return file.read(into, room); }, counter, [] {}, layout,
                    readPieceFor(file.size()));
    return file.error();
}

FileLineCounts countLines(std::string_view bytes, const TextLayout& layout, std::string_view keyword,
                          std::string_view headerRule) {
    FileLineCounts counts;
    LineCounter counter(keyword, headerRule, counts);
    forEachLine(bytes, counter, layout);
    return counts;
}

}  // namespace trelk
