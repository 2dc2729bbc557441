// Inputs and outputs that only a POSIX system can offer: devices, pipes, links, a full disk, a
// file size limit, a BOM of 2 GB. Every row goes through the whole run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "engine/runs/processing_run.h"
#include "support/full_disk.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

#if defined(__SANITIZE_ADDRESS__)
#define TRELK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TRELK_ASAN 1
#endif
#endif

namespace trelk {
namespace {

using testing::RecordingHost;
using testing::TempFolder;

const std::string kBom = "Assembly T contains:\r\n1 Part P\r\n";
const std::string kEarlier = "the earlier report";

RecordingHost runTo(const std::string& bom, const std::string& report) {
    RunRequest request;
    request.bomFileName = bom;
    request.reportPath = report;
    RecordingHost host;
    runProcessing(request, host);
    return host;
}

std::string lastTwo(const RecordingHost& host) {
    if (host.log.size() < 2) return "<fewer than two log lines>";
    return host.log[host.log.size() - 2] + " | " + host.log.back();
}
// A file error's lines: the number, the path, and what they mean.
std::string lastThree(const RecordingHost& host) {
    if (host.log.size() < 3) return "<fewer than three log lines>";
    return host.log[host.log.size() - 3] + " | " + lastTwo(host);
}

TEST(FileFaults, ABomThatIsNoPlainFileIsRefused) {
    TempFolder folder;
    const std::string pipe = folder.file("pipe.bom");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string dangling = folder.file("dangling.bom");
    ASSERT_EQ(::symlink(folder.file("gone").c_str(), dangling.c_str()), 0);
    const std::string device = " is not a plain file but a device or a pipe, or its drive is not there";
    const struct {
        std::string bom, lastTwo;
    } cases[] = {
        {"/dev/zero", "Error opening BOM input file! Error #: 68 | /dev/zero" + device},  // would never end
        {pipe, "Error opening BOM input file! Error #: 68 | " + pipe + device},           // would block
        {dangling, dangling + " | BOM input file not found!"},
    };
    for (const auto& c : cases) {
        const RecordingHost host = runTo(c.bom, folder.file("Trelk.txt"));
        EXPECT_EQ(lastTwo(host), c.lastTwo) << c.bom;
    }
}

TEST(FileFaults, AFullDiskIsNotReportedAsSuccess) {
    TempFolder folder;
    const std::string bom = folder.write("top.bom", "Assembly T contains:\r\n1 Part P\r\n");
    const RecordingHost host = runTo(bom, "/dev/full");
    EXPECT_EQ(lastThree(host),
              "Error 61 writing output file:  | /dev/full | The disk is full: /dev/full was not written whole");
    EXPECT_TRUE(host.opened.empty());
}

TEST(FileFaults, AReportOnADeviceIsWrittenWithoutBeingCut) {
    TempFolder folder;
    const std::string bom = folder.write("top.bom", "Assembly T contains:\r\n1 Part P\r\n");
    const RecordingHost host = runTo(bom, "/dev/null");
    ASSERT_GE(host.log.size(), 2u);
    EXPECT_EQ(host.log[host.log.size() - 2], "Results stored in file:");
}

// "?", "*" and a final ":" are ordinary characters of a name here: such a BOM is read and such a
// report is written, found and opened.
TEST(FileFaults, NamesWithWildcardsAndColonsAreFilesHere) {
    TempFolder folder;
    for (const std::string name : {"a*b.bom", "what?.bom", "drive.bom:", "*", "?:"}) {
        const std::string bom = folder.write(name, kBom);
        const std::string report = folder.file("out?" + name + ".txt:");
        const RecordingHost host = runTo(bom, report);
        EXPECT_EQ(lastTwo(host), "Results stored in file: | " + report) << name;
        EXPECT_EQ(host.opened, std::vector<std::string>{report}) << name;
        EXPECT_NE(testing::readFile(report).find("    1   P\r\n"), std::string::npos) << name;
    }
    // A pattern that matches a file is still no name of it.
    const RecordingHost host = runTo(folder.file("a?b.bom"), folder.file("Trelk.txt"));
    ASSERT_FALSE(host.log.empty());
    EXPECT_EQ(host.log.back(), "BOM input file not found!");
}

TEST(FileFaults, ABomNameThatNamesNoFileLeavesTheEarlierReport) {
    TempFolder folder;
    const std::string bom = folder.write("top.bom", kBom);
    const struct {
        std::string bom, lastLine;
    } cases[] = {
        {folder.path(), "BOM input file not found!"},                        // a folder
        {bom + std::string(1, '\0') + "x", "BOM input file not found!"},     // no file has a NUL in its name
        {folder.file("top.bom/x"), "BOM input file not found!"},             // a file taken for a folder
        {folder.file(std::string(5000, 'n')), "BOM input file not found!"},  // longer than any path
    };
    for (const auto& c : cases) {
        const std::string report = folder.write("Trelk.txt", kEarlier);
        const RecordingHost host = runTo(c.bom, report);
        ASSERT_FALSE(host.log.empty());
        EXPECT_EQ(host.log.back(), c.lastLine) << c.bom;
        EXPECT_EQ(testing::readFile(report), kEarlier) << c.bom;
        EXPECT_TRUE(host.opened.empty());
    }
}

TEST(FileFaults, AReportThatCannotBeWrittenIsNeverAnnouncedAsStored) {
    TempFolder folder;
    const std::string bom = folder.write("top.bom", kBom);
    const std::string pipe = folder.file("pipe.txt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string file = folder.write("file", "a file where a folder should be");
    const std::string tooLong = folder.file(std::string(5000, 'n'));
    // The error number and the path, then what they mean.
    const struct {
        const char* what;
        std::string report, lastThree;
    } cases[] = {
        // Nobody reads the pipe: opening it for writing would wait for ever.
        {"a pipe without a reader", pipe,
         "Error 68 creating output file:  | " + pipe + " | " + pipe +
             " is not a plain file but a device or a pipe, or its drive is not there"},
        {"a missing folder", folder.file("gone/Trelk.txt"),
         "Error 76 creating output file:  | " + folder.file("gone/Trelk.txt") + " | The folder " + folder.file("gone") +
             " does not exist"},
        {"two missing folders", folder.file("gone/too/Trelk.txt"),
         "Error 76 creating output file:  | " + folder.file("gone/too/Trelk.txt") + " | The folder " +
             folder.file("gone/too") + " does not exist"},
        {"a file for a folder", file + "/Trelk.txt",
         "Error 76 creating output file:  | " + file + "/Trelk.txt | " + file + " is a file, not a folder"},
        {"a file for a folder above", file + "/sub/Trelk.txt",
         "Error 76 creating output file:  | " + file + "/sub/Trelk.txt | " + file + " is a file, not a folder"},
        {"a folder", folder.path(),
         "Error 75 creating output file:  | " + folder.path() + " | " + folder.path() + " is a folder, not a file"},
        {"a name too long", tooLong,
         "Error 75 creating output file:  | " + tooLong + " | The system refused " + tooLong +
             ": the name may be too long, or not allowed there"},
    };
    for (const auto& c : cases) {
        const RecordingHost host = runTo(bom, c.report);
        EXPECT_EQ(lastThree(host), c.lastThree) << c.what;
        EXPECT_TRUE(host.opened.empty()) << c.what;
    }
}

TEST(FileFaults, AReportCutShortByTheFileSizeLimitIsReported) {
    TempFolder folder;
    std::string big = "Assembly T contains:\r\n";
    for (int i = 0; i < 2000; ++i) big += "1 Part PART_" + std::to_string(i) + "\r\n";
    const std::string bom = folder.write("top.bom", big);
    const std::string report = folder.file("Trelk.txt");
    testing::withFileSizeLimit(4096, [&] {
        const RecordingHost host = runTo(bom, report);
        EXPECT_EQ(lastThree(host), "Error 75 writing output file:  | " + report +
                                       " | The system stopped the writing of " + report + " before its end");
        EXPECT_TRUE(host.opened.empty());
    });
}

// Kills the child with SIGKILL once the report begins with a byte of the new report, or leaves it
// when it has ended by itself.
void killOnceWritten(pid_t child, const std::string& report, char earlierByte) {
    for (;;) {
        siginfo_t info = {};
        if (::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == child)
            return;
        char first = earlierByte;
        const int fd = ::open(report.c_str(), O_RDONLY);
        const ssize_t got = fd >= 0 ? ::read(fd, &first, 1) : -1;
        if (fd >= 0) ::close(fd);
        if (got == 1 && first != earlierByte) {
            ::kill(child, SIGKILL);
            return;
        }
        ::sched_yield();
    }
}

// A run that ends while it writes its report, killed by the file size limit's signal at a given
// byte or by SIGKILL once the report has its first bytes, leaves the head of its own report and
// nothing of the earlier, longer report behind it.
TEST(FileFaults, ARunKilledWhileWritingLeavesTheHeadOfItsReportOnly) {
    TempFolder folder;
    std::string big = "Assembly T contains:\r\n";
    for (int i = 0; i < 40000; ++i) big += "1 Part PART_" + std::to_string(i) + "\r\n";
    const std::string bom = folder.write("top.bom", big);
    runTo(bom, folder.file("whole.txt"));
    const std::string whole = testing::readFile(folder.file("whole.txt"));
    constexpr char kEarlierByte = '#';
    ASSERT_GT(whole.size(), size_t{3} << 19);  // more than the 1 MB the writer hands over at once
    ASSERT_EQ(whole.find(kEarlierByte), std::string::npos);

    const std::string report = folder.file("Trelk.txt");
    const struct {
        rlim_t sizeLimit;  // the byte at which the limit's signal ends the run
        int signal;
    } cases[] = {{0, SIGXFSZ}, {4096, SIGXFSZ}, {(rlim_t{1} << 20) + 1, SIGXFSZ}, {RLIM_INFINITY, SIGKILL}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sizeLimit);
        folder.write("Trelk.txt", std::string(whole.size() + 4096, kEarlierByte));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const struct rlimit noCore = {0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            ::signal(SIGXFSZ, SIG_DFL);
            const struct rlimit size = {c.sizeLimit, c.sizeLimit};
            if (c.sizeLimit != RLIM_INFINITY) ::setrlimit(RLIMIT_FSIZE, &size);
            runTo(bom, report);
            ::_exit(0);
        }
        if (c.signal == SIGKILL) killOnceWritten(child, report, kEarlierByte);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const std::string left = testing::readFile(report);
        EXPECT_EQ(left.find(kEarlierByte), std::string::npos) << "the earlier report's tail is left";
        EXPECT_TRUE(left == whole.substr(0, left.size())) << left.size() << " bytes are not the new report's head";
        if (c.signal == SIGXFSZ) {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
            EXPECT_EQ(left.size(), c.sizeLimit);
        }
    }
}

TEST(FileFaults, AReportOnAFullDiskIsReportedAsSuch) {
    const std::string disk = testing::fullDiskFolder("report");
    if (disk.empty()) GTEST_SKIP() << "TRELK_TEST_FULL_FOLDER names no small file system to fill";
    TempFolder folder;
    const std::string bom = folder.write("top.bom", kBom);
    const std::string report = disk + "/Trelk.txt";
    const std::string filler = testing::fillUp(disk);
    ASSERT_FALSE(filler.empty());
    const RecordingHost host = runTo(bom, report);
    ::unlink(filler.c_str());
    ::unlink(report.c_str());
    EXPECT_EQ(lastThree(host), "Error 61 writing output file:  | " + report + " | The disk is full: " + report +
                                   " was not written whole");
}

// A file of 2 GB with no line end: one line, so the run says the file seems empty. It costs
// memory of the file's size; with less memory than that at hand the run says so instead.
TEST(FileFaults, ABomOfTwoGigabytesInOneLine) {
    TempFolder folder;
    const std::string bom = folder.file("huge.bom");
    const int fd = ::open(bom.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{2} << 30), 0);  // sparse: takes no disk space
    ::close(fd);
    const std::string report = folder.write("Trelk.txt", kEarlier);

    const RecordingHost host = runTo(bom, report);
    EXPECT_EQ(lastTwo(host), "Nr of lines read of BOM input file: 1 | BOM input file seems to be empty!");
    EXPECT_EQ(testing::readFile(report), kEarlier);

#ifndef TRELK_ASAN  // AddressSanitizer needs far more address space than the limit leaves
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const struct rlimit limit = {rlim_t{1} << 30, rlim_t{1} << 30};
        ::setrlimit(RLIMIT_AS, &limit);
        const RecordingHost limited = runTo(bom, report);
        ::_exit(lastTwo(limited) == "Error reading BOM input file! Error #: 7 | There is not enough memory for " + bom
                    ? 0
                    : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "with 1 GB of address space";
#endif
}

}  // namespace
}  // namespace trelk
