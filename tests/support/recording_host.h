// A processing host that keeps what the run asked of it.
#pragma once

#include <string>
#include <vector>

#include "engine/runs/processing_run.h"

namespace trelk::testing {

class RecordingHost : public ProcessingHost {
public:
    void appendLogLine(std::string_view text) override { log.emplace_back(text); }
    void showErrorBox(std::string_view text, std::string_view caption) override {
        errorBoxes.push_back(std::string(caption) + ": " + std::string(text));
    }
    void openDocument(const std::string& path) override { opened.push_back(path); }

    std::vector<std::string> log;
    std::vector<std::string> errorBoxes;  // "caption: text"
    std::vector<std::string> opened;
};

}  // namespace trelk::testing
