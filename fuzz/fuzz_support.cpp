#include "fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace trelk::fuzz {

RunRequest requestFrom(uint8_t flags, std::string_view& rest) {
    RunRequest request;
    request.sections.Include_BOMAssyBreakdown = flags & 1;
    request.sections.Include_SummaryOfAssys = flags & 2;
    request.sections.Include_SummaryOfParts = flags & 4;
    request.sections.Include_AssyInAssys = flags & 8;
    request.sections.Include_PartsInAssys = flags & 16;
    if (flags & 32) {
        for (std::string* keyword : {&request.keywords.contains, &request.keywords.SubAssembly, &request.keywords.Part,
                                     &request.keywords.SummaryOfParts}) {
            const size_t end = rest.find('\n');
            std::string_view text = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            keyword->clear();
            for (const char c : text)
                if (c != '\r') *keyword += c;
        }
    }
    if (flags & 64) {
        const ColumnLayout defaults;
        int* const fields[] = {&request.columns.Quantity, &request.columns.Type, &request.columns.Name};
        const int defaultFields[] = {defaults.Quantity, defaults.Type, defaults.Name};
        for (int i = 0; i < 3 && !rest.empty(); ++i) {
            const int n = static_cast<unsigned char>(rest[0]) % 7 - 3;
            *fields[i] = n != 0 ? n : defaultFields[i];
            rest.remove_prefix(1);
        }
    }
    return request;
}

namespace {

class WalkCounter {
public:
    WalkCounter(const BomStructure& bom, uint64_t cap) : bom_(bom), cap_(cap), onPath_(bom.nameCount(), 0) {}
    bool within(std::string_view mainName) {
        const NameId main = bom_.findName(mainName);
        if (main != kNone && bom_.hasBlock(main)) walk(main);
        return steps_ <= cap_;
    }

private:
    void walk(NameId v) {
        onPath_[v] = 1;
        for (uint32_t e = bom_.walkBegin(v); e < bom_.walkEnd(v) && steps_ <= cap_; ++e) {
            ++steps_;
            const BomItem& item = bom_.items()[e];
            if (item.kind == ItemKind::SubAssembly && bom_.hasBlock(item.item) && !onPath_[item.item]) walk(item.item);
        }
        onPath_[v] = 0;
    }
    const BomStructure& bom_;
    uint64_t cap_, steps_ = 0;
    std::vector<uint8_t> onPath_;
};

}  // namespace

bool literalWalkWithin(const BomStructure& bom, uint64_t cap) {
    return WalkCounter(bom, cap).within(bom.mainAssemblyName());
}

uint64_t recognitionStepBound(std::string_view bytes) {
    const uint64_t lines = static_cast<uint64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    return 256 * (bytes.size() + lines) + 65536;
}

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
