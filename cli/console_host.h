// The processing host of the console: log lines to standard output (or to standard error when
// the results go to standard output), the error box to standard error, and the report opened
// only when asked for.
#pragma once

#include <cstdio>

#include "engine/runs/processing_run.h"

namespace trelk {

class ConsoleHost : public ProcessingHost {
public:
    // With `logToStandardError` the log lines go to standard error, leaving standard output to
    // the results.
    ConsoleHost(bool quiet, bool openReport, bool logToStandardError = false)
        : quiet_(quiet), openReport_(openReport), logStream_(logToStandardError ? stderr : stdout) {}

    void appendLogLine(std::string_view text) override;
    void showErrorBox(std::string_view text, std::string_view caption) override;
    void openDocument(const std::string& path) override;

private:
    bool quiet_;
    bool openReport_;
    std::FILE* logStream_;
};

}  // namespace trelk
