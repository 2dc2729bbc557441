// The report written line by line from the literal analysis, exactly as the format is stated:
// the breakdown copied from a fresh unnormalised reading of the file, the where-used texts cut at
// every ";". The tests and the benchmark compare the engine's report with it byte for byte.
#pragma once

#include <string>

#include "support/literal_lines.h"
#include "support/literal_rollup.h"

namespace trelk::literal {

std::string report(const Analysis& analysis, const SectionSelection& sections, const std::string& bomFileName,
                   const KeywordSet& keywords);
// The same with the file's lines as lineTable gives them, read once by the caller.
std::string report(const Analysis& analysis, const SectionSelection& sections, const BomLineTable& file,
                   const KeywordSet& keywords);

}  // namespace trelk::literal
