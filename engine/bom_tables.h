// The BOM export as the analysis sees it: the line table, the line grammar and the result tables.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_rules.h"

namespace trelk {

// The four parser keywords; the members carry the names of their settings keys.
struct KeywordSet {
    std::string contains = "contains:";
    std::string SubAssembly = "Sub-Assembly";
    std::string Part = "Part";
    std::string SummaryOfParts = "Summary of parts for assembly";
};

// Which fields of an item line hold the quantity, the type and the name: 1, 2, ... from the start,
// -1, -2, ... from the end, as field() counts them. The members carry the names of their settings
// keys. The CAD system's own layout is the default; companies lay their exports out otherwise.
struct ColumnLayout {
    int Quantity = 1;
    int Type = 2;
    int Name = -1;

    bool isDefault() const { return Quantity == 1 && Type == 2 && Name == -1; }
    bool operator==(const ColumnLayout& o) const { return Quantity == o.Quantity && Type == o.Type && Name == o.Name; }
};

// A field number as a text holds it: an optional sign and digits, blanks around them allowed, not
// 0 and within the int range; anything else gives 0.
int readFieldNumber(std::string_view text);

// One flag per report section, in report order; the members carry the names of their settings keys.
struct SectionSelection {
    bool Include_BOMAssyBreakdown = false;
    bool Include_SummaryOfAssys = true;
    bool Include_SummaryOfParts = true;
    bool Include_AssyInAssys = true;
    bool Include_PartsInAssys = true;

    static SectionSelection all() { return {true, true, true, true, true}; }
    static SectionSelection none() { return {false, false, false, false, false}; }
    bool operator==(const SectionSelection& o) const {
        return Include_BOMAssyBreakdown == o.Include_BOMAssyBreakdown &&
               Include_SummaryOfAssys == o.Include_SummaryOfAssys &&
               Include_SummaryOfParts == o.Include_SummaryOfParts &&
               Include_AssyInAssys == o.Include_AssyInAssys &&
               Include_PartsInAssys == o.Include_PartsInAssys;
    }
};

// The lines of a BOM file, numbered from 1. The texts are views into one buffer that the table
// owns; reading line count() + 1 gives the empty line that ends a block running to the end.
class BomLineTable {
public:
    BomLineTable() = default;
    // Takes the file's bytes and cuts them into lines by the rules of a BOM file (forEachBomLine).
    explicit BomLineTable(std::string bytes);
    // A table of the given lines.
    static BomLineTable fromLines(const std::vector<std::string>& lines);

    size_t count() const { return lines_.size(); }
    std::string_view line(size_t number) const {
        return number >= 1 && number <= lines_.size() ? lines_[number - 1] : std::string_view();
    }
    const std::vector<std::string_view>& lines() const { return lines_; }

    // Normalises every line in place (normaliseLine never makes a line longer).
    void normaliseAll();

private:
    std::unique_ptr<std::string> bytes_ = std::make_unique<std::string>();
    std::vector<std::string_view> lines_;
};

// Reads the whole file into a line table; a file that cannot be read gives an empty table.
BomLineTable readBomLines(const std::string& fileName);

// Leading and trailing blanks removed, every run of blanks made one blank (blank = byte 32 only).
std::string normaliseLine(std::string_view line);
// The same, written over the line's own bytes; returns the new length.
size_t normaliseInPlace(char* line, size_t length);

// The n-th piece of the line cut at every blank; n = -1 is the last piece, -2 the one before.
// A piece that does not exist is empty.
std::string_view field(std::string_view line, int n);

// The line ends with the `contains` keyword.
bool isBlockHeader(std::string_view line, std::string_view containsKeyword);
std::string_view headerAssemblyName(std::string_view headerLine);
// The assembly name of the first header line of a normalised table, or empty.
std::string_view findMainAssembly(const BomLineTable& table, std::string_view containsKeyword);

enum class ItemKind : uint8_t { None, SubAssembly, Part };
// What field 2 of a normalised line makes of it: sub-assembly, part or neither.
ItemKind itemKind(std::string_view line, const KeywordSet& keywords);

// Field n of a line as field() gives it once the line is normalised, taken straight from the line
// as read.
std::string_view fieldOfRawLine(std::string_view line, int n);

// Fields 1, 2, -2 and -1 of a line as field() gives them once the line is normalised, taken
// straight from the line as read. A line without fields (empty once normalised) has all four empty.
struct LineFields {
    std::string_view first, second, beforeLast, last;
};
LineFields splitFields(std::string_view line);

// What the analysis makes of one line as read: the same as normalising it and then asking
// isBlockHeader, itemKind and field, without writing to the line or copying it.
struct LineClass {
    bool empty = true;   // empty once normalised: ends a block
    bool header = false;  // a block header
    ItemKind kind = ItemKind::None;  // None for empty lines
    std::string_view quantity, item;  // the quantity and name fields of the column layout
    std::string_view headerName;      // field -2 of a header; empty for other lines
    std::string_view lastField;       // field -1
};
class LineClassifier {
public:
    explicit LineClassifier(const KeywordSet& keywords, const ColumnLayout& columns = ColumnLayout());
    LineClass classify(std::string_view line);

private:
    // The fields of the column layout, for any layout but the default one.
    void takeColumns(std::string_view line, LineClass& c) const;

    const KeywordSet& keywords_;
    ColumnLayout columns_;
    bool defaultColumns_;
    // A `contains` keyword with a blank in it can reach over several fields; such lines are
    // normalised into this buffer to be compared.
    bool containsHasBlank_;
    std::string normalised_;
};

// Field 1 as a quantity. A value outside the 32-bit range is reported as such and counts 0.
struct Quantity {
    int32_t value = 0;
    bool outOfRange = false;
};
Quantity readQuantity(std::string_view line);
Quantity readQuantityField(std::string_view firstField);

// A total of products of quantities, summed over the paths that lead to it. Its positive and its
// negative products are summed apart, each exact up to 2^64 - 1 and held there beyond it. Both
// halves then come out the same in whatever order the products are added and multiplied, so the
// roll-up may add up the multipliers of an assembly before it multiplies them out, and still give
// what the path-by-path reading gives even where totals leave the range and quantities are negative.
class Tally {
public:
    Tally() = default;
    static Tally of(int64_t value) {
        return value < 0 ? Tally(0, uint64_t{0} - static_cast<uint64_t>(value)) : Tally(static_cast<uint64_t>(value), 0);
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
        if (positive_ >= negative_) return positive_ - negative_ > kMax ? kMax : static_cast<int64_t>(positive_ - negative_);
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

// Copies of names at stable addresses, so that the result tables can outlive the file's bytes.
class NameArena {
public:
    std::string_view copy(std::string_view name);

private:
    std::vector<std::unique_ptr<char[]>> chunks_;
    size_t chunkUsed_ = 0;
    size_t chunkSize_ = 0;
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
    // The row's entries as one text, each "#####x in &" followed by ";".
    std::string entriesText(size_t row) const;
};

// The count field: right-aligned in five positions, widened to its own length when longer.
std::string formatCount(int64_t value);
void appendCount(std::string& out, int64_t value);
// Writes the count field at `out`, which has room for 20 bytes; returns its end.
char* putWideCount(char* out, int64_t value);
inline char* putCount(char* out, int64_t value) {
    if (value < 0 || value > 99999) return putWideCount(out, value);
    // The usual case, inline for the report's every line: digits from the right, blanks in front.
    for (int i = 4; i >= 0; --i) {
        out[i] = value > 0 || i == 4 ? static_cast<char>('0' + value % 10) : ' ';
        value /= 10;
    }
    return out + 5;
}

}  // namespace trelk
