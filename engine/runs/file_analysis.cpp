#include "engine/runs/file_analysis.h"

#include <new>

#include "engine/files/file_system.h"
#include "engine/reading/bom_format_file.h"
#include "engine/reading/bom_structure.h"
#include "engine/reading/layout_reader.h"
#include "engine/recognition/export_recognition.h"
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
                                const LogSink& log) {
    if (buildQuantity == 1) return logSummaryDifferences(tables.partTotals, bom, log);
    if (!bom.hasSummary()) return {};
    const RollupTotals one = expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1), [](std::string_view) {});
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

Analysis analyse(const RunRequest& request, const LogSink& sink, const AnalysisWants& wants) {
    Analysis a;
    const LogSink log = [&](std::string_view line) {
        ++a.loggedLines;
        sink(line);
    };
    a.keywords = request.keywords;
    a.columns = request.columns;
    try {
        EncodingCheck encoding;
        std::shared_ptr<const BomStructure> structure;
        std::vector<std::string> recognised, notes;
        if (!request.bomFormatFile.empty()) {
            if (!readByFormatFile(request, log, a, structure, notes, encoding)) return a;
        } else {
            {
                // Closed again before the file is opened anew: it is opened without sharing.
                InputFile input;
                if ((a.readError = input.open(request.bomFileName)) != kNoError) return a;
                // The start of the file is read twice (its line ends are decided first): the encoding
                // is checked on the second reading only.
                structure = std::make_shared<const BomStructure>(
                    [&](char* into, size_t room) {
                        const size_t got = input.read(into, room);
                        if (wants.encoding) encoding.feed(into, got);
                        return got;
                    },
                    [&] {
                        encoding = EncodingCheck();
                        return input.rewind() == kNoError;
                    },
                    request.keywords, input.size(), request.columns);
                // A read that fails part way is reported, not taken for the end of the file.
                if ((a.readError = input.error()) != kNoError) return a;
            }
            if (structure->lineCount() > 1 && !structure->hasMainAssembly()) {
                std::string bytes;
                if ((a.readError = readWholeFile(request.bomFileName, bytes)) != kNoError) return a;
                if (const std::optional<RecognisedExport> found = recogniseExport(bytes, a.keywords, a.columns)) {
                    structure = std::make_shared<const BomStructure>(bytes, found->keywords, found->columns);
                    a.keywords = found->keywords;
                    a.columns = found->columns;
                    a.wordsRecognised = found->wordsRecognised;
                    a.layoutRecognised = found->layoutRecognised;
                    if (found->wordsRecognised) recognised.push_back(describeKeywords(*found));
                    if (found->layoutRecognised) recognised.push_back(describeLayout(*found));
                    encoding = EncodingCheck();
                    encoding.feed(bytes.data(), bytes.size());
                }
            }
            a.layout = fromKeywords(a.keywords, a.columns);
            a.lineCount = structure->lineCount();
            log("Nr of lines read of BOM input file:" + formatSignedDecimal(static_cast<int64_t>(a.lineCount)));
            if (a.lineCount <= 1) return a;
        }
        const BomStructure& bom = *structure;
        for (const std::string& line : recognised) log(line);
        a.mainAssemblyFound = bom.hasMainAssembly();
        if (a.mainAssemblyFound) log("Main assembly name: " + std::string(bom.mainAssemblyName()));
        for (const std::string& line : notes) log(line);
        // Every line these steps log is a problem of the roll-up.
        const LogSink problem = [&](std::string_view line) {
            ++a.problems;
            log(line);
        };
        logQuantityProblems(bom, problem);
        const Tally build = Tally::of(request.buildQuantity);
        const RollupTotals totals = expandAssembly(bom, bom.mainAssemblyName(), build, problem);
        // A summary-only export has no where-used lists: its one block is the summary's.
        a.tables = sortTables(bom, totals, a.summaryOnly ? WhereUsedById() : buildWhereUsed(bom));
        logOutOfRangeTotals(a.tables, problem);
        if (wants.encoding) a.encoding = encoding.encoding();
        if (wants.tree && !a.summaryOnly) a.tree = buildAssemblyTree(bom, build, problem);
        const SummaryDifferences differences = checkSummary(bom, a.tables, request.buildQuantity, log);
        a.summaryDifferences = differences.count;
        ColumnRollup columns = rollUpColumns(a.attributes, a.tables, request.buildQuantity, request.sumColumns, log);
        a.columnTotals = std::move(columns.totals);
        a.summaryDifferences += columns.differences;
        if (differences.mostPartsDiffer()) {
            log(messages::mostPartsDiffer(differences.differingParts, differences.parts));
            a.readingInDoubt = true;
        }
        if (wants.structure) a.structure = structure;

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
