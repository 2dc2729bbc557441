// One line of an export against one line of its layout (engine/reading/export_layout.h): where each field
// stands and what it holds, or that the line does not fit. The layout reader (engine/reading/layout_reader.h)
// tries the few lines of the layout that may come at a point; a recognition can try its guesses
// the same way.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/reading/export_layout.h"

namespace trelk {

// The text without the blanks and TABs around it.
std::string_view trimBlanks(std::string_view text);

// A line cut into characters: UTF-8 sequences, or bytes for an export in a code page. The widths
// of a format count characters.
class CharLine {
public:
    CharLine(std::string_view bytes, bool utf8) : bytes_(bytes) {
        const bool ascii =
            std::none_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
        if (ascii || !utf8) {
            count_ = bytes.size();
            return;
        }
        for (size_t i = 0; i < bytes.size(); ++i)
            if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80 || i == 0) at_.push_back(i);
        count_ = at_.size();
        at_.push_back(bytes.size());
    }
    size_t size() const { return count_; }
    size_t byteAt(size_t c) const { return at_.empty() ? c : at_[c]; }
    std::string_view slice(size_t from, size_t to) const {
        return bytes_.substr(byteAt(from), byteAt(to) - byteAt(from));
    }
    char first(size_t c) const { return bytes_[byteAt(c)]; }
    bool blank(size_t c) const { return first(c) == ' '; }
    bool digit(size_t c) const { return c < count_ && first(c) >= '0' && first(c) <= '9'; }
    std::string_view bytes() const { return bytes_; }

private:
    std::string_view bytes_;
    std::vector<size_t> at_;
    size_t count_ = 0;
};

// A template made ready for matching: its pieces one after the other, each with its cell.
struct TemplatePiece {
    bool isField = false;
    // Blanks that widen the cell to the width of its title, when the title is the wider: `chars`
    // is then the cell's width, from its first piece on.
    bool pad = false;
    std::string_view text;  // literal bytes
    size_t chars = 0;       // literal characters
    int score = 0;          // literal characters other than blanks and TABs
    const LayoutField* field = nullptr;
    size_t cell = 0;
    size_t cellFirst = 0;  // the cell's first piece
};

struct PreparedLine {
    const LineTemplate* source = nullptr;
    std::vector<TemplatePiece> pieces;
    // A Words template as the words a line must hold: each literal word, or a field (whose word
    // is then empty). Split once here rather than at every line.
    struct Word {
        const LayoutField* field = nullptr;
        std::string_view word;
    };
    std::vector<Word> words;
};

// A row's template, given its title rows: a cell whose title is wider than the cell itself (its
// literal characters and its fields' widths) is widened to the title, its rows padded with blanks.
// A cell with a field of no width has no width to widen: its rows are as long as they are.
PreparedLine prepareLine(const LineTemplate& line, bool utf8, const std::vector<LineTemplate>& titles = {});

// What a field of a matched line holds.
struct FieldValue {
    const LayoutField* field = nullptr;
    size_t piece = 0;
    size_t begin = 0, end = 0;  // characters of the line
    // Where the field or the widened cell before it ends: a text too wide for its field goes on
    // below from there.
    size_t restBegin = 0;
    std::string text;  // without the blanks around it
};

struct LineMatch {
    bool fits = false;
    int score = 0;
    std::vector<FieldValue> values;
};

// A line against a prepared template: a Printed one by characters and widths, a Words one by its
// words. The fields of a line that fits, and how much literal text it matched (the score that
// tells a header from a row that happens to fit it too).
LineMatch matchLine(const PreparedLine& line, std::string_view text, bool utf8);

// A word that starts with a quantity of `decimals` decimals glued to the text after it
// ("20.000BOLT_M8"): the quantity and the rest. The rest is empty when the word is no such quantity
// followed by text.
std::pair<std::string_view, std::string_view> splitGluedQuantity(std::string_view word, int decimals);

// A row cut into cells by a separator or at blanks: the cells of the roles, and every other cell
// as a value without field (its `piece` is the cell's number from 0).
LineMatch matchCells(const RowLayout& row, std::string_view text);

// A title row's lines matched loosely: the same text once the blanks and TABs are gone, so that
// any padding of the titles fits; and the separator of rows cut into cells, which a title row of
// a recognised layout holds between its cells.
bool titlesFit(const LineTemplate& titles, std::string_view line, char separator = 0);

}  // namespace trelk
