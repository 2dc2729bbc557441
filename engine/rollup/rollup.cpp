#include "engine/rollup/rollup.h"

#include <algorithm>

#include "engine/files/file_system.h"
#include "engine/rollup/name_order.h"

namespace trelk {

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
        if (admit()) sayAlways(prefix, name);
    }
    // For the line that says the roll-up stopped: it is never left out.
    void sayAlways(std::string_view prefix, std::string_view name) {
        line_.assign(prefix.data(), prefix.size());
        line_.append(name.data(), name.size());
        log_(line_);
    }
    void sayWhole(const std::string& line) {
        if (admit()) log_(line);
    }

private:
    const LogSink& log_;
    size_t left_;
    bool stopped_ = false;
    std::string line_;

    // Counts one more message; at the limit says once that the rest are left out.
    bool admit() {
        if (stopped_) return false;
        if (left_ == 0) {
            log_(messages::kTooManyMessages);
            stopped_ = true;
            return false;
        }
        --left_;
        return true;
    }
};

// The assemblies reached from the main assembly, as a graph over name numbers. Its edges are the
// sub-assembly lines of each reached walk, listed once, so that the passes over the structure
// need not go over the part lines again.
class AssemblyGraph {
public:
    explicit AssemblyGraph(const BomStructure& bom)
        : bom_(bom), items_(bom.items()), n_(bom.nameCount()), edgeBegin_(n_, 0), edgeEnd_(n_, 0) {}

    bool hasBlock(NameId id) const { return bom_.hasBlock(id); }
    uint32_t blockBegin(NameId id) const { return bom_.walkBegin(id); }
    uint32_t blockEnd(NameId id) const { return bom_.walkEnd(id); }
    // The item numbers of the sub-assembly lines in the assembly's walk, in walk order.
    const uint32_t* edgesBegin(NameId id) const { return edges_.data() + edgeBegin_[id]; }
    const uint32_t* edgesEnd(NameId id) const { return edges_.data() + edgeEnd_[id]; }
    NameId child(uint32_t edge) const { return items_[edge].item; }

    // Lists the edges of everything with a block that the main assembly reaches. Gives the
    // number of item lines it went over.
    uint64_t discover(NameId main) {
        uint64_t walked = 0;
        std::vector<uint8_t> seen(n_, 0);
        std::vector<NameId> stack{main};
        seen[main] = 1;
        while (!stack.empty()) {
            const NameId v = stack.back();
            stack.pop_back();
            edgeBegin_[v] = static_cast<uint32_t>(edges_.size());
            walked += blockEnd(v) - blockBegin(v);
            for (uint32_t e = blockBegin(v); e < blockEnd(v); ++e) {
                const BomItem& item = items_[e];
                if (item.kind != ItemKind::SubAssembly) continue;
                edges_.push_back(e);
                if (hasBlock(item.item) && !seen[item.item]) {
                    seen[item.item] = 1;
                    stack.push_back(item.item);
                }
            }
            edgeEnd_[v] = static_cast<uint32_t>(edges_.size());
        }
        return walked;
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
            const uint32_t* next;
        };
        std::vector<Frame> frames;
        uint32_t counter = 0;
        auto enter = [&](NameId v) {
            index[v] = low[v] = counter++;
            component.push_back(v);
            onStack[v] = 1;
            frames.push_back({v, edgesBegin(v)});
        };
        inCycle.assign(n_, 0);
        enter(main);
        while (!frames.empty()) {
            Frame& frame = frames.back();
            const NameId v = frame.v;
            bool descended = false;
            while (frame.next != edgesEnd(v)) {
                const NameId w = child(*frame.next++);
                if (!hasBlock(w)) continue;
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
    const std::vector<BomItem>& items_;
    size_t n_;
    std::vector<uint32_t> edges_, edgeBegin_, edgeEnd_;
};

class Rollup {
public:
    Rollup(const BomStructure& bom, const LogSink& log, const RollupLimits& limits)
        : bom_(bom), items_(bom.items()), graph_(bom), say_(log, limits.maxMessages), limits_(limits) {
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
        totals_.linesWalked += graph_.discover(main);
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
            totals_.linesWalked += graph_.blockEnd(v) - graph_.blockBegin(v);
            for (uint32_t e = graph_.blockBegin(v); e < graph_.blockEnd(v); ++e) {
                const BomItem& entry = items_[e];
                const Tally product = tallyTimes(m, entry.quantity);
                add(entry, product);
                if (entry.kind == ItemKind::SubAssembly && graph_.hasBlock(entry.item))
                    multiplier_[entry.item] = tallyPlus(multiplier_[entry.item], product);
            }
        }
        return std::move(totals_);
    }

private:
    void add(const BomItem& entry, Tally product) {
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
            for (const uint32_t* e = graph_.edgesBegin(v); e != graph_.edgesEnd(v); ++e) {
                const NameId child = graph_.child(*e);
                if (graph_.hasBlock(child) && pathDependent_[child]) {
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
            for (const uint32_t* e = graph_.edgesBegin(v); e != graph_.edgesEnd(v); ++e) {
                const NameId child = graph_.child(*e);
                if (!graph_.hasBlock(child) || hasMessages[child]) replayEntries_.push_back(*e);
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
            const NameId child = items_[replayEntries_[frame.next++]].item;
            ++totals_.linesWalked;
            if (!graph_.hasBlock(child))
                say_.say(messages::kAssemblyNotFound, bom_.name(child));
            else
                frames.push_back({replayStart_[child], replayEnd_[child]});
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
            const BomItem& entry = items_[frame.next++];
            ++totals_.linesWalked;
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
    const std::vector<BomItem>& items_;
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
    for (const QuantityProblem& problem : bom.quantityProblems())
        say.sayWhole(messages::quantityOutOfRange(problem.line, bom.name(problem.item)));
}

RollupTotals expandAssembly(const BomStructure& bom, std::string_view assemblyName, Tally multiplier,
                            const LogSink& log, const RollupLimits& limits) {
    return Rollup(bom, log, limits).run(assemblyName, multiplier);
}

WhereUsedById buildWhereUsed(const BomStructure& bom) {
    const size_t n = bom.nameCount();
    const std::vector<BomItem>& items = bom.items();
    WhereUsedById w;
    w.assemblyCount.assign(n, 0);
    w.partCount.assign(n, 0);
    for (const BomBlock& block : bom.blocks())
        for (uint32_t i = block.begin; i < block.end; ++i) {
            const BomItem& item = items[i];
            const bool assembly = item.kind == ItemKind::SubAssembly;
            if ((assembly ? w.assemblyCount : w.partCount)[item.item]++ == 0)
                (assembly ? w.assemblies : w.parts).push_back(item.item);
        }
    auto layOut = [n](const std::vector<uint32_t>& count, std::vector<uint32_t>& start,
                      std::vector<WhereUsedEntry>& entries) {
        start.assign(n, kNone);
        uint32_t next = 0;
        for (size_t id = 0; id < n; ++id)
            if (count[id]) {
                start[id] = next;
                next += count[id];
            }
        reserveLarge(entries, next);
        entries.resize(next);
    };
    layOut(w.assemblyCount, w.assemblyStart, w.assemblyEntries);
    layOut(w.partCount, w.partStart, w.partEntries);
    // Each start moves on as its entries are placed, and is put back afterwards.
    for (const BomBlock& block : bom.blocks())
        for (uint32_t i = block.begin; i < block.end; ++i) {
            const BomItem& item = items[i];
            if (item.kind == ItemKind::SubAssembly)
                w.assemblyEntries[w.assemblyStart[item.item]++] = {item.quantity, block.assembly};
            else
                w.partEntries[w.partStart[item.item]++] = {item.quantity, block.assembly};
        }
    for (const NameId id : w.assemblies) w.assemblyStart[id] -= w.assemblyCount[id];
    for (const NameId id : w.parts) w.partStart[id] -= w.partCount[id];
    return w;
}

namespace {

// The rows of one table in name order: the names of `ids`, picked from the whole order.
class RowOrder {
public:
    explicit RowOrder(const BomStructure& bom)
        : order_(inByteOrder(bom.nameCount(), [&bom](NameId id) { return bom.name(id); })),
          present_(bom.nameCount(), 0) {}
    std::vector<NameId> operator()(const std::vector<NameId>& ids) {
        for (const NameId id : ids) present_[id] = 1;
        std::vector<NameId> rows;
        rows.reserve(ids.size());
        for (const NameId id : order_)
            if (present_[id]) {
                rows.push_back(id);
                present_[id] = 0;
            }
        return rows;
    }

private:
    std::vector<NameId> order_;
    std::vector<uint8_t> present_;
};

}  // namespace

ResultTables sortTables(const BomStructure& bom, const RollupTotals& totals, WhereUsedById whereUsed) {
    ResultTables tables;
    // The names stay where the structure keeps them; the tables hold on to that store.
    tables.nameStore = bom.nameStore();
    tables.mainAssemblyName = std::string(bom.mainAssemblyName());
    RowOrder inNameOrder(bom);

    auto fillTotals = [&](const std::vector<NameId>& ids, const std::vector<Tally>& byId, TotalsTable& table) {
        table.names.reserve(ids.size());
        table.totals.reserve(ids.size());
        for (const NameId id : inNameOrder(ids)) {
            table.names.push_back(bom.name(id));
            table.totals.push_back(byId[id]);
        }
    };
    fillTotals(totals.assemblies, totals.assembly, tables.assemblyTotals);
    fillTotals(totals.parts, totals.part, tables.partTotals);

    // The rows point into the entries where they lie; the assemblies they name are numbered anew
    // per table, in place.
    std::vector<uint32_t> assemblyIndex(bom.nameCount(), kNone);
    auto fillWhereUsed = [&](const std::vector<NameId>& ids, const std::vector<uint32_t>& start,
                             const std::vector<uint32_t>& count, std::vector<WhereUsedEntry>& entries,
                             WhereUsedTable& table) {
        table.names.reserve(ids.size());
        table.entryBegin.reserve(ids.size());
        table.entryEnd.reserve(ids.size());
        for (const NameId id : inNameOrder(ids)) {
            table.names.push_back(bom.name(id));
            table.entryBegin.push_back(start[id]);
            table.entryEnd.push_back(start[id] + count[id]);
        }
        std::fill(assemblyIndex.begin(), assemblyIndex.end(), kNone);
        for (WhereUsedEntry& entry : entries) {
            uint32_t& index = assemblyIndex[entry.assembly];
            if (index == kNone) {
                index = static_cast<uint32_t>(table.assemblies.size());
                table.assemblies.push_back(bom.name(entry.assembly));
            }
            entry.assembly = index;
        }
        table.entries = std::move(entries);
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
            if (table->totals[row].outOfRange()) say.say(messages::kTotalOutOfRange, table->names[row]);
}

}  // namespace trelk
