// Line classification, the first step of the pipeline: what the analysis makes of one line of
// the export as read, without normalising or copying it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/run_options.h"

namespace trelk {

enum class ItemKind : uint8_t { None, SubAssembly, Part };

// What the analysis makes of one line as read: the same as normalising it and then asking
// isBlockHeader and taking its fields, without writing to the line or copying it.
struct LineClass {
    bool empty = true;                // empty once normalised: ends a block
    bool header = false;              // a block header
    ItemKind kind = ItemKind::None;   // None for empty lines
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

// The pieces the classifier is made of, which the structure builder uses too.

// Leading and trailing blanks removed, every run of blanks made one blank (blank = byte 32 only),
// written over the line's own bytes; returns the new length.
size_t normaliseInPlace(char* line, size_t length);

// The (normalised) line ends with the `contains` keyword.
bool isBlockHeader(std::string_view line, std::string_view containsKeyword);

// Field n of a line as it would be once normalised, taken straight from the line as read: the
// n-th piece of the line cut at every blank; n = -1 is the last piece, -2 the one before. A piece
// that does not exist is empty.
std::string_view fieldOfRawLine(std::string_view line, int n);

// Field 1 as a quantity. A value outside the 32-bit range is reported as such and counts 0.
struct Quantity {
    int32_t value = 0;
    bool outOfRange = false;
};
Quantity readQuantityField(std::string_view firstField);

}  // namespace trelk
