// The few things the tests must know of the platform they run on.
#pragma once

#include <string>

namespace trelk::testing {

// Wine's profile services write files anew: no blank lines, no blanks at the start of a value.
bool runningUnderWine();
std::string asWineWritesIt(const std::string& iniText);

void makeFolder(const std::string& path);
// Sets an environment variable for the rest of the process (empty value: removes it).
void setEnvironment(const std::string& name, const std::string& value);

}  // namespace trelk::testing
