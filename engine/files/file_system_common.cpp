// The parts of the file layer that are the same on every platform, built on its seams.
#include <cstdint>
#include <exception>
#include <string>

#include "engine/files/file_system.h"

namespace trelk {

int readWholeFile(const std::string& name, std::string& bytes) {
    bytes.clear();
    InputFile file;
    if (const int error = file.open(name)) return error;
    // Small: the room is cleared before each read, and a file of known size needs only the read
    // that finds its end.
    constexpr size_t kReadAhead = 4096;
    try {
        // Room for one more read after the last byte, which finds the end without a reallocation.
        if (file.size() > 0) {
            if (file.size() >= SIZE_MAX / 2) return kOutOfMemory;
            std::string().swap(bytes);  // the old buffer is not copied
            bytes.reserve(static_cast<size_t>(file.size()) + kReadAhead);
        }
        // Read to the end, whatever the size said: the file may grow or shrink meanwhile.
        for (;;) {
            if (bytes.capacity() - bytes.size() < kReadAhead)
                bytes.reserve(bytes.capacity() + bytes.capacity() / 2 + kReadAhead);
            const size_t before = bytes.size();
            bytes.resize(bytes.capacity());
            const size_t got = file.read(&bytes[before], bytes.size() - before);
            bytes.resize(before + got);
            if (got == 0) break;
        }
    } catch (const std::exception&) {
        bytes.clear();
        return kOutOfMemory;
    }
    if (file.error() != kNoError) bytes.clear();
    return file.error();
}

namespace {

bool isSeparator(char c) { return c == '/' || c == kPathSeparator; }

// The folder that holds the file or folder: the name up to its last separator (kept for a root
// such as "/" or "C:\\"); empty for a name without a folder.
std::string folderOf(const std::string& path) {
    size_t end = path.size();
    while (end > 0 && isSeparator(path[end - 1])) --end;  // "a/b/" names b
    while (end > 0 && !isSeparator(path[end - 1])) --end;
    if (end == 0) return "";
    const size_t separator = end - 1;
    size_t last = separator;
    while (last > 0 && isSeparator(path[last - 1])) --last;
    if (last == 0 || path[last - 1] == ':') return path.substr(0, separator + 1);
    return path.substr(0, last);
}

}  // namespace

std::string fileErrorText(int error, FileStep step, const std::string& path) {
    const bool reading = step == FileStep::ReadFile;
    switch (error) {
    case kFileNotFound: return "The file " + path + " does not exist";
    case kPathNotFound: {
        // A file where a folder should be gives the same number as a missing folder.
        for (std::string above = folderOf(path); !above.empty(); above = folderOf(above)) {
            if (isExistingNonFolder(above)) return above + " is a file, not a folder";
            if (above == folderOf(above)) break;
        }
        const std::string folder = folderOf(path);
        return folder.empty() ? "The folder of " + path + " does not exist"
                              : "The folder " + folder + " does not exist";
    }
    case kAccessDenied:
        if (step == FileStep::CreateFolder && isExistingNonFolder(path)) return path + " is a file, not a folder";
        // Windows refuses a folder opened as a file as access denied.
        if (step == FileStep::CreateFile && isExistingFolder(path)) return path + " is a folder, not a file";
        return reading ? "Access to " + path + " is denied: another program holds it open, or it may not be read"
                       : "Access to " + path +
                             " is denied: it is read-only, another program holds it open, or its folder may not be "
                             "written in";
    case kOtherFailure:
        if (step == FileStep::CreateFile && isExistingFolder(path)) return path + " is a folder, not a file";
        if (step == FileStep::WriteFile) return "The system stopped the writing of " + path + " before its end";
        return "The system refused " + path + ": the name may be too long, or not allowed there";
    case kDeviceUnavailable: return path + " is not a plain file but a device or a pipe, or its drive is not there";
    case kDiskFull: return "The disk is full: " + path + " was not written whole";
    case kTooManyFiles: return "Too many files are open on this computer: close some programs and try again";
    case kDriveNotReady: return "The drive of " + path + " is not ready";
    case kOutOfMemory: return "There is not enough memory for " + path;
    default: return "";
    }
}

}  // namespace trelk
