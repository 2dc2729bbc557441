#include "engine/text_encoding.h"

#include <cstring>

namespace trelk {

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
        if (b >= 0xC2 && b <= 0xDF)
            need_ = 1;
        else if (b >= 0xE0 && b <= 0xEF) {
            need_ = 2;
            if (b == 0xE0)
                low_ = 0xA0;  // no overlong forms
            else if (b == 0xED)
                high_ = 0x9F;  // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            need_ = 3;
            if (b == 0xF0)
                low_ = 0x90;
            else if (b == 0xF4)
                high_ = 0x8F;  // nothing above U+10FFFF
        } else {
            valid_ = false;
            return;
        }
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
        const uint32_t code = b < 0x80 ? b : b < 0xA0 ? kHigh[b - 0x80] : b;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | code >> 6);
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | code >> 12);
            out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

}  // namespace trelk
