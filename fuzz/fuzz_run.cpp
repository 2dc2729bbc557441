// The whole processing run on arbitrary bytes, its files held in memory. The first byte picks the
// report sections, whether the keywords come from the input and whether a column layout does
// (fuzz::requestFrom); the rest is the BOM file. Checked on every input: the log starts as it
// must, the report exists exactly when the log says so, and an earlier report survives a run
// that stops. On inputs small enough for it, the whole log and the report must equal those of
// the literal reading (tests/support), line by line and byte for byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/files/memory_files.h"
#include "engine/recognition/export_recognition.h"
#include "engine/recognition/export_sample.h"
#include "engine/runs/processing_run.h"
#include "engine/rollup/reading_check.h"
#include "engine/rollup/rollup.h"
#include "fuzz_support.h"
#include "support/literal_report.h"
#include "support/literal_rollup.h"
#include "support/recording_host.h"

namespace trelk {
namespace {

constexpr std::string_view kEarlierReport = "an earlier report\r\n";

// A line that is a header, the rest of a cut type word being none.
bool hasHeaderLine(const std::string& bytes, const KeywordSet& keywords, const ColumnLayout& columns) {
    BomLineTable table = literal::lineTable(bytes);
    table.normaliseAll();
    const TypeFields types = typeFields(table, keywords, columns.Type);
    for (size_t n = 1; n <= table.count(); ++n)
        if (!types.rest[n] && isBlockHeader(table.line(n), keywords.contains)) return true;
    return false;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

}  // namespace
}  // namespace trelk

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trelk;
    if (size == 0) return 0;
    const uint8_t flags = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);

    RunRequest request = fuzz::requestFrom(flags, rest);
    const std::string bytes(rest);
    // The files are held in memory (the fuzzers link the file layer of memory_files.h).
    request.bomFileName = "/fuzz/input.bom";
    request.applicationFolder = "/fuzz";
    const std::string report = reportPathFor(request);
    memory_files::clear();
    memory_files::put(request.bomFileName, bytes);
    memory_files::put(report, kEarlierReport);

    testing::RecordingHost host;
    runProcessing(request, host);

    const std::vector<std::string>& log = host.log;
    fuzz::check(host.errorBoxes.empty(), "an error box for a named file");
    fuzz::check(log.size() >= 4, "fewer than four log lines");
    fuzz::checkEqual("Trying to read BOM file:", log[0], "first log line");
    fuzz::checkEqual(request.bomFileName, log[1], "second log line");
    const BomLineTable table = literal::lineTable(bytes);
    fuzz::checkEqual("Nr of lines read of BOM input file:" + formatSignedDecimal(static_cast<int64_t>(table.count())),
                     log[2], "line count");
    const bool stored = log.size() >= 2 && log[log.size() - 2] == "Results stored in file:" && log.back() == report;
    fuzz::check(stored == (host.opened.size() == 1), "the report opened without being stored, or the reverse");
    if (!stored)
        fuzz::checkEqual(kEarlierReport, *memory_files::find(report),
                         "an earlier report changed by a run that stopped");
    if (table.count() <= 1) {
        fuzz::check(log.size() == 4 && log[3] == "BOM input file seems to be empty!",
                    "an empty file not said to be empty");
        return 0;
    }
    fuzz::check(stored, "a readable BOM without a stored report");

    const bool recognised =
        log[3].rfind(messages::kKeywordsRecognised, 0) == 0 || log[3].rfind(messages::kLayoutRecognised, 0) == 0;

    // The literal reading, where it can finish in a moment, by the words and columns the run went
    // by: those of the request, or those recognised in the file. It knows the rules of the CAD
    // system's own layout, not those of tables.
    if (bytes.size() > 16384) return 0;
    KeywordSet keywords = request.keywords;
    ColumnLayout columns = request.columns;
    std::vector<std::string> expectedLog = {log[0], log[1], log[2]};
    if (recognised) {
        const std::optional<RecognisedExport> found = recogniseExport(bytes, keywords, columns);
        fuzz::check(found.has_value(), "a recognition logged that the file does not give");
        keywords = found->keywords;
        columns = found->columns;
        if (columns.tableRules()) return 0;
        if (found->wordsRecognised) expectedLog.push_back(describeKeywords(*found));
        if (found->layoutRecognised) expectedLog.push_back(describeLayout(*found));
        // A file this small is its own sample.
        expectedLog.emplace_back(messages::kRecognisedFromWholeFile);
    }
    size_t orphans = 0;
    {
        const BomStructure bom(bytes, keywords, columns);
        if (!fuzz::literalWalkWithin(bom, 4000)) return 0;
        // Said last, of a reading by recognised words only.
        if (recognised) orphans = assembliesWithoutBlock(bom);
    }
    const literal::Analysis expected = testing::literalAnalysis(bytes, keywords, RollupLimits(), columns);
    if (hasHeaderLine(bytes, keywords, columns))
        expectedLog.push_back("Main assembly name: " + expected.mainAssemblyName);
    expectedLog.insert(expectedLog.end(), expected.log.begin(), expected.log.end());
    if (orphans > 0) expectedLog.push_back(messages::assembliesWithoutBlock(orphans));
    if (recognised && std::any_of(expected.log.begin(), expected.log.end(), [](const std::string& line) {
            return line.rfind(messages::kContainsItself, 0) == 0;
        }))
        expectedLog.emplace_back(messages::kRecognisedContainsItself);
    expectedLog.push_back("Results stored in file:");
    expectedLog.push_back(report);
    fuzz::checkEqual(joined(expectedLog), joined(log), "log lines differ from the literal reading");
    fuzz::checkEqual(literal::report(expected, request.sections, request.bomFileName, keywords),
                     *memory_files::find(report), "report differs from the literal reading");
    return 0;
}
