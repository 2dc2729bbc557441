// A fresh folder below the system's temporary folder, removed with everything in it.
#pragma once

#include <string>
#include <string_view>

namespace trelk::testing {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // path() + separator + name
    std::string file(std::string_view name) const;
    // Writes the bytes to the file and returns its path.
    std::string write(std::string_view name, std::string_view bytes) const;

private:
    std::string path_;
};

std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

}  // namespace trelk::testing
