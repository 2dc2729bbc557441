// One processing run: from the BOM file named in the request to the results, their log lines and
// the request to open them. The run sees nothing of the world but the request and the host, and
// says how it ended in its RunOutcome; the log lines are for people.
//
// The engine's pipeline, one header per step, in the order the run takes them:
//   engine/run_options.h        what the run is asked: keywords, column layout, report sections
//   engine/line_classifier.h    each line as read: empty, block header or item line, and its fields
//   engine/bom_structure.h      the lines kept as items and blocks, every name numbered once
//   engine/export_recognition.h the export's own words and layout, when those asked for find no
//                               main assembly in it
//   text/text_codec.h           the encoding of the names, told from the same reading (exports only)
//   engine/rollup.h             the roll-up, the where-used lists, and the tables sorted by name
//   engine/result_tables.h      the sorted tables the results are written from
//   engine/assembly_tree.h      the multi-level tree of the exports' breakdown
//   engine/summary_check.h      the totals checked against the export's own summary of parts
//   engine/analysis.h           the steps above, from the file to one Analysis
//   engine/result_export.h      the results written, one path for every format and destination:
//   engine/report.h               the report,
//   engine/csv_export.h           the CSV tables,
//   engine/json_export.h          the JSON document,
//   engine/html_export.h          the HTML page (its frame: engine/html_page.h)
//   engine/processing_run.h     this file: the run that strings them together
// A comparison of two files (engine/comparison_run.h) reads each by the steps of analysis.h, and
// writes what engine/comparison.h finds by the path of result_export.h.
// Files reach the engine through engine/file_system.h. What makes the steps fast sits in files of
// its own: engine/word_scan.h (blanks found eight bytes at a time), engine/name_index.h (the names
// numbered through an own hash index, looked up in prefetched batches), engine/name_order.h (the
// sort on name prefixes), and reserveLarge in engine/file_system.h (huge pages for the two largest
// tables); docs/performance.md has the figures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/run_options.h"

namespace trelk {

// What the run writes: the report, CSV tables in a folder, one JSON document, or one HTML page.
enum class ReportFormat : uint8_t { Report, Csv, Json, Html };

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
    // The report, the JSON document or the HTML page goes to the standard output instead of a
    // file (not CSV).
    bool toStandardOutput = false;
    // When not empty, the HTML page of the same results goes here as well, after what the format
    // writes, and the page rather than that is opened: the window program shows the page and
    // keeps the report beside it. The page holds the bytes a run in the Html format writes.
    std::string pagePath;
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
};

// How a run ended.
struct RunOutcome {
    enum class Ending : uint8_t {
        Stored,           // the results were written in full and found again: `where`
        NoBomFileName,    // the error box was shown
        BomFileNotFound,  // no such file, or a folder
        OpenFailed,       // the trial open failed: `error`
        ReadFailed,       // reading the file failed, or reading it again for the breakdown: `error`
        EmptyFile,        // 0 or 1 lines
        CreateFailed,     // an output file or folder could not be created: `error`
        WriteFailed,      // writing or closing an output file failed: `error`
        OutputNotFound,   // an output file was written but is not there
    };
    Ending ending = Ending::NoBomFileName;
    int error = 0;                   // the file layer's error number, for the endings that name one
    std::string where;               // the report or JSON file or the CSV folder; empty for the standard output
    bool mainAssemblyFound = false;  // the file has a block header
    size_t summaryDifferences = 0;   // names whose total differs from the export's own summary

    bool stored() const { return ending == Ending::Stored; }
};

RunOutcome runProcessing(const RunRequest& request, ProcessingHost& host);

// The report path a request leads to: the report or JSON file, or the folder of the CSV files.
std::string reportPathFor(const RunRequest& request);

}  // namespace trelk
