#include "fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace trelk::fuzz {

const std::string& scratchFolder() {
    static const std::string folder = [] {
        struct stat info;
        std::string base = ::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) ? "/dev/shm" : "/tmp";
        if (const char* tmp = std::getenv("TRELK_FUZZ_SCRATCH"); tmp && *tmp) base = tmp;
        std::string path = base + "/trelk-fuzz-XXXXXX";
        if (!::mkdtemp(path.data())) fail("cannot make a scratch folder");
        // Its own copy: the static string is gone by the time exit handlers run.
        static const std::string* const toRemove = new std::string(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(*toRemove, ignored);
        });
        return path;
    }();
    return folder;
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) fail("cannot write a scratch file");
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

namespace {
std::string visible(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\n')
            out += "\\n\n";
        else if (byte < 32 || byte >= 127) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else
            out += c;
    }
    return out;
}
}  // namespace

void fail(const char* what, std::string_view expected, std::string_view actual) {
    std::fprintf(stderr, "\n*** FINDING: %s\n", what);
    if (!expected.empty() || !actual.empty()) {
        // The first difference, with some context, is what a reader needs.
        size_t at = 0;
        while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
        const size_t from = at > 200 ? at - 200 : 0;
        std::fprintf(stderr, "--- first difference at byte %zu\n--- expected:\n%s\n--- actual:\n%s\n", at,
                     visible(expected.substr(from, 600)).c_str(), visible(actual.substr(from, 600)).c_str());
    }
    std::abort();
}

}  // namespace trelk::fuzz
