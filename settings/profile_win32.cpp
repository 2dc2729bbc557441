// The profile layer on Windows: the system's profile services.
#include <windows.h>

#include "settings/ini_text.h"
#include "settings/profile.h"

namespace trelk {

std::string iniRead(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& defaultValue) {
    char buffer[512] = {};
    GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer, sizeof buffer, file.c_str());
    return buffer;
}

bool iniWrite(const std::string& file, const std::string& section, const std::string& key, const std::string& value) {
    if (ini::holdsLineEnd(section) || ini::holdsLineEnd(key) || ini::holdsLineEnd(value)) return false;
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

}  // namespace trelk
