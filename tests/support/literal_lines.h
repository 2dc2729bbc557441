// The line grammar read literally, as the oracle and the checks around the engine use it: a table
// of the file's lines, normalised lines cut into fields, and the report's fields as texts. The
// engine itself classifies lines as read (engine/reading/line_classifier.h) and keeps none of this.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reading/line_classifier.h"
#include "engine/results/result_tables.h"

namespace trelk {

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

// Leading and trailing blanks removed, every run of blanks made one blank (blank = byte 32 only).
std::string normaliseLine(std::string_view line);

// The n-th piece of the line cut at every blank; n = -1 is the last piece, -2 the one before.
// A piece that does not exist is empty.
std::string_view field(std::string_view line, int n);

// The name of a header line: the field before the `contains` keyword (field -2 for a keyword of
// one word).
std::string_view headerAssemblyName(std::string_view headerLine, std::string_view containsKeyword = "contains:");
// The assembly name of the first header line of a normalised table, or empty.
std::string_view findMainAssembly(const BomLineTable& table, std::string_view containsKeyword);

// What field 2 of a normalised line makes of it: sub-assembly, part or neither.
ItemKind itemKind(std::string_view line, const KeywordSet& keywords);

// The type field of every line of a normalised table, by the column layout, with cut type words
// joined again: a line that is no header, whose type field is the start of a type keyword and no
// keyword itself, followed by lines of one field each that hold the rest of the keyword, has the
// whole keyword; those following lines are marked as the word's rest (no item, no header). The
// type of line n is types[n], n from 1.
struct TypeFields {
    std::vector<std::string> types;
    std::vector<bool> rest;
};
TypeFields typeFields(const BomLineTable& table, const KeywordSet& keywords, int typeField);

// Field 1 of a normalised line as a quantity.
Quantity readQuantity(std::string_view line);

// The count field as a text.
std::string formatCount(int64_t value);
// A where-used row's entries as one text, each "#####x in &" followed by ";".
std::string entriesText(const WhereUsedTable& table, size_t row);

}  // namespace trelk
