// The few things the tests must know of the platform they run on.
#pragma once

#include <string>

namespace trelk::testing {

bool runningUnderWine();

void makeFolder(const std::string& path);
// Sets an environment variable for the rest of the process (empty value: removes it).
void setEnvironment(const std::string& name, const std::string& value);

}  // namespace trelk::testing
