// The renderer of BOM format files against what the CAD system is known to print, and against
// the truth worked out from the product by other code.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/company_example.h"
#include "support/format_render.h"
#include "support/random_format.h"
#include "support/temp_folder.h"
#include "text/text_codec.h"

namespace trelk::testing {
namespace {

std::vector<std::string> linesOf(const std::string& text, const std::string& lineEnd = "\n") {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(lineEnd, start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + lineEnd.size();
    }
    return lines;
}

std::vector<std::string> fieldsOf(const std::string& line, char separator = ' ') {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator))
        if (separator != ' ' || !field.empty()) fields.push_back(field);
    return fields;
}

size_t characters(std::string_view text) {
    size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

std::string firstCharacters(const std::string& text, size_t count) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && n++ == count) return text.substr(0, i);
    return text;
}

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text.substr(std::min(text.find_first_not_of(' '), text.size()));
}

// An exact decimal with `places` decimals, for amounts that fit them.
std::string fixed(Amount amount, int places) {
    int64_t unit = 1;
    for (int p = 0; p < places; ++p) unit *= 10;
    const int64_t units = amount.micros / (1000000 / unit);
    std::string fraction = std::to_string(unit + units % unit).substr(1);
    return std::to_string(units / unit) + (places ? "." + fraction : "");
}

TypeWords words(size_t set) { return typeWordSets()[set]; }

RenderOptions lfOptions(const TypeWords& typeWords = TypeWords()) {
    RenderOptions options;
    options.words = typeWords;
    options.lineEnd = "\n";
    return options;
}

// Exports the CAD system's documents print, whole.
TEST(FormatRender, PrintsTheKnownExportsExactly) {
    const std::string example =
        ".breakdown\n"
        "%$type %$name contains:\n"
        ".titles  Qty;|Item;|Kind;|Weight\n"
        ".row %$quantity[4d];|%$name[-16.16s];|%$type[-8.8s];|%weight[7.3f]\n"
        "\n"
        ".summary\n"
        "Parts of %$name:\n"
        ".titles  Qty;|Item;|Weight\n"
        ".row %$quantity[4d];|%$name[-24.24s];|%weight[7.3f]\n"
        "Total weight: %[$total(weight)][8.3f]\n";
    const Product frame = ProductBuilder()
                              .part("HEX_BOLT_M8X30", {{"weight", "0.012"}})
                              .part("CONTROLLER_BOARD", {{"weight", "0.150"}})
                              .assembly("CONTROL_UNIT_ASSEMBLY", {{"CONTROLLER_BOARD", 1}, {"HEX_BOLT_M8X30", 4}})
                              .assembly("FRAME", {{"CONTROL_UNIT_ASSEMBLY", 1}, {"HEX_BOLT_M8X30", 6}})
                              .build({{"weight", true, 3}});
    const Product tombstone = ProductBuilder()
                                  .part("FSTB")
                                  .part("BOLT_LNG")
                                  .part("CAVITY")
                                  .assembly("TOMBSTONE", {{"FSTB", 1}, {"BOLT_LNG", 20}, {"CAVITY", 6}})
                                  .build({});
    const Product lamp = ProductBuilder()
                             .part("KONTAKTFEDER")
                             .assembly("SCHALTER", {{"KONTAKTFEDER", 2}})
                             .part("GUMMIFUSS")
                             .assembly("FUSS", {{"SCHALTER", 1}, {"GUMMIFUSS", 4}})
                             .part("ROHR_1200")
                             .assembly("STEHLEUCHTE", {{"FUSS", 1}, {"ROHR_1200", 1}})
                             .build({});
    const Product gearbox = ProductBuilder().part("齿轮_12").assembly("减速器", {{"齿轮_12", 2}}).build({});
    const std::string german =
        defaultFormatIn("%$type %$name enthält:", "Zusammenfassung der Teile der Baugruppe %$name:");
    const struct {
        const char* what;
        std::string format;
        const Product& product;
        RenderOptions options;
        std::string expected;
    } cases[] = {
        {"the small example: titles padded, names and types cut, blanks for a missing weight", example, frame,
         lfOptions(),
         "Assembly FRAME contains:\n"
         " Qty|Item            |Kind    |Weight\n"
         "   1|CONTROL_UNIT_ASS|Sub-Asse|\n"
         "   6|HEX_BOLT_M8X30  |Part    |  0.012\n"
         "\n"
         "Sub-Assembly CONTROL_UNIT_ASSEMBLY contains:\n"
         " Qty|Item            |Kind    |Weight\n"
         "   1|CONTROLLER_BOARD|Part    |  0.150\n"
         "   4|HEX_BOLT_M8X30  |Part    |  0.012\n"
         "\n"
         "Parts of FRAME:\n"
         " Qty|Item                    |Weight\n"
         "  10|HEX_BOLT_M8X30          |  0.012\n"
         "   1|CONTROLLER_BOARD        |  0.150\n"
         "Total weight:    0.270\n"},
        {"the default export of a machining fixture", std::string(kDefaultFormat), tombstone, lfOptions(),
         "\n\n"
         "Assembly TOMBSTONE contains:\n"
         "     1         Part  FSTB\n"
         "    20         Part  BOLT_LNG\n"
         "     6         Part  CAVITY\n"
         "\n\n"
         "Summary of parts for assembly TOMBSTONE:\n"
         "     1         Part  FSTB\n"
         "    20         Part  BOLT_LNG\n"
         "     6         Part  CAVITY\n"},
        {"German: the type word wraps under its cell; parts in the order of the blocks", german, lamp,
         lfOptions(words(1)),
         "\n\n"
         "Baugruppe STEHLEUCHTE enthält:\n"
         "     1 Unterbaugrup  FUSS\n"
         "      pe\n"
         "     1         Teil  ROHR_1200\n"
         "\n\n"
         "Unterbaugruppe FUSS enthält:\n"
         "     1 Unterbaugrup  SCHALTER\n"
         "      pe\n"
         "     4         Teil  GUMMIFUSS\n"
         "\n\n"
         "Unterbaugruppe SCHALTER enthält:\n"
         "     2         Teil  KONTAKTFEDER\n"
         "\n\n"
         "Zusammenfassung der Teile der Baugruppe STEHLEUCHTE:\n"
         "     1         Teil  ROHR_1200\n"
         "     4         Teil  GUMMIFUSS\n"
         "     2         Teil  KONTAKTFEDER\n"},
        {"Chinese: widths in characters, CR LF and the byte-order mark", std::string(kDefaultFormat), gearbox,
         RenderOptions{words(4), "\r\n", true},
         "\xEF\xBB\xBF\r\n\r\n"
         "组件 减速器 contains:\r\n"
         "     2           零件  齿轮_12\r\n"
         "\r\n\r\n"
         "Summary of parts for assembly 减速器:\r\n"
         "     2           零件  齿轮_12\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(renderExport(c.format, c.product, c.options), c.expected) << c.what;
}

TEST(FormatRender, PrintsEachFieldByItsWidthAndCut) {
    const std::string bearing = "TURNTABLE_BEARING_6810", subAssembly = "Sub-Assembly", two = "2", mass = "2.632",
                      chinese = "子组件", japanese = "ハウジング", half = "2.5";
    const struct {
        const char* spec;
        const std::string* value;
        const char* expected;
    } cases[] = {
        {"[-18.18s]", &bearing, "TURNTABLE_BEARING_"},
        {"[-9.9s]", &subAssembly, "Sub-Assem"},
        {"[-8.3f]", &two, "2.000   "},
        {"[f]", &mass, "2.632000"},
        {"[4d]", &two, "   2"},
        {"[-31]", &bearing, "TURNTABLE_BEARING_6810         "},
        {"[8]", &bearing, "TURNTABLE_BEARING_6810"},  // no cut: wrapped by the line, not here
        {"[12s]", &chinese, "         子组件"},
        {"[-6.3s]", &japanese, "ハウジ   "},
        {"[.2s]", &japanese, "ハウ"},
        {"[7.1f]", &half, "    2.5"},
        {"[5]", nullptr, "     "},
        {"", &subAssembly, "Sub-Assembly"},
        {"", nullptr, ""},
        {"[-10.2f]", &subAssembly, "Sub-Assembly"},  // no number: printed as written
    };
    for (const auto& c : cases) EXPECT_EQ(printField(c.spec, c.value), c.expected) << c.spec;
}

// A product and what each of the company layouts must print for it.
TEST(FormatRender, CompanyLayoutsPrintWhatTheirExportsShow) {
    const Product arm =
        ProductBuilder()
            .part("FOREARM_SHELL_TOP", {{"MASS", "0.25"}, {"cost", "12.5"}, {"DESCRIPTION", "Shell, top"}})
            .assembly("CONTROL_UNIT_ASSEMBLY", {{"FOREARM_SHELL_TOP", 2}},
                      {{"REVISION", "B"}, {"DESCRIPTION", "Control unit"}})
            .part("TURNTABLE_BEARING_6810", {{"MASS", "2.632"},
                                             {"cost", "84"},
                                             {"DESCRIPTION", "Bearing 6810"},
                                             {"DRAWING_NO", "D-6810"},
                                             {"BENENNUNG", "Drehkranzlager"},
                                             {"WERKSTOFF", "100Cr6"},
                                             {"NOTES", "greased"}})
            .assembly("ROBOT_ARM", {{"CONTROL_UNIT_ASSEMBLY", 1}, {"TURNTABLE_BEARING_6810", 2}},
                      {{"REVISION", "C"}, {"DESCRIPTION", "Arm"}, {"DRAWING_NO", "D-100"}, {"ZEICHNUNGSNR", "Z-100"}})
            .build({});
    const struct {
        const char* what;
        std::string_view format;
        size_t words;
        std::vector<std::string> lines;  // each printed, in this order
    } cases[] = {
        {"German labels",
         kGermanLabelsFormat,
         1,
         {"Stückliste", "Zeichnungsnummer:\tZ-100", "Modellname:\t\tROBOT_ARM", "Art:\t\t\tBaugruppe",
          "Menge\tTyp\tModellname\tBenennung\tWerkstoff", "1\tUnterbaugruppe\tCONTROL_UNIT_ASSEMBLY",
          "2\tTeil\tTURNTABLE_BEARING_6810\tDrehkranzlager\t100Cr6", "Art:\t\t\tUnterbaugruppe",
          "Art:\t\t\tGesamtstückliste", "2\tTeil\tTURNTABLE_BEARING_6810\tDrehkranzlager\t100Cr6",
          "2\tTeil\tFOREARM_SHELL_TOP"}},
        {"cut names, cost",
         kCutNamesCostFormat,
         0,
         {"Assembly ROBOT_ARM contains:", "Name                Type       Qty      Cost",
          "CONTROL_UNIT_ASSEM  Sub-Assem    1", "TURNTABLE_BEARING_  Part         2     84.00",
          "Total cost:     168.00", "Sub-Assembly CONTROL_UNIT_ASSEMBLY contains:", "Total cost:      25.00",
          "TURNTABLE_BEARING_68  Part         2     84.00", "Total cost:     193.00"}},
        {"name first, decimal quantity",
         kPipeNameFirstFormat,
         0,
         {"Assembly: ROBOT_ARM  Rev. C  Arm", "Model name                     |Quantity|Type     |Description",
          "CONTROL_UNIT_ASSEMBLY          |   1.000|Sub-Assem|Control unit",
          "TURNTABLE_BEARING_6810         |   2.000|Part     |Bearing 6810",
          "Parts of ROBOT_ARM:", "FOREARM_SHELL_TOP              |   2.000|Shell, top"}},
        {"glued cells, mass",
         kGluedMassFormat,
         0,
         {"Qty Model name              Type     Mass [kg]", "1.000CONTROL_UNIT_ASSEMBLY   Sub-Assem",
          "2.000TURNTABLE_BEARING_6810  Part          2.632", "Total mass:      5.264 kg",
          "Sub-Assembly: CONTROL_UNIT_ASSEMBLY  Rev. B  Control unit", "Total mass:      0.500 kg",
          "All parts of ROBOT_ARM", "Total mass:      5.764 kg"}},
        {"summary only",
         kSummaryOnlyFormat,
         0,
         {"PARTS LIST  ROBOT_ARM", "Drawing no.: D-100", "",
          "|Description                   |Qty  |Drawing no. |Model name                     |Notes",
          "|Bearing 6810                  |    2|D-6810      |TURNTABLE_BEARING_6810         |greased",
          "|Shell, top                    |    2|            |FOREARM_SHELL_TOP              |"}},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> printed = linesOf(renderExport(c.format, arm, lfOptions(words(c.words))));
        auto at = printed.begin();
        for (const std::string& line : c.lines) {
            at = std::find(at, printed.end(), line);
            ASSERT_NE(at, printed.end()) << c.what << ": no line \"" << line << "\" where due";
        }
    }
}

std::string describe(uint64_t seed, const RandomFormat& format) {
    return "seed " + std::to_string(seed) + ", format:\n" + format.text;
}

// Whatever the format: the line ends and the byte-order mark asked for, valid UTF-8, no line
// ending in blanks or TABs, and every assembly's whole name in its block, in the blocks' order.
TEST(FormatRender, RandomFormatsPrintCleanLinesAndEveryBlock) {
    for (uint64_t seed = 1; seed <= 400; ++seed) {
        const RandomFormat format = randomFormat(seed);
        ProductShape shape;
        shape.parameters = format.parameters;
        shape.assemblyTotals = seed % 2 == 0;
        const Product product = randomProduct(seed, shape);
        const std::string text = renderExport(format.text, product, format.options);
        const RenderOptions& options = format.options;
        ASSERT_EQ(text.rfind("\xEF\xBB\xBF", 0) == 0, options.byteOrderMark) << describe(seed, format);
        ASSERT_TRUE(isValidUtf8(text)) << describe(seed, format);
        ASSERT_EQ(text.substr(text.size() - options.lineEnd.size()), options.lineEnd) << describe(seed, format);
        const std::vector<std::string> lines = linesOf(text, options.lineEnd);
        for (const std::string& line : lines) {
            ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos) << describe(seed, format);
            const char last = line.empty() ? 'x' : line.back();
            ASSERT_TRUE(last != ' ' && last != '\t') << describe(seed, format);
        }
        if (!format.breakdown.present) continue;
        size_t from = 0;
        for (const size_t a : truthOf(product).blockOrder) {
            from = text.find(product.models[a].name, from);
            ASSERT_NE(from, std::string::npos)
                << "no block of " << product.models[a].name << ", " << describe(seed, format);
        }
    }
}

// Every row of every block and of the summary, read back by its `|` cells: a name and a text cut
// by [W.Ps] show their first P characters, never more.
TEST(FormatRender, CutsShowTheFirstCharactersAndNoMore) {
    const struct {
        const char* spec;
        size_t cut;
    } cases[] = {{"[-18.18s]", 18}, {"[-9.9s]", 9}, {"[-4.10s]", 10}, {"[30.5s]", 5}, {"[.1s]", 1}};
    for (const auto& c : cases)
        for (uint64_t seed = 1; seed <= 40; ++seed) {
            const std::string row = std::string("%$quantity[4d];|%$name") + c.spec + ";|%DESCRIPTION" + c.spec + ";|\n";
            const std::string format = ".breakdown\n%$type %$name contains:\n.row " + row + ".summary\n.row " + row;
            ProductShape shape;
            shape.parameters = {{"DESCRIPTION"}};
            const Product product = randomProduct(seed, shape);
            const Truth truth = truthOf(product);
            std::vector<const Model*> expected;
            for (const size_t a : truth.blockOrder)
                for (const Member& m : product.models[a].members) expected.push_back(&product.models[m.model]);
            for (const size_t p : truth.partOrder) expected.push_back(&product.models[p]);
            std::vector<std::vector<std::string>> rows;
            for (const std::string& line : linesOf(renderExport(format, product, lfOptions())))
                if (line.find('|') != std::string::npos) rows.push_back(fieldsOf(line, '|'));
            ASSERT_EQ(rows.size(), expected.size()) << c.spec << " seed " << seed;
            for (size_t i = 0; i < rows.size(); ++i) {
                const std::string* description = expected[i]->parameter("DESCRIPTION");
                const std::string name = trimmed(rows[i][1]), text = trimmed(rows[i][2]);
                EXPECT_LE(characters(name), c.cut);
                EXPECT_EQ(name, firstCharacters(expected[i]->name, c.cut)) << c.spec << " seed " << seed;
                EXPECT_EQ(text, description ? trimmed(firstCharacters(*description, c.cut)) : "")
                    << c.spec << " seed " << seed;
            }
        }
}

// The default export of random products in every language, read back by blanks: the blocks in
// their order with their members, and the summary with each part once and its total for the
// whole build, which the renderer and the truth work out by different roads.
TEST(FormatRender, DefaultExportListsEveryMemberAndEveryPartWithItsTotal) {
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        const Product product = randomProduct(seed, ProductShape());
        const Truth truth = truthOf(product);
        const RenderOptions options = lfOptions(words(static_cast<size_t>(seed % typeWordSets().size())));
        const std::vector<std::string> lines = linesOf(renderExport(kDefaultFormat, product, options));
        std::vector<std::pair<std::string, int64_t>> expected, printed;
        std::vector<std::string> blocks;
        for (const size_t a : truth.blockOrder) {
            blocks.push_back(product.models[a].name);
            for (const Member& m : product.models[a].members)
                expected.emplace_back(product.models[m.model].name, m.quantity);
        }
        for (const size_t p : truth.partOrder) expected.emplace_back(product.models[p].name, truth.inBuild[p]);
        std::vector<std::string> headers;
        bool summary = false;
        for (const std::string& line : lines) {
            const std::vector<std::string> fields = fieldsOf(line);
            if (line.rfind("Summary of parts for assembly ", 0) == 0) {
                summary = true;
                EXPECT_EQ(fields.back(), product.models[0].name + ":");
            } else if (line.size() > 10 && line.substr(line.size() - 10) == " contains:") {
                EXPECT_FALSE(summary);
                headers.push_back(fields[1]);
            } else if (fields.size() >= 3) {
                printed.emplace_back(fields.back(), std::stoll(fields[0]));
            }
        }
        EXPECT_TRUE(summary) << "seed " << seed;
        EXPECT_EQ(headers, blocks) << "seed " << seed;
        EXPECT_EQ(printed, expected) << "seed " << seed;
    }
}

// The total lines of every block and of the summary against the truth's sums; with assemblies
// carrying their totals, every block's line is its assembly's total through the tree.
TEST(FormatRender, TotalLinesAddUpTheModel) {
    const std::string row = ".row %$quantity[6d] %$name[-31] %MASS[12.3f] %COST[10.2f]\n";
    const std::string totals = "Mass: %[$total(MASS)][14.3f]\nCost: %[$total(COST)]\nCount: %[$total($quantity)]\n";
    const std::string format =
        ".breakdown\n%$type %$name contains:\n" + row + totals + ".summary\nParts:\n" + row + totals;
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        ProductShape shape;
        shape.parameters = {{"MASS", true, 3}, {"COST", true, 2}, {"MATERIAL"}};
        shape.assemblyTotals = seed % 2 == 0;
        const Product product = randomProduct(seed, shape);
        const Truth truth = truthOf(product);
        std::vector<std::string> expected;
        for (const size_t a : truth.blockOrder) {
            expected.push_back("Mass: " + fixed(truth.rowTotal.at("MASS")[a], 3));
            expected.push_back("Cost: " + fixed(truth.rowTotal.at("COST")[a], 6));
            expected.push_back("Count: " + std::to_string(truth.rowQuantity[a]));
            if (shape.assemblyTotals) {
                EXPECT_EQ(truth.rowTotal.at("MASS")[a], truth.treeTotal.at("MASS")[a]) << "seed " << seed;
                EXPECT_EQ(truth.rowTotal.at("COST")[a], truth.treeTotal.at("COST")[a]) << "seed " << seed;
            }
        }
        expected.push_back("Mass: " + fixed(truth.treeTotal.at("MASS")[0], 3));
        expected.push_back("Cost: " + fixed(truth.treeTotal.at("COST")[0], 6));
        expected.push_back("Count: " + std::to_string(truth.partCount));
        std::vector<std::string> printed;
        for (const std::string& line : linesOf(renderExport(format, product, lfOptions()))) {
            const std::vector<std::string> fields = fieldsOf(line);
            if (fields.size() == 2 && fields[0].back() == ':' && fields[0] != "Parts:")
                printed.push_back(fields[0] + " " + fields[1]);
        }
        EXPECT_EQ(printed, expected) << "seed " << seed;
    }
}

// The shipped company export is this renderer's, byte for byte.
TEST(FormatRender, ShippedCompanyExportIsTheRendering) {
    const std::string format = readFile(TRELK_EXAMPLES "/company/brenner-lund.fmt");
    for (const auto& [file, product] :
         {std::pair{"conveyor.bom.1", conveyorProduct()}, std::pair{"conveyor-rev-b.bom.1", conveyorRevisionB()}}) {
        const std::string rendered = renderExport(format, product, conveyorOptions());
        if (rendered != readFile(TRELK_EXAMPLES "/company/" + std::string(file))) {
            std::ofstream(std::string(file) + ".rendered", std::ios::binary) << rendered;
            FAIL() << "examples/company/" << file << " differs from the rendering, written to " << file << ".rendered";
        }
    }
}

}  // namespace
}  // namespace trelk::testing
