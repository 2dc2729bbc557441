// Files held in memory in place of the platform's: the file layer of a program that CMake links
// with trelk_files_in_memory (the target property TRELK_FILES_IN_MEMORY; file_system_memory.cpp).
// A run on them makes no system call, which lets the fuzzers make thousands of runs a second.
// They keep the promises of file_system.h that a run relies on; what only the system can show
// (sharing, devices, full disks, wildcards) stays with the tests on real files. One thread only.
#pragma once

#include <string>
#include <string_view>

namespace trelk::memory_files {

// Makes the file, or replaces its bytes.
void put(const std::string& path, std::string_view bytes);
// The file's bytes, or nullptr when no file of that name is there (a folder is no file).
const std::string* find(const std::string& path);
// Removes every file and folder, and what was written to the standard output.
void clear();
// What the runs wrote to the standard output since the last clear().
const std::string& standardOutput();

}  // namespace trelk::memory_files
