// Blanks looked for eight bytes at a time.
//
// The columns of an export are padded with long runs of blanks, and every line is cut into its
// fields as it streams past (engine/reading/line_classifier.h). Reading a word of eight bytes and
// finding its first or last blank with a few bit operations, instead of testing byte after byte,
// keeps cutting and classifying a line at about 50 ns, which on W1 is a third of reading the
// structure (docs/performance.md: 141 ms, 835 ms before this and the name index). The same trick
// compares names (sameBytes, text/text_rules.h) and hashes them (hashName,
// engine/reading/name_index.h). Where the byte order is not little-endian the loops go byte by
// byte.
#pragma once

#include <cstdint>
#include <cstring>

namespace trelk::word_scan {

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kWordScan = true;
#else
constexpr bool kWordScan = false;
#endif
constexpr uint64_t kBlanks = 0x2020202020202020ull, kLow7 = 0x7F7F7F7F7F7F7F7Full;

inline uint64_t load8(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}
// The high bit of every byte of the word that is a blank, nothing else.
inline uint64_t blankBytes(uint64_t w) {
    const uint64_t x = w ^ kBlanks;
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}
inline int lowestByte(uint64_t bits) { return __builtin_ctzll(bits) / 8; }
inline int highestByte(uint64_t bits) { return (63 - __builtin_clzll(bits)) / 8; }

// The first byte at or after p that is not a blank, or end.
inline const char* skipBlanks(const char* p, const char* end) {
    if (kWordScan)
        for (; end - p >= 8; p += 8)
            if (const uint64_t other = load8(p) ^ kBlanks) return p + lowestByte(other);
    while (p < end && *p == ' ') ++p;
    return p;
}
// The first blank at or after p, or end.
inline const char* findBlank(const char* p, const char* end) {
    if (kWordScan)
        for (; end - p >= 8; p += 8)
            if (const uint64_t blanks = blankBytes(load8(p))) return p + lowestByte(blanks);
    while (p < end && *p != ' ') ++p;
    return p;
}
// Going back from end: just after the last byte that is not a blank, or begin.
inline const char* skipBlanksBack(const char* begin, const char* end) {
    if (kWordScan)
        for (; end - begin >= 8; end -= 8)
            if (const uint64_t other = load8(end - 8) ^ kBlanks) return end - 8 + highestByte(other) + 1;
    while (end > begin && end[-1] == ' ') --end;
    return end;
}
// Going back from end: just after the last blank, or begin.
inline const char* findBlankBack(const char* begin, const char* end) {
    if (kWordScan)
        for (; end - begin >= 8; end -= 8)
            if (const uint64_t blanks = blankBytes(load8(end - 8))) return end - 8 + highestByte(blanks) + 1;
    while (end > begin && end[-1] != ' ') --end;
    return end;
}

}  // namespace trelk::word_scan
