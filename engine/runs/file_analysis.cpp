#include "engine/runs/file_analysis.h"

#include <new>

#include "engine/files/file_system.h"
#include "engine/reading/bom_structure.h"
#include "engine/recognition/export_recognition.h"
#include "engine/rollup/rollup.h"
#include "engine/rollup/summary_check.h"
#include "engine/rollup/tree_builder.h"
#include "text/text_rules.h"

namespace trelk {

namespace {

// The part totals of one machine against the export's summary, which lists one machine: for a
// build of several, the roll-up is done once more, silently, for one.
size_t checkSummary(const BomStructure& bom, const ResultTables& tables, int64_t buildQuantity, const LogSink& log) {
    if (buildQuantity == 1) return logSummaryDifferences(tables.partTotals, bom, log);
    if (!bom.hasSummary()) return 0;
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
        std::vector<std::string> recognised;
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
        const BomStructure& bom = *structure;
        a.lineCount = bom.lineCount();
        log("Nr of lines read of BOM input file:" + formatSignedDecimal(static_cast<int64_t>(a.lineCount)));
        if (a.lineCount <= 1) return a;
        for (const std::string& line : recognised) log(line);
        a.mainAssemblyFound = bom.hasMainAssembly();
        if (a.mainAssemblyFound) log("Main assembly name: " + std::string(bom.mainAssemblyName()));
        // Every line these steps log is a problem of the roll-up.
        const LogSink problem = [&](std::string_view line) {
            ++a.problems;
            log(line);
        };
        logQuantityProblems(bom, problem);
        const Tally build = Tally::of(request.buildQuantity);
        const RollupTotals totals = expandAssembly(bom, bom.mainAssemblyName(), build, problem);
        a.tables = sortTables(bom, totals, buildWhereUsed(bom));
        logOutOfRangeTotals(a.tables, problem);
        if (wants.encoding) a.encoding = encoding.encoding();
        if (wants.tree) a.tree = buildAssemblyTree(bom, build, problem);
        a.summaryDifferences = checkSummary(bom, a.tables, request.buildQuantity, log);
        if (wants.structure) a.structure = structure;
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
    if (reading.analysis.lineCount <= 1) {
        log("BOM input file seems to be empty!");
        return stop(RunOutcome::Ending::EmptyFile);
    }
    return reading;
}

}  // namespace trelk
