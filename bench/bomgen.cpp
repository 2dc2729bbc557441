// trelk-bomgen: writes a seeded, Pro/E-like BOM export of a chosen shape, for the benchmarks.
//   trelk-bomgen SHAPE [--seed N] [--size N] -o FILE
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bom_shapes.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: trelk-bomgen SHAPE [--seed N] [--size N] -o FILE\n"
                 "  SHAPE: wide (W1), deep (W2), one-block (W3) or realistic (W4)\n"
                 "  --size: lines (wide, realistic), item lines (one-block) or levels (deep)\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    trelk::bench::ShapeOptions options;
    const char* output = nullptr;
    bool haveShape = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seed" && hasValue)
            options.seed = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--size" && hasValue)
            options.size = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "-o" && hasValue)
            output = argv[++i];
        else if (!haveShape && trelk::bench::parseShape(arg, options.shape))
            haveShape = true;
        else
            return usage();
    }
    if (!haveShape || !output) return usage();

    const std::string text = trelk::bench::generateBom(options);
    std::FILE* file = std::fopen(output, "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0) {
        std::fprintf(stderr, "trelk-bomgen: cannot write %s: %s\n", output, std::strerror(errno));
        return 1;
    }
    return 0;
}
