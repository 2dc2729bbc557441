// The results written, in every format and to every destination by one path: the report, the
// JSON document, the HTML page or the CSV tables of a folder (of a run or of a comparison), into
// files or, but CSV, to the standard output; each output created, written, closed and looked for
// again, with one set of log lines for success and failure.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/files/file_system.h"
#include "engine/request/run_request.h"
#include "engine/results/run_outcome.h"
#include "engine/writing/documents.h"

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

// Writes every output, in order, and logs how each went. The outcome's ending, error number and
// `where`.
RunOutcome writeOutputs(const Destination& destination, const std::vector<ResultOutput>& outputs, ProcessingHost& host);

// A document written as the request asks: the outputs of its format to `path` (by destinationOf),
// then, when the request names a page path, the HTML page there. On success the host is asked to
// open the page, else what the format wrote (the file, or the folder). The outcome of the
// format's outputs, or of the page when that failed.
RunOutcome writeResults(const RunRequest& request, const std::string& path, const ResultsDocument& document,
                        ProcessingHost& host);
RunOutcome writeResults(const RunRequest& request, const std::string& path, const ComparisonDocument& document,
                        ProcessingHost& host);

// The file or folder a request's results go to (empty for the standard output).
Destination destinationOf(const RunRequest& request, const std::string& path);

// The outputs of a document in a format: one file, or for CSV one file per table. A document and
// what it refers to must outlive them.
std::vector<ResultOutput> outputsOf(ReportFormat format, const ResultsDocument& document);
std::vector<ResultOutput> outputsOf(ReportFormat format, const ComparisonDocument& document);

}  // namespace trelk
