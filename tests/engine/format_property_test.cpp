// Random products through random BOM format files, rendered by the tests' own renderer
// (support/format_render.h, written from the CAD system's rules and not from the reader) and read
// back by the format file: every total and every attribute as the product has it, or a cut name the
// reading cannot tell from another and says so, which the product then really holds.
#include <gtest/gtest.h>

#include <algorithm>

#include <map>
#include <set>

#include "engine/reading/bom_format_file.h"
#include "engine/reading/layout_reader.h"
#include "engine/rollup/column_rollup.h"
#include "engine/rollup/rollup.h"
#include "engine/runs/file_analysis.h"
#include "support/bom_product.h"
#include "support/company_example.h"
#include "support/format_render.h"
#include "support/random_format.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::Product;
using testing::Truth;

std::string shown(uint64_t seed, const std::string& format, const std::string& bytes) {
    return "seed " + std::to_string(seed) + "\n--- format:\n" + format + "--- export (start):\n" +
           bytes.substr(0, 1500);
}

using Totals = std::map<std::string, int64_t>;

Totals totalsOf(const TotalsTable& table) {
    Totals totals;
    for (size_t row = 0; row < table.count(); ++row) totals[std::string(table.names[row])] = table.totals[row].value();
    return totals;
}

// The models by the longest form of their names the export prints, assemblies and parts apart:
// models whose names print alike are one item to any reader.
using Printed = std::map<std::pair<std::string, bool>, std::vector<const testing::Model*>>;

// The longest form of a name the export prints: cut after `cut` characters, or whole (-1).
std::string longestForm(const std::string& name, int cut) {
    if (cut < 0) return name;
    size_t characters = 0;
    for (size_t i = 0; i < name.size(); ++i)
        if ((static_cast<unsigned char>(name[i]) & 0xC0) != 0x80 && characters++ == static_cast<size_t>(cut))
            return name.substr(0, i);
    return name;
}

// How far the export prints a name at most: -1 when some field prints it whole.
int widestCut(std::initializer_list<const LayoutField*> fields) {
    int widest = -2;
    for (const LayoutField* f : fields) {
        if (!f) continue;
        const int cut = f->format.cutAt();
        widest = widest == -1 || cut < 0 ? -1 : std::max(widest, cut);
    }
    return widest == -2 ? -1 : widest;
}

// What the product holds: every part and every sub-assembly of one build, each by the longest form
// of its name that the export prints; and the models by that form.
void expectedTotals(const Product& product, const Truth& truth, const ExportLayout& layout, Totals& parts,
                    Totals& assemblies, Printed* printed = nullptr) {
    const LayoutField* row = layout.breakdown ? layout.breakdown->row.printed.find(FieldRole::Name) : nullptr;
    const LayoutField* listed = layout.summary ? layout.summary->row.printed.find(FieldRole::Name) : nullptr;
    const LayoutField* header = nullptr;
    if (layout.breakdown)
        for (const LineTemplate& line : layout.breakdown->heading)
            header = header ? header : line.find(FieldRole::Name);
    const int partCut = widestCut({row, listed}), assemblyCut = widestCut({row, header});
    for (size_t m = 0; m < product.models.size(); ++m) {
        const testing::Model& model = product.models[m];
        const std::string name = longestForm(model.name, model.assembly ? assemblyCut : partCut);
        if (printed && (m == 0 || truth.inBuild[m] > 0)) (*printed)[{name, model.assembly}].push_back(&model);
        if (m == 0 || truth.inBuild[m] == 0) continue;
        (model.assembly ? assemblies : parts)[name] += truth.inBuild[m];
    }
}

// The attributes read agree with the models' parameters: a number within the rounding of its
// print, a text as printed (perhaps cut), and no item whose rows seem to disagree. Items that stand
// for several models are not looked at.
std::string attributeFault(const Printed& models, const ItemAttributes& attributes) {
    for (const ItemAttributeRow& row : attributes.items) {
        const auto found = models.find({row.name, row.kind == ItemKind::SubAssembly});
        if (found == models.end()) return "no model for the item " + row.name;
        if (found->second.size() > 1) continue;
        const testing::Model& model = *found->second.front();
        for (size_t c = 0; c < attributes.columns.size(); ++c) {
            const ItemAttribute& a = row.values[c];
            const std::string& parameter = attributes.columns[c].parameter;
            if (a.value.empty() || parameter.empty()) continue;
            const std::string what = row.name + " " + parameter + " '" + a.value.text + "'";
            if (a.disagrees) return what + ": its rows seem to disagree";
            const std::string* truth = model.parameter(parameter);
            if (!truth) return what + ": the model has no such parameter";
            const AttributeValue exact = AttributeValue::of(*truth);
            if (a.value.numeric && exact.numeric ? !a.value.agrees(exact) : truth->rfind(a.value.text, 0) != 0)
                return what + ": the model's value is '" + *truth + "'";
        }
    }
    return "";
}

// A cut text the reading left as printed must start the names of two models of the product (an
// assembly and a part may share a name).
bool reallyAmbiguous(const Product& product, const std::string& line) {
    const std::string cut = line.substr(line.rfind(": ") + 2);
    size_t models = 0;
    for (const testing::Model& m : product.models) models += m.name.rfind(cut, 0) == 0;
    return models >= 2;
}

// The numeric columns totalled through the tree are the product's totals, for the whole build and
// for every assembly whose printed name stands for one model; and the export's own total lines
// agree with the sums within their rounding.
std::string columnTotalFault(const Product& product, const Truth& truth, const Printed& printed,
                             const ItemAttributes& attributes, const ResultTables& tables) {
    std::vector<std::string> sums, log;
    for (const auto& entry : truth.treeTotal) sums.push_back(entry.first);
    const ColumnRollup rollup =
        rollUpColumns(attributes, tables, 1, sums, [&](std::string_view line) { log.emplace_back(line); });
    for (const std::string& line : log)
        if (line.find("differs from its total line") != std::string::npos) return line;
    if (rollup.differences > 0) return "total lines differ";
    for (const ColumnTotal& t : rollup.totals) {
        const std::string& parameter = attributes.columns[t.column].parameter;
        const auto expected = truth.treeTotal.find(parameter);
        if (expected == truth.treeTotal.end()) continue;
        testing::Amount got;
        if (!testing::parseAmount(t.total, got) || !(got == expected->second[0]))
            return parameter + " for the whole build: " + t.total;
        for (const ColumnTotal::Assembly& a : t.assemblies) {
            const auto models = printed.find({std::string(a.name), true});
            if (models == printed.end() || models->second.size() != 1) continue;
            const size_t m = static_cast<size_t>(models->second[0] - product.models.data());
            if (!testing::parseAmount(a.total, got) || !(got == expected->second[m]))
                return parameter + " for " + std::string(a.name) + ": " + a.total;
        }
    }
    return "";
}

TEST(FormatProperty, RandomProductsThroughRandomFormatsReadBackExactly) {
    size_t exact = 0, ambiguous = 0;
    for (uint64_t seed = 1; seed <= 400; ++seed) {
        const testing::RandomFormat format = testing::randomFormat(seed);
        testing::ProductShape shape;
        shape.parameters = format.parameters;
        shape.assemblyTotals = seed % 2 == 0;
        const Product product = testing::randomProduct(seed, shape);
        const std::string bytes = testing::renderExport(format.text, product, format.options);
        const std::string what = shown(seed, format.text, bytes);

        const BomFormatFile file = parseBomFormat(format.text);
        ASSERT_TRUE(file.layout) << what << "\n" << file.errorLine << ": " << file.error;
        const LayoutReading reading = readByLayout(bytes, *file.layout);
        ASSERT_FALSE(reading.misfit) << what << "\n" << messages::doesNotFit(*reading.misfit);
        bool saidAmbiguous = false;
        for (const std::string& line : reading.log)
            if (line.rfind("Cut name left as printed", 0) == 0) {
                EXPECT_TRUE(reallyAmbiguous(product, line)) << what << "\n" << line;
                saidAmbiguous = true;
            }
        if (saidAmbiguous) {
            ++ambiguous;
            continue;
        }
        const BomStructure& bom = *reading.structure;
        std::vector<std::string> log;
        const ResultTables tables = sortTables(bom,
                                               expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1),
                                                              [&](std::string_view line) { log.emplace_back(line); }),
                                               buildWhereUsed(bom));
        EXPECT_TRUE(log.empty()) << what << "\n" << log.front();
        const Truth truth = testing::truthOf(product);
        Totals parts, assemblies;
        Printed printed;
        expectedTotals(product, truth, *file.layout, parts, assemblies, &printed);
        EXPECT_EQ(bom.mainAssemblyName(), product.models[0].name) << what;
        EXPECT_EQ(totalsOf(tables.partTotals), parts) << what;
        if (!reading.summaryOnly) {
            EXPECT_EQ(totalsOf(tables.assemblyTotals), assemblies) << what;
        }
        EXPECT_EQ(attributeFault(printed, reading.attributes), "") << what;
        EXPECT_EQ(columnTotalFault(product, truth, printed, reading.attributes, tables), "") << what;
        ++exact;
    }
    // Most products are read whole; the others hold names that no cut form can tell apart.
    EXPECT_GT(exact, 5 * ambiguous) << exact << " read whole, " << ambiguous << " with ambiguous cut names";
}

// The layouts companies were seen to write, which readings without their format file took wrong
// (cut names and type words, label lines, name-first cells, glued decimal quantities, a
// summary-only list), in every interface language, read by the settings' English type words.
TEST(FormatProperty, ReadsTheCompanyLayoutsInEveryLanguage) {
    const std::string_view formats[] = {testing::kGermanLabelsFormat, testing::kCutNamesCostFormat,
                                        testing::kPipeNameFirstFormat, testing::kGluedMassFormat,
                                        testing::kSummaryOnlyFormat};
    for (const std::string_view format : formats)
        for (size_t words = 0; words < testing::typeWordSets().size(); ++words)
            for (uint64_t seed = 1; seed <= 20; ++seed) {
                testing::ProductShape shape;
                shape.parameters = testing::formatParameters(format);
                const Product product = testing::randomProduct(seed * 7 + words, shape);
                testing::RenderOptions options;
                options.words = testing::typeWordSets()[words];
                const std::string bytes = testing::renderExport(format, product, options);
                const std::string what = shown(seed * 7 + words, std::string(format), bytes);
                const BomFormatFile file = parseBomFormat(format);
                ASSERT_TRUE(file.layout) << what;
                const LayoutReading reading = readByLayout(bytes, *file.layout);
                ASSERT_FALSE(reading.misfit) << what << "\n" << messages::doesNotFit(*reading.misfit);
                if (reading.ambiguous > 0) continue;  // names that print alike: said, and in doubt
                const BomStructure& bom = *reading.structure;
                const ResultTables tables =
                    sortTables(bom, expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1), [](std::string_view) {}),
                               buildWhereUsed(bom));
                Totals parts, assemblies;
                Printed printed;
                expectedTotals(product, testing::truthOf(product), *file.layout, parts, assemblies, &printed);
                EXPECT_EQ(totalsOf(tables.partTotals), parts) << what;
                if (!reading.summaryOnly) {
                    EXPECT_EQ(totalsOf(tables.assemblyTotals), assemblies) << what;
                }
                EXPECT_EQ(attributeFault(printed, reading.attributes), "") << what;
            }
}

// Every attribute by item and column title, as text: what two readings of one file are compared by.
std::map<std::pair<std::string, std::string>, std::string> attributesByTitle(const ItemAttributes& attributes) {
    std::map<std::pair<std::string, std::string>, std::string> out;
    for (const ItemAttributeRow& row : attributes.items)
        for (size_t c = 0; c < attributes.columns.size(); ++c)
            if (!row.values[c].value.empty())
                out[{row.name + (row.kind == ItemKind::SubAssembly ? " (assembly)" : ""),
                     attributes.columns[c].title}] = row.values[c].value.text;
    return out;
}

// The column totals of a run as text, each with its listed line and its assemblies': what two
// readings of one file are compared by.
std::vector<std::string> columnTotalsOf(const Analysis& a) {
    std::vector<std::string> out;
    for (const ColumnTotal& t : a.columnTotals) {
        std::string line = t.title + " = " + t.total + " listed " + t.listed.value_or("-") + " checked " + t.checked +
                           (t.differs ? " differs" : "");
        for (const ColumnTotal::Assembly& as : t.assemblies)
            line += "; " + std::string(as.name) + " = " + as.total + " listed " + as.listed.value_or("-") +
                    (as.differs ? " differs" : "");
        out.push_back(std::move(line));
    }
    return out;
}

// The company layouts that recognition reads, with no settings, in every interface language: read
// as their format file reads them, every total, every cell under its column's title and every
// column total, and nothing said in doubt.
TEST(FormatProperty, WithNoSettingsTheRecognisedCompanyLayoutsReadAsByTheirFormatFile) {
    // Each with the width of its name field: a longer name goes on below its cell, which no
    // recognition places, and one as long may be glued to the next: such a file may be said
    // unreadable, else it too is read exactly.
    struct Format {
        std::string_view text;
        size_t nameWidth;
    };
    // Names cut to 18 characters in the rows: one as long may be the start of several.
    const Format formats[] = {{testing::kPipeNameFirstFormat, 31},
                              {testing::kGluedMassFormat, 24},
                              {testing::kCutNamesCostFormat, 18},
                              {testing::kGermanLabelsFormat, ~size_t{0}}};
    testing::TempFolder folder;
    size_t read = 0, readWide = 0, totalled = 0;
    for (const Format& f : formats)
        for (size_t words = 0; words < testing::typeWordSets().size(); ++words)
            for (uint64_t seed = 1; seed <= 20; ++seed) {
                testing::ProductShape shape;
                shape.parameters = testing::formatParameters(f.text);
                const Product product = testing::randomProduct(seed * 7 + words, shape);
                const auto characters = [](const std::string& text) {
                    return static_cast<size_t>(
                        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
                };
                const bool wide =
                    std::any_of(product.models.begin(), product.models.end(),
                                [&](const testing::Model& m) { return characters(m.name) >= f.nameWidth; });
                testing::RenderOptions options;
                options.words = testing::typeWordSets()[words];
                const std::string bytes = testing::renderExport(f.text, product, options);
                const std::string what = shown(seed * 7 + words, std::string(f.text), bytes);
                RunRequest request;
                request.bomFileName = folder.write("export.bom.1", bytes);
                const Analysis a = analyse(
                    request, [](std::string_view) {}, AnalysisWants());
                if (wide && (!a.mainAssemblyFound || a.readingInDoubt)) continue;  // said unreadable
                read += !wide;
                readWide += wide;
                ASSERT_TRUE(a.mainAssemblyFound) << what;
                EXPECT_FALSE(a.readingInDoubt) << what;
                EXPECT_EQ(a.problems, 0u) << what;
                const BomFormatFile file = parseBomFormat(f.text);
                ASSERT_TRUE(file.layout);
                Totals parts, assemblies;
                expectedTotals(product, testing::truthOf(product), *file.layout, parts, assemblies);
                EXPECT_EQ(totalsOf(a.tables.partTotals), parts) << what;
                EXPECT_EQ(totalsOf(a.tables.assemblyTotals), assemblies) << what;

                RunRequest byFile = request;
                byFile.bomFormatFile = folder.write("company.fmt", std::string(f.text));
                const Analysis formatRun = analyse(
                    byFile, [](std::string_view) {}, AnalysisWants());
                // Every column the recognition keeps is named as the format file names it (never
                // "column N"), and its totals are the format reading's, listed lines and all.
                std::set<std::string> titles, formatTitles;
                for (const AttributeColumn& c : a.attributes.columns) titles.insert(c.title);
                for (const AttributeColumn& c : formatRun.attributes.columns) formatTitles.insert(c.title);
                EXPECT_FALSE(titles.empty()) << what;
                for (const std::string& title : titles) EXPECT_TRUE(formatTitles.count(title)) << title << "\n" << what;
                EXPECT_EQ(columnTotalsOf(a), columnTotalsOf(formatRun)) << what;
                // The summary agrees; a column's total line may not, where parts that print alike
                // have different values, and then the format reading finds it too.
                size_t columnDifferences = 0;
                for (const ColumnTotal& t : a.columnTotals) {
                    columnDifferences += t.differs;
                    for (const ColumnTotal::Assembly& as : t.assemblies) columnDifferences += as.differs;
                }
                EXPECT_EQ(a.summaryDifferences, columnDifferences) << what;
                totalled += !a.columnTotals.empty();
                // The rows' cells, as the format file reads them; the parameters of block headers,
                // free text to a recognition, are not taken (the main assembly's, in no row).
                auto byFormat = attributesByTitle(formatRun.attributes);
                const std::string main = product.models[0].name + " (assembly)";
                for (auto at = byFormat.begin(); at != byFormat.end();)
                    at = titles.count(at->first.second) && at->first.first != main ? std::next(at) : byFormat.erase(at);
                const auto recognised = attributesByTitle(a.attributes);
                for (const auto& [key, value] : byFormat) {
                    const auto got = recognised.find(key);
                    EXPECT_EQ(got == recognised.end() ? "(none)" : got->second, value)
                        << key.first << " " << key.second << "\n"
                        << what;
                }
                EXPECT_EQ(recognised.size(), byFormat.size()) << what;
            }
    EXPECT_GT(read, 100u);
    EXPECT_GE(readWide, 30u);   // names cut, or as wide as their field, and read all the same: 33
    EXPECT_GE(totalled, 100u);  // the mass and the cost columns, in most files read
}

// The CAD system's own layout, rendered for random products: read by the layout the keywords
// describe (words and cells, as a recognition fills it) and by the default format file, the layout
// reader gives the totals the line classifier gives.
TEST(FormatProperty, TheDefaultLayoutReadsAsTheLineClassifierReadsIt) {
    const ExportLayout byWords = fromKeywords(KeywordSet(), ColumnLayout());
    const ExportLayout byFormat = *parseBomFormat(testing::kDefaultFormat).layout;
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        const Product product = testing::randomProduct(seed, testing::ProductShape());
        const std::string bytes = testing::renderExport(testing::kDefaultFormat, product);
        auto totals = [](const BomStructure& bom) {
            const ResultTables tables =
                sortTables(bom, expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1), [](std::string_view) {}),
                           buildWhereUsed(bom));
            return std::make_pair(totalsOf(tables.assemblyTotals), totalsOf(tables.partTotals));
        };
        const BomStructure classified(bytes, KeywordSet());
        const auto expected = totals(classified);
        for (const ExportLayout* layout : {&byWords, &byFormat}) {
            const LayoutReading reading = readByLayout(bytes, *layout);
            ASSERT_FALSE(reading.misfit) << "seed " << seed << "\n" << messages::doesNotFit(*reading.misfit);
            EXPECT_EQ(totals(*reading.structure), expected) << "seed " << seed;
            EXPECT_EQ(reading.structure->summaryRows().size(), classified.summaryRows().size()) << "seed " << seed;
        }
    }
}

// Totals read with no settings against the product's: each name read stands for the one printed
// form it starts (a name the reading left cut), or the reading is not compared (nothing to tell).
// Gives what differs, or "" when every total is the product's.
std::string totalsDifference(const Totals& read, const Totals& expected) {
    Totals mapped;
    for (const auto& [name, total] : read) {
        // A name printed whole is that item, though it starts other names too.
        const auto whole = expected.find(name);
        const std::string* form = whole != expected.end() ? &whole->first : nullptr;
        if (!form)
            for (const auto& entry : expected)
                if (entry.first.rfind(name, 0) == 0) {
                    if (form) return "";  // a cut name that stands for several: not a wrong total
                    form = &entry.first;
                }
        if (!form) return name + " is no item of the product";
        mapped[*form] += total;
    }
    for (const auto& [name, total] : expected) {
        const auto got = mapped.find(name);
        if (got == mapped.end()) return name + " missing";
        if (got->second != total)
            return name + ": " + std::to_string(got->second) + " read, " + std::to_string(total) + " in the product";
    }
    return "";
}

// Read as a user with no settings reads them, random exports of random company formats and of the
// layouts companies were seen to write are read exactly, or the run says that it could not read
// them (trelk-cli's exit 1): never a wrong total presented as a success.
TEST(FormatProperty, WithNoSettingsATotalIsExactOrTheRunSaysItCannotRead) {
    struct Case {
        std::string format;
        testing::RenderOptions options;
        uint64_t seed;
    };
    std::vector<Case> cases;
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        const testing::RandomFormat format = testing::randomFormat(seed);
        cases.push_back({format.text, format.options, seed});
    }
    const std::string_view companies[] = {testing::kGermanLabelsFormat, testing::kCutNamesCostFormat,
                                          testing::kPipeNameFirstFormat, testing::kGluedMassFormat,
                                          testing::kSummaryOnlyFormat};
    for (const std::string_view format : companies)
        for (size_t words = 0; words < testing::typeWordSets().size(); ++words)
            for (uint64_t seed = 1; seed <= 4; ++seed) {
                testing::RenderOptions options;
                options.words = testing::typeWordSets()[words];
                cases.push_back({std::string(format), options, seed * 7 + words});
            }
    testing::TempFolder folder;
    size_t exact = 0, refused = 0, columnsExact = 0;
    std::vector<std::string> wrong;
    for (const Case& c : cases) {
        testing::ProductShape shape;
        shape.parameters = testing::formatParameters(c.format);
        const Product product = testing::randomProduct(c.seed, shape);
        const std::string bytes = testing::renderExport(c.format, product, c.options);
        RunRequest request;
        request.bomFileName = folder.write("export.bom.1", bytes);
        const Analysis a = analyse(
            request, [](std::string_view) {}, AnalysisWants());
        if (!a.mainAssemblyFound || a.readingInDoubt || a.roundedQuantities > 0 || a.readError != 0) {
            ++refused;
            continue;
        }
        const BomFormatFile file = parseBomFormat(c.format);
        ASSERT_TRUE(file.layout);
        Totals parts, assemblies;
        expectedTotals(product, testing::truthOf(product), *file.layout, parts, assemblies);
        std::string fault = totalsDifference(totalsOf(a.tables.partTotals), parts);
        // A column total is the format reading's, or its total line says it differs (a summary
        // difference): a column named by the wrong title would be summed wrong in silence.
        if (fault.empty() && !a.columnTotals.empty()) {
            RunRequest byFile = request;
            byFile.bomFormatFile = folder.write("company.fmt", c.format);
            const Analysis formatRun = analyse(
                byFile, [](std::string_view) {}, AnalysisWants());
            for (const ColumnTotal& t : a.columnTotals) {
                const auto same = std::find_if(formatRun.columnTotals.begin(), formatRun.columnTotals.end(),
                                               [&](const ColumnTotal& f) { return f.title == t.title; });
                if (same != formatRun.columnTotals.end() && same->total == t.total) {
                    ++columnsExact;
                } else if (!t.differs) {
                    fault = "column total " + t.title + " " + t.total + " unlike the format file's";
                    break;
                }
            }
        }
        if (fault.empty())
            ++exact;
        else
            wrong.push_back(fault + "\n" + shown(c.seed, c.format, bytes));
    }
    std::printf("read with no settings: %zu exact (%zu column totals), %zu said unreadable, %zu wrong, of %zu\n", exact,
                columnsExact, refused, wrong.size(), cases.size());
    EXPECT_TRUE(wrong.empty()) << wrong.front();
}

// The company example shipped with Trelk is read as its product is.
TEST(FormatProperty, ReadsTheShippedCompanyExport) {
    const Product product = testing::conveyorProduct();
    const std::string format = testing::readFile(TRELK_EXAMPLES "/company/brenner-lund.fmt");
    const std::string bytes = testing::readFile(TRELK_EXAMPLES "/company/conveyor.bom.1");
    const BomFormatFile file = parseBomFormat(format);
    ASSERT_TRUE(file.layout);
    const LayoutReading reading = readByLayout(bytes, *file.layout);
    ASSERT_FALSE(reading.misfit) << messages::doesNotFit(*reading.misfit);
    const BomStructure& bom = *reading.structure;
    const ResultTables tables = sortTables(
        bom, expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1), [](std::string_view) {}), buildWhereUsed(bom));
    Totals parts, assemblies;
    Printed printed;
    expectedTotals(product, testing::truthOf(product), *file.layout, parts, assemblies, &printed);
    EXPECT_EQ(totalsOf(tables.partTotals), parts);
    EXPECT_EQ(totalsOf(tables.assemblyTotals), assemblies);
    EXPECT_EQ(attributeFault(printed, reading.attributes), "");
    EXPECT_EQ(columnTotalFault(product, testing::truthOf(product), printed, reading.attributes, tables), "");
    EXPECT_EQ(reading.attributes.columns.size(), 5u);  // part number, description, material, mass, cost
}

}  // namespace
}  // namespace trelk
