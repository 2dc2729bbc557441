// What the fuzz targets share: a scratch folder of their own and a way to stop on a finding.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/files/memory_files.h"
#include "engine/reading/bom_structure.h"
#include "engine/request/run_request.h"

namespace trelk::fuzz {

// What the first byte of a run's input asks (`flags`), taken from the bytes after it: the five
// report sections (bits 0 to 4); with bit 5, the four keywords as the next four lines, each ended
// by LF (settings values hold no line end, so CRs are dropped); with bit 6, a column layout from
// the next three bytes, each -3 to 3 (0: its default). `rest` keeps what follows, the BOM file.
RunRequest requestFrom(uint8_t flags, std::string_view& rest);

// A folder for the target's files, made once per process. Memory-backed when the machine has
// /dev/shm, so that the settings layer's fsync costs nothing.
const std::string& scratchFolder();

// Whether the literal reading's walk from the main assembly, which follows every path and
// searches the file for every block, goes over at most `cap` item lines: only such structures may
// go to it.
bool literalWalkWithin(const BomStructure& bom, uint64_t cap);

void writeFile(const std::string& path, std::string_view bytes);
std::string readFile(const std::string& path);
bool exists(const std::string& path);

// The most steps the recognition of a file may take (export_recognition.h counts them): a bound
// linear in the file's bytes and lines.
uint64_t recognitionStepBound(std::string_view bytes);

// Empties the files in memory as an input's run ends. A run that leaves its files for the next
// to remove makes more allocations than it frees, and libFuzzer then runs the input a second time
// to look for a leak: a tenth of the whole-engine fuzzers' time went to such second runs.
struct FilesClearedAtEnd {
    FilesClearedAtEnd() { memory_files::clear(); }
    ~FilesClearedAtEnd() { memory_files::clear(); }
    FilesClearedAtEnd(const FilesClearedAtEnd&) = delete;
    FilesClearedAtEnd& operator=(const FilesClearedAtEnd&) = delete;
};

// Prints what was expected and what happened, then aborts so that libFuzzer keeps the input.
[[noreturn]] void fail(const char* what, std::string_view expected = {}, std::string_view actual = {});

inline void check(bool condition, const char* what) {
    if (!condition) fail(what);
}
inline void checkEqual(std::string_view expected, std::string_view actual, const char* what) {
    if (expected != actual) fail(what, expected, actual);
}

}  // namespace trelk::fuzz
