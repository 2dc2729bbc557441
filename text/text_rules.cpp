#include "text_rules.h"

#include <limits>

namespace trelk {

std::string_view cutAtEndOfFileMark(std::string_view bytes) {
    if (bytes.empty()) return bytes;  // an empty view may have no data, which memchr may not take
    const void* mark = std::memchr(bytes.data(), 26, bytes.size());
    if (!mark) return bytes;
    return bytes.substr(0, static_cast<size_t>(static_cast<const char*>(mark) - bytes.data()));
}

std::vector<std::string_view> splitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    forEachLine(bytes, [&](std::string_view line) { lines.push_back(line); });
    return lines;
}

std::vector<std::string_view> splitBomLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    forEachBomLine(bytes, [&](std::string_view line) { lines.push_back(line); });
    return lines;
}

void LineEndScan::add(std::string_view bytes) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    if (p == end || settled()) return;
    if (!sawCr_) {
        // Before the first CR only whether an LF is there matters: it cannot follow CR CR.
        const void* cr = std::memchr(p, '\r', bytes.size());
        const char* const upTo = cr ? static_cast<const char*>(cr) : end;
        if (!sawLf_ && std::memchr(p, '\n', static_cast<size_t>(upTo - p))) sawLf_ = lfNotAfterCrCr_ = true;
        if (cr) sawCr_ = true;
    }
    if (sawCr_ && !lfNotAfterCrCr_) {
        for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\n', static_cast<size_t>(end - q))));
             ++q) {
            sawLf_ = true;
            const char b1 = q - p >= 1 ? q[-1] : before1_;
            const char b2 = q - p >= 2 ? q[-2] : q - p == 1 ? before1_ : before2_;
            if (b1 != '\r' || b2 != '\r') {
                lfNotAfterCrCr_ = true;
                break;
            }
        }
    }
    before2_ = bytes.size() >= 2 ? end[-2] : before1_;
    before1_ = end[-1];
}

TextLayout textLayoutOf(std::string_view bytes) {
    bytes = cutAtEndOfFileMark(bytes);
    LineEndScan scan;
    scan.add(bytes);
    return {scan.result(), startsWithByteOrderMark(bytes)};
}

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

LeadingNumber readLeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Magnitude in 64 unsigned bits; anything wider is out of range whatever the fraction says.
    uint64_t magnitude = 0;
    bool tooWide = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
        if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10)
            tooWide = true;
        else
            magnitude = magnitude * 10 + digit;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        int firstFractionDigit = -1;
        bool restNonZero = false;
        for (; i < text.size() && isDigit(text[i]); ++i) {
            if (firstFractionDigit < 0)
                firstFractionDigit = text[i] - '0';
            else if (text[i] != '0')
                restNonZero = true;
        }
        const bool roundUp =
            firstFractionDigit > 5 || (firstFractionDigit == 5 && (restNonZero || (magnitude & 1) != 0));
        if (roundUp) {
            if (magnitude == std::numeric_limits<uint64_t>::max())
                tooWide = true;
            else
                ++magnitude;
        }
    }
    LeadingNumber result;
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    if (tooWide || magnitude > limit) {
        result.outOfRange = true;
        return result;
    }
    result.value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return result;
}

int32_t readLeadingInt32(std::string_view text) {
    const LeadingNumber n = readLeadingNumber(text);
    if (n.outOfRange) {
        // Only the sign survives an overflow; find it again to clamp to the right end.
        const size_t first = text.find_first_not_of(" \t\n");
        const bool negative = first != std::string_view::npos && text[first] == '-';
        return negative ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
    }
    if (n.value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (n.value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(n.value);
}

std::string formatSignedDecimal(int64_t value) {
    std::string text = std::to_string(value);
    if (value >= 0) text.insert(text.begin(), ' ');
    return text;
}

}  // namespace trelk
