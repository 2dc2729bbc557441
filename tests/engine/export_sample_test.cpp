#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/recognition/export_recognition.h"
#include "engine/recognition/export_sample.h"
#include "engine/runs/file_analysis.h"
#include "support/literal_rollup.h"
#include "support/random_bom.h"
#include "support/random_export.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using Lines = std::vector<std::string>;

struct Reading {
    Analysis analysis;
    Lines log;
    bool fromSample = false;  // recognised from the sample, not from the whole file
};

Reading analyseWith(const std::string& path, const SampleLimits& limits) {
    RunRequest request;
    request.bomFileName = path;
    Reading run;
    run.analysis = analyse(
        request,
        [&](std::string_view line) {
            if (line.rfind("Recognised from the first ", 0) == 0) run.fromSample = true;
            // Which way it was recognised is the one line the two ways may differ in.
            if (line.rfind("Recognised from ", 0) != 0) run.log.emplace_back(line);
        },
        AnalysisWants(), limits);
    return run;
}

// Bounds that make the sample the whole file: today's recognition from all of it.
SampleLimits wholeFile() {
    SampleLimits limits;
    limits.blocks = limits.rows = std::numeric_limits<size_t>::max();
    limits.headBytes = std::numeric_limits<size_t>::max() / 4;
    return limits;
}

// Everything a run goes on with: the tables, the words and columns, the checks, the log.
std::string differences(const Reading& expected, const Reading& actual) {
    const Analysis& e = expected.analysis;
    const Analysis& a = actual.analysis;
    std::string found = testing::difference(testing::fromTables(e.tables), testing::fromTables(a.tables));
    auto differ = [&](bool same, const char* what) {
        if (!same) found += std::string(what) + " differ\n";
    };
    differ(e.keywords.contains == a.keywords.contains && e.keywords.SubAssembly == a.keywords.SubAssembly &&
               e.keywords.Part == a.keywords.Part && e.keywords.SummaryOfParts == a.keywords.SummaryOfParts,
           "keywords");
    differ(e.columns == a.columns, "columns");
    differ(e.wordsRecognised == a.wordsRecognised && e.layoutRecognised == a.layoutRecognised, "what was recognised");
    differ(e.lineCount == a.lineCount && e.mainAssemblyFound == a.mainAssemblyFound, "lines or main assembly");
    differ(e.summaryDifferences == a.summaryDifferences && e.problems == a.problems &&
               e.readingInDoubt == a.readingInDoubt,
           "checks");
    differ(expected.log == actual.log, "log lines");
    if (expected.log != actual.log)
        for (size_t i = 0; i < std::max(expected.log.size(), actual.log.size()); ++i)
            found += (i < expected.log.size() ? expected.log[i] : "-") + "\n  " +
                     (i < actual.log.size() ? actual.log[i] : "-") + "\n";
    return found;
}

// The same product in the CAD system's layout in another language, or as a company table.
std::string randomExport(uint64_t seed) {
    std::mt19937_64 rng(seed);
    const testing::BomModel model = testing::randomModel(rng);
    if (seed % 2) return testing::randomTable(model, rng).text;
    testing::CadLook look;
    look.summary = rng() % 4 != 0;
    look.lineEnd = rng() % 3 == 0 ? "\n" : "\r\n";
    return testing::cadExport(model, testing::randomVocabulary(rng), look);
}

// Whatever the sample holds, a run ends as the recognition from the whole file ends it: on the
// random exports of the recognition's own tests, cut at many sizes of sample, and on random BOMs
// with their own awkward cases. Enough of them go the fast way for the comparison to mean something.
TEST(ExportSample, RunsEndAsTheWholeFilesRecognitionEndsThem) {
    testing::TempFolder folder;
    SampleLimits tiny;
    tiny.blocks = tiny.rows = 1;
    tiny.headBytes = 64;
    tiny.tailBytes = 64;
    tiny.tailBlocks = 1;
    tiny.tailBlockLines = 2;
    SampleLimits small;
    small.blocks = 2;
    small.rows = 4;
    small.headBytes = 400;
    small.tailBytes = 600;
    small.tailBlockLines = 6;
    SampleLimits some;
    some.blocks = 3;
    some.rows = 10;
    some.headBytes = 2000;
    some.tailBytes = 2000;
    const SampleLimits limits[] = {tiny, small, some};
    size_t runs = 0, fromSample = 0;
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        std::string bytes = randomExport(seed);
        if (seed % 5 == 0) bytes = testing::randomBom(seed).text;
        SCOPED_TRACE("seed " + std::to_string(seed) + ":\n" + testing::visible(bytes));
        const std::string path = folder.write("export.bom.1", bytes);
        const Reading expected = analyseWith(path, wholeFile());
        for (const SampleLimits& l : limits) {
            SCOPED_TRACE("head " + std::to_string(l.headBytes));
            const Reading actual = analyseWith(path, l);
            EXPECT_EQ(differences(expected, actual), "");
            ++runs;
            fromSample += actual.fromSample;
        }
    }
    EXPECT_GE(fromSample * 10, runs) << fromSample << " of " << runs << " runs recognised from the sample";
}

// A large export in German words: 1000 assemblies of 30 parts each below the main one.
testing::BomModel largeModel() {
    testing::BomModel model;
    model.assemblies.push_back("MASCHINE");
    for (int a = 0; a < 1000; ++a) model.assemblies.push_back("BAUGRUPPE_" + std::to_string(a));
    for (int p = 0; p < 3000; ++p) model.parts.push_back("TEIL_" + std::to_string(p));
    model.blocks.resize(model.assemblies.size());
    for (size_t a = 1; a < model.assemblies.size(); ++a) {
        model.blocks[0].push_back({static_cast<int32_t>(a % 3 + 1), true, a});
        for (size_t k = 0; k < 30; ++k)
            model.blocks[a].push_back({static_cast<int32_t>(k % 4 + 1), false, (a * 37 + k * 101) % 3000});
    }
    return model;
}

testing::Vocabulary german() {
    testing::Vocabulary words;
    words.assembly = "Baugruppe";
    words.subAssembly = "Unterbaugruppe";
    words.part = "Teil";
    words.contains = "enth\xC3\xA4lt:";
    words.summaryBefore = "Zusammenfassung der Teile der Baugruppe";
    return words;
}

// Every `from` that begins a line in the bytes from `begin` to `end` made `to`.
std::string withLineStarts(std::string bytes, const std::string& from, const std::string& to, size_t begin = 0,
                           size_t end = std::string::npos) {
    const std::string needle = "\n" + from;
    for (size_t at = bytes.find(needle, begin); at < end; at = bytes.find(needle, at + 1))
        bytes.replace(at + 1, from.size(), to);
    return bytes;
}

// The bytes with `line` put in after the `n`th line end.
std::string withLineAfter(std::string bytes, size_t n, const std::string& line) {
    size_t at = 0;
    for (size_t i = 0; i < n; ++i) at = bytes.find('\n', at) + 1;
    return bytes.insert(at, line);
}

// A large export is recognised from its sample, which reads a bounded part of it; where its
// first blocks and its end mislead (later blocks in other words, the summary's words in a line
// of the middle, a row there that no reading takes, an assembly that contains itself there, a
// second block of the main assembly, a first block larger than the sample),
// the run's own evidence sends it to the whole file. Either way it ends as the whole file's
// recognition ends it.
TEST(ExportSample, ReadsALargeExportFromItsSampleAndMisleadingOnesWhole) {
    testing::CadLook look;
    look.typeWidth = 14;  // "Unterbaugruppe" whole
    const std::string large = testing::cadExport(largeModel(), german(), look);
    ASSERT_GT(large.size(), 1000000u);
    std::string otherWords = large;
    for (size_t at = otherWords.find("  Teil  ", large.size() / 3); at < large.size() * 2 / 3;
         at = otherWords.find("  Teil  ", at + 10))
        otherWords.replace(at, 8, "  Bauteil  ");
    testing::BomModel oneBlock;
    oneBlock.assemblies = {"MASCHINE"};
    oneBlock.blocks.resize(1);
    for (int p = 0; p < 20000; ++p) {
        oneBlock.parts.push_back("TEIL_" + std::to_string(p));
        oneBlock.blocks[0].push_back({p % 5 + 1, false, static_cast<size_t>(p)});
    }
    // The roll-up expands the first block of an assembly only: the totals stay the summary's.
    std::string secondMainBlock = large;
    secondMainBlock.insert(secondMainBlock.find("\r\nZusammenfassung"),
                           "\r\nBaugruppe MASCHINE enth\xC3\xA4lt:\r\n     1  Unterbaugruppe  BAUGRUPPE_7\r\n");
    // A company's headers of several words and no word after the name; in the middle, some
    // begin otherwise, which the sample does not show.
    testing::Vocabulary plain = german();
    plain.contains.clear();
    const std::string structure = withLineStarts(
        withLineStarts(testing::cadExport(largeModel(), plain, look), "Unterbaugruppe ", "Struktur der Baugruppe "),
        "Baugruppe ", "Struktur der Baugruppe ");
    const std::string otherHeaders = withLineStarts(structure, "Struktur der Baugruppe ", "Teilstruktur der Baugruppe ",
                                                    structure.size() / 3, structure.size() * 2 / 3);
    const struct {
        const char* what;
        std::string bytes;
        bool fromSample;
    } cases[] = {
        {"headers of several words", structure, true},
        {"later headers that begin otherwise", otherHeaders, false},
        {"in German words", large, true},
        {"later blocks in other type words", otherWords, false},
        {"the summary's words in a line of the middle",
         withLineAfter(large, 12000, "Zusammenfassung der Teile der Baugruppe folgt\r\n"), false},
        {"a row in other words in the middle", withLineAfter(large, 12001, "     1        Bauteil  EXTRA\r\n"), false},
        {"an assembly that contains itself in the middle",
         withLineAfter(large, 12001, "     1  Unterbaugruppe  MASCHINE\r\n"), false},
        {"one block larger than the sample", testing::cadExport(oneBlock, german(), look), false},
        {"a second block of the main assembly before the summary", secondMainBlock, false},
    };
    SampleLimits limits;
    limits.headBytes = 64 * 1024;
    limits.tailBytes = 128 * 1024;
    testing::TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = folder.write("export.bom.1", c.bytes);
        const Reading run = analyseWith(path, limits);
        EXPECT_EQ(run.fromSample, c.fromSample);
        EXPECT_TRUE(run.analysis.wordsRecognised);
        EXPECT_EQ(differences(analyseWith(path, wholeFile()), run), "");
        if (c.fromSample) {
            // The sample's bytes are bounded, and so is what was read to take it.
            InputFile input;
            ASSERT_EQ(input.open(path), kNoError);
            ExportSample sample;
            ASSERT_EQ(takeExportSample(input, limits, sample), kNoError);
            EXPECT_FALSE(sample.whole);
            EXPECT_LE(sample.bytes.size(), limits.headBytes + 2 * kSampleTailBlockLines * 200);
            EXPECT_LE(sample.bytesRead, limits.headBytes + limits.tailBytes + 128 * 1024);
            EXPECT_LT(sample.bytesRead * 4, c.bytes.size());
            // The summary's heading is in it, found from the end.
            EXPECT_NE(sample.bytes.find("Zusammenfassung der Teile der Baugruppe MASCHINE:"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace trelk
