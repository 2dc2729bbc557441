// The attributes of two exports compared: products written by hand, rendered through a BOM format
// file, read back by it and compared; every attribute change (and no other) is found, and counts
// against the files agreeing.
#include <gtest/gtest.h>

#include <functional>

#include "engine/comparison/compare_analyses.h"
#include "engine/runs/file_analysis.h"
#include "engine/runs/processing_run.h"
#include "support/recording_host.h"
#include "support/bom_product.h"
#include "support/format_render.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::Product;
using testing::ProductBuilder;

constexpr const char* kFormat =
    "Parts list\n"
    ".breakdown\n"
    "%$type %$name\n"
    ".titles Qty;|Name;|Type;|Material;|Mass kg\n"
    ".row %$quantity[4d];|%$name[-12];|%$type[-12];|%MATERIAL[-10.10s];|%MASS[8.3f]\n"
    ".summary\n"
    "Summary of parts for %$name\n"
    ".titles Qty;|Name;|Material;|Mass kg\n"
    ".row %$quantity[4d];|%$name[-12];|%MATERIAL[-10.10s];|%MASS[8.3f]\n";

// The same without the mass.
constexpr const char* kFormatWithoutMass =
    "Parts list\n"
    ".breakdown\n"
    "%$type %$name\n"
    ".titles Qty;|Name;|Type;|Material\n"
    ".row %$quantity[4d];|%$name[-12];|%$type[-12];|%MATERIAL[-10.10s]\n"
    ".summary\n"
    "Summary of parts for %$name\n"
    ".titles Qty;|Name;|Material\n"
    ".row %$quantity[4d];|%$name[-12];|%MATERIAL[-10.10s]\n";

using Values = ProductBuilder::Values;

// A pump: a frame holding bolts, and a part named as the frame.
Product pump(const std::function<void(std::map<std::string, Values>&)>& edit = nullptr) {
    std::map<std::string, Values> v = {
        {"BOLT", {{"MATERIAL", "8.8 zinc"}, {"MASS", "0.049"}}},
        {"FRAME_PART", {{"MATERIAL", "S235JR"}, {"MASS", "12.500"}}},
        {"HOUSING", {{"MATERIAL", "GJL-250"}, {"MASS", "31.000"}}},
        {"SEAL", {{"MATERIAL", "Stainless steel 1.4301"}, {"MASS", "0.100"}}},
    };
    if (edit) edit(v);
    ProductBuilder b;
    b.part("BOLT", v["BOLT"]).part("FRAME", v["FRAME_PART"]).part("SEAL", v["SEAL"]);
    b.assembly("FRAME", {{"BOLT", 8}, {"FRAME", 1}});
    b.part("HOUSING", v["HOUSING"]);
    if (v.count("EXTRA")) b.part("EXTRA", v["EXTRA"]);
    std::vector<std::pair<std::string, int64_t>> members = {{"FRAME", 2}, {"HOUSING", 1}, {"SEAL", 3}};
    if (v.count("EXTRA")) members.emplace_back("EXTRA", 1);
    b.assembly("PUMP", members);
    return b.build({{"MATERIAL", false, 0}, {"MASS", true, 3}});
}

struct Compared {
    Comparison comparison;
    std::vector<std::string> changes;  // "name type column old new", "-" for none
};

Compared compare(const Product& before, const char* beforeFormat, const Product& after, const char* afterFormat) {
    testing::TempFolder folder;
    Analysis analyses[2];
    const Product* products[2] = {&before, &after};
    const char* formats[2] = {beforeFormat, afterFormat};
    ComparedFile files[2];
    for (int side : {0, 1}) {
        RunRequest request;
        request.bomFormatFile = folder.write("f" + std::to_string(side) + ".fmt", formats[side]);
        request.bomFileName =
            folder.write("b" + std::to_string(side) + ".bom", testing::renderExport(formats[side], *products[side]));
        AnalysisWants wants;
        wants.encoding = wants.structure = true;
        BomFileReading reading = readBomFile(
            request, [](std::string_view) {}, wants);
        EXPECT_FALSE(reading.stopped);
        EXPECT_TRUE(reading.analysis.mainAssemblyFound);
        analyses[side] = std::move(reading.analysis);
        files[side].bomFileName = request.bomFileName;
    }
    Compared c;
    c.comparison = compareAnalyses(analyses[0], analyses[1], files[0], files[1], 1, [](std::string_view) {});
    for (const AttributeDifference& d : c.comparison.attributeChanges)
        c.changes.push_back(d.name + " " + std::string(treeTypeWord(d.kind)) + " " + d.column + " " +
                            d.oldValue.value_or("-") + " " + d.newValue.value_or("-"));
    return c;
}

TEST(AttributeComparison, FindsEveryChangedAttributeAndNoOther) {
    using Edit = std::function<void(std::map<std::string, Values>&)>;
    const struct {
        const char* what;
        Edit edit;
        const char* newFormat;
        std::vector<std::string> changes;
        bool agree;
    } cases[] = {
        {"nothing changed", nullptr, kFormat, {}, true},
        {"a material changed",
         [](auto& v) { v["BOLT"][0].second = "10.9 zinc"; },
         kFormat,
         {"BOLT part Material 8.8 zinc 10.9 zinc"},
         false},
        {"a mass changed by one unit of its last digit",
         [](auto& v) { v["BOLT"][1].second = "0.050"; },
         kFormat,
         {"BOLT part Mass kg 0.049 0.050"},
         false},
        {"a mass printed alike", [](auto& v) { v["HOUSING"][1].second = "31"; }, kFormat, {}, true},
        {"a material gone",
         [](auto& v) {
             v["HOUSING"] = {{"MASS", "31.000"}};
         },
         kFormat,
         {"HOUSING part Material GJL-250 -"},
         false},
        {"a mass given where there was none, and a material changed, on one part",
         [](auto& v) {
             v["HOUSING"] = {{"MATERIAL", "EN-GJS-400"}};
             v["BOLT"] = {{"MATERIAL", "8.8 zinc"}};
         },
         kFormat,
         {"BOLT part Mass kg 0.049 -", "HOUSING part Material GJL-250 EN-GJS-400", "HOUSING part Mass kg 31.000 -"},
         false},
        {"the part named as an assembly changed, the assembly not",
         [](auto& v) { v["FRAME_PART"][0].second = "S355J2"; },
         kFormat,
         {"FRAME part Material S235JR S355J2"},
         false},
        {"a change beyond the printed cut is not seen",
         [](auto& v) { v["SEAL"][0].second = "Stainless steel 1.4404"; },
         kFormat,
         {},
         true},
        {"an added part has no attribute change",
         [](auto& v) {
             v["EXTRA"] = {{"MATERIAL", "PA6"}};
         },
         kFormat,
         {},
         false},
        {"a column in one file only is compared in no item",
         [](auto& v) { v["BOLT"][1].second = "9.000"; },
         kFormatWithoutMass,
         {},
         true},
    };
    const Product before = pump();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Compared r = compare(before, kFormat, pump(c.edit), c.newFormat);
        EXPECT_EQ(r.changes, c.changes);
        EXPECT_EQ(r.comparison.agree(), c.agree);
        EXPECT_TRUE(r.comparison.hasAttributes);
    }
}

// The column one file lacks is said in its log; files without attribute columns compare as before.
TEST(AttributeComparison, SaysWhichColumnsItCouldNotCompare) {
    const Compared r = compare(pump(), kFormat, pump(), kFormatWithoutMass);
    ASSERT_FALSE(r.comparison.oldFile.log.empty());
    EXPECT_EQ(r.comparison.oldFile.log.back(),
              "Attribute columns not compared, as the other BOM file prints none of that title: Mass kg");
    EXPECT_TRUE(r.comparison.agree());
}

// A Windows-1252 export and a UTF-8 one of the same product, all names ASCII, a material with an
// umlaut: the values are compared as one text, whichever file is the old one.
TEST(AttributeComparison, ValuesInTwoEncodingsAgreeEitherWay) {
    const Product windows1252 = pump([](auto& v) { v["BOLT"][0].second = "Gr\xfcn"; });
    const Product utf8 = pump([](auto& v) { v["BOLT"][0].second = "Gr\u00fcn"; });
    for (const bool swapped : {false, true}) {
        SCOPED_TRACE(swapped ? "UTF-8 first" : "Windows-1252 first");
        const Compared r =
            swapped ? compare(utf8, kFormat, windows1252, kFormat) : compare(windows1252, kFormat, utf8, kFormat);
        EXPECT_EQ(r.changes, std::vector<std::string>());
        EXPECT_TRUE(r.comparison.agree());
        EXPECT_EQ(r.comparison.encoding, TextEncoding::Utf8);
    }
}

// An attribute text is the export's like a name: one that a spreadsheet would run as a formula is
// written as text, while a negative mass stays a number; asked for raw, the bytes as read.
TEST(AttributeComparison, AttributeTextsThatLookLikeFormulasAreWrittenAsText) {
    testing::TempFolder folder;
    const Product product = pump([](auto& v) { v["BOLT"] = {{"MATERIAL", "=1+2"}, {"MASS", "-0.049"}}; });
    auto partsCsv = [&](bool raw) {
        RunRequest request;
        request.bomFormatFile = folder.write("f.fmt", kFormat);
        request.bomFileName = folder.write("b.bom", testing::renderExport(kFormat, product));
        request.format = ReportFormat::Csv;
        request.reportPath = folder.file(raw ? "raw" : "guarded");
        request.csvRaw = raw;
        testing::RecordingHost host;
        EXPECT_TRUE(runProcessing(request, host).stored());
        return testing::readFile(request.reportPath + "/parts.csv");
    };
    const std::string guarded = partsCsv(false), raw = partsCsv(true);
    EXPECT_NE(guarded.find("\r\nBOLT,16,'=1+2,-0.049,false\r\n"), std::string::npos) << guarded;
    EXPECT_NE(raw.find("\r\nBOLT,16,=1+2,-0.049,false\r\n"), std::string::npos) << raw;
}

}  // namespace
}  // namespace trelk
