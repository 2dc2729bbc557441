// trelk-literal: the run of trelk-cli done the literal way, for the benchmark's comparison: the
// line-by-line analysis of tests/support and the report written from it, with all five sections
// and the same log lines.
//   trelk-literal -o REPORT BOMFILE
#include <cstdio>
#include <string>

#include "engine/files/file_system.h"
#include "support/literal_report.h"
#include "support/literal_rollup.h"

namespace {

void log(const std::string& line) { std::printf("%s\n", line.c_str()); }

}  // namespace

int main(int argc, char** argv) {
    std::string bomFile, output;
    bool usage = argc != 4;
    for (int i = 1; i < argc && !usage; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o" && i + 1 < argc)
            output = argv[++i];
        else if (bomFile.empty())
            bomFile = arg;
        else
            usage = true;
    }
    if (usage || bomFile.empty() || output.empty()) {
        std::fprintf(stderr, "usage: trelk-literal -o REPORT BOMFILE\n");
        return 2;
    }
    const trelk::KeywordSet keywords;
    log("Trying to read BOM file:");
    log(bomFile);
    std::string bytes;
    if (trelk::readWholeFile(bomFile, bytes) != trelk::kNoError) bytes.clear();
    trelk::BomLineTable table = trelk::literal::lineTable(bytes);
    log("Nr of lines read of BOM input file:" + trelk::formatSignedDecimal(static_cast<int64_t>(table.count())));
    if (table.count() <= 1) {
        log("BOM input file seems to be empty!");
        return 1;
    }
    bool hasHeader = false;
    for (const std::string_view line : table.lines())
        hasHeader = hasHeader || trelk::isBlockHeader(trelk::normaliseLine(line), keywords.contains);
    const trelk::literal::Analysis analysis = trelk::literal::analyse(std::move(table), keywords);
    if (hasHeader) log("Main assembly name: " + analysis.mainAssemblyName);
    for (const std::string& line : analysis.log) log(line);

    const std::string report = trelk::literal::report(analysis, trelk::SectionSelection::all(), bomFile, keywords);
    trelk::OutputFile file;
    if (file.create(output) != trelk::kNoError || file.write(report.data(), report.size()) != trelk::kNoError ||
        file.close() != trelk::kNoError) {
        std::fprintf(stderr, "trelk-literal: cannot write %s\n", output.c_str());
        return 1;
    }
    log("Results stored in file:");
    log(output);
    return 0;
}
