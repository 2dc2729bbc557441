// Signs that a reading went wrong although it came to an end, which the run must not pass over in
// silence: a file with rows of which none was read as a member (its words or its layout are not
// those in use). The other sign, totals that differ from the export's own summary in most parts,
// is the summary check's (engine/rollup/summary_check.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/reading/bom_structure.h"
#include "engine/rollup/rollup.h"

namespace trelk {

// No member was read: the tables hold no where-used entry, as every member line of every block
// gives one.
bool tookNoRow(const ResultTables& tables);

// A line that looks like a row of a table: two words or more, cut at blanks, TABs, '|' and ';',
// among the first eight one a number and one no number.
bool looksLikeRow(std::string_view line);

// Most of the item lines read have no number where the quantity stands: the columns in use are
// not the file's (a name or a type taken for the quantity), and every total would be 0 or wrong.
bool quantitiesMissing(size_t rowsWithoutQuantity, size_t rows);

// The lines of the bytes that look like rows of a table: two words or more, cut at blanks, TABs,
// '|' and ';', among the first eight one a number and one no number.
size_t rowsIn(std::string_view bytes);

// Sub-assemblies, by their rows' type word, that have no block of their own: the CAD system prints
// one for each, so a reading by recognised words that meets one has misread the file (a cut name,
// a header rule that misses blocks).
size_t assembliesWithoutBlock(const BomStructure& bom);

namespace messages {
std::string noRowRead(size_t rows);
std::string assembliesWithoutBlock(size_t count);
inline constexpr std::string_view kRecognisedContainsItself =
    "An assembly of the BOM file contains itself by the keywords and layout recognised in it: they do not fit it!";
std::string noQuantityRead(size_t rowsWithoutQuantity, size_t rows);
}  // namespace messages

}  // namespace trelk
