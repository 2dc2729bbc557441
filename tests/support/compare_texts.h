// Two BOM texts compared by the engine as a comparison run compares two files: each written to a
// file, analysed as a run analyses it, and the analyses compared.
#pragma once

#include <string>
#include <vector>

#include "engine/comparison/compare_analyses.h"

namespace trelk::testing {

struct ComparedTexts {
    bool compared = false;  // both files have a block header; otherwise no comparison was made
    Comparison comparison;
    std::vector<std::string> notes;  // the comparison's notes, as logged
};

ComparedTexts compareTexts(const std::string& oldText, const std::string& newText, const KeywordSet& keywords,
                           const ColumnLayout& columns = ColumnLayout(), int64_t buildQuantity = 1);

}  // namespace trelk::testing
