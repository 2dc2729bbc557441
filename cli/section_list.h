// The --sections option: report sections named on the command line.
#pragma once

#include <optional>
#include <string>

#include "engine/request/run_options.h"

namespace trelk {

// "breakdown", "assemblies", "parts", "assemblies-where-used", "parts-where-used", separated by
// commas, or "all" or "none". Gives nothing for an unknown name and says which in `error`.
std::optional<SectionSelection> parseSectionList(const std::string& list, std::string& error);

// The --columns option: "Q,T,N", three whole numbers, the fields of quantity, type and name; only
// the type may be 0, for a table without a type column. Gives nothing for anything else.
std::optional<ColumnLayout> parseColumnList(const std::string& list);

}  // namespace trelk
