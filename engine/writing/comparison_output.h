// A comparison written out: the text report (the style of the single run's report: bytes as read,
// CR LF, sections framed by lines of 86 hyphens), the CSV tables of a folder, and the JSON
// document. docs/help/compare.html shows the layout of each.
#pragma once

#include <string_view>

#include "engine/results/comparison.h"
#include "engine/files/file_system.h"

namespace trelk {

inline constexpr std::string_view kComparisonJsonFormatName = "trelk-comparison";
inline constexpr int kComparisonJsonFormatVersion = 1;

// Writes the text report into the open file: the header with both files' log lines, the changes
// by assembly, and as `sections` chooses, the changes of the summaries of assemblies and of parts
// and of the two where-used lists (the breakdown flag is not read). The error number of a failed
// write, or 0.
int writeComparisonReport(OutputFile& file, const Comparison& comparison, const SectionSelection& sections);

// The CSV tables of a comparison, in the order they are written.
enum class ComparisonTable : uint8_t {
    Files,              // compared-files.csv: side, bomFile, mainAssembly, encoding, lines, ...
    Log,                // compared-log.csv: side, line
    Blocks,             // block-changes.csv: one row per changed member
    AssemblyTotals,     // assembly-total-changes.csv
    PartTotals,         // part-total-changes.csv
    AssemblyWhereUsed,  // assembly-where-used-changes.csv
    PartWhereUsed,      // part-where-used-changes.csv
};
inline constexpr ComparisonTable kComparisonTables[] = {
    ComparisonTable::Files,          ComparisonTable::Log,        ComparisonTable::Blocks,
    ComparisonTable::AssemblyTotals, ComparisonTable::PartTotals, ComparisonTable::AssemblyWhereUsed,
    ComparisonTable::PartWhereUsed};
std::string_view comparisonCsvFile(ComparisonTable table);

// Writes one table into the open file (RFC 4180, as the single run's tables: a UTF-8 comparison
// starts with the byte-order mark). The error number of a failed write, or 0.
int writeComparisonCsv(OutputFile& file, ComparisonTable table, const Comparison& comparison);

// Writes the JSON document (UTF-8) into the open file. The error number of a failed write, or 0.
int writeComparisonJson(OutputFile& file, const Comparison& comparison);

}  // namespace trelk
