#include "support/literal_rollup.h"

#include "engine/rollup/reading_check.h"
#include "engine/rollup/summary_check.h"

#include <algorithm>
#include <numeric>
#include <optional>

namespace trelk::literal {

namespace {

class Limiter {
public:
    Limiter(std::vector<std::string>& log, size_t limit) : log_(log), left_(limit) {}
    void say(const std::string& line) {
        if (stopped_) return;
        if (left_ == 0) {
            log_.emplace_back(messages::kTooManyMessages);
            stopped_ = true;
            return;
        }
        --left_;
        log_.push_back(line);
    }

private:
    std::vector<std::string>& log_;
    size_t left_;
    bool stopped_ = false;
};

size_t findOrAdd(std::vector<std::string>& names, std::string_view name) {
    for (size_t row = 0; row < names.size(); ++row)
        if (names[row] == name) return row;
    names.emplace_back(name);
    return names.size() - 1;
}

size_t findOrAdd(Totals& table, std::string_view name) {
    const size_t row = findOrAdd(table.names, name);
    if (row == table.totals.size()) table.totals.push_back(Tally{});
    return row;
}

size_t findOrAdd(WhereUsed& table, std::string_view name) {
    const size_t row = findOrAdd(table.names, name);
    if (row == table.entries.size()) table.entries.emplace_back();
    return row;
}

class Reading {
public:
    Reading(const BomLineTable& table, const KeywordSet& keywords, const ColumnLayout& columns, Analysis& out,
            Limiter& say)
        : table_(table),
          keywords_(keywords),
          columns_(columns),
          types_(typeFields(table, keywords, columns.Type)),
          out_(out),
          say_(say) {}

    // The fields of item line n by the column layout.
    // What the type field of line n makes of it; the rest of a cut type word is no item.
    ItemKind kind(size_t n) const {
        if (types_.rest[n]) return ItemKind::None;
        const std::string& type = types_.types[n];
        return type == keywords_.SubAssembly ? ItemKind::SubAssembly
               : type == keywords_.Part      ? ItemKind::Part
                                             : ItemKind::None;
    }
    Quantity quantity(std::string_view line) const { return readQuantityField(field(line, columns_.Quantity)); }
    std::string_view item(std::string_view line) const { return field(line, columns_.Name); }
    // Line n is a block header; the rest of a cut type word is none.
    bool isHeader(size_t n) const { return !types_.rest[n] && isBlockHeader(table_.line(n), keywords_.contains); }
    bool isRest(size_t n) const { return types_.rest[n]; }
    std::string_view headerName(size_t n) const { return headerAssemblyName(table_.line(n), keywords_.contains); }

    void expandAssembly(std::string_view name, Tally multiplier) {
        if (std::find(path_.begin(), path_.end(), name) != path_.end()) {
            say_.say(std::string(messages::kContainsItself) + std::string(name));
            return;
        }
        size_t header = 0;
        for (size_t i = 1; i <= table_.count(); ++i)
            if (isHeader(i) && headerName(i) == name) {
                header = i;
                break;
            }
        if (header == 0) {
            say_.say(std::string(messages::kAssemblyNotFound) + std::string(name));
            return;
        }
        path_.push_back(name);
        for (size_t i = header + 1; !table_.line(i).empty(); ++i) {
            const std::string_view line = table_.line(i);
            const ItemKind kind = this->kind(i);
            const Tally product = tallyTimes(multiplier, quantity(line).value);
            const std::string_view item = this->item(line);
            if (kind == ItemKind::SubAssembly) {
                const size_t row = findOrAdd(out_.assemblyTotals, item);
                out_.assemblyTotals.totals[row] = tallyPlus(out_.assemblyTotals.totals[row], product);
                expandAssembly(item, product);
            } else if (kind == ItemKind::Part) {
                const size_t row = findOrAdd(out_.partTotals, item);
                out_.partTotals.totals[row] = tallyPlus(out_.partTotals.totals[row], product);
            }
        }
        path_.pop_back();
    }

    // Calls onItem(line number, line, parent) for every item line of every block, in file order.
    template <class OnItem>
    void forEachBlockItem(OnItem&& onItem) const {
        size_t i = 1;
        for (;;) {
            while (i <= table_.count() && !isHeader(i)) ++i;
            if (i > table_.count()) return;
            const std::string_view parent = headerName(i);
            size_t j = i + 1;
            for (; !table_.line(j).empty(); ++j) {
                if (kind(j) != ItemKind::None) onItem(j, table_.line(j), parent);
            }
            i = j + 1;
        }
    }

    void buildWhereUsed() {
        forEachBlockItem([&](size_t n, std::string_view line, std::string_view parent) {
            WhereUsed& table = kind(n) == ItemKind::SubAssembly ? out_.assemblyWhereUsed : out_.partWhereUsed;
            const size_t row = findOrAdd(table, item(line));
            table.entries[row] += formatCount(quantity(line).value) + "x in " + std::string(parent) + ";";
        });
    }

private:
    const BomLineTable& table_;
    const KeywordSet& keywords_;
    const ColumnLayout& columns_;
    TypeFields types_;
    Analysis& out_;
    Limiter& say_;
    std::vector<std::string_view> path_;
};

void sortTotals(Totals& table) {
    std::vector<size_t> order(table.names.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return table.names[a] < table.names[b]; });
    Totals sorted;
    for (const size_t row : order) {
        sorted.names.push_back(table.names[row]);
        sorted.totals.push_back(table.totals[row]);
    }
    table = sorted;
}

void sortWhereUsed(WhereUsed& table) {
    std::vector<size_t> order(table.names.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return table.names[a] < table.names[b]; });
    WhereUsed sorted;
    for (const size_t row : order) {
        sorted.names.push_back(table.names[row]);
        sorted.entries.push_back(table.entries[row]);
    }
    table = sorted;
}

}  // namespace

std::vector<std::string> readLines(std::string_view bytes) {
    const size_t mark = bytes.find('\x1a');
    if (mark != std::string_view::npos) bytes = bytes.substr(0, mark);
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes = bytes.substr(3);
    bool anyCr = false, anyLf = false, everyLfAfterCrCr = true;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') anyCr = true;
        if (bytes[i] == '\n') {
            anyLf = true;
            if (i < 2 || bytes[i - 1] != '\r' || bytes[i - 2] != '\r') everyLfAfterCrCr = false;
        }
    }
    const bool lfEnds = !anyCr && anyLf;
    const bool crCrLfEnds = anyLf && everyLfAfterCrCr;
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(std::count(bytes.begin(), bytes.end(), lfEnds ? '\n' : '\r')) + 1);
    size_t start = 0, i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (lfEnds ? c == '\n' : c == '\r') {
            lines.emplace_back(bytes.substr(start, i - start));
            if (crCrLfEnds && bytes.substr(i, 3) == "\r\r\n")
                i += 3;
            else if (!lfEnds && bytes.substr(i, 2) == "\r\n")
                i += 2;
            else
                ++i;
            start = i;
            continue;
        }
        ++i;
    }
    if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
    return lines;
}

BomLineTable lineTable(std::string_view bytes) { return BomLineTable::fromLines(readLines(bytes)); }

namespace {

// A line of the table that looks like a row: two words or more when it is cut at blanks, TABs, '|'
// and ';', and among the first eight, one a number and one no number.
bool looksLikeRow(std::string_view line) {
    // Views into the line: the oracle runs on every fuzz input, and a string a word cost a third
    // of its time under the sanitizers.
    std::string_view words[8];
    size_t count = 0, start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        const char c = i < line.size() ? line[i] : ' ';
        if (c == ' ' || c == '\t' || c == '|' || c == ';') {
            if (i > start && count < 8) words[count++] = line.substr(start, i - start);
            start = i + 1;
        }
    }
    const std::string_view* const begin = words;
    const std::string_view* const end = words + count;
    const auto number = [](std::string_view w) { return startsWithNumber(w); };
    return count >= 2 && std::any_of(begin, end, number) &&
           std::any_of(begin, end, [&](std::string_view w) { return !number(w); });
}

Analysis analyseTable(BomLineTable table, const KeywordSet& keywords, const RollupLimits& limits,
                      const ColumnLayout& columns);

}  // namespace

// The analysis, then the sign of a wrong reading: rows in the file, and no member read.
Analysis analyse(BomLineTable table, const KeywordSet& keywords, const RollupLimits& limits,
                 const ColumnLayout& columns) {
    size_t rows = 0;
    for (size_t i = 1; i <= table.count(); ++i) rows += looksLikeRow(table.line(i));
    Analysis out = analyseTable(std::move(table), keywords, limits, columns);
    if (out.assemblyWhereUsed.names.empty() && out.partWhereUsed.names.empty() && rows > 0)
        out.log.push_back("None of the " + std::to_string(rows) +
                          " rows of the BOM file was read as a member of an assembly: the keywords or the layout in "
                          "use do not fit it!");
    return out;
}

namespace {

Analysis analyseTable(BomLineTable table, const KeywordSet& keywords, const RollupLimits& limits,
                      const ColumnLayout& columns) {
    table.normaliseAll();
    Analysis out;
    Limiter quantitySay(out.log, limits.maxMessages);
    Limiter rollupSay(out.log, limits.maxMessages);
    Reading reading(table, keywords, columns, out, rollupSay);
    size_t firstHeader = 0;
    for (size_t i = 1; i <= table.count() && firstHeader == 0; ++i)
        if (reading.isHeader(i)) {
            out.mainAssemblyName = std::string(reading.headerName(i));
            firstHeader = i;
        }
    reading.forEachBlockItem([&](size_t number, std::string_view line, std::string_view) {
        if (reading.quantity(line).outOfRange)
            quantitySay.say(messages::quantityOutOfRange(static_cast<uint32_t>(number), reading.item(line)));
    });
    reading.expandAssembly(out.mainAssemblyName, Tally::of(1));
    reading.buildWhereUsed();
    sortTotals(out.assemblyTotals);
    sortTotals(out.partTotals);
    sortWhereUsed(out.assemblyWhereUsed);
    sortWhereUsed(out.partWhereUsed);

    Limiter totalSay(out.log, limits.maxMessages);
    for (const Totals* totals : {&out.assemblyTotals, &out.partTotals})
        for (size_t row = 0; row < totals->names.size(); ++row)
            if (totals->totals[row].outOfRange())
                totalSay.say(std::string(messages::kTotalOutOfRange) + totals->names[row]);

    // Most item lines without a number where the quantity stands: another column taken for it,
    // said after the summary's lines.
    size_t items = 0, withoutQuantity = 0;
    reading.forEachBlockItem([&](size_t, std::string_view line, std::string_view) {
        ++items;
        const std::string_view quantity = field(line, columns.Quantity);
        size_t i = quantity.substr(0, 1) == "+" || quantity.substr(0, 1) == "-" ? 1 : 0;
        if (quantity.substr(i, 1) == ".") ++i;
        withoutQuantity += !(i < quantity.size() && quantity[i] >= '0' && quantity[i] <= '9');
    });
    const auto sayNoQuantity = [&] {
        if (2 * withoutQuantity > items)
            out.log.push_back(std::to_string(withoutQuantity) + " of the " + std::to_string(items) +
                              " rows read of the BOM file have no number where the quantity stands: the keywords or "
                              "the layout in use do not fit it!");
    };

    // The export's own summary of parts against the totals.
    // Its line holds the keyword and names the main assembly: as its last field (a ":" after it
    // aside), or as the field before the keyword, which then ends the line.
    size_t summary = 0;
    const std::string& keyword = keywords.SummaryOfParts;
    for (size_t i = 1; i <= table.count() && !out.mainAssemblyName.empty(); ++i) {
        const std::string_view line = table.line(i);
        std::string_view last = field(line, -1);
        if (!last.empty() && last.back() == ':') last.remove_suffix(1);
        const bool endsWithKeyword = !keyword.empty() && line.size() > keyword.size() &&
                                     line.substr(line.size() - keyword.size()) == keyword &&
                                     line[line.size() - keyword.size() - 1] == ' ';
        const std::string_view before =
            endsWithKeyword ? field(line.substr(0, line.size() - keyword.size() - 1), -1) : std::string_view();
        if (line.find(keyword) != std::string_view::npos &&
            (last == out.mainAssemblyName || before == out.mainAssemblyName)) {
            summary = i;
            break;
        }
    }
    if (summary == 0) {
        sayNoQuantity();
        return out;
    }
    std::vector<std::string> listedNames;
    std::vector<int64_t> listed;
    std::optional<int64_t> totalLine;
    size_t listedRows = 0;
    for (size_t j = summary + 1; !table.line(j).empty(); ++j) {
        const std::string_view line = table.line(j);
        if (reading.kind(j) != ItemKind::Part) {
            // A line after a row that ends in a whole number, after some words: a total.
            const std::string_view last = field(line, -1);
            // (Only for a summary after the first header, which the reading meets as the lines come.)
            if (summary > firstHeader && listedRows > 0 && !totalLine && !reading.isRest(j) && field(line, 2) != "" &&
                !last.empty() && last.size() <= 18 && last.find_first_not_of("0123456789") == std::string_view::npos)
                totalLine = std::stoll(std::string(last));
            continue;
        }
        ++listedRows;
        const size_t row = findOrAdd(listedNames, reading.item(line));
        if (row == listed.size()) listed.push_back(0);
        listed[row] += reading.quantity(line).value;
    }
    std::vector<std::string> names = listedNames;
    for (const std::string& name : out.partTotals.names) findOrAdd(names, name);
    std::sort(names.begin(), names.end());
    size_t differences = 0;
    for (const std::string& name : names) {
        int64_t counted = 0, listedTotal = 0;
        bool outOfRange = false;
        for (size_t row = 0; row < out.partTotals.names.size(); ++row)
            if (out.partTotals.names[row] == name) {
                counted = out.partTotals.totals[row].value();
                outOfRange = out.partTotals.totals[row].outOfRange();
            }
        for (size_t row = 0; row < listedNames.size(); ++row)
            if (listedNames[row] == name) listedTotal = listed[row];
        if (outOfRange || counted == listedTotal) continue;
        if (++differences <= 100)
            out.log.push_back("Total differs from the summary of parts in the BOM file, counted" +
                              formatSignedDecimal(counted) + ", listed" + formatSignedDecimal(listedTotal) + " - " +
                              name);
        else if (differences == 101)
            out.log.emplace_back("Further differences from the summary of parts left out!");
    }
    if (totalLine) {
        const int64_t listedSum = std::accumulate(listed.begin(), listed.end(), int64_t{0});
        Tally countedSum;
        for (const Tally& t : out.partTotals.totals) countedSum = tallyPlus(countedSum, t);
        const bool rowCount = *totalLine != listedSum && *totalLine == static_cast<int64_t>(listedRows);
        const int64_t counted = rowCount ? static_cast<int64_t>(out.partTotals.names.size()) : countedSum.value();
        if (counted != *totalLine && (rowCount || !countedSum.outOfRange()))
            out.log.push_back("Total of the parts differs from the total line in the BOM file, counted" +
                              formatSignedDecimal(counted) + ", listed" + formatSignedDecimal(*totalLine));
    }
    // Most parts differing, and at least three, say that the file was not read as it is laid out.
    if (differences >= 3 && 2 * differences > names.size())
        out.log.push_back("Totals differ from the summary of parts in the BOM file in " + std::to_string(differences) +
                          " of " + std::to_string(names.size()) + " parts: the file was not read as it is laid out!");
    sayNoQuantity();
    return out;
}

}  // namespace

}  // namespace trelk::literal

namespace trelk::testing {

literal::Analysis engineAnalysis(std::string bytes, const KeywordSet& keywords, const RollupLimits& limits,
                                 const ColumnLayout& columns) {
    literal::Analysis out;
    const LogSink log = [&out](std::string_view line) { out.log.emplace_back(line); };
    const std::string text = bytes;
    const BomStructure bom(std::move(bytes), keywords, columns);
    logQuantityProblems(bom, log);
    const RollupTotals totals = expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1), log, limits);
    const ResultTables tables = sortTables(bom, totals, buildWhereUsed(bom));
    logOutOfRangeTotals(tables, log);
    const SummaryDifferences differences = logSummaryDifferences(tables.partTotals, bom, log);
    if (differences.mostPartsDiffer()) log(messages::mostPartsDiffer(differences.differingParts, differences.parts));
    if (quantitiesMissing(bom.rowsWithoutQuantity(), bom.blockRows()))
        log(messages::noQuantityRead(bom.rowsWithoutQuantity(), bom.blockRows()));
    if (tookNoRow(tables))
        if (const size_t rows = rowsIn(text)) log(messages::noRowRead(rows));
    literal::Analysis converted = fromTables(tables);
    converted.log = std::move(out.log);
    return converted;
}

literal::Analysis fromTables(const ResultTables& tables) {
    literal::Analysis out;
    out.mainAssemblyName = tables.mainAssemblyName;
    for (const auto& [from, to] :
         {std::pair{&tables.assemblyTotals, &out.assemblyTotals}, std::pair{&tables.partTotals, &out.partTotals}}) {
        to->names.assign(from->names.begin(), from->names.end());
        to->totals = from->totals;
    }
    for (const auto& [from, to] : {std::pair{&tables.assemblyWhereUsed, &out.assemblyWhereUsed},
                                   std::pair{&tables.partWhereUsed, &out.partWhereUsed}}) {
        to->names.assign(from->names.begin(), from->names.end());
        for (size_t row = 0; row < from->count(); ++row) to->entries.push_back(entriesText(*from, row));
    }
    return out;
}

literal::Analysis literalAnalysis(std::string bytes, const KeywordSet& keywords, const RollupLimits& limits,
                                  const ColumnLayout& columns) {
    return literal::analyse(literal::lineTable(bytes), keywords, limits, columns);
}

namespace {
std::string show(const Tally& t) { return std::to_string(t.value()) + (t.outOfRange() ? " (out of range)" : ""); }

template <class T>
void compareColumn(std::string& diff, const std::string& what, const std::vector<T>& expected,
                   const std::vector<T>& actual, std::string (*text)(const T&)) {
    for (size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        const std::string e = i < expected.size() ? text(expected[i]) : "<none>";
        const std::string a = i < actual.size() ? text(actual[i]) : "<none>";
        if (e != a) {
            diff += what + " row " + std::to_string(i + 1) + ": expected '" + e + "', got '" + a + "'\n";
            return;
        }
    }
}
std::string same(const std::string& s) { return s; }
}  // namespace

std::string difference(const literal::Analysis& expected, const literal::Analysis& actual) {
    std::string diff;
    if (expected.mainAssemblyName != actual.mainAssemblyName)
        diff += "main assembly: '" + expected.mainAssemblyName + "' vs '" + actual.mainAssemblyName + "'\n";
    compareColumn(diff, "assembly totals name", expected.assemblyTotals.names, actual.assemblyTotals.names, same);
    compareColumn(diff, "assembly totals total", expected.assemblyTotals.totals, actual.assemblyTotals.totals, show);
    compareColumn(diff, "part totals name", expected.partTotals.names, actual.partTotals.names, same);
    compareColumn(diff, "part totals total", expected.partTotals.totals, actual.partTotals.totals, show);
    compareColumn(diff, "assembly where-used name", expected.assemblyWhereUsed.names, actual.assemblyWhereUsed.names,
                  same);
    compareColumn(diff, "assembly where-used entries", expected.assemblyWhereUsed.entries,
                  actual.assemblyWhereUsed.entries, same);
    compareColumn(diff, "part where-used name", expected.partWhereUsed.names, actual.partWhereUsed.names, same);
    compareColumn(diff, "part where-used entries", expected.partWhereUsed.entries, actual.partWhereUsed.entries, same);
    compareColumn(diff, "log line", expected.log, actual.log, same);
    return diff;
}

}  // namespace trelk::testing
