// The comparison on small pairs of exports whose every fact is worked out by hand, and on the
// random pairs written in either encoding.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/compare_texts.h"
#include "support/literal_comparison.h"
#include "support/random_bom.h"

namespace trelk {
namespace {

// "|" ends a line; the lines end in CR LF.
std::string bom(std::string_view lines) {
    std::string text;
    for (const char c : lines) text += c == '|' ? std::string("\r\n") : std::string(1, c);
    return text + "\r\n";
}

std::vector<std::string> split(std::string_view text) {
    std::vector<std::string> parts;
    for (size_t from = 0; from <= text.size() && !text.empty();) {
        const size_t to = std::min(text.find('\n', from), text.size());
        parts.emplace_back(text.substr(from, to - from));
        from = to + 1;
    }
    return parts;
}

// Five assemblies, each with a member listed twice and each with a second block, not in name order.
constexpr const char* kRepeats =
    "Assembly TOP contains:|1 Sub-Assembly D|1 Sub-Assembly D||Sub-Assembly D contains:|1 Part X|1 Part X||"
    "Sub-Assembly C contains:|2 Part X|1 Part X||Sub-Assembly B contains:|1 Part X|1 Part X||"
    "Sub-Assembly A contains:|1 Part X|1 Part X||Assembly TOP contains:||Sub-Assembly D contains:||"
    "Sub-Assembly C contains:||Sub-Assembly B contains:||Sub-Assembly A contains:";

TEST(Comparison, GivesEveryChangeWithItsCause) {
    const struct {
        const char* what;
        const char *oldText, *newText;
        int64_t build;
        const char* facts;  // after "main same" or "main differs", one per line
        const char* notes;
        bool literal;  // the literal comparison (build 1, bytes as read) says the same
    } cases[] = {
        {"a sub-assembly's quantity: its parts change indirectly",
         "Assembly TOP contains:|2 Sub-Assembly A|1 Part X||Sub-Assembly A contains:|3 Part B",
         "Assembly TOP contains:|3 Sub-Assembly A|1 Part X||Sub-Assembly A contains:|3 Part B", 1,
         "main same\nblock TOP changed\n  member A quantity sub-assembly sub-assembly 2 3\n"
         "total sub-assembly A 2 3 1 direct in:TOP via:\ntotal part B 6 9 3 indirect in: via:A\n"
         "where-used sub-assembly A TOP quantity 2 3",
         "", true},
        {"the same for a build of three",
         "Assembly TOP contains:|2 Sub-Assembly A|1 Part X||Sub-Assembly A contains:|3 Part B",
         "Assembly TOP contains:|3 Sub-Assembly A|1 Part X||Sub-Assembly A contains:|3 Part B", 3,
         "main same\nblock TOP changed\n  member A quantity sub-assembly sub-assembly 2 3\n"
         "total sub-assembly A 6 9 3 direct in:TOP via:\ntotal part B 18 27 9 indirect in: via:A\n"
         "where-used sub-assembly A TOP quantity 2 3",
         "", false},
        {"a block missing from the old file", "Assembly TOP contains:|1 Sub-Assembly A|1 Part X",
         "Assembly TOP contains:|1 Sub-Assembly A|1 Part X||Sub-Assembly A contains:|2 Part B", 1,
         "main same\nblock A added\n  member B added - part - 2\ntotal part B - 2 2 direct in:A via:\n"
         "where-used part B A added - 2",
         "", true},
        {"a cycle in the new file", "Assembly TOP contains:|1 Sub-Assembly A||Sub-Assembly A contains:|1 Part B",
         "Assembly TOP contains:|1 Sub-Assembly A||Sub-Assembly A contains:|1 Part B|1 Sub-Assembly A", 1,
         "main same\nblock A changed\n  member A added - sub-assembly - 1\n"
         "total sub-assembly A 1 2 1 direct in:A via:\nwhere-used sub-assembly A A added - 1",
         "", true},
        {"changes from two sides of a cycle reach all of it",
         "Assembly TOP contains:|1 Sub-Assembly C|1 Sub-Assembly D||Sub-Assembly C contains:|1 Sub-Assembly A||"
         "Sub-Assembly D contains:|1 Sub-Assembly B||Sub-Assembly A contains:|1 Sub-Assembly B|1 Part X||"
         "Sub-Assembly B contains:|1 Sub-Assembly A|1 Part Y",
         "Assembly TOP contains:|2 Sub-Assembly C|2 Sub-Assembly D||Sub-Assembly C contains:|1 Sub-Assembly A||"
         "Sub-Assembly D contains:|1 Sub-Assembly B||Sub-Assembly A contains:|1 Sub-Assembly B|1 Part X||"
         "Sub-Assembly B contains:|1 Sub-Assembly A|1 Part Y",
         1,
         "main same\nblock TOP changed\n  member C quantity sub-assembly sub-assembly 1 2\n"
         "  member D quantity sub-assembly sub-assembly 1 2\ntotal sub-assembly A 3 6 3 indirect in: via:C,D\n"
         "total sub-assembly B 3 6 3 indirect in: via:C,D\ntotal sub-assembly C 1 2 1 direct in:TOP via:\n"
         "total sub-assembly D 1 2 1 direct in:TOP via:\ntotal part X 2 4 2 indirect in: via:C,D\n"
         "total part Y 2 4 2 indirect in: via:C,D\nwhere-used sub-assembly C TOP quantity 1 2\n"
         "where-used sub-assembly D TOP quantity 1 2",
         "", true},
        {"another main assembly above the old one",
         "Assembly TOP contains:|2 Sub-Assembly A||Sub-Assembly A contains:|1 Part B",
         "Assembly NEW contains:|3 Sub-Assembly TOP||Sub-Assembly TOP contains:|2 Sub-Assembly A||"
         "Sub-Assembly A contains:|1 Part B",
         1,
         "main differs\nblock NEW added\n  member TOP added - sub-assembly - 3\n"
         "total sub-assembly A 2 6 4 indirect in: via:TOP\ntotal sub-assembly TOP - 3 3 direct in:NEW via:\n"
         "total part B 2 6 4 indirect in: via:TOP\nwhere-used sub-assembly TOP NEW added - 3",
         "", true},
        {"a sub-assembly moved under another parent",
         "Assembly TOP contains:|1 Sub-Assembly P1|2 Sub-Assembly P2||Sub-Assembly P1 contains:|1 Sub-Assembly S|"
         "1 Part Z||Sub-Assembly P2 contains:|1 Part Z||Sub-Assembly S contains:|1 Part Q",
         "Assembly TOP contains:|1 Sub-Assembly P1|2 Sub-Assembly P2||Sub-Assembly P1 contains:|1 Part Z||"
         "Sub-Assembly P2 contains:|1 Part Z|1 Sub-Assembly S||Sub-Assembly S contains:|1 Part Q",
         1,
         "main same\nblock P1 changed\n  member S removed sub-assembly - 1 -\nblock P2 changed\n"
         "  member S added - sub-assembly - 1\ntotal sub-assembly S 1 2 1 direct in:P1,P2 via:\n"
         "total part Q 1 2 1 indirect in: via:S\nwhere-used sub-assembly S P1 removed 1 -\n"
         "where-used sub-assembly S P2 added - 1",
         "", true},
        {"a change of type, and a name listed as both types",
         "Assembly TOP contains:|1 Part X|1 Sub-Assembly Y|1 Part Y",
         "Assembly TOP contains:|1 Sub-Assembly X|2 Sub-Assembly Y", 1,
         "main same\nblock TOP changed\n  member X type part sub-assembly 1 1\n"
         "  member Y quantity sub-assembly sub-assembly 1 2\n  member Y removed part - 1 -\n"
         "total sub-assembly X - 1 1 direct in:TOP via:\ntotal sub-assembly Y 1 2 1 direct in:TOP via:\n"
         "total part X 1 - -1 direct in:TOP via:\ntotal part Y 1 - -1 direct in:TOP via:\n"
         "where-used sub-assembly X TOP added - 1\nwhere-used sub-assembly Y TOP quantity 1 2\n"
         "where-used part X TOP removed 1 -\nwhere-used part Y TOP removed 1 -",
         "", true},
        {"repeated members summed: the files agree",
         "Assembly TOP contains:|1 Part X|1 Part X|2 Sub-Assembly A||Sub-Assembly A contains:|1 Part Y",
         "Assembly TOP contains:|2 Part X|2 Sub-Assembly A||Sub-Assembly A contains:|1 Part Y", 1, "main same",
         "Members listed more than once in one block of the old BOM file are summed: TOP", true},
        {"a block listed twice: the first is compared, as the totals use it",
         "Assembly TOP contains:|1 Sub-Assembly A||Sub-Assembly A contains:|1 Part B||Sub-Assembly A contains:|5 Part "
         "C",
         "Assembly TOP contains:|1 Sub-Assembly A||Sub-Assembly A contains:|1 Part B", 1, "main same",
         "Assemblies with more than one block in the old BOM file are compared by their first, as the totals are: A",
         true},
        {"notes name the first three assemblies by name", kRepeats, kRepeats, 1, "main same",
         "Members listed more than once in one block of the old BOM file are summed: A, B, C and 2 more\n"
         "Assemblies with more than one block in the old BOM file are compared by their first, as the totals are: "
         "A, B, C and 2 more\n"
         "Members listed more than once in one block of the new BOM file are summed: A, B, C and 2 more\n"
         "Assemblies with more than one block in the new BOM file are compared by their first, as the totals are: "
         "A, B, C and 2 more",
         true},
        {"Windows-1252 names matched with UTF-8 ones", "Assembly TOP contains:|2 Part \xC4XLE|1 Part \xE9TRIER",
         "Assembly TOP contains:|3 Part \xC3\x84XLE|1 Part \xC3\xA9TRIER", 1,
         "main same\nblock TOP changed\n  member \xC3\x84XLE quantity part part 2 3\n"
         "total part \xC3\x84XLE 2 3 1 direct in:TOP via:\nwhere-used part \xC3\x84XLE TOP quantity 2 3",
         "Names of the old BOM file read as Windows-1252 and compared as UTF-8", false},
    };
    for (const auto& c : cases) {
        const std::string oldText = bom(c.oldText), newText = bom(c.newText);
        const testing::ComparedTexts compared = testing::compareTexts(oldText, newText, KeywordSet(), {}, c.build);
        ASSERT_TRUE(compared.compared) << c.what;
        EXPECT_EQ(testing::comparisonFacts(compared.comparison), split(c.facts)) << c.what;
        EXPECT_EQ(compared.notes, split(c.notes)) << c.what;
        EXPECT_EQ(compared.comparison.agree(), std::string(c.facts) == "main same") << c.what;
        if (c.literal) {
            EXPECT_EQ(literal::compareFiles(oldText, newText, KeywordSet()), split(c.facts)) << c.what;
        }
    }
}

// A later export may come from a release of the CAD system that writes UTF-8 where the earlier one
// wrote Windows-1252, or the other way round: the comparison says the same whichever file is in
// which encoding, its names converted to UTF-8 by the comparison's encoding.
TEST(Comparison, SaysTheSameInEitherEncoding) {
    auto inUtf8 = [](const Comparison& c) {
        std::vector<std::string> facts;
        for (const std::string& fact : testing::comparisonFacts(c)) facts.push_back(toUtf8(fact, c.encoding));
        std::sort(facts.begin(), facts.end());
        return facts;
    };
    int mixed = 0;
    for (uint64_t seed = 1; seed <= 400; ++seed) {
        const testing::RandomBom bom = testing::randomBom(seed);
        const KeywordSet& k = bom.keywords;
        const std::string words = k.contains + k.SubAssembly + k.Part + k.SummaryOfParts;
        // Keywords beyond ASCII would be converted with the names.
        if (std::any_of(words.begin(), words.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            continue;
        auto plain = [](std::string text) { return text.rfind(kUtf8ByteOrderMark, 0) == 0 ? text.substr(3) : text; };
        const std::string oldText = plain(bom.text), newText = plain(testing::randomEdit(bom, seed));
        const testing::ComparedTexts both1252 = testing::compareTexts(oldText, newText, bom.keywords, bom.columns);
        if (!both1252.compared) continue;
        const std::vector<std::string> expected = inUtf8(both1252.comparison);
        const std::string oldUtf8 = windows1252ToUtf8(oldText), newUtf8 = windows1252ToUtf8(newText);
        mixed += oldUtf8 != oldText;
        for (const auto& [o, n] :
             {std::pair{oldUtf8, newText}, std::pair{oldText, newUtf8}, std::pair{oldUtf8, newUtf8}})
            EXPECT_EQ(inUtf8(testing::compareTexts(o, n, bom.keywords, bom.columns).comparison), expected)
                << "seed " << seed << "\n"
                << testing::visible(o) << "\n"
                << testing::visible(n);
    }
    EXPECT_GT(mixed, 50);  // names beyond ASCII were compared across encodings
}

}  // namespace
}  // namespace trelk
