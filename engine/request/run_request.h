// What a run is asked and what it asks back: the request, which names the BOM file, the words and
// layout to read it by, the sections and the format to write; and the host, which shows the run's
// log lines and errors and opens what it wrote.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/request/run_options.h"

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

// One line for the log, as the steps of a run hand it on.
using LogSink = std::function<void(std::string_view)>;

}  // namespace trelk
