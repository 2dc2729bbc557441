#include "engine/reading/item_attributes.h"

#include <algorithm>

namespace trelk {

AttributeValue AttributeValue::of(std::string_view printed) {
    AttributeValue value;
    value.text.assign(printed.data(), printed.size());
    size_t i = 0;
    const bool negative = !printed.empty() && printed[0] == '-';
    if (negative) ++i;
    int digits = 0, decimals = 0;
    bool point = false;
    int64_t units = 0;
    for (; i < printed.size(); ++i) {
        const char c = printed[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9' || ++digits > 18) return value;
        units = units * 10 + (c - '0');
        decimals += point;
    }
    // A point needs digits on both sides: "3." and ".5" are printed by no format.
    if (digits == 0 || (point && (decimals == 0 || digits == decimals))) return value;
    value.numeric = true;
    value.units = negative ? -units : units;
    value.decimals = decimals;
    return value;
}

bool AttributeValue::agrees(const AttributeValue& other) const {
    if (!numeric || !other.numeric) return text == other.text;
    const int finer = std::max(decimals, other.decimals), coarser = std::min(decimals, other.decimals);
    // Both at the finer scale; half a unit of the coarser one's last digit is step / 2 there.
    int64_t a = units, b = other.units, step = 1;
    bool overflow = false;
    for (int d = decimals; d < finer; ++d) overflow |= __builtin_mul_overflow(a, 10, &a);
    for (int d = other.decimals; d < finer; ++d) overflow |= __builtin_mul_overflow(b, 10, &b);
    for (int d = coarser; d < finer; ++d) overflow |= __builtin_mul_overflow(step, 10, &step);
    int64_t difference = 0;
    overflow |= __builtin_sub_overflow(a, b, &difference);
    if (overflow) return text == other.text;  // beyond 18 digits: only the same print agrees
    const uint64_t apart =
        difference < 0 ? uint64_t{0} - static_cast<uint64_t>(difference) : static_cast<uint64_t>(difference);
    return apart <= static_cast<uint64_t>(step) / 2;
}

const ItemAttributeRow* ItemAttributes::find(std::string_view name, ItemKind kind) const {
    auto before = [](const ItemAttributeRow& row, std::pair<std::string_view, ItemKind> key) {
        return row.name != key.first ? std::string_view(row.name) < key.first : row.kind < key.second;
    };
    const auto at = std::lower_bound(items.begin(), items.end(), std::make_pair(name, kind), before);
    return at != items.end() && at->name == name && at->kind == kind ? &*at : nullptr;
}

size_t ItemAttributes::disagreeing() const {
    return static_cast<size_t>(std::count_if(items.begin(), items.end(), [](const ItemAttributeRow& row) {
        return std::any_of(row.values.begin(), row.values.end(), [](const ItemAttribute& a) { return a.disagrees; });
    }));
}

}  // namespace trelk
