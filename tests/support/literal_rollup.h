// The roll-up and where-used analysis read line by line, exactly as the algorithm is stated:
// every expansion searches the line table from line 1 for the assembly's block, every table
// lookup scans its rows from the first. Slow on purpose; the tests compare the engine with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/literal_lines.h"
#include "engine/rollup/rollup.h"

namespace trelk::literal {

struct Totals {
    std::vector<std::string> names;
    std::vector<Tally> totals;
};

struct WhereUsed {
    std::vector<std::string> names;
    std::vector<std::string> entries;  // "#####x in &;" per entry
};

struct Analysis {
    std::string mainAssemblyName;
    Totals assemblyTotals, partTotals;
    WhereUsed assemblyWhereUsed, partWhereUsed;
    std::vector<std::string> log;  // the lines from the analysis, after the main assembly line
};

// The lines of a BOM file, byte by byte as the reading rule is stated: the input ends at the first
// Ctrl-Z; a UTF-8 byte-order mark at the start is skipped; with no CR and an LF, each LF ends a
// line; with LFs that all follow CR CR, CR CR LF is one line end; otherwise CR or CR LF ends a line
// and a lone LF stays in the line; a lone CR always ends a line.
std::vector<std::string> readLines(std::string_view bytes);
BomLineTable lineTable(std::string_view bytes);

// Normalises the table and runs the analysis on it, from the main assembly with multiplier 1.
Analysis analyse(BomLineTable table, const KeywordSet& keywords, const RollupLimits& limits = RollupLimits(),
                 const ColumnLayout& columns = ColumnLayout());

}  // namespace trelk::literal

namespace trelk::testing {

// The engine's analysis of the same bytes, in the oracle's terms.
literal::Analysis engineAnalysis(std::string bytes, const KeywordSet& keywords,
                                 const RollupLimits& limits = RollupLimits(),
                                 const ColumnLayout& columns = ColumnLayout());
// Sorted result tables in the oracle's terms.
literal::Analysis fromTables(const ResultTables& tables);
// The oracle's analysis of the bytes.
literal::Analysis literalAnalysis(std::string bytes, const KeywordSet& keywords,
                                  const RollupLimits& limits = RollupLimits(),
                                  const ColumnLayout& columns = ColumnLayout());

// A readable difference between two analyses, or empty when they agree.
std::string difference(const literal::Analysis& expected, const literal::Analysis& actual);

}  // namespace trelk::testing
