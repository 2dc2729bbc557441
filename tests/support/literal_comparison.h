// The comparison of two BOM files worked out literally: both files read as tables of lines, every
// block found by searching from line 1, both rolled up by the literal reading (literal_rollup.h),
// and every change, cause and nearest changed assembly found by walking all lines again. Slow on
// purpose; the tests compare the engine's Comparison with it, fact by fact.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/comparison/compare_analyses.h"
#include "support/literal_rollup.h"

namespace trelk::literal {

// The facts of a comparison as lines of text, in the order the comparison lists them:
//   "main same" or "main differs"
//   "block ASSEMBLY added|removed|changed", each followed by its members:
//   "  member NAME CHANGE OLD-TYPE NEW-TYPE OLD NEW" ("-" for a side without it)
//   "total sub-assembly|part NAME OLD NEW DIFFERENCE CAUSE in:A,B via:C"
//   "where-used sub-assembly|part NAME PARENT CHANGE OLD NEW"
std::vector<std::string> compareFiles(std::string_view oldBytes, std::string_view newBytes, const KeywordSet& keywords,
                                      const ColumnLayout& columns = ColumnLayout());

}  // namespace trelk::literal

namespace trelk::testing {

// The engine's comparison as the same facts.
std::vector<std::string> comparisonFacts(const Comparison& comparison);

}  // namespace trelk::testing
