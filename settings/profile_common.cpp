// The parts of the profile layer that are the program's own on every platform.
#include "engine/file_system.h"
#include "engine/text_rules.h"
#include "settings/ini_text.h"
#include "settings/profile.h"

namespace trelk {

int iniKeyExists(const std::string& file, const std::string& section, const std::string& key) {
    std::string bytes;
    if (!isExistingFile(file) || readWholeFile(file, bytes) != kNoError) return 0;
    const std::string header = "[" + section + "]";
    bool inSection = false;
    int found = 0;
    for (const ini::Line& line : ini::splitLines(bytes)) {
        if (line.text.find_first_not_of(' ') == std::string_view::npos) continue;
        if (!inSection) {
            inSection = ini::equalsIgnoringCase(line.text, header);
            continue;
        }
        if (line.text.front() == '[' && line.text.back() == ']') break;
        std::string_view lineKey, value;
        if (ini::keyAndValue(line.text, lineKey, value) && ini::equalsIgnoringCase(lineKey, key)) found = 1;
    }
    return found;
}

int iniReadInt(const std::string& file, const std::string& section, const std::string& key,
               const std::string& defaultValue) {
    return readLeadingInt32(iniRead(file, section, key, defaultValue));
}

}  // namespace trelk
