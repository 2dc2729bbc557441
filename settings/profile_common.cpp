// The parts of the profile layer that are the program's own on every platform.
#include "engine/file_system.h"
#include "settings/ini_text.h"
#include "settings/profile.h"
#include "text/text_rules.h"

namespace trelk {

int iniKeyExists(const std::string& file, const std::string& section, const std::string& key) {
    std::string bytes;
    if (!isExistingFile(file) || readWholeFile(file, bytes) != kNoError) return 0;
    // Section headers are recognised as the profile read and write recognise them (blanks around
    // the brackets allowed): a key that the read finds and the scan missed would be overwritten
    // by its default at the next close.
    bool inSection = false;
    for (const ini::Line& line : ini::splitLines(bytes)) {
        std::string_view name, lineKey, value;
        if (ini::sectionName(line.text, name)) {
            if (inSection) break;
            inSection = ini::equalsIgnoringCase(name, section);
        } else if (inSection && ini::keyAndValue(line.text, lineKey, value) && ini::equalsIgnoringCase(lineKey, key)) {
            return 1;
        }
    }
    return 0;
}

int iniReadInt(const std::string& file, const std::string& section, const std::string& key,
               const std::string& defaultValue) {
    return readLeadingInt32(iniRead(file, section, key, defaultValue));
}

}  // namespace trelk
