#include "engine/result_export.h"

#include "engine/csv_export.h"
#include "engine/file_system.h"
#include "engine/json_export.h"
#include "engine/report.h"
#include "text/text_rules.h"

namespace trelk {

namespace {

// What the write and close of one output came to: the error number, or 0.
template <class Write>
int writeAndClose(OutputFile& file, Write&& write) {
    const int error = write(file);
    const int closeError = file.close();
    return error != kNoError ? error : closeError;
}

void logFileError(ProcessingHost& host, int error, std::string_view doing, const std::string& path) {
    host.appendLogLine("Error" + formatSignedDecimal(error) + std::string(doing));
    host.appendLogLine(path);
}

void writeCsvFolder(const RunRequest& request, ProcessingHost& host, const ResultTables& tables,
                    const ExportExtras& extras) {
    const std::string folder = reportPathFor(request);
    if (const int error = createFolder(folder)) {
        logFileError(host, error, " creating output folder: ", folder);
        return;
    }
    const SectionSelection& s = request.sections;
    const struct {
        bool chosen;
        CsvTable table;
    } files[] = {
        {s.Include_SummaryOfAssys, CsvTable::Assemblies},       {s.Include_SummaryOfParts, CsvTable::Parts},
        {s.Include_AssyInAssys, CsvTable::AssembliesWhereUsed}, {s.Include_PartsInAssys, CsvTable::PartsWhereUsed},
        {s.Include_BOMAssyBreakdown, CsvTable::Tree},
    };
    for (const auto& f : files) {
        if (!f.chosen) continue;
        std::string path = folder;
        if (!path.empty() && path.back() != '/' && path.back() != kPathSeparator) path += kPathSeparator;
        path += csvFileName(f.table);
        OutputFile file;
        if (const int error = file.create(path)) {
            logFileError(host, error, " creating output file: ", path);
            return;
        }
        const int error = writeAndClose(
            file, [&](OutputFile& out) { return writeCsvTable(out, f.table, tables, extras.tree, extras.encoding); });
        if (error != kNoError) {
            logFileError(host, error, " writing output file: ", path);
            return;
        }
        host.appendLogLine("Results stored in file:");
        host.appendLogLine(path);
    }
    host.resultsWritten(folder);
    host.openDocument(folder);
}

}  // namespace

void writeExport(const RunRequest& request, ProcessingHost& host, const ResultTables& tables,
                 const ExportExtras& extras, const std::vector<std::string>& log) {
    if (request.format == ReportFormat::Csv) {
        writeCsvFolder(request, host, tables, extras);
        return;
    }
    const bool toOutput = request.toStandardOutput;
    const std::string path = toOutput ? std::string("standard output") : reportPathFor(request);
    OutputFile file;
    if (const int error = toOutput ? file.attachStandardOutput() : file.create(path)) {
        logFileError(host, error, " creating output file: ", path);
        return;
    }
    const int error = writeAndClose(file, [&](OutputFile& out) {
        if (request.format == ReportFormat::Report)
            return writeReport(out, request.sections, request.bomFileName, request.keywords, tables);
        JsonDocument document;
        document.bomFileName = request.bomFileName;
        document.buildQuantity = request.buildQuantity;
        document.encoding = extras.encoding;
        document.log = log;
        document.sections = request.sections;
        document.tables = &tables;
        document.tree = &extras.tree;
        return writeJson(out, document);
    });
    if (error != kNoError) {
        logFileError(host, error, " writing output file: ", path);
        return;
    }
    if (toOutput) {
        host.appendLogLine("Results written to standard output");
        host.resultsWritten(std::string());
    } else if (isExistingFile(path)) {
        host.appendLogLine("Results stored in file:");
        host.appendLogLine(path);
        host.resultsWritten(path);
        host.openDocument(path);
    } else {
        host.appendLogLine("Output file not found");
    }
}

}  // namespace trelk
