// Text rules shared by the BOM reader, the settings and the form framework:
// how a file is cut into lines and how a number is read from the front of a text.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_codec.h"

namespace trelk {

// The same bytes. Inline and eight bytes at a time: names and keywords are compared for nearly
// every line of a file.
inline bool sameBytes(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const char* p = a.data();
    const char* q = b.data();
    size_t n = a.size();
    auto load = [](const char* at) {
        uint64_t w;
        std::memcpy(&w, at, 8);
        return w;
    };
    if (n >= 8) {
        for (; n > 8; n -= 8, p += 8, q += 8)
            if (load(p) != load(q)) return false;
        return load(p + n - 8) == load(q + n - 8);  // the last eight, overlapping the ones before
    }
    for (size_t i = 0; i < n; ++i)
        if (p[i] != q[i]) return false;
    return true;
}

// The input ends at the first Ctrl-Z (byte 26); nothing after it is read.
std::string_view cutAtEndOfFileMark(std::string_view bytes);

// How the lines of a file end, decided from its bytes before the first Ctrl-Z:
// - Lf: no CR at all and at least one LF; each LF ends a line (files from UNIX workstations);
// - CrCrLf: at least one LF, and every LF directly after CR CR; CR CR LF is one line end (a CR LF
//   file that went through one more text-mode conversion);
// - CrOrCrLf otherwise: CR ends a line, an LF right after it belongs to that line end, and a lone
//   LF stays inside the line's text.
// In all three a CR that is not part of a longer line end ends a line by itself.
enum class LineEnds : uint8_t { CrOrCrLf, Lf, CrCrLf };

// How a file's text is laid out: its line ends, and whether it starts with the UTF-8 byte-order
// mark (EF BB BF), which is then not part of the first line.
struct TextLayout {
    LineEnds ends = LineEnds::CrOrCrLf;
    bool byteOrderMark = false;
    bool operator==(const TextLayout& o) const { return ends == o.ends && byteOrderMark == o.byteOrderMark; }
};

// Decides the line ends from the bytes of a file given in order, as far as they are needed: once
// a CR has been seen and an LF that does not follow CR CR, nothing later can change the answer.
// The bytes given must not hold a Ctrl-Z (the input ends before it).
class LineEndScan {
public:
    void add(std::string_view bytes);
    // The answer is known whatever bytes follow.
    bool settled() const { return sawCr_ && lfNotAfterCrCr_; }
    LineEnds result() const {
        if (!sawLf_) return LineEnds::CrOrCrLf;
        if (!sawCr_) return LineEnds::Lf;
        return lfNotAfterCrCr_ ? LineEnds::CrOrCrLf : LineEnds::CrCrLf;
    }

private:
    bool sawCr_ = false, sawLf_ = false, lfNotAfterCrCr_ = false;
    char before2_ = 0, before1_ = 0;  // the last two bytes given, for an LF at the start of the next
};

// The layout of a whole input (bytes after a Ctrl-Z do not count).
TextLayout textLayoutOf(std::string_view bytes);

// Calls onLine(std::string_view) for every line of `bytes`. A line ends at CR; an LF right after
// the CR belongs to that line end. A lone LF stays inside the line's text. A final line without a
// line end is a line like any other; nothing after a Ctrl-Z is read. The other line ends of
// LineEnds cut the lines their way; a byte-order mark of the layout is skipped.
template <class OnLine>
void forEachLine(std::string_view bytes, OnLine&& onLine, TextLayout layout = TextLayout()) {
    bytes = cutAtEndOfFileMark(bytes);
    if (layout.byteOrderMark && startsWithByteOrderMark(bytes)) bytes.remove_prefix(3);
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    const char stop = layout.ends == LineEnds::Lf ? '\n' : '\r';
    while (p < end) {
        const void* found = std::memchr(p, stop, static_cast<size_t>(end - p));
        const char* lineEnd = found ? static_cast<const char*>(found) : end;
        onLine(std::string_view(p, static_cast<size_t>(lineEnd - p)));
        if (!found) break;
        p = lineEnd + 1;
        if (layout.ends == LineEnds::Lf) continue;
        if (p < end && *p == '\n')
            ++p;
        else if (layout.ends == LineEnds::CrCrLf && end - p >= 2 && p[0] == '\r' && p[1] == '\n')
            p += 2;
    }
}

// The lines of a BOM file: its layout decided from its bytes, then cut by it.
template <class OnLine>
void forEachBomLine(std::string_view bytes, OnLine&& onLine) {
    forEachLine(bytes, onLine, textLayoutOf(bytes));
}

// The lines of forEachLine (CR and CR LF end a line) and of forEachBomLine, as a list. A settings
// file is cut by rules of its own (settings/ini_text.cpp).
std::vector<std::string_view> splitLines(std::string_view bytes);
std::vector<std::string_view> splitBomLines(std::string_view bytes);

// The bytes read at a time from an input of about `expectedBytes`: 128 KB, small enough to stay in
// the processor's caches, or less for a smaller input, which then costs no large buffer.
inline size_t readPieceFor(uint64_t expectedBytes) {
    constexpr size_t kLargest = 128 * 1024, kSmallest = 4096;
    return expectedBytes >= kLargest ? kLargest : std::max(kSmallest, static_cast<size_t>(expectedBytes) + 1);
}

// The same lines as forEachLine gives for the whole input, for an input read piece by piece:
// read(into, room) puts up to `room` bytes at `into` and gives their number, 0 at the end. A line
// is passed on as a view that stays valid until endOfPiece() is called, which happens before the
// memory is used again and once at the end. Reading stops at the first Ctrl-Z.
template <class Read, class OnLine, class EndOfPiece>
void forEachLineRead(Read&& read, OnLine&& onLine, EndOfPiece&& endOfPiece, TextLayout layout = TextLayout(),
                     size_t piece = readPieceFor(~uint64_t{0})) {
    size_t capacity = piece;
    std::unique_ptr<char[]> buffer(new char[capacity]);  // not cleared: only read bytes are used
    size_t kept = 0;  // the start of an unfinished line, moved to the front of the buffer
    // Where the search for the unfinished line's end goes on: it holds no line-end byte before
    // that, and a CR there is one whose line end the next piece decides.
    size_t rescan = 0;
    size_t markLeft = layout.byteOrderMark ? 3 : 0;  // bytes of the byte-order mark still to skip
    const char stop = layout.ends == LineEnds::Lf ? '\n' : '\r';
    for (;;) {
        if (capacity - kept < piece / 2) {  // a long line
            std::unique_ptr<char[]> larger(new char[capacity * 2]);
            std::memcpy(larger.get(), buffer.get(), kept);
            buffer = std::move(larger);
            capacity *= 2;
        }
        const size_t got = read(buffer.get() + kept, capacity - kept);
        const char* const data = buffer.get();
        const char* end = data + kept + got;
        bool last = got == 0;
        if (const void* mark = std::memchr(data + kept, 26, got)) {
            end = static_cast<const char*>(mark);
            last = true;
        }
        const char* p = data;
        if (markLeft > 0) {  // only ever at the start of the file, so nothing is kept yet
            const size_t skip = std::min(markLeft, static_cast<size_t>(end - p));
            p += skip;
            markLeft -= skip;
        }
        const char* from = std::max(p, data + rescan);
        const char* undecided = nullptr;
        for (const char* cr;
             (cr = static_cast<const char*>(std::memchr(from, stop, static_cast<size_t>(end - from))));) {
            const char* next = cr + 1;
            if (layout.ends != LineEnds::Lf) {
                // Whether an LF (or, for CR CR LF line ends, CR LF) follows, the next piece may say.
                if (next == end && !last) {
                    undecided = cr;
                    break;
                }
                if (next < end && *next == '\n') {
                    ++next;
                } else if (layout.ends == LineEnds::CrCrLf && next < end && *next == '\r') {
                    if (next + 1 == end && !last) {
                        undecided = cr;
                        break;
                    }
                    if (next + 1 < end && next[1] == '\n') next += 2;
                }
            }
            onLine(std::string_view(p, static_cast<size_t>(cr - p)));
            p = next;
            from = p;
        }
        if (last && p < end) onLine(std::string_view(p, static_cast<size_t>(end - p)));
        endOfPiece();
        if (last) return;
        kept = static_cast<size_t>(end - p);
        rescan = static_cast<size_t>((undecided ? undecided : end) - p);
        std::memmove(buffer.get(), p, kept);
    }
}

// The layout of an input read piece by piece, reading only as far as needed to know it.
template <class Read>
TextLayout scanTextLayout(Read&& read, size_t piece = readPieceFor(~uint64_t{0}) / 2) {
    std::unique_ptr<char[]> buffer(new char[piece]);
    TextLayout layout;
    LineEndScan scan;
    char start[3];
    size_t startKnown = 0;
    bool atEnd = false;
    while (!atEnd && !scan.settled()) {
        size_t got = read(buffer.get(), piece);
        atEnd = got == 0;
        if (const void* mark = std::memchr(buffer.get(), 26, got)) {
            got = static_cast<size_t>(static_cast<const char*>(mark) - buffer.get());
            atEnd = true;
        }
        for (size_t i = 0; i < got && startKnown < 3; ++i) start[startKnown++] = buffer[i];
        scan.add(std::string_view(buffer.get(), got));
    }
    layout.ends = scan.result();
    layout.byteOrderMark = startKnown == 3 && startsWithByteOrderMark(std::string_view(start, 3));
    return layout;
}

// The lines of a BOM file read piece by piece: a first reading decides the layout (for most
// files from their first line), rewind() goes back to the start, and the lines are read by it.
// A failed rewind() (false) gives no lines. `expectedBytes`, the file's size when known, only
// chooses the size of the pieces.
template <class Read, class Rewind, class OnLine, class EndOfPiece>
void forEachBomLineRead(Read&& read, Rewind&& rewind, OnLine&& onLine, EndOfPiece&& endOfPiece,
                        uint64_t expectedBytes = ~uint64_t{0}) {
    const size_t piece = readPieceFor(expectedBytes);
    const TextLayout layout = scanTextLayout(read, std::max<size_t>(piece / 2, 4096));
    if (!rewind()) {
        endOfPiece();
        return;
    }
    forEachLineRead(read, onLine, endOfPiece, layout, piece);
}

// A number read from the front of a text: blanks, tabs and line feeds are skipped, then an
// optional sign, digits, an optional decimal point and digits; reading stops at the first byte
// that cannot continue the number. The value is rounded to the nearest integer, halves to the
// even neighbour. A text that does not begin with a number reads as 0.
struct LeadingNumber {
    int64_t value = 0;
    bool outOfRange = false;  // the rounded value does not fit in 64 bits; value is then 0
};
LeadingNumber readLeadingNumber(std::string_view text);

// The same, limited to the 32-bit range (values beyond it are clamped to its ends).
int32_t readLeadingInt32(std::string_view text);

// Decimal text with one leading blank for a value that is not negative (" 57", " 0", "-4"):
// the form numbers take in log lines and in the settings file.
std::string formatSignedDecimal(int64_t value);

}  // namespace trelk
