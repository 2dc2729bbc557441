// What the processing run needs of the platform's file layer. One implementation per platform
// (file_system_posix.cpp, file_system_win32.cpp); failures come back as the run's error numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trelk {

// Error numbers of the file layer, as the log lines show them.
enum FileError : int {
    kNoError = 0,
    kOutOfMemory = 7,
    kFileNotFound = 53,
    kDiskFull = 61,
    kTooManyFiles = 67,
    kDeviceUnavailable = 68,
    kAccessDenied = 70,
    kDriveNotReady = 71,
    kOtherFailure = 75,
    kPathNotFound = 76,
};

// The separator between a folder and a file name on this platform.
extern const char kPathSeparator;

// A name that is not empty and names an existing entry that is not a folder, by the system's own
// name rules: on Windows a name with "?" or "*" or ending in ":" (a pattern, a drive) is none;
// on POSIX these are ordinary characters of a name.
bool isExistingFile(const std::string& name);
// The platform's half of isExistingFile: an entry of that name exists and is not a folder.
bool isExistingNonFolder(const std::string& name);
// A folder of that name exists.
bool isExistingFolder(const std::string& name);

// The step of a run that met a file error, for the words that say what went wrong.
enum class FileStep : uint8_t { ReadFile, CreateFile, WriteFile, CreateFolder };
// What the error number means for the file or folder `path`, in plain words for the log: "The
// folder /home/ann/gone does not exist"; empty for an error number without words of its own. The
// file system is looked at again to tell the cases that share a number apart (a missing folder from
// a file where a folder should be).
std::string fileErrorText(int error, FileStep step, const std::string& path);

// Opens the file for reading, without sharing, and closes it again: the error number, or 0.
// Anything that is not a plain file (a device, a pipe) fails with kDeviceUnavailable, since
// reading it could block or never end.
int tryOpenForReading(const std::string& name);

// Reads the whole file; the error number, or 0.
int readWholeFile(const std::string& name, std::string& bytes);

// A plain file opened for reading without sharing, read piece by piece.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The error number, or 0 when the file is open. What is not a plain file is refused, as by
    // tryOpenForReading.
    int open(const std::string& name);
    // Reads up to `size` bytes: the number read, 0 at the end of the file or after a failure.
    size_t read(char* data, size_t size);
    // Goes back to the start of the file: the error number, or 0. A failure is also kept as the
    // error of the reading.
    int rewind();
    // Goes to byte `offset` from the start (at or past the end, the next read gives 0): the error
    // number, or 0. A failure is kept as the error of the reading, as by rewind().
    int seek(uint64_t offset);
    // The error number of a failed read, or 0.
    int error() const { return error_; }
    // The file's size when it was opened (it may change while it is read).
    uint64_t size() const { return size_; }

private:
    intptr_t handle_ = -1;  // the platform's handle; -1 when closed (on both platforms)
    int error_ = 0;
    uint64_t size_ = 0;
};

// Says that a buffer of several megabytes is about to be filled. On POSIX systems that offer it
// the buffer is then backed by huge pages, which makes hundreds of times fewer page faults (a
// fault costs about a microsecond, more in a virtual machine); elsewhere nothing happens.
void adviseLargeBuffer(void* data, size_t size);
// Room for `count` elements reserved at once and advised as above: for the item table and the
// where-used entries, a W1 run makes 9,000 page faults instead of 14,200 (docs/performance.md,
// "Fewer page faults").
template <class T>
void reserveLarge(std::vector<T>& elements, size_t count) {
    elements.reserve(count);
    adviseLargeBuffer(elements.data(), count * sizeof(T));
}

// Creates the folder and whatever is missing above it; a folder that is there already is fine.
// The error number, or 0.
int createFolder(const std::string& path);

// The file is listed as a plain, visible entry: not a folder, not hidden, not a system file.
bool isListedFile(const std::string& name);

// A file opened for writing without sharing. An existing file is reused and emptied when it is
// opened, so that at any moment it holds a head of the bytes written and nothing of before.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The error number, or 0 when the file is open.
    int create(const std::string& path);
    // Writes go to the process's standard output instead of a file; closing leaves it open.
    int attachStandardOutput();
    // Writes all bytes; the error number, or 0.
    int write(const char* data, size_t size);
    // The error number of a failed flush or close, or 0.
    int close();

private:
    intptr_t handle_ = -1;  // the platform's handle; -1 when closed (on both platforms)
};

}  // namespace trelk
