// The results as CSV tables (RFC 4180): comma-separated, a header row, CR LF line ends, fields
// holding a comma, a quote, a CR or an LF quoted. Names keep the export's bytes; a UTF-8 export
// gives files that start with the UTF-8 byte-order mark, so that spreadsheets read them as UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "engine/files/file_system.h"
#include "engine/results/assembly_tree.h"
#include "engine/results/result_tables.h"
#include "engine/writing/csv_writer.h"
#include "text/text_codec.h"

namespace trelk {

// Writes the table of one section (its file name is the section's csvFile; the breakdown is the
// tree) into the open file; the error number of a failed write, or 0.
int writeCsvTable(OutputFile& file, Section table, const ResultTables& tables, const AssemblyTree& tree,
                  TextEncoding encoding);

}  // namespace trelk
