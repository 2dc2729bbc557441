// The settings file as a user's machine may have it: a folder, huge lines, NUL and high bytes,
// a header with blanks around it, a read-only file, a device, a full disk. Loading never fails
// and never hangs; a close either writes the new values or leaves the earlier file byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/full_disk.h"
#endif

#include "engine/runs/processing_run.h"
#include "settings/app_folder.h"
#include "settings/profile.h"
#include "settings/settings_model.h"
#include "support/platform.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::TempFolder;

SettingsToSave someSettings() {
    SettingsToSave save;
    save.bomFileName = "top.bom";
    save.sections = SectionSelection::all();
    save.x = 10;
    save.y = 20;
    save.width = 700;
    save.height = 500;
    return save;
}

TEST(SettingsFaults, ASettingsFileThatIsAFolderGivesDefaultsAndStaysAFolder) {
    TempFolder folder;
    const std::string file = folder.file("Trelk.ini");
    testing::makeFolder(file);
    const StoredSettings loaded = loadSettings(file);
    EXPECT_FALSE(loaded.fileFound);
    EXPECT_EQ(loaded.keywords.contains, "contains:");
    saveSettings(file, someSettings());
    EXPECT_FALSE(testing::fileExists(file));
    EXPECT_EQ(loadSettings(file).fileFound, false);
}

// Lines of 10 MB, NUL bytes and bytes above 127: read by the rules, cut at 511 characters, and
// every line a close does not set is kept.
TEST(SettingsFaults, HugeLinesAndOddBytesAreReadAndKept) {
    TempFolder folder;
    const std::string huge(10 << 20, 'x');
    const std::string nulLine = std::string("Comment=a") + '\0' + "b\xFF\x80";
    const std::string text = "[Keywords]\r\ncontains=enth\xE4lt:\r\nPart=T" + std::string(1, '\0') + "eil\r\n" +
                             "Long=" + huge + "\r\n" + nulLine + "\r\n" + "[Settings]\r\nBOM_filename=" + huge +
                             "\r\nX_MainForm= 77\r\n";
    const std::string file = folder.write("Trelk.ini", text);
    const StoredSettings loaded = loadSettings(file);
    EXPECT_EQ(loaded.keywords.contains, "enth\xE4lt:");
    EXPECT_EQ(loaded.bomFileName, std::string(511, 'x'));
    EXPECT_EQ(loaded.x, 77);
    EXPECT_EQ(iniRead(file, "Keywords", "Long", ""), std::string(511, 'x'));
    EXPECT_EQ(loaded.keywords.Part, std::string("T") + '\0' + "eil");

    saveSettings(file, someSettings());
    const StoredSettings back = loadSettings(file);
    EXPECT_EQ(back.keywords.contains, "enth\xE4lt:");
    EXPECT_EQ(back.bomFileName, "top.bom");
    EXPECT_EQ(back.x, 10);
    const std::string after = testing::readFile(file);
    for (const std::string& kept :
         {"Long=" + huge + "\r\n" + nulLine + "\r\n", "Part=T" + std::string(1, '\0') + "eil\r\n"})
        EXPECT_NE(after.find(kept), std::string::npos);
}

// A header written with blanks around it is a section to the profile read, so the user's
// keyword in it must not be taken for missing and overwritten by its default at a close.
TEST(SettingsFaults, AKeywordUnderAPaddedHeaderSurvivesAClose) {
    TempFolder folder;
    const std::string file = folder.write("Trelk.ini", "  [Keywords]  \r\ncontains=enth\xE4lt:\r\n");
    EXPECT_EQ(loadSettings(file).keywords.contains, "enth\xE4lt:");
    saveSettings(file, someSettings());
    saveSettings(file, someSettings());
    EXPECT_EQ(loadSettings(file).keywords.contains, "enth\xE4lt:");
    EXPECT_EQ(loadSettings(file).keywords.Part, "Part");
}

// A value with a line end would add lines of its own, such as a [Keywords] section.
TEST(SettingsFaults, AValueWithALineEndIsNotWritten) {
    TempFolder folder;
    const std::string file = folder.file("Trelk.ini");
    saveSettings(file, someSettings());
    const std::string before = testing::readFile(file);
    SettingsToSave save = someSettings();
    for (const char* name : {"a.bom\r\n[Keywords]\r\ncontains=x", "a.bom\nx", "a.bom\r"}) {
        save.bomFileName = name;
        saveSettings(file, save);
        EXPECT_EQ(testing::readFile(file), before) << testing::readFile(file);
    }
    EXPECT_FALSE(iniWrite(file, "Settings", "a\r\nb", "v"));
    EXPECT_FALSE(iniWrite(file, "Set\ntings", "k", "v"));
    EXPECT_EQ(loadSettings(file).keywords.contains, "contains:");
}

#ifndef _WIN32
// Every way a close can fail to write: the earlier file stays byte for byte, and no temporary
// file is left behind.
TEST(SettingsFaults, AFailedCloseLeavesTheEarlierFileByteForByte) {
    const std::string earlier =
        "; mine\r\n[Keywords]\r\ncontains=enth\xE4lt:\r\n[Settings]\r\nBOM_filename=old.bom\r\n";
    const std::string disk = testing::fullDiskFolder("settings");
    std::string filler;
    const struct {
        const char* what;
        std::function<std::string(TempFolder&)> prepare;  // returns the settings path
        rlim_t fileSizeLimit;
    } cases[] = {
        {"made read-only",
         [&](TempFolder& f) {
             const std::string file = f.write("Trelk.ini", earlier);
             ::chmod(file.c_str(), 0444);
             return file;
         },
         RLIM_INFINITY},
        {"over the file size limit", [&](TempFolder& f) { return f.write("Trelk.ini", earlier); }, 16},
        {"on a full disk",
         [&](TempFolder&) {
             if (disk.empty()) return std::string();
             const std::string file = disk + "/Trelk.ini";
             std::ofstream(file, std::ios::binary) << earlier;
             filler = testing::fillUp(disk);
             return filler.empty() ? std::string() : file;
         },
         RLIM_INFINITY},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const std::string file = c.prepare(folder);
        if (file.empty()) {
            std::printf("skipped '%s': TRELK_TEST_FULL_FOLDER names no small file system to fill\n", c.what);
            continue;
        }
        testing::withFileSizeLimit(c.fileSizeLimit, [&] { saveSettings(file, someSettings()); });
        EXPECT_EQ(testing::readFile(file), earlier) << c.what;
        EXPECT_EQ(loadSettings(file).bomFileName, "old.bom") << c.what;
        const std::string folderOfFile = file.substr(0, file.rfind('/'));
        for (const auto& entry : std::filesystem::directory_iterator(folderOfFile))
            EXPECT_EQ(entry.path().filename().string().find("Trelk.ini."), std::string::npos) << c.what;
    }
    if (!filler.empty()) {
        ::unlink(filler.c_str());
        ::unlink((disk + "/Trelk.ini").c_str());
    }
}

// Devices and pipes in the file's place: a load must neither hang nor read for ever, and a
// close must leave them alone.
TEST(SettingsFaults, ASettingsFileThatIsADeviceOrAPipeGivesDefaults) {
    TempFolder folder;
    const std::string pipe = folder.file("pipe.ini");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string zero = folder.file("zero.ini");
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    for (const std::string& file : {pipe, zero}) {
        const StoredSettings loaded = loadSettings(file);
        EXPECT_EQ(loaded.keywords.contains, "contains:") << file;
        EXPECT_EQ(loaded.sections, SectionSelection()) << file;
        saveSettings(file, someSettings());
        EXPECT_EQ(iniKeyExists(file, "Settings", "BOM_filename"), 0) << file;
    }
    struct stat info;
    ASSERT_EQ(::stat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

// The application folder cannot be made: the folder message with the system's code, then the
// run goes on and fails at the report with its own error; the settings are not written.
TEST(SettingsFaults, AnApplicationFolderThatCannotBeMade) {
    TempFolder base;
    const std::string blocker = base.write("config", "a file where a folder should be");
    const struct {
        const char* what;
        std::string base;
        long code;
    } cases[] = {
        {"a file where a folder should be", blocker, ENOTDIR},
        {"below /proc", "/proc/trelk-no-such-folder", ENOENT},
    };
    for (const auto& c : cases) {
        testing::setEnvironment("XDG_CONFIG_HOME", c.base);
        std::vector<std::string> shown;
        const int perUser = 1;
        const std::string folder =
            ensureAppFolder("Halvorn", "Trelk", perUser, [&](const std::string& text) { shown.push_back(text); });
        testing::setEnvironment("XDG_CONFIG_HOME", "");
        EXPECT_EQ(shown, std::vector<std::string>{folderCreationMessage(folder, c.code)}) << c.what;

        RunRequest request;
        request.bomFileName = base.write("top.bom", "Assembly T contains:\r\n1 Part P\r\n");
        request.applicationFolder = folder;
        testing::RecordingHost host;
        runProcessing(request, host);
        ASSERT_GE(host.log.size(), 3u) << c.what;
        EXPECT_EQ(host.log[host.log.size() - 3], "Error 76 creating output file: ") << c.what;
        EXPECT_EQ(host.log[host.log.size() - 2], folder + "/Trelk.txt") << c.what;

        const std::string settings = settingsFilePathIn(folder);
        saveSettings(settings, someSettings());
        EXPECT_FALSE(testing::fileExists(settings)) << c.what;
    }
}
#endif

}  // namespace
}  // namespace trelk
