// How an export is laid out: the one description every reading of a BOM file goes by. It is filled
// from the company's BOM format file (engine/reading/bom_format_file.h: exact, every literal text and field
// width known), from the words and columns of the settings (fromKeywords: the CAD system's own
// layout, `KeywordSet` and `ColumnLayout`), or from the evidence of the file itself
// (engine/recognition/export_recognition.h: cells and their roles, a header with the name's place, no widths).
//
// What the CAD system prints from a format, and where each part of it lives here:
//
//   prolog                 printed once, before the first section: a title, a rule
//   breakdown              one block per distinct assembly, the main assembly first:
//     heading                the block header, one or more lines filled for the block's assembly
//     titles                 the column-title rows
//     rows                   one per member; a field wider than its width and not cut goes on
//                            below its cell, on continuation lines
//     trailer                printed after the rows of every block: rules, total lines
//   summary                printed once, every part with its total quantity:
//     heading, titles, rows, trailer, as above
//
// Blank lines carry nothing but where a block's rows end: the readings skip them wherever they
// stand, except that an empty first trailer line (a format's empty line after `.row`) ends the
// rows, which matters when a summary without heading follows. A format may lack either section
// (a summary-only format prints no tree at all). A title wider than its cell widens the cell: its
// rows are padded to the title's width (engine/reading/line_match.h).
//
// Type words: `subAssemblyWord` and `partWord` are the settings' keywords; the reading adds the
// word a sub-assembly's block header prints, matches cut words to the one word they start, and
// tells other words by whether their rows name assemblies with blocks. A row without a type field
// is a sub-assembly when a block has its name and it is not the block's own (no assembly holds
// itself). Names cut by a precision are named by the one longer form printed elsewhere.
//
// Every printed line is a LineTemplate: literal text and fields, cut into cells where the format
// file writes ';'. How a line is matched depends on what is known of it:
// - Printed: the characters as the format prints them. A field of width W takes W characters
//   (counted in characters, not bytes), padded with blanks on the side its alignment leaves
//   free; a number wider than W takes its own width; a text with a precision P is cut after P
//   characters; two fields with nothing between them are glued; a line never ends in blanks or
//   TABs. A format file gives this.
// - Words: the line with its runs of blanks made one, its fields words (a parameter: any text),
//   the literal text normalised the same way. The settings' words, or a guess, give this: a
//   header is known by its words and the name's place among them, without widths.
//
// The rows of a block are cut into cells by one of three rules (RowLayout::split):
// - Printed: by the row's template, as above; its fields say what each one holds.
// - Separator: at a separator character ('|', TAB), each cell without the blanks around it;
//   `cells` says which cell holds what, counted 1, 2, ... from the start or -1, -2, ... from the end.
// - Blanks: at runs of blanks, each word a cell; `cells` as above (the CAD system's own layout:
//   quantity 1, type 2, name -1).
//
// For a reading by recognition: fill `origin` with Recognised, the rows by Separator or Blanks
// with the roles of the cells found (a title row as one literal LineTemplate whose cells stand
// over the row's cells: the attributes take their names from it), the block header as one or more
// Words templates with the name's field where the name was found and the words around it as
// literal text (Ignored fields for words that change from block to block, such as a type word),
// and the summary's heading likewise; leave the widths at 0, but give a name or type cell the
// precision its rows are seen cut at (the reader then matches cut texts as for a format file).
// A guess is tried on a line by
// engine/reading/line_match.h, as the reader tries the layout's lines. describeLayout() then logs it as
// it logs a format file's layout, and wordReading() says whether the line classifier's fast
// reading can take it (engine/reading/line_classifier.h; the default layout is read so, as fast as ever)
// or the layout reader must (engine/reading/layout_reader.h: strict, every line placed, and the rows'
// other cells kept as attributes).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/request/run_options.h"

namespace trelk {

// What a field of a line holds.
enum class FieldRole : uint8_t {
    Quantity,   // %$quantity: the member's quantity in its block, or a part's total in the summary
    Type,       // %$type: the type word ("Part", "Sub-Assembly"; in a header "Assembly" too)
    Name,       // %$name: the member's name, or in a header, the summary's heading or the prolog
                // the assembly's
    Parameter,  // %PARAM: a model parameter, named by `parameter` ("mass", "DESCRIPTION")
    Total,      // %[$total(x)]: the sum over the rows of quantity x the parameter x, or with x
                // "$quantity" the number of parts; `parameter` is x
    Ignored,    // text that the reading does not look at: a system field it does not know, or a
                // word of a guessed header that changes from block to block
};

// How a field is printed: "[W]", "[-W]", "[W.P]", each with a conversion "s", "d" or "f".
struct FieldFormat {
    int width = 0;  // at least this many characters; 0: as long as the value
    bool leftAligned = false;
    // A text is cut after this many characters, a number ("f") has this many decimals ("f" alone:
    // six); -1: none given.
    int precision = -1;
    char conversion = 0;  // 's', 'd' or 'f'; 0: none given

    bool numeric() const { return conversion == 'd' || conversion == 'f'; }
    // The decimals an "f" number is printed with.
    int decimals() const { return conversion != 'f' ? 0 : precision < 0 ? 6 : precision; }
    // A text that is cut when longer than this; -1 when it never is.
    int cutAt() const { return numeric() ? -1 : precision; }
    // A text longer than the width goes on below its cell rather than being cut.
    bool wraps() const { return !numeric() && width > 0 && precision < 0; }
    bool operator==(const FieldFormat& o) const {
        return width == o.width && leftAligned == o.leftAligned && precision == o.precision &&
               conversion == o.conversion;
    }
};

struct LayoutField {
    FieldRole role = FieldRole::Ignored;
    std::string parameter;  // Parameter and Total: the parameter's name as the format writes it
    FieldFormat format;
    bool operator==(const LayoutField& o) const {
        return role == o.role && parameter == o.parameter && format == o.format;
    }
};

// A piece of a line: literal text printed as written, or a field.
struct LinePiece {
    bool isField = false;
    std::string text;  // the literal text (UTF-8); empty for a field
    LayoutField field;
    bool operator==(const LinePiece& o) const {
        return isField == o.isField && text == o.text && (!isField || field == o.field);
    }
};

// One printed line: its cells in order (a line that the format file does not cut has one cell),
// each a list of pieces.
struct LineTemplate {
    enum class Match : uint8_t { Printed, Words };
    Match match = Match::Printed;
    std::vector<std::vector<LinePiece>> cells;

    // The fields in order, over all cells.
    std::vector<const LayoutField*> fields() const;
    // The first field of that role, or null.
    const LayoutField* find(FieldRole role) const;
    // Only literal text, all of it blanks and TABs, or nothing: the line may be printed blank.
    bool literalOnly() const;
    // The literal text of all cells, one after the other.
    std::string literalText() const;
    // The first piece of literal text that is not all blanks, without the blanks around it.
    std::string firstLiteral() const;
    bool operator==(const LineTemplate& o) const { return match == o.match && cells == o.cells; }
};

// Which cell of a row cut by a separator or at blanks holds what.
struct CellRole {
    int cell = 0;  // 1, 2, ... from the start; -1, -2, ... from the end
    LayoutField field;
    bool operator==(const CellRole& o) const { return cell == o.cell && field == o.field; }
};

struct RowLayout {
    enum class Split : uint8_t { Printed, Separator, Blanks };
    Split split = Split::Blanks;
    char separator = 0;           // Separator: the byte between the cells ('|', TAB)
    LineTemplate printed;         // Printed: the row as the format prints it
    std::vector<CellRole> cells;  // Separator and Blanks: the cells read; other cells are attributes
    // Blanks: the first word is a quantity with this many decimals, glued to the next cell where it
    // fills its field ("20.000BOLT_M8"), and cut there; -1: never glued.
    int gluedDecimals = -1;
    bool operator==(const RowLayout& o) const {
        return split == o.split && separator == o.separator && printed == o.printed && cells == o.cells &&
               gluedDecimals == o.gluedDecimals;
    }
};

// The lines printed for each block of the breakdown, or once for the summary.
struct SectionLayout {
    std::vector<LineTemplate> heading;  // the block header, or the summary's heading
    std::vector<LineTemplate> titles;   // column-title rows
    RowLayout row;
    // After the rows: rules, total lines, and empty lines (literalOnly()), which end the rows.
    std::vector<LineTemplate> trailer;
    bool operator==(const SectionLayout& o) const {
        return heading == o.heading && titles == o.titles && row == o.row && trailer == o.trailer;
    }
};

struct ExportLayout {
    enum class Origin : uint8_t { Keywords, FormatFile, Recognised };
    Origin origin = Origin::Keywords;
    std::vector<LineTemplate> prolog;
    std::optional<SectionLayout> breakdown;  // none: a summary-only format
    std::optional<SectionLayout> summary;    // none: the format prints no summary
    // The type words of the rows (translated with the CAD system's interface). A format file does
    // not name them: the settings' keywords do, and a block header's %$type adds the word of its
    // sub-assemblies.
    std::string subAssemblyWord = "Sub-Assembly", partWord = "Part";
    bool operator==(const ExportLayout& o) const {
        return origin == o.origin && prolog == o.prolog && breakdown == o.breakdown && summary == o.summary &&
               subAssemblyWord == o.subAssemblyWord && partWord == o.partWord;
    }
};

// Pieces and lines of a guessed layout: literal text, a field of that role (no width), and one
// Words line of those pieces.
LinePiece literalPiece(std::string text);
LinePiece fieldPiece(FieldRole role);
LineTemplate wordsLine(std::vector<LinePiece> pieces);

// The layout that the words and columns describe: the breakdown's header a Words line that ends
// with the `contains` keyword after the name (or the columns' header pattern), rows cut at blanks
// or at the separator, the summary a Words line with the `SummaryOfParts` keyword before the name.
ExportLayout fromKeywords(const KeywordSet& keywords, const ColumnLayout& columns);

// The words and columns of the line classifier's reading when the layout is one it can read (a
// Words header of one line with the name's place, rows cut at blanks or a separator with the
// quantity and the name in cells, nothing printed besides); nothing when the layout reader must
// read it. fromKeywords(k, c) gives back k and c (the classifier's summary keyword stands for
// the summary's heading).
struct WordReading {
    KeywordSet keywords;
    ColumnLayout columns;
};
std::optional<WordReading> wordReading(const ExportLayout& layout);

// A line in the syntax of a format file: "%$quantity[4d];|%$name[-16.16s]".
std::string templateText(const LineTemplate& line);

// What the layout is, for a log line: 'block header "%$type %$name contains:", rows "..."', or
// for rows cut into cells, the cells' roles ("cells separated by "|", quantity in column 2, ...").
std::string describeLayout(const ExportLayout& layout);

namespace messages {
inline constexpr std::string_view kFormatLayout = "Layout of the BOM format file: ";
}  // namespace messages

}  // namespace trelk
