#include "settings/settings_model.h"

#include "engine/file_system.h"
#include "settings/profile.h"
#include "text/text_rules.h"

namespace trelk {

namespace {

const char* const kKeywords = "Keywords";
const char* const kSettings = "Settings";

struct KeywordKey {
    const char* key;
    std::string KeywordSet::*member;
};
const KeywordKey kKeywordKeys[] = {
    {"contains", &KeywordSet::contains},
    {"SubAssembly", &KeywordSet::SubAssembly},
    {"Part", &KeywordSet::Part},
    {"SummaryOfParts", &KeywordSet::SummaryOfParts},
};

const char* const kColumns = "Columns";

struct ColumnKey {
    const char* key;
    int ColumnLayout::*member;
};
const ColumnKey kColumnKeys[] = {
    {"Quantity", &ColumnLayout::Quantity},
    {"Type", &ColumnLayout::Type},
    {"Name", &ColumnLayout::Name},
};

std::string flagText(bool on) { return on ? "1" : "0"; }

// A missing key is no zero: a file of keywords alone must not move the window to the corner.
std::optional<int> readGeometry(const std::string& path, const char* key) {
    if (!iniKeyExists(path, kSettings, key)) return std::nullopt;
    return iniReadInt(path, kSettings, key, "0");
}

}  // namespace

std::string settingsFilePathIn(const std::string& applicationFolder) {
    return applicationFolder + kPathSeparator + "Trelk.ini";
}

StoredSettings loadSettings(const std::string& path) {
    StoredSettings stored;
    const KeywordSet defaults;
    const SectionSelection defaultSections;
    if (!isExistingFile(path)) return stored;
    stored.fileFound = true;
    for (const KeywordKey& k : kKeywordKeys)
        stored.keywords.*k.member = iniRead(path, kKeywords, k.key, defaults.*k.member);
    for (const ColumnKey& c : kColumnKeys)
        if (const int number = readFieldNumber(iniRead(path, kColumns, c.key, ""))) stored.columns.*c.member = number;
    for (const ReportSection& s : kReportSections)
        stored.sections.*s.flag =
            iniReadInt(path, kSettings, std::string(s.iniKey), flagText(defaultSections.*s.flag)) != 0;
    stored.bomFileName = iniReadFileName(path, kSettings, "BOM_filename", "");
    stored.x = readGeometry(path, "X_MainForm");
    stored.y = readGeometry(path, "Y_MainForm");
    stored.width = readGeometry(path, "Width_MainForm");
    stored.height = readGeometry(path, "Height_MainForm");
    return stored;
}

void saveSettings(const std::string& path, const SettingsToSave& settings) {
    const KeywordSet defaults;
    // What the file holds is not known: a default written now could replace the user's keyword.
    if (iniFileUnreadable(path)) return;
    for (const KeywordKey& k : kKeywordKeys)
        if (!iniKeyExists(path, kKeywords, k.key)) iniAddKey(path, kKeywords, k.key, defaults.*k.member);
    for (const ReportSection& s : kReportSections)
        iniWrite(path, kSettings, std::string(s.iniKey), formatSignedDecimal(settings.sections.*s.flag ? 1 : 0));
    iniWriteFileName(path, kSettings, "BOM_filename", settings.bomFileName);
    iniWrite(path, kSettings, "Width_MainForm", formatSignedDecimal(settings.width));
    iniWrite(path, kSettings, "Height_MainForm", formatSignedDecimal(settings.height));
    iniWrite(path, kSettings, "X_MainForm", formatSignedDecimal(settings.x));
    iniWrite(path, kSettings, "Y_MainForm", formatSignedDecimal(settings.y));
    // After the other sections, so that a new file keeps them in their usual order.
    const ColumnLayout defaultColumns;
    for (const ColumnKey& c : kColumnKeys)
        if (!iniKeyExists(path, kColumns, c.key))
            iniAddKey(path, kColumns, c.key, formatSignedDecimal(defaultColumns.*c.member));
}

}  // namespace trelk
