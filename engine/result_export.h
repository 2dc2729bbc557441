// The results written, in every format and to every destination by one path: the report, the
// JSON document, the HTML page or the CSV tables of a folder (of a run or of a comparison), into
// files or, but CSV, to the standard output; each output created, written, closed and looked for
// again, with one set of log lines for success and failure.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/analysis.h"
#include "engine/file_system.h"
#include "engine/processing_run.h"

namespace trelk {

// Where the results go: one file, a folder of files, or the standard output.
struct Destination {
    std::string where;  // the file or the folder; empty for the standard output
    bool folder = false;

    bool standardOutput() const { return where.empty() && !folder; }
};

// One file of the results and what fills it: the error number of a failed write, or 0. A report
// that copies the BOM file again gives the error of that reading in `readError`.
struct ResultOutput {
    std::string file;  // the file's name in the folder, or empty
    std::function<int(OutputFile& file, int& readError)> write;
};

// Writes every output, in order, and logs how each went; on success asks the host to open what
// was written (the file, or the folder), unless `open` is false. The outcome's ending, error
// number and `where`.
RunOutcome writeOutputs(const Destination& destination, const std::vector<ResultOutput>& outputs, ProcessingHost& host,
                        bool open = true);

// The outputs of the request's format, then, when the request names a page path, the HTML page
// written by `page` to it; the page is opened instead of the outputs. The outcome of the outputs,
// or of the page when that failed.
RunOutcome writeOutputsAndPage(const RunRequest& request, const Destination& destination,
                               const std::vector<ResultOutput>& outputs, const ResultOutput& page,
                               ProcessingHost& host);

// The file or folder a request's results go to (empty for the standard output).
Destination destinationOf(const RunRequest& request, const std::string& path);

// Writes the analysis as the request asks (writeOutputs). `log` holds the run's log lines so far,
// for the JSON document and the HTML page.
RunOutcome writeResults(const RunRequest& request, const Analysis& analysis, const std::vector<std::string>& log,
                        ProcessingHost& host);

}  // namespace trelk
