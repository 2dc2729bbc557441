#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

#include "text/text_codec.h"

namespace trelk {
namespace {

TEST(TextEncoding, TellsUtf8FromWindows1252) {
    const struct {
        const char* what;
        std::string bytes;
        TextEncoding encoding;
    } cases[] = {
        {"ASCII", "Assembly TOP contains:\r\n1 Part BOLT\r\n", TextEncoding::Utf8},
        {"empty", "", TextEncoding::Utf8},
        {"UTF-8 without the mark", "1 Part \xC3\x89TRIER \xE2\x82\xAC \xF0\x9F\x94\xA9\r\n", TextEncoding::Utf8},
        {"the mark, then valid UTF-8",
         "\xEF\xBB\xBF"
         "1 Part \xC3\xA9",
         TextEncoding::Utf8},
        {"the mark wins over a bad byte",
         "\xEF\xBB\xBF"
         "1 Part \xE9TRIER",
         TextEncoding::Utf8},
        {"Windows-1252 letters", "1 Part \xC9TRIER \xE4", TextEncoding::Windows1252},
        {"a sequence cut at the end", "1 Part \xC3", TextEncoding::Windows1252},
        {"an overlong form", "\xC0\xAF", TextEncoding::Windows1252},
        {"an overlong three-byte form", "\xE0\x80\xAF", TextEncoding::Windows1252},
        {"a surrogate", "\xED\xA0\x80", TextEncoding::Windows1252},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", TextEncoding::Windows1252},
        {"a lone continuation byte", "abc\x80", TextEncoding::Windows1252},
        {"a bad byte after a long ASCII run", std::string(100, 'a') + "\xFF" + std::string(20, 'b'),
         TextEncoding::Windows1252},
    };
    for (const auto& c : cases) {
        // Whole, and in pieces of every size: a sequence may be cut between two reads.
        for (size_t piece = 1; piece <= c.bytes.size() + 1; piece = piece < 4 ? piece + 1 : piece * 3) {
            EncodingCheck check;
            for (size_t at = 0; at < c.bytes.size(); at += piece)
                check.feed(c.bytes.data() + at, std::min(piece, c.bytes.size() - at));
            EXPECT_EQ(check.encoding(), c.encoding) << c.what << ", pieces of " << piece;
        }
    }
}

TEST(TextEncoding, ConvertsWindows1252ToUtf8) {
    const struct {
        std::string from, to;
    } cases[] = {
        {"BOLT_M6", "BOLT_M6"},
        {"\xC9TRIER", "\xC3\x89TRIER"},
        {"\xE4\xF6\xFC\xDF", "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F"},
        {"\x80", "\xE2\x82\xAC"},          // euro sign
        {"\x8A\x9F", "\xC5\xA0\xC5\xB8"},  // S with caron, Y with diaeresis
        {"\x81", "\xC2\x81"},              // undefined in the code page: the C1 control
        {"\xA0\xFF", "\xC2\xA0\xC3\xBF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(windows1252ToUtf8(c.from), c.to);
        EXPECT_TRUE(isValidUtf8(c.to));
    }
    EXPECT_EQ(toUtf8("\xE9", TextEncoding::Utf8), "\xE9");  // a UTF-8 export's names stay as they are
}

// The UTF-16 conversion takes exactly the valid UTF-8 and the three-byte forms of surrogates
// (valid once their second byte is lowered out of the surrogate range), and any code units, lone
// surrogates too, come back from UTF-8 unit for unit. Random inputs, rich in the bytes that matter.
TEST(TextEncoding, Utf16ConversionAgreesWithTheUtf8Check) {
    std::mt19937 random(18);
    const char kBytes[] = {'a',    '\x7F', '\x80', '\x9F', '\xA0', '\xBF', '\xC2',
                           '\xDF', '\xE0', '\xED', '\xF0', '\xF4', '\x90', '\xFF'};
    const uint16_t kUnits[] = {'a', 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFF};
    for (int round = 0; round < 5000; ++round) {
        std::string bytes;
        for (size_t n = random() % 8; n > 0; --n) bytes += kBytes[random() % std::size(kBytes)];
        std::string lowered = bytes;
        for (size_t i = 0; i + 1 < lowered.size(); ++i)
            if (lowered[i] == '\xED' && static_cast<uint8_t>(lowered[i + 1]) >= 0xA0 &&
                static_cast<uint8_t>(lowered[i + 1]) <= 0xBF)
                lowered[i + 1] = static_cast<char>(lowered[i + 1] - 0x20);
        std::string units;
        ASSERT_EQ(utf8ToUtf16LittleEndian(bytes, units), isValidUtf8(lowered)) << ::testing::PrintToString(bytes);
        ASSERT_EQ(fitsUtf16(bytes), isValidUtf8(lowered)) << ::testing::PrintToString(bytes);
        if (isValidUtf8(bytes)) {
            ASSERT_EQ(utf16LittleEndianToUtf8(units), bytes) << ::testing::PrintToString(bytes);
        }

        std::string utf16;
        for (size_t n = random() % 8; n > 0; --n) {
            const uint16_t u = random() % 2 ? kUnits[random() % std::size(kUnits)] : static_cast<uint16_t>(random());
            utf16 += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        }
        std::string back;
        ASSERT_TRUE(utf8ToUtf16LittleEndian(utf16LittleEndianToUtf8(utf16), back));
        ASSERT_EQ(back, utf16) << ::testing::PrintToString(utf16);
    }
}

}  // namespace
}  // namespace trelk
