#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "support/literal_lines.h"

namespace trelk {
namespace {

TEST(Normalise, TrimsBlanksAndCollapsesRuns) {
    const struct {
        std::string_view line, normalised;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {"  Assembly TOP contains:   ", "Assembly TOP contains:"},
        {"   1      Sub-Assembly  FRAME", "1 Sub-Assembly FRAME"},
        {"a     b", "a b"},
        {"\t1  Part\tX ", "\t1 Part\tX"},  // only blanks count
    };
    for (const auto& c : cases) EXPECT_EQ(normaliseLine(c.line), c.normalised) << "'" << c.line << "'";
}

TEST(Field, CountsFromEitherEnd) {
    const struct {
        std::string_view line;
        int n;
        std::string_view piece;
    } cases[] = {
        {"2 Part HEX NUT M6", 1, "2"},
        {"2 Part HEX NUT M6", 2, "Part"},
        {"2 Part HEX NUT M6", -1, "M6"},
        {"2 Part HEX NUT M6", -2, "NUT"},
        {"2 Part HEX NUT M6", 5, "M6"},
        {"2 Part HEX NUT M6", 6, ""},
        {"2 Part HEX NUT M6", -6, ""},
        {"contains:", -2, ""},
        {"contains:", -1, "contains:"},
        {"", 1, ""},
        {"", -1, ""},
        {"a  b", 2, ""},
        {"a  b", 3, "b"},
    };
    for (const auto& c : cases) EXPECT_EQ(field(c.line, c.n), c.piece) << "'" << c.line << "' " << c.n;
}

TEST(Grammar, RecognisesHeadersAndItems) {
    const KeywordSet kw;
    EXPECT_TRUE(isBlockHeader(normaliseLine("Assembly TOP contains:   "), kw.contains));
    EXPECT_EQ(headerAssemblyName(normaliseLine("Assembly TOP contains:   ")), "TOP");
    EXPECT_FALSE(isBlockHeader("Assembly TOP Contains:", kw.contains));
    EXPECT_TRUE(isBlockHeader("contains:", kw.contains));
    EXPECT_EQ(headerAssemblyName("contains:"), "");
    EXPECT_FALSE(isBlockHeader("ains:", kw.contains));
    EXPECT_TRUE(isBlockHeader("", ""));  // an empty keyword ends every line

    EXPECT_EQ(itemKind("3 part BOLT", kw), ItemKind::None);
    EXPECT_EQ(itemKind(normaliseLine("3  Part   BOLT"), kw), ItemKind::Part);
    EXPECT_EQ(itemKind("1 Sub-Assembly FRAME", kw), ItemKind::SubAssembly);
    EXPECT_EQ(itemKind("3\tPart\tBOLT", kw), ItemKind::None);
    EXPECT_EQ(field("2 Part HEX NUT M6", -1), "M6");
}

TEST(Quantity, RoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
    const struct {
        std::string_view line;
        int32_t value;
        bool outOfRange;
    } cases[] = {
        {"2.5 Part A", 2, false},
        {"3.5 Part A", 4, false},
        {"X Part A", 0, false},
        {"007 Part A", 7, false},
        {"+2 Part A", 2, false},
        {"4x Part A", 4, false},
        {"999999999 Part A", 999999999, false},
        {"1.49 Part A", 1, false},
        {"-0 Part A", 0, false},
        {"2147483647 Part A", 2147483647, false},
        {"-2147483648 Part A", std::numeric_limits<int32_t>::min(), false},
        {"2147483648 Part A", 0, true},
        {"2147483647.5 Part A", 0, true},
        {"99999999999999999999 Part A", 0, true},
    };
    for (const auto& c : cases) {
        const Quantity q = readQuantity(c.line);
        EXPECT_EQ(q.value, c.value) << c.line;
        EXPECT_EQ(q.outOfRange, c.outOfRange) << c.line;
    }
}

TEST(CountField, IsFivePositionsWideOrItsOwnLength) {
    const struct {
        int64_t value;
        std::string_view text;
    } cases[] = {
        {7, "    7"},       {0, "    0"},
        {12345, "12345"},   {123456, "123456"},
        {-12, "  -12"},     {-1234, "-1234"},
        {-12345, "-12345"}, {std::numeric_limits<int64_t>::max(), "9223372036854775807"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatCount(c.value), c.text) << c.value;
}

TEST(Tally, MarksAndHoldsValuesBeyond64Bits) {
    const int64_t max = std::numeric_limits<int64_t>::max(), min = std::numeric_limits<int64_t>::min();
    const Tally big = tallyTimes(Tally::of(max), 2);  // positive half 2^64 - 2: still exact
    const Tally held = tallyTimes(big, 2);            // positive half held
    const struct {
        const char* what;
        Tally tally;
        int64_t value;
        bool outOfRange;
    } cases[] = {
        {"6 x 7", tallyTimes(Tally::of(6), 7), 42, false},
        {"min fits", tallyTimes(Tally::of(max / 2 + 1), -2), min, false},
        {"below min", tallyTimes(Tally::of(max / 2 + 1), -3), min, true},
        {"above max", tallyTimes(Tally::of(max / 2 + 1), 2), max, true},
        {"max + 1", tallyPlus(Tally::of(max), Tally::of(1)), max, true},
        {"max - 1", tallyPlus(Tally::of(max), Tally::of(-1)), max - 1, false},
        {"back into range", tallyPlus(big, Tally::of(-max)), max, false},
        {"zero of a held half", tallyTimes(held, 0), 0, false},
        {"held stays", tallyPlus(tallyTimes(held, 3), Tally::of(-5)), max, true},
        {"held turned negative", tallyTimes(held, -1), min, true},
        {"both halves held", tallyPlus(held, tallyTimes(held, -1)), max, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.tally.value(), c.value) << c.what;
        EXPECT_EQ(c.tally.outOfRange(), c.outOfRange) << c.what;
    }
}

// The roll-up adds the multipliers of an assembly before it multiplies them out; the path-by-path
// reading multiplies first. Both must come to the same tally, whatever the values.
TEST(Tally, SumsAndProductsDoNotDependOnTheirOrder) {
    const int32_t quantities[] = {0, 1, -1, 2, -3, 65536, -65536, 2147483647, std::numeric_limits<int32_t>::min()};
    std::mt19937_64 rng(7);
    auto anyQuantity = [&] { return quantities[rng() % std::size(quantities)]; };
    auto anyTally = [&] {
        Tally t = Tally::of(1);
        for (uint64_t steps = rng() % 6; steps > 0; --steps) t = tallyTimes(t, anyQuantity());
        return rng() % 2 ? tallyPlus(t, Tally::of(static_cast<int64_t>(rng()))) : t;
    };
    for (int i = 0; i < 100000; ++i) {
        const Tally a = anyTally(), b = anyTally(), c = anyTally();
        const int32_t q = anyQuantity(), r = anyQuantity();
        EXPECT_EQ(tallyTimes(tallyPlus(a, b), q), tallyPlus(tallyTimes(a, q), tallyTimes(b, q)));
        EXPECT_EQ(tallyPlus(tallyPlus(a, b), c), tallyPlus(a, tallyPlus(c, b)));
        EXPECT_EQ(tallyTimes(tallyTimes(a, q), r), tallyTimes(tallyTimes(a, r), q));
        if (HasFailure()) break;
    }
}

// Lines made of runs of blanks (long ones too: the columns of an export are padded) and words
// of every length, with tabs and high bytes, so that every way a field can lie across the
// eight-byte words the fields are searched in turns up.
std::string randomLine(std::mt19937_64& rng) {
    static const std::string_view alphabet = "abcXYZ019;-\t\xE9:";
    auto upTo = [&](int n) { return static_cast<int>(rng() % static_cast<uint64_t>(n + 1)); };
    std::string line;
    const int pieces = upTo(7);
    for (int i = 0; i < pieces; ++i) {
        line.append(static_cast<size_t>(upTo(i == 0 ? 3 : 1) ? upTo(20) : 0), ' ');
        static const char* const keywords[] = {"Part", "Sub-Assembly", "contains:"};
        if (upTo(4) == 0) {
            line += keywords[upTo(2)];
            continue;
        }
        const int length = upTo(3) ? 1 + upTo(12) : 1 + upTo(40);
        for (int k = 0; k < length; ++k)
            line += alphabet[static_cast<size_t>(upTo(static_cast<int>(alphabet.size()) - 1))];
    }
    line.append(static_cast<size_t>(upTo(2) ? 0 : upTo(20)), ' ');
    return line;
}

TEST(FieldOfRawLine, GivesTheFieldsOfTheNormalisedLineAroundWordEdges) {
    std::vector<std::string> lines = {
        "",
        " ",
        "        ",
        "                 ",
        "a",
        "        a",
        "a        ",
        "a b",
        "  a   b  ",
        "   4          Part              BOLT_M6X16_ISO4762",
        "Sub-Assembly GEAR_Z51_ASM contains:",
        "2 Part HEX NUT M6",
        "12345678 12345678 12345678",
        "1234567 123456789 1",
        std::string(100, 'x'),
        "x" + std::string(30, ' ') + "y" + std::string(30, ' ') + "z" + std::string(30, ' ')};
    std::mt19937_64 rng(7);
    for (int i = 0; i < 20000; ++i) lines.push_back(randomLine(rng));
    for (const std::string& line : lines) {
        const std::string normalised = normaliseLine(line);
        for (const int n : {1, 2, -2, -1})
            EXPECT_EQ(fieldOfRawLine(line, n), field(normalised, n)) << "'" << line << "' " << n;
    }
}

TEST(LineClassifier, AgreesWithNormalisingFirst) {
    std::vector<KeywordSet> keywordSets(5);
    keywordSets[1].contains = " contains:";  // a blank: the line is normalised to be compared
    keywordSets[2].contains = "b contains:";
    keywordSets[3].contains = "";        // every line a header
    keywordSets[4].Part = "";            // a line of fewer than two fields a part
    keywordSets[4].SubAssembly = "a b";  // never a field
    std::mt19937_64 rng(11);
    for (const KeywordSet& keywords : keywordSets) {
        LineClassifier classifier(keywords);
        for (int i = 0; i < 5000; ++i) {
            const std::string line = randomLine(rng);
            const std::string normalised = normaliseLine(line);
            const LineClass c = classifier.classify(line);
            SCOPED_TRACE("'" + line + "' with contains '" + keywords.contains + "'");
            EXPECT_EQ(c.empty, normalised.empty());
            EXPECT_EQ(c.header, isBlockHeader(normalised, keywords.contains));
            EXPECT_EQ(c.kind, normalised.empty() ? ItemKind::None : itemKind(normalised, keywords));
            EXPECT_EQ(c.quantity, field(normalised, 1));
            EXPECT_EQ(c.headerName, c.header ? headerAssemblyName(normalised, keywords.contains) : "");
            EXPECT_EQ(c.item, field(normalised, -1));
        }
    }
}

TEST(LineClassifier, TakesTheFieldsOfAColumnLayout) {
    const KeywordSet keywords;
    const ColumnLayout layouts[] = {ColumnLayout::fields(1, 2, 3), ColumnLayout::fields(-1, 2, 1),
                                    ColumnLayout::fields(3, -3, -2), ColumnLayout::fields(7, 1, -6)};
    std::mt19937_64 rng(13);
    for (const ColumnLayout& columns : layouts) {
        LineClassifier classifier(keywords, columns);
        for (int i = 0; i < 5000; ++i) {
            const std::string line = randomLine(rng);
            const std::string normalised = normaliseLine(line);
            const LineClass c = classifier.classify(line);
            SCOPED_TRACE("'" + line + "'");
            EXPECT_EQ(fieldOfRawLine(line, columns.Quantity), field(normalised, columns.Quantity));
            EXPECT_EQ(c.quantity, field(normalised, columns.Quantity));
            EXPECT_EQ(c.item, field(normalised, columns.Name));
            const std::string_view type = field(normalised, columns.Type);
            EXPECT_EQ(c.kind, normalised.empty()             ? ItemKind::None
                              : type == keywords.SubAssembly ? ItemKind::SubAssembly
                              : type == keywords.Part        ? ItemKind::Part
                                                             : ItemKind::None);
            // Headers keep their own rule, whatever the layout.
            EXPECT_EQ(c.header, isBlockHeader(normalised, keywords.contains));
            EXPECT_EQ(c.headerName, c.header ? headerAssemblyName(normalised, keywords.contains) : "");
        }
    }
    LineClassifier description(keywords, ColumnLayout::fields(1, 2, 3));
    const LineClass bolt = description.classify("    20         Part  BOLT_M8   HEX BOLT M8 X 30");
    EXPECT_EQ(bolt.kind, ItemKind::Part);
    EXPECT_EQ(bolt.item, "BOLT_M8");
    EXPECT_EQ(bolt.quantity, "20");
}

TEST(FieldNumber, ReadsOnlyNonZeroWholeNumbers) {
    const struct {
        const char* text;
        int value;
    } cases[] = {{"1", 1},
                 {"-1", -1},
                 {" 3 ", 3},
                 {"+2", 2},
                 {"0", 0},
                 {"", 0},
                 {"x", 0},
                 {"1.5", 0},
                 {"2a", 0},
                 {"-", 0},
                 {"1 2", 0},
                 {"99999999999", 0},
                 {"2147483647", 2147483647}};
    for (const auto& c : cases) EXPECT_EQ(readFieldNumber(c.text), c.value) << "'" << c.text << "'";
}

TEST(LineTable, NumbersFromOneWithAnEmptySlotAfterTheLast) {
    BomLineTable table(std::string("  A  B \r\nC\r\n"));
    ASSERT_EQ(table.count(), 2u);
    EXPECT_EQ(table.line(1), "  A  B ");
    EXPECT_EQ(table.line(3), "");
    table.normaliseAll();
    EXPECT_EQ(table.line(1), "A B");
    EXPECT_EQ(table.line(2), "C");
    EXPECT_EQ(findMainAssembly(table, "contains:"), "");
}

}  // namespace
}  // namespace trelk
