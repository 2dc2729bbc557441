// Inputs and outputs that only a POSIX system can offer: devices, pipes, links, a full disk.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/processing_run.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::RecordingHost;
using testing::TempFolder;

RecordingHost runTo(const std::string& bom, const std::string& report) {
    RunRequest request;
    request.bomFileName = bom;
    request.reportPath = report;
    RecordingHost host;
    runProcessing(request, host);
    return host;
}

TEST(FileFaults, ABomThatIsNoPlainFileIsRefused) {
    TempFolder folder;
    const std::string pipe = folder.file("pipe.bom");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string dangling = folder.file("dangling.bom");
    ASSERT_EQ(::symlink(folder.file("gone").c_str(), dangling.c_str()), 0);
    const struct {
        std::string bom, lastLine;
    } cases[] = {
        {"/dev/zero", "Error opening BOM input file! Error #: 68"},  // would never end
        {pipe, "Error opening BOM input file! Error #: 68"},         // would block
        {dangling, "BOM input file not found!"},
    };
    for (const auto& c : cases) {
        const RecordingHost host = runTo(c.bom, folder.file("Trelk.txt"));
        ASSERT_FALSE(host.log.empty());
        EXPECT_EQ(host.log.back(), c.lastLine) << c.bom;
    }
}

TEST(FileFaults, AFullDiskIsNotReportedAsSuccess) {
    TempFolder folder;
    const std::string bom = folder.write("top.bom", "Assembly T contains:\r\n1 Part P\r\n");
    const RecordingHost host = runTo(bom, "/dev/full");
    ASSERT_GE(host.log.size(), 2u);
    EXPECT_EQ(host.log[host.log.size() - 2], "Error 61 writing output file: ");
    EXPECT_TRUE(host.opened.empty());
}

TEST(FileFaults, AReportOnADeviceIsWrittenWithoutBeingCut) {
    TempFolder folder;
    const std::string bom = folder.write("top.bom", "Assembly T contains:\r\n1 Part P\r\n");
    const RecordingHost host = runTo(bom, "/dev/null");
    ASSERT_GE(host.log.size(), 2u);
    EXPECT_EQ(host.log[host.log.size() - 2], "Results stored in file:");
}

TEST(FileFaults, AReportThatCannotBeFoundAfterWritingIsNotOpened) {
    // A name ending in ":" is never taken for an existing file, so the written report is not found.
    TempFolder folder;
    const std::string bom = folder.write("top.bom", "Assembly T contains:\r\n1 Part P\r\n");
    const RecordingHost host = runTo(bom, folder.file("report:"));
    ASSERT_FALSE(host.log.empty());
    EXPECT_EQ(host.log.back(), "Output file not found");
    EXPECT_TRUE(host.opened.empty());
}

}  // namespace
}  // namespace trelk
