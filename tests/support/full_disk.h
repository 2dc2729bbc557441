// A full disk for the tests, on POSIX systems: scripts/test-all.sh mounts two small tmpfs file
// systems, "report" and "settings", below the folder named by TRELK_TEST_FULL_FOLDER (when it may
// mount them). A test writes what should be there before the disk fills, then fills the rest.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace trelk::testing {

// The mounted file system of that name, or empty when there is none.
inline std::string fullDiskFolder(const std::string& name) {
    const char* base = std::getenv("TRELK_TEST_FULL_FOLDER");
    if (!base || !*base) return {};
    return std::string(base) + "/" + name;
}

// Fills the file system that holds `folder` until a write fails for want of space; the filler's
// path, or empty when it did not fill up.
inline std::string fillUp(const std::string& folder) {
    const std::string filler = folder + "/filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return {};
    static const char block[4096] = {};
    ssize_t put;
    do put = ::write(fd, block, sizeof block);
    while (put > 0);
    const bool full = put < 0 && errno == ENOSPC;
    ::close(fd);
    return full ? filler : std::string();
}

// Runs `body` under a file size limit, so that writes past it fail as they would on a full disk
// (EFBIG instead of the SIGXFSZ that would end the test).
template <class Body>
void withFileSizeLimit(rlim_t bytes, Body&& body) {
    struct rlimit before;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    struct sigaction ignore = {}, previous;
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    struct rlimit limit = before;
    limit.rlim_cur = bytes;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    body();
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::sigaction(SIGXFSZ, &previous, nullptr);
}

}  // namespace trelk::testing
