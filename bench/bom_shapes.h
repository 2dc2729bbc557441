// Seeded, Pro/E-like BOM exports of a chosen shape, for the benchmarks. The same seed and shape
// give the same bytes on every platform (no library random distributions are used).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace trelk::bench {

enum class Shape {
    Wide,        // W1: many blocks, 6 to 8 levels, many distinct parts
    DeepShared,  // W2: 40 levels, every assembly holds the next one twice
    OneBlock,    // W3: one block of item lines
    Realistic,   // W4: 6 levels, common sub-assemblies reused all over
};

struct ShapeOptions {
    Shape shape = Shape::Realistic;
    uint64_t seed = 1;
    // Lines of the file (Wide, Realistic), item lines of the block (OneBlock) or levels
    // (DeepShared); 0 takes the shape's usual size.
    size_t size = 0;
};

// The export as Pro/E writes it: CR LF line ends, column titles, the parts summary at the end.
std::string generateBom(const ShapeOptions& options);

// "wide", "deep", "one-block", "realistic" (or W1 to W4).
bool parseShape(std::string_view name, Shape& shape);
const char* shapeName(Shape shape);

}  // namespace trelk::bench
