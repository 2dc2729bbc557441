#include "engine/rollup.h"

#include <algorithm>
#include <unordered_map>

namespace trelk {

// ---------------------------------------------------------------------------------------------
// Reading the structure

struct BomStructure::NameIndex {
    std::unordered_map<std::string_view, NameId> ids;
};

BomStructure::~BomStructure() = default;

NameId BomStructure::nameId(std::string_view name) {
    const auto [it, added] = index_->ids.emplace(name, static_cast<NameId>(names_.size()));
    if (added) {
        names_.push_back(name);
        firstHeader_.push_back(kNone);
    }
    return it->second;
}

NameId BomStructure::findName(std::string_view name) const {
    const auto it = index_->ids.find(name);
    return it == index_->ids.end() ? kNone : it->second;
}

BomStructure::BomStructure(std::string bytes, const KeywordSet& keywords)
    : bytes_(std::make_unique<std::string>(std::move(bytes))), index_(std::make_unique<NameIndex>()) {
    std::string& text = *bytes_;
    char* const base = text.data();
    // Where-used blocks are found in the same pass: a header outside a block opens one, the next
    // empty line closes it, and a header inside a block is an ordinary line of that block.
    bool inBlock = false;
    NameId blockAssembly = kNone;
    forEachLine(std::string_view(text), [&](std::string_view raw) {
        ++lineCount_;
        char* const start = base + (raw.data() - base);
        const std::string_view line(start, normaliseInPlace(start, raw.size()));
        const bool empty = line.empty();
        const bool header = isBlockHeader(line, keywords.contains);
        // An empty line ends a block before it could count as an item.
        const ItemKind kind = empty ? ItemKind::None : itemKind(line, keywords);
        if (!empty && !header && kind == ItemKind::None) return;

        BomEntry entry{};
        entry.line = static_cast<uint32_t>(lineCount_);
        entry.item = entry.header = entry.parent = kNone;
        entry.kind = kind;
        if (header) {
            entry.flags |= BomEntry::kHeader;
            entry.header = nameId(headerAssemblyName(line));
            if (firstHeader_[entry.header] == kNone) firstHeader_[entry.header] = static_cast<uint32_t>(entries_.size());
            if (mainAssembly_ == kNone) mainAssembly_ = entry.header;
        }
        if (empty) entry.flags |= BomEntry::kEmpty;
        if (kind != ItemKind::None) {
            entry.item = nameId(field(line, -1));
            const Quantity quantity = readQuantity(line);
            entry.quantity = quantity.value;
            entry.quantityOutOfRange = quantity.outOfRange;
        }
        if (!inBlock) {
            if (header) {
                inBlock = true;
                blockAssembly = entry.header;
            }
        } else if (empty) {
            inBlock = false;
        } else if (kind != ItemKind::None) {
            entry.flags |= BomEntry::kInBlock;
            entry.parent = blockAssembly;
        }
        entries_.push_back(entry);
    });
}

namespace messages {
std::string quantityOutOfRange(uint32_t line, std::string_view item) {
    std::string text = "Quantity out of range in line " + std::to_string(line) + ", counted as 0: abnormal error! - ";
    text += item;
    return text;
}
}  // namespace messages

namespace {

// Passes roll-up messages on until the limit, then says once that the rest are left out.
class MessageLimiter {
public:
    MessageLimiter(const LogSink& log, size_t limit) : log_(log), left_(limit) {}
    bool open() const { return !stopped_; }
    void say(std::string_view prefix, std::string_view name) {
        if (stopped_) return;
        if (left_ == 0) {
            log_(messages::kTooManyMessages);
            stopped_ = true;
            return;
        }
        --left_;
        line_.assign(prefix.data(), prefix.size());
        line_.append(name.data(), name.size());
        log_(line_);
    }
    // For the line that says the roll-up stopped: it is never left out.
    void sayAlways(std::string_view prefix, std::string_view name) {
        line_.assign(prefix.data(), prefix.size());
        line_.append(name.data(), name.size());
        log_(line_);
    }
    void sayWhole(const std::string& line) {
        if (stopped_) return;
        if (left_ == 0) {
            log_(messages::kTooManyMessages);
            stopped_ = true;
            return;
        }
        --left_;
        log_(line);
    }

private:
    const LogSink& log_;
    size_t left_;
    bool stopped_ = false;
    std::string line_;
};

// The assemblies reached from the main assembly, as a graph over name numbers.
class AssemblyGraph {
public:
    explicit AssemblyGraph(const BomStructure& bom)
        : bom_(bom), entries_(bom.entries()), n_(bom.nameCount()), blockEnd_(n_, kNone) {}

    bool hasBlock(NameId id) const { return bom_.firstHeader(id) != kNone; }
    uint32_t blockBegin(NameId id) const { return bom_.firstHeader(id) + 1; }
    uint32_t blockEnd(NameId id) const { return blockEnd_[id]; }
    const std::vector<NameId>& reached() const { return reached_; }

    // Everything with a block that the main assembly reaches; records where each block ends.
    void discover(NameId main) {
        std::vector<uint8_t> seen(n_, 0);
        std::vector<NameId> stack{main};
        seen[main] = 1;
        while (!stack.empty()) {
            const NameId v = stack.back();
            stack.pop_back();
            reached_.push_back(v);
            uint32_t e = blockBegin(v);
            for (; e < entries_.size() && !(entries_[e].flags & BomEntry::kEmpty); ++e) {
                const BomEntry& entry = entries_[e];
                if (entry.kind == ItemKind::SubAssembly && hasBlock(entry.item) && !seen[entry.item]) {
                    seen[entry.item] = 1;
                    stack.push_back(entry.item);
                }
            }
            blockEnd_[v] = e;
        }
    }

    // Tarjan's strongly connected components, without recursion so that deep trees cannot
    // exhaust the stack. Gives the reached assemblies children first (each component in one
    // piece) and marks those inside a cycle.
    void findCycles(NameId main, std::vector<NameId>& childrenFirst, std::vector<uint8_t>& inCycle) const {
        std::vector<uint32_t> index(n_, kNone), low(n_, kNone);
        std::vector<uint8_t> onStack(n_, 0);
        std::vector<NameId> component;
        struct Frame {
            NameId v;
            uint32_t next;
        };
        std::vector<Frame> frames;
        uint32_t counter = 0;
        auto enter = [&](NameId v) {
            index[v] = low[v] = counter++;
            component.push_back(v);
            onStack[v] = 1;
            frames.push_back({v, blockBegin(v)});
        };
        inCycle.assign(n_, 0);
        enter(main);
        while (!frames.empty()) {
            Frame& frame = frames.back();
            const NameId v = frame.v;
            bool descended = false;
            while (frame.next < blockEnd(v)) {
                const BomEntry& entry = entries_[frame.next++];
                if (entry.kind != ItemKind::SubAssembly || !hasBlock(entry.item)) continue;
                const NameId w = entry.item;
                if (w == v) inCycle[v] = 1;
                if (index[w] == kNone) {
                    enter(w);  // invalidates `frame`
                    descended = true;
                    break;
                }
                if (onStack[w]) low[v] = std::min(low[v], index[w]);
            }
            if (descended) continue;
            if (low[v] == index[v]) {
                const size_t first = std::find(component.rbegin(), component.rend(), v).base() - 1 - component.begin();
                const bool cycle = component.size() - first > 1;
                for (size_t i = first; i < component.size(); ++i) {
                    onStack[component[i]] = 0;
                    if (cycle) inCycle[component[i]] = 1;
                    childrenFirst.push_back(component[i]);
                }
                component.resize(first);
            }
            frames.pop_back();
            if (!frames.empty()) low[frames.back().v] = std::min(low[frames.back().v], low[v]);
        }
    }

private:
    const BomStructure& bom_;
    const std::vector<BomEntry>& entries_;
    size_t n_;
    std::vector<uint32_t> blockEnd_;
    std::vector<NameId> reached_;
};

class Rollup {
public:
    Rollup(const BomStructure& bom, const LogSink& log, const RollupLimits& limits)
        : bom_(bom), entries_(bom.entries()), graph_(bom), say_(log, limits.maxMessages), limits_(limits) {
        const size_t n = bom.nameCount();
        totals_.assembly.assign(n, Tally{});
        totals_.part.assign(n, Tally{});
        hasAssemblyRow_.assign(n, 0);
        hasPartRow_.assign(n, 0);
        multiplier_.assign(n, Tally{});
    }

    RollupTotals run(std::string_view mainName, Tally multiplier) {
        const NameId main = bom_.findName(mainName);
        if (main == kNone || !graph_.hasBlock(main)) {
            say_.say(messages::kAssemblyNotFound, mainName);
            return std::move(totals_);
        }
        graph_.discover(main);
        std::vector<NameId> childrenFirst;
        std::vector<uint8_t> inCycle;
        graph_.findCycles(main, childrenFirst, inCycle);
        markPathDependent(childrenFirst, inCycle);
        prepareReplay(childrenFirst);

        if (pathDependent_[main]) {
            walkEveryPath(main, multiplier);
        } else {
            multiplier_[main] = multiplier;
            replayMessages(main);
        }
        // Everything that reaches no cycle: the multiplier of an assembly is the sum over its
        // occurrences, complete once all its parents are done.
        for (auto it = childrenFirst.rbegin(); it != childrenFirst.rend(); ++it) {
            const NameId v = *it;
            if (pathDependent_[v]) continue;
            const Tally m = multiplier_[v];
            for (uint32_t e = graph_.blockBegin(v); e < graph_.blockEnd(v); ++e) {
                const BomEntry& entry = entries_[e];
                if (entry.kind == ItemKind::None) continue;
                const Tally product = tallyTimes(m, entry.quantity);
                add(entry, product);
                if (entry.kind == ItemKind::SubAssembly && graph_.hasBlock(entry.item))
                    multiplier_[entry.item] = tallyPlus(multiplier_[entry.item], product);
            }
        }
        return std::move(totals_);
    }

private:
    void add(const BomEntry& entry, Tally product) {
        if (entry.kind == ItemKind::SubAssembly) {
            if (!hasAssemblyRow_[entry.item]) {
                hasAssemblyRow_[entry.item] = 1;
                totals_.assemblies.push_back(entry.item);
            }
            totals_.assembly[entry.item] = tallyPlus(totals_.assembly[entry.item], product);
        } else {
            if (!hasPartRow_[entry.item]) {
                hasPartRow_[entry.item] = 1;
                totals_.parts.push_back(entry.item);
            }
            totals_.part[entry.item] = tallyPlus(totals_.part[entry.item], product);
        }
    }

    // An assembly whose expansion depends on the path that reached it: one inside a cycle or
    // reaching one. Everything else expands the same way wherever it is used.
    void markPathDependent(const std::vector<NameId>& childrenFirst, const std::vector<uint8_t>& inCycle) {
        pathDependent_.assign(bom_.nameCount(), 0);
        for (const NameId v : childrenFirst) {
            if (inCycle[v]) {
                pathDependent_[v] = 1;
                continue;
            }
            for (uint32_t e = graph_.blockBegin(v); e < graph_.blockEnd(v); ++e) {
                const BomEntry& entry = entries_[e];
                if (entry.kind == ItemKind::SubAssembly && graph_.hasBlock(entry.item) && pathDependent_[entry.item]) {
                    pathDependent_[v] = 1;
                    break;
                }
            }
        }
    }

    // For every path-independent assembly, the item lines below which a message waits: a
    // sub-assembly without a block, or one with messages of its own.
    void prepareReplay(const std::vector<NameId>& childrenFirst) {
        const size_t n = bom_.nameCount();
        std::vector<uint8_t> hasMessages(n, 0);
        replayStart_.assign(n, 0);
        replayEnd_.assign(n, 0);
        for (const NameId v : childrenFirst) {
            if (pathDependent_[v]) continue;
            replayStart_[v] = static_cast<uint32_t>(replayEntries_.size());
            for (uint32_t e = graph_.blockBegin(v); e < graph_.blockEnd(v); ++e) {
                const BomEntry& entry = entries_[e];
                if (entry.kind != ItemKind::SubAssembly) continue;
                if (!graph_.hasBlock(entry.item) || hasMessages[entry.item]) replayEntries_.push_back(e);
            }
            replayEnd_[v] = static_cast<uint32_t>(replayEntries_.size());
            hasMessages[v] = replayEnd_[v] > replayStart_[v];
        }
    }

    // The messages a path-independent assembly's expansion gives, in the order the depth-first
    // walk meets them; the work is bounded by the messages written.
    void replayMessages(NameId root) {
        if (!say_.open() || replayStart_[root] == replayEnd_[root]) return;
        struct Frame {
            uint32_t next, end;
        };
        std::vector<Frame> frames{{replayStart_[root], replayEnd_[root]}};
        while (!frames.empty() && say_.open()) {
            Frame& frame = frames.back();
            if (frame.next == frame.end) {
                frames.pop_back();
                continue;
            }
            const NameId child = entries_[replayEntries_[frame.next++]].item;
            if (!graph_.hasBlock(child)) say_.say(messages::kAssemblyNotFound, bom_.name(child));
            else frames.push_back({replayStart_[child], replayEnd_[child]});
        }
    }

    // The depth-first walk over every path, for assemblies whose expansion depends on it. An
    // assembly already on the path is not expanded again: the guard comes before the block
    // search, so a cycle costs one message instead of endless recursion.
    void walkEveryPath(NameId main, Tally multiplier) {
        std::vector<uint8_t> onPath(bom_.nameCount(), 0);
        struct Frame {
            NameId v;
            Tally m;
            uint32_t next;
        };
        std::vector<Frame> frames{{main, multiplier, graph_.blockBegin(main)}};
        onPath[main] = 1;
        uint64_t steps = 0;
        while (!frames.empty()) {
            Frame& frame = frames.back();
            if (frame.next == graph_.blockEnd(frame.v)) {
                onPath[frame.v] = 0;
                frames.pop_back();
                continue;
            }
            const BomEntry& entry = entries_[frame.next++];
            if (entry.kind == ItemKind::None) continue;
            if (++steps > limits_.maxCycleSteps) {
                say_.sayAlways(messages::kTooComplex, bom_.name(frame.v));
                return;
            }
            const Tally product = tallyTimes(frame.m, entry.quantity);
            add(entry, product);
            if (entry.kind != ItemKind::SubAssembly) continue;
            const NameId child = entry.item;
            if (graph_.hasBlock(child) && onPath[child]) {
                say_.say(messages::kContainsItself, bom_.name(child));
            } else if (!graph_.hasBlock(child)) {
                say_.say(messages::kAssemblyNotFound, bom_.name(child));
            } else if (!pathDependent_[child]) {
                multiplier_[child] = tallyPlus(multiplier_[child], product);
                replayMessages(child);
            } else {
                onPath[child] = 1;
                frames.push_back({child, product, graph_.blockBegin(child)});  // invalidates `frame`
            }
        }
    }

    const BomStructure& bom_;
    const std::vector<BomEntry>& entries_;
    AssemblyGraph graph_;
    MessageLimiter say_;
    RollupLimits limits_;
    RollupTotals totals_;
    std::vector<uint8_t> hasAssemblyRow_, hasPartRow_, pathDependent_;
    std::vector<Tally> multiplier_;
    std::vector<uint32_t> replayStart_, replayEnd_, replayEntries_;
};

}  // namespace

void logQuantityProblems(const BomStructure& bom, const LogSink& log) {
    MessageLimiter say(log, RollupLimits().maxMessages);
    for (const BomEntry& entry : bom.entries())
        if ((entry.flags & BomEntry::kInBlock) && entry.quantityOutOfRange)
            say.sayWhole(messages::quantityOutOfRange(entry.line, bom.name(entry.item)));
}

RollupTotals expandAssembly(const BomStructure& bom, std::string_view assemblyName, Tally multiplier,
                            const LogSink& log, const RollupLimits& limits) {
    return Rollup(bom, log, limits).run(assemblyName, multiplier);
}

WhereUsedById buildWhereUsed(const BomStructure& bom) {
    const size_t n = bom.nameCount();
    WhereUsedById w;
    w.assemblyCount.assign(n, 0);
    w.partCount.assign(n, 0);
    for (const BomEntry& entry : bom.entries()) {
        if (!(entry.flags & BomEntry::kInBlock)) continue;
        std::vector<uint32_t>& count = entry.kind == ItemKind::SubAssembly ? w.assemblyCount : w.partCount;
        std::vector<NameId>& rows = entry.kind == ItemKind::SubAssembly ? w.assemblies : w.parts;
        if (count[entry.item]++ == 0) rows.push_back(entry.item);
    }
    auto layOut = [n](const std::vector<uint32_t>& count, std::vector<uint32_t>& start,
                      std::vector<WhereUsedById::Entry>& entries) {
        start.assign(n, kNone);
        uint32_t next = 0;
        for (size_t id = 0; id < n; ++id)
            if (count[id]) {
                start[id] = next;
                next += count[id];
            }
        entries.resize(next);
    };
    layOut(w.assemblyCount, w.assemblyStart, w.assemblyEntries);
    layOut(w.partCount, w.partStart, w.partEntries);
    std::vector<uint32_t> filledA(n, 0), filledP(n, 0);
    for (const BomEntry& entry : bom.entries()) {
        if (!(entry.flags & BomEntry::kInBlock)) continue;
        if (entry.kind == ItemKind::SubAssembly)
            w.assemblyEntries[w.assemblyStart[entry.item] + filledA[entry.item]++] = {entry.quantity, entry.parent};
        else
            w.partEntries[w.partStart[entry.item] + filledP[entry.item]++] = {entry.quantity, entry.parent};
    }
    return w;
}

namespace {

// Names compare as unsigned bytes, and a name that begins another comes first.
std::vector<NameId> inNameOrder(const BomStructure& bom, std::vector<NameId> ids) {
    std::sort(ids.begin(), ids.end(), [&](NameId a, NameId b) { return bom.name(a) < bom.name(b); });
    return ids;
}

class NameCopies {
public:
    NameCopies(const BomStructure& bom, NameArena& arena) : bom_(bom), arena_(arena), copies_(bom.nameCount()), done_(bom.nameCount(), 0) {}
    std::string_view operator()(NameId id) {
        if (!done_[id]) {
            copies_[id] = arena_.copy(bom_.name(id));
            done_[id] = 1;
        }
        return copies_[id];
    }

private:
    const BomStructure& bom_;
    NameArena& arena_;
    std::vector<std::string_view> copies_;
    std::vector<uint8_t> done_;
};

}  // namespace

ResultTables sortTables(const BomStructure& bom, const RollupTotals& totals, const WhereUsedById& whereUsed) {
    ResultTables tables;
    NameCopies copy(bom, tables.names);
    tables.mainAssemblyName = std::string(bom.mainAssemblyName());

    auto fillTotals = [&](const std::vector<NameId>& ids, const std::vector<Tally>& byId, TotalsTable& table) {
        for (const NameId id : inNameOrder(bom, ids)) {
            table.names.push_back(copy(id));
            table.totals.push_back(byId[id]);
        }
    };
    fillTotals(totals.assemblies, totals.assembly, tables.assemblyTotals);
    fillTotals(totals.parts, totals.part, tables.partTotals);

    auto fillWhereUsed = [&](const std::vector<NameId>& ids, const std::vector<uint32_t>& start,
                             const std::vector<uint32_t>& count,
                             const std::vector<WhereUsedById::Entry>& entries, WhereUsedTable& table) {
        table.entries.reserve(entries.size());
        for (const NameId id : inNameOrder(bom, ids)) {
            table.names.push_back(copy(id));
            for (uint32_t i = start[id]; i < start[id] + count[id]; ++i)
                table.entries.push_back({entries[i].quantity, copy(entries[i].assembly)});
            table.entryStart.push_back(static_cast<uint32_t>(table.entries.size()));
        }
    };
    fillWhereUsed(whereUsed.assemblies, whereUsed.assemblyStart, whereUsed.assemblyCount, whereUsed.assemblyEntries,
                  tables.assemblyWhereUsed);
    fillWhereUsed(whereUsed.parts, whereUsed.partStart, whereUsed.partCount, whereUsed.partEntries,
                  tables.partWhereUsed);
    return tables;
}

void logOutOfRangeTotals(const ResultTables& tables, const LogSink& log) {
    MessageLimiter say(log, RollupLimits().maxMessages);
    for (const TotalsTable* table : {&tables.assemblyTotals, &tables.partTotals})
        for (size_t row = 0; row < table->count(); ++row)
            if (table->totals[row].outOfRange) say.say(messages::kTotalOutOfRange, table->names[row]);
}

}  // namespace trelk
