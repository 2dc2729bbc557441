#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>

#include "support/literal_rollup.h"
#include "text/text_rules.h"

namespace trelk {
namespace {

using Lines = std::vector<std::string_view>;

TEST(LineRules, CutsAtCarriageReturnsOnly) {
    using namespace std::string_view_literals;
    const struct {
        std::string_view bytes;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"A", {"A"}},
        {"A\r\nB\r\n", {"A", "B"}},
        {"A\rB", {"A", "B"}},    // CR alone ends a line
        {"A\r\nB", {"A", "B"}},  // a last line without a line end
        {"A\nB\r\n", {"A\nB"}},  // a lone LF stays in the text
        {"A\n\r\n", {"A\n"}},
        {"A\r\r\n", {"A", ""}},
        {"\r\n", {""}},
        {"\r\n\r\n", {"", ""}},
        {"\r\n\n", {"", "\n"}},  // only the first LF belongs to the line end
        {"A\r\n\x1a"
         "B\r\n",
         {"A"}},  // Ctrl-Z ends the input
        {"A\x1a"
         "B\r\n",
         {"A"}},
        {"\x1a", {}},
        {"N\0L\r\n"sv, {"N\0L"sv}},  // NUL bytes are text like any other
    };
    for (const auto& c : cases) EXPECT_EQ(splitLines(c.bytes), c.lines) << "input: " << c.bytes;
}

TEST(LineRules, BomFilesCutByTheirOwnLineEnds) {
    using namespace std::string_view_literals;
    const struct {
        std::string_view bytes;
        Lines lines;
    } cases[] = {
        {"A\nB\n", {"A", "B"}},  // no CR: each LF ends a line
        {"A\n\nB", {"A", "", "B"}},
        {"A\nB\r", {"A\nB"}},                    // one CR anywhere: the rule of CR and CR LF
        {"A\r\r\nB\r\r\n", {"A", "B"}},          // every LF after CR CR: one line end
        {"A\r\r\nB\rC\r\r\n", {"A", "B", "C"}},  // a lone CR still ends a line
        {"A\r\r\r\nB", {"A", "", "B"}},
        {"A\r\r\nB\r\n", {"A", "", "B"}},  // one CR LF: every CR ends a line
        {"A\r\r\nB\n", {"A", "", "B\n"}},
        {"A\nB\x1a\r", {"A", "B"}},  // after a Ctrl-Z nothing counts
        {"A\r\r\n\x1a\r\n", {"A"}},
        {"\xEF\xBB\xBFTOP contains:\r\n", {"TOP contains:"}},  // the byte-order mark is skipped
        {"\xEF\xBB\xBF", {}},
        {"\xEF\xBB\xBF\xEF\xBB\xBF\n", {"\xEF\xBB\xBF"}},  // once, at the very start only
        {"A\r\n\xEF\xBB\xBF", {"A", "\xEF\xBB\xBF"}},
        {"\xEF\xBB", {"\xEF\xBB"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitBomLines(c.bytes), c.lines) << "input: " << ::testing::PrintToString(c.bytes);
}

// The lines of the input read in pieces of the given sizes (the last size repeats); the views are
// copied at endOfPiece, the last moment they must still be valid. `bom` reads it as a BOM file.
std::vector<std::string> linesReadInPieces(std::string_view input, const std::vector<size_t>& sizes, size_t& reads,
                                           bool bom = false, uint64_t expectedBytes = ~uint64_t{0}) {
    std::vector<std::string> lines;
    std::vector<std::string_view> piece;
    size_t at = 0;
    reads = 0;
    auto read = [&](char* into, size_t room) {
        const size_t n = std::min({room, sizes[std::min(reads, sizes.size() - 1)], input.size() - at});
        ++reads;
        std::copy_n(input.data() + at, n, into);
        at += n;
        return n;
    };
    auto onLine = [&](std::string_view line) { piece.push_back(line); };
    auto endOfPiece = [&] {
        lines.insert(lines.end(), piece.begin(), piece.end());
        piece.clear();
    };
    if (bom) {
        forEachBomLineRead(
            read,
            [&] {
                at = 0;
                reads = 0;
                return true;
            },
            onLine, endOfPiece, expectedBytes);
    } else {
        forEachLineRead(read, onLine, endOfPiece);
    }
    return lines;
}

TEST(LineRules, ReadingInPiecesGivesTheSameLines) {
    // Line ends, Ctrl-Z and LF after CR falling on every side of a piece's end, and lines longer
    // than the reader's buffer.
    std::vector<std::string> inputs = {"",
                                       "A",
                                       "A\r",
                                       "A\r\n",
                                       "\r\n\n",
                                       "A\r\r\nB",
                                       "A\nB\r\nC",
                                       "A\r\n\x1a"
                                       "B\r\n",
                                       "AB\x1a",
                                       std::string(300000, 'L') + "\r\nB\r",
                                       "A\r\n" + std::string(1 << 20, ' ') + "\r"};
    std::mt19937_64 rng(3);
    for (int i = 0; i < 300; ++i) {
        std::string text;
        const size_t length = static_cast<size_t>(rng() % 2000);
        for (size_t k = 0; k < length; ++k) text += rng() % 1000 == 0 ? '\x1a' : "ab\r\n\r\n  "[rng() % 8];
        inputs.push_back(text);
    }
    const std::vector<std::vector<size_t>> pieceSizes = {{1}, {2}, {3, 1, 7}, {64}, {1 << 20}, {5000, 1, 1, 100000}};
    for (const std::string& input : inputs) {
        std::vector<std::string> expected;
        forEachLine(input, [&](std::string_view line) { expected.emplace_back(line); });
        for (const auto& sizes : pieceSizes) {
            size_t reads = 0;
            EXPECT_EQ(linesReadInPieces(input, sizes, reads), expected)
                << "input of " << input.size() << " bytes, first piece " << sizes[0];
            // Nothing is read after a Ctrl-Z.
            const size_t mark = input.find('\x1a');
            if (mark != std::string::npos && sizes.size() == 1) {
                EXPECT_LE(reads, mark / sizes[0] + 1);
            }
        }
    }
}

// BOM files read whole, read in pieces and read byte by byte as the rule is stated give the same
// lines, with the line ends, Ctrl-Z and byte-order mark falling on every side of a piece's end.
TEST(LineRules, BomFilesReadInPiecesGiveTheLinesOfTheStatedRule) {
    std::vector<std::string> inputs = {"A\r\r", "A\r\r\n",
                                       "\xEF\xBB\xBF"
                                       "A\n",
                                       std::string(300000, 'L') + "\r\r\nB\r\r\n", std::string(200000, 'L') + "\nB\r"};
    std::mt19937_64 rng(5);
    for (int i = 0; i < 400; ++i) {
        std::string text = i % 3 == 0 ? "\xEF\xBB\xBF" : "";
        const size_t length = static_cast<size_t>(rng() % 300);
        // Mostly one style of line end, sometimes with a stray byte of another.
        const std::string end[] = {"\n", "\r\n", "\r\r\n", "\r"};
        const std::string& style = end[rng() % 4];
        for (size_t k = 0; k < length; ++k) {
            const uint64_t r = rng() % 100;
            if (r < 60)
                text += "ab "[r % 3];
            else if (r < 95)
                text += style;
            else if (r < 99)
                text += "\r\n\xEF"[r % 3];
            else
                text += '\x1a';
        }
        inputs.push_back(text);
    }
    const std::vector<std::vector<size_t>> pieceSizes = {{1}, {2}, {3, 1, 7}, {64}, {1 << 20}};
    for (const std::string& input : inputs) {
        const std::vector<std::string> expected = literal::readLines(input);
        std::vector<std::string> whole;
        forEachBomLine(input, [&](std::string_view line) { whole.emplace_back(line); });
        EXPECT_EQ(whole, expected) << ::testing::PrintToString(input);
        for (const auto& sizes : pieceSizes) {
            size_t reads = 0;
            EXPECT_EQ(linesReadInPieces(input, sizes, reads, true), expected)
                << ::testing::PrintToString(input) << " in pieces of " << sizes[0];
        }
        // A size told in advance, right or wrong, only chooses the reader's buffer: a small one
        // grows for a long line.
        for (const uint64_t told : {uint64_t{0}, uint64_t{1}, uint64_t{input.size()}, uint64_t{5000}}) {
            size_t reads = 0;
            EXPECT_EQ(linesReadInPieces(input, {1 << 20}, reads, true, told), expected)
                << ::testing::PrintToString(input) << " told " << told << " bytes";
        }
    }
}

// A view of nothing may point nowhere: it has no lines, and reading it touches no memory.
TEST(LineRules, AViewOfNothingHasNoLines) {
    for (const std::string_view nothing : {std::string_view(), std::string_view("x", 0)}) {
        EXPECT_TRUE(splitLines(nothing).empty());
        EXPECT_TRUE(splitBomLines(nothing).empty());
        EXPECT_TRUE(cutAtEndOfFileMark(nothing).empty());
    }
}

TEST(LeadingNumber, ReadsRoundsAndStops) {
    const struct {
        std::string_view text;
        int64_t value;
    } cases[] = {
        {"2", 2},
        {"2.5", 2},
        {"3.5", 4},
        {"-2.5", -2},
        {"-3.5", -4},
        {"0.5", 0},
        {"1.5", 2},
        {"2.51", 3},
        {"2.500001", 3},
        {"2.4999", 2},
        {"X", 0},
        {"", 0},
        {"-", 0},
        {".7", 1},
        {"5.", 5},
        {"+3", 3},
        {"007", 7},
        {"  7", 7},
        {"\t\n 8", 8},
        {"12abc", 12},
        {"1e3", 1},
        {"1,5", 1},
        {"- 3", 0},
        {"\r5", 0},
        {"9223372036854775807", std::numeric_limits<int64_t>::max()},
        {"-9223372036854775808", std::numeric_limits<int64_t>::min()},
    };
    for (const auto& c : cases) {
        const LeadingNumber n = readLeadingNumber(c.text);
        EXPECT_FALSE(n.outOfRange) << c.text;
        EXPECT_EQ(n.value, c.value) << c.text;
    }
}

TEST(LeadingNumber, ReportsWhatDoesNotFitIn64Bits) {
    for (const std::string_view text :
         {"9223372036854775808", "-9223372036854775809", "99999999999999999999999", "9223372036854775807.5"})
        EXPECT_TRUE(readLeadingNumber(text).outOfRange) << text;
}

TEST(LeadingNumber, ClampsToThe32BitRange) {
    EXPECT_EQ(readLeadingInt32("2147483647"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(readLeadingInt32("3000000000"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(readLeadingInt32("-3000000000"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(readLeadingInt32("-99999999999999999999999"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(readLeadingInt32(" 640"), 640);
}

TEST(SignedDecimal, HasALeadingBlankUnlessNegative) {
    EXPECT_EQ(formatSignedDecimal(57), " 57");
    EXPECT_EQ(formatSignedDecimal(0), " 0");
    EXPECT_EQ(formatSignedDecimal(-4), "-4");
}

}  // namespace
}  // namespace trelk
