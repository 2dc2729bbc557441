// The rest of an export's table: every cell of a row besides quantity, type and name (part
// numbers, descriptions, materials, masses, costs, which purchasing orders by), kept per item as
// a named attribute, and the total lines the export prints under its blocks and its summary.
//
// Filled by the layout reader (engine/reading/layout_reader.h) from the rows of the breakdown and of the
// summary and from the fields of a block header (an assembly's own parameters); the readings by
// the settings' words keep none. The values are kept as printed, numbers also as exact decimals
// with the number of decimals they were printed with, so that a column can be summed through the
// tree and checked against the export's own total lines within the rounding of what it printed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reading/line_classifier.h"

namespace trelk {

// A value as the export prints it.
struct AttributeValue {
    std::string text;  // without the blanks around it; empty: the model lacks the parameter
    // A number ("-12", "0.350"): its value is units / 10^decimals, exactly as printed.
    bool numeric = false;
    int64_t units = 0;
    int decimals = 0;

    // The value of a printed text: numeric when it is an optional "-", digits and perhaps a point
    // and digits (at most 18 digits in all).
    static AttributeValue of(std::string_view printed);
    bool empty() const { return text.empty(); }
    // The same value within the rounding of the coarser of the two: half a unit of its last
    // printed digit ("0.012" and "0.0123" are; "0.012" and "0.014" are not). Texts: the same bytes.
    bool agrees(const AttributeValue& other) const;
};

// A column of attributes, in the order the export first prints it.
struct AttributeColumn {
    // Its name for people and outputs: the column's title as the export prints it, else the
    // parameter the format file prints there, else "column N" (N its cell in the row, from 1).
    std::string title;
    std::string parameter;  // the model parameter printed there, when a format file names it ("mass")
    bool numeric = false;   // every value given in it is a number, and there is one
};

// One item's attributes: one per column, empty where no row printed a value.
struct ItemAttribute {
    // The value printed with the most decimals; for a text, the first printed.
    AttributeValue value;
    // Rows of the item print values that do not agree (a part listed with two masses, a changed
    // description in one block): `value` is then only one of them.
    bool disagrees = false;
    // Every print of the text is cut at its field's precision: the value may go on. A text cut in
    // one place and whole in another is the whole one, and no disagreement.
    bool cut = false;
};

struct ItemAttributeRow {
    std::string name;  // as the result tables name it (a cut name by its full form)
    // SubAssembly for an assembly (the main one too), Part for a part: an assembly and a part
    // may share a name.
    ItemKind kind = ItemKind::Part;
    std::vector<ItemAttribute> values;  // by column
};

// A total line of the export: %[$total(x)] under a block (that assembly's own rows: quantity x
// value summed) or under the summary (the whole product).
struct ListedTotal {
    static constexpr size_t kNoColumn = ~size_t{0};
    std::string parameter;      // x as the format names it; "$quantity": the number of parts
    size_t column = kNoColumn;  // the attribute column of that parameter, when the rows print one
    std::string assembly;       // the block's assembly; empty for the summary's total
    AttributeValue value;
    uint32_t line = 0;  // in the BOM file, from 1
};

struct ItemAttributes {
    std::vector<AttributeColumn> columns;
    std::vector<ItemAttributeRow> items;  // by name in byte order, then assembly before part
    std::vector<ListedTotal> totals;      // in file order

    bool empty() const { return columns.empty() && totals.empty(); }
    // The item's row, or null.
    const ItemAttributeRow* find(std::string_view name, ItemKind kind) const;
    // Items whose rows disagree on some attribute.
    size_t disagreeing() const;
};

}  // namespace trelk
