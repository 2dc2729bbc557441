#include "text/text_codec.h"

#include <cstring>

namespace trelk {

namespace {

// What a UTF-8 lead byte asks of the bytes after it: how many continuation bytes (0 for a byte
// that starts no sequence) and the range of the first of them, which shuts out overlong forms,
// what lies above U+10FFFF and, unless they are taken, surrogates.
struct Lead {
    uint8_t need, low, high;
};
constexpr Lead leadOf(uint8_t b, bool surrogates) {
    if (b >= 0xC2 && b <= 0xDF) return {1, 0x80, 0xBF};
    if (b >= 0xE0 && b <= 0xEF)
        return {2, static_cast<uint8_t>(b == 0xE0 ? 0xA0 : 0x80),
                static_cast<uint8_t>(b == 0xED && !surrogates ? 0x9F : 0xBF)};
    if (b >= 0xF0 && b <= 0xF4)
        return {3, static_cast<uint8_t>(b == 0xF0 ? 0x90 : 0x80), static_cast<uint8_t>(b == 0xF4 ? 0x8F : 0xBF)};
    return {0, 0, 0};
}

void appendUtf8(uint32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character at `at` of UTF-8 text, surrogates taken, and `at` moved past it; false for bytes
// that start none.
bool nextCharacter(std::string_view text, size_t& at, uint32_t& c) {
    const uint8_t b = static_cast<uint8_t>(text[at]);
    if (b < 0x80) {
        c = b;
        ++at;
        return true;
    }
    const Lead lead = leadOf(b, true);
    if (lead.need == 0 || text.size() - at <= lead.need) return false;
    c = b & (0x3Fu >> lead.need);
    for (size_t i = 1; i <= lead.need; ++i) {
        const uint8_t next = static_cast<uint8_t>(text[at + i]);
        if (next < (i == 1 ? lead.low : 0x80) || next > (i == 1 ? lead.high : 0xBF)) return false;
        c = c << 6 | (next & 0x3F);
    }
    at += 1 + lead.need;
    return true;
}

void appendUtf16Unit(uint32_t unit, std::string& out) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

}  // namespace

void EncodingCheck::feed(const char* data, size_t size) {
    for (size_t i = 0; i < size && seen_ < 3; ++i) start_[seen_++] = static_cast<uint8_t>(data[i]);
    if (!valid_) return;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = static_cast<uint8_t>(data[i]);
        if (need_ > 0) {
            if (b < low_ || b > high_) {
                valid_ = false;
                return;
            }
            --need_;
            low_ = 0x80;
            high_ = 0xBF;
            continue;
        }
        if (b < 0x80) {
            // Plain ASCII runs are the rule: skip them eight bytes at a time.
            while (size - (i + 1) >= 8) {
                uint64_t w;
                std::memcpy(&w, data + i + 1, 8);
                if (w & 0x8080808080808080ull) break;
                i += 8;
            }
            continue;
        }
        const Lead lead = leadOf(b, false);
        if (lead.need == 0) {
            valid_ = false;
            return;
        }
        need_ = lead.need;
        low_ = lead.low;
        high_ = lead.high;
    }
}

TextEncoding EncodingCheck::encoding() const {
    const bool marked = seen_ == 3 && std::memcmp(start_, kUtf8ByteOrderMark.data(), 3) == 0;
    return marked || valid() ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

bool isValidUtf8(std::string_view text) {
    EncodingCheck check;
    check.feed(text.data(), text.size());
    return check.valid();
}

std::string windows1252ToUtf8(std::string_view text) {
    // 0x80 to 0x9F; the rest of the upper half is Latin-1, the same numbers as Unicode.
    static const uint16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (const char c : text) {
        const uint8_t b = static_cast<uint8_t>(c);
        appendUtf8(b < 0x80 ? b : b < 0xA0 ? kHigh[b - 0x80] : b, out);
    }
    return out;
}

std::string utf16LittleEndianToUtf8(std::string_view units) {
    const size_t count = units.size() / 2;
    const auto unit = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<uint8_t>(units[2 * i]) | static_cast<uint8_t>(units[2 * i + 1]) << 8);
    };
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < count; ++i) {
        uint32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && unit(i + 1) >= 0xDC00 && unit(i + 1) < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(++i) - 0xDC00);
        appendUtf8(c, out);
    }
    return out;
}

bool utf8ToUtf16LittleEndian(std::string_view text, std::string& out) {
    out.reserve(out.size() + 2 * text.size());
    for (size_t at = 0; at < text.size();) {
        uint32_t c;
        if (!nextCharacter(text, at, c)) return false;
        if (c < 0x10000) {
            appendUtf16Unit(c, out);
        } else {
            appendUtf16Unit(0xD800 + ((c - 0x10000) >> 10), out);
            appendUtf16Unit(0xDC00 + ((c - 0x10000) & 0x3FF), out);
        }
    }
    return true;
}

bool fitsUtf16(std::string_view text) {
    uint32_t c;
    for (size_t at = 0; at < text.size();)
        if (!nextCharacter(text, at, c)) return false;
    return true;
}

}  // namespace trelk
