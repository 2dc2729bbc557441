#include "engine/summary_check.h"

#include <algorithm>

namespace trelk {

namespace messages {
std::string summaryDiffers(int64_t counted, int64_t listed, std::string_view name) {
    std::string text(kSummaryDiffers);
    text += formatSignedDecimal(counted);
    text += ", listed";
    text += formatSignedDecimal(listed);
    text += " - ";
    text += name;
    return text;
}
}  // namespace messages

std::vector<std::string> summaryDifferences(const TotalsTable& partTotals, const std::vector<SummaryRow>& rows,
                                            size_t limit) {
    // The rows in name order, a name's quantities summed; then one walk along both sorted lists.
    std::vector<const SummaryRow*> sorted;
    sorted.reserve(rows.size());
    for (const SummaryRow& row : rows) sorted.push_back(&row);
    std::sort(sorted.begin(), sorted.end(), [](const SummaryRow* a, const SummaryRow* b) { return a->name < b->name; });

    std::vector<std::string> lines;
    size_t differences = 0;
    auto differ = [&](int64_t counted, int64_t listed, std::string_view name) {
        if (++differences <= limit) lines.push_back(messages::summaryDiffers(counted, listed, name));
        else if (differences == limit + 1) lines.emplace_back(messages::kFurtherSummaryDifferences);
    };
    size_t t = 0, r = 0;
    while (t < partTotals.count() || r < sorted.size()) {
        const std::string_view totalName = t < partTotals.count() ? partTotals.names[t] : std::string_view();
        const bool takeTotal = t < partTotals.count() && (r == sorted.size() || totalName <= sorted[r]->name);
        const std::string_view name = takeTotal ? totalName : std::string_view(sorted[r]->name);
        int64_t listed = 0;
        for (; r < sorted.size() && sorted[r]->name == name; ++r) listed += sorted[r]->quantity;
        if (takeTotal) {
            const Tally& total = partTotals.totals[t++];
            if (!total.outOfRange() && total.value() != listed) differ(total.value(), listed, name);
        } else if (listed != 0) {
            differ(0, listed, name);
        }
    }
    return lines;
}

bool logSummaryDifferences(const TotalsTable& partTotals, const BomStructure& bom, const LogSink& log) {
    if (!bom.hasSummary()) return false;
    const std::vector<std::string> lines = summaryDifferences(partTotals, bom.summaryRows());
    for (const std::string& line : lines) log(line);
    return !lines.empty();
}

}  // namespace trelk
