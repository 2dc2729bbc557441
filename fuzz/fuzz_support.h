// What the fuzz targets share: a scratch folder of their own and a way to stop on a finding.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace trelk::fuzz {

// A folder for the target's files, made once per process. Memory-backed when the machine has
// /dev/shm, so that the settings layer's fsync costs nothing.
const std::string& scratchFolder();

void writeFile(const std::string& path, std::string_view bytes);
std::string readFile(const std::string& path);
bool exists(const std::string& path);

// Prints what was expected and what happened, then aborts so that libFuzzer keeps the input.
[[noreturn]] void fail(const char* what, std::string_view expected = {}, std::string_view actual = {});

inline void check(bool condition, const char* what) {
    if (!condition) fail(what);
}
inline void checkEqual(std::string_view expected, std::string_view actual, const char* what) {
    if (expected != actual) fail(what, expected, actual);
}

}  // namespace trelk::fuzz
