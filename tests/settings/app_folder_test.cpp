#include <gtest/gtest.h>

#include <vector>

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
#endif

}  // namespace
}  // namespace trelk
