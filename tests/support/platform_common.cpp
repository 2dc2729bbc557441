#include <filesystem>

#include "support/platform.h"

namespace trelk::testing {

void makeFolder(const std::string& path) { std::filesystem::create_directories(path); }

}  // namespace trelk::testing
