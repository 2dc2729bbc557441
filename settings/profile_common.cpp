// The profile layer, the same on every platform: the file is read and written whole, in the
// encoding it was found in (profile_file.h gives the platform's reading and writing).
#include <utility>

#include "settings/profile.h"
#include "text/text_codec.h"
#include "text/text_rules.h"

namespace trelk {

using platform::SettingsFileState;

ProfileDocument::ProfileDocument(std::string file, const platform::SettingsFileAccess& access)
    : file_(std::move(file)), access_(access) {
    state_ = access_.read(file_, bytes_);
    if (state_ != SettingsFileState::kRead) bytes_.clear();
    // What an unreadable file holds is not known: it is taken as empty, and never written.
    text_ = ini::decode(bytes_);
}

std::string ProfileDocument::read(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) const {
    std::string value;
    if (ini::findValue(text_.text, section, key, value)) return value;
    return defaultValue.substr(0, 511);
}

int ProfileDocument::readInt(const std::string& section, const std::string& key,
                             const std::string& defaultValue) const {
    return readLeadingInt32(read(section, key, defaultValue));
}

bool ProfileDocument::holds(const std::string& section, const std::string& key) const {
    std::string value;
    return ini::findValue(text_.text, section, key, value);
}

bool ProfileDocument::write(const std::string& section, const std::string& key, const std::string& value) {
    return setKey(section, key, value, false);
}

bool ProfileDocument::addKey(const std::string& section, const std::string& key, const std::string& value) {
    return setKey(section, key, value, true);
}

bool ProfileDocument::setKey(const std::string& section, const std::string& key, const std::string& value,
                             bool onlyWhenMissing) {
    if (ini::holdsLineEnd(section) || ini::holdsLineEnd(key) || ini::holdsLineEnd(value)) return false;
    if (unreadable()) return false;
    if (onlyWhenMissing && holds(section, key)) return true;
    // The text read from a UTF-16 file has a UTF-16 form, and a section or key found in it is its
    // own text: only what the edit brings in may have none.
    if (text_.encoding == ini::Encoding::kUtf16LittleEndian &&
        !(fitsUtf16(section) && fitsUtf16(key) && fitsUtf16(value)))
        return false;
    text_.text = ini::withValue(text_.text, section, key, value);
    return true;
}

std::string ProfileDocument::readFileName(const std::string& section, const std::string& key,
                                          const std::string& defaultValue) const {
    std::string value;
    if (!ini::findValue(text_.text, section, key, value)) return defaultValue.substr(0, 511);
    return text_.encoding != ini::Encoding::kBytes ? platform::systemNameFromUtf8(value) : value;
}

bool ProfileDocument::writeFileName(const std::string& section, const std::string& key, const std::string& value) {
    return write(section, key, text_.encoding != ini::Encoding::kBytes ? platform::utf8FromSystemName(value) : value);
}

bool ProfileDocument::save() {
    if (unreadable()) return false;
    std::string bytes;
    if (!ini::encode(text_, bytes)) return false;
    if (bytes == bytes_) return true;
    if (!access_.replace(file_, bytes)) return false;
    bytes_ = std::move(bytes);
    state_ = SettingsFileState::kRead;
    return true;
}

std::string iniRead(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue) {
    return ProfileDocument(file).read(section, key, defaultValue);
}

int iniReadInt(const std::string& file, const std::string& section, const std::string& key,
               const std::string& defaultValue) {
    return ProfileDocument(file).readInt(section, key, defaultValue);
}

int iniKeyExists(const std::string& file, const std::string& section, const std::string& key) {
    return ProfileDocument(file).holds(section, key) ? 1 : 0;
}

bool iniWrite(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    ProfileDocument document(file);
    return document.write(section, key, value) && document.save();
}

}  // namespace trelk
