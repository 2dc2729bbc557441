// Opening a file with the desktop's default application.
#pragma once

#include <string>

namespace trelk {

// Returns false when no opener could be started.
bool openWithDesktop(const std::string& path);

}  // namespace trelk
