// The engine against the literal reading of the algorithm, on many random BOMs.
#include <gtest/gtest.h>

#include "support/literal_rollup.h"
#include "support/random_bom.h"

namespace trelk {
namespace {

using testing::difference;
using testing::engineAnalysis;
using testing::literalAnalysis;

bool agree(const std::string& text, const KeywordSet& keywords, const ColumnLayout& columns) {
    return difference(literalAnalysis(text, keywords, RollupLimits(), columns),
                      engineAnalysis(text, keywords, RollupLimits(), columns))
        .empty();
}

// Drops lines while the two readings still disagree, so a failure shows a small input.
std::string shrink(std::string text, const KeywordSet& keywords, const ColumnLayout& columns) {
    for (bool smaller = true; smaller;) {
        smaller = false;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\r', start);
            end = end == std::string::npos ? text.size() : end + 1;
            if (end < text.size() && text[end] == '\n') ++end;
            std::string candidate = text.substr(0, start) + text.substr(end);
            if (!agree(candidate, keywords, columns)) {
                text = candidate;
                smaller = true;
            } else {
                start = end;
            }
        }
    }
    return text;
}

void expectAgreement(uint64_t seed, const testing::RandomBomShape& shape) {
    const testing::RandomBom bom = testing::randomBom(seed, shape);
    const std::string diff = difference(literalAnalysis(bom.text, bom.keywords, RollupLimits(), bom.columns),
                                        engineAnalysis(bom.text, bom.keywords, RollupLimits(), bom.columns));
    if (diff.empty()) return;
    const std::string smallest = shrink(bom.text, bom.keywords, bom.columns);
    ADD_FAILURE() << "seed " << seed << ":\n"
                  << diff << "smallest input that disagrees:\n"
                  << testing::visible(smallest) << "\n"
                  << difference(literalAnalysis(smallest, bom.keywords, RollupLimits(), bom.columns),
                                engineAnalysis(smallest, bom.keywords, RollupLimits(), bom.columns));
}

TEST(RollupDifferential, AgreesWithTheLiteralReadingOnRandomBoms) {
    for (uint64_t seed = 1; seed <= 3000; ++seed) expectAgreement(seed, testing::RandomBomShape());
}

TEST(RollupDifferential, AgreesOnTreesWithoutCycles) {
    testing::RandomBomShape shape;
    shape.cycles = false;
    shape.maxItemsPerBlock = 10;
    for (uint64_t seed = 10001; seed <= 11000; ++seed) expectAgreement(seed, shape);
}

TEST(RollupDifferential, AgreesWhereTotalsLeaveTheRange) {
    testing::RandomBomShape shape;
    shape.hugeQuantities = true;
    for (uint64_t seed = 20001; seed <= 21000; ++seed) expectAgreement(seed, shape);
}

}  // namespace
}  // namespace trelk
