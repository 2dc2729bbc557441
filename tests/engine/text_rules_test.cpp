#include <gtest/gtest.h>

#include <limits>

#include "engine/text_rules.h"

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
        {"A\rB", {"A", "B"}},                       // CR alone ends a line
        {"A\r\nB", {"A", "B"}},                     // a last line without a line end
        {"A\nB\r\n", {"A\nB"}},                     // a lone LF stays in the text
        {"A\n\r\n", {"A\n"}},
        {"A\r\r\n", {"A", ""}},
        {"\r\n", {""}},
        {"\r\n\r\n", {"", ""}},
        {"\r\n\n", {"", "\n"}},                     // only the first LF belongs to the line end
        {"A\r\n\x1a" "B\r\n", {"A"}},               // Ctrl-Z ends the input
        {"A\x1a" "B\r\n", {"A"}},
        {"\x1a", {}},
        {"N\0L\r\n"sv, {"N\0L"sv}},                 // NUL bytes are text like any other
    };
    for (const auto& c : cases) EXPECT_EQ(splitLines(c.bytes), c.lines) << "input: " << c.bytes;
}

TEST(LeadingNumber, ReadsRoundsAndStops) {
    const struct {
        std::string_view text;
        int64_t value;
    } cases[] = {
        {"2", 2},      {"2.5", 2},   {"3.5", 4},   {"-2.5", -2}, {"-3.5", -4},  {"0.5", 0},   {"1.5", 2},
        {"2.51", 3},   {"2.500001", 3}, {"2.4999", 2}, {"X", 0},   {"", 0},       {"-", 0},     {".7", 1},
        {"5.", 5},     {"+3", 3},    {"007", 7},   {"  7", 7},   {"\t\n 8", 8}, {"12abc", 12}, {"1e3", 1},
        {"1,5", 1},    {"- 3", 0},   {"\r5", 0},   {"9223372036854775807", std::numeric_limits<int64_t>::max()},
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
