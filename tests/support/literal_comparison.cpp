#include "support/literal_comparison.h"

#include "engine/results/assembly_tree.h"

#include <map>
#include <optional>
#include <set>

namespace trelk::literal {

namespace {

using Quantity = std::optional<int64_t>;
using Member = std::pair<std::string, int>;  // name, 0 sub-assembly or 1 part
const char* const kTypeWords[2] = {"sub-assembly", "part"};

std::string show(const Quantity& q) { return q ? std::to_string(*q) : "-"; }
std::string show(const std::optional<Tally>& t) {
    if (!t) return "-";
    return std::to_string(t->value()) + (t->outOfRange() ? "!" : "");
}
std::string joined(const std::set<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ",") + name;
    return text;
}

// One file read literally: every assembly's first block with its members summed, and the roll-up.
struct File {
    Analysis analysis;
    std::map<std::string, std::map<Member, int64_t>> blocks;
    std::map<std::string, Tally> totals[2];

    File(std::string_view bytes, const KeywordSet& keywords, const ColumnLayout& columns) {
        BomLineTable table = lineTable(bytes);
        table.normaliseAll();
        const TypeFields types = typeFields(table, keywords, columns.Type);
        for (size_t i = 1; i <= table.count(); ++i) {
            if (types.rest[i] || !isBlockHeader(table.line(i), keywords.contains)) continue;
            const std::string name(headerAssemblyName(table.line(i), keywords.contains));
            if (blocks.count(name)) continue;
            std::map<Member, int64_t>& members = blocks[name];
            for (size_t j = i + 1; !table.line(j).empty(); ++j) {
                const std::string_view line = table.line(j);
                const std::string& type = types.types[j];
                const int kind = types.rest[j] ? -1 : type == keywords.SubAssembly ? 0 : type == keywords.Part ? 1 : -1;
                if (kind < 0) continue;
                members[{std::string(field(line, columns.Name)), kind}] +=
                    readQuantityField(field(line, columns.Quantity)).value;
            }
        }
        // Normalising again changes nothing: the table is read once.
        analysis = analyse(std::move(table), keywords, RollupLimits(), columns);
        for (int k : {0, 1}) {
            const Totals& t = k == 0 ? analysis.assemblyTotals : analysis.partTotals;
            for (size_t row = 0; row < t.names.size(); ++row) totals[k][t.names[row]] = t.totals[row];
        }
    }

    bool reached(const std::string& name) const {
        return blocks.count(name) && (name == analysis.mainAssemblyName || totals[0].count(name));
    }
    Tally multiplier(const std::string& name) const {
        if (!reached(name)) return Tally{};
        const Tally listed = totals[0].count(name) ? totals[0].at(name) : Tally{};
        return name == analysis.mainAssemblyName ? tallyPlus(listed, Tally::of(1)) : listed;
    }
    Quantity line(const std::string& assembly, const Member& member) const {
        const auto block = blocks.find(assembly);
        if (block == blocks.end() || !block->second.count(member)) return std::nullopt;
        return block->second.at(member);
    }
};

}  // namespace

std::vector<std::string> compareFiles(std::string_view oldBytes, std::string_view newBytes, const KeywordSet& keywords,
                                      const ColumnLayout& columns) {
    const File files[2] = {File(oldBytes, keywords, columns), File(newBytes, keywords, columns)};
    const File &o = files[0], &n = files[1];
    const bool sameMain = o.analysis.mainAssemblyName == n.analysis.mainAssemblyName;
    std::vector<std::string> facts = {sameMain ? "main same" : "main differs"};

    std::set<std::string> assemblies;
    for (const File& f : files)
        for (const auto& block : f.blocks) assemblies.insert(block.first);
    auto membersOf = [&](const std::string& a) {
        std::set<Member> members;
        for (const File& f : files)
            if (f.blocks.count(a))
                for (const auto& m : f.blocks.at(a)) members.insert(m.first);
        return members;
    };

    // The changed lines of every block, and the blocks' facts.
    std::set<std::tuple<std::string, int, std::string>> changedLines;  // member, type, parent
    for (const std::string& a : assemblies) {
        std::vector<std::string> rows;
        std::set<std::string> names;
        for (const Member& m : membersOf(a)) {
            names.insert(m.first);
            if (o.line(a, m) != n.line(a, m)) changedLines.insert({m.first, m.second, a});
        }
        for (const std::string& name : names) {
            const Quantity q[2][2] = {{o.line(a, {name, 0}), o.line(a, {name, 1})},
                                      {n.line(a, {name, 0}), n.line(a, {name, 1})}};
            bool typeChanged = false;
            for (int k : {0, 1})
                if (q[0][k] && !q[0][1 - k] && q[1][1 - k] && !q[1][k]) {
                    rows.push_back("  member " + name + " type " + kTypeWords[k] + " " + kTypeWords[1 - k] + " " +
                                   show(q[0][k]) + " " + show(q[1][1 - k]));
                    typeChanged = true;
                }
            for (int k : {0, 1}) {
                if (typeChanged || q[0][k] == q[1][k]) continue;
                const std::string change = !q[0][k] ? "added" : !q[1][k] ? "removed" : "quantity";
                rows.push_back("  member " + name + " " + change + " " + (q[0][k] ? kTypeWords[k] : "-") + " " +
                               (q[1][k] ? kTypeWords[k] : "-") + " " + show(q[0][k]) + " " + show(q[1][k]));
            }
        }
        const std::string block = !o.blocks.count(a) ? "added" : !n.blocks.count(a) ? "removed" : "changed";
        if (block == "changed" && rows.empty()) continue;
        facts.push_back("block " + a + " " + block);
        facts.insert(facts.end(), rows.begin(), rows.end());
    }

    // Lines of blocks reached in either file, changed or carrying a changed multiplier down.
    auto reachedEither = [&](const std::string& a) { return o.reached(a) || n.reached(a); };
    auto changedIn = [&](const std::string& name, int k) {
        std::set<std::string> parents;
        for (const auto& [member, type, parent] : changedLines)
            if (member == name && type == k && reachedEither(parent)) parents.insert(parent);
        return parents;
    };
    auto carriedFrom = [&](const std::string& name, int k) {
        std::set<std::string> parents;
        for (const std::string& a : assemblies)
            if (reachedEither(a) && !(o.multiplier(a) == n.multiplier(a)) && o.line(a, {name, k}) &&
                o.line(a, {name, k}) == n.line(a, {name, k}))
                parents.insert(a);
        return parents;
    };
    auto stops = [&](const std::string& a) {
        return !changedIn(a, 0).empty() ||
               (!sameMain && (a == o.analysis.mainAssemblyName || a == n.analysis.mainAssemblyName));
    };
    // Every stopping assembly reached going up through carrying lines, past assemblies that do
    // not stop the search.
    auto via = [&](const std::string& name, int k) {
        std::set<std::string> found, seen;
        std::vector<std::string> queue;
        for (const std::string& p : carriedFrom(name, k)) queue.push_back(p);
        while (!queue.empty()) {
            const std::string a = queue.back();
            queue.pop_back();
            if (stops(a)) {
                found.insert(a);
            } else if (seen.insert(a).second) {
                for (const std::string& p : carriedFrom(a, 0)) queue.push_back(p);
            }
        }
        return found;
    };

    for (int k : {0, 1}) {
        std::set<std::string> names;
        for (const File& f : files)
            for (const auto& row : f.totals[k]) names.insert(row.first);
        for (const std::string& name : names) {
            std::optional<Tally> before, after;
            if (o.totals[k].count(name)) before = o.totals[k].at(name);
            if (n.totals[k].count(name)) after = n.totals[k].at(name);
            if (before.has_value() == after.has_value() && (!before || *before == *after)) continue;
            const Tally difference = tallyPlus(after.value_or(Tally{}), tallyTimes(before.value_or(Tally{}), -1));
            const std::set<std::string> in = changedIn(name, k);
            facts.push_back(std::string("total ") + kTypeWords[k] + " " + name + " " + show(before) + " " +
                            show(after) + " " + show(std::optional<Tally>(difference)) + " " +
                            (in.empty() ? "indirect" : "direct") + " in:" + joined(in) +
                            " via:" + joined(via(name, k)));
        }
    }

    for (int k : {0, 1})
        for (const auto& [member, type, parent] : changedLines) {
            if (type != k) continue;
            const Quantity before = o.line(parent, {member, k}), after = n.line(parent, {member, k});
            facts.push_back(std::string("where-used ") + kTypeWords[k] + " " + member + " " + parent + " " +
                            (!before  ? "added"
                             : !after ? "removed"
                                      : "quantity") +
                            " " + show(before) + " " + show(after));
        }
    return facts;
}

}  // namespace trelk::literal

namespace trelk::testing {

namespace {
std::string show(const std::optional<int64_t>& q) { return q ? std::to_string(*q) : "-"; }
std::string show(const std::optional<Tally>& t) {
    if (!t) return "-";
    return std::to_string(t->value()) + (t->outOfRange() ? "!" : "");
}
std::string type(ItemKind kind) { return kind == ItemKind::None ? "-" : std::string(treeTypeWord(kind)); }
std::string joined(const std::vector<std::string_view>& names) {
    std::string text;
    for (const std::string_view name : names) text += (text.empty() ? "" : ",") + std::string(name);
    return text;
}
}  // namespace

std::vector<std::string> comparisonFacts(const Comparison& c) {
    std::vector<std::string> facts = {c.sameMainAssembly ? "main same" : "main differs"};
    for (const AssemblyDifference& a : c.assemblies) {
        facts.push_back("block " + std::string(a.assembly) + " " + std::string(blockChangeWord(a.block)));
        for (const MemberDifference& m : a.members)
            facts.push_back("  member " + std::string(m.name) + " " + std::string(memberChangeWord(m.change)) + " " +
                            type(m.oldKind) + " " + type(m.newKind) + " " + show(m.oldQuantity) + " " +
                            show(m.newQuantity));
    }
    for (const auto& [word, rows] : {std::pair{"sub-assembly", &c.assemblyTotals}, std::pair{"part", &c.partTotals}})
        for (const TotalDifference& t : *rows)
            facts.push_back(std::string("total ") + word + " " + std::string(t.name) + " " + show(t.oldTotal) + " " +
                            show(t.newTotal) + " " + show(std::optional<Tally>(t.difference)) + " " +
                            std::string(totalCauseWord(t.cause)) + " in:" + joined(t.changedIn) +
                            " via:" + joined(t.via));
    for (const auto& [word, rows] :
         {std::pair{"sub-assembly", &c.assemblyWhereUsed}, std::pair{"part", &c.partWhereUsed}})
        for (const WhereUsedDifference& w : *rows)
            facts.push_back(std::string("where-used ") + word + " " + std::string(w.name) + " " +
                            std::string(w.parent) + " " + std::string(memberChangeWord(w.change)) + " " +
                            show(w.oldQuantity) + " " + show(w.newQuantity));
    return facts;
}

}  // namespace trelk::testing
