// Text rules shared by the BOM reader, the settings and the form framework:
// how a file is cut into lines and how a number is read from the front of a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

// Calls onLine(std::string_view) for every line of `bytes`. A line ends at CR; an LF right after
// the CR belongs to that line end. A lone LF stays inside the line's text. A final line without a
// line end is a line like any other; nothing after a Ctrl-Z is read.
template <class OnLine>
void forEachLine(std::string_view bytes, OnLine&& onLine) {
    bytes = cutAtEndOfFileMark(bytes);
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end) {
        const void* cr = std::memchr(p, '\r', static_cast<size_t>(end - p));
        const char* lineEnd = cr ? static_cast<const char*>(cr) : end;
        onLine(std::string_view(p, static_cast<size_t>(lineEnd - p)));
        if (!cr) break;
        p = lineEnd + 1;
        if (p < end && *p == '\n') ++p;
    }
}

std::vector<std::string_view> splitLines(std::string_view bytes);

// The same lines as forEachLine gives for the whole input, for an input read piece by piece:
// read(into, room) puts up to `room` bytes at `into` and gives their number, 0 at the end. A line
// is passed on as a view that stays valid until endOfPiece() is called, which happens before the
// memory is used again and once at the end. Reading stops at the first Ctrl-Z.
template <class Read, class OnLine, class EndOfPiece>
void forEachLineRead(Read&& read, OnLine&& onLine, EndOfPiece&& endOfPiece) {
    constexpr size_t kPiece = 128 * 1024;  // small enough to stay in the processor's caches
    size_t capacity = kPiece;
    std::unique_ptr<char[]> buffer(new char[capacity]);  // not cleared: only read bytes are used
    size_t kept = 0;  // the start of an unfinished line, moved to the front of the buffer
    for (;;) {
        if (capacity - kept < kPiece / 2) {  // a long line
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
        // The unfinished line holds no CR, except perhaps as its last byte.
        const char* from = kept > 0 ? data + kept - 1 : data;
        for (const char* cr; (cr = static_cast<const char*>(std::memchr(from, '\r', static_cast<size_t>(end - from))));) {
            if (cr + 1 == end && !last) break;  // whether an LF follows, the next piece says
            onLine(std::string_view(p, static_cast<size_t>(cr - p)));
            p = cr + 1;
            if (p < end && *p == '\n') ++p;
            from = p;
        }
        if (last && p < end) onLine(std::string_view(p, static_cast<size_t>(end - p)));
        endOfPiece();
        if (last) return;
        kept = static_cast<size_t>(end - p);
        std::memmove(buffer.get(), p, kept);
    }
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
