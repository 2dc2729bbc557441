// The report file held open by another program: the run cannot create it and the old one stays.
#include <gtest/gtest.h>
#include <windows.h>

#include "engine/runs/processing_run.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

TEST(FileFaults, AReportHeldOpenWithoutSharingGivesError70AndSurvives) {
    testing::TempFolder folder;
    const std::string bom = folder.write("top.bom", "Assembly T contains:\r\n1 Part P\r\n");
    const std::string report = folder.write("Trelk.txt", "the earlier report");
    HANDLE viewer =
        CreateFileA(report.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    RunRequest request;
    request.bomFileName = bom;
    request.applicationFolder = folder.path();
    testing::RecordingHost host;
    runProcessing(request, host);
    CloseHandle(viewer);
    ASSERT_GE(host.log.size(), 3u);
    EXPECT_EQ(host.log[host.log.size() - 3], "Error 70 creating output file: ");
    EXPECT_EQ(host.log[host.log.size() - 2], report);
    EXPECT_EQ(host.log.back(), "Access to " + report +
                                   " is denied: it is read-only, another program holds it open, or its folder may "
                                   "not be written in");
    EXPECT_EQ(testing::readFile(report), "the earlier report");
}

TEST(FileFaults, ABomHeldOpenWithoutSharingGivesError70) {
    testing::TempFolder folder;
    const std::string bom = folder.write("top.bom", "Assembly T contains:\r\n1 Part P\r\n");
    HANDLE editor = CreateFileA(bom.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(editor, INVALID_HANDLE_VALUE);
    RunRequest request;
    request.bomFileName = bom;
    request.applicationFolder = folder.path();
    testing::RecordingHost host;
    runProcessing(request, host);
    CloseHandle(editor);
    ASSERT_GE(host.log.size(), 2u);
    EXPECT_EQ(host.log[host.log.size() - 2], "Error opening BOM input file! Error #: 70");
    EXPECT_EQ(host.log.back(), "Access to " + bom + " is denied: another program holds it open, or it may not be read");
}

}  // namespace
}  // namespace trelk
