// The --format and --build options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/runs/processing_run.h"

namespace trelk {

// The end of --help: the tables of the CSV files and the JSON document.
inline constexpr const char* kOutputHelp =
    "Tables of --format csv (one file each) and json (one key each), chosen with --sections:\n"
    "  assemblies, parts          assemblies.csv, parts.csv: name, total\n"
    "  assemblies-where-used,     assemblies-where-used.csv, parts-where-used.csv: name, parent,\n"
    "  parts-where-used           quantity; one row per where-used entry, in the report's order\n"
    "  breakdown                  tree.csv, the multi-level BOM: level, parent, type (sub-assembly\n"
    "                             or part), name, quantity, pathQuantity (the product of the\n"
    "                             quantities from the main assembly down), expanded (true when the\n"
    "                             items follow), note (expanded above, contains itself or block\n"
    "                             not found); depth first in file order, each sub-assembly expanded\n"
    "                             once\n"
    "CSV: RFC 4180, a header row, CR LF; files of a UTF-8 export start with the UTF-8 byte-order\n"
    "mark, those of a Windows-1252 export keep its bytes; a name or text that starts with = + - @,\n"
    "a tab or a CR, which a spreadsheet would run, starts with an apostrophe (--csv-raw: as read).\n"
    "JSON: one UTF-8 object with format \"trelk-results\", version 1, mainAssembly, bomFile,\n"
    "encoding, buildQuantity, log and the tables as arrays of objects. An export is UTF-8 when it\n"
    "starts with the byte-order mark or all its bytes are valid UTF-8, else Windows-1252. --build\n"
    "multiplies totals and path quantities, not the where-used quantities.\n"
    "HTML: one UTF-8 page that a browser shows offline: the tree to fold, the totals to sort, the\n"
    "where-used lists linked, one filter for every table.";

// The end of --help for --compare: what the comparison writes.
inline constexpr const char* kComparisonHelp =
    "With --compare OLD BOMFILE both files are read by the same settings and options and compared:\n"
    "the report lists, for every assembly whose block differs, the members added, removed, with\n"
    "another quantity or another type; then every total that differs, old -> new, the difference\n"
    "and whether it changed directly (a block lists it with another quantity, or it was added or\n"
    "removed) or indirectly (only an assembly above it changed, named after via); with the\n"
    "where-used sections, every changed line by member. --sections chooses among the summaries and\n"
    "where-used lists of the report and the page only. --format csv writes compared-files.csv,\n"
    "compared-log.csv, block-changes.csv, assembly-total-changes.csv, part-total-changes.csv,\n"
    "assembly-where-used-changes.csv and part-where-used-changes.csv; --format json one document\n"
    "with format \"trelk-comparison\", version 1; --format html one page: the changes by assembly,\n"
    "the totals (changed ones marked, a switch hides the others) and the changed lines, filtered\n"
    "by name, sorted by total or difference.";

// "report", "csv", "json" or "html". Gives nothing for another word and says why in `error`.
std::optional<ReportFormat> parseReportFormat(const std::string& word, std::string& error);

// A positive whole number of machines, written in decimal digits only, up to 2^63 - 1.
std::optional<int64_t> parseBuildQuantity(const std::string& text, std::string& error);

}  // namespace trelk
