#include "engine/rollup/column_rollup.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

namespace trelk {

namespace {

// A sum of scaled values: 64 bits on every target (32-bit ones have no wider integer), and out of
// range for good once any step overflows, so that a total too large to hold is never printed
// wrong: it prints as nothing and fails every check.
class Wide {
public:
    Wide(int64_t value = 0) : value_(value) {}

    bool inRange() const { return inRange_; }
    int64_t value() const { return value_; }

    friend Wide operator+(Wide a, Wide b) {
        int64_t r = 0;
        const bool overflowed = __builtin_add_overflow(a.value_, b.value_, &r);
        return checked(a, b, overflowed, r);
    }
    friend Wide operator-(Wide a, Wide b) {
        int64_t r = 0;
        const bool overflowed = __builtin_sub_overflow(a.value_, b.value_, &r);
        return checked(a, b, overflowed, r);
    }
    friend Wide operator*(Wide a, Wide b) {
        int64_t r = 0;
        const bool overflowed = __builtin_mul_overflow(a.value_, b.value_, &r);
        return checked(a, b, overflowed, r);
    }
    Wide& operator+=(Wide b) { return *this = *this + b; }
    // Only in range and when both are in range.
    friend bool operator<=(Wide a, Wide b) { return a.inRange_ && b.inRange_ && a.value_ <= b.value_; }
    friend bool operator>(Wide a, Wide b) { return a.inRange_ && b.inRange_ && a.value_ > b.value_; }

private:
    static Wide checked(Wide a, Wide b, bool overflowed, int64_t result) {
        Wide r(result);
        r.inRange_ = a.inRange_ && b.inRange_ && !overflowed;
        return r;
    }
    int64_t value_ = 0;
    bool inRange_ = true;
};

// Words of the CAD system's interface languages for a mass, a weight and a cost (or a price), as
// column titles and parameters write them; compared with ASCII letters folded to lower case.
constexpr std::string_view kAmountWords[] = {
    "mass",
    "weight",
    "cost",
    "price",  // English
    "masse",
    "gewicht",
    "kosten",
    "preis",  // German
    "poids",
    "co\xC3\xBBt",
    "prix",                              // French
    "\xD0\xBC\xD0\xB0\xD1\x81\xD1\x81",  // Russian: масс(а)
    "\xD0\x9C\xD0\xB0\xD1\x81\xD1\x81",  // Масс(а)
    "\xD0\xB2\xD0\xB5\xD1\x81",
    "\xD0\x92\xD0\xB5\xD1\x81",  // вес, Вес
    "\xD1\x81\xD1\x82\xD0\xBE\xD0\xB8\xD0\xBC",
    "\xD0\xA1\xD1\x82\xD0\xBE\xD0\xB8\xD0\xBC",  // стоим(ость)
    "\xD1\x86\xD0\xB5\xD0\xBD",
    "\xD0\xA6\xD0\xB5\xD0\xBD",  // цен(а)
    "\xE8\xB3\xAA\xE9\x87\x8F",
    "\xE9\x87\x8D\xE9\x87\x8F",  // Japanese: 質量, 重量
    "\xE9\x87\x8D\xE3\x81\x95",
    "\xE3\x82\xB3\xE3\x82\xB9\xE3\x83\x88",  // 重さ, コスト
    "\xE4\xBE\xA1\xE6\xA0\xBC",              // 価格
    "\xE8\xB4\xA8\xE9\x87\x8F",
    "\xE6\x88\x90\xE6\x9C\xAC",  // Chinese: 质量, 成本
    "\xE4\xBB\xB7\xE6\xA0\xBC",
    "\xE8\xB4\xB9\xE7\x94\xA8",  // 价格, 费用
};

std::string folded(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

Wide power10(int n) {
    Wide p = 1;
    while (n-- > 0) p = p * 10;
    return p;
}

// The decimal text of units / 10^decimals; empty when out of range.
std::string decimalOf(Wide wide, int decimals) {
    if (!wide.inRange()) return {};
    const int64_t units = wide.value();
    // Digits of the magnitude, taken from the negative side, which holds the smallest int64 too.
    int64_t rest = units < 0 ? units : -units;
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' - static_cast<int>(rest % 10)));
        rest /= 10;
    } while (rest < 0);
    if (decimals > 0) {
        if (digits.size() <= static_cast<size_t>(decimals))
            digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), '0');
        digits.insert(digits.size() - static_cast<size_t>(decimals), 1, '.');
    }
    return units < 0 ? "-" + digits : digits;
}

// One column being summed, at a scale of `scale` decimals: one more than any value or total line
// of it prints, so that half a unit of each one's last digit is a whole number of units.
class ColumnSum {
public:
    ColumnSum(const ItemAttributes& attributes, size_t column) : attributes_(attributes), column_(column) {
        int most = 0;
        for (const ItemAttributeRow& row : attributes.items)
            if (row.values[column].value.numeric) most = std::max(most, row.values[column].value.decimals);
        for (const ListedTotal& t : attributes.totals)
            if (t.column == column && t.value.numeric) most = std::max(most, t.value.decimals);
        printed_ = most;
        scale_ = most + 1;
    }

    int printed() const { return printed_; }
    Wide scaled(const AttributeValue& v) const { return v.numeric ? v.units * power10(scale_ - v.decimals) : 0; }
    Wide halfUnit(const AttributeValue& v) const { return v.numeric ? 5 * power10(scale_ - v.decimals - 1) : 0; }
    std::string text(Wide units) const {
        return decimalOf(units.inRange() ? Wide(units.value() / 10) : units, printed_);
    }  // exact: the scale's extra digit is 0

    // An item's own value.
    const AttributeValue* value(std::string_view name, ItemKind kind) const {
        const ItemAttributeRow* row = attributes_.find(name, kind);
        return row ? &row->values[column_].value : nullptr;
    }

private:
    const ItemAttributes& attributes_;
    size_t column_;
    int printed_ = 0, scale_ = 1;
};

struct Sum {
    Wide value = 0, rounding = 0;
};

}  // namespace

bool namesAnAmount(std::string_view title) {
    const std::string text = folded(title);
    return std::any_of(std::begin(kAmountWords), std::end(kAmountWords),
                       [&](std::string_view word) { return text.find(word) != std::string::npos; });
}

ColumnRollup rollUpColumns(const ItemAttributes& attributes, const ResultTables& tables, int64_t buildQuantity,
                           const std::vector<std::string>& sumColumns, const LogSink& log) {
    ColumnRollup out;
    if (attributes.columns.empty() && sumColumns.empty()) return out;
    std::vector<size_t> chosen;
    for (size_t c = 0; c < attributes.columns.size(); ++c) {
        const AttributeColumn& column = attributes.columns[c];
        if (column.numeric && (namesAnAmount(column.title) || namesAnAmount(column.parameter))) chosen.push_back(c);
    }
    for (const std::string& wanted : sumColumns) {
        const std::string key = folded(wanted);
        const auto found =
            std::find_if(attributes.columns.begin(), attributes.columns.end(), [&](const AttributeColumn& c) {
                return folded(c.title) == key || (!c.parameter.empty() && folded(c.parameter) == key);
            });
        if (found == attributes.columns.end()) {
            log("Column to sum not found in the BOM file: " + wanted);
            continue;
        }
        if (!found->numeric) {
            log("Column to sum holds values that are no numbers: " + wanted);
            continue;
        }
        const size_t c = static_cast<size_t>(found - attributes.columns.begin());
        if (std::find(chosen.begin(), chosen.end(), c) == chosen.end()) chosen.push_back(c);
    }
    std::sort(chosen.begin(), chosen.end());

    // The blocks walked, from the where-used lists: each assembly's members with their quantities.
    struct Line {
        std::string_view member;
        ItemKind kind;
        int64_t quantity;
    };
    std::unordered_map<std::string_view, std::vector<Line>> blocks;
    for (const ItemKind kind : {ItemKind::SubAssembly, ItemKind::Part}) {
        const WhereUsedTable& table = kind == ItemKind::SubAssembly ? tables.assemblyWhereUsed : tables.partWhereUsed;
        for (size_t r = 0; r < table.count(); ++r)
            for (uint32_t e = table.entryBegin[r]; e < table.entryEnd[r]; ++e)
                blocks[table.assemblyOf(table.entries[e])].push_back({table.names[r], kind, table.entries[e].quantity});
    }

    for (const size_t c : chosen) {
        const ColumnSum sum(attributes, c);
        ColumnTotal total;
        total.column = c;
        total.title = attributes.columns[c].title;

        // For one of each assembly, every part below it, depth first; an assembly met again on its
        // own path (the log has said it contains itself) adds nothing there.
        std::unordered_map<std::string_view, Wide> below;
        std::unordered_map<std::string_view, bool> onPath;
        const std::function<Wide(std::string_view)> treeOf = [&](std::string_view assembly) -> Wide {
            if (const auto done = below.find(assembly); done != below.end()) return done->second;
            if (onPath[assembly]) return 0;
            onPath[assembly] = true;
            Wide value = 0;
            if (const auto lines = blocks.find(assembly); lines != blocks.end())
                for (const Line& line : lines->second) {
                    const AttributeValue* v = sum.value(line.member, line.kind);
                    value += line.quantity * (line.kind == ItemKind::SubAssembly ? treeOf(line.member)
                                              : v                                ? sum.scaled(*v)
                                                                                 : 0);
                }
            onPath[assembly] = false;
            below[assembly] = value;
            return value;
        };
        // A total line checked: the sum it was checked against, and whether it is further from it than
        // the rounding of the printed values allows. A block's, by its assembly.
        struct Checked {
            std::string sum;
            bool differs = false;
        };
        std::unordered_map<std::string_view, Checked> blockChecks;
        auto check = [&](const ListedTotal& t, Sum got, const std::string& where) -> Checked {
            const Wide listed = sum.scaled(t.value);
            const Wide apart = listed > got.value ? listed - got.value : got.value - listed;
            if (t.value.numeric && apart <= got.rounding + sum.halfUnit(t.value)) return {sum.text(got.value), false};
            ++out.differences;
            log("Total of column " + total.title + " " + where + " differs from its total line " +
                std::to_string(t.line) + ": listed " + t.value.text + ", summed " + sum.text(got.value));
            return {sum.text(got.value), true};
        };

        for (const ListedTotal& t : attributes.totals) {
            if (t.column != c) continue;
            Sum got;
            if (t.assembly.empty()) {
                // The summary's line: every part of one build.
                for (size_t r = 0; r < tables.partTotals.count(); ++r)
                    if (const AttributeValue* v = sum.value(tables.partTotals.names[r], ItemKind::Part)) {
                        const Wide each = tables.partTotals.totals[r].value() / (buildQuantity > 0 ? buildQuantity : 1);
                        got.value += each * sum.scaled(*v);
                        got.rounding += each * sum.halfUnit(*v);
                    }
                total.listed = t.value.text;
                const Checked checked = check(t, got, "for the whole product");
                total.checked = checked.sum;
                total.differs = checked.differs;
            } else {
                // A block's line: its own rows, each member's own value.
                if (const auto lines = blocks.find(t.assembly); lines != blocks.end())
                    for (const Line& line : lines->second)
                        if (const AttributeValue* v = sum.value(line.member, line.kind)) {
                            got.value += line.quantity * sum.scaled(*v);
                            got.rounding += line.quantity * sum.halfUnit(*v);
                        }
                blockChecks[t.assembly] = check(t, got, "in the block of " + t.assembly);
            }
        }

        Wide whole = 0;
        for (size_t r = 0; r < tables.partTotals.count(); ++r)
            if (const AttributeValue* v = sum.value(tables.partTotals.names[r], ItemKind::Part))
                whole += tables.partTotals.totals[r].value() * sum.scaled(*v);
        total.total = sum.text(whole);
        std::unordered_map<std::string_view, const ListedTotal*> blockLines;
        for (const ListedTotal& t : attributes.totals)
            if (t.column == c && !t.assembly.empty()) blockLines.emplace(t.assembly, &t);
        auto addAssembly = [&](std::string_view name) {
            ColumnTotal::Assembly a;
            a.name = name;
            a.total = sum.text(treeOf(name));
            if (const auto line = blockLines.find(name); line != blockLines.end()) a.listed = line->second->value.text;
            if (const auto checked = blockChecks.find(name); checked != blockChecks.end()) {
                a.checked = checked->second.sum;
                a.differs = checked->second.differs;
            }
            total.assemblies.push_back(std::move(a));
        };
        // The main assembly's name as the tables' store holds it, which outlives the analysis's moves.
        if (const auto main = blocks.find(tables.mainAssemblyName); main != blocks.end()) addAssembly(main->first);
        for (size_t r = 0; r < tables.assemblyTotals.count(); ++r)
            if (tables.assemblyTotals.names[r] != tables.mainAssemblyName) addAssembly(tables.assemblyTotals.names[r]);
        out.totals.push_back(std::move(total));
    }
    return out;
}

}  // namespace trelk
