// The text encodings Trelk meets and their byte-order marks: UTF-8 (checked), Windows-1252 (the
// code page of older BOM exports) and UTF-16 LE (a settings file saved by a Windows editor), each
// taken to and from UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace trelk {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
inline constexpr std::string_view kUtf16LittleEndianByteOrderMark = "\xFF\xFE";

inline bool startsWithByteOrderMark(std::string_view bytes) {
    return bytes.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark;
}

// The encoding of a BOM export's names. The CAD system writes UTF-8 since its 2008 releases, most
// files starting with the UTF-8 byte-order mark; older exports are in the Windows code page.
enum class TextEncoding : uint8_t { Utf8, Windows1252 };

// "UTF-8" or "Windows-1252", as the exports name an encoding.
inline std::string_view encodingName(TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? "UTF-8" : "Windows-1252";
}

// Tells the encoding of a file from its bytes, given piece by piece: UTF-8 when it starts with
// the byte-order mark or when all its bytes are valid UTF-8, otherwise Windows-1252.
class EncodingCheck {
public:
    void feed(const char* data, size_t size);
    TextEncoding encoding() const;
    // All bytes so far are valid UTF-8, and no sequence is left open.
    bool valid() const { return valid_ && need_ == 0; }

private:
    bool valid_ = true;
    uint8_t need_ = 0;                  // continuation bytes still due in the current sequence
    uint8_t low_ = 0x80, high_ = 0xBF;  // range of the next continuation byte
    uint8_t start_[3] = {0, 0, 0};
    size_t seen_ = 0;
};

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view text);

// The text as UTF-8: Windows-1252 bytes converted, the five bytes that code page leaves undefined
// taken as the C1 controls of the same number.
std::string windows1252ToUtf8(std::string_view text);

// The text as UTF-8 when it is in `encoding`.
inline std::string toUtf8(std::string_view text, TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? std::string(text) : windows1252ToUtf8(text);
}

// UTF-16 LE code units (a last odd byte is not read) as UTF-8. A surrogate without its partner
// becomes the three bytes of its own number, so that utf8ToUtf16LittleEndian gives back any
// UTF-16 text unit for unit.
std::string utf16LittleEndianToUtf8(std::string_view units);

// UTF-8 as UTF-16 LE code units, added to `out`: false, with `out` unfinished, at bytes that are
// no UTF-8. The three-byte form of a surrogate is taken as that code unit.
bool utf8ToUtf16LittleEndian(std::string_view text, std::string& out);

// Whether utf8ToUtf16LittleEndian takes the text.
bool fitsUtf16(std::string_view text);

// A text of the system rather than of the export (the file name, a log line) as UTF-8: as it is
// when it is valid UTF-8, else taken to be in the Windows code page.
inline std::string systemTextToUtf8(std::string_view text) {
    return isValidUtf8(text) ? std::string(text) : windows1252ToUtf8(text);
}

}  // namespace trelk
