// The reading of an export by its layout (engine/reading/export_layout.h), for the layouts the line
// classifier does not read (a format file's above all): every line that is not blank is the next
// line the layout prints there, or the reading stops at it and says so. Nothing is guessed and
// nothing is skipped: a format file that does not fit its export is an error, never an empty or a
// wrong reading.
//
// One pass over the lines, each line tried against the few templates that may come at that point
// (a row, its continuation, the lines after the rows, the next block's header, the summary): the
// one that fits with the most literal text wins, so a header is never taken for a row. Then the
// names: a name cut by its field's precision is named by the one longer form the export prints
// (a block header, the summary) that starts with it, a cut type word by the one type word it
// starts; sub-assemblies are told from parts by their type word, else by having a block. The
// result is a BomStructure as the other readings give it, and the rows' other cells as attributes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reading/bom_structure.h"
#include "engine/reading/export_layout.h"
#include "engine/reading/item_attributes.h"

namespace trelk {

// The first line that does not fit.
struct LayoutMisfit {
    uint32_t line = 0;     // from 1, as the lines are counted when the file is read
    std::string text;      // the line, cut after 60 characters
    std::string expected;  // what the layout prints there ("a row, the lines after the rows, ...")
};

struct LayoutReading {
    std::shared_ptr<const BomStructure> structure;  // null when the file does not fit
    ItemAttributes attributes;
    std::optional<LayoutMisfit> misfit;
    // The layout prints no breakdown: the structure has one block, the main assembly's, that holds
    // the summary's parts with their totals, and no summary to check them against.
    bool summaryOnly = false;
    size_t roundedQuantities = 0;  // quantities that are no whole number, counted rounded
    // Cut names and type words left as printed: each starts more than one longer form, and the
    // rows that print it may stand for either.
    size_t ambiguous = 0;
    // What the reading has to say, in order: cut names matched, names left as printed, rounded
    // quantities, lines after the summary left unread.
    std::vector<std::string> log;
};

// Reads the bytes of an export (its line ends and byte-order mark as the BOM file's rules take
// them) by the layout. The structure's line count is that of the file.
LayoutReading readByLayout(std::string_view bytes, const ExportLayout& layout);

namespace messages {
inline constexpr std::string_view kDoesNotFit = " does not fit the BOM format file, which prints ";
// "BOM file line 17 does not fit the BOM format file, which prints a row or ... there: <line>"
std::string doesNotFit(const LayoutMisfit& misfit);
std::string roundedQuantity(uint32_t line, std::string_view printed, int64_t counted, std::string_view item);
}  // namespace messages

}  // namespace trelk
