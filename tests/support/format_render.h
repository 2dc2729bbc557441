// The CAD system's BOM export, rendered the way the CAD system renders it: a BOM format file
// filled in for a product. The tests of every reader of company layouts stand on it, so it is
// written from what the CAD system is known to print, not from any reader.
//
// What the support library promises, in the order a test takes it:
//   support/random_format.h  randomFormat(seed): a random format file, the options to render it
//                            with (type words in some language, line ends, byte-order mark), the
//                            parameters its fields name and where each column stands.
//   support/bom_product.h    randomProduct(seed, shape): a random Product of models carrying those
//                            parameters; ProductBuilder for products written by hand.
//   this file                renderExport(format, product, options): the exact bytes of the export.
//   support/bom_product.h    truthOf(product): what a reader must find in that export, by plain
//                            recursion of its own: every model's quantity in the whole build, the
//                            blocks' and the summary's order, each numeric parameter summed through
//                            the tree per assembly, and what each block's total lines add up.
// An attribute's value as an export prints it is printField(column spec, the model's value).
//
// The rules rendered:
// - Sections `.breakdown` and `.summary`, either or both. Lines before the first section are
//   printed once at the top; the lines after `.breakdown` up to `.titles`/`.row` are the block
//   header, printed for every assembly block; the lines after `.summary` up to its `.titles`/`.row`
//   the summary's heading. `.titles` lines (column titles) and the `.row` line follow, their text
//   starting after one blank; lines after `.row` (blank lines, rules, total lines) are printed
//   after every block's rows and after the summary's.
// - Fields: `%$name`, `%$type`, `%$quantity`, `%PARAM` (a model parameter; blanks when the model
//   lacks it), `%[$total(PARAM)]` (quantity x value over the rows above it) and
//   `%[$total($quantity)]` (the rows' quantities added). Each may be followed by `[W]`, `[-W]`,
//   `[Ws]`, `[Wd]`, `[W.Ps]`, `[W.Pf]`: at least W characters, right-aligned unless '-'; `s` cut
//   after P characters; `f` with P decimals (six when no P is given); `d` a whole number.
// - Widths count characters (UTF-8), not bytes. A text wider than a width with no precision is not
//   cut: its first W characters stand in the line, the rest goes W at a time onto the following
//   lines, with every other cell blank.
// - `.titles` and `.row` lines are cut into cells at `;`, which prints nothing (in every line of
//   the format); anything else, blanks, `|` and TABs included, is printed as written. A title is
//   padded with blanks to its cell's width: the cell's literal characters plus its fields' widths.
// - No printed line ends in blanks or TABs.
// - One block per distinct assembly: the main one first, then depth first in member order, each
//   sub-assembly once; one row per member with its quantity in that block. The summary lists
//   every part once with its quantity in the whole build.
// - `%$type` prints the options' words: the main assembly's and a sub-assembly's in block headers
//   (the main one's in the heading and lines at the top), the row words for a sub-assembly and a
//   part in rows. `%$name` and `%PARAM` outside rows are the block's assembly (the main one at the
//   top and in the summary).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/bom_product.h"

namespace trelk::testing {

// The type words of one interface language.
struct TypeWords {
    std::string mainAssembly = "Assembly";     // the main assembly's block header
    std::string subAssembly = "Sub-Assembly";  // a sub-assembly's block header
    std::string subAssemblyRow = "Sub-Assembly";
    std::string partRow = "Part";
};

// English first, then German, Japanese, Russian and Chinese.
const std::vector<TypeWords>& typeWordSets();

struct RenderOptions {
    TypeWords words;
    std::string lineEnd = "\r\n";
    bool byteOrderMark = false;  // UTF-8's, before the first line
};

// The export of the product by the format file (UTF-8; CR LF or LF line ends).
std::string renderExport(std::string_view formatText, const Product& product, const RenderOptions& options = {});

// What one field prints for a value by its width and cut ("[-8.3f]", or "" for none), before a
// too-wide text is wrapped; null: a model without the parameter.
std::string printField(std::string_view spec, const std::string* value);

// The parameters a format's fields name: numeric when printed as a number (`d`, `f`) or totalled,
// with as many decimals as every number field of it prints exactly (at most three).
std::vector<Parameter> formatParameters(std::string_view formatText);

// The CAD system's built-in format, used when no format file is configured. With German words it
// wraps "Unterbaugruppe" in the type column: `     1 Unterbaugrup  FUSS`, then `      pe`.
extern const std::string_view kDefaultFormat;
// The built-in format of another interface language, whose block header and summary heading are
// translated too: defaultFormatIn("%$type %$name enthält:",
// "Zusammenfassung der Teile der Baugruppe %$name:").
std::string defaultFormatIn(std::string_view blockHeader, std::string_view summaryHeading);

// Company layouts, each of the kind seen in real exports:
// TAB cells, German label lines above each block (the model name after a label and TABs) and a
// title row; the summary is one more such block, told apart only by a label's value.
extern const std::string_view kGermanLabelsFormat;
// Names cut to 18 characters in rows and 20 in the summary, whole in block headers; type words
// cut to 9 ("Sub-Assem"); the name before the type; a cost column and a total cost line.
extern const std::string_view kCutNamesCostFormat;
// `|` cells, name first, quantity as a decimal ("2.000"), type cut to 9; a block header with the
// name in the middle and free text after it (type, colon, name, revision, description).
extern const std::string_view kPipeNameFirstFormat;
// The same header; cells glued where a field fills its width ("1.000FOREARM_SHELL_TOP"); a mass
// column and a total mass line after each block.
extern const std::string_view kGluedMassFormat;
// No breakdown: a title and a drawing number, then `|` cells of description, quantity, drawing
// number, model name and notes for every part.
extern const std::string_view kSummaryOnlyFormat;

}  // namespace trelk::testing
