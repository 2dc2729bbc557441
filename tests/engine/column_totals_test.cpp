// Numeric columns totalled through the tree: which titles name an amount, and how far an export's
// own total line may be from the sum of the values it printed before it counts as a difference.
#include <gtest/gtest.h>

#include "engine/rollup/column_rollup.h"
#include "engine/runs/file_analysis.h"
#include "support/bom_product.h"
#include "support/format_render.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

TEST(ColumnTotals, KnowsAnAmountInTheInterfaceLanguages) {
    const struct {
        const char* title;
        bool amount;
    } cases[] = {
        {"Mass kg", true},
        {"WEIGHT", true},
        {"Cost EUR", true},
        {"Unit price", true},
        {"Gesamtmasse", true},
        {"Gewicht [kg]", true},
        {"Kosten", true},
        {"Poids", true},
        {"Co\xC3\xBBt", true},
        {"\xD0\x9C\xD0\xB0\xD1\x81\xD1\x81\xD0\xB0, \xD0\xBA\xD0\xB3", true},  // Масса, кг
        {"\xD0\xA6\xD0\xB5\xD0\xBD\xD0\xB0", true},                            // Цена
        {"\xE8\xB3\xAA\xE9\x87\x8F", true},                                    // 質量
        {"\xE6\x88\x90\xE6\x9C\xAC", true},                                    // 成本
        {"Qty", false},
        {"Part no.", false},
        {"Material", false},
        {"Description", false},
        {"column 7", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(namesAnAmount(c.title), c.amount) << c.title;
}

// TOP's block and its total line, printed with `decimals` decimals.
std::string formatWithTotalLine(int decimals) {
    return ".breakdown\n"
           "%$type %$name\n"
           ".titles Qty;|Name;|Type;|Mass\n"
           ".row %$quantity[3d];|%$name[-6];|%$type[-12];|%MASS[6.2f]\n"
           "Mass: %[$total(MASS)][8." +
           std::to_string(decimals) + "f]\n";
}

struct Read {
    size_t summaryDifferences = 0;
    std::vector<std::string> log;
    std::vector<ColumnTotal> totals;
};

// The export of TOP (3 x BOLT of 1.25, 2 x PIN of 0.50: 4.75) with its total line printing `listed`
// by a field of `decimals` decimals.
Read readWithTotalLine(const std::string& listed, int decimals = 2, int64_t build = 1) {
    const std::string format = formatWithTotalLine(decimals);
    testing::ProductBuilder b;
    b.part("BOLT", {{"MASS", "1.25"}}).part("PIN", {{"MASS", "0.5"}}).assembly("TOP", {{"BOLT", 3}, {"PIN", 2}});
    std::string bytes = testing::renderExport(format, b.build({{"MASS", true, 2}}));
    const std::string printed = decimals == 2 ? "Mass:     4.75" : "Mass:    4.750";
    const size_t at = bytes.find(printed);
    EXPECT_NE(at, std::string::npos) << bytes;
    if (at != std::string::npos) bytes.replace(at, printed.size(), "Mass: " + listed);
    testing::TempFolder folder;
    RunRequest request;
    request.bomFormatFile = folder.write("f.fmt", format);
    request.bomFileName = folder.write("b.bom", bytes);
    request.buildQuantity = build;
    Read r;
    const BomFileReading reading = readBomFile(
        request, [&](std::string_view line) { r.log.emplace_back(line); }, AnalysisWants());
    EXPECT_FALSE(reading.stopped);
    r.summaryDifferences = reading.analysis.summaryDifferences;
    r.totals = reading.analysis.columnTotals;
    return r;
}

TEST(ColumnTotals, ATotalLineMayBeAsFarAsItsValuesRoundingAllows) {
    // Five values of two decimals (5 x 0.005 = 0.025) and half a unit of the line's own last digit.
    const struct {
        int decimals;
        const char* listed;
        bool differs;
    } cases[] = {
        {2, "    4.75", false}, {2, "    4.78", false}, {2, "    4.72", false}, {2, "    4.79", true},
        {2, "    4.71", true},  {3, "   4.775", false}, {3, "   4.725", false}, {3, "   4.776", true},
        {3, "   4.724", true},  {3, "   4.750", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.listed);
        const Read r = readWithTotalLine(c.listed, c.decimals);
        EXPECT_EQ(r.summaryDifferences, c.differs ? 1u : 0u);
        bool logged = false;
        for (const std::string& line : r.log)
            logged = logged || line.find("differs from its total line") != std::string::npos;
        EXPECT_EQ(logged, c.differs);
        ASSERT_EQ(r.totals.size(), 1u);
        EXPECT_EQ(r.totals[0].title, "Mass");
        ASSERT_EQ(r.totals[0].assemblies.size(), 1u);
        testing::Amount total;
        EXPECT_TRUE(testing::parseAmount(r.totals[0].assemblies[0].total, total));
        EXPECT_EQ(total.micros, 4750000);
        // The block's line as the outputs mark it: the same verdict as the log's, beside the sum.
        EXPECT_EQ(r.totals[0].assemblies[0].differs, c.differs);
        EXPECT_EQ(r.totals[0].assemblies[0].checked, c.decimals == 2 ? "4.75" : "4.750");
    }
}

// The whole build is the build quantity's machines; the total line is one machine's.
TEST(ColumnTotals, TotalsTheWholeBuild) {
    const Read r = readWithTotalLine("    4.75", 2, 4);
    EXPECT_EQ(r.summaryDifferences, 0u);
    ASSERT_EQ(r.totals.size(), 1u);
    EXPECT_EQ(r.totals[0].total, "19.00");
    EXPECT_EQ(r.totals[0].assemblies[0].listed, "4.75");

    // A build too large to total in 64 bits (3.75e17 kg) gives no total rather than a wrong one;
    // one machine's line still checks.
    const Read huge = readWithTotalLine("    4.75", 2, 100'000'000'000'000'000);
    EXPECT_EQ(huge.summaryDifferences, 0u);
    ASSERT_EQ(huge.totals.size(), 1u);
    EXPECT_EQ(huge.totals[0].total, "");
    EXPECT_EQ(huge.totals[0].assemblies[0].total, "4.75");
}

}  // namespace
}  // namespace trelk
