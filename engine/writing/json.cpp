#include "engine/writing/json.h"

#include "engine/writing/json_values.h"
#include "engine/writing/tables.h"

namespace trelk {

namespace {

void comparedFile(JsonWriter& j, std::string_view key, const ComparedFile& f) {
    OutputBuffer& o = j.out();
    o << ",\r\n  \"" << key << "\": {\r\n    \"bomFile\": " << j.systemText(f.bomFileName);
    o << ",\r\n    \"mainAssembly\": " << jsonString(toUtf8(f.mainAssembly, j.encoding()));
    o << ",\r\n    \"encoding\": ";
    j.word(encodingName(f.encoding));
    o << ",\r\n    \"lines\": ";
    j.number(static_cast<int64_t>(f.lineCount));
    o << ",\r\n    \"summaryDifferences\": ";
    j.number(static_cast<int64_t>(f.summaryDifferences));
    o << ",\r\n    \"problems\": ";
    j.number(static_cast<int64_t>(f.problems));
    {
        JsonArray log(o, "log", "    ");
        for (const std::string& line : f.log) log.row() << j.systemText(line);
    }
    o << "\r\n  }";
}

}  // namespace

int writeJson(OutputFile& file, const ResultsDocument& document) {
    const ResultTables& tables = document.analysis.tables;
    const TextEncoding encoding = document.analysis.encoding;
    JsonWriter j(file, encoding);
    OutputBuffer& o = j.out();
    o << "{\r\n  \"format\": " << jsonString(kJsonFormatName) << ",\r\n  \"version\": ";
    j.number(kJsonFormatVersion);
    o << ",\r\n  \"mainAssembly\": " << jsonString(toUtf8(tables.mainAssemblyName, encoding));
    o << ",\r\n  \"bomFile\": " << j.systemText(document.request.bomFileName);
    o << ",\r\n  \"encoding\": " << jsonString(encodingName(encoding));
    o << ",\r\n  \"buildQuantity\": ";
    j.number(document.request.buildQuantity);
    {
        JsonArray log(o, "log", "  ");
        for (const std::string& line : document.log) log.row() << j.systemText(line);
    }
    eachChosenTable(document, [&](Section section, const auto& rows) {
        writeJsonRows(j, reportSection(section).jsonKey, "  ", rows);
    });
    o << "\r\n}\r\n";
    return j.finish();
}

int writeJson(OutputFile& file, const ComparisonDocument& document) {
    const Comparison& c = document.comparison;
    JsonWriter j(file, c.encoding);
    OutputBuffer& o = j.out();
    o << "{\r\n  \"format\": " << jsonString(kComparisonJsonFormatName) << ",\r\n  \"version\": ";
    j.number(kComparisonJsonFormatVersion);
    o << ",\r\n  \"agree\": " << (c.agree() ? "true" : "false");
    {
        // Beside the verdict: a file that may have been misread.
        JsonArray warnings(o, "warnings", "  ");
        for (const std::string& warning : readWarnings(c)) warnings.row() << jsonString(warning);
    }
    o << ",\r\n  \"sameMainAssembly\": " << (c.sameMainAssembly ? "true" : "false");
    o << ",\r\n  \"buildQuantity\": ";
    j.number(c.buildQuantity);
    comparedFile(j, "old", c.oldFile);
    comparedFile(j, "new", c.newFile);
    writeJsonRows(j, "blockChanges", "  ", BlockChangeRows{c.assemblies});
    writeJsonRows(j, "assemblyTotalChanges", "  ", TotalChangeRows{c.assemblyTotals});
    writeJsonRows(j, "partTotalChanges", "  ", TotalChangeRows{c.partTotals});
    writeJsonRows(j, "assemblyWhereUsedChanges", "  ", WhereUsedChangeRows{c.assemblyWhereUsed});
    writeJsonRows(j, "partWhereUsedChanges", "  ", WhereUsedChangeRows{c.partWhereUsed});
    o << "\r\n}\r\n";
    return j.finish();
}

}  // namespace trelk
