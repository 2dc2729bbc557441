// Numeric attribute columns totalled through the tree: a mass, a weight or a cost (by the column's
// title or parameter, in the interface languages the CAD system has), or a column the request names.
// Each is summed for the whole build and for every assembly, in exact decimals, and checked
// against the export's own total lines within the rounding of what it printed: half a unit of
// each value's last printed digit, times its quantity, and half a unit of the total line's own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reading/item_attributes.h"
#include "engine/request/run_request.h"
#include "engine/results/column_totals.h"
#include "engine/results/result_tables.h"

namespace trelk {

// The title or parameter names a mass, a weight or a cost.
bool namesAnAmount(std::string_view title);

struct ColumnRollup {
    std::vector<ColumnTotal> totals;
    size_t differences = 0;  // total lines further from the sum than their values' rounding allows
};

// The columns to total: numeric ones that name an amount or that `sumColumns` names (by title or
// parameter, letters of either case). Logs a named column that is not there or holds no numbers,
// and every total line that does not agree. Nothing is done, and nothing logged, for an export
// without attribute columns and no named ones.
ColumnRollup rollUpColumns(const ItemAttributes& attributes, const ResultTables& tables, int64_t buildQuantity,
                           const std::vector<std::string>& sumColumns, const LogSink& log);

}  // namespace trelk
