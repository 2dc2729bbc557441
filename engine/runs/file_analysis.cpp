#include "engine/runs/file_analysis.h"

#include <algorithm>
#include <new>

#include "engine/files/file_system.h"
#include "engine/reading/bom_format_file.h"
#include "engine/reading/bom_structure.h"
#include "engine/reading/layout_reader.h"
#include "engine/recognition/export_recognition.h"
#include "engine/recognition/export_sample.h"
#include "engine/rollup/column_rollup.h"
#include "engine/rollup/reading_check.h"
#include "engine/rollup/rollup.h"
#include "engine/rollup/summary_check.h"
#include "engine/rollup/tree_builder.h"
#include "text/text_rules.h"

namespace trelk {

namespace {

// The part totals of one machine against the export's summary, which lists one machine: for a
// build of several, the roll-up is done once more, silently, for one.
SummaryDifferences checkSummary(const BomStructure& bom, const ResultTables& tables, int64_t buildQuantity,
                                const RollupLimits& limits, const LogSink& log) {
    if (buildQuantity == 1) return logSummaryDifferences(tables.partTotals, bom, log);
    if (!bom.hasSummary()) return {};
    const RollupTotals one = expandAssembly(
        bom, bom.mainAssemblyName(), Tally::of(1), [](std::string_view) {}, limits);
    return logSummaryDifferences(sortTables(bom, one, WhereUsedById()).partTotals, bom, log);
}

}  // namespace

AnalysisWants analysisWantsOf(const RunRequest& request) {
    AnalysisWants wants;
    wants.encoding = encodingWritten(request);
    wants.tree = wants.encoding && request.sections.Include_BOMAssyBreakdown;
    return wants;
}

namespace {

// The export read by its BOM format file: the format file found, read, decoded and understood,
// then the export read by it, whole. False, with the problem logged, when the analysis ends here:
// the file is empty (its line count logged), or it does not fit, or the format file cannot be used.
bool readByFormatFile(const RunRequest& request, const LogSink& log, Analysis& a,
                      std::shared_ptr<const BomStructure>& structure, std::vector<std::string>& notes,
                      EncodingCheck& encoding) {
    std::string bytes;
    if ((a.readError = readWholeFile(request.bomFileName, bytes)) != kNoError) return false;
    encoding.feed(bytes.data(), bytes.size());
    const std::string& formatFile = request.bomFormatFile;
    log("Trying to read BOM format file:");
    log(formatFile);
    a.formatProblem = true;
    if (!isExistingFile(formatFile)) {
        log("BOM format file not found!");
        return false;
    }
    std::string formatBytes;
    if ((a.formatReadError = readWholeFile(formatFile, formatBytes)) != kNoError) {
        log("Error reading BOM format file! Error #:" + formatSignedDecimal(a.formatReadError));
        return false;
    }
    const DecodedBomFormat decoded = decodeBomFormat(formatBytes, bytes);
    const BomFormatFile parsed = parseBomFormat(decoded.text);
    if (!parsed.layout) {
        log("BOM format file line " + std::to_string(parsed.errorLine) + " cannot be read: " + parsed.error);
        return false;
    }
    if (decoded.encoding != "UTF-8") log("BOM format file read as " + std::string(decoded.encoding));
    a.layout = *parsed.layout;
    // A format prints the type words of the interface's language, which the keywords name.
    a.layout.subAssemblyWord = request.keywords.SubAssembly;
    a.layout.partWord = request.keywords.Part;
    log(std::string(messages::kFormatLayout) + describeLayout(a.layout));
    a.formatProblem = false;
    LayoutReading reading = readByLayout(bytes, a.layout);
    a.lineCount = reading.structure ? reading.structure->lineCount() : splitBomLines(bytes).size();
    log("Nr of lines read of BOM input file:" + formatSignedDecimal(static_cast<int64_t>(a.lineCount)));
    if (a.lineCount <= 1) return false;
    if (reading.misfit) {
        log(messages::doesNotFit(*reading.misfit));
        a.formatProblem = true;
        return false;
    }
    structure = std::move(reading.structure);
    a.attributes = std::move(reading.attributes);
    a.summaryOnly = reading.summaryOnly;
    a.roundedQuantities = reading.roundedQuantities;
    // A row whose cut name stands for one of several items is counted for none of them rightly.
    a.readingInDoubt = reading.ambiguous > 0;
    notes = std::move(reading.log);
    if (a.summaryOnly)
        notes.emplace_back(
            "BOM format file prints only a summary of parts: its totals are taken as they are, "
            "without assemblies or where-used lists");
    // The report's copy of the breakdown stops where the summary's heading begins.
    if (a.layout.summary && !a.layout.summary->heading.empty()) {
        const std::string literal = a.layout.summary->heading.front().firstLiteral();
        if (!literal.empty()) a.keywords.SummaryOfParts = literal;
    }
    return true;
}

}  // namespace

namespace {

// What the reading hands the rest of the analysis.
struct Read {
    std::shared_ptr<const BomStructure> structure;
    std::vector<std::string> recognised, notes;
    EncodingCheck encoding;
};

// The analysis of a file read into its structure: the roll-up, the tables, the summary check and
// what the exports want.
void analyseStructure(const RunRequest& request, const LogSink& log, const AnalysisWants& wants, Analysis& a,
                      const Read& read) {
    const BomStructure& bom = *read.structure;
    for (const std::string& line : read.recognised) log(line);
    a.mainAssemblyFound = bom.hasMainAssembly();
    if (a.mainAssemblyFound) log("Main assembly name: " + std::string(bom.mainAssemblyName()));
    for (const std::string& line : read.notes) log(line);
    // Every line these steps log is a problem of the roll-up.
    bool containsItself = false;
    const LogSink problem = [&](std::string_view line) {
        ++a.problems;
        containsItself = containsItself || line.rfind(messages::kContainsItself, 0) == 0;
        log(line);
    };
    logQuantityProblems(bom, problem);
    const Tally build = Tally::of(request.buildQuantity);
    const RollupTotals totals = expandAssembly(bom, bom.mainAssemblyName(), build, problem, wants.rollup);
    // A summary-only export has no where-used lists: its one block is the summary's.
    a.tables = sortTables(bom, totals, a.summaryOnly ? WhereUsedById() : buildWhereUsed(bom));
    logOutOfRangeTotals(a.tables, problem);
    if (wants.encoding) a.encoding = read.encoding.encoding();
    if (wants.tree && !a.summaryOnly) a.tree = buildAssemblyTree(bom, build, problem);
    const SummaryDifferences differences = checkSummary(bom, a.tables, request.buildQuantity, wants.rollup, log);
    a.summaryDifferences = differences.count;
    ColumnRollup columns = rollUpColumns(a.attributes, a.tables, request.buildQuantity, request.sumColumns, log);
    a.columnTotals = std::move(columns.totals);
    a.summaryDifferences += columns.differences;
    if (differences.mostPartsDiffer()) {
        log(messages::mostPartsDiffer(differences.differingParts, differences.parts));
        a.readingInDoubt = true;
    }
    if (wants.structure) a.structure = read.structure;

    // Nor is one that took names or type words for the quantities of most rows.
    if (quantitiesMissing(bom.rowsWithoutQuantity(), bom.blockRows())) {
        log(messages::noQuantityRead(bom.rowsWithoutQuantity(), bom.blockRows()));
        a.readingInDoubt = true;
    }
    // A reading that took no row of a file that has rows is no success either.
    if (tookNoRow(a.tables) && request.bomFormatFile.empty()) {
        std::string bytes;
        if (readWholeFile(request.bomFileName, bytes) == kNoError)
            if (const size_t rows = rowsIn(bytes)) {
                log(messages::noRowRead(rows));
                a.readingInDoubt = true;
            }
    }
    // Nor is a reading by recognised words in which a sub-assembly has no block.
    if (a.wordsRecognised || a.layoutRecognised)
        if (const size_t orphans = assembliesWithoutBlock(bom)) {
            log(messages::assembliesWithoutBlock(orphans));
            a.readingInDoubt = true;
        }
    // Or in which an assembly contains itself: without a type column, a part named as the assembly
    // that holds it reads so, and its totals are lost.
    if ((a.wordsRecognised || a.layoutRecognised) && containsItself) {
        log(messages::kRecognisedContainsItself);
        a.readingInDoubt = true;
    }
}

// Whether a word stands anywhere in bytes given piece by piece.
class WordWatch {
public:
    explicit WordWatch(std::string_view word) : word_(word) {}
    void feed(const char* data, size_t size) {
        if (seen_ || word_.empty()) return;
        const std::string_view piece(data, size);
        // A word across the border of two pieces.
        const std::string border = carry_ + std::string(piece.substr(0, word_.size() - 1));
        seen_ = border.find(word_) != std::string::npos || piece.find(word_) != std::string_view::npos;
        carry_ = std::string(piece.substr(piece.size() - std::min(piece.size(), word_.size() - 1)));
    }
    void restart() { carry_.clear(); }
    bool seen() const { return seen_; }

private:
    std::string_view word_;
    std::string carry_;
    bool seen_ = false;
};

// The file read by the words and columns of `a`, piece by piece, into its structure; `watch`, when
// given, is told every byte read.
int readStructure(const RunRequest& request, const AnalysisWants& wants, const Analysis& a, Read& read,
                  WordWatch* watch = nullptr) {
    // Closed again before the file is opened anew: it is opened without sharing.
    InputFile input;
    if (const int error = input.open(request.bomFileName)) return error;
    // The start of the file is read twice (its line ends are decided first): the encoding is
    // checked on the second reading only.
    read.structure = std::make_shared<const BomStructure>(
        [&](char* into, size_t room) {
            const size_t got = input.read(into, room);
            if (wants.encoding) read.encoding.feed(into, got);
            if (watch) watch->feed(into, got);
            return got;
        },
        [&] {
            read.encoding = EncodingCheck();
            if (watch) watch->restart();
            return input.rewind() == kNoError;
        },
        a.keywords, input.size(), a.columns);
    // A read that fails part way is reported, not taken for the end of the file.
    return input.error();
}

// Whether the request's words can find no main assembly in a file without its `contains`
// keyword: a header line ends with it, and the lines are only normalised at blanks. Then a file
// whose start lacks it is first read by the words recognised in it, watching for the keyword.
bool headersNeedContains(const RunRequest& request) {
    const std::string& contains = request.keywords.contains;
    return !contains.empty() && contains.find(' ') == std::string::npos && !request.columns.tableRules();
}

bool startLacks(const std::string& fileName, std::string_view word) {
    InputFile input;
    if (input.open(fileName) != kNoError) return false;
    // No larger than the file: a small file costs no 64 KB buffer.
    std::string start(static_cast<size_t>(std::min<uint64_t>(64 * 1024, input.size())), '\0');
    start.resize(input.read(&start[0], start.size()));
    return start.find(word) == std::string::npos;
}

void takeRecognised(const RecognisedExport& found, Analysis& a, Read& read) {
    a.keywords = found.keywords;
    a.columns = found.columns;
    a.wordsRecognised = found.wordsRecognised;
    a.layoutRecognised = found.layoutRecognised;
    if (found.wordsRecognised) read.recognised.push_back(describeKeywords(found));
    if (found.layoutRecognised) read.recognised.push_back(describeLayout(found));
}

// The file read by a recognised layout, as by a format file: the rows' other cells kept, names
// left as printed said. False, with `a` and `read` as they were, when the reading stops at a line
// the layout does not place: the file is then one recognition could not read.
bool readByRecognisedLayout(std::string_view bytes, const RecognisedExport& found, Analysis& a, Read& read) {
    LayoutReading reading = readByLayout(bytes, *found.layout);
    if (reading.misfit || !reading.structure) return false;
    read.structure = std::move(reading.structure);
    takeRecognised(found, a, read);
    read.recognised.emplace_back(messages::kRecognisedFromWholeFile);
    a.layout = *found.layout;
    a.attributes = std::move(reading.attributes);
    a.roundedQuantities = reading.roundedQuantities;
    a.readingInDoubt = reading.ambiguous > 0;
    read.notes = std::move(reading.log);
    // The report's copy of the breakdown stops where the summary's heading begins.
    if (a.layout.summary && !a.layout.summary->heading.empty()) {
        const std::string literal = a.layout.summary->heading.front().firstLiteral();
        if (!literal.empty()) a.keywords.SummaryOfParts = literal;
    }
    return true;
}

// The blocks prove the reading as the whole file's trial of it would: the main assembly's first
// block has rows; every block after it is some row's (one that none lists is a header the
// sample's words took that other readings of the file may take otherwise, a second block of the
// main assembly among them); and one is another assembly's (a reading of the main assembly's
// blocks alone has none that a row lists to prove its header rule: another reading of the file
// may find blocks in what it passed over).
bool blocksProveTheReading(const BomStructure& bom) {
    const NameId main = bom.findName(bom.mainAssemblyName());
    if (!bom.hasBlock(main) || bom.walkEnd(main) == bom.walkBegin(main)) return false;
    const std::vector<uint8_t> listed = listedAssemblies(bom);
    const std::vector<BomBlock>& blocks = bom.blocks();
    bool another = false;
    for (auto block = blocks.begin() + 1; block < blocks.end(); ++block) {
        if (!listed[block->assembly]) return false;
        another = another || block->assembly != main;
    }
    return another;
}

// The file's words and layout recognised from its sample and the file then read once by them, as
// a file with those words given is read. False, with nothing logged and `a` as it was, when the
// sample settles nothing or the run's own evidence doubts the reading: then the whole file is
// tried. True when the analysis is done (or a read failed: `a.readError`). `encoding` is that of
// the reading by the request's words, if there was one; else the file is read by the recognised
// words before it is read by the request's, and `a` stays as it was if it holds `mustNotHold`.
bool analyseBySample(const RunRequest& request, const LogSink& sink, const AnalysisWants& wants,
                     const SampleLimits& limits, const EncodingCheck* encoding, std::string_view mustNotHold,
                     Analysis& a) {
    ExportSample sample;
    std::optional<RecognisedExport> found;
    {
        InputFile input;
        if ((a.readError = input.open(request.bomFileName)) != kNoError) return true;
        if ((a.readError = takeExportSample(input, limits, sample)) != kNoError) return true;
        if (sample.whole || !sample.usable) return false;
        found = recogniseExport(sample.bytes, a.keywords, a.columns);
        // A layout is read by the layout reader, which takes the whole file.
        if (!found || found->layout || !found->settled) return false;
    }
    Analysis b = a;
    Read read;
    takeRecognised(*found, b, read);
    WordWatch watch(mustNotHold);
    if ((a.readError = readStructure(request, encoding ? AnalysisWants() : wants, b, read, &watch)) != kNoError)
        return true;
    if (watch.seen()) return false;
    if (encoding) read.encoding = *encoding;
    read.recognised.push_back(messages::recognisedFromSample(sample.blocks));
    std::vector<std::string> lines;
    const LogSink keep = [&](std::string_view line) {
        ++b.loggedLines;
        lines.emplace_back(line);
    };
    b.layout = fromKeywords(b.keywords, b.columns);
    b.lineCount = read.structure->lineCount();
    keep("Nr of lines read of BOM input file:" + formatSignedDecimal(static_cast<int64_t>(b.lineCount)));
    if (b.lineCount <= 1 || !read.structure->hasMainAssembly()) return false;
    analyseStructure(request, keep, wants, b, read);

    // Sound when it found the main assembly, met no problem, found the file's own summary and
    // agrees with it, took every row of the file, and neither its summary keyword nor a shorter
    // header rule's words stand in a line the sample left out. Without a summary nothing tells that the sample missed the summary's
    // heading (its rows may stand in a block's place), so such a file is recognised whole.
    const BomStructure& bom = *read.structure;
    if (!bom.hasSummary() || !b.mainAssemblyFound || b.problems != 0 || b.summaryDifferences != 0 || b.readingInDoubt)
        return false;
    if (!blocksProveTheReading(bom)) return false;
    FileLineCounts inFile;
    {
        InputFile input;
        if ((a.readError = input.open(request.bomFileName)) != kNoError) return true;
        if ((a.readError = countFileLines(input, sample.layout, b.keywords.SummaryOfParts, b.columns.Header, inFile)) !=
            kNoError)
            return true;
    }
    const size_t taken = bom.items().size() + bom.summaryRows().size() + (bom.summaryTotal() ? 1 : 0);
    if (inFile.rows > taken) return false;
    const FileLineCounts inSample =
        countLines(sample.bytes, sample.layout, b.keywords.SummaryOfParts, b.columns.Header);
    if (inFile.holdingKeyword != inSample.holdingKeyword ||
        inFile.headersOfAShorterRule != inSample.headersOfAShorterRule)
        return false;
    for (const std::string& line : lines) sink(line);
    a = std::move(b);
    return true;
}

}  // namespace

Analysis analyse(const RunRequest& request, const LogSink& sink, const AnalysisWants& wants) {
    return analyse(request, sink, wants, SampleLimits());
}

Analysis analyse(const RunRequest& request, const LogSink& sink, const AnalysisWants& wants,
                 const SampleLimits& sampleLimits) {
    Analysis a;
    const LogSink log = [&](std::string_view line) {
        ++a.loggedLines;
        sink(line);
    };
    a.keywords = request.keywords;
    a.columns = request.columns;
    try {
        Read read;
        if (!request.bomFormatFile.empty()) {
            if (!readByFormatFile(request, log, a, read.structure, read.notes, read.encoding)) return a;
        } else {
            // A file in other words is not read by the request's first, where that reading
            // cannot find a main assembly in it.
            bool byLayout = false;
            const bool byRecognisedFirst = wants.recognition && headersNeedContains(request) &&
                                           startLacks(request.bomFileName, request.keywords.contains);
            if (byRecognisedFirst &&
                analyseBySample(request, sink, wants, sampleLimits, nullptr, request.keywords.contains, a))
                return a;
            if ((a.readError = readStructure(request, wants, a, read)) != kNoError) return a;
            if (!wants.recognition) {
                // Read by the request's words alone, whatever they find.
            } else if (read.structure->lineCount() > 1 && !read.structure->hasMainAssembly()) {
                if (!byRecognisedFirst && analyseBySample(request, sink, wants, sampleLimits, &read.encoding, {}, a))
                    return a;
                std::string bytes;
                if ((a.readError = readWholeFile(request.bomFileName, bytes)) != kNoError) return a;
                std::optional<RecognisedExport> found = recogniseExport(bytes, a.keywords, a.columns);
                if (found && found->layout) {
                    if ((byLayout = readByRecognisedLayout(bytes, *found, a, read))) {
                        read.encoding = EncodingCheck();
                        read.encoding.feed(bytes.data(), bytes.size());
                    }
                } else if (found) {
                    read.structure = std::make_shared<const BomStructure>(bytes, found->keywords, found->columns);
                    takeRecognised(*found, a, read);
                    read.recognised.emplace_back(messages::kRecognisedFromWholeFile);
                    read.encoding = EncodingCheck();
                    read.encoding.feed(bytes.data(), bytes.size());
                }
            } else if (read.structure->hasMainAssembly() &&
                       (read.structure->blockRows() == 0 ||
                        quantitiesMissing(read.structure->rowsWithoutQuantity(), read.structure->blockRows()))) {
                // The request's words found the headers but no row or no quantity in the rows: a table of other
                // columns under the CAD system's own headers, read only as a recognised layout (which
                // the file's own summary must confirm).
                std::string bytes;
                if ((a.readError = readWholeFile(request.bomFileName, bytes)) != kNoError) return a;
                const std::optional<RecognisedExport> found = recogniseExport(bytes, a.keywords, a.columns);
                if (found && found->layout && (byLayout = readByRecognisedLayout(bytes, *found, a, read))) {
                    read.encoding = EncodingCheck();
                    read.encoding.feed(bytes.data(), bytes.size());
                }
            }
            if (!byLayout) a.layout = fromKeywords(a.keywords, a.columns);
            a.lineCount = read.structure->lineCount();
            log("Nr of lines read of BOM input file:" + formatSignedDecimal(static_cast<int64_t>(a.lineCount)));
            if (a.lineCount <= 1) return a;
        }
        analyseStructure(request, log, wants, a, read);
    } catch (const std::bad_alloc&) {
        a.readError = kOutOfMemory;
    }
    return a;
}

BomFileReading readBomFile(const RunRequest& request, const LogSink& log, const AnalysisWants& wants) {
    BomFileReading reading;
    auto stop = [&](RunOutcome::Ending ending, int error = kNoError) {
        reading.stopped = RunOutcome();
        reading.stopped->ending = ending;
        reading.stopped->error = error;
        return std::move(reading);
    };
    const std::string& bomFile = request.bomFileName;
    log("Trying to read BOM file:");
    log(bomFile);
    if (!isExistingFile(bomFile)) {
        log("BOM input file not found!");
        return stop(RunOutcome::Ending::BomFileNotFound);
    }
    // Each error number is followed by what it means.
    auto logPlainly = [&](int error) {
        if (const std::string plain = fileErrorText(error, FileStep::ReadFile, bomFile); !plain.empty()) log(plain);
    };
    if (const int error = tryOpenForReading(bomFile)) {
        log("Error opening BOM input file! Error #:" + formatSignedDecimal(error));
        logPlainly(error);
        return stop(RunOutcome::Ending::OpenFailed, error);
    }
    // The file is read while it is analysed, piece by piece: it is never all in memory at once.
    // A read that fails after the trial open is reported, not taken for an empty file.
    reading.analysis = analyse(request, log, wants);
    if (const int error = reading.analysis.readError) {
        log("Error reading BOM input file! Error #:" + formatSignedDecimal(error));
        logPlainly(error);
        return stop(RunOutcome::Ending::ReadFailed, error);
    }
    if (reading.analysis.formatProblem)
        return stop(RunOutcome::Ending::FormatProblem, reading.analysis.formatReadError);
    if (reading.analysis.lineCount <= 1) {
        log("BOM input file seems to be empty!");
        return stop(RunOutcome::Ending::EmptyFile);
    }
    return reading;
}

}  // namespace trelk
