// The CSV files (RFC 4180) of a run's results or of a comparison, one table each
// (engine/writing/tables.h): comma-separated, a header row, CR LF line ends, fields holding a
// comma, a quote, a CR or an LF quoted. Names keep the export's bytes; the files of a UTF-8 export
// start with the UTF-8 byte-order mark, so that spreadsheets read them as UTF-8. A name or text that
// a spreadsheet would run as a formula is written as text, unless the request wants it raw
// (startsLikeFormula); numbers never are, a negative one included.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "engine/files/file_system.h"
#include "engine/writing/csv_writer.h"
#include "engine/writing/documents.h"

namespace trelk {

// One CSV file of a document: its name in the folder, and what writes it into the open file (the
// error number of a failed write, or 0).
struct CsvFile {
    std::string_view name;
    std::function<int(OutputFile& file)> write;
};

// A run's files: the chosen sections, the four tables and then the tree (kExportOrder), each in
// the file its section names.
std::vector<CsvFile> csvFiles(const ResultsDocument& document);
// A comparison's: compared-files.csv, compared-log.csv, block-changes.csv,
// assembly-total-changes.csv, part-total-changes.csv, assembly-where-used-changes.csv and
// part-where-used-changes.csv, whatever the sections.
std::vector<CsvFile> csvFiles(const ComparisonDocument& document);

}  // namespace trelk
