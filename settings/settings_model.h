// The remembered settings as plain values, and how they are loaded from and saved to Trelk.ini.
// The window program binds these values to its controls; the console program only loads them.
#pragma once

#include <optional>
#include <string>

#include "engine/request/run_options.h"
#include "settings/profile_file.h"

namespace trelk {

// The settings file in the application folder.
std::string settingsFilePathIn(const std::string& applicationFolder);

struct StoredSettings {
    bool fileFound = false;  // without a file only the keywords and sections below are set
    KeywordSet keywords;
    ColumnLayout columns;
    SectionSelection sections;
    std::string bomFileName;
    // [Format] File: the company's BOM format file, a relative name taken from the settings file's
    // folder; empty when the key is missing or empty. It is only ever read: saving never adds it.
    std::string bomFormatFile;
    // The main window's top-left corner in screen coordinates and its outer size, each only when
    // the file holds it: what it does not hold stays as the window was created.
    std::optional<int> x, y;
    std::optional<int> width, height;
    // The window program shows its results as a web page ([Results] Show_WebPage).
    bool showWebPage = false;
};

// Reads the keywords, the column layout (a field number that is 0 or no whole number takes its
// default), the section flags, the BOM file name and the window's place. Without a
// settings file: the default keywords and sections. Missing keys take their defaults; a value that
// is no number reads 0; any non-zero flag selects its section. The file is read once.
StoredSettings loadSettings(const std::string& path, const platform::SettingsFileAccess& access = {});

// What the main window holds at its close.
struct SettingsToSave {
    std::string bomFileName;
    SectionSelection sections;
    int x = 0, y = 0, width = 0, height = 0;
    // Only when the user ticked or cleared the item in this session: a file that never had the
    // key keeps its bytes.
    std::optional<bool> showWebPage;
};

// Adds any keyword key that is missing (with its default; a present key, even empty, is left as
// the user wrote it), then writes the section flags, the BOM file name and the window's size and
// place, adds any missing column key, as the keywords, and at last the web page choice when there
// is one. The file is read once and
// replaced once, and not at all when it already holds all this. A file that is there but cannot be
// read is left alone. Write failures are not reported: the previous file stays as it was.
void saveSettings(const std::string& path, const SettingsToSave& settings,
                  const platform::SettingsFileAccess& access = {});

}  // namespace trelk
