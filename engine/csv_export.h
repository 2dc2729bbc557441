// The results as CSV tables (RFC 4180): comma-separated, a header row, CR LF line ends, fields
// holding a comma, a quote, a CR or an LF quoted. Names keep the export's bytes; a UTF-8 export
// gives files that start with the UTF-8 byte-order mark, so that spreadsheets read them as UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "engine/assembly_tree.h"
#include "engine/csv_writer.h"
#include "engine/file_system.h"
#include "engine/rollup.h"
#include "text/text_codec.h"

namespace trelk {

// Writes the table of one section (its file name is the section's csvFile; the breakdown is the
// tree) into the open file; the error number of a failed write, or 0.
int writeCsvTable(OutputFile& file, Section table, const ResultTables& tables, const AssemblyTree& tree,
                  TextEncoding encoding);

// Words of the tree's type and note columns, the same in the CSV files and the JSON document.
std::string_view treeTypeWord(ItemKind kind);
std::string_view treeNoteWord(TreeNote note);

}  // namespace trelk
