#include "engine/rollup/summary_check.h"

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
std::string totalLineDiffers(int64_t counted, int64_t listed) {
    return std::string(kTotalLineDiffers) + formatSignedDecimal(counted) + ", listed" + formatSignedDecimal(listed);
}
std::string mostPartsDiffer(size_t differing, size_t parts) {
    return "Totals differ from the summary of parts in the BOM file in " + std::to_string(differing) + " of " +
           std::to_string(parts) + " parts: the file was not read as it is laid out!";
}
}  // namespace messages

namespace {
// Fewer differing parts than this are no sign of a wrong reading: a summary edited by hand, or a
// change made after the export, shows in one or two parts, while a reading that took the wrong
// columns or cut names differs in nearly all of them.
constexpr size_t kFewestDoubtfulDifferences = 3;
}  // namespace

bool SummaryDifferences::mostPartsDiffer() const {
    return differingParts >= kFewestDoubtfulDifferences && 2 * differingParts > parts;
}

SummaryDifferences summaryDifferences(const TotalsTable& partTotals, const BomStructure& bom, size_t limit) {
    // The listed quantities by name number, a name's rows summed. The totals are in name order
    // already; only the names that are listed and not counted need sorting, and they are few.
    std::vector<int64_t> listed(bom.nameCount(), 0);
    std::vector<uint8_t> state(bom.nameCount(), 0);  // 1 listed, 2 listed and counted
    for (const SummaryRow& row : bom.summaryRows()) {
        listed[row.name] += row.quantity;
        state[row.name] = 1;
    }
    std::vector<int64_t> listedOfTotal(partTotals.count(), 0);
    for (size_t t = 0; t < partTotals.count(); ++t) {
        const NameId id = bom.findName(partTotals.names[t]);
        if (id == kNone || state[id] == 0) continue;
        listedOfTotal[t] = listed[id];
        state[id] = 2;
    }
    std::vector<std::string_view> listedOnly;
    size_t listedOnlyParts = 0;  // those listed with 0 too, which agree with no total
    for (const SummaryRow& row : bom.summaryRows())
        if (state[row.name] == 1) {
            if (listed[row.name] != 0) listedOnly.push_back(bom.name(row.name));
            ++listedOnlyParts;
            state[row.name] = 2;
        }
    std::sort(listedOnly.begin(), listedOnly.end());

    SummaryDifferences found;
    found.parts = partTotals.count() + listedOnlyParts;
    auto differ = [&](int64_t counted, int64_t listedQuantity, std::string_view name) {
        ++found.differingParts;
        if (++found.count <= limit)
            found.lines.push_back(messages::summaryDiffers(counted, listedQuantity, name));
        else if (found.count == limit + 1)
            found.lines.emplace_back(messages::kFurtherSummaryDifferences);
    };
    size_t t = 0, r = 0;
    while (t < partTotals.count() || r < listedOnly.size()) {
        if (t < partTotals.count() && (r == listedOnly.size() || partTotals.names[t] < listedOnly[r])) {
            const Tally& total = partTotals.totals[t];
            if (!total.outOfRange() && total.value() != listedOfTotal[t])
                differ(total.value(), listedOfTotal[t], partTotals.names[t]);
            ++t;
        } else {
            differ(0, listed[bom.findName(listedOnly[r])], listedOnly[r]);
            ++r;
        }
    }
    // A total line under the rows: the sum of the quantities, or for some layouts the number of
    // rows, as the rows themselves show.
    if (const std::optional<int64_t>& total = bom.summaryTotal()) {
        int64_t listedSum = 0;
        for (const SummaryRow& row : bom.summaryRows()) listedSum += row.quantity;
        Tally countedSum;
        for (const Tally& tally : partTotals.totals) countedSum = tallyPlus(countedSum, tally);
        const bool rowCount = *total != listedSum && *total == static_cast<int64_t>(bom.summaryRows().size());
        const int64_t counted = rowCount ? static_cast<int64_t>(partTotals.count()) : countedSum.value();
        if (counted != *total && (rowCount || !countedSum.outOfRange())) {
            ++found.count;
            found.lines.push_back(messages::totalLineDiffers(counted, *total));
        }
    }
    return found;
}

SummaryDifferences logSummaryDifferences(const TotalsTable& partTotals, const BomStructure& bom, const LogSink& log) {
    if (!bom.hasSummary()) return {};
    SummaryDifferences found = summaryDifferences(partTotals, bom);
    for (const std::string& line : found.lines) log(line);
    found.lines.clear();
    return found;
}

}  // namespace trelk
