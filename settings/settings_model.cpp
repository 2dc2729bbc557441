#include "settings/settings_model.h"

#include "engine/files/file_system.h"
#include "engine/reading/line_classifier.h"
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
const char* const kResults = "Results";
const char* const kShowWebPage = "Show_WebPage";

struct ColumnKey {
    const char* key;
    int ColumnLayout::*member;
};
const ColumnKey kColumnKeys[] = {
    {"Quantity", &ColumnLayout::Quantity},
    {"Type", &ColumnLayout::Type},
    {"Name", &ColumnLayout::Name},
};

const char* const kFormat = "Format";

// A file named in the settings file: a relative name is taken from the settings file's folder,
// where a company puts its format file beside its settings.
std::string besideSettingsFile(const std::string& settingsFile, const std::string& name) {
    const bool absolute = !name.empty() && (name[0] == '/' || name[0] == kPathSeparator ||
                                            (name.size() >= 2 && name[1] == ':'));  // a drive letter
    if (name.empty() || absolute) return name;
    const size_t slash = settingsFile.find_last_of(std::string("/") + kPathSeparator);
    return slash == std::string::npos ? name : settingsFile.substr(0, slash + 1) + name;
}

std::string flagText(bool on) { return on ? "1" : "0"; }

// A missing key is no zero: a file of keywords alone must not move the window to the corner.
std::optional<int> readGeometry(const ProfileDocument& file, const char* key) {
    if (!file.holds(kSettings, key)) return std::nullopt;
    return file.readInt(kSettings, key, "0");
}

}  // namespace

std::string settingsFilePathIn(const std::string& applicationFolder) {
    return applicationFolder + kPathSeparator + "Trelk.ini";
}

StoredSettings loadSettings(const std::string& path, const platform::SettingsFileAccess& access) {
    StoredSettings stored;
    const KeywordSet defaults;
    const SectionSelection defaultSections;
    if (!isExistingFile(path)) return stored;
    stored.fileFound = true;
    const ProfileDocument file(path, access);
    for (const KeywordKey& k : kKeywordKeys)
        stored.keywords.*k.member = file.read(kKeywords, k.key, defaults.*k.member);
    for (const ColumnKey& c : kColumnKeys) {
        const std::string text = file.read(kColumns, c.key, "");
        if (const int number = readFieldNumber(text))
            stored.columns.*c.member = number;
        else if (c.member == &ColumnLayout::Type && text == "0")  // a table without a type column
            stored.columns.Type = 0;
    }
    stored.columns.Separator = readSeparator(file.read(kColumns, "Separator", ""));
    const std::string header = file.read(kColumns, "Header", "");
    if (parseHeaderPattern(header).valid) stored.columns.Header = header;
    for (const ReportSection& s : kReportSections)
        stored.sections.*s.flag =
            file.readInt(kSettings, std::string(s.iniKey), flagText(defaultSections.*s.flag)) != 0;
    stored.bomFileName = file.readFileName(kSettings, "BOM_filename", "");
    stored.bomFormatFile = besideSettingsFile(path, file.readFileName(kFormat, "File", ""));
    stored.x = readGeometry(file, "X_MainForm");
    stored.y = readGeometry(file, "Y_MainForm");
    stored.width = readGeometry(file, "Width_MainForm");
    stored.height = readGeometry(file, "Height_MainForm");
    stored.showWebPage = file.readInt(kResults, kShowWebPage, "0") != 0;
    return stored;
}

void saveSettings(const std::string& path, const SettingsToSave& settings, const platform::SettingsFileAccess& access) {
    ProfileDocument file(path, access);
    // What the file holds is not known: a default written now could replace the user's keyword.
    if (file.unreadable()) return;
    const KeywordSet defaults;
    for (const KeywordKey& k : kKeywordKeys) file.addKey(kKeywords, k.key, defaults.*k.member);
    for (const ReportSection& s : kReportSections)
        file.write(kSettings, std::string(s.iniKey), formatSignedDecimal(settings.sections.*s.flag ? 1 : 0));
    file.writeFileName(kSettings, "BOM_filename", settings.bomFileName);
    file.write(kSettings, "Width_MainForm", formatSignedDecimal(settings.width));
    file.write(kSettings, "Height_MainForm", formatSignedDecimal(settings.height));
    file.write(kSettings, "X_MainForm", formatSignedDecimal(settings.x));
    file.write(kSettings, "Y_MainForm", formatSignedDecimal(settings.y));
    // After the other sections, so that a new file keeps them in their usual order.
    const ColumnLayout defaultColumns;
    for (const ColumnKey& c : kColumnKeys) file.addKey(kColumns, c.key, formatSignedDecimal(defaultColumns.*c.member));
    if (settings.showWebPage) file.write(kResults, kShowWebPage, formatSignedDecimal(*settings.showWebPage ? 1 : 0));
    file.save();
}

}  // namespace trelk
