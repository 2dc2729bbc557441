// One processing run: from the BOM file named in the request to the report, its log lines and
// the request to open it. The run sees nothing of the world but the request and the host.
//
// The engine's pipeline, one header per step, in the order the run takes them:
//   engine/run_options.h      what the run is asked: keywords, column layout, report sections
//   engine/line_classifier.h  each line as read: empty, block header or item line, and its fields
//   engine/bom_structure.h    the lines kept as items and blocks, every name numbered once
//   engine/rollup.h           the roll-up, the where-used lists, and the tables sorted by name
//   engine/result_tables.h    the sorted tables the report is written from
//   engine/report.h           the report (csv_export.h, json_export.h: the other formats)
//   engine/processing_run.h   this file: the run that strings them together
// Files reach the engine through engine/file_system.h. What makes the steps fast sits in files of
// its own: engine/word_scan.h (blanks found eight bytes at a time), engine/name_index.h (the names
// numbered through an own hash index, looked up in prefetched batches), engine/name_order.h (the
// sort on name prefixes), and reserveLarge in engine/file_system.h (huge pages for the two largest
// tables); docs/performance.md has the figures.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/run_options.h"

namespace trelk {

// What the run writes: the report, CSV tables in a folder, or one JSON document.
enum class ReportFormat : uint8_t { Report, Csv, Json };

struct RunRequest {
    std::string bomFileName;  // exactly as the user gave it; relative to the current directory
    KeywordSet keywords;
    ColumnLayout columns;  // where item lines hold quantity, type and name
    SectionSelection sections;
    std::string applicationFolder;  // the report goes there as "Trelk.txt"
    std::string reportPath;         // when not empty, the report goes here instead
    ReportFormat format = ReportFormat::Report;
    // Machines built at once: every total and path quantity is multiplied by it (at least 1);
    // the where-used quantities are not.
    int64_t buildQuantity = 1;
    // The report or the JSON document goes to the standard output instead of a file (not CSV).
    bool toStandardOutput = false;
};

// What the run asks of the program that hosts it.
class ProcessingHost {
public:
    virtual ~ProcessingHost() = default;
    // The text becomes the last line of the log, visible to the user.
    virtual void appendLogLine(std::string_view text) = 0;
    // A modal error message; returns when the user has closed it.
    virtual void showErrorBox(std::string_view text, std::string_view caption) = 0;
    // Asks the system to open the document; the result is not looked at.
    virtual void openDocument(const std::string& path) = 0;
    // The results have been written in full: to the file or folder `where`, or to the standard
    // output when it is empty.
    virtual void resultsWritten(const std::string& where) { (void)where; }
};

void runProcessing(const RunRequest& request, ProcessingHost& host);

// The report path a request leads to: the report or JSON file, or the folder of the CSV files.
std::string reportPathFor(const RunRequest& request);

}  // namespace trelk
