// The whole processing run on arbitrary bytes, its files held in memory. The first byte picks the
// report sections, whether the keywords come from the input and whether a column layout does
// (fuzz::requestFrom); the rest is the BOM file. Checked on every input: the log starts as it
// must, the report exists exactly when the log says so, and an earlier report survives a run
// that stops. On inputs small enough for it, the whole log and the report must equal those of
// the literal reading (tests/support), line by line and byte for byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
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

// A line of a normalised table that is a header, the rest of a cut type word being none.
bool hasHeaderLine(const BomLineTable& table, const KeywordSet& keywords, const ColumnLayout& columns) {
    const TypeFields types = typeFields(table, keywords, columns.Type);
    for (size_t n = 1; n <= table.count(); ++n)
        if (!types.rest[n] && isBlockHeader(table.line(n), keywords.contains)) return true;
    return false;
}

bool sameWords(const KeywordSet& a, const KeywordSet& b) {
    return a.contains == b.contains && a.SubAssembly == b.SubAssembly && a.Part == b.Part &&
           a.SummaryOfParts == b.SummaryOfParts;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text.append(line).append("\n");
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
    const fuzz::FilesClearedAtEnd files;
    memory_files::put(request.bomFileName, bytes);
    memory_files::put(report, kEarlierReport);

    testing::RecordingHost host;
    const RunOutcome outcome = runProcessing(request, host);

    const std::vector<std::string>& log = host.log;
    fuzz::check(host.errorBoxes.empty(), "an error box for a named file");
    fuzz::check(log.size() >= 4, "fewer than four log lines");
    fuzz::checkEqual("Trying to read BOM file:", log[0], "first log line");
    fuzz::checkEqual(request.bomFileName, log[1], "second log line");
    // The file's lines as the reading rules state them, read once: counted here, copied into the
    // report's breakdown below.
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

    // The literal reading, where it can finish in a moment, by the words and columns the run went
    // by: those of the request, or those recognised in the file (fuzz_recognition checks what
    // recognition finds). It knows the rules of the CAD system's own layout, not those of tables.
    if (bytes.size() > 16384) return 0;
    const KeywordSet& keywords = outcome.keywords;
    const ColumnLayout& columns = outcome.columns;
    std::vector<std::string> expectedLog = {log[0], log[1], log[2]};
    size_t next = 3;
    const auto startsWith = [&](std::string_view prefix) {
        return next < log.size() && log[next].size() > prefix.size() && log[next].rfind(prefix, 0) == 0;
    };
    const bool recognised = startsWith(messages::kKeywordsRecognised) || startsWith(messages::kLayoutRecognised);
    fuzz::check(recognised == (!sameWords(keywords, request.keywords) || !(columns == request.columns)),
                "words or columns other than the request's without a recognition logged, or the reverse");
    if (recognised) {
        // Tables are not checked here, nor the layouts read by the layout reader (headers with free
        // text around the name): their columns always hold a separator or no type column.
        if (columns.tableRules()) return 0;
        // What the lines say of the words is fuzz_recognition's part; here, that they are there.
        if (startsWith(messages::kKeywordsRecognised)) expectedLog.push_back(log[next++]);
        if (startsWith(messages::kLayoutRecognised)) expectedLog.push_back(log[next++]);
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
    BomLineTable normalised = literal::lineTable(bytes);
    normalised.normaliseAll();
    const bool header = hasHeaderLine(normalised, keywords, columns);
    const literal::Analysis expected = literal::analyse(std::move(normalised), keywords, RollupLimits(), columns);
    if (header) expectedLog.push_back("Main assembly name: " + expected.mainAssemblyName);
    expectedLog.insert(expectedLog.end(), expected.log.begin(), expected.log.end());
    if (orphans > 0) expectedLog.push_back(messages::assembliesWithoutBlock(orphans));
    if (recognised && std::any_of(expected.log.begin(), expected.log.end(), [](const std::string& line) {
            return line.rfind(messages::kContainsItself, 0) == 0;
        }))
        expectedLog.emplace_back(messages::kRecognisedContainsItself);
    expectedLog.push_back("Results stored in file:");
    expectedLog.push_back(report);
    fuzz::checkEqual(joined(expectedLog), joined(log), "log lines differ from the literal reading");
    fuzz::checkEqual(literal::report(expected, request.sections, table, keywords), *memory_files::find(report),
                     "report differs from the literal reading");
    return 0;
}
