// The words and the layout of an export, recognised from its structure when the keywords and
// columns in use find no main assembly in it: a CAD system in another interface language writes
// its own words ("Baugruppe FUSS enthält:", types "Teil" and "Unterbaugruppe"), and a company's
// BOM format often writes a table of its own making.
//
// What the file itself shows is the evidence, in any language and script: rows of a table or item
// lines (a quantity, perhaps a type word, a name); block headers, the lines before rows that name
// a member of another block, and the words around the name they share; the type word of the
// members that have blocks (the sub-assembly word) beside the other (the part word); and the
// summary, a line that names the main assembly before rows of parts. Several readings may fit; the
// one whose totals agree with the file's own summary, and that finds the most blocks, is taken.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/reading/export_layout.h"
#include "engine/request/run_options.h"

namespace trelk {

struct RecognisedExport {
    KeywordSet keywords;
    ColumnLayout columns;
    bool wordsRecognised = false;   // some keyword differs from those in use
    bool layoutRecognised = false;  // the columns differ from those in use
    // The column titles of the file's title row above the quantity, type and name, where it has one.
    std::string quantityTitle, typeTitle, nameTitle;
    // A layout the keywords and columns cannot describe (block headers with other words and free
    // text around the name, a summary with cells of its own): the file is then read by the layout
    // reader, and `columns` says only where the cells are, for the log.
    std::optional<ExportLayout> layout;
    // No other reading of the bytes was as well proven: only the rows read or a type column
    // preferred a rival. Recognised from a sample, an unsettled choice is made again on the whole
    // file, whose further blocks may prefer the rival.
    bool settled = true;
};

// The reading the export's bytes settle, or nothing when they do not settle one: no rows, no
// header before them, or no evidence that the header found is one (a second block naming a
// member, or a summary that agrees with the totals). `steps`, when given, receives the work it
// took, which the tests bound instead of timing it: the bytes of lines its scans went over, each
// scan counted, the bytes its trial readings read and the item lines their roll-ups walked.
std::optional<RecognisedExport> recogniseExport(std::string_view bytes, const KeywordSet& inUse,
                                                const ColumnLayout& columnsInUse, uint64_t* steps = nullptr);

// The log lines that say what was recognised: "Keywords recognised in the BOM file: ..." naming
// the keywords the reading goes by, and "Layout recognised in the BOM file: ..." naming the
// columns.
std::string describeKeywords(const RecognisedExport& recognised);
std::string describeLayout(const RecognisedExport& recognised);

namespace messages {
inline constexpr std::string_view kKeywordsRecognised = "Keywords recognised in the BOM file: ";
inline constexpr std::string_view kLayoutRecognised = "Layout recognised in the BOM file: ";
}  // namespace messages

}  // namespace trelk
