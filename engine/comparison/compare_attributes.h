// The attributes of two exports compared item by item: what purchasing orders by (a material, a
// part number, a mass) can change between two revisions while every quantity stays.
#pragma once

#include <string>
#include <vector>

#include "engine/reading/item_attributes.h"
#include "engine/results/comparison.h"
#include "text/text_codec.h"

namespace trelk {

// One file's attributes as the comparison sees them: its encoding, for names and values to be
// converted to the comparison's.
struct AttributeSide {
    const ItemAttributes& attributes;
    TextEncoding encoding = TextEncoding::Utf8;
};

// Fills `out.hasAttributes` and `out.attributeChanges` (comparison.h says what they hold), in the
// comparison's encoding `out.encoding`; a column that one file prints and the other does not is
// compared in no item, and said once in `notes` of the file that prints it (old 0, new 1).
void compareAttributes(const AttributeSide& oldSide, const AttributeSide& newSide, Comparison& out,
                       std::vector<std::string> notes[2]);

}  // namespace trelk
