// The file layer on Windows: every open asks for no sharing, so a file that another program holds
// open fails with the access-denied number, as a locked report file should.
#include <windows.h>

#include <cstdint>

#include "engine/files/file_system.h"

namespace trelk {

const char kPathSeparator = '\\';

namespace {

int errorNumber(DWORD err) {
    switch (err) {
    case ERROR_FILE_NOT_FOUND: return kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return kAccessDenied;
    case ERROR_TOO_MANY_OPEN_FILES: return kTooManyFiles;
    case ERROR_INVALID_DRIVE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_UNIT: return kDeviceUnavailable;
    case ERROR_NOT_READY: return kDriveNotReady;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return kDiskFull;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return kOutOfMemory;
    default: return kOtherFailure;
    }
}

int openPlainFileForReading(const std::string& name, HANDLE& file) {
    file = CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return errorNumber(GetLastError());
    if (GetFileType(file) != FILE_TYPE_DISK) {  // a device such as CON could block or never end
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
        return kDeviceUnavailable;
    }
    return kNoError;
}

}  // namespace

bool isExistingFile(const std::string& name) {
    // A name with "?" or "*" is a pattern and one ending in ":" a drive, not a file; a NUL would
    // end the name the system sees: another file than the one named.
    if (name.empty() || name.find_first_of(std::string_view("?*\0", 3)) != std::string::npos || name.back() == ':')
        return false;
    return isExistingNonFolder(name);
}

bool isExistingNonFolder(const std::string& name) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isExistingFolder(const std::string& name) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int tryOpenForReading(const std::string& name) {
    HANDLE file;
    const int error = openPlainFileForReading(name, file);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return error;
}

InputFile::~InputFile() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

int InputFile::open(const std::string& name) {
    HANDLE file;
    if (const int error = openPlainFileForReading(name, file)) return error;
    handle_ = reinterpret_cast<intptr_t>(file);
    LARGE_INTEGER size;
    size_ = GetFileSizeEx(file, &size) && size.QuadPart > 0 ? static_cast<uint64_t>(size.QuadPart) : 0;
    return kNoError;
}

void adviseLargeBuffer(void*, size_t) {}

size_t InputFile::read(char* data, size_t size) {
    if (handle_ == -1 || error_ != kNoError) return 0;
    DWORD got = 0;
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), data, chunk, &got, nullptr)) {
        error_ = errorNumber(GetLastError());
        return 0;
    }
    return got;
}

int InputFile::rewind() {
    if (handle_ == -1 || error_ != kNoError) return error_ != kNoError ? error_ : kOtherFailure;
    LARGE_INTEGER start;
    start.QuadPart = 0;
    if (!SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), start, nullptr, FILE_BEGIN))
        error_ = errorNumber(GetLastError());
    return error_;
}

int InputFile::seek(uint64_t offset) {
    if (handle_ == -1 || error_ != kNoError) return error_ != kNoError ? error_ : kOtherFailure;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (offset > static_cast<uint64_t>(INT64_MAX))
        error_ = kOtherFailure;
    else if (!SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), to, nullptr, FILE_BEGIN))
        error_ = errorNumber(GetLastError());
    return error_;
}

bool isListedFile(const std::string& name) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

OutputFile::~OutputFile() { close(); }

int OutputFile::create(const std::string& path) {
    close();
    // OPEN_ALWAYS and then cutting the file to 0 reuses an existing report, hidden or not.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return errorNumber(GetLastError());
    if (!SetEndOfFile(file)) {
        const int error = errorNumber(GetLastError());
        CloseHandle(file);
        return error;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    return kNoError;
}

int OutputFile::attachStandardOutput() {
    close();
    HANDLE copy;
    if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return errorNumber(GetLastError());
    handle_ = reinterpret_cast<intptr_t>(copy);
    return kNoError;
}

int createFolder(const std::string& path) {
    // The folders above are made as needed; a failure there (a drive, a network share) shows in
    // the last step.
    for (size_t sep = path.find_first_of("\\/", 1); sep != std::string::npos; sep = path.find_first_of("\\/", sep + 1))
        CreateDirectoryA(path.substr(0, sep).c_str(), nullptr);
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return errorNumber(GetLastError());
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return errorNumber(GetLastError());
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? kNoError : kAccessDenied;
}

int OutputFile::write(const char* data, size_t size) {
    if (handle_ == -1) return kOtherFailure;
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD put = 0;
        if (!WriteFile(file, data, chunk, &put, nullptr)) return errorNumber(GetLastError());
        if (put == 0) return kDiskFull;
        data += put;
        size -= put;
    }
    return kNoError;
}

int OutputFile::close() {
    if (handle_ == -1) return kNoError;
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    handle_ = -1;
    return CloseHandle(file) ? kNoError : errorNumber(GetLastError());
}

}  // namespace trelk
