// The results as CSV tables (RFC 4180): comma-separated, a header row, CR LF line ends, fields
// holding a comma, a quote, a CR or an LF quoted. Names keep the export's bytes; a UTF-8 export
// gives files that start with the UTF-8 byte-order mark, so that spreadsheets read them as UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "engine/assembly_tree.h"
#include "engine/file_system.h"
#include "engine/rollup.h"
#include "text/text_codec.h"

namespace trelk {

enum class CsvTable { Assemblies, Parts, AssembliesWhereUsed, PartsWhereUsed, Tree };

// "assemblies.csv", "parts.csv", "assemblies-where-used.csv", "parts-where-used.csv", "tree.csv"
std::string_view csvFileName(CsvTable table);

// Writes one whole table into the open file; the error number of a failed write, or 0.
int writeCsvTable(OutputFile& file, CsvTable table, const ResultTables& tables, const AssemblyTree& tree,
                  TextEncoding encoding);

// The field as RFC 4180 wants it: quoted, with its quotes doubled, when it holds a comma, a
// quote, a CR or an LF.
std::string csvField(std::string_view text);

// Words of the tree's type and note columns, the same in the CSV files and the JSON document.
std::string_view treeTypeWord(ItemKind kind);
std::string_view treeNoteWord(TreeNote note);

}  // namespace trelk
