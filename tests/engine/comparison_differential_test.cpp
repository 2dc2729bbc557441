// The engine's comparison against the literal one, on random BOMs and random edits of them.
#include <gtest/gtest.h>

#include "support/compare_texts.h"
#include "support/literal_comparison.h"
#include "support/random_bom.h"

namespace trelk {
namespace {

// The first fact where the two lists part, with its neighbours, or empty when they agree.
std::string firstDifference(const std::vector<std::string>& expected, const std::vector<std::string>& actual) {
    for (size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        const std::string e = i < expected.size() ? expected[i] : "<none>";
        const std::string a = i < actual.size() ? actual[i] : "<none>";
        if (e != a) return "fact " + std::to_string(i + 1) + ": expected '" + e + "'\n        got '" + a + "'";
    }
    return "";
}

void expectLiteralComparison(uint64_t seed, const testing::RandomBomShape& shape) {
    const testing::RandomBom bom = testing::randomBom(seed, shape);
    std::string oldText = bom.text, newText = testing::randomEdit(bom, seed);
    if (seed % 3 == 0) std::swap(oldText, newText);  // edits that add lines, seen the other way round
    const testing::ComparedTexts engine = testing::compareTexts(oldText, newText, bom.keywords, bom.columns);
    if (!engine.compared) return;
    const std::vector<std::string> expected = literal::compareFiles(oldText, newText, bom.keywords, bom.columns);
    const std::vector<std::string> actual = testing::comparisonFacts(engine.comparison);
    const std::string diff = firstDifference(expected, actual);
    EXPECT_EQ(diff, "") << "seed " << seed << "\nold:\n"
                        << testing::visible(oldText) << "\nnew:\n"
                        << testing::visible(newText);
    EXPECT_EQ(engine.comparison.agree(), expected == std::vector<std::string>{"main same"}) << "seed " << seed;
}

TEST(ComparisonDifferential, AgreesWithTheLiteralComparisonOnRandomEdits) {
    for (uint64_t seed = 1; seed <= 1500; ++seed) expectLiteralComparison(seed, testing::RandomBomShape());
}

TEST(ComparisonDifferential, AgreesOnLargerTreesWithoutCyclesAndOnHugeQuantities) {
    testing::RandomBomShape tree;
    tree.cycles = false;
    tree.maxAssemblies = 15;
    tree.maxItemsPerBlock = 9;
    for (uint64_t seed = 5001; seed <= 5500; ++seed) expectLiteralComparison(seed, tree);
    testing::RandomBomShape huge;
    huge.hugeQuantities = true;
    for (uint64_t seed = 7001; seed <= 7300; ++seed) expectLiteralComparison(seed, huge);
}

}  // namespace
}  // namespace trelk
