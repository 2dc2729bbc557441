// The roll-up of a BOM structure: quantities multiplied out from the main assembly down
// (expandAssembly), where every item is used (buildWhereUsed), and the four result tables sorted by
// name (sortTables).
//
// The classic reading of the roll-up searches the file for an assembly's block at every
// occurrence and walks a shared sub-assembly once per path, which grows exponentially with
// depth. Here every block is found through an index and walked a fixed number of times; each
// assembly's multiplier is the sum over its occurrences, passed down in topological order. The
// totals, where-used lists and log lines are exactly those of the classic reading (the tests keep
// that reading as an oracle). Only where assemblies contain themselves does the path matter, and
// there the walk follows every path, within a step budget.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reading/bom_structure.h"
#include "engine/request/run_request.h"
#include "engine/results/result_tables.h"

namespace trelk {

// Bounds that keep a broken BOM from flooding the log or running without end.
struct RollupLimits {
    // Messages of the roll-up; after the last one a single line says that more were left out.
    size_t maxMessages = 100000;
    // Item lines walked where assemblies contain themselves and every path must be followed.
    uint64_t maxCycleSteps = 50000000;
};

// Totals by name number, filled by expandAssembly.
struct RollupTotals {
    std::vector<Tally> assembly, part;
    std::vector<NameId> assemblies, parts;  // the names that have a row, in order of first use
    // Item lines the passes went over, each visit counted: the work of the roll-up, which the
    // tests bound instead of timing it.
    uint64_t linesWalked = 0;
};

// Where-used entries by name number, filled by buildWhereUsed. The entries name the assembly by
// its number.
struct WhereUsedById {
    std::vector<WhereUsedEntry> assemblyEntries, partEntries;  // grouped by item below
    std::vector<uint32_t> assemblyStart, partStart;            // by NameId: first entry, or kNone
    std::vector<uint32_t> assemblyCount, partCount;
    std::vector<NameId> assemblies, parts;  // the names that have a row
};

// Log lines for item lines whose quantity does not fit in 32 bits (they count as 0).
void logQuantityProblems(const BomStructure& bom, const LogSink& log);

// Adds the multiplied-out contents of the named assembly to the totals.
RollupTotals expandAssembly(const BomStructure& bom, std::string_view assemblyName, Tally multiplier,
                            const LogSink& log, const RollupLimits& limits = RollupLimits());

// Where-used entries from every block of the file.
WhereUsedById buildWhereUsed(const BomStructure& bom);

// The four tables in ascending byte order of their names. The where-used entries are taken over,
// not copied; the names stay valid after the structure is gone.
ResultTables sortTables(const BomStructure& bom, const RollupTotals& totals, WhereUsedById whereUsed);

// Log lines for totals that left the 64-bit range (they are shown at the nearest end of it).
void logOutOfRangeTotals(const ResultTables& tables, const LogSink& log);

namespace messages {
inline constexpr std::string_view kAssemblyNotFound = "Assembly name not found: abnormal error! - ";
inline constexpr std::string_view kContainsItself = "Assembly contains itself: abnormal error! - ";
inline constexpr std::string_view kTooManyMessages = "Too many abnormal errors: further messages left out!";
inline constexpr std::string_view kTooComplex = "Assembly structure too complex, roll-up stopped: abnormal error! - ";
inline constexpr std::string_view kTotalOutOfRange = "Total out of range: abnormal error! - ";
std::string quantityOutOfRange(uint32_t line, std::string_view item);
}  // namespace messages

}  // namespace trelk
