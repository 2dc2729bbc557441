#include "engine/comparison/compare_analyses.h"

#include <algorithm>
#include <unordered_map>

#include "engine/comparison/compare_attributes.h"
#include "engine/reading/bom_structure.h"

namespace trelk {

namespace {

constexpr int kOld = 0, kNew = 1;
constexpr int kSub = 0, kPart = 1;  // the two member types, sub-assembly first as in the reports
constexpr ItemKind kKinds[2] = {ItemKind::SubAssembly, ItemKind::Part};

int kindIndex(ItemKind kind) { return kind == ItemKind::SubAssembly ? kSub : kPart; }

bool allAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool allAscii(const BomStructure& bom) {
    for (NameId id = 0; id < bom.nameCount(); ++id)
        if (!allAscii(bom.name(id))) return false;
    return true;
}

bool allAscii(const std::vector<std::string>& lines) {
    return std::all_of(lines.begin(), lines.end(), [](const std::string& line) { return allAscii(line); });
}

// The texts a file's attributes bring into the comparison: its column titles and values.
bool allAscii(const ItemAttributes& attributes) {
    for (const AttributeColumn& column : attributes.columns)
        if (!allAscii(column.title)) return false;
    for (const ItemAttributeRow& row : attributes.items)
        for (const ItemAttribute& value : row.values)
            if (!allAscii(value.value.text)) return false;
    for (const ListedTotal& total : attributes.totals)
        if (!allAscii(total.assembly) || !allAscii(total.value.text)) return false;
    return true;
}

// The names of both files numbered once: the same name gets the same number in both. The base
// file's names keep their numbers; the other file's names that the base lacks follow them. A
// file's log lines and attribute values are in its encoding too (its own words, recognised, may be
// logged; a description may hold a quotation mark): what the comparison writes is in one encoding,
// and the same whichever file is the old one, only when those count as well.
class UnifiedNames {
public:
    UnifiedNames(const BomStructure& oldBom, const BomStructure& newBom, TextEncoding oldEncoding,
                 TextEncoding newEncoding, bool oldTextsAscii, bool newTextsAscii, std::deque<std::string>& converted) {
        const bool oldAscii = oldTextsAscii && allAscii(oldBom), newAscii = newTextsAscii && allAscii(newBom);
        convert_ = oldEncoding != newEncoding && !oldAscii && !newAscii;
        // A Windows-1252 export and a UTF-8 one (older and newer releases of the CAD system): the
        // Windows-1252 file's names are matched as UTF-8 where their bytes alone do not match.
        if (convert_) {
            encoding_ = TextEncoding::Utf8;
            converted_ = oldEncoding == TextEncoding::Windows1252 ? kOld : kNew;
        } else {
            encoding_ = newAscii ? oldEncoding : newEncoding;
        }
        const int base = convert_ ? 1 - converted_ : kOld, other = 1 - base;
        const BomStructure& baseBom = base == kOld ? oldBom : newBom;
        const BomStructure& otherBom = base == kOld ? newBom : oldBom;
        count_ = static_cast<NameId>(baseBom.nameCount());
        const size_t most = baseBom.nameCount() + otherBom.nameCount();
        for (int side : {kOld, kNew}) fromUnified_[side].assign(most, kNone);
        toUnified_[base].resize(baseBom.nameCount());
        toUnified_[other].assign(otherBom.nameCount(), kNone);
        names_.reserve(most);
        for (NameId id = 0; id < count_; ++id) {
            toUnified_[base][id] = fromUnified_[base][id] = id;
            names_.push_back(baseBom.name(id));
        }
        auto match = [&](NameId id, NameId u) {
            toUnified_[other][id] = u;
            fromUnified_[other][u] = id;
        };
        for (NameId id = 0; id < otherBom.nameCount(); ++id)
            if (const NameId u = baseBom.findName(otherBom.name(id)); u != kNone) match(id, u);
        for (NameId id = 0; id < otherBom.nameCount(); ++id) {
            if (toUnified_[other][id] != kNone) continue;
            std::string_view name = otherBom.name(id);
            if (convert_) {
                converted.push_back(windows1252ToUtf8(name));
                name = converted.back();
                const NameId u = baseBom.findName(name);
                if (u != kNone && fromUnified_[other][u] == kNone) {
                    match(id, u);
                    continue;
                }
            }
            names_.push_back(name);
            match(id, count_++);
        }
        for (int side : {kOld, kNew}) fromUnified_[side].resize(count_);
    }

    NameId count() const { return count_; }
    std::string_view name(NameId u) const { return names_[u]; }
    NameId unified(int side, NameId id) const { return id == kNone ? kNone : toUnified_[side][id]; }
    NameId local(int side, NameId u) const { return fromUnified_[side][u]; }
    TextEncoding encoding() const { return encoding_; }
    // The side whose names were converted, or -1.
    int convertedSide() const { return convert_ ? converted_ : -1; }

private:
    bool convert_ = false;
    int converted_ = kOld;
    TextEncoding encoding_ = TextEncoding::Utf8;
    NameId count_ = 0;
    std::vector<std::string_view> names_;
    std::vector<NameId> toUnified_[2], fromUnified_[2];
};

// One file's totals and reached assemblies by unified name number.
struct SideTotals {
    std::vector<Tally> total[2];
    std::vector<uint8_t> has[2];
    std::vector<uint8_t> reached;  // has a block and is the main assembly or has a row
    NameId main = kNone;
};

SideTotals sideTotals(const Analysis& a, const UnifiedNames& names, int side) {
    const BomStructure& bom = *a.structure;
    SideTotals t;
    for (int k : {kSub, kPart}) {
        t.total[k].assign(names.count(), Tally{});
        t.has[k].assign(names.count(), 0);
        const TotalsTable& table = k == kSub ? a.tables.assemblyTotals : a.tables.partTotals;
        // The tables' names lie in the structure's store: their numbers are read, not looked up.
        const NameStore& store = *a.tables.nameStore;
        for (size_t row = 0; row < table.count(); ++row) {
            const NameId u = names.unified(side, store.idOf(table.names[row]));
            t.total[k][u] = table.totals[row];
            t.has[k][u] = 1;
        }
    }
    t.main = bom.hasMainAssembly() ? names.unified(side, bom.findName(bom.mainAssemblyName())) : kNone;
    t.reached.assign(names.count(), 0);
    for (NameId u = 0; u < names.count(); ++u) {
        const NameId id = names.local(side, u);
        t.reached[u] = id != kNone && bom.hasBlock(id) && (u == t.main || t.has[kSub][u]);
    }
    return t;
}

// What an assembly's items are multiplied by in one file: nothing when its block is not walked.
Tally multiplier(const SideTotals& t, NameId u, Tally build) {
    if (!t.reached[u]) return Tally{};
    const Tally listed = t.has[kSub][u] ? t.total[kSub][u] : Tally{};
    return u == t.main ? tallyPlus(listed, build) : listed;
}

// A line of a block, seen from its member: member, type, parent.
struct Link {
    NameId member;
    uint8_t kind;
    NameId parent;
};

// A changed line, with its summed quantities.
struct LineChange {
    Link link;
    std::optional<int64_t> oldQuantity, newQuantity;
};

// Says once per file what the comparison made of it, naming the first three assemblies by name.
class FileNote {
public:
    void add(std::string_view assembly) {
        ++count_;
        if (names_.size() < 3) {
            names_.push_back(assembly);
            return;
        }
        const auto last = std::max_element(names_.begin(), names_.end());
        if (assembly < *last) *last = assembly;
    }
    void say(const std::string& text, const LogSink& log, std::vector<std::string>& kept) {
        if (count_ == 0) return;
        std::sort(names_.begin(), names_.end());
        std::string line = text;
        for (size_t i = 0; i < names_.size(); ++i) {
            line += i == 0 ? " " : ", ";
            line.append(names_[i].data(), names_[i].size());
        }
        if (count_ > names_.size()) line += " and " + std::to_string(count_ - names_.size()) + " more";
        log(line);
        kept.push_back(line);
    }

private:
    std::vector<std::string_view> names_;
    size_t count_ = 0;
};

class Comparer {
public:
    Comparer(const Analysis& oldA, const Analysis& newA, const ComparedFile& oldFile, const ComparedFile& newFile,
             int64_t buildQuantity, std::deque<std::string>& converted, Comparison& out)
        : a_{&oldA, &newA},
          bom_{oldA.structure.get(), newA.structure.get()},
          names_(*bom_[kOld], *bom_[kNew], oldA.encoding, newA.encoding,
                 allAscii(oldFile.log) && allAscii(oldA.attributes), allAscii(newFile.log) && allAscii(newA.attributes),
                 converted),
          out_(out),
          build_(Tally::of(buildQuantity)) {
        for (int side : {kOld, kNew}) t_[side] = sideTotals(*a_[side], names_, side);
        multiplierChanged_.assign(names_.count(), 0);
        for (NameId u = 0; u < names_.count(); ++u)
            multiplierChanged_[u] = !(multiplier(t_[kOld], u, build_) == multiplier(t_[kNew], u, build_));
    }

    void run() {
        out_.encoding = names_.encoding();
        out_.sameMainAssembly = t_[kOld].main == t_[kNew].main;
        compareBlocks();
        compareTotals();
        whereUsed();
    }

    void notes(int side, const LogSink& log, std::vector<std::string>& kept) {
        const std::string file = side == kOld ? "the old BOM file" : "the new BOM file";
        repeatedMembers_[side].say("Members listed more than once in one block of " + file + " are summed:", log, kept);
        // Blocks of a name after its first are read by nothing in the totals either.
        FileNote again;
        std::vector<uint8_t> seen(bom_[side]->nameCount(), 0);
        for (const BomBlock& block : bom_[side]->blocks())
            if (seen[block.assembly] < 2 && ++seen[block.assembly] == 2)
                again.add(names_.name(names_.unified(side, block.assembly)));
        again.say("Assemblies with more than one block in " + file + " are compared by their first, as the totals are:",
                  log, kept);
        if (names_.convertedSide() == side) {
            const std::string line = "Names of " + file + " read as Windows-1252 and compared as UTF-8";
            log(line);
            kept.push_back(line);
        }
    }

    // The side whose names were converted to UTF-8, or -1.
    int convertedSide() const { return names_.convertedSide(); }

    // The main assembly's name of one file, in the comparison's encoding.
    std::string mainAssembly(int side) const {
        return t_[side].main == kNone ? std::string() : std::string(names_.name(t_[side].main));
    }

private:
    bool nameLess(NameId a, NameId b) const { return names_.name(a) < names_.name(b); }

    // Every assembly with a block in either file, by name: its members summed per file and
    // compared. Reached blocks also give the lines that make totals change directly, and the
    // unchanged lines under a changed multiplier that carry indirect changes down.
    void compareBlocks() {
        std::vector<NameId> assemblies;
        for (NameId u = 0; u < names_.count(); ++u)
            if (hasBlock(kOld, u) || hasBlock(kNew, u)) assemblies.push_back(u);
        std::sort(assemblies.begin(), assemblies.end(), [this](NameId a, NameId b) { return nameLess(a, b); });

        slots_.assign(names_.count(), Slot{});
        std::vector<NameId> touched;
        for (const NameId a : assemblies) {
            for (int side : {kOld, kNew}) {
                if (!hasBlock(side, a)) continue;
                const BomStructure& bom = *bom_[side];
                const NameId id = names_.local(side, a);
                bool repeated = false;
                const uint32_t end = bom.walkEnd(id);
                for (uint32_t e = bom.walkBegin(id); e < end; ++e) {
                    // The slots of the lines a little ahead are asked for now, so that their cache
                    // misses overlap instead of coming one after the other.
                    if (e + kAhead < end)
                        __builtin_prefetch(&slots_[names_.unified(side, bom.items()[e + kAhead].item)]);
                    const BomItem& item = bom.items()[e];
                    const NameId m = names_.unified(side, item.item);
                    const int k = kindIndex(item.kind);
                    const uint8_t bit = static_cast<uint8_t>(1u << (side * 2 + k));
                    Slot& slot = slots_[m];
                    if (slot.present == 0) touched.push_back(m);
                    repeated = repeated || (slot.present & bit) != 0;
                    slot.present |= bit;
                    slot.sum[side][k] += item.quantity;
                }
                if (repeated) repeatedMembers_[side].add(names_.name(a));
            }
            compareMembers(a, touched);
            for (const NameId m : touched) slots_[m] = Slot{};
            touched.clear();
        }
        std::sort(direct_.begin(), direct_.end(), [this](const Link& x, const Link& y) {
            if (x.kind != y.kind) return x.kind < y.kind;
            if (x.member != y.member) return x.member < y.member;
            return nameLess(x.parent, y.parent);
        });
        std::sort(carried_.begin(), carried_.end(), [](const Link& x, const Link& y) {
            return x.kind != y.kind ? x.kind < y.kind : x.member < y.member;
        });
    }

    bool hasBlock(int side, NameId u) const {
        const NameId id = names_.local(side, u);
        return id != kNone && bom_[side]->hasBlock(id);
    }

    bool listed(int side, int k, NameId m) const { return (slots_[m].present >> (side * 2 + k) & 1) != 0; }

    std::optional<int64_t> quantity(int side, int k, NameId m) const {
        if (!listed(side, k, m)) return std::nullopt;
        return slots_[m].sum[side][k];
    }

    // The members of one assembly's block compared, in the order met: most blocks are as they were,
    // and only the members that changed are sorted by name.
    void compareMembers(NameId a, const std::vector<NameId>& touched) {
        const bool reached = t_[kOld].reached[a] || t_[kNew].reached[a];
        changed_.clear();
        for (const NameId m : touched) {
            bool any = false;
            for (int k : {kSub, kPart}) {
                const std::optional<int64_t> before = quantity(kOld, k, m), after = quantity(kNew, k, m);
                if (before == after) {
                    if (before && reached && multiplierChanged_[a]) carried_.push_back({m, uint8_t(k), a});
                    continue;
                }
                if (reached) direct_.push_back({m, uint8_t(k), a});
                lineChanges_.push_back({{m, uint8_t(k), a}, before, after});
                any = true;
            }
            if (any) changed_.push_back(m);
        }
        AssemblyDifference diff;
        diff.block = !hasBlock(kOld, a)   ? BlockChange::Added
                     : !hasBlock(kNew, a) ? BlockChange::Removed
                                          : BlockChange::Changed;
        if (diff.block == BlockChange::Changed && changed_.empty()) return;
        diff.assembly = names_.name(a);
        std::sort(changed_.begin(), changed_.end(), [this](NameId x, NameId y) { return nameLess(x, y); });
        for (const NameId m : changed_) {
            const std::optional<int64_t> q[2][2] = {{quantity(kOld, kSub, m), quantity(kOld, kPart, m)},
                                                    {quantity(kNew, kSub, m), quantity(kNew, kPart, m)}};
            // One type in the old block and the other in the new: a change of type.
            bool retyped = false;
            for (int k : {kSub, kPart}) {
                const int o = 1 - k;
                if (q[kOld][k] && !q[kOld][o] && q[kNew][o] && !q[kNew][k]) {
                    diff.members.push_back(
                        {names_.name(m), MemberChange::Type, kKinds[k], kKinds[o], q[kOld][k], q[kNew][o]});
                    retyped = true;
                }
            }
            for (int k : {kSub, kPart}) {
                if (retyped || q[kOld][k] == q[kNew][k]) continue;
                const MemberChange change = !q[kOld][k]   ? MemberChange::Added
                                            : !q[kNew][k] ? MemberChange::Removed
                                                          : MemberChange::Quantity;
                diff.members.push_back({names_.name(m), change, q[kOld][k] ? kKinds[k] : ItemKind::None,
                                        q[kNew][k] ? kKinds[k] : ItemKind::None, q[kOld][k], q[kNew][k]});
            }
        }
        out_.assemblies.push_back(std::move(diff));
    }

    // The links of a member of the given type in a sorted list.
    template <class List>
    static std::pair<typename List::const_iterator, typename List::const_iterator> linksOf(const List& links, int k,
                                                                                           NameId m) {
        return std::equal_range(links.begin(), links.end(), Link{m, uint8_t(k), 0}, [](const Link& x, const Link& y) {
            return x.kind != y.kind ? x.kind < y.kind : x.member < y.member;
        });
    }

    bool changedDirectly(NameId u) const {
        const auto range = linksOf(direct_, kSub, u);
        return range.first != range.second;
    }

    // Where the search for the cause of a change stops: an assembly that changed directly, or the
    // main assembly of one file only.
    bool stopsSearch(NameId u) const {
        return changedDirectly(u) || (!out_.sameMainAssembly && (u == t_[kOld].main || u == t_[kNew].main));
    }

    // The nearest changed assemblies above an assembly whose own lines are unchanged, as sorted
    // unified numbers: every assembly that stops the search and is reached going up through
    // carried lines and assemblies that do not. Reachability is the same for every assembly of a
    // cycle, so the assemblies are resolved per strongly connected component (Tarjan's, without
    // recursion so that a deep tree cannot exhaust the stack), each one once for all the rows.
    const std::vector<NameId>& viaAbove(NameId start) {
        if (index_.empty()) {
            index_.assign(names_.count(), kNone);
            low_.assign(names_.count(), 0);
            onStack_.assign(names_.count(), 0);
        }
        if (index_[start] != kNone) return via_[start];
        struct Frame {
            NameId u;
            size_t next, end;  // into carried_
        };
        std::vector<Frame> frames;
        std::vector<NameId> component;
        auto enter = [&](NameId u) {
            index_[u] = low_[u] = counter_++;
            onStack_[u] = 1;
            component.push_back(u);
            const auto range = linksOf(carried_, kSub, u);
            frames.push_back({u, static_cast<size_t>(range.first - carried_.begin()),
                              static_cast<size_t>(range.second - carried_.begin())});
        };
        enter(start);
        while (!frames.empty()) {
            Frame& f = frames.back();
            const NameId u = f.u;
            if (f.next != f.end) {
                const NameId p = carried_[f.next++].parent;
                if (stopsSearch(p)) continue;
                if (index_[p] == kNone)
                    enter(p);  // invalidates `f`
                else if (onStack_[p])
                    low_[u] = std::min(low_[u], index_[p]);
                continue;
            }
            frames.pop_back();
            if (!frames.empty()) low_[frames.back().u] = std::min(low_[frames.back().u], low_[u]);
            if (low_[u] != index_[u]) continue;
            // u roots a component: what its members reach is what the component reaches.
            const size_t first = std::find(component.rbegin(), component.rend(), u).base() - 1 - component.begin();
            std::vector<NameId> found;
            for (size_t i = first; i < component.size(); ++i) {
                const auto range = linksOf(carried_, kSub, component[i]);
                for (auto it = range.first; it != range.second; ++it) {
                    const NameId p = it->parent;
                    if (stopsSearch(p))
                        found.push_back(p);
                    else if (!onStack_[p])
                        found.insert(found.end(), via_[p].begin(), via_[p].end());
                }
            }
            std::sort(found.begin(), found.end());
            found.erase(std::unique(found.begin(), found.end()), found.end());
            for (size_t i = first; i < component.size(); ++i) {
                onStack_[component[i]] = 0;
                via_[component[i]] = found;
            }
            component.resize(first);
        }
        return via_[start];
    }

    std::vector<std::string_view> sortedNames(std::vector<NameId> ids) const {
        std::vector<std::string_view> names;
        for (const NameId u : ids) names.push_back(names_.name(u));
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        return names;
    }

    void compareTotals() {
        for (int k : {kSub, kPart}) {
            std::vector<NameId> changed;
            for (NameId u = 0; u < names_.count(); ++u) {
                const bool o = t_[kOld].has[k][u], n = t_[kNew].has[k][u];
                if (o != n || (o && !(t_[kOld].total[k][u] == t_[kNew].total[k][u]))) changed.push_back(u);
            }
            std::sort(changed.begin(), changed.end(), [this](NameId x, NameId y) { return nameLess(x, y); });
            std::vector<TotalDifference>& rows = k == kSub ? out_.assemblyTotals : out_.partTotals;
            rows.reserve(changed.size());
            for (const NameId u : changed) {
                TotalDifference row;
                row.name = names_.name(u);
                if (t_[kOld].has[k][u]) row.oldTotal = t_[kOld].total[k][u];
                if (t_[kNew].has[k][u]) row.newTotal = t_[kNew].total[k][u];
                row.difference =
                    tallyPlus(row.newTotal.value_or(Tally{}), tallyTimes(row.oldTotal.value_or(Tally{}), -1));
                const auto direct = linksOf(direct_, k, u);
                for (auto it = direct.first; it != direct.second; ++it)
                    row.changedIn.push_back(names_.name(it->parent));
                row.cause = row.changedIn.empty() ? TotalCause::Indirect : TotalCause::Direct;
                std::vector<NameId> via;
                const auto carried = linksOf(carried_, k, u);
                for (auto it = carried.first; it != carried.second; ++it) {
                    if (stopsSearch(it->parent)) {
                        via.push_back(it->parent);
                    } else {
                        const std::vector<NameId>& above = viaAbove(it->parent);
                        via.insert(via.end(), above.begin(), above.end());
                    }
                }
                row.via = sortedNames(std::move(via));
                rows.push_back(std::move(row));
            }
            sameTotals(k);
        }
    }

    // The totals alike in both files, in the order of a side whose names were not converted: its
    // table is sorted by the same bytes, so no sort is needed.
    void sameTotals(int k) {
        const int side = names_.convertedSide() == kOld ? kNew : kOld;
        const ResultTables& tables = a_[side]->tables;
        const TotalsTable& table = k == kSub ? tables.assemblyTotals : tables.partTotals;
        std::vector<SameTotal>& rows = k == kSub ? out_.sameAssemblyTotals : out_.samePartTotals;
        for (size_t row = 0; row < table.count(); ++row) {
            const NameId u = names_.unified(side, tables.nameStore->idOf(table.names[row]));
            if (t_[kOld].has[k][u] && t_[kNew].has[k][u] && t_[kOld].total[k][u] == t_[kNew].total[k][u])
                rows.push_back({names_.name(u), table.totals[row]});
        }
    }

    void whereUsed() {
        std::sort(lineChanges_.begin(), lineChanges_.end(), [this](const LineChange& x, const LineChange& y) {
            if (x.link.member != y.link.member) return nameLess(x.link.member, y.link.member);
            return nameLess(x.link.parent, y.link.parent);
        });
        for (const LineChange& line : lineChanges_) {
            WhereUsedDifference row;
            row.name = names_.name(line.link.member);
            row.parent = names_.name(line.link.parent);
            row.oldQuantity = line.oldQuantity;
            row.newQuantity = line.newQuantity;
            row.change = !row.oldQuantity   ? MemberChange::Added
                         : !row.newQuantity ? MemberChange::Removed
                                            : MemberChange::Quantity;
            (line.link.kind == kSub ? out_.assemblyWhereUsed : out_.partWhereUsed).push_back(row);
        }
    }

    const Analysis* a_[2];
    const BomStructure* bom_[2];
    UnifiedNames names_;
    Comparison& out_;
    Tally build_;
    SideTotals t_[2];
    std::vector<uint8_t> multiplierChanged_;
    // A member of the block being compared: its quantities summed per file and type, and whether
    // it is listed (bit side * 2 + type). One slot per name, so that a line costs one cache miss.
    struct Slot {
        int64_t sum[2][2];
        uint8_t present;
    };
    std::vector<Slot> slots_;
    static constexpr uint32_t kAhead = 8;
    std::vector<NameId> changed_;          // the changed members of the block being compared
    std::vector<Link> direct_;             // changed lines of reached blocks, by type, member, parent name
    std::vector<Link> carried_;            // unchanged lines of reached blocks whose multiplier changed
    std::vector<LineChange> lineChanges_;  // every changed line
    FileNote repeatedMembers_[2];
    // The search for the nearest changed assemblies: Tarjan's numbering, and what each assembly
    // resolved reaches.
    std::vector<uint32_t> index_, low_;
    std::vector<uint8_t> onStack_;
    uint32_t counter_ = 0;
    std::unordered_map<NameId, std::vector<NameId>> via_;
};

}  // namespace

Comparison compareAnalyses(const Analysis& oldAnalysis, const Analysis& newAnalysis, ComparedFile oldFile,
                           ComparedFile newFile, int64_t buildQuantity, const LogSink& notes) {
    Comparison c;
    c.buildQuantity = buildQuantity;
    c.oldNames = oldAnalysis.structure->nameStore();
    c.newNames = newAnalysis.structure->nameStore();
    const auto converted = std::make_shared<std::deque<std::string>>();
    c.convertedNames = converted;
    Comparer comparer(oldAnalysis, newAnalysis, oldFile, newFile, buildQuantity, *converted, c);
    comparer.run();
    const Analysis* analyses[2] = {&oldAnalysis, &newAnalysis};
    ComparedFile* files[2] = {&oldFile, &newFile};
    for (int side : {kOld, kNew}) {
        const Analysis& a = *analyses[side];
        ComparedFile& f = *files[side];
        f.encoding = a.encoding;
        f.lineCount = a.lineCount;
        f.summaryDifferences = a.summaryDifferences;
        f.problems = a.problems;
        f.mainAssembly = comparer.mainAssembly(side);
        // Its log lines go with its names: a report holds one encoding.
        if (comparer.convertedSide() == side)
            for (std::string& line : f.log) line = windows1252ToUtf8(line);
        comparer.notes(side, notes, f.log);
    }
    c.oldFile = std::move(oldFile);
    c.newFile = std::move(newFile);
    std::vector<std::string> attributeNotes[2];
    compareAttributes({oldAnalysis.attributes, oldAnalysis.encoding}, {newAnalysis.attributes, newAnalysis.encoding}, c,
                      attributeNotes);
    for (int side : {kOld, kNew})
        for (std::string& line : attributeNotes[side]) {
            notes(line);
            (side == kOld ? c.oldFile : c.newFile).log.push_back(std::move(line));
        }
    return c;
}

}  // namespace trelk
