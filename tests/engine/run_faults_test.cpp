// The BOM file changes while a run is under way: between the analysis and the breakdown
// section's second reading of it. The run must still finish its report from what it analysed,
// and copy into the breakdown whatever the file holds at that moment (nothing when it is gone).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "engine/processing_run.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::TempFolder;

// Does something to the world right after the run has logged the main assembly, which is after
// the file was read and before the report is written.
class MeddlingHost : public testing::RecordingHost {
public:
    explicit MeddlingHost(std::function<void()> meddle) : meddle_(std::move(meddle)) {}
    void appendLogLine(std::string_view text) override {
        RecordingHost::appendLogLine(text);
        if (text.rfind("Main assembly name: ", 0) == 0 && meddle_) std::exchange(meddle_, nullptr)();
    }

private:
    std::function<void()> meddle_;
};

const std::string kBom = "Assembly T contains:\r\n2 Part P\r\n";
const std::string kRule(86, '-');

TEST(RunFaults, TheBomChangingBeforeTheBreakdownIsReadAgain) {
    namespace fs = std::filesystem;
    // Each change says whether it happened: where the run holds the file open without sharing
    // (Windows), nobody can change it and the breakdown is the file as analysed.
    const struct {
        const char* what;
        std::function<bool(const std::string& bom)> meddle;
        std::string breakdown;  // what the section copies after the change
    } cases[] = {
        {"deleted", [](const std::string& bom) { std::error_code e; return fs::remove(bom, e); }, ""},
        {"emptied", [](const std::string& bom) { std::error_code e; fs::resize_file(bom, 0, e); return !e; }, ""},
        {"replaced by a folder",
         [](const std::string& bom) { std::error_code e; return fs::remove(bom, e) && fs::create_directory(bom, e); }, ""},
        {"grown",
         [](const std::string& bom) {
             std::ofstream out(bom, std::ios::binary | std::ios::app);
             out << "3 Part Q\r\n";
             return static_cast<bool>(out.flush());
         },
         kBom + "3 Part Q\r\n"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const std::string bom = folder.write("top.bom", kBom);
        RunRequest request;
        request.bomFileName = bom;
        request.applicationFolder = folder.path();
        request.sections = SectionSelection::all();
        bool changed = false;
        MeddlingHost host([&] { changed = c.meddle(bom); });
        runProcessing(request, host);
        ASSERT_GE(host.log.size(), 2u) << c.what;
        EXPECT_EQ(host.log[host.log.size() - 2], "Results stored in file:") << c.what;
        const std::string report = testing::readFile(reportPathFor(request));
        // The breakdown comes first; the totals are those of the file as it was analysed.
#ifndef _WIN32
        EXPECT_TRUE(changed) << c.what;
#endif
        const std::string breakdown = changed ? c.breakdown : kBom;
        EXPECT_EQ(report.substr(0, 2 * (kRule.size() + 2) + breakdown.size()), kRule + "\r\n" + breakdown + kRule + "\r\n")
            << c.what;
        EXPECT_NE(report.find("    2   P\r\n"), std::string::npos) << c.what;
        EXPECT_EQ(report.find("Q\r\n", report.find("Summary of")), std::string::npos) << c.what;
    }
}

}  // namespace
}  // namespace trelk
