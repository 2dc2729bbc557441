// The result of the analysis, sorted by name and ready to be written: totals and where-used
// tables.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reading/name_index.h"

namespace trelk {

// A total of products of quantities, summed over the paths that lead to it. Its positive and its
// negative products are summed apart, each exact up to 2^64 - 1 and held there beyond it. Both
// halves then come out the same in whatever order the products are added and multiplied, so the
// roll-up may add up the multipliers of an assembly before it multiplies them out, and still give
// what the path-by-path reading gives even where totals leave the range and quantities are negative.
class Tally {
public:
    Tally() = default;
    static Tally of(int64_t value) {
        return value < 0 ? Tally(0, uint64_t{0} - static_cast<uint64_t>(value))
                         : Tally(static_cast<uint64_t>(value), 0);
    }

    // Out of range when the difference of the halves leaves 64 bits, or when either half is held.
    bool outOfRange() const {
        if (positive_ == kHeld || negative_ == kHeld) return true;
        return positive_ >= negative_ ? positive_ - negative_ > kMax : negative_ - positive_ > kMax + 1;
    }
    // The total; out of range, the nearest end of the range (the upper one when both halves are held).
    int64_t value() const {
        if (positive_ == kHeld || negative_ == kHeld)
            return negative_ == kHeld && positive_ != kHeld ? std::numeric_limits<int64_t>::min() : kMax;
        if (positive_ >= negative_)
            return positive_ - negative_ > kMax ? kMax : static_cast<int64_t>(positive_ - negative_);
        const uint64_t below = negative_ - positive_;
        return below > kMax ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(below);
    }
    bool operator==(const Tally& o) const { return value() == o.value() && outOfRange() == o.outOfRange(); }

    // Inline: the roll-up does both for every item line it walks.
    friend Tally tallyTimes(Tally multiplier, int32_t quantity) {
        const uint64_t factor = quantity < 0 ? uint64_t{0} - static_cast<uint64_t>(static_cast<int64_t>(quantity))
                                             : static_cast<uint64_t>(quantity);
        const Tally scaled(times(multiplier.positive_, factor), times(multiplier.negative_, factor));
        return quantity < 0 ? Tally(scaled.negative_, scaled.positive_) : scaled;
    }
    friend Tally tallyPlus(Tally a, Tally b) {
        return Tally(plus(a.positive_, b.positive_), plus(a.negative_, b.negative_));
    }

private:
    static constexpr uint64_t kHeld = std::numeric_limits<uint64_t>::max();
    static constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    Tally(uint64_t positive, uint64_t negative) : positive_(positive), negative_(negative) {}
    static uint64_t times(uint64_t a, uint64_t b) {
        uint64_t r;
        return __builtin_mul_overflow(a, b, &r) ? kHeld : r;
    }
    static uint64_t plus(uint64_t a, uint64_t b) {
        uint64_t r;
        return __builtin_add_overflow(a, b, &r) ? kHeld : r;
    }

    uint64_t positive_ = 0, negative_ = 0;
};

// Totals of sub-assemblies or of parts, one row per distinct name.
struct TotalsTable {
    std::vector<std::string_view> names;
    std::vector<Tally> totals;

    size_t count() const { return names.size(); }
};

// One where-used entry: the quantity named in the block of an assembly.
struct WhereUsedEntry {
    int32_t quantity;
    uint32_t assembly;  // in a WhereUsedTable: index into its `assemblies`
};

// Where each sub-assembly or part is named: one row per distinct name, each with its entries in
// the order they stand in the file. Row r owns entries[entryBegin[r]] up to entries[entryEnd[r]].
struct WhereUsedTable {
    std::vector<std::string_view> names;
    std::vector<uint32_t> entryBegin, entryEnd;
    std::vector<WhereUsedEntry> entries;
    std::vector<std::string_view> assemblies;  // the assembly names the entries refer to

    size_t count() const { return names.size(); }
    std::string_view assemblyOf(const WhereUsedEntry& entry) const { return assemblies[entry.assembly]; }
};

// The four result tables, sorted by name, owning their names.
struct ResultTables {
    std::string mainAssemblyName;
    TotalsTable assemblyTotals, partTotals;
    WhereUsedTable assemblyWhereUsed, partWhereUsed;
    std::shared_ptr<const NameStore> nameStore;  // where all the names above lie
};

}  // namespace trelk
