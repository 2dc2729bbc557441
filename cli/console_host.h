// The processing host of the console: log lines to standard output, the error box to standard
// error, and the report opened only when asked for.
#pragma once

#include <cstdio>

#include "engine/processing_run.h"

namespace trelk {

class ConsoleHost : public ProcessingHost {
public:
    ConsoleHost(bool quiet, bool openReport) : quiet_(quiet), openReport_(openReport) {}

    void appendLogLine(std::string_view text) override;
    void showErrorBox(std::string_view text, std::string_view caption) override;
    void openDocument(const std::string& path) override;

    // The run wrote its report and found it afterwards.
    bool reportStored() const { return reportStored_; }
    // The run logged a difference between its totals and the export's own summary of parts.
    bool summaryDiffers() const { return summaryDiffers_; }

private:
    bool quiet_;
    bool openReport_;
    bool reportStored_ = false;
    bool summaryDiffers_ = false;
};

}  // namespace trelk
