// What a run is asked and what it asks back: the request, which names the BOM file, the words and
// layout to read it by, the sections and the format to write; and the host, which shows the run's
// log lines and errors and opens what it wrote.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>

#include "engine/request/run_options.h"

namespace trelk {

// What the run writes: the report, CSV tables in a folder, one JSON document, or one HTML page.
enum class ReportFormat : uint8_t { Report, Csv, Json, Html };

// A format and what it means for a run, in one place: its word on the command line, the file its
// results go to in the application folder when the request names no path, and what the run keeps
// for it.
struct OutputFormat {
    ReportFormat format;
    std::string_view word;            // on the command line
    std::string_view runFile;         // a run's results; empty: the application folder itself
    std::string_view comparisonFile;  // a comparison's
    bool folder;                      // the results are files in a folder, one per table
    bool encodingWritten;             // the names' encoding shows: names converted, or a byte-order mark
    bool logWritten;                  // the run's log lines are part of the results
};

inline constexpr OutputFormat kOutputFormats[] = {
    {ReportFormat::Report, "report", "Trelk.txt", "Trelk-compare.txt", false, false, false},
    {ReportFormat::Csv, "csv", "", "Trelk-compare", true, true, false},
    {ReportFormat::Json, "json", "Trelk.json", "Trelk-compare.json", false, true, true},
    {ReportFormat::Html, "html", "Trelk.html", "Trelk-compare.html", false, true, true},
};

static_assert(
    [] {
        for (size_t i = 0; i < std::size(kOutputFormats); ++i)
            if (static_cast<size_t>(kOutputFormats[i].format) != i) return false;
        return true;
    }(),
    "kOutputFormats is indexed by ReportFormat");

inline const OutputFormat& outputFormat(ReportFormat format) { return kOutputFormats[static_cast<size_t>(format)]; }

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
    // The company's BOM format file the export was made by: the file is read by it instead of by
    // the keywords and columns (which then name only the type words). Empty: none.
    std::string bomFormatFile;
    // The CSV files hold every text as read, even one that a spreadsheet would run as a formula
    // (a name that starts with "="); otherwise such a cell is written as text (engine/writing/csv.h).
    bool csvRaw = false;
    // When not empty, the HTML page of the same results goes here as well, after what the format
    // writes, and the page rather than that is opened: the window program shows the page and
    // keeps the report beside it. The page holds the bytes a run in the Html format writes.
    std::string pagePath;
};

// Whether any output the request asks for (its format's, and the page beside it) carries the
// run's log lines, or shows the names' encoding: what a run keeps for its writing.
bool logWritten(const RunRequest& request);
bool encodingWritten(const RunRequest& request);

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

// Where results go: the request's report path when it names one, else the file in the application
// folder (the folder itself for an empty name).
std::string outputPath(const RunRequest& request, std::string_view defaultFile);

// One line for the log, as the steps of a run hand it on.
using LogSink = std::function<void(std::string_view)>;

}  // namespace trelk
