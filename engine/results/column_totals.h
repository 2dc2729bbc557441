// The totals of an export's numeric attribute columns through the tree (a mass, a weight, a cost):
// for the whole build and for each assembly, and beside them what the export's own total lines say.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trelk {

struct ColumnTotal {
    size_t column = 0;  // in the analysis's attribute columns
    std::string title;
    // Decimal texts with the most decimals the column prints ("1234.560"): quantity x value of
    // every part of the whole build (the build quantity's machines), an item without a value counted
    // as 0. Empty when the sum is too large to hold.
    std::string total;
    // The export's total line under its summary, as printed: for one build.
    std::optional<std::string> listed;
    // What that line was checked against (every part of one build), and whether it is further from
    // it than the printed values' rounding allows.
    std::string checked;
    bool differs = false;
    // Each assembly reached, by name: quantity x value of every part below it for one of it, and
    // the total line under its block, which sums its own rows (each member's own value).
    struct Assembly {
        std::string_view name;
        std::string total;
        std::optional<std::string> listed;
        // The sum of the block's own rows that its line was checked against, and whether they differ.
        std::string checked;
        bool differs = false;
    };
    std::vector<Assembly> assemblies;
};

}  // namespace trelk
