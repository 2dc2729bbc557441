#include <gtest/gtest.h>

#include <vector>

#ifndef _WIN32
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

#include "settings/app_folder.h"
#include "support/platform.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::TempFolder;

TEST(AppFolder, MessageTextWidensTheCode) {
    EXPECT_EQ(folderCreationMessage("C:\\Data\\Halvorn\\Trelk", 5),
              "Could not create Folder 'C:\\Data\\Halvorn\\Trelk' for INI file, Error 5 ");
    EXPECT_EQ(folderCreationMessage("x", 12345), "Could not create Folder 'x' for INI file, Error 12345 ");
}

#ifndef _WIN32
// On Linux the user's folder follows XDG_CONFIG_HOME, which lets the tests choose it.
TEST(AppFolder, CreatesTheFolderOnceAndSilently) {
    TempFolder base;
    testing::setEnvironment("XDG_CONFIG_HOME", base.path() + "/config");
    std::vector<std::string> shown;
    const FolderMessageSink show = [&](const std::string& text) { shown.push_back(text); };
    const int perUser = 1;
    const std::string expected = base.path() + "/config/Halvorn/Trelk";
    EXPECT_EQ(ensureAppFolder("Halvorn", "Trelk", perUser, show), expected);
    EXPECT_EQ(ensureAppFolder("Halvorn//", "Trelk\\", perUser, show), expected);
    EXPECT_TRUE(shown.empty());
    testing::setEnvironment("XDG_CONFIG_HOME", "");
}

TEST(AppFolder, AFolderThatCannotBeMadeIsReportedAndStillReturned) {
    TempFolder base;
    const std::string blocker = base.write("config", "a file where a folder should be");
    testing::setEnvironment("XDG_CONFIG_HOME", blocker);
    std::vector<std::string> shown;
    const int perUser = 1;
    const std::string folder =
        ensureAppFolder("Halvorn", "Trelk", perUser, [&](const std::string& text) { shown.push_back(text); });
    EXPECT_EQ(folder, blocker + "/Halvorn/Trelk");
    EXPECT_EQ(shown, std::vector<std::string>{folderCreationMessage(folder, ENOTDIR)});
    testing::setEnvironment("XDG_CONFIG_HOME", "");
}
#ifdef __linux__  // setresuid
// Without a home (HOME empty, the user in no user database) there is no folder to use: the
// folder message says so, and nothing is made at the root of the file system, not even by root.
TEST(AppFolder, WithoutAHomeNothingIsMadeAtTheRoot) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can become a user that the user database does not know";
    uid_t stranger = 54321;
    while (::getpwuid(stranger)) ++stranger;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The real user is a stranger; the effective one stays root, who could make any folder.
        if (::setresuid(stranger, 0, 0) != 0) ::_exit(2);
        ::unsetenv("HOME");
        ::unsetenv("XDG_CONFIG_HOME");
        std::vector<std::string> shown;
        const int perUser = 1;
        // The company name is the test's own: a folder it finds at the root was made here.
        const std::string company = "TrelkTestNoHome" + std::to_string(::getpid());
        const std::string folder =
            ensureAppFolder(company, "Trelk", perUser, [&](const std::string& text) { shown.push_back(text); });
        struct stat info;
        const bool madeAtRoot = ::stat(("/" + company).c_str(), &info) == 0;
        if (madeAtRoot) ::rmdir(("/" + company + "/Trelk").c_str()), ::rmdir(("/" + company).c_str());
        const bool ok = shown == std::vector<std::string>{folderCreationMessage(folder, ENOENT)};
        ::_exit(ok && !madeAtRoot ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
#endif
#endif

}  // namespace
}  // namespace trelk
