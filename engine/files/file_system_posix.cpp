// The file layer on POSIX systems. There is no sharing mode here: another program's open handle
// does not make these opens fail.
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <limits>
#include <new>

#include "engine/files/file_system.h"

namespace trelk {

const char kPathSeparator = '/';

namespace {

bool parentFolderExists(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return true;  // the current directory
    const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    struct stat info;
    return ::stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int errorNumber(int err, const std::string& path) {
    switch (err) {
    case ENOENT: return parentFolderExists(path) ? kFileNotFound : kPathNotFound;
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY: return kAccessDenied;
    case EMFILE:
    case ENFILE: return kTooManyFiles;
    case ENODEV:
    case ENXIO: return kDeviceUnavailable;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return kDiskFull;
    case ENOMEM: return kOutOfMemory;
    default: return kOtherFailure;
    }
}

int openPlainFileForReading(const std::string& name, int& fd) {
    // O_NONBLOCK so that a FIFO cannot hang the open; it is refused right after.
    fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errorNumber(errno, name);
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        fd = -1;
        return kDeviceUnavailable;
    }
    return kNoError;
}

}  // namespace

bool isExistingFile(const std::string& name) {
    // A NUL would end the name the system sees: another file than the one named.
    return !name.empty() && name.find('\0') == std::string::npos && isExistingNonFolder(name);
}

bool isExistingNonFolder(const std::string& name) {
    struct stat info;
    return ::stat(name.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool isExistingFolder(const std::string& name) {
    struct stat info;
    return ::stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int tryOpenForReading(const std::string& name) {
    int fd = -1;
    const int error = openPlainFileForReading(name, fd);
    if (fd >= 0) ::close(fd);
    return error;
}

InputFile::~InputFile() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

int InputFile::open(const std::string& name) {
    int fd = -1;
    if (const int error = openPlainFileForReading(name, fd)) return error;
    handle_ = fd;
    struct stat info;
    size_ = ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<uint64_t>(info.st_size) : 0;
    return kNoError;
}

void adviseLargeBuffer(void* data, size_t size) {
#ifdef MADV_HUGEPAGE
    // Only whole huge pages inside the buffer can be asked for.
    constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kHugePage - 1);
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

size_t InputFile::read(char* data, size_t size) {
    if (handle_ < 0 || error_ != kNoError) return 0;
    for (;;) {
        const ssize_t got = ::read(static_cast<int>(handle_), data, size);
        if (got >= 0) return static_cast<size_t>(got);
        if (errno != EINTR) {
            error_ = errorNumber(errno, std::string());
            return 0;
        }
    }
}

int InputFile::rewind() {
    if (handle_ < 0 || error_ != kNoError) return error_ != kNoError ? error_ : kOtherFailure;
    if (::lseek(static_cast<int>(handle_), 0, SEEK_SET) != 0) error_ = errorNumber(errno, std::string());
    return error_;
}

int InputFile::seek(uint64_t offset) {
    if (handle_ < 0 || error_ != kNoError) return error_ != kNoError ? error_ : kOtherFailure;
    if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max()))
        error_ = kOtherFailure;
    else if (::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) < 0)
        error_ = errorNumber(errno, std::string());
    return error_;
}

bool isListedFile(const std::string& name) {
    struct stat info;
    return ::stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

OutputFile::~OutputFile() { close(); }

int OutputFile::create(const std::string& path) {
    close();
    // An existing report is emptied at once, as on Windows: a run that ends while it writes (a
    // crash, a kill, a full disk) then leaves the head of its own report, never that head over
    // the earlier report's tail, which would look whole.
    // O_NONBLOCK so that a pipe nobody reads fails (ENXIO) instead of waiting for ever; writes
    // block as usual once it is open.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return errorNumber(errno, path);
    if (const int flags = ::fcntl(fd, F_GETFL); flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errorNumber(errno, path);
        ::close(fd);
        return error;
    }
    handle_ = fd;
    return kNoError;
}

int OutputFile::attachStandardOutput() {
    close();
    const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return errorNumber(errno, std::string());
    handle_ = fd;
    return kNoError;
}

int createFolder(const std::string& path) {
    // The folders above are made as needed; a failure there shows in the last step.
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0777);
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return errorNumber(errno, path);
    // mkdir says EEXIST for a file of that name too; only a folder will do.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return errorNumber(errno, path);
    return S_ISDIR(info.st_mode) ? kNoError : kAccessDenied;
}

int OutputFile::write(const char* data, size_t size) {
    if (handle_ < 0) return kOtherFailure;
    const int fd = static_cast<int>(handle_);
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            return errorNumber(errno, std::string());
        }
        data += put;
        size -= static_cast<size_t>(put);
    }
    return kNoError;
}

int OutputFile::close() {
    if (handle_ < 0) return kNoError;
    const int fd = static_cast<int>(handle_);
    handle_ = -1;
    return ::close(fd) == 0 ? kNoError : errorNumber(errno, std::string());
}

}  // namespace trelk
