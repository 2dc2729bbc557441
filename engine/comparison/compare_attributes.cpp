#include "engine/comparison/compare_attributes.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>
#include <utility>

namespace trelk {

namespace {

// A text of one file in the comparison's encoding. A Windows-1252 file compared as UTF-8 has its
// texts converted, as its names are; otherwise the bytes are the comparison's already.
std::string inComparison(const std::string& text, TextEncoding from, TextEncoding to) {
    return from == TextEncoding::Windows1252 && to == TextEncoding::Utf8 ? windows1252ToUtf8(text) : text;
}

// Two prints of one item's value say the same: equal within the rounding of the coarser print,
// or the same text where either print is cut at its field's precision.
bool same(const ItemAttribute& a, const std::string& aText, const ItemAttribute& b, const std::string& bText) {
    if (a.value.numeric && b.value.numeric) return a.value.agrees(b.value);
    if (aText == bText) return true;
    const std::string& shorter = aText.size() < bText.size() ? aText : bText;
    const std::string& longer = aText.size() < bText.size() ? bText : aText;
    const bool shorterCut = aText.size() < bText.size() ? a.cut : b.cut;
    return shorterCut && longer.compare(0, shorter.size(), shorter) == 0;
}

}  // namespace

void compareAttributes(const AttributeSide& oldSide, const AttributeSide& newSide, Comparison& out,
                       std::vector<std::string> notes[2]) {
    const AttributeSide* sides[2] = {&oldSide, &newSide};
    out.hasAttributes = !oldSide.attributes.columns.empty() || !newSide.attributes.columns.empty();
    if (oldSide.attributes.columns.empty() || newSide.attributes.columns.empty()) return;

    // The columns both files print, by title: (old column, new column) in the new file's order.
    std::vector<std::string> titles[2];
    for (int side : {0, 1})
        for (const AttributeColumn& c : sides[side]->attributes.columns)
            titles[side].push_back(inComparison(c.title, sides[side]->encoding, out.encoding));
    std::vector<std::pair<size_t, size_t>> common;
    for (size_t n = 0; n < titles[1].size(); ++n) {
        const auto o = std::find(titles[0].begin(), titles[0].end(), titles[1][n]);
        if (o != titles[0].end()) common.emplace_back(static_cast<size_t>(o - titles[0].begin()), n);
    }
    for (int side : {0, 1}) {
        std::string only;
        for (const std::string& title : titles[side])
            if (std::find(titles[1 - side].begin(), titles[1 - side].end(), title) == titles[1 - side].end())
                only += (only.empty() ? "" : ", ") + title;
        if (!only.empty())
            notes[side].push_back("Attribute columns not compared, as the other BOM file prints none of that title: " +
                                  only);
    }
    if (common.empty()) return;

    // The items both files list: their totals are alike or changed, with a row on either side.
    std::set<std::pair<std::string_view, ItemKind>> listedInBoth;
    if (out.sameMainAssembly) listedInBoth.emplace(out.newFile.mainAssembly, ItemKind::SubAssembly);
    for (const ItemKind kind : {ItemKind::SubAssembly, ItemKind::Part}) {
        const bool sub = kind == ItemKind::SubAssembly;
        for (const SameTotal& t : sub ? out.sameAssemblyTotals : out.samePartTotals) listedInBoth.emplace(t.name, kind);
        for (const TotalDifference& t : sub ? out.assemblyTotals : out.partTotals)
            if (t.oldTotal && t.newTotal) listedInBoth.emplace(t.name, kind);
    }
    // Each file's items by name and type, in the comparison's encoding; an item without a row
    // printed no value.
    std::map<std::pair<std::string, ItemKind>, const ItemAttributeRow*> items[2];
    for (int side : {0, 1})
        for (const ItemAttributeRow& row : sides[side]->attributes.items)
            items[side].emplace(std::make_pair(inComparison(row.name, sides[side]->encoding, out.encoding), row.kind),
                                &row);
    const ItemAttribute none;
    for (const auto& [name, kind] : listedInBoth) {
        const ItemAttributeRow* rows[2] = {nullptr, nullptr};
        for (int side : {0, 1}) {
            const auto found = items[side].find({std::string(name), kind});
            if (found != items[side].end()) rows[side] = found->second;
        }
        if (!rows[0] && !rows[1]) continue;
        for (const auto& [o, n] : common) {
            const ItemAttribute& before = rows[0] ? rows[0]->values[o] : none;
            const ItemAttribute& after = rows[1] ? rows[1]->values[n] : none;
            if (before.value.empty() && after.value.empty()) continue;
            const std::string oldText = inComparison(before.value.text, oldSide.encoding, out.encoding);
            const std::string newText = inComparison(after.value.text, newSide.encoding, out.encoding);
            if (!before.value.empty() && !after.value.empty() && same(before, oldText, after, newText)) continue;
            AttributeDifference d;
            d.name = std::string(name);
            d.kind = kind;
            d.column = titles[1][n];
            if (!before.value.empty()) d.oldValue = oldText;
            if (!after.value.empty()) d.newValue = newText;
            out.attributeChanges.push_back(std::move(d));
        }
    }
}

}  // namespace trelk
