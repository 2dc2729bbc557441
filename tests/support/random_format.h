// Random BOM format files of the kinds companies write: cells by `|`, TAB, blanks or glued
// together, or fixed columns in one cell; names and type words cut or whole, the name first, last
// or between; quantities as whole numbers or decimals; parameter columns titled in several
// languages and scripts; label lines, free text and parameters around the name in block headers;
// total lines; a summary under a company heading, under none, or alone (no breakdown).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/bom_product.h"
#include "support/format_render.h"

namespace trelk::testing {

// One column of a table, for tests that check what a reader makes of it.
struct FormatColumn {
    std::string field;  // "$quantity", "$name", "$type" or a parameter's name
    std::string title;  // as written, without the separator in front; empty when the table has none
    std::string spec;   // its width and cut as written ("[-18.18s]"), or empty
};

struct FormatTable {
    bool present = false;
    std::vector<FormatColumn> columns;  // in the order printed
    std::vector<std::string> totals;    // what its total lines add up: "$quantity" or a parameter
};

struct RandomFormat {
    std::string text;  // the format file, UTF-8 with LF line ends
    RenderOptions options;
    std::vector<Parameter> parameters;  // formatParameters(text): what randomProduct should give
    FormatTable breakdown, summary;
};

RandomFormat randomFormat(uint64_t seed);

}  // namespace trelk::testing
