// Line classification, the first step of the pipeline: what the analysis makes of one line of
// the export as read, without normalising or copying it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/request/run_options.h"
#include "text/text_rules.h"

namespace trelk {

// Member: a row of a table without a type column, whose kind the whole file decides (a
// sub-assembly when the file has a block for its name); BomStructure settles it.
enum class ItemKind : uint8_t { None, SubAssembly, Part, Member };

// What the analysis makes of one line as read: the same as normalising it and then asking
// isBlockHeader and taking its fields, without writing to the line or copying it.
struct LineClass {
    bool empty = true;                // empty once normalised: ends a block
    bool header = false;              // a block header
    ItemKind kind = ItemKind::None;   // None for empty lines
    std::string_view quantity, item;  // the quantity and name fields of the column layout
    std::string_view headerName;      // the name of a header; empty for other lines
    std::string_view lastField;       // field -1
    // The type field is the start of a type keyword, not all of it: the CAD system cuts a type
    // word at the width of its column and writes the rest on the next line.
    bool cutType = false;
};

// A header pattern ("Assembly *** %$name ***") cut at the name, each side normalised.
struct HeaderPattern {
    std::string before, after;
    bool valid = false;  // holds the name, and text beside it
};
HeaderPattern parseHeaderPattern(std::string_view pattern);

class LineClassifier {
public:
    explicit LineClassifier(const KeywordSet& keywords, const ColumnLayout& columns = ColumnLayout());
    LineClass classify(std::string_view line);
    // The type field of a line, by the column layout.
    std::string_view typeField(std::string_view line) const;

    // The normalised line holds the rest of a cut type word, whose start was `start`: the whole
    // word's kind when the rest completes it; Member when the rest still leaves it incomplete.
    // None otherwise.
    ItemKind continuedType(std::string_view start, std::string_view line) const;

private:
    // The fields of the column layout, for any layout but the default one.
    void takeColumns(std::string_view line, LineClass& c, std::string_view& type) const;
    void takeCells(std::string_view line, LineClass& c, std::string_view& type) const;
    // Inline: every line of a file asks it.
    ItemKind kindOfType(std::string_view type) const {
        if (sameBytes(type, keywords_.SubAssembly)) return ItemKind::SubAssembly;
        if (sameBytes(type, keywords_.Part)) return ItemKind::Part;
        return ItemKind::None;
    }
    bool startsTypeWord(std::string_view type) const;
    bool matchHeaderPattern(std::string_view line, LineClass& c);

    const KeywordSet& keywords_;
    ColumnLayout columns_;
    bool defaultColumns_;
    HeaderPattern pattern_;
    // A `contains` keyword with a blank in it can reach over several fields; such lines are
    // normalised into this buffer to be compared. The name is the field before the keyword.
    bool containsHasBlank_;
    int headerNameField_;
    char typeStarts_[2];  // the first bytes of the two type words
    std::string normalised_;
};

// The pieces the classifier is made of, which the structure builder uses too.

// Leading and trailing blanks removed, every run of blanks made one blank (blank = byte 32 only),
// written over the line's own bytes; returns the new length.
size_t normaliseInPlace(char* line, size_t length);

// The (normalised) line ends with the `contains` keyword.
bool isBlockHeader(std::string_view line, std::string_view containsKeyword);

// Which field of a header line names its assembly: the one before the `contains` keyword, -2 for
// a keyword of one word, -3 for one of two words ("contient :"), and so on.
int headerNameField(std::string_view containsKeyword);

// Field n of a line as it would be once normalised, taken straight from the line as read: the
// n-th piece of the line cut at every blank; n = -1 is the last piece, -2 the one before. A piece
// that does not exist is empty.
std::string_view fieldOfRawLine(std::string_view line, int n);

// Cell n of a table row: the n-th piece of the line cut at every separator byte, from the start
// (1, 2, ...) or from the end (-1, -2, ...), without the blanks around it. Empty when the line
// has no such cell.
std::string_view cellOfLine(std::string_view line, char separator, int n);

// Every cell of a line, as fieldOfRawLine (separator 0) and cellOfLine (a separator byte) take
// them one at a time: words cut at runs of blanks, none for a blank line; or the pieces between
// separator bytes without the blanks around them, one empty cell for an empty line.
std::vector<std::string_view> cellsOfLine(std::string_view line, char separator);
// The same cells appended to `cells`, for many lines' cells in one vector.
void appendCellsOfLine(std::string_view line, char separator, std::vector<std::string_view>& cells);

// The text begins with a number, as a quantity does.
bool startsWithNumber(std::string_view text);

// Field 1 as a quantity. A value outside the 32-bit range is reported as such and counts 0.
struct Quantity {
    int32_t value = 0;
    bool outOfRange = false;
};
Quantity readQuantityField(std::string_view firstField);

}  // namespace trelk
