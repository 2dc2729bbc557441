#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <utility>

#include "engine/reading/line_classifier.h"
#include "engine/recognition/candidates.h"
#include "engine/recognition/export_lines.h"
#include "engine/recognition/export_recognition.h"
#include "engine/runs/file_analysis.h"
#include "support/bom_product.h"
#include "support/format_render.h"
#include "support/literal_rollup.h"
#include "support/random_bom.h"
#include "support/random_export.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::BomModel;

struct Read {
    Analysis analysis;
};

// The file read as a run reads it, with the default keywords and columns.
Read readWithDefaults(const std::string& bytes) {
    testing::TempFolder folder;
    RunRequest request;
    request.bomFileName = folder.write("export.bom.1", bytes);
    Read read;
    read.analysis = analyse(
        request, [](std::string_view) {}, AnalysisWants());
    return read;
}

// The truth: the same product in the CAD system's English layout, read literally.
literal::Analysis truth(const BomModel& model) {
    const testing::Vocabulary english = testing::englishVocabulary();
    testing::CadLook look;
    look.typeWidth = 1000;
    return testing::literalAnalysis(testing::cadExport(model, english, look), english.keywords());
}

std::string tablesDifference(const literal::Analysis& expected, const Analysis& actual) {
    literal::Analysis got = testing::fromTables(actual.tables);
    literal::Analysis want = expected;
    want.log.clear();
    return testing::difference(want, got);
}

std::map<std::string, int64_t> totalsOf(const TotalsTable& table) {
    std::map<std::string, int64_t> out;
    for (size_t row = 0; row < table.count(); ++row) out[std::string(table.names[row])] = table.totals[row].value();
    return out;
}

std::map<std::string, int64_t> partTotals(const Analysis& analysis) { return totalsOf(analysis.tables.partTotals); }

// The parts of one build of the product, by name.
std::map<std::string, int64_t> partsInBuild(const testing::Product& product) {
    const testing::Truth truth = testing::truthOf(product);
    std::map<std::string, int64_t> parts;
    for (size_t m = 1; m < product.models.size(); ++m)
        if (!product.models[m].assembly && truth.inBuild[m] > 0) parts[product.models[m].name] += truth.inBuild[m];
    return parts;
}

// Exports in random interface languages: any script, a contains word of one or two fields, the
// summary's name at its end or inside it, type words cut at a random width of their column.
TEST(ExportRecognition, ReadsTheCadLayoutInAnyLanguage) {
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        std::mt19937_64 rng(seed);
        const BomModel model = testing::randomModel(rng);
        const testing::Vocabulary words = testing::randomVocabulary(rng);
        testing::CadLook look;
        look.typeWidth = 4 + static_cast<int>(rng() % 11);
        // A cut that left a word that is the other type word would be no cut, but that word.
        while (words.subAssembly.rfind(words.part, 0) == 0 &&
               words.part.size() <= static_cast<size_t>(look.typeWidth) &&
               words.subAssembly.size() > static_cast<size_t>(look.typeWidth))
            ++look.typeWidth;
        look.summary = model.blocks.size() == 1 || rng() % 4 != 0;
        look.byteOrderMark = rng() % 2 == 0;
        look.lineEnd = rng() % 3 == 0 ? "\n" : "\r\n";
        const std::string bytes = testing::cadExport(model, words, look);
        SCOPED_TRACE("seed " + std::to_string(seed) + ":\n" + testing::visible(bytes));
        const Read read = readWithDefaults(bytes);
        if (!read.analysis.wordsRecognised) {
            ADD_FAILURE() << "not recognised";
            continue;
        }
        EXPECT_FALSE(read.analysis.layoutRecognised);
        EXPECT_EQ(read.analysis.keywords.contains, words.contains);
        if (model.blocks.size() > 1) {
            EXPECT_EQ(read.analysis.keywords.SubAssembly, words.subAssembly);
        }
        EXPECT_EQ(read.analysis.keywords.Part, words.part);
        if (look.summary) {
            // Words that stand in other lines too give way to the whole line of the summary.
            const std::string& summary = read.analysis.keywords.SummaryOfParts;
            if (summary != words.keywords().SummaryOfParts) {
                EXPECT_EQ(summary, words.summaryBefore + " " + model.assemblies[0] + ":");
            }
            EXPECT_EQ(read.analysis.summaryDifferences, 0u);
        }
        EXPECT_EQ(tablesDifference(truth(model), read.analysis), "");
    }
}

// An export in random words for an odd seed, a company table for an even one.
std::string exportOrTable(uint64_t seed) {
    std::mt19937_64 rng(seed);
    const BomModel model = testing::randomModel(rng);
    return seed % 2 ? testing::cadExport(model, testing::randomVocabulary(rng), testing::CadLook())
                    : testing::randomTable(model, rng).text;
}

// The candidates by keywords and those described as a layout, each made alone (as a layout is made
// only when no reading by keywords is taken), are together every candidate: none lost, none
// added, each of its kind. On exports in other words and on company tables.
TEST(ExportRecognition, MakesTheCandidatesOfEachKindAsAllCandidatesHoldThem) {
    using recognition::Candidates;
    const auto described = [](const std::vector<recognition::Reading>& readings, std::optional<bool> layout) {
        std::multiset<std::string> out;
        for (const recognition::Reading& r : readings) {
            if (layout) {
                EXPECT_EQ(r.found.layout.has_value(), *layout);
            }
            out.insert(describeKeywords(r.found) + "\n" + describeLayout(r.found) + "\n" + r.mainName);
        }
        return out;
    };
    size_t ofEachKind[2] = {0, 0};
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        const std::string text = exportOrTable(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + ":\n" + testing::visible(text));
        const recognition::ExportLines lines(text);
        const auto all = described(recognition::candidateReadings(lines, KeywordSet(), ColumnLayout()), std::nullopt);
        std::multiset<std::string> byKind = described(
            recognition::candidateReadings(lines, KeywordSet(), ColumnLayout(), Candidates::ByKeywords), false);
        ofEachKind[0] += byKind.size();
        const auto asLayouts =
            described(recognition::candidateReadings(lines, KeywordSet(), ColumnLayout(), Candidates::AsLayouts), true);
        ofEachKind[1] += asLayouts.size();
        byKind.insert(asLayouts.begin(), asLayouts.end());
        EXPECT_EQ(byKind, all);
    }
    EXPECT_GT(ofEachKind[0], 0u);
    EXPECT_GT(ofEachKind[1], 0u);
}

// A caller that leaves recognition out gets the file read by the request's words alone, whatever
// they find; the same file is recognised otherwise.
TEST(ExportRecognition, IsLeftOutWhereTheCallerAsks) {
    for (uint64_t seed = 1; seed <= 20; ++seed) {
        const std::string text = exportOrTable(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + ":\n" + testing::visible(text));
        testing::TempFolder folder;
        RunRequest request;
        request.bomFileName = folder.write("export.bom.1", text);
        for (const bool recognition : {true, false}) {
            AnalysisWants wants;
            wants.recognition = recognition;
            std::string log;
            const Analysis a = analyse(
                request, [&](std::string_view line) { log.append(line).append("\n"); }, wants);
            EXPECT_EQ(a.wordsRecognised || a.layoutRecognised, recognition) << log;
            EXPECT_EQ(log.find("ecognised") != std::string::npos, recognition) << log;
            if (!recognition) {
                EXPECT_EQ(a.keywords.contains, request.keywords.contains);
                EXPECT_EQ(a.keywords.SummaryOfParts, request.keywords.SummaryOfParts);
                EXPECT_EQ(a.columns, request.columns);
            }
        }
    }
}

// Company tables: random columns in a random order, separators, titles, headers, empty cells, a
// position column beside the quantity, a type column or none, a summary with a total or none.
TEST(ExportRecognition, ReadsCompanyTables) {
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        std::mt19937_64 rng(seed);
        const BomModel model = testing::randomModel(rng);
        const testing::Table table = testing::randomTable(model, rng);
        SCOPED_TRACE("seed " + std::to_string(seed) + ":\n" + testing::visible(table.text));
        const Read read = readWithDefaults(table.text);
        if (!read.analysis.layoutRecognised) {
            ADD_FAILURE() << "not recognised";
            continue;
        }
        EXPECT_EQ(read.analysis.columns.Separator, table.separator);
        EXPECT_EQ(read.analysis.summaryDifferences, 0u);
        EXPECT_EQ(tablesDifference(truth(model), read.analysis), "");
    }
}

// The report's copy of the file stops at the summary's keyword, looked for across line ends: a
// keyword taken from a line holding a lone LF would stop it at an earlier block.
TEST(ExportRecognition, TakesNoSummaryKeywordHoldingALineEnd) {
    const std::string text =
        "Baugruppe TOP enth\xe4lt:\r\n2 Baugruppe SUB\r\n1 Teil NUT\r\n\r\n"
        "Baugruppe SUB enth\xe4lt:\r\n4 Teil NUT\r\n\r\n"
        "Summe TOP \n4 Teil NUT\r\n9 Teil NUT\r\n";
    const std::optional<RecognisedExport> found = recogniseExport(text, KeywordSet(), ColumnLayout());
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->keywords.SummaryOfParts.find_first_of("\r\n"), std::string::npos)
        << testing::visible(found->keywords.SummaryOfParts);
}

// What is no export keeps today's messages: random text, a list of names, the start of an export
// cut before its first block is whole.
TEST(ExportRecognition, LeavesWhatIsNoExport) {
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        std::mt19937_64 rng(seed);
        const BomModel model = testing::randomModel(rng);
        const std::string cad = testing::cadExport(model, testing::randomVocabulary(rng), testing::CadLook());
        std::string names;
        for (const std::string& name : model.parts) names += name + "\r\n";
        const std::string texts[] = {testing::randomText(rng), names, cad.substr(0, cad.find('\n', cad.find("  ")))};
        for (const std::string& text : texts) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ":\n" + testing::visible(text));
            EXPECT_FALSE(recogniseExport(text, KeywordSet(), ColumnLayout()).has_value());
        }
    }
}

// The CAD system's built-in layout in other interface languages, rendered by the tests' renderer
// from random products, now and then an assembly holding a part of its own name (in its block, and
// in the summary): the type column must be taken, or that part reads as the assembly holding
// itself. Every total as the product has it, and no problem logged.
TEST(ExportRecognition, TakesTheTypeColumnWhereAnAssemblyHoldsAPartOfItsName) {
    struct Language {
        const char* header;
        const char* summary;
        size_t words;  // in testing::typeWordSets()
    };
    const Language languages[] = {
        {"%$type %$name enth\xC3\xA4lt:", "Zusammenfassung der Teile der Baugruppe %$name:", 1},
        {"%$type %$name \xE3\x81\xAE\xE6\xA7\x8B\xE6\x88\x90:",
         "\xE9\x83\xA8\xE5\x93\x81\xE4\xB8\x80\xE8\xA6\xA7 %$name:", 2},
        {"%$type %$name \xD1\x81\xD0\xBE\xD0\xB4\xD0\xB5\xD1\x80\xD0\xB6\xD0\xB8\xD1\x82:",
         "\xD0\xA1\xD0\xB2\xD0\xBE\xD0\xB4\xD0\xBA\xD0\xB0 \xD0\xB4\xD0\xB5\xD1\x82\xD0\xB0\xD0\xBB\xD0\xB5\xD0\xB9 "
         "%$name:",
         3},
        {"%$type %$name \xE5\x8C\x85\xE5\x90\xAB:", "\xE9\x9B\xB6\xE4\xBB\xB6\xE6\xB1\x87\xE6\x80\xBB %$name:", 4},
    };
    size_t ownNames = 0;  // products with a part named as an assembly that holds it
    for (const Language& language : languages)
        for (uint64_t seed = 1; seed <= 30; ++seed) {
            testing::ProductShape shape;
            shape.maxParts = 20;
            shape.maxAssemblies = 5;
            const testing::Product product = testing::randomProduct(seed, shape);
            const testing::Truth truth = testing::truthOf(product);
            testing::RenderOptions options;
            options.words = testing::typeWordSets()[language.words];
            const std::string bytes =
                testing::renderExport(testing::defaultFormatIn(language.header, language.summary), product, options);
            SCOPED_TRACE("seed " + std::to_string(seed) + ":\n" + bytes);
            std::map<std::string, int64_t> parts, assemblies;
            for (size_t m = 1; m < product.models.size(); ++m) {
                const testing::Model& model = product.models[m];
                if (truth.inBuild[m] > 0) (model.assembly ? assemblies : parts)[model.name] = truth.inBuild[m];
                for (const testing::Member& member : model.members)
                    ownNames += model.assembly && !product.models[member.model].assembly &&
                                product.models[member.model].name == model.name && truth.inBuild[m] > 0;
            }
            const Read read = readWithDefaults(bytes);
            EXPECT_TRUE(read.analysis.mainAssemblyFound);
            EXPECT_EQ(read.analysis.problems, 0u);
            EXPECT_EQ(read.analysis.summaryDifferences, 0u);
            EXPECT_EQ(totalsOf(read.analysis.tables.partTotals), parts);
            EXPECT_EQ(totalsOf(read.analysis.tables.assemblyTotals), assemblies);
        }
    EXPECT_GT(ownNames, 0u);
}

// Name-first rows under the CAD system's own headers, names cut to 8 characters in the rows and
// type words to 5: a cut name is the one longer name the file prints that it starts (a block
// header's, the summary's), found so even where only the header prints it whole; one that starts
// two is left as printed and the run says it cannot read the file.
TEST(ExportRecognition, MatchesCutNamesToTheOneLongerNameTheyStart) {
    struct Case {
        const char* what;
        std::string bytes;
        std::map<std::string, int64_t> parts, assemblies;  // empty: said unreadable
        const char* logged;
    };
    const std::string top =
        "Assembly FRAME_ASSEMBLY contains:\nName      Type   Qty\nBRACKET_  Sub-A      2\nBOLT_M8   Part       4\n\n"
        "Sub-Assembly BRACKET_LEFT contains:\nName      Type   Qty\n";
    const Case cases[] = {
        {"one longer form each",
         top + "HEX_NUT_  Part       3\nPIN_5     Part       1\n\n"
               "Summary of parts for assembly FRAME_ASSEMBLY:\nName        Type   Qty\n"
               "BOLT_M8     Part       4\nHEX_NUT_M8  Part       6\nPIN_5       Part       2\n",
         {{"BOLT_M8", 4}, {"HEX_NUT_M8", 6}, {"PIN_5", 2}},
         {{"BRACKET_LEFT", 2}},
         "Cut names and type words matched to their longer forms in the BOM file: 2 names, 1 type word"},
        {"a cut type word in another language, whole only in a header",
         "Baugruppe FRAME_ASSEMBLY contains:\nName      Type   Qty\nBRACKET_  Unter      2\nBOLT_M8   Teil       4\n\n"
         "Unterbaugruppe BRACKET_LEFT contains:\nName      Type   Qty\nHEX_NUT_  Teil       3\nPIN_5     Teil       "
         "1\n\n"
         "Summary of parts for assembly FRAME_ASSEMBLY:\nName        Type   Qty\n"
         "BOLT_M8     Teil       4\nHEX_NUT_M8  Teil       6\nPIN_5       Teil       2\n",
         {{"BOLT_M8", 4}, {"HEX_NUT_M8", 6}, {"PIN_5", 2}},
         {{"BRACKET_LEFT", 2}},
         "Cut names and type words matched to their longer forms in the BOM file: 2 names, 1 type word"},
        {"a cut name that starts two",
         top + "HEX_NUT_  Part       3\nHEX_NUT_  Part       1\n\n"
               "Summary of parts for assembly FRAME_ASSEMBLY:\nName        Type   Qty\n"
               "BOLT_M8     Part       4\nHEX_NUT_M6  Part       2\nHEX_NUT_M8  Part       6\n",
         {},
         {},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::TempFolder folder;
        RunRequest request;
        request.bomFileName = folder.write("export.bom.1", c.bytes);
        std::string log;
        const Analysis a = analyse(
            request, [&](std::string_view line) { log += std::string(line) + "\n"; }, AnalysisWants());
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        if (c.parts.empty()) {
            EXPECT_TRUE(!a.mainAssemblyFound || a.readingInDoubt) << log;
            continue;
        }
        EXPECT_FALSE(a.readingInDoubt) << log;
        EXPECT_EQ(partTotals(a), c.parts) << log;
        EXPECT_EQ(totalsOf(a.tables.assemblyTotals), c.assemblies) << log;
    }
}

// The product's totals by the names a reading may give: a name that the file prints only cut (no
// longer form of it anywhere) is read as printed, and stands for the one product name it starts.
std::map<std::string, int64_t> asPrinted(std::map<std::string, int64_t> expected,
                                         const std::map<std::string, int64_t>& read) {
    for (const auto& r : read) {
        if (expected.count(r.first)) continue;
        std::vector<std::string> starting;
        for (const auto& e : expected)
            if (e.first.size() > r.first.size() && e.first.compare(0, r.first.size(), r.first) == 0 &&
                !read.count(e.first))
                starting.push_back(e.first);
        if (starting.size() != 1) continue;
        const int64_t total = expected[starting.front()];
        expected.erase(starting.front());
        expected[r.first] = total;
    }
    return expected;
}

// Company layouts read with no settings: every total as the product has it, or a run that says it
// could not read the file (no main assembly, or a reading in doubt: exit 1), never wrong totals
// that pass for a success.
TEST(ExportRecognition, ReadsACompanyLayoutRightOrSaysItCannot) {
    const std::pair<const char*, std::string_view> layouts[] = {
        {"German labels and TAB cells", testing::kGermanLabelsFormat},
        {"cut names and a cost column", testing::kCutNamesCostFormat},
        {"name first between | with decimal quantities", testing::kPipeNameFirstFormat},
        {"glued cells and a mass column", testing::kGluedMassFormat},
        {"a summary only", testing::kSummaryOnlyFormat},
        {"the built-in layout", testing::kDefaultFormat},
    };
    for (const auto& [name, format] : layouts)
        for (uint64_t seed = 1; seed <= 20; ++seed) {
            testing::ProductShape shape;
            shape.maxParts = 20;
            shape.maxAssemblies = 5;
            shape.parameters = testing::formatParameters(format);
            const testing::Product product = testing::randomProduct(seed, shape);
            const std::string bytes = testing::renderExport(format, product);
            SCOPED_TRACE(std::string(name) + ", seed " + std::to_string(seed) + ":\n" + bytes.substr(0, 1500));
            const Read read = readWithDefaults(bytes);
            if (!read.analysis.mainAssemblyFound || read.analysis.readingInDoubt) continue;
            EXPECT_EQ(partTotals(read.analysis), asPrinted(partsInBuild(product), partTotals(read.analysis)));
        }
}

// Exports that recognition once read with exit 0 and wrong totals: exact now, or a run that says
// it could not read them; and beside each such fault, the same layout without it, which must read.
TEST(ExportRecognition, ReadsNoneOfTheseWrongInSilence) {
    struct Case {
        const char* what;
        std::string bytes;
        std::map<std::string, int64_t> parts;
        bool mustRead = false;
    };
    const std::map<std::string, int64_t> fourParts = {{"BOLT", 4}, {"NUT", 2}, {"PIN", 30}, {"WASHER", 6}};
    const Case cases[] = {
        {"the same text after every header's name",
         "*** TOP ***  (Guide)\nName|Qty\nSUB_A|2\nBOLT|4\n\n"
         "*** SUB_A ***  (Guide)\nName|Qty\nSUB_B|3\nNUT|1\n\n"
         "*** SUB_B ***  (Guide)\nName|Qty\nPIN|5\nWASHER|1\n\n"
         "Name|Qty\nBOLT|4\nNUT|2\nPIN|30\nWASHER|6\n",
         fourParts, true},
        {"a description after each header's name, two alike (a rule holding it finds only those two)",
         "*** TOP ***  (Frame)\nName|Qty\nSUB_A|2\nBOLT|4\n\n"
         "*** SUB_A ***  (Guide)\nName|Qty\nSUB_B|3\nNUT|1\n\n"
         "*** SUB_B ***  (Guide)\nName|Qty\nPIN|5\nWASHER|1\n\n"
         "Name|Qty\nBOLT|4\nNUT|2\nPIN|30\nWASHER|6\n",
         fourParts},
        {"a description after the name at blanks, the only alike ones empty",
         "*** TOP ***  (Frame left)\n-----\nQty Description Name\n2 Steel SUB_A\n4 BOLT\n\n"
         "*** SUB_A ***  ()\n-----\nQty Description Name\n3 SUB_B\n1 Brass NUT\n\n"
         "*** SUB_B ***  ()\n-----\nQty Description Name\n5 PIN\n\n"
         "Parts of TOP\nQty Description Name\n4 BOLT\n2 Brass NUT\n30 PIN\n",
         {{"BOLT", 4}, {"NUT", 2}, {"PIN", 30}}},
        {"names cut in the rows, whole in the headers: a sub-assembly without a block",
         "Assembly TOP enth\xC3\xA4lt:\nMenge\tTyp      \tModellname\n1\tSub-Assem\tTURNTABLE_BEARIN\n"
         "2\tPart     \tBOLT\n1\tSub-Assem\tFRAME_ASM\n\n"
         "Sub-Assembly TURNTABLE_BEARING_ASM enth\xC3\xA4lt:\nMenge\tTyp      \tModellname\n3\tPart     \tNUT\n\n"
         "Sub-Assembly FRAME_ASM enth\xC3\xA4lt:\nMenge\tTyp      \tModellname\n2\tPart     \tBOLT\n"
         "1\tPart     \tNUT\n\n"
         "Teile\xC3\xBC"
         "bersicht TOP\nMenge\tTyp      \tModellname\n4\tPart     \tBOLT\n4\tPart     \tNUT\n",
         {{"BOLT", 4}, {"NUT", 4}}},
        {"no type column, and an assembly holding a part of its own name",
         "Baugruppe TOP enth\xC3\xA4lt:\n  2  SUB\n  3  BOLT\n\nBaugruppe SUB enth\xC3\xA4lt:\n  1  SUB\n  4  NUT\n\n"
         "Teile TOP:\n  2  SUB\n  3  BOLT\n  8  NUT\n",
         {{"SUB", 2}, {"BOLT", 3}, {"NUT", 8}}},
        {"names whole in the rows and the headers",
         "Assembly TOP enth\xC3\xA4lt:\nMenge\tTyp      \tModellname\n1\tSub-Assem\tBEARING_ASM\n"
         "2\tPart     \tBOLT\n1\tSub-Assem\tFRAME_ASM\n\n"
         "Sub-Assembly BEARING_ASM enth\xC3\xA4lt:\nMenge\tTyp      \tModellname\n3\tPart     \tNUT\n\n"
         "Sub-Assembly FRAME_ASM enth\xC3\xA4lt:\nMenge\tTyp      \tModellname\n2\tPart     \tBOLT\n"
         "1\tPart     \tNUT\n\n"
         "Teile\xC3\xBC"
         "bersicht TOP\nMenge\tTyp      \tModellname\n4\tPart     \tBOLT\n4\tPart     \tNUT\n",
         {{"BOLT", 4}, {"NUT", 4}},
         true},
        {"name-first cells between ';', free text after each header's name, a summary of fewer cells",
         "Assembly: TOP  Rev. A  Frame, welded\nName;Qty;Kind\nSUB;2.000;Sub-Assembly\nBOLT;4.000;Part\n\n"
         "Sub-Assembly: SUB  Rev. C  Guide rail\nName;Qty;Kind\nNUT;1.000;Part\nPIN;5.000;Part\n\n"
         "Parts of TOP:\nName;Qty\nBOLT;4.000\nNUT;2.000\nPIN;10.000\n",
         {{"BOLT", 4}, {"NUT", 2}, {"PIN", 10}},
         true},
        {"the same in one block, its summary as long as its rows",
         "Assembly: TOP  Rev. A  Frame\nName;Qty;Kind\nBOLT;4.000;Part\nNUT;1.000;Part\n\n"
         "Parts of TOP:\nName;Qty\nBOLT;4.000\nNUT;1.000\n",
         {{"BOLT", 4}, {"NUT", 1}},
         true},
        {"quantities glued to the names, a total line after each block",
         "Assembly: TOP  Rev. A  Frame\nQty Name   Type\n2.000SUB    Sub-Asm\n4.000BOLT   Part      0.5\n"
         "Total mass: 2.0 kg\n\nSub-Assembly: SUB  Rev. B  Rail\nQty Name   Type\n1.000NUT    Part\n"
         "12.000PIN   Part\nTotal mass: 0.0 kg\n\nAll parts of TOP\nQty Name   Type\n4.000BOLT   Part      0.5\n"
         "2.000NUT    Part\n24.000PIN   Part\nTotal mass: 2.0 kg\n",
         {{"BOLT", 4}, {"NUT", 2}, {"PIN", 24}},
         true},
        {"a name as wide as its field, glued to its type word",
         "Assembly: TOP  Rev. A  Frame\nQty Name   Type\n2.000SUB    Sub-Asm\n4.000BOLT   Part\n\n"
         "Sub-Assembly: SUB  Rev. B  Rail\nQty Name   Type\n1.000NUT    Part\n3.000WASHERSPart\n\n"
         "All parts of TOP\nQty Name   Type\n4.000BOLT   Part\n2.000NUT    Part\n6.000WASHERSPart\n",
         {{"BOLT", 4}, {"NUT", 2}, {"WASHERS", 6}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Read read = readWithDefaults(c.bytes);
        if (!c.mustRead && (!read.analysis.mainAssemblyFound || read.analysis.readingInDoubt)) continue;
        EXPECT_TRUE(read.analysis.mainAssemblyFound);
        EXPECT_FALSE(read.analysis.readingInDoubt);
        EXPECT_EQ(partTotals(read.analysis), c.parts);
    }
}

// A block under German label lines, its cells at TABs, as a company's format prints it: a title
// line, a drawing number, the name and the type word each after a label and TABs, the column titles.
std::string labelledBlock(const std::string& name, const std::string& kind, const std::string& rows,
                          const std::string& drawing = "Z-100") {
    return "St\xC3\xBC"
           "ckliste\nZeichnungsnummer:\t" +
           drawing + "\nModellname:\t\t" + name + "\nArt:\t\t\t" + kind + "\nMenge\tTyp\tModellname\tBenennung\n" +
           rows + "\n";
}

// Blocks under several label lines, the summary one more such group marked only by a label's
// value: read exactly, the summary never a second block of the main assembly (each where-used list
// once) and a changed summary row a summary difference (--strict), or said unreadable where the
// lines cannot tell the summary or the name apart.
TEST(ExportRecognition, ReadsBlocksUnderLabelLines) {
    const std::string top = "2\tUnterbaugruppe\tSUB_A\n4\tTeil\tBOLT\tSchraube M8\n";
    const std::string sub = "3\tTeil\tNUT\tMutter M8\n1\tTeil\tBOLT\n";
    const std::string summary = "6\tTeil\tBOLT\tSchraube M8\n6\tTeil\tNUT\tMutter M8\n";
    const std::map<std::string, int64_t> parts = {{"BOLT", 6}, {"NUT", 6}};
    const std::string whole =
        "Gesamtst\xC3\xBC"
        "ckliste";
    struct Case {
        const char* what;
        std::string bytes;
        bool mustRead;
        size_t summaryDifferences = 0;
        // The blocks each part is named in: a summary read as a block would add one each.
        std::map<std::string, uint32_t> usedIn = {{"BOLT", 2}, {"NUT", 1}};
    };
    const Case cases[] = {
        {"a summary marked by its type label",
         labelledBlock("TOP", "Baugruppe", top) + labelledBlock("SUB_A", "Unterbaugruppe", sub, "") +
             labelledBlock("TOP", whole, summary),
         true},
        {"the name on the first label line, the mark on the last",
         "Modellname:\tTOP\nArt:\tBaugruppe\nMenge\tTyp\tModellname\n" + top + "\n" +
             "Modellname:\tSUB_A\nArt:\tUnterbaugruppe\nMenge\tTyp\tModellname\n" + sub + "\n" +
             "Modellname:\tTOP\nArt:\tSumme\nMenge\tTyp\tModellname\n" + summary,
         true},
        {"a summary headed as the main block is: no mark of its own",
         labelledBlock("TOP", "Baugruppe", top) + labelledBlock("SUB_A", "Unterbaugruppe", sub) +
             labelledBlock("TOP", "Baugruppe", summary),
         false},
        {"one block, its name labelled as the name column is titled",
         labelledBlock("TOP", "Baugruppe", "6\tTeil\tBOLT\n6\tTeil\tNUT\n") +
             labelledBlock("TOP", whole, "6\tTeil\tBOLT\n6\tTeil\tNUT\n"),
         true,
         0,
         {{"BOLT", 1}, {"NUT", 1}}},
        {"one block, its drawing number and its name both again above the summary, no label a title",
         "Zeichnung:\tZ-100\nName:\tTOP\nArt:\tBaugruppe\nMenge\tTyp\tModell\n6\tTeil\tBOLT\n6\tTeil\tNUT\n\n"
         "Zeichnung:\tZ-100\nName:\tTOP\nArt:\tSumme\nMenge\tTyp\tModell\n6\tTeil\tBOLT\n6\tTeil\tNUT\n",
         false},
        {"a changed summary row",
         labelledBlock("TOP", "Baugruppe", top) + labelledBlock("SUB_A", "Unterbaugruppe", sub) +
             labelledBlock("TOP", whole, "7\tTeil\tBOLT\n6\tTeil\tNUT\n"),
         true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + ":\n" + c.bytes);
        const Analysis a = readWithDefaults(c.bytes).analysis;
        const bool read = a.mainAssemblyFound && !a.readingInDoubt;
        if (!c.mustRead && !read) continue;
        ASSERT_TRUE(read);
        EXPECT_EQ(a.summaryDifferences, c.summaryDifferences);
        EXPECT_EQ(partTotals(a), parts);
        EXPECT_EQ(a.tables.mainAssemblyName, "TOP");
        const WhereUsedTable& used = a.tables.partWhereUsed;
        std::map<std::string, uint32_t> entries;
        for (size_t r = 0; r < used.count(); ++r)
            entries[std::string(used.names[r])] = used.entryEnd[r] - used.entryBegin[r];
        EXPECT_EQ(entries, c.usedIn);
        EXPECT_TRUE(a.layoutRecognised);
    }
}

// Text of about `bytes` bytes, made of one shape again and again.
using Shape = std::string (*)(size_t bytes, std::mt19937_64& rng);

std::string repeated(size_t bytes, const std::function<std::string(size_t)>& piece) {
    std::string text;
    for (size_t i = 0; text.size() < bytes; ++i) text += piece(i);
    return text;
}

uint64_t recognitionSteps(const std::string& text) {
    uint64_t steps = 0;
    recogniseExport(text, KeywordSet(), ColumnLayout(), &steps);
    return steps;
}

// Recognition's work, counted in steps (the bytes its scans and trials go over), grows with the
// file and no faster: for exports and what only looks like one (wide tables of numbers, a line
// that never ends, headers without end, many blocks of one member), a file twice the size takes
// at most a little over twice the steps, and 100 KB stays within a few dozen steps a byte.
TEST(ExportRecognition, TakesWorkInProportionToTheFile) {
    const std::pair<const char*, Shape> shapes[] = {
        {"exports in other words, one after another",
         [](size_t bytes, std::mt19937_64& rng) {
             return repeated(bytes, [&](size_t) {
                 return testing::cadExport(testing::randomModel(rng), testing::randomVocabulary(rng),
                                           testing::CadLook());
             });
         }},
        {"company tables, one after another",
         [](size_t bytes, std::mt19937_64& rng) {
             return repeated(bytes, [&](size_t) { return testing::randomTable(testing::randomModel(rng), rng).text; });
         }},
        {"a table of 200 columns of numbers",
         [](size_t bytes, std::mt19937_64&) {
             return repeated(bytes, [](size_t i) {
                 std::string line = std::to_string(i);
                 for (int k = 1; k < 200; ++k) line += "|" + std::to_string(k % 7);
                 return line + "\r\n";
             });
         }},
        {"rows of a quantity and a name",
         [](size_t bytes, std::mt19937_64&) {
             return repeated(bytes, [](size_t i) { return " 1 P" + std::to_string(i % 5000) + "\r\n"; });
         }},
        {"one line without end",
         [](size_t bytes, std::mt19937_64&) {
             return repeated(bytes, [](size_t i) { return "w" + std::to_string(i) + " "; });
         }},
        {"blocks of one member each",
         [](size_t bytes, std::mt19937_64&) {
             return repeated(bytes, [](size_t i) {
                 return "A" + std::to_string(i) + " enth\xE4lt:\r\n 2 Baugruppe A" + std::to_string(i + 1) + "\r\n";
             });
         }},
        {"text",
         [](size_t bytes, std::mt19937_64& rng) {
             return repeated(bytes, [&](size_t) { return testing::randomText(rng); });
         }},
        {"blocks under TAB label lines, each holding the next",
         [](size_t bytes, std::mt19937_64&) {
             return repeated(bytes, [](size_t i) {
                 return labelledBlock("A" + std::to_string(i), i == 0 ? "Baugruppe" : "Unterbaugruppe",
                                      "2\tUnterbaugruppe\tA" + std::to_string(i + 1) + "\n3\tTeil\tP" +
                                          std::to_string(i % 50) + "\tSchraube\n");
             });
         }},
    };
    constexpr size_t kBytes = 100 * 1024;
    constexpr uint64_t kStepsPerByte = 50;  // about 12 today
    for (const auto& [name, shape] : shapes) {
        SCOPED_TRACE(name);
        std::mt19937_64 rng(7);
        const std::string small = shape(kBytes, rng);
        const std::string large = small + small;
        const uint64_t smallSteps = recognitionSteps(small), largeSteps = recognitionSteps(large);
        EXPECT_LE(smallSteps, kStepsPerByte * small.size());
        EXPECT_LE(largeSteps, smallSteps * 5 / 2);
    }
}

// The words held for every line, and a cell taken alone, are those of cutting the line whole, as
// the cuts take them (at blanks, after a glued quantity, at each separator), each counted as one
// cut: on lines of blanks, tabs, separators, numbers, letters and line ends in any order.
TEST(ExportLines, HoldEveryLineCutAsCuttingItWholeGives) {
    std::mt19937_64 rng(29);
    const std::string alphabet = "  \t|;,.0123456789abAB\xC3\xA4:\r\n\x1A";
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const size_t length = static_cast<size_t>(rng() % 200);
        for (size_t k = 0; k < length; ++k) bytes += alphabet[static_cast<size_t>(rng() % alphabet.size())];
        const recognition::ExportLines lines(bytes);
        std::vector<recognition::LineCut> cuts;
        for (const char separator : {'\0', '|', ';', ','}) cuts.emplace_back(separator, lines.size());
        for (const int decimals : {0, 1, 3}) {
            cuts.emplace_back('\0', lines.size());
            cuts.back().gluedDecimals = decimals;
        }
        // A cut cuts every line at its first ask, and counts that scan then.
        if (lines.size() > 0)
            for (const recognition::LineCut& cut : cuts) lines.cells(cut, 0);
        for (size_t i = 0; i < lines.size(); ++i) {
            SCOPED_TRACE(::testing::PrintToString(bytes) + " line " + std::to_string(i));
            const std::vector<std::string_view> words = cellsOfLine(lines.norm(i), 0);
            const recognition::LineWords held = lines.words(i);
            EXPECT_EQ(words, std::vector<std::string_view>(held));
            EXPECT_EQ(words, lines.fields(i));
            for (const recognition::LineCut& cut : cuts)
                for (int n = -5; n <= 5; ++n) {
                    if (n == 0) continue;
                    const uint64_t before = lines.steps();
                    const std::string_view whole = recognition::cellAt(lines.cells(cut, i), n);
                    const uint64_t wholeSteps = lines.steps() - before;
                    EXPECT_EQ(whole, lines.cell(cut, i, n))
                        << "separator " << int(cut.separator) << ", glued " << cut.gluedDecimals << ", cell " << n;
                    EXPECT_EQ(wholeSteps, lines.steps() - before - wholeSteps);
                }
        }
    }
}

}  // namespace
}  // namespace trelk
