// How often a load and a close touch Trelk.ini, counted through the file access the profile layer
// is given: a load reads the file once; a close reads it once and replaces it at most once, not at
// all when it already holds everything, so a crash never leaves a file half old, half new.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "settings/settings_model.h"
#include "support/platform.h"
#include "support/temp_folder.h"
#include "text/text_codec.h"

namespace trelk {
namespace {

using testing::TempFolder;

TEST(SettingsFileAccess, ALoadReadsOnceAndACloseReplacesAtMostOnce) {
    const std::string user = "[keywords]\r\nCONTAINS=enth\xC3\xA4lt:\r\nPart=\r\n[Settings]\r\nX_MainForm= 5\r\n";
    std::string userInUtf16(kUtf16LittleEndianByteOrderMark);
    utf8ToUtf16LittleEndian(user, userInUtf16);
    SettingsToSave save;
    save.bomFileName = "top.bom";
    save.x = 10, save.y = 20, save.width = 700, save.height = 500;
    using Prepare = std::function<void(const std::string& file)>;
    const auto holding = [](const std::string& bytes) -> Prepare {
        return [bytes](const std::string& file) { std::ofstream(file, std::ios::binary) << bytes; };
    };
    const struct {
        const char* what;
        Prepare prepare;
        bool replaceFails;
        int loadReads, closeReplaces;
        bool saved;  // the close's values are in the file afterwards
    } cases[] = {
        {"no file: nothing to read at the load", [](const std::string&) {}, false, 0, 1, true},
        {"a user's file", holding(user), false, 1, 1, true},
        {"in UTF-16", holding(userInUtf16), false, 1, 1, true},
        {"as the last close left it", [&](const std::string& file) { saveSettings(file, save); }, false, 1, 0, true},
        {"a replace that fails", holding(user), true, 1, 1, false},
        {"a folder in its place", [](const std::string& file) { testing::makeFolder(file); }, false, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string file = folder.file("Trelk.ini");
        c.prepare(file);
        const std::string before = testing::fileExists(file) ? testing::readFile(file) : "";
        int reads = 0, replaces = 0;
        platform::SettingsFileAccess counted;
        counted.read = [&](const std::string& name, std::string& bytes) {
            ++reads;
            return platform::readSettingsFile(name, bytes);
        };
        counted.replace = [&](const std::string& name, const std::string& bytes) {
            ++replaces;
            return !c.replaceFails && platform::replaceSettingsFile(name, bytes);
        };

        const StoredSettings loaded = loadSettings(file, counted);
        EXPECT_EQ(reads, c.loadReads);
        EXPECT_EQ(replaces, 0);
        reads = 0;
        saveSettings(file, save, counted);
        EXPECT_EQ(reads, 1);
        EXPECT_EQ(replaces, c.closeReplaces);

        const StoredSettings after = loadSettings(file);
        EXPECT_EQ(after.bomFileName == "top.bom" && after.x == 10 && after.height == 500, c.saved);
        if (!c.saved && !before.empty()) {
            EXPECT_EQ(testing::readFile(file), before);
        }
        EXPECT_EQ(after.keywords.contains, loaded.keywords.contains);  // a keyword in another letter case
        EXPECT_EQ(after.keywords.Part, loaded.keywords.Part);          // a keyword that is empty
    }
}

}  // namespace
}  // namespace trelk
