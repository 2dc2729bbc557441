#include <gtest/gtest.h>

#include "settings/profile.h"
#include "support/platform.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::TempFolder;

const std::string kSample =
    "; a comment\r\n"
    "[Keywords]\r\n"
    "contains=enth\xE4lt:\r\n"
    "  Part  =  \"Teil A\"  \r\n"
    "Quoted='single'\r\n"
    "Uneven=\"open'\r\n"
    "Empty=\r\n"
    "NoEquals\r\n"
    "\r\n"
    "[Settings]\r\n"
    "Width_MainForm= 640\r\n"
    "Fraction=2.5\r\n"
    "Text=abc\r\n"
    "[Keywords]\r\n"
    "Late=not seen\r\n";

TEST(Profile, ReadsValuesByTheProfileRules) {
    TempFolder folder;
    const std::string file = folder.write("Trelk.ini", kSample);
    const struct {
        const char *section, *key, *expected;
    } cases[] = {
        {"Keywords", "contains", "enth\xE4lt:"},
        {"KEYWORDS", "CONTAINS", "enth\xE4lt:"},  // sections and keys ignore letter case
        {"Keywords", "Part", "Teil A"},           // blanks and one pair of quotes go
        {"Keywords", "Quoted", "single"},
        {"Keywords", "Uneven", "\"open'"},
        {"Keywords", "Empty", ""},
        {"Keywords", "NoEquals", "DEFAULT"},
        {"Keywords", "Missing", "DEFAULT"},
        {"Nowhere", "contains", "DEFAULT"},
        {"Settings", "Width_MainForm", "640"},
        {"Keywords", "Late", "DEFAULT"},  // only the first section of a name counts
    };
    for (const auto& c : cases)
        EXPECT_EQ(iniRead(file, c.section, c.key, "DEFAULT"), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(iniRead(folder.file("missing.ini"), "Keywords", "contains", "DEFAULT"), "DEFAULT");
    EXPECT_EQ(iniReadInt(file, "Settings", "Width_MainForm", "0"), 640);
    EXPECT_EQ(iniReadInt(file, "Settings", "Fraction", "0"), 2);
    EXPECT_EQ(iniReadInt(file, "Settings", "Text", "0"), 0);
    EXPECT_EQ(iniReadInt(file, "Settings", "Missing", "7"), 7);
}

TEST(Profile, CutsLongValuesAt511Characters) {
    TempFolder folder;
    const std::string file = folder.write("Trelk.ini", "[S]\r\nk=" + std::string(2000, 'v') + "\r\n");
    EXPECT_EQ(iniRead(file, "S", "k", ""), std::string(511, 'v'));
}

TEST(Profile, WritesInPlaceAndAddsWhatIsMissing) {
    TempFolder folder;
    const std::string file = folder.write("Trelk.ini", "[A]\r\nKey=old\r\nother=1\r\n\r\n[B]\r\nx=1\r\n");
    EXPECT_TRUE(iniWrite(file, "a", "KEY", "new"));   // replaced in place, spelling kept
    EXPECT_TRUE(iniWrite(file, "A", "added", " 5"));  // after the section's last line
    EXPECT_TRUE(iniWrite(file, "C", "k", "v"));       // a new section at the end
    EXPECT_EQ(testing::readFile(file), "[A]\r\nKey=new\r\nother=1\r\nadded= 5\r\n\r\n[B]\r\nx=1\r\n[C]\r\nk=v\r\n");
    EXPECT_EQ(iniRead(file, "A", "added", ""), "5");
}

TEST(Profile, CreatesAMissingFileButNotAMissingFolder) {
    TempFolder folder;
    const std::string file = folder.file("Trelk.ini");
    EXPECT_TRUE(iniWrite(file, "Settings", "BOM_filename", "top.bom"));
    EXPECT_EQ(testing::readFile(file), "[Settings]\r\nBOM_filename=top.bom\r\n");
    const std::string nowhere = folder.file("missing") + "/Trelk.ini";
    iniWrite(nowhere, "Settings", "k", "v");
    EXPECT_FALSE(testing::fileExists(nowhere));
}

TEST(Profile, KeyScanFollowsItsOwnRules) {
    TempFolder folder;
    const std::string file = folder.write("Trelk.ini",
                                          "[Other]\r\ncontains=x\r\n"
                                          "   \r\n"
                                          "[keywords]\r\n"
                                          "\r\n"
                                          "CONTAINS=mine\r\n"
                                          "PartNumber=5\r\n"
                                          "Empty=\r\n"
                                          "Bare\r\n"
                                          "[Next]\r\n"
                                          "SummaryOfParts=x\r\n");
    const struct {
        const char *section, *key;
        int expected;
    } cases[] = {
        {"Keywords", "contains", 1},                                 // any letter case, as the profile read finds it
        {"Keywords", "Part", 0},                                     // a key that only begins the same is another key
        {"Keywords", "Empty", 1},          {"Keywords", "Bare", 0},  // no "="
        {"Keywords", "SummaryOfParts", 0},                           // the next section ends the scan
        {"Missing", "contains", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(iniKeyExists(file, c.section, c.key), c.expected) << c.key;
    EXPECT_EQ(iniKeyExists(folder.file("missing.ini"), "Keywords", "contains"), 0);
    // A header with blanks around it is the section for the profile read, so for the scan too.
    const std::string padded = folder.write("padded.ini", " [Keywords] \r\ncontains=x\r\n");
    EXPECT_EQ(iniKeyExists(padded, "Keywords", "contains"), 1);
}

TEST(Profile, KeepsLineEndsItDoesNotTouch) {
    TempFolder folder;
    const std::string file = folder.write("Trelk.ini", "[S]\na=1\nb=2");
    iniWrite(file, "S", "a", "9");
    iniWrite(file, "S", "c", "3");
    EXPECT_EQ(testing::readFile(file), "[S]\na=9\nb=2\r\nc=3\r\n");
}

TEST(Profile, ASettingsFileThatIsAFolderReadsDefaultsAndIsNotReplaced) {
    TempFolder folder;
    const std::string file = folder.file("Trelk.ini");
    testing::makeFolder(file);
    EXPECT_EQ(iniRead(file, "Settings", "k", "d"), "d");
    EXPECT_FALSE(iniWrite(file, "Settings", "k", "v"));
    EXPECT_EQ(iniKeyExists(file, "Settings", "k"), 0);
}

}  // namespace
}  // namespace trelk
