// One processing run: from the BOM file named in the request to the report, its log lines and
// the request to open it. The run sees nothing of the world but the request and the host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/bom_tables.h"

namespace trelk {

// What the run writes: the report, CSV tables in a folder, or one JSON document.
enum class ReportFormat : uint8_t { Report, Csv, Json };

struct RunRequest {
    std::string bomFileName;      // exactly as the user gave it; relative to the current directory
    KeywordSet keywords;
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
