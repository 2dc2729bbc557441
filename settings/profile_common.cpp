// The profile layer, the same on every platform: the file is read and written whole, in the
// encoding it was found in (profile_file.h gives the platform's reading and writing).
#include "settings/ini_text.h"
#include "settings/profile.h"
#include "settings/profile_file.h"
#include "text/text_rules.h"

namespace trelk {

namespace {

using platform::SettingsFileState;

// The file's text, when the file is there and readable.
bool readText(const std::string& file, ini::FileText& text) {
    std::string bytes;
    if (platform::readSettingsFile(file, bytes) != SettingsFileState::kRead) return false;
    text = ini::decode(bytes);
    return true;
}

bool isUnicode(const ini::FileText& text) { return text.encoding != ini::Encoding::kBytes; }

bool writeKey(const std::string& file, const std::string& section, const std::string& key, const std::string& value,
              bool onlyWhenMissing) {
    if (ini::holdsLineEnd(section) || ini::holdsLineEnd(key) || ini::holdsLineEnd(value)) return false;
    std::string bytes;
    switch (platform::readSettingsFile(file, bytes)) {
    case SettingsFileState::kUnreadable: return false;  // what it holds is not known: never written over
    case SettingsFileState::kMissing: bytes.clear(); break;
    case SettingsFileState::kRead: break;
    }
    ini::FileText text = ini::decode(bytes);
    std::string present;
    if (onlyWhenMissing && ini::findValue(text.text, section, key, present)) return true;
    text.text = ini::withValue(text.text, section, key, value);
    std::string newBytes;
    if (!ini::encode(text, newBytes)) return false;
    if (newBytes == bytes) return true;
    return platform::replaceSettingsFile(file, newBytes);
}

}  // namespace

std::string iniRead(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue) {
    ini::FileText text;
    std::string value;
    if (readText(file, text) && ini::findValue(text.text, section, key, value)) return value;
    return defaultValue.substr(0, 511);
}

bool iniWrite(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    return writeKey(file, section, key, value, false);
}

bool iniAddKey(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    return writeKey(file, section, key, value, true);
}

int iniKeyExists(const std::string& file, const std::string& section, const std::string& key) {
    // Exactly the keys the read finds: a key that the read finds and the scan missed would be
    // overwritten by its default at the next close.
    ini::FileText text;
    std::string value;
    return readText(file, text) && ini::findValue(text.text, section, key, value) ? 1 : 0;
}

bool iniFileUnreadable(const std::string& file) {
    std::string bytes;
    return platform::readSettingsFile(file, bytes) == SettingsFileState::kUnreadable;
}

int iniReadInt(const std::string& file, const std::string& section, const std::string& key,
               const std::string& defaultValue) {
    return readLeadingInt32(iniRead(file, section, key, defaultValue));
}

std::string iniReadFileName(const std::string& file, const std::string& section, const std::string& key,
                            const std::string& defaultValue) {
    ini::FileText text;
    std::string value;
    if (!readText(file, text) || !ini::findValue(text.text, section, key, value)) return defaultValue.substr(0, 511);
    return isUnicode(text) ? platform::systemNameFromUtf8(value) : value;
}

bool iniWriteFileName(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& value) {
    ini::FileText text;
    const bool unicode = readText(file, text) && isUnicode(text);
    return iniWrite(file, section, key, unicode ? platform::utf8FromSystemName(value) : value);
}

}  // namespace trelk
