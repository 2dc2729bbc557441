// The analysis of a BOM: quantities multiplied out from the main assembly down, where every item
// is used, and the four result tables sorted by name.
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

#include "engine/bom_tables.h"

namespace trelk {

using NameId = uint32_t;
constexpr uint32_t kNone = 0xFFFFFFFFu;

// A line that the analysis looks at: a block header, an item line or an empty line.
struct BomEntry {
    enum : uint8_t { kHeader = 1, kEmpty = 2, kInBlock = 4 };
    uint32_t line;       // line number in the file, from 1
    int32_t quantity;    // item lines
    NameId item;         // item lines: field -1
    NameId header;       // header lines: field -2
    NameId parent;       // item lines inside a block: the assembly whose block lists them
    uint8_t flags;
    ItemKind kind;       // None for headers and empty lines that are not also items
    bool quantityOutOfRange;
};

// The normalised, classified lines of one BOM file, with every name numbered once.
class BomStructure {
public:
    // Cuts the bytes into lines, normalises them and classifies each one.
    BomStructure(std::string bytes, const KeywordSet& keywords);
    BomStructure(const BomStructure&) = delete;
    BomStructure& operator=(const BomStructure&) = delete;

    size_t lineCount() const { return lineCount_; }
    const std::vector<BomEntry>& entries() const { return entries_; }
    std::string_view name(NameId id) const { return names_[id]; }
    size_t nameCount() const { return names_.size(); }
    NameId findName(std::string_view name) const;
    // Entry index of the name's first header line, or kNone when the name has no block.
    uint32_t firstHeader(NameId id) const { return firstHeader_[id]; }
    bool hasMainAssembly() const { return mainAssembly_ != kNone; }
    // The name of the first header line, or empty when the file has none.
    std::string_view mainAssemblyName() const { return mainAssembly_ == kNone ? std::string_view() : name(mainAssembly_); }

private:
    NameId nameId(std::string_view name);

    std::unique_ptr<std::string> bytes_;
    size_t lineCount_ = 0;
    std::vector<BomEntry> entries_;
    std::vector<std::string_view> names_;
    std::vector<uint32_t> firstHeader_;
    NameId mainAssembly_ = kNone;
    struct NameIndex;
    std::unique_ptr<NameIndex> index_;

public:
    ~BomStructure();
};

// One line for the log.
using LogSink = std::function<void(std::string_view)>;

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
};

// Where-used entries by name number, filled by buildWhereUsed.
struct WhereUsedById {
    struct Entry {
        int32_t quantity;
        NameId assembly;
    };
    std::vector<Entry> assemblyEntries, partEntries;  // grouped by item below
    std::vector<uint32_t> assemblyStart, partStart;   // by NameId: first entry, or kNone
    std::vector<uint32_t> assemblyCount, partCount;
    std::vector<NameId> assemblies, parts;             // the names that have a row
};

// The four result tables, sorted by name, owning their names.
struct ResultTables {
    std::string mainAssemblyName;
    TotalsTable assemblyTotals, partTotals;
    WhereUsedTable assemblyWhereUsed, partWhereUsed;
    NameArena names;
};

// Log lines for item lines whose quantity does not fit in 32 bits (they count as 0).
void logQuantityProblems(const BomStructure& bom, const LogSink& log);

// Adds the multiplied-out contents of the named assembly to the totals.
RollupTotals expandAssembly(const BomStructure& bom, std::string_view assemblyName, Tally multiplier,
                            const LogSink& log, const RollupLimits& limits = RollupLimits());

// Where-used entries from every block of the file.
WhereUsedById buildWhereUsed(const BomStructure& bom);

// The four tables in ascending byte order of their names, with copies of the names.
ResultTables sortTables(const BomStructure& bom, const RollupTotals& totals, const WhereUsedById& whereUsed);

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
