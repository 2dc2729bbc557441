// The run's results in the other forms a request can ask for: CSV tables in a folder, one JSON
// document, or either the report or the document on the standard output.
#pragma once

#include <string>
#include <vector>

#include "engine/assembly_tree.h"
#include "engine/processing_run.h"
#include "engine/rollup.h"
#include "text/text_codec.h"

namespace trelk {

// What the exports need beyond the four tables.
struct ExportExtras {
    AssemblyTree tree;  // filled when the breakdown section is chosen
    TextEncoding encoding = TextEncoding::Utf8;
};

// Passes everything on to the host, keeping a copy of the log lines when asked to.
class LogKeepingHost : public ProcessingHost {
public:
    LogKeepingHost(ProcessingHost& host, bool keep) : host_(host), keep_(keep) {}
    void appendLogLine(std::string_view text) override {
        if (keep_) lines_.emplace_back(text);
        host_.appendLogLine(text);
    }
    void showErrorBox(std::string_view text, std::string_view caption) override { host_.showErrorBox(text, caption); }
    void openDocument(const std::string& path) override { host_.openDocument(path); }
    void resultsWritten(const std::string& where) override { host_.resultsWritten(where); }
    const std::vector<std::string>& lines() const { return lines_; }

private:
    ProcessingHost& host_;
    bool keep_;
    std::vector<std::string> lines_;
};

// Writes the results as the request asks (anything but the report to a file) and logs the
// outcome. `log` holds the run's log lines so far, for the JSON document.
void writeExport(const RunRequest& request, ProcessingHost& host, const ResultTables& tables,
                 const ExportExtras& extras, const std::vector<std::string>& log);

}  // namespace trelk
