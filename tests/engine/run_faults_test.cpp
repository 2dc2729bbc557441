// The BOM file changes while a run is under way: between the analysis and the breakdown
// section's second reading of it. The run must still finish its report from what it analysed,
// and copy into the breakdown whatever the file holds at that moment (nothing when it is gone).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "engine/runs/processing_run.h"
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
        {"deleted",
         [](const std::string& bom) {
             std::error_code e;
             return fs::remove(bom, e);
         },
         ""},
        {"emptied",
         [](const std::string& bom) {
             std::error_code e;
             fs::resize_file(bom, 0, e);
             return !e;
         },
         ""},
        {"replaced by a folder",
         [](const std::string& bom) {
             std::error_code e;
             return fs::remove(bom, e) && fs::create_directory(bom, e);
         },
         ""},
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
        EXPECT_EQ(report.substr(0, 2 * (kRule.size() + 2) + breakdown.size()),
                  kRule + "\r\n" + breakdown + kRule + "\r\n")
            << c.what;
        EXPECT_NE(report.find("    2   P\r\n"), std::string::npos) << c.what;
        EXPECT_EQ(report.find("Q\r\n", report.find("Summary of")), std::string::npos) << c.what;
    }
}

// The breakdown copy cannot read the file again: its error number is logged as the analysis logs
// its own, and the report, incomplete, is neither announced nor opened.
void expectBreakdownFailure(const std::function<void()>& meddle, const std::function<void()>& undo,
                            const std::string& bomName, const std::string& folder, int error) {
    RunRequest request;
    request.bomFileName = bomName;
    request.applicationFolder = folder;
    request.sections = SectionSelection::all();
    MeddlingHost host(meddle);
    const RunOutcome outcome = runProcessing(request, host);
    undo();
    EXPECT_EQ(outcome.ending, RunOutcome::Ending::ReadFailed);
    EXPECT_EQ(outcome.error, error);
    ASSERT_FALSE(host.log.empty());
    EXPECT_EQ(host.log.back(), "Error reading BOM input file! Error #: " + std::to_string(error));
    for (const std::string& line : host.log) EXPECT_NE(line, "Results stored in file:");
    EXPECT_TRUE(host.opened.empty());
}

#ifdef _WIN32
// Another program holds the file without sharing when the copy opens it. The run holds the file
// itself while it reads it, so the other program takes "the same name" in another folder: the
// name is relative and the current folder changes under the run.
TEST(RunFaults, ABreakdownCopyThatCannotOpenTheFileIsNotAnnounced) {
    TempFolder first, second;
    first.write("top.bom", kBom);
    const std::string taken = second.write("top.bom", kBom);
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(first.path().c_str());
    HANDLE other = CreateFileA(taken.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    expectBreakdownFailure([&] { SetCurrentDirectoryA(second.path().c_str()); },
                           [&] {
                               CloseHandle(other);
                               SetCurrentDirectoryA(previous);
                           },
                           "top.bom", first.path(), 70);
}
#else
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TRELK_SANITIZED_BUILD 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(TRELK_SANITIZED_BUILD)
constexpr bool kSanitizedBuild = true;
#else
constexpr bool kSanitizedBuild = false;
#endif

// No descriptor is left for the copy: the report takes the last one.
TEST(RunFaults, ABreakdownCopyThatCannotOpenTheFileIsNotAnnounced) {
    // The sanitizers' runtime tests memory through a pipe: without descriptors it reports faults
    // of its own that are none.
    if (kSanitizedBuild) GTEST_SKIP() << "needs descriptors that a sanitized build keeps for its runtime";
    TempFolder folder;
    const std::string bom = folder.write("top.bom", kBom);
    struct rlimit before;
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    std::vector<int> taken;
    expectBreakdownFailure(
        [&] {
            struct rlimit limit = before;
            limit.rlim_cur = 256;
            ::setrlimit(RLIMIT_NOFILE, &limit);
            for (int fd; (fd = ::dup(0)) >= 0;) taken.push_back(fd);
            ::close(taken.back());
            taken.pop_back();
        },
        [&] {
            for (const int fd : taken) ::close(fd);
            ::setrlimit(RLIMIT_NOFILE, &before);
        },
        bom, folder.path(), 67);
}

// The file opens but its first read fails (/proc/self/mem is a plain file whose page 0 is not
// mapped): the copy is not taken for an empty file.
TEST(RunFaults, ABreakdownCopyWhoseReadFailsIsNotAnnounced) {
    namespace fs = std::filesystem;
    TempFolder folder;
    const std::string bom = folder.write("top.bom", kBom);
    expectBreakdownFailure(
        [&] {
            fs::remove(bom);
            fs::create_symlink("/proc/self/mem", bom);
        },
        [] {}, bom, folder.path(), 75);
}
#endif

}  // namespace
}  // namespace trelk
