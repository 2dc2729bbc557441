// Random BOM exports for the differential tests: real-looking blocks mixed with the awkward
// cases (shared and missing blocks, blocks listed twice, headers inside blocks, cycles, odd
// spacing and line ends, quantities that round or overflow).
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "support/literal_lines.h"

namespace trelk::testing {

struct RandomBom {
    std::string text;
    KeywordSet keywords;
    ColumnLayout columns;
};

struct RandomBomShape {
    int maxAssemblies = 10;
    int maxParts = 8;
    int maxItemsPerBlock = 6;
    bool cycles = true;           // blocks may name assemblies above them
    bool hugeQuantities = false;  // quantities near the 32-bit limit (then none negative)
    // Type words of item lines longer than this are cut there, their rest written on a line of
    // its own, as the CAD system does at the width of its type column. 0: none cut; -1: now and
    // then, at a random width. Cutting draws nothing from the seed: the same seed gives the same
    // file but for the cut.
    int cutTypesAt = -1;
};

RandomBom randomBom(uint64_t seed, const RandomBomShape& shape = RandomBomShape());

// A later export of the same product: the text edited at random, line by line, as engineering
// changes and a careless hand would: quantities changed, types swapped, lines removed, repeated,
// and moved to other places (a sub-assembly under another parent, a block split), new lines.
// Sometimes nothing changes at all.
std::string randomEdit(const RandomBom& bom, uint64_t seed);

// The text with control and high bytes made visible, for failure messages.
std::string visible(std::string_view text);

}  // namespace trelk::testing
