// The settings file's reading and writing on POSIX systems. A write replaces the file in one step
// (a new file in the same folder, then a rename), so a crash or a full disk leaves the previous
// file whole.
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/files/file_system.h"
#include "settings/profile_file.h"

namespace trelk::platform {

namespace {

bool writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return true;
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool replaceFile(const std::string& file, const std::string& bytes) {
    std::string temporary = file + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    mode_t mode = newFileMode();
    struct stat existing;
    if (::stat(file.c_str(), &existing) == 0) mode = existing.st_mode & 07777;
    const bool written = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), file.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

SettingsFileState readSettingsFile(const std::string& file, std::string& bytes) {
    bytes.clear();
    if (::access(file.c_str(), F_OK) != 0 && errno == ENOENT) return SettingsFileState::kMissing;
    if (!isExistingFile(file) || readWholeFile(file, bytes) != kNoError) return SettingsFileState::kUnreadable;
    return SettingsFileState::kRead;
}

bool replaceSettingsFile(const std::string& file, const std::string& bytes) {
    // A settings file that is a link is written where the link points, so the link survives.
    std::string target = file;
    if (char* real = ::realpath(file.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    struct stat info;
    // A settings "file" that is a folder or a device is not replaced, nor one made read-only: the
    // replacing rename would otherwise go past its write protection (for root, past any).
    if (::stat(target.c_str(), &info) == 0 && (!S_ISREG(info.st_mode) || (info.st_mode & 0222) == 0)) return false;
    return replaceFile(target, bytes);
}

std::string systemNameFromUtf8(const std::string& text) { return text; }
std::string utf8FromSystemName(const std::string& name) { return name; }

}  // namespace trelk::platform
