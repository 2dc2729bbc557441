// Exports read by their BOM format files: the format file's grammar, the reading of the layouts
// companies write (cut names and type words, wrapped cells, glued decimal quantities, label lines,
// summary-only formats, widths in characters), the lines that do not fit, and the attributes kept.
#include <gtest/gtest.h>

#include <map>

#include "engine/reading/bom_format_file.h"
#include "engine/reading/layout_reader.h"
#include "engine/reading/line_match.h"
#include "engine/rollup/rollup.h"
#include "engine/rollup/summary_check.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

// "NAME=total" of every row of a totals table, in name order, blank-separated.
std::string totalsText(const TotalsTable& table) {
    std::string text;
    for (size_t row = 0; row < table.count(); ++row) {
        if (!text.empty()) text += ' ';
        text += std::string(table.names[row]) + "=" + std::to_string(table.totals[row].value());
    }
    return text;
}

struct Read {
    LayoutReading reading;
    std::string parts, assemblies;
    std::vector<std::string> rollupLog;
};

Read readBy(std::string_view format, std::string_view bytes) {
    Read r;
    const BomFormatFile file = parseBomFormat(format);
    EXPECT_TRUE(file.layout) << file.errorLine << ": " << file.error;
    if (!file.layout) return r;
    r.reading = readByLayout(bytes, *file.layout);
    if (!r.reading.structure) return r;
    const BomStructure& bom = *r.reading.structure;
    const LogSink log = [&r](std::string_view line) { r.rollupLog.emplace_back(line); };
    const ResultTables tables =
        sortTables(bom, expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1), log), buildWhereUsed(bom));
    r.parts = totalsText(tables.partTotals);
    r.assemblies = totalsText(tables.assemblyTotals);
    return r;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

bool logHolds(const std::vector<std::string>& log, const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
}

// The example of the format files' description: cut names and type words in the rows, whole in
// the block headers, and a summary under a heading of the company's own.
const char* const kFrameFormat =
    ".breakdown\n%$type %$name contains:\n.titles  Qty;|Item;|Kind;|Weight\n"
    ".row %$quantity[4d];|%$name[-16.16s];|%$type[-8.8s];|%weight[7.3f]\n\n"
    ".summary\nParts of %$name:\n.titles  Qty;|Item;|Weight\n.row %$quantity[4d];|%$name[-24.24s];|%weight[7.3f]\n"
    "Total weight: %[$total(weight)][8.3f]\n";
const char* const kFrameExport =
    "Assembly FRAME contains:\r\n"
    " Qty|Item            |Kind    |Weight\r\n"
    "   1|CONTROL_UNIT_ASS|Sub-Asse|\r\n"
    "   6|HEX_BOLT_M8X30  |Part    |  0.012\r\n"
    "\r\n"
    "Sub-Assembly CONTROL_UNIT_ASSEMBLY contains:\r\n"
    " Qty|Item            |Kind    |Weight\r\n"
    "   2|HEX_BOLT_M8X30  |Part    |  0.012\r\n"
    "   1|BOARD           |Part    |  0.250\r\n"
    "\r\n"
    "Parts of FRAME:\r\n"
    " Qty|Item                    |Weight\r\n"
    "   8|HEX_BOLT_M8X30          |  0.012\r\n"
    "   1|BOARD                   |  0.250\r\n"
    "Total weight:    0.346\r\n";

TEST(LayoutReader, ReadsTheLayoutsCompaniesWrite) {
    const struct {
        const char* what;
        std::string format, bytes;
        std::string parts, assemblies;
        std::vector<std::string> log;  // lines the reading must say
    } cases[] = {
        {"cut names and type words",
         kFrameFormat,
         kFrameExport,
         "BOARD=1 HEX_BOLT_M8X30=8",
         "CONTROL_UNIT_ASSEMBLY=1",
         {"Cut names and type words matched to their longer forms in the BOM file: 1 name, 1 type word"}},
        {"the CAD system's own layout in German: a type word wrapped onto the next line",
         ".breakdown\n%$type %$name enth\xC3\xA4lt:\n.row %$quantity[6d] %$type[12s]  %$name\n"
         ".summary\nZusammenfassung der Teile der Baugruppe %$name:\n.row %$quantity[6d] %$type[12s]  %$name\n",
         "\r\n\r\nBaugruppe LAMPE enth\xC3\xA4lt:\r\n     1 Unterbaugrup  FUSS\r\n      pe\r\n"
         "     2         Teil  SCHIRM\r\n\r\nUnterbaugruppe FUSS enth\xC3\xA4lt:\r\n     3         Teil  "
         "SCHRAUBE\r\n\r\n"
         "Zusammenfassung der Teile der Baugruppe LAMPE:\r\n     2         Teil  SCHIRM\r\n"
         "     3         Teil  SCHRAUBE\r\n",
         "SCHIRM=2 SCHRAUBE=3",
         "FUSS=1",
         {}},
        {"decimal quantities glued to the name, a header with free text after the name, total lines",
         ".breakdown\n%$type: %$name issue %ISSUE / %TITLE\n.titles Qty;Name;Mass\n"
         ".row %$quantity[-4.3f];%$name[-20];%mass[8.3f]\nTotal mass: %[$total(mass)][8.3f]\n",
         "Assembly: ARM issue B / Robot arm\nQty Name                Mass\n1.000FOREARM_SHELL_TOP      0.120\n"
         "2.000ELBOW\nTotal mass:    0.120\n\nSub-Assembly: ELBOW issue A / Elbow joint\nQty Name                Mass\n"
         "4.000BOLT_M4                0.004\nTotal mass:    0.016\n",
         "BOLT_M4=8 FOREARM_SHELL_TOP=1",
         "ELBOW=2",
         {}},
        {"TAB cells, name first, label lines whose values tell the summary from a block",
         "St\xC3\xBC"
         "ckliste\n.breakdown\nFirma:\tBrenner\nTyp:\tBaugruppe\nModell:\t%$name\n"
         ".titles Name;\tMenge;\tArt\n.row %$name;\t%$quantity;\t%$type\n"
         ".summary\nFirma:\tBrenner\nTyp:\tSumme\nModell:\t%$name\n.titles Name;\tMenge\n.row %$name;\t%$quantity\n",
         "St\xC3\xBC"
         "ckliste\nFirma:\tBrenner\nTyp:\tBaugruppe\nModell:\tLEUCHTE\nName\tMenge\tArt\n"
         "FUSS\t1\tUnterbaugruppe\nSCHIRM\t2\tTeil\n\nFirma:\tBrenner\nTyp:\tBaugruppe\nModell:\tFUSS\n"
         "Name\tMenge\tArt\nSCHRAUBE\t3\tTeil\n\nFirma:\tBrenner\nTyp:\tSumme\nModell:\tLEUCHTE\nName\tMenge\n"
         "SCHIRM\t2\nSCHRAUBE\t3\n",
         "SCHIRM=2 SCHRAUBE=3",
         "FUSS=1",
         {}},
        {"widths in characters, not bytes",
         ".breakdown\n%$type %$name \xE5\x8C\x85\xE5\x90\xAB:\n.row %$quantity[4d];%$type[6s];  %$name\n",
         "\xE8\xA3\x85\xE9\x85\x8D \xE6\x9C\xBA\xE5\x99\xA8 \xE5\x8C\x85\xE5\x90\xAB:\n"
         "   1   \xE5\xAD\x90\xE8\xA3\x85\xE9\x85\x8D  A\n   2    \xE9\x9B\xB6\xE4\xBB\xB6  "
         "\xE8\x9E\xBA\xE6\xA0\x93\n\n"
         "\xE5\xAD\x90\xE8\xA3\x85\xE9\x85\x8D A \xE5\x8C\x85\xE5\x90\xAB:\n   3    \xE9\x9B\xB6\xE4\xBB\xB6  "
         "\xE8\x9E\xBA\xE6\xA0\x93\n",
         "\xE8\x9E\xBA\xE6\xA0\x93=5",
         "A=1",
         {}},
        {"a summary-only format: the parts as listed, a quantity that is no whole number counted rounded",
         "Parts list of %$name\nDrawing %DRAWING\n.summary\n.titles Description;|Qty;|Drawing;|Model\n"
         ".row %DESCRIPTION[-20];|%$quantity[8.2f];|%DRAWING[-10];|%$name\n",
         "Parts list of PUMP\nDrawing D-100\nDescription         |Qty     |Drawing   |Model\n"
         "Hex bolt M8         |    4.00|D-200     |BOLT_M8\nCable               |    0.35|          |CABLE\n"
         "Hex bolt M8         |    2.00|D-200     |BOLT_M8\n",
         "BOLT_M8=6 CABLE=0",
         "",
         {"Quantity 0.35 is no whole number in line 5, counted as 0: abnormal error! - CABLE"}},
        {"a cut name that starts two longer ones is left as printed",
         ".breakdown\n%$type %$name contains:\n.row %$quantity[3d] %$name[-8.8s]\n"
         ".summary\nSummary:\n.row %$quantity[3d] %$name\n",
         "Assembly TOP contains:\n  1 BEARING_\n  2 BEARING_\n\nSummary:\n  1 BEARING_6810\n  2 BEARING_6812\n",
         "BEARING_=3",
         "",
         {"Cut name left as printed, it starts more than one in the BOM file: BEARING_"}},
        {"sections of the export's own after the summary are left unread",
         ".breakdown\n%$type %$name contains:\n.row %$quantity[6d] %$type[12s]  %$name\n"
         ".summary\nSummary of parts for assembly %$name:\n.row %$quantity[6d] %$type[12s]  %$name\n",
         "Assembly FIX contains:\n    20         Part  BOLT\n\nSummary of parts for assembly FIX:\n"
         "    20         Part  BOLT\n\nBill of materials for tools in manufacturing assembly:\nID     = 375BEM\n",
         "BOLT=20",
         "",
         {"Lines of the BOM file after its summary of parts are not read: from line 7 on"}},
    };
    for (const auto& c : cases) {
        const Read r = readBy(c.format, c.bytes);
        ASSERT_TRUE(r.reading.structure) << c.what << ": " << messages::doesNotFit(*r.reading.misfit);
        EXPECT_EQ(r.parts, c.parts) << c.what;
        EXPECT_EQ(r.assemblies, c.assemblies) << c.what;
        EXPECT_TRUE(r.rollupLog.empty()) << c.what << ": " << r.rollupLog.front();
        for (const std::string& line : c.log) EXPECT_TRUE(logHolds(r.reading.log, line)) << c.what << ": " << line;
    }
}

// The first line that does not fit is named, with what the format prints there; nothing is read.
TEST(LayoutReader, NamesTheFirstLineThatDoesNotFit) {
    const std::string frame = kFrameExport;
    const struct {
        const char* what;
        std::string bytes;
        uint32_t line;
        std::string expected;
    } cases[] = {
        {"cells of other widths",
         replaced(frame, "   2|HEX_BOLT_M8X30  |Part    |  0.012", "   2|HEX_BOLT_M8X30|Part|0.012"), 8,
         "a row, the lines after the rows, a block header or the summary"},
        {"another layout altogether", "Assembly FRAME contains:\r\n     1  Part  BOARD\r\n", 2, "the column titles"},
        {"a first line of no block header", "BOM of FRAME\r\n" + frame, 1, "a block header or the summary"},
        {"a line after the summary's total", frame + "Total cost: 12.00\r\n", 16,
         "nothing"},  // the total line ends the summary: a further line is unread, not a misfit
    };
    for (const auto& c : cases) {
        const Read r = readBy(kFrameFormat, c.bytes);
        if (c.expected == "nothing") {
            EXPECT_FALSE(r.reading.misfit) << c.what;
            continue;
        }
        ASSERT_TRUE(r.reading.misfit) << c.what;
        EXPECT_FALSE(r.reading.structure) << c.what;
        EXPECT_EQ(r.reading.misfit->line, c.line) << c.what;
        EXPECT_EQ(r.reading.misfit->expected, c.expected) << c.what;
    }
}

// A text wider than its field and not cut goes on below its cell; the rows' other cells and the
// headers' parameters are kept by item, numbers with the decimals they were printed with.
TEST(LayoutReader, KeepsTheRowsOtherCellsAsAttributes) {
    const Read r = readBy(
        ".breakdown\n%$name issue %ISSUE\n.titles Qty; Name; Text;  Mass\n"
        ".row %$quantity[3d]; %$name[-10]; %DESC[-8];%mass[7.3f]\nTotal: %[$total(mass)][7.3f]\n"
        ".summary\nParts\n.row %$quantity[3d]; %$name[-10];%mass[8.4f]\n",
        "TOP issue C\nQty Name       Text      Mass\n  4 BOLT_M8    HEX BOLT  0.012\n"
        "               M8 X 30\n  1 SUB\nTotal:   0.048\n\nSUB issue A\nQty Name       Text      Mass\n"
        "  2 BOLT_M8    HEX BOLT  0.014\n               M8 X 30\nTotal:   0.028\n\n"
        "Parts\n  6 BOLT_M8     0.0124\n");
    ASSERT_TRUE(r.reading.structure) << messages::doesNotFit(*r.reading.misfit);
    EXPECT_EQ(r.parts, "BOLT_M8=6");
    const ItemAttributes& a = r.reading.attributes;
    ASSERT_EQ(a.columns.size(), 3u);
    EXPECT_EQ(a.columns[0].title, "Text");
    EXPECT_EQ(a.columns[1].title, "Mass");
    EXPECT_EQ(a.columns[1].parameter, "mass");
    EXPECT_TRUE(a.columns[1].numeric);
    EXPECT_EQ(a.columns[2].title, "ISSUE");  // a header's parameter has no title
    const ItemAttributeRow* bolt = a.find("BOLT_M8", ItemKind::Part);
    ASSERT_TRUE(bolt);
    EXPECT_EQ(bolt->values[0].value.text, "HEX BOLT M8 X 30");
    EXPECT_FALSE(bolt->values[0].disagrees);
    // 0.012 and 0.014 cannot be the same mass; the summary's finer 0.0124 agrees with the first.
    EXPECT_TRUE(bolt->values[1].disagrees);
    const ItemAttributeRow* sub = a.find("SUB", ItemKind::SubAssembly);
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->values[2].value.text, "A");
    EXPECT_EQ(a.find("TOP", ItemKind::SubAssembly)->values[2].value.text, "C");
    EXPECT_EQ(a.disagreeing(), 1u);
    ASSERT_EQ(a.totals.size(), 2u);
    EXPECT_EQ(a.totals[0].assembly, "TOP");
    EXPECT_EQ(a.totals[0].column, 1u);
    EXPECT_EQ(a.totals[0].value.units, 48);
    EXPECT_EQ(a.totals[0].value.decimals, 3);
    EXPECT_EQ(a.totals[1].assembly, "SUB");
}

// A layout as a recognition fills it (header words around the name, cells at a separator, the
// roles of some cells, a title row over them) reads the shipped company table: its totals agree
// with its own summary, and the cells of no role are attributes titled by the title row.
TEST(LayoutReader, ReadsALayoutOfWordsAndCells) {
    auto words = [](std::vector<LinePiece> pieces) {
        LineTemplate line;
        line.match = LineTemplate::Match::Words;
        line.cells.push_back(std::move(pieces));
        return line;
    };
    auto literal = [](std::string text) {
        LinePiece piece;
        piece.text = std::move(text);
        return piece;
    };
    auto field = [](FieldRole role, std::string parameter = "") {
        LinePiece piece;
        piece.isField = true;
        piece.field.role = role;
        piece.field.parameter = std::move(parameter);
        return piece;
    };
    LineTemplate titles;
    for (const char* title : {"Pos", "Qty", "Name", "Number", "Description", "Mass [kg]"})
        titles.cells.push_back({literal(title)});
    SectionLayout breakdown;
    breakdown.heading.push_back(words({literal("Assembly ***"), field(FieldRole::Name), literal("***")}));
    breakdown.titles.push_back(titles);
    breakdown.row.split = RowLayout::Split::Separator;
    breakdown.row.separator = '|';
    for (const auto& [cell, role] : {std::pair{2, FieldRole::Quantity}, std::pair{3, FieldRole::Name}}) {
        CellRole c;
        c.cell = cell;
        c.field.role = role;
        breakdown.row.cells.push_back(c);
    }
    SectionLayout summary = breakdown;
    summary.heading = {words({literal("All single parts of assembly"), field(FieldRole::Name)})};
    summary.trailer.push_back(
        words({literal("Total of single parts:"), field(FieldRole::Total, std::string("$quantity"))}));
    ExportLayout layout;
    layout.origin = ExportLayout::Origin::Recognised;
    layout.prolog = {words({field(FieldRole::Ignored)}), words({literal("=======================")})};
    layout.breakdown = breakdown;
    layout.summary = summary;
    EXPECT_FALSE(wordReading(layout));  // the prolog is the layout reader's

    const LayoutReading reading = readByLayout(testing::readFile(TRELK_EXAMPLES "/table/hoist.bom.1"), layout);
    ASSERT_TRUE(reading.structure) << messages::doesNotFit(*reading.misfit);
    const BomStructure& bom = *reading.structure;
    const ResultTables tables = sortTables(
        bom, expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1), [](std::string_view) {}), buildWhereUsed(bom));
    EXPECT_EQ(totalsText(tables.assemblyTotals), "CHAIN_BLOCK_ASM=1 TROLLEY_ASM=2 WHEEL_ASM=8");
    EXPECT_EQ(summaryDifferences(tables.partTotals, bom).count, 0u);
    EXPECT_EQ(bom.summaryTotal(), std::optional<int64_t>(68));
    const ItemAttributes& a = reading.attributes;
    ASSERT_EQ(a.columns.size(), 4u);
    EXPECT_EQ(a.columns[0].title, "Pos");
    EXPECT_EQ(a.columns[3].title, "Mass [kg]");
    EXPECT_TRUE(a.columns[3].numeric);
    const ItemAttributeRow* wheel = a.find("WHEEL", ItemKind::Part);
    ASSERT_TRUE(wheel);
    EXPECT_EQ(wheel->values[1].value.text, "H-221");
    EXPECT_EQ(wheel->values[3].value.units, 1100);
    EXPECT_TRUE(wheel->values[0].disagrees);  // its position in its block and in the summary
}

// A quantity glued to the next field is cut after its decimals, however the text after it begins.
TEST(LayoutReader, CutsAGluedQuantityAfterItsDecimals) {
    const struct {
        std::string_view word;
        int decimals;
        std::string_view quantity, rest;
    } cases[] = {
        {"20.000BOLT", 3, "20.000", "BOLT"},
        {"2.0001BOLT", 3, "2.000", "1BOLT"},  // a name that starts with a digit
        {"2.000", 3, "2.000", ""},            // a quantity alone
        {"-1.500X", 3, "-1.500", "X"},
        {"2.00BOLT", 3, "2.00BOLT", ""},  // too few decimals: no quantity of this layout
        {"BOLT", 3, "BOLT", ""},
        {"12PIN", 0, "12", "PIN"},
        {"2.5", 1, "2.5", ""},
        {"", 3, "", ""},
    };
    for (const auto& c : cases) {
        const auto [quantity, rest] = splitGluedQuantity(c.word, c.decimals);
        EXPECT_EQ(quantity, c.quantity) << c.word;
        EXPECT_EQ(rest, c.rest) << c.word;
    }
}

TEST(LayoutReader, PrintedValuesAgreeWithinTheirRounding) {
    const struct {
        const char *a, *b;
        bool numeric, agree;
    } cases[] = {
        {"0.012", "0.0124", true, true}, {"0.012", "0.0125", true, true}, {"0.012", "0.0126", true, false},
        {"12", "12.4", true, true},      {"-1.50", "-1.5", true, true},   {"2.000", "2", true, true},
        {"3.", "3", false, false},       {".5", "0.5", false, false},     {"HEX", "HEX", false, true},
        {"1e3", "1000", false, false},   {"", "", false, true},           {"0.01", "0.02", true, false},
    };
    for (const auto& c : cases) {
        const AttributeValue a = AttributeValue::of(c.a), b = AttributeValue::of(c.b);
        EXPECT_EQ(a.numeric && b.numeric, c.numeric) << c.a << " " << c.b;
        EXPECT_EQ(a.agrees(b), c.agree) << c.a << " " << c.b;
        EXPECT_EQ(b.agrees(a), c.agree) << c.b << " " << c.a;
    }
}

TEST(BomFormatFile, ReadsFieldsWidthsAndSections) {
    const BomFormatFile f = parseBomFormat(kFrameFormat);
    ASSERT_TRUE(f.layout);
    ASSERT_TRUE(f.layout->breakdown && f.layout->summary);
    EXPECT_EQ(templateText(f.layout->breakdown->row.printed),
              "%$quantity[4d];|%$name[-16.16s];|%$type[-8.8s];|%weight[7.3f]");
    EXPECT_EQ(f.layout->breakdown->titles.at(0).literalText(), " Qty|Item|Kind|Weight");  // one blank is the separator
    EXPECT_EQ(templateText(f.layout->summary->trailer.at(0)), "Total weight: %[$total(weight)][8.3f]");
    const BomFormatFile literal = parseBomFormat(".summary\n100% of %$name [kg] %mass[kg]\n.row %$quantity %$name\n");
    ASSERT_TRUE(literal.layout);
    EXPECT_EQ(templateText(literal.layout->summary->heading.at(0)), "100% of %$name [kg] %mass[kg]");
    EXPECT_EQ(literal.layout->summary->heading.at(0).cells.at(0).size(), 5u);  // the brackets are text
}

TEST(BomFormatFile, SaysWhichLineCannotBeRead) {
    const struct {
        const char* text;
        uint32_t line;
        const char* error;
    } cases[] = {
        {".breakdown\n%$name\n.rows %$name\n", 3, "unknown command .rows"},
        {".row %$quantity %$name\n", 1, ".row before .breakdown or .summary"},
        {".breakdown\n.row %$name\n.titles Name\n", 3, ".titles after the section's .row"},
        {".breakdown\n.row %$name\n.breakdown\n.row %$name\n", 3, "a second .breakdown"},
        {".breakdown\n%$name\n.summary\n.row %$name\n", 1, "the section has no .row"},
        {".breakdown\n.titles Name\nModel %$name\n.row %$name\n", 3, "text between .titles and .row"},
        {".breakdown\n.row %[$total(mass)\n", 2, "\"%[$total(\" without its \")]\""},
        {"Parts list\n", 1, "no .breakdown and no .summary"},
        {".summary now\n.row %$name\n", 1, "text after .summary"},
    };
    for (const auto& c : cases) {
        const BomFormatFile f = parseBomFormat(c.text);
        EXPECT_FALSE(f.layout) << c.text;
        EXPECT_EQ(f.errorLine, c.line) << c.text;
        EXPECT_EQ(f.error, c.error) << c.text;
    }
}

// A format file in GBK, as Chinese systems write them, is read as GBK when the export holds its
// words; one in the Western code page as Windows-1252; UTF-8 as it is.
TEST(BomFormatFile, DecodesTheFormatFileByTheExportsText) {
    const std::string gbkHeader = "%$type %$name \xB0\xFC\xBA\xAC:";                          // "包含:" in GBK
    const std::string utf8Export = "\xE8\xA3\x85\xE9\x85\x8D M \xE5\x8C\x85\xE5\x90\xAB:\n";  // "装配 M 包含:"
    const std::string format = ".breakdown\n" + gbkHeader + "\n.row %$quantity %$name\n";
    const DecodedBomFormat gbk = decodeBomFormat(format, utf8Export);
    EXPECT_EQ(gbk.encoding, "GBK");
    EXPECT_NE(gbk.text.find("\xE5\x8C\x85\xE5\x90\xAB:"), std::string::npos);
    const DecodedBomFormat western = decodeBomFormat(".breakdown\n%$type %$name enth\xE4lt:\n.row %$quantity %$name\n",
                                                     "Baugruppe M enth\xC3\xA4lt:\n");
    EXPECT_EQ(western.encoding, "Windows-1252");
    EXPECT_NE(western.text.find("enth\xC3\xA4lt:"), std::string::npos);
    const DecodedBomFormat utf8 = decodeBomFormat("\xEF\xBB\xBF.summary\n.row %$name\n", "x");
    EXPECT_EQ(utf8.encoding, "UTF-8");
    EXPECT_EQ(utf8.text, ".summary\n.row %$name\n");
}

// The words and columns of the settings describe a layout, and the line classifier's reading comes
// back from it unchanged.
TEST(ExportLayout, DescribesTheReadingsByWordsAndColumns) {
    KeywordSet german;
    german.contains = "enth\xC3\xA4lt:";
    german.SubAssembly = "Unterbaugruppe";
    german.Part = "Teil";
    german.SummaryOfParts = "Zusammenfassung der Teile der Baugruppe";
    ColumnLayout table = ColumnLayout::fields(2, 0, 3);
    table.Separator = '|';
    table.Header = "Assembly *** %$name ***";
    const struct {
        KeywordSet keywords;
        ColumnLayout columns;
        const char* description;
    } cases[] = {
        {KeywordSet(), ColumnLayout(),
         "block header \"... %$name contains:\", fields cut at blanks, quantity in column 1, type in column 2, "
         "name in column -1, summary \"... Summary of parts for assembly ... %$name\""},
        {german, ColumnLayout::fields(1, 2, 3), ""},
        {KeywordSet(), table,
         "block header \"... Assembly *** %$name ***\", cells separated by \"|\", quantity in column 2, name in "
         "column 3, no type column, summary \"... Summary of parts for assembly ... %$name\""},
    };
    for (const auto& c : cases) {
        const ExportLayout layout = fromKeywords(c.keywords, c.columns);
        const std::optional<WordReading> back = wordReading(layout);
        ASSERT_TRUE(back);
        EXPECT_TRUE(back->columns == c.columns);
        EXPECT_EQ(back->keywords.SubAssembly, c.keywords.SubAssembly);
        EXPECT_EQ(back->keywords.Part, c.keywords.Part);
        EXPECT_EQ(back->keywords.SummaryOfParts, c.keywords.SummaryOfParts);
        if (c.columns.Header.empty()) {
            EXPECT_EQ(back->keywords.contains, c.keywords.contains);
        }
        if (*c.description) {
            EXPECT_EQ(describeLayout(layout), c.description);
        }
    }
    // A format file's layout is the layout reader's.
    EXPECT_FALSE(wordReading(*parseBomFormat(kFrameFormat).layout));
}

}  // namespace
}  // namespace trelk
