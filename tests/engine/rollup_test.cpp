#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/rollup/rollup.h"
#include "support/literal_rollup.h"

namespace trelk {
namespace {

using testing::engineAnalysis;
using testing::literalAnalysis;
using Rows = std::vector<std::pair<std::string, int64_t>>;

std::string bom(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (const std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

Rows rows(const literal::Totals& totals) {
    Rows out;
    for (size_t i = 0; i < totals.names.size(); ++i) out.emplace_back(totals.names[i], totals.totals[i].value());
    return out;
}

// Both readings of the roll-up, which must agree on every input.
literal::Analysis analyse(const std::string& text, const RollupLimits& limits = RollupLimits()) {
    literal::Analysis fast = engineAnalysis(text, KeywordSet(), limits);
    const literal::Analysis slow = literalAnalysis(text, KeywordSet(), limits);
    EXPECT_EQ(testing::difference(slow, fast), "");
    return fast;
}

const std::string kTopAsm =
    bom({"Assembly TOP_ASM contains:", "Quantity Type Name", "1 Sub-Assembly FRAME", "4 Part BOLT_M6", "",
         "Sub-Assembly FRAME contains:", "2 Part RAIL", "4 Part BOLT_M6"});

TEST(Rollup, MultipliesThroughTheTreeAndListsWhereUsed) {
    const literal::Analysis a = analyse(kTopAsm);
    EXPECT_EQ(a.mainAssemblyName, "TOP_ASM");
    EXPECT_EQ(rows(a.assemblyTotals), (Rows{{"FRAME", 1}}));
    EXPECT_EQ(rows(a.partTotals), (Rows{{"BOLT_M6", 8}, {"RAIL", 2}}));
    EXPECT_EQ(a.assemblyWhereUsed.names, (std::vector<std::string>{"FRAME"}));
    EXPECT_EQ(a.assemblyWhereUsed.entries, (std::vector<std::string>{"    1x in TOP_ASM;"}));
    EXPECT_EQ(a.partWhereUsed.names, (std::vector<std::string>{"BOLT_M6", "RAIL"}));
    EXPECT_EQ(a.partWhereUsed.entries,
              (std::vector<std::string>{"    4x in TOP_ASM;    4x in FRAME;", "    2x in FRAME;"}));
    EXPECT_TRUE(a.log.empty());
}

TEST(Rollup, WorkedExamples) {
    const struct {
        const char* name;
        std::string bom;
        Rows assemblies, parts;
    } cases[] = {
        {"levels multiply",
         bom({"A M contains:", "3 Sub-Assembly SUB", "", "A SUB contains:", "2 Part P"}),
         {{"SUB", 3}},
         {{"P", 6}}},
        {"shared sub-assembly",
         bom({"A M contains:", "2 Sub-Assembly ARM", "1 Sub-Assembly BASE", "",
              "A ARM contains:", "1 Sub-Assembly JOINT", "", "A BASE contains:", "3 Sub-Assembly JOINT", "",
              "A JOINT contains:", "5 Part PIN"}),
         {{"ARM", 2}, {"BASE", 1}, {"JOINT", 5}},
         {{"PIN", 25}}},
        {"quantity 0 still counts the rows",
         bom({"A M contains:", "0 Sub-Assembly SUB", "", "A SUB contains:", "2 Part P"}),
         {{"SUB", 0}},
         {{"P", 0}}},
        {"the first of two blocks is expanded",
         bom({"A M contains:", "1 Sub-Assembly S", "", "A S contains:", "2 Part P", "", "A S contains:", "7 Part Q"}),
         {{"S", 1}},
         {{"P", 2}}},
        {"a header inside a block is an ordinary line",
         bom({"A M contains:", "1 Sub-Assembly S", "A S contains:", "2 Part P"}),
         {{"S", 1}},
         {{"P", 4}}},
        {"names differ by case and byte order",
         bom({"A M contains:", "1 Part bolt", "1 Part Bolt", "1 Part BOLT", "1 Part RAIL2", "1 Part RAIL"}),
         {},
         {{"BOLT", 1}, {"Bolt", 1}, {"RAIL", 1}, {"RAIL2", 1}, {"bolt", 1}}},
        {"a type word cut over three lines, its rests indented",
         bom({"A M contains:", "2 Sub-Assem  SUB", "   bl", "   y", "1 Part P", "", "A SUB contains:", "3 Part P"}),
         {{"SUB", 2}},
         {{"P", 7}}},
        {"a block running to the end of the file",
         bom({"   ", "A M contains:", "2 Part P", "3  Part   P"}),
         {},
         {{"P", 5}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const literal::Analysis a = analyse(c.bom);
        EXPECT_EQ(rows(a.assemblyTotals), c.assemblies);
        EXPECT_EQ(rows(a.partTotals), c.parts);
    }
}

TEST(Rollup, DuplicateBlocksAllCountForWhereUsed) {
    const literal::Analysis a = analyse(
        bom({"A M contains:", "1 Sub-Assembly S", "", "A S contains:", "2 Part P", "", "A S contains:", "7 Part P"}));
    EXPECT_EQ(a.partWhereUsed.entries, (std::vector<std::string>{"    2x in S;    7x in S;"}));
}

TEST(Rollup, LogsEveryOccurrenceOfAMissingBlockInWalkOrder) {
    const literal::Analysis a = analyse(bom({"A M contains:", "2 Sub-Assembly S", "1 Sub-Assembly GONE1",
                                             "3 Sub-Assembly S", "", "A S contains:", "1 Sub-Assembly GONE2"}));
    const std::string notFound(messages::kAssemblyNotFound);
    EXPECT_EQ(a.log, (std::vector<std::string>{notFound + "GONE2", notFound + "GONE1", notFound + "GONE2"}));
    EXPECT_EQ(rows(a.assemblyTotals), (Rows{{"GONE1", 1}, {"GONE2", 5}, {"S", 5}}));
}

TEST(Rollup, WithoutAHeaderTheEmptyNameIsNotFound) {
    const literal::Analysis a = analyse(bom({"just", "text"}));
    EXPECT_EQ(a.mainAssemblyName, "");
    EXPECT_EQ(a.log, (std::vector<std::string>{std::string(messages::kAssemblyNotFound)}));
    EXPECT_TRUE(a.assemblyTotals.names.empty());
}

TEST(Rollup, StopsAtAnAssemblyThatContainsItself) {
    const std::string itself(messages::kContainsItself);
    {
        const literal::Analysis a = analyse(bom({"A M contains:", "2 Sub-Assembly M", "1 Part P"}));
        EXPECT_EQ(a.log, (std::vector<std::string>{itself + "M"}));
        EXPECT_EQ(rows(a.assemblyTotals), (Rows{{"M", 2}}));
        EXPECT_EQ(rows(a.partTotals), (Rows{{"P", 1}}));
    }
    {
        // A and B hold each other; the walk from M goes round once on each path.
        const literal::Analysis a =
            analyse(bom({"A M contains:", "1 Sub-Assembly A", "1 Sub-Assembly B", "",
                         "A A contains:", "2 Sub-Assembly B", "", "A B contains:", "3 Sub-Assembly A", "1 Part P"}));
        EXPECT_EQ(a.log, (std::vector<std::string>{itself + "A", itself + "B"}));
        EXPECT_EQ(rows(a.assemblyTotals), (Rows{{"A", 1 + 6 + 3}, {"B", 2 + 1 + 6}}));
        EXPECT_EQ(rows(a.partTotals), (Rows{{"P", 2 + 1}}));
    }
}

TEST(Rollup, ShortensAFloodOfMessages) {
    RollupLimits limits;
    limits.maxMessages = 3;
    const literal::Analysis a = analyse(bom({"A M contains:", "1 Sub-Assembly X1", "1 Sub-Assembly X2",
                                             "1 Sub-Assembly X3", "1 Sub-Assembly X4", "1 Sub-Assembly X5"}),
                                        limits);
    ASSERT_EQ(a.log.size(), 4u);
    EXPECT_EQ(a.log.back(), messages::kTooManyMessages);
    EXPECT_EQ(rows(a.assemblyTotals).size(), 5u);  // the totals are complete all the same
}

TEST(Rollup, ReportsQuantitiesAndTotalsBeyondTheirRange) {
    const literal::Analysis a =
        analyse(bom({"A M contains:", "99999999999 Part HUGE", "2147483647 Sub-Assembly S", "",
                     "A S contains:", "2147483647 Sub-Assembly T", "", "A T contains:", "2147483647 Sub-Assembly U",
                     "0 Part NONE", "3 Part MANY"}));
    const std::string outOfRange(messages::kTotalOutOfRange);
    EXPECT_EQ(a.log, (std::vector<std::string>{messages::quantityOutOfRange(2, "HUGE"),
                                               std::string(messages::kAssemblyNotFound) + "U", outOfRange + "U",
                                               outOfRange + "MANY"}));
    const int64_t max = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(rows(a.assemblyTotals), (Rows{{"S", 2147483647}, {"T", int64_t{2147483647} * 2147483647}, {"U", max}}));
    EXPECT_EQ(rows(a.partTotals), (Rows{{"HUGE", 0}, {"MANY", max}, {"NONE", 0}}));
}

// A chain of `levels` assemblies, each holding two of the next (on two lines, so that the next
// is shared, or as one line of quantity 2) and one part.
std::string binaryChain(int levels, bool sharedLines, bool lastBlockMissing = false) {
    std::string text;
    for (int i = 0; i < levels; ++i) {
        const std::string next = "Sub-Assembly L" + std::to_string(i + 1) + "\r\n";
        text += "Sub-Assembly L" + std::to_string(i) + " contains:\r\n";
        text += sharedLines ? "1 " + next + "1 " + next : "2 " + next;
        text += "1 Part P" + std::to_string(i) + "\r\n\r\n";
    }
    if (!lastBlockMissing) text += "Sub-Assembly L" + std::to_string(levels) + " contains:\r\n1 Part LEAF\r\n";
    return text;
}

// The item lines a roll-up of the BOM walks, and the item lines the BOM has.
struct Work {
    uint64_t walked;
    size_t items;
};
Work rollupWork(const std::string& text, const RollupLimits& limits = RollupLimits()) {
    const BomStructure bom(text, KeywordSet());
    const LogSink ignore = [](std::string_view) {};
    return {expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1), ignore, limits).linesWalked, bom.items().size()};
}

TEST(Rollup, DeepSharedTreesTakeLinearTime) {
    for (const bool sharedLines : {true, false}) {
        // 2^40 paths; a walk per path would never end.
        const Work work = rollupWork(binaryChain(40, sharedLines));
        EXPECT_GT(work.walked, 0u);
        EXPECT_LE(work.walked, 4 * work.items);
        const literal::Analysis a = engineAnalysis(binaryChain(40, sharedLines), KeywordSet());
        const Rows parts = rows(a.partTotals);
        ASSERT_EQ(parts.size(), 41u);
        for (const auto& [name, total] : parts) {
            if (name == "LEAF") {
                EXPECT_EQ(total, int64_t{1} << 40);
            } else if (name == "P39") {
                EXPECT_EQ(total, int64_t{1} << 39);
            } else if (name == "P0") {
                EXPECT_EQ(total, 1);
            }
        }
        EXPECT_TRUE(a.log.empty());
        // The same shape, small enough for the literal reading.
        analyse(binaryChain(12, sharedLines));
        analyse(binaryChain(12, sharedLines, true));
    }
}

TEST(Rollup, AMissingBlockAtTheBottomOfADeepTreeStopsAtTheMessageLimit) {
    RollupLimits limits;
    limits.maxMessages = 1000;
    // Each message costs at most a walk down the 60 levels and back, whatever the 2^60 paths.
    const Work work = rollupWork(binaryChain(60, true, true), limits);
    EXPECT_LE(work.walked, 4 * work.items + (limits.maxMessages + 1) * 2 * 61);
    const literal::Analysis a = engineAnalysis(binaryChain(60, true, true), KeywordSet(), limits);
    ASSERT_EQ(a.log.size(), 1001u);
    EXPECT_EQ(a.log.front(), std::string(messages::kAssemblyNotFound) + "L60");
    EXPECT_EQ(a.log.back(), messages::kTooManyMessages);
}

TEST(Rollup, ADenseCycleStopsWithinItsBudget) {
    // Twelve assemblies that all hold one another: every simple path is a walk of its own.
    std::string text;
    for (int i = 0; i < 12; ++i) {
        text += "Sub-Assembly C" + std::to_string(i) + " contains:\r\n";
        for (int j = 0; j < 12; ++j) text += "1 Sub-Assembly C" + std::to_string(j) + "\r\n";
        text += "\r\n";
    }
    RollupLimits limits;
    limits.maxCycleSteps = 100000;
    limits.maxMessages = 10;
    const Work work = rollupWork(text, limits);
    EXPECT_GT(work.walked, limits.maxCycleSteps);
    EXPECT_LE(work.walked, limits.maxCycleSteps + 4 * work.items);
    const literal::Analysis a = engineAnalysis(text, KeywordSet(), limits);
    // The stop is said even after the other messages have been cut short.
    ASSERT_EQ(a.log.size(), 12u);
    EXPECT_EQ(a.log[10], messages::kTooManyMessages);
    EXPECT_EQ(a.log[11].rfind(messages::kTooComplex, 0), 0u);
}

}  // namespace
}  // namespace trelk
