#include <filesystem>

#include "support/platform.h"

namespace trelk::testing {

std::string asWineWritesIt(const std::string& iniText) {
    std::string out;
    size_t start = 0;
    while (start < iniText.size()) {
        size_t end = iniText.find("\r\n", start);
        if (end == std::string::npos) end = iniText.size();
        std::string line = iniText.substr(start, end - start);
        start = end + 2;
        if (line.empty()) continue;
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            const size_t value = line.find_first_not_of(' ', equals + 1);
            line.erase(equals + 1, (value == std::string::npos ? line.size() : value) - equals - 1);
        }
        out += line + "\r\n";
    }
    return out;
}

void makeFolder(const std::string& path) { std::filesystem::create_directories(path); }

}  // namespace trelk::testing
