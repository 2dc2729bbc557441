#include <gtest/gtest.h>

#include "engine/files/file_system.h"
#include "settings/profile.h"
#include "settings/settings_model.h"
#include "support/platform.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::TempFolder;

TEST(SettingsModel, WithoutAFileGivesTheDefaults) {
    TempFolder folder;
    const StoredSettings s = loadSettings(folder.file("Trelk.ini"));
    EXPECT_FALSE(s.fileFound);
    EXPECT_EQ(s.sections, SectionSelection());
    EXPECT_FALSE(s.sections.Include_BOMAssyBreakdown);
    EXPECT_TRUE(s.sections.Include_PartsInAssys);
    EXPECT_EQ(s.keywords.contains, "contains:");
    EXPECT_EQ(s.keywords.SummaryOfParts, "Summary of parts for assembly");
    EXPECT_EQ(loadSettings(folder.path()).fileFound, false);  // a folder of that name does not count
}

TEST(SettingsModel, TheFirstCloseWritesEveryKey) {
    TempFolder folder;
    const std::string file = settingsFilePathIn(folder.path());
    SettingsToSave save;
    save.bomFileName = "C:\\data\\top.bom.3";
    save.x = -4;
    save.y = 50;
    save.width = 689;
    save.height = 508;
    saveSettings(file, save);
    EXPECT_EQ(testing::readFile(file),
              std::string("[Keywords]\r\ncontains=contains:\r\nSubAssembly=Sub-Assembly\r\nPart=Part\r\n"
                          "SummaryOfParts=Summary of parts for assembly\r\n[Settings]\r\n"
                          "Include_BOMAssyBreakdown= 0\r\nInclude_SummaryOfAssys= 1\r\n"
                          "Include_SummaryOfParts= 1\r\nInclude_AssyInAssys= 1\r\n"
                          "Include_PartsInAssys= 1\r\nBOM_filename=C:\\data\\top.bom.3\r\n"
                          "Width_MainForm= 689\r\nHeight_MainForm= 508\r\nX_MainForm=-4\r\n"
                          "Y_MainForm= 50\r\n[Columns]\r\nQuantity= 1\r\nType= 2\r\nName=-1\r\n"));
    const StoredSettings back = loadSettings(file);
    EXPECT_TRUE(back.fileFound);
    EXPECT_EQ(back.bomFileName, save.bomFileName);
    EXPECT_EQ(back.sections, save.sections);
    EXPECT_EQ(back.x, -4);
    EXPECT_EQ(back.y, 50);
    EXPECT_EQ(back.width, 689);
    EXPECT_EQ(back.height, 508);
    EXPECT_TRUE(back.columns.isDefault());
    // A second close changes nothing of a file that already says the same.
    const std::string first = testing::readFile(file);
    saveSettings(file, save);
    EXPECT_EQ(testing::readFile(file), first);
}

ColumnLayout table(int quantity, int type, int name, char separator, const std::string& header) {
    ColumnLayout layout = ColumnLayout::fields(quantity, type, name);
    layout.Separator = separator;
    layout.Header = header;
    return layout;
}

// A company layout stays as the user wrote it; a key that is 0 or no whole number reads its
// default and is left alone at close, a missing one is added.
TEST(SettingsModel, ReadsTheColumnLayoutAndAddsOnlyMissingKeys) {
    TempFolder folder;
    const struct {
        const char* text;
        ColumnLayout columns;
    } cases[] = {
        {"[Columns]\r\nQuantity=1\r\nType=2\r\nName=3\r\n", ColumnLayout::fields(1, 2, 3)},
        {"[Columns]\r\nquantity= -1 \r\nName=1\r\n", ColumnLayout::fields(-1, 2, 1)},
        {"[Columns]\r\nQuantity=0\r\nType=2.5\r\nName=last\r\n", ColumnLayout::fields(1, 2, -1)},
        {"[Columns]\r\nType=\r\nName=-2\r\n", ColumnLayout::fields(1, 2, -2)},
        {"[Keywords]\r\nPart=Teil\r\n", ColumnLayout::fields(1, 2, -1)},
        // A table: cells at a separator, no type column, a header of the company's making.
        {"[Columns]\r\nQuantity=2\r\nType=0\r\nName=3\r\nSeparator=|\r\nHeader=Assembly *** %$name ***\r\n",
         table(2, 0, 3, '|', "Assembly *** %$name ***")},
        {"[Columns]\r\nSeparator=tab\r\nType= 0 \r\n", table(1, 0, -1, '\t', "")},
        {"[Columns]\r\nSeparator=\\t\r\n", table(1, 2, -1, '\t', "")},
        {"[Columns]\r\nSeparator=||\r\nHeader=Assembly\r\n", ColumnLayout::fields(1, 2, -1)},
    };
    for (const auto& c : cases) {
        const std::string file = folder.write("Trelk.ini", c.text);
        EXPECT_EQ(loadSettings(file).columns, c.columns) << c.text;
    }
    const std::string file = folder.write("Trelk.ini", "[Columns]\r\nName=3\r\nType=x\r\n");
    saveSettings(file, SettingsToSave());
    EXPECT_EQ(iniRead(file, "Columns", "Quantity", ""), "1");
    EXPECT_EQ(iniRead(file, "Columns", "Type", ""), "x");
    EXPECT_EQ(loadSettings(file).columns, (ColumnLayout::fields(1, 2, 3)));
}

// The company's BOM format file: a relative name beside the settings file, and never written.
TEST(SettingsModel, ReadsTheFormatFileBesideTheSettingsAndNeverWritesIt) {
    TempFolder folder;
    const std::string here = folder.path() + kPathSeparator;
    const struct {
        const char* text;
        std::string formatFile;
    } cases[] = {
        {"[Format]\r\nFile=company.fmt\r\n", here + "company.fmt"},
        {"[format]\r\nfile = \"formats/brenner lund.fmt\" \r\n", here + "formats/brenner lund.fmt"},
        {"[Format]\r\nFile=/srv/cad/company.fmt\r\n", "/srv/cad/company.fmt"},
        {"[Format]\r\nFile=C:\\cad\\company.fmt\r\n", "C:\\cad\\company.fmt"},
        {"[Format]\r\nFile=\r\n", ""},
        {"[Settings]\r\nBOM_filename=x.bom\r\n", ""},
    };
    for (const auto& c : cases) {
        const std::string file = folder.write("Trelk.ini", c.text);
        EXPECT_EQ(loadSettings(file).bomFormatFile, c.formatFile) << c.text;
    }
    // Saving writes what it always writes, and no format key; one that is there stays as it was.
    const std::string fresh = folder.file("fresh.ini");
    saveSettings(fresh, SettingsToSave());
    EXPECT_EQ(testing::readFile(fresh).find("Format"), std::string::npos);
    const std::string kept = folder.write("kept.ini", "[Format]\r\nFile=company.fmt\r\n");
    saveSettings(kept, SettingsToSave());
    EXPECT_EQ(testing::readFile(kept).rfind("[Format]\r\nFile=company.fmt\r\n", 0), 0u);
}

TEST(SettingsModel, KeepsTheUsersKeywordsAndReadsLooseValues) {
    TempFolder folder;
    const std::string file = folder.write("Trelk.ini",
                                          "[Keywords]\r\nCONTAINS=enth\xE4lt:\r\nPart=\r\n"
                                          "[Settings]\r\nInclude_BOMAssyBreakdown= 2\r\nInclude_SummaryOfAssys=-1\r\n"
                                          "Include_SummaryOfParts=0\r\nInclude_AssyInAssys=yes\r\n"
                                          "BOM_filename=   spaced.bom   \r\nX_MainForm=12.5\r\n");
    const StoredSettings s = loadSettings(file);
    EXPECT_EQ(s.keywords.contains, "enth\xE4lt:");
    EXPECT_EQ(s.keywords.Part, "");
    EXPECT_EQ(s.keywords.SubAssembly, "Sub-Assembly");
    EXPECT_TRUE(s.sections.Include_BOMAssyBreakdown);
    EXPECT_TRUE(s.sections.Include_SummaryOfAssys);
    EXPECT_FALSE(s.sections.Include_SummaryOfParts);
    EXPECT_FALSE(s.sections.Include_AssyInAssys);  // no number reads 0
    EXPECT_TRUE(s.sections.Include_PartsInAssys);  // missing: its default
    EXPECT_EQ(s.bomFileName, "spaced.bom");
    EXPECT_EQ(s.x, 12);
    EXPECT_EQ(s.y, std::nullopt);  // missing: no place of its own
    EXPECT_EQ(s.width, std::nullopt);

    SettingsToSave save;
    save.sections = s.sections;
    saveSettings(file, save);
    const StoredSettings after = loadSettings(file);
    EXPECT_EQ(after.keywords.contains, "enth\xE4lt:");  // present in another letter case: left alone
    EXPECT_EQ(after.keywords.Part, "");                 // present but empty: left empty
    EXPECT_EQ(iniRead(file, "Settings", "Include_BOMAssyBreakdown", ""), "1");
    EXPECT_EQ(iniKeyExists(file, "Keywords", "SubAssembly"), 1);  // the missing ones are added
}

// The web page choice has a section of its own, written only when the user ticked or cleared the
// item: a close without it leaves a file that holds everything else as it was, byte for byte.
TEST(SettingsModel, WritesTheWebPageChoiceOnlyWhenTheUserMadeOne) {
    TempFolder folder;
    SettingsToSave save;
    save.bomFileName = "top.bom.1";
    save.width = 689;
    save.height = 508;
    std::string full;  // a file that already holds every other key with the values of `save`
    {
        const std::string file = settingsFilePathIn(folder.path());
        saveSettings(file, save);
        full = testing::readFile(file);
    }
    const std::string ticked = "[Results]\r\nShow_WebPage= 1\r\n", cleared = "[Results]\r\nShow_WebPage= 0\r\n";
    const struct {
        std::string before;
        bool loaded;  // the choice read from it
        std::optional<bool> choice;
        std::string after;  // "" for the bytes of before
    } cases[] = {
        {full, false, std::nullopt, ""},
        {full + ticked, true, std::nullopt, ""},
        {full + "[results]\r\nshow_webpage=-3\r\n", true, std::nullopt, ""},
        {full + "[Results]\r\nShow_WebPage=no\r\n", false, std::nullopt, ""},
        {full, false, true, full + ticked},
        {full, false, false, full + cleared},
        {full + ticked, true, false, full + cleared},
        {ticked + "[Keywords]\r\n", true, false, cleared},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        const std::string file = folder.write("Trelk.ini", c.before);
        EXPECT_EQ(loadSettings(file).showWebPage, c.loaded);
        save.showWebPage = c.choice;
        saveSettings(file, save);
        const std::string after = testing::readFile(file);
        if (c.after.rfind("[Results]", 0) == 0)
            EXPECT_EQ(after.substr(0, c.after.size()), c.after);  // the section keeps its place
        else
            EXPECT_EQ(after, c.after.empty() ? c.before : c.after);
        EXPECT_EQ(loadSettings(file).showWebPage, c.choice.value_or(c.loaded));
    }
}

}  // namespace
}  // namespace trelk
