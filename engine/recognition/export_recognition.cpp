#include "engine/recognition/export_recognition.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/reading/bom_structure.h"
#include "engine/reading/line_classifier.h"
#include "engine/rollup/rollup.h"
#include "engine/rollup/summary_check.h"
#include "text/text_rules.h"

namespace trelk {

namespace {

std::vector<std::string_view> splitFields(std::string_view normalised) {
    std::vector<std::string_view> fields;
    // Counted first: one allocation, where growing would make several for every line scanned.
    if (!normalised.empty())
        fields.reserve(static_cast<size_t>(std::count(normalised.begin(), normalised.end(), ' ')) + 1);
    size_t start = 0;
    while (start < normalised.size()) {
        size_t blank = normalised.find(' ', start);
        if (blank == std::string_view::npos) blank = normalised.size();
        fields.push_back(normalised.substr(start, blank - start));
        start = blank + 1;
    }
    return fields;
}

std::string joinFields(const std::vector<std::string_view>& fields, size_t begin, size_t end) {
    std::string text;
    for (size_t i = begin; i < end; ++i) {
        if (i > begin) text += ' ';
        text += fields[i];
    }
    return text;
}

// A whole quantity: a sign, digits, a decimal point or comma and digits.
bool isNumber(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) ++digits;
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        ++i;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) ++digits;
    }
    return digits > 0 && i == text.size();
}

// A word, not a rule or a separator: a byte that is no ASCII punctuation, digit or blank.
bool hasLetter(std::string_view text) {
    for (const char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x80 || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) return true;
    }
    return false;
}

std::string_view withoutColon(std::string_view field) {
    if (!field.empty() && field.back() == ':') field.remove_suffix(1);
    return field;
}

// The longest run of fields that ends every one of the texts (each given as its fields).
std::vector<std::string_view> commonEnd(const std::vector<std::vector<std::string_view>>& texts) {
    if (texts.empty()) return {};
    std::vector<std::string_view> common = texts.front();
    for (const auto& fields : texts) {
        size_t n = 0;
        while (n < common.size() && n < fields.size() && common[common.size() - 1 - n] == fields[fields.size() - 1 - n])
            ++n;
        common.erase(common.begin(), common.end() - static_cast<std::ptrdiff_t>(n));
    }
    return common;
}

// One way of reading the file to try, and what the file showed for it.
struct Reading {
    RecognisedExport found;
    std::string mainName;
};

// How a reading fared on the file.
struct Trial {
    bool accepted = false;
    bool summaryAgrees = false;
    size_t differences = 0;
    size_t blocksNamed = 0;  // blocks other than the main one whose assembly a block lists
    size_t items = 0;
    bool typed = false;
    uint64_t steps = 0;  // the bytes read and the item lines the roll-up walked
};

Trial tryReading(std::string_view bytes, const Reading& reading) {
    Trial trial;
    trial.steps = bytes.size();
    const BomStructure bom(bytes, reading.found.keywords, reading.found.columns);
    if (!bom.hasMainAssembly()) return trial;
    const NameId main = bom.findName(bom.mainAssemblyName());
    if (!bom.hasBlock(main) || bom.walkEnd(main) == bom.walkBegin(main)) return trial;
    trial.items = bom.items().size();
    trial.typed = reading.found.columns.Type != 0;
    std::vector<uint8_t> listed(bom.nameCount(), 0);
    for (const BomItem& item : bom.items())
        if (item.kind == ItemKind::SubAssembly) listed[item.item] = 1;
    for (const BomBlock& block : bom.blocks())
        if (block.assembly != main && listed[block.assembly]) ++trial.blocksNamed;
    if (bom.hasSummary() && !bom.summaryRows().empty()) {
        // Paths through a cycle are walked one by one up to a budget: here one in proportion to
        // the file, since every trial spends it and a real export's cycles are short.
        RollupLimits limits;
        limits.maxCycleSteps = std::min<uint64_t>(limits.maxCycleSteps, 16 * (bytes.size() + 4096));
        const RollupTotals totals = expandAssembly(
            bom, bom.mainAssemblyName(), Tally::of(1), [](std::string_view) {}, limits);
        trial.steps += totals.linesWalked;
        const ResultTables tables = sortTables(bom, totals, WhereUsedById());
        trial.differences = summaryDifferences(tables.partTotals, bom, 0).count;
        trial.summaryAgrees = trial.differences == 0;
    }
    // One block alone proves little: its summary must list more than one part, and agree.
    trial.accepted = trial.blocksNamed > 0 || (trial.summaryAgrees && bom.summaryRows().size() > 1 &&
                                               bom.walkEnd(main) - bom.walkBegin(main) > 1);
    return trial;
}

// The file's own summary is the best evidence, then the blocks found and the rows read; a type
// column is taken where it reads every row a reading without one reads.
bool better(const Trial& a, const Trial& b) {
    if (a.accepted != b.accepted) return a.accepted;
    if (a.summaryAgrees != b.summaryAgrees) return a.summaryAgrees;
    if (a.differences != b.differences) return a.differences < b.differences;
    if (a.blocksNamed != b.blocksNamed) return a.blocksNamed > b.blocksNamed;
    if (a.items != b.items) return a.items > b.items;
    return a.typed && !b.typed;
}

class Recogniser {
public:
    Recogniser(std::string_view bytes, const KeywordSet& inUse, const ColumnLayout& columnsInUse)
        : inUse_(inUse), columnsInUse_(columnsInUse) {
        forEachBomLine(bytes, [&](std::string_view line) {
            raw_.push_back(line);
            std::string normalised(line);
            normalised.resize(normaliseInPlace(normalised.data(), normalised.size()));
            norm_.push_back(std::move(normalised));
        });
    }

    // The bytes of lines the scans went over so far, each scan of a line counted.
    uint64_t steps() const { return steps_; }

    // Every reading the file suggests, each as complete as the file makes it.
    std::vector<Reading> readings() {
        std::vector<Reading> out;
        blankReadings(out);
        for (const char separator : separators()) tableReadings(separator, out);
        return out;
    }

private:
    // ----- The rows of one way of cutting the lines into cells.
    struct Cut {
        char separator = 0;               // 0: fields at blanks
        std::vector<uint8_t> row;         // by line: a row of items
        std::vector<uint8_t> title;       // by line: a row of column titles
        std::vector<uint8_t> rest;        // by line: the rest of a cut type word
        std::vector<std::string> restOf;  // by line of a row: the rest of its type word, if cut
        std::vector<size_t> gapToRow;     // by line: lines of text before the next row
        // leadMembers by name column, once asked for; cleared when the rows change.
        mutable std::map<int, std::unordered_set<std::string_view>> members;
    };

    // Every scan of a line goes through these, which count its bytes.
    std::vector<std::string_view> fields(std::string_view normalised) const {
        steps_ += normalised.size() + 1;
        return splitFields(normalised);
    }
    std::vector<std::string_view> cells(const Cut& cut, size_t line) const {
        if (cut.separator == 0) return fields(norm_[line]);
        std::vector<std::string_view> out;
        const std::string_view raw = raw_[line];
        steps_ += raw.size() + 1;
        out.reserve(static_cast<size_t>(std::count(raw.begin(), raw.end(), cut.separator)) + 1);
        size_t start = 0;
        for (;;) {
            const size_t at = raw.find(cut.separator, start);
            std::string_view cell =
                raw.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
            while (!cell.empty() && cell.front() == ' ') cell.remove_prefix(1);
            while (!cell.empty() && cell.back() == ' ') cell.remove_suffix(1);
            out.push_back(cell);
            if (at == std::string_view::npos) return out;
            start = at + 1;
        }
    }
    // Cell n as the column layout counts it: 1, 2, ... from the start, -1, ... from the end.
    static std::string_view cellAt(const std::vector<std::string_view>& cells, int n) {
        const size_t count = cells.size();
        if (n > 0) return static_cast<size_t>(n) <= count ? cells[static_cast<size_t>(n) - 1] : std::string_view();
        return static_cast<size_t>(-n) <= count ? cells[count - static_cast<size_t>(-n)] : std::string_view();
    }

    bool text(const Cut& cut, size_t line) const {
        return !norm_[line].empty() && !cut.row[line] && !cut.title[line] && !cut.rest[line];
    }

    void measureGaps(Cut& cut) const {
        const size_t n = norm_.size();
        cut.gapToRow.assign(n + 1, kFar);
        for (size_t i = n; i-- > 0;) {
            const size_t next = i + 1 < n ? cut.gapToRow[i + 1] : kFar;
            if (i + 1 < n && cut.row[i + 1])
                cut.gapToRow[i] = 0;
            else if (i + 1 >= n)
                cut.gapToRow[i] = kFar;
            else if (text(cut, i + 1))
                cut.gapToRow[i] = next == kFar ? kFar : next + 1;
            else
                cut.gapToRow[i] = next;
        }
    }
    // A line of text that rows follow soon: where block headers stand.
    bool leads(const Cut& cut, size_t line) const { return text(cut, line) && cut.gapToRow[line] <= 2; }

    // ----- Fields at blanks: the CAD system's own layout in any language, and plain tables.
    void blankReadings(std::vector<Reading>& out) {
        const size_t n = norm_.size();
        Cut base;
        base.row.assign(n, 0);
        base.title.assign(n, 0);
        base.rest.assign(n, 0);
        size_t rows = 0, secondNumeric = 0;
        for (size_t i = 0; i < n; ++i) {
            const std::vector<std::string_view> f = fields(norm_[i]);
            if (f.size() >= 2 && isNumber(f[0])) {
                base.row[i] = 1;
                ++rows;
                if (f.size() >= 3 && isNumber(f[1])) ++secondNumeric;
            }
        }
        if (rows == 0) return;
        // A position number before the quantity.
        std::vector<int> quantityFields = {1};
        if (secondNumeric * 10 >= rows * 9) quantityFields.push_back(2);
        for (const int q : quantityFields) {
            Cut cut = base;
            for (size_t i = 0; i < n; ++i)
                if (cut.row[i] && fields(norm_[i]).size() < static_cast<size_t>(q) + 1) cut.row[i] = 0;
            cut.members.clear();
            if (std::optional<Reading> typed = typedBlankReading(cut, q)) {
                out.push_back(std::move(*typed));
                continue;
            }
            measureGaps(cut);
            for (const int name : {-1, q + 1})
                if (std::optional<Reading> r = reading(cut, q, 0, name)) out.push_back(std::move(*r));
        }
    }

    // The CAD system's own rows: quantity, type word, name. A type word cut at the width of its
    // column goes on in the next line, a line of one field; the whole word is found elsewhere.
    std::optional<Reading> typedBlankReading(Cut cut, int q) {
        const size_t n = norm_.size();
        const int t = q + 1;
        for (size_t i = 0; i < n; ++i)
            if (cut.row[i] && fields(norm_[i]).size() < static_cast<size_t>(t) + 1) cut.row[i] = 0;
        cut.members.clear();
        cut.restOf.assign(n, std::string());
        std::map<std::string, size_t> pieces;  // the words a line of one field would make whole
        for (size_t i = 0; i + 1 < n; ++i) {
            if (!cut.row[i] || cut.row[i + 1] || norm_[i + 1].empty() || norm_[i + 1].find(' ') != std::string::npos ||
                isNumber(norm_[i + 1]))
                continue;
            const std::string word = std::string(fields(norm_[i])[static_cast<size_t>(t) - 1]) + norm_[i + 1];
            ++pieces[word];
            cut.restOf[i] = norm_[i + 1];
        }
        // Such a word stands whole elsewhere: a type of other rows, or a word of a header.
        std::unordered_set<std::string_view> whole;
        if (!pieces.empty())
            for (size_t i = 0; i < n; ++i) {
                const std::vector<std::string_view> f = fields(norm_[i]);
                if (cut.row[i]) {
                    if (pieces.count(std::string(f[static_cast<size_t>(t) - 1])))
                        whole.insert(f[static_cast<size_t>(t) - 1]);
                } else {
                    for (const std::string_view word : f)
                        if (pieces.count(std::string(word))) whole.insert(word);
                }
            }
        for (size_t i = 0; i + 1 < n; ++i) {
            if (cut.restOf[i].empty()) continue;
            const std::string word = std::string(fields(norm_[i])[static_cast<size_t>(t) - 1]) + cut.restOf[i];
            if (whole.count(word) || pieces[word] >= 2)
                cut.rest[i + 1] = 1;
            else
                cut.restOf[i].clear();
        }
        measureGaps(cut);
        // The name ends the line, or a description follows it.
        const bool described = headersNamed(cut, t + 1) > headersNamed(cut, -1);
        for (const int name : {described ? t + 1 : -1, described ? -1 : t + 1})
            if (std::optional<Reading> r = reading(cut, q, t, name)) return r;
        return std::nullopt;
    }

    size_t headersNamed(const Cut& cut, int nameColumn) const {
        const Names& members = leadMembers(cut, nameColumn);
        size_t named = 0;
        for (size_t i = 0; i < norm_.size(); ++i)
            if (leads(cut, i))
                for (const std::string_view field : fields(norm_[i]))
                    if (members.count(field)) {
                        ++named;
                        break;
                    }
        return named;
    }

    // The words of lines that lead rows which rows name in that column: the members that such a
    // line may head the block of (views into the lines, which the recogniser keeps). Only the few
    // words of those lines are kept, not every name of the file.
    using Names = std::unordered_set<std::string_view>;
    const Names& leadMembers(const Cut& cut, int nameColumn) const {
        auto found = cut.members.find(nameColumn);
        if (found != cut.members.end()) return found->second;
        Names words;
        for (size_t i = 0; i < norm_.size(); ++i)
            if (leads(cut, i))
                for (const std::string_view field : fields(norm_[i])) words.insert(field);
        Names& members = cut.members[nameColumn];
        for (size_t i = 0; i < norm_.size(); ++i)
            if (cut.row[i]) {
                const std::string_view name = cellAt(cells(cut, i), nameColumn);
                if (!name.empty() && words.count(name)) members.insert(name);
            }
        return members;
    }

    // The different names in that column of the rows.
    size_t distinctNames(const Cut& cut, int nameColumn) const {
        Names names;
        for (size_t i = 0; i < norm_.size(); ++i)
            if (cut.row[i]) names.insert(cellAt(cells(cut, i), nameColumn));
        return names.size();
    }

    bool anyName(const Cut& cut, int nameColumn) const {
        for (size_t i = 0; i < norm_.size(); ++i)
            if (cut.row[i] && !cellAt(cells(cut, i), nameColumn).empty()) return true;
        return false;
    }

    // ----- Tables whose cells a byte separates.
    std::vector<char> separators() const {
        static const char kCandidates[] = {'|', ';', '\t', '!', ','};
        std::vector<std::pair<size_t, char>> found;
        for (const char c : kCandidates) {
            std::map<size_t, size_t> counts;
            for (const std::string_view line : raw_) {
                const size_t k = static_cast<size_t>(std::count(line.begin(), line.end(), c));
                if (k > 0) ++counts[k];
            }
            size_t best = 0;
            for (const auto& [k, lines] : counts) best = std::max(best, lines);
            if (best >= 2) found.push_back({best, c});
        }
        std::sort(found.rbegin(), found.rend());
        std::vector<char> out;
        for (const auto& f : found) out.push_back(f.second);
        return out;
    }

    void tableReadings(char separator, std::vector<Reading>& out) {
        const size_t n = norm_.size();
        std::map<size_t, size_t> counts;
        for (const std::string_view line : raw_) {
            const size_t k = static_cast<size_t>(std::count(line.begin(), line.end(), separator));
            if (k > 0) ++counts[k];
        }
        size_t width = 0, most = 0;
        for (const auto& [k, lines] : counts)
            if (lines > most) {
                most = lines;
                width = k;
            }
        Cut cut;
        cut.separator = separator;
        cut.row.assign(n, 0);
        cut.title.assign(n, 0);
        cut.rest.assign(n, 0);
        std::vector<size_t> tableLines;
        for (size_t i = 0; i < n; ++i)
            if (static_cast<size_t>(std::count(raw_[i].begin(), raw_[i].end(), separator)) == width)
                tableLines.push_back(i);
        const size_t columns = width + 1;
        if (columns > kMaxTableColumns) return;
        // A line of the table with no number in any cell is a row of column titles.
        for (const size_t i : tableLines) {
            const std::vector<std::string_view> c = cells(cut, i);
            if (std::any_of(c.begin(), c.end(), isNumber))
                cut.row[i] = 1;
            else
                cut.title[i] = 1;
        }
        if (rowCount(cut) == 0) return;
        measureGaps(cut);
        // Quantities: a number in every row. Names: a word without blanks in every row.
        std::vector<uint8_t> allNumbers(columns, 1), allWords(columns, 1);
        for (size_t i = 0; i < n; ++i) {
            if (!cut.row[i]) continue;
            const std::vector<std::string_view> c = cells(cut, i);
            for (size_t k = 0; k < columns; ++k) {
                allNumbers[k] = allNumbers[k] && isNumber(c[k]);
                allWords[k] = allWords[k] && !c[k].empty() && c[k].find(' ') == std::string_view::npos;
            }
        }
        std::vector<int> quantities, names;
        for (size_t k = 0; k < columns; ++k) {
            if (allNumbers[k]) quantities.push_back(static_cast<int>(k) + 1);
            if (allWords[k]) names.push_back(static_cast<int>(k) + 1);
        }
        // The name column is the one whose names head blocks; else the one of the most names
        // (a type or a unit repeats), numbers last.
        int nameColumn = 0;
        std::tuple<size_t, bool, size_t> bestEvidence{0, false, 0};
        for (const int column : names) {
            const std::tuple<size_t, bool, size_t> evidence{headersNamed(cut, column), !isNumberColumn(cut, column),
                                                            distinctNames(cut, column)};
            if (nameColumn == 0 || evidence > bestEvidence) {
                bestEvidence = evidence;
                nameColumn = column;
            }
        }
        if (nameColumn == 0) return;
        std::vector<int> counted;
        for (const int column : quantities)
            if (column != nameColumn && !isPositionColumn(cut, column)) counted.push_back(column);
        if (counted.empty())
            for (const int column : quantities)
                if (column != nameColumn) counted.push_back(column);
        // Whole numbers first (a mass or a length has decimals), then the nearest to the name.
        std::vector<uint8_t> whole(columns + 1, 0);
        for (const int column : counted) whole[static_cast<size_t>(column)] = isWholeColumn(cut, column);
        std::stable_sort(counted.begin(), counted.end(), [&](int a, int b) {
            const bool wholeA = whole[static_cast<size_t>(a)], wholeB = whole[static_cast<size_t>(b)];
            if (wholeA != wholeB) return wholeA;
            return std::abs(a - nameColumn) < std::abs(b - nameColumn);
        });
        if (counted.size() > kMaxQuantityColumns) counted.resize(kMaxQuantityColumns);
        // Each with and without a type column: the trial keeps the one that reads every row.
        for (const int quantity : counted) {
            if (const int type = typeColumn(cut, quantity, nameColumn))
                if (std::optional<Reading> r = reading(cut, quantity, type, nameColumn)) out.push_back(std::move(*r));
            if (std::optional<Reading> r = reading(cut, quantity, 0, nameColumn)) out.push_back(std::move(*r));
        }
    }

    bool isWholeColumn(const Cut& cut, int column) const {
        for (size_t i = 0; i < norm_.size(); ++i)
            if (cut.row[i]) {
                const std::string_view cell = cellAt(cells(cut, i), column);
                if (cell.find_first_of(".,") != std::string_view::npos) return false;
            }
        return true;
    }

    bool isNumberColumn(const Cut& cut, int column) const {
        for (size_t i = 0; i < norm_.size(); ++i)
            if (cut.row[i] && !isNumber(cellAt(cells(cut, i), column))) return false;
        return true;
    }

    // Position numbers: within every run of rows, steps of one usual size from the first row.
    bool isPositionColumn(const Cut& cut, int column) const {
        bool seenRun = false;
        for (size_t i = 0; i < norm_.size();) {
            if (!cut.row[i]) {
                ++i;
                continue;
            }
            std::vector<int64_t> values;
            for (; i < norm_.size() && (cut.row[i] || cut.rest[i]); ++i)
                if (cut.row[i]) values.push_back(readLeadingNumber(cellAt(cells(cut, i), column)).value);
            if (values.size() < 2) continue;
            seenRun = true;
            // Numbered 1, 2, 3 or 10, 20, 30 (5, 10, 15), from the first row of the block on.
            const int64_t step = values[1] - values[0];
            if ((step != 1 && step != 5 && step != 10) || (values[0] != 1 && values[0] != step)) return false;
            for (size_t k = 1; k < values.size(); ++k)
                if (values[k] - values[k - 1] != step) return false;
        }
        return seenRun;
    }

    // A column of a few words, other than the quantity and the name, in every row: 0 when none.
    int typeColumn(const Cut& cut, int quantity, int nameColumn) const {
        const size_t columns = cells(cut, firstRow(cut)).size();
        for (size_t k = 1; k <= columns; ++k) {
            const int column = static_cast<int>(k);
            if (column == quantity || column == nameColumn) continue;
            std::unordered_set<std::string_view> words;
            bool fits = true;
            for (size_t i = 0; i < norm_.size() && fits; ++i) {
                if (!cut.row[i]) continue;
                const std::string_view cell = cellAt(cells(cut, i), column);
                fits = !cell.empty() && !isNumber(cell);
                words.insert(cell);
            }
            if (fits && words.size() <= 8 && words.size() < rowCount(cut)) return column;
        }
        return 0;
    }
    size_t firstRow(const Cut& cut) const {
        return static_cast<size_t>(std::find(cut.row.begin(), cut.row.end(), 1) - cut.row.begin());
    }
    size_t rowCount(const Cut& cut) const { return static_cast<size_t>(std::count(cut.row.begin(), cut.row.end(), 1)); }

    // ----- One reading: headers, type words and the summary for a choice of columns.
    std::optional<Reading> reading(const Cut& cut, int q, int t, int name) const {
        Reading r;
        ColumnLayout& columns = r.found.columns;
        columns.Quantity = q;
        columns.Type = t;
        columns.Name = name;
        columns.Separator = cut.separator;
        KeywordSet& keywords = r.found.keywords;
        keywords = inUse_;
        if (!anyName(cut, name) || !findHeaders(cut, leadMembers(cut, name), r)) return std::nullopt;
        // The lines the header rule takes, and the names of their blocks.
        LineClassifier classifier(keywords, columns);
        std::unordered_set<std::string> blockNames;
        size_t mainLine = kFar;
        for (size_t i = 0; i < norm_.size(); ++i) {
            if (cut.row[i] || cut.rest[i]) continue;
            steps_ += raw_[i].size() + 1;
            const LineClass c = classifier.classify(raw_[i]);
            if (!c.header) continue;
            if (mainLine == kFar) {
                mainLine = i;
                r.mainName = std::string(c.headerName);
            }
            blockNames.emplace(c.headerName);
        }
        if (mainLine == kFar || r.mainName.empty()) return std::nullopt;
        if (t != 0 && !findTypeWords(cut, t, name, blockNames, keywords)) return std::nullopt;
        findSummary(cut, mainLine, r);
        if (cut.separator != 0) {
            const size_t titleLine = titleAbove(cut, firstRow(cut));
            if (titleLine != kFar) {
                const std::vector<std::string_view> c = cells(cut, titleLine);
                r.found.quantityTitle = std::string(cellAt(c, q));
                r.found.nameTitle = std::string(cellAt(c, name));
                if (t != 0) r.found.typeTitle = std::string(cellAt(c, t));
            }
        }
        const KeywordSet& k = keywords;
        r.found.wordsRecognised = (columns.Header.empty() && k.contains != inUse_.contains) ||
                                  (t != 0 && (k.SubAssembly != inUse_.SubAssembly || k.Part != inUse_.Part)) ||
                                  k.SummaryOfParts != inUse_.SummaryOfParts;
        r.found.layoutRecognised = !(columns == columnsInUse_);
        return r;
    }

    size_t titleAbove(const Cut& cut, size_t row) const {
        for (size_t i = row; i-- > 0;) {
            if (cut.title[i]) return i;
            if (!norm_[i].empty()) return kFar;
        }
        return kFar;
    }

    // The header rule: the words after the name that the lines naming a member share, and the
    // words before it that every such line ends with. Without a block that names a member, the
    // one header there is is the line before the first rows that names what the summary names.
    bool findHeaders(const Cut& cut, const Names& members, Reading& r) const {
        std::map<std::string, size_t> afters;
        for (size_t i = 0; i < norm_.size(); ++i) {
            if (!leads(cut, i)) continue;
            const std::vector<std::string_view> f = fields(norm_[i]);
            if (f.size() < 2) continue;
            for (size_t p = f.size(); p-- > 0;)
                if (members.count(f[p])) {
                    ++afters[joinFields(f, p + 1, f.size())];
                    break;
                }
        }
        std::string after;
        size_t most = 0;
        for (const auto& [text, lines] : afters)
            if (lines > most || (lines == most && text.size() > after.size())) {
                most = lines;
                after = text;
            }
        if (most == 0) return findSingleHeader(cut, r);
        const std::vector<std::string_view> afterFields = fields(after);
        // The words before the name, over every line that leads rows and ends so.
        std::vector<std::vector<std::string_view>> befores;
        for (size_t i = 0; i < norm_.size(); ++i) {
            if (!leads(cut, i)) continue;
            const std::vector<std::string_view> f = fields(norm_[i]);
            if (f.size() < afterFields.size() + 1 ||
                !std::equal(afterFields.begin(), afterFields.end(),
                            f.end() - static_cast<std::ptrdiff_t>(afterFields.size())))
                continue;
            if (after.empty() && !members.count(f.back())) continue;
            befores.emplace_back(f.begin(), f.end() - static_cast<std::ptrdiff_t>(afterFields.size()) - 1);
        }
        // With the name last, only the lines naming a member were taken: the main header, the line
        // nearest above the first rows, may have another word before the words they share.
        if (after.empty())
            for (size_t i = firstRow(cut); i-- > 0;) {
                if (!leads(cut, i)) continue;
                const std::vector<std::string_view> f = fields(norm_[i]);
                if (f.size() < 2) break;
                std::vector<std::vector<std::string_view>> both = befores;
                both.emplace_back(f.begin(), f.end() - 1);
                if (!commonEnd(both).empty()) befores = both;
                break;
            }
        const std::vector<std::string_view> before = commonEnd(befores);
        return setHeaderRule(joinFields(before, 0, before.size()), after, r);
    }

    // A few words around the name, as headers have: a line of text is no header.
    bool setHeaderRule(const std::string& before, const std::string& after, Reading& r) const {
        if (before.empty() && after.empty()) return false;
        if (fields(before).size() > 3 || fields(after).size() > 3) return false;
        if (before.size() > kMaxKeywordBytes || after.size() > kMaxKeywordBytes) return false;
        if (before.empty()) {
            r.found.keywords.contains = after;
        } else {
            r.found.columns.Header = before + " " + std::string(kNamePlaceholder);
            if (!after.empty()) r.found.columns.Header += " " + after;
        }
        return true;
    }

    // A file of one block: its header is the line above the first rows that shares a name with a
    // line that leads later rows, the summary. The name is the one the summary ends with, or the
    // one where the CAD system writes it in a header, before the last field; or the one they share.
    bool findSingleHeader(const Cut& cut, Reading& r) const {
        const size_t first = firstRow(cut);
        size_t header = kFar;
        for (size_t i = first; i-- > 0;)
            if (leads(cut, i)) {
                header = i;
                break;
            }
        if (header == kFar) return false;
        const std::vector<std::string_view> f = fields(norm_[header]);
        if (f.size() < 2) return false;
        // Looked up, not searched: a header and lines of many words must not cost their product.
        const Names inHeader(f.begin(), f.end());
        for (size_t s = first; s < norm_.size(); ++s) {
            if (!leads(cut, s)) continue;
            const std::vector<std::string_view> title = fields(norm_[s]);
            if (title.size() < 2) continue;
            const std::string_view titleEnd = withoutColon(title.back());
            if (!inHeader.count(titleEnd) &&
                std::none_of(title.begin(), title.end(), [&](std::string_view word) { return inHeader.count(word); }))
                continue;
            const Names inTitle(title.begin(), title.end());
            std::vector<size_t> shared;
            for (size_t p = 0; p < f.size(); ++p)
                if (inTitle.count(f[p]) || f[p] == titleEnd) shared.push_back(p);
            size_t p = shared.front();
            const auto named = [&](size_t at) { return std::find(shared.begin(), shared.end(), at) != shared.end(); };
            const auto last = std::find(f.begin(), f.end(), withoutColon(title.back()));
            if (last != f.end())
                p = static_cast<size_t>(last - f.begin());
            else if (named(f.size() - 2))
                p = f.size() - 2;
            else if (shared.size() == 2 && shared.front() == 0)  // the type word a header starts with
                p = shared.back();
            else if (shared.size() > 1)
                return false;
            const std::string after = joinFields(f, p + 1, f.size());
            return setHeaderRule(after.empty() ? joinFields(f, 0, p) : std::string(), after, r);
        }
        return false;
    }

    // The sub-assembly word is the type of the members that have blocks; the part word the most
    // usual type of the others.
    bool findTypeWords(const Cut& cut, int t, int name, const std::unordered_set<std::string>& blockNames,
                       KeywordSet& keywords) const {
        std::map<std::string, size_t> withBlock, without;
        size_t rowsWithBlock = 0;
        for (size_t i = 0; i < norm_.size(); ++i) {
            if (!cut.row[i]) continue;
            const std::vector<std::string_view> c = cells(cut, i);
            std::string type(cellAt(c, t));
            if (cut.separator == 0 && !cut.restOf.empty()) type += cut.restOf[i];
            if (type.empty()) return false;
            if (blockNames.count(std::string(cellAt(c, name)))) {
                ++withBlock[type];
                ++rowsWithBlock;
            } else {
                ++without[type];
            }
        }
        std::unordered_set<std::string> distinct;
        for (const auto& w : withBlock) distinct.insert(w.first);
        for (const auto& w : without) distinct.insert(w.first);
        if (distinct.size() > 8) return false;
        for (const std::string& word : distinct)
            if (!hasLetter(word)) return false;
        std::string sub;
        size_t most = 0;
        for (const auto& [word, rows] : withBlock)
            if (rows > most) {
                most = rows;
                sub = word;
            }
        if (rowsWithBlock > 0 && most * 5 < rowsWithBlock * 3) return false;
        std::string part;
        most = 0;
        for (const auto& [word, rows] : without)
            if (word != sub && rows > most) {
                most = rows;
                part = word;
            }
        if (!sub.empty()) keywords.SubAssembly = sub;
        if (!part.empty()) keywords.Part = part;
        return !part.empty() || !sub.empty();
    }

    // The summary: a line after the main header that names the main assembly and leads rows. Its
    // keyword is the text before the name when the name ends the line, else the text after it;
    // it must not stand in an earlier line, where the report's copy of the file would stop.
    void findSummary(const Cut& cut, size_t mainLine, Reading& r) const {
        for (size_t i = mainLine + 1; i < norm_.size(); ++i) {
            if (!leads(cut, i)) continue;
            const std::vector<std::string_view> f = fields(norm_[i]);
            size_t p = f.size();
            if (!f.empty() && withoutColon(f.back()) == r.mainName)
                p = f.size() - 1;
            else
                for (size_t k = 0; k < f.size(); ++k)
                    if (f[k] == r.mainName) p = k;
            if (p == f.size() || f.size() < 2) continue;
            const std::string before = joinFields(f, 0, p), after = joinFields(f, p + 1, f.size());
            // A line that is a header too is no summary.
            LineClassifier classifier(r.found.keywords, r.found.columns);
            steps_ += raw_[i].size() + 1;
            if (classifier.classify(raw_[i]).header) continue;
            // The words before a name that ends the line may stand in other lines (short words
            // inside longer ones): then the whole line, which names the main assembly too, is it.
            const std::string& line = norm_[i];
            for (const std::string* keyword : p + 1 == f.size() ? std::vector<const std::string*>{&before, &line}
                                                                : std::vector<const std::string*>{&after}) {
                // The report's copy of the file looks for the keyword across line ends: one holding
                // a line-end byte (an LF inside a line) could match earlier than in this line.
                if (keyword->empty() || keyword->size() > kMaxKeywordBytes ||
                    keyword->find_first_of("\r\n") != std::string::npos || standsBefore(*keyword, i))
                    continue;
                r.found.keywords.SummaryOfParts = *keyword;
                return;
            }
            return;
        }
    }

    bool standsBefore(const std::string& keyword, size_t line) const {
        for (size_t i = 0; i < line; ++i) {
            steps_ += norm_[i].size() + raw_[i].size() + 1;
            if (norm_[i].find(keyword) != std::string::npos ||
                std::string_view(raw_[i]).find(keyword) != std::string_view::npos)
                return true;
        }
        return false;
    }

    static constexpr size_t kFar = ~size_t{0} / 2;
    // The longest keyword taken: the words of a header or a summary are short, and every line is
    // searched for a keyword, at a cost of up to its length per byte.
    static constexpr size_t kMaxKeywordBytes = 100;
    // The widest table tried: each column costs passes over the file.
    static constexpr size_t kMaxTableColumns = 32;
    // The quantity columns tried, the likeliest first: each costs a trial reading of the file.
    static constexpr size_t kMaxQuantityColumns = 4;

    const KeywordSet& inUse_;
    const ColumnLayout& columnsInUse_;
    std::vector<std::string_view> raw_;
    std::vector<std::string> norm_;
    mutable uint64_t steps_ = 0;
};

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

std::optional<RecognisedExport> recogniseExport(std::string_view bytes, const KeywordSet& inUse,
                                                const ColumnLayout& columnsInUse, uint64_t* steps) {
    Recogniser recogniser(bytes, inUse, columnsInUse);
    std::optional<Reading> best;
    Trial bestTrial;
    uint64_t trialSteps = 0;
    for (Reading& reading : recogniser.readings()) {
        const Trial trial = tryReading(bytes, reading);
        trialSteps += trial.steps;
        if (!best || better(trial, bestTrial)) {
            best = std::move(reading);
            bestTrial = trial;
        }
    }
    if (steps) *steps = recogniser.steps() + trialSteps;
    if (!best || !bestTrial.accepted) return std::nullopt;
    return best->found;
}

std::string describeKeywords(const RecognisedExport& r) {
    const KeywordSet& k = r.keywords;
    const ColumnLayout& c = r.columns;
    std::string text(messages::kKeywordsRecognised);
    auto name = [&](std::string_view key, const std::string& value) {
        if (text.size() > messages::kKeywordsRecognised.size()) text += ", ";
        text += std::string(key) + " " + quoted(value);
    };
    // The keywords the reading goes by: no contains keyword where a header pattern stands, no
    // type words without a type column.
    if (c.Header.empty()) name("contains", k.contains);
    if (c.Type != 0) {
        name("SubAssembly", k.SubAssembly);
        name("Part", k.Part);
    }
    name("SummaryOfParts", k.SummaryOfParts);
    return text;
}

std::string describeLayout(const RecognisedExport& r) {
    const ColumnLayout& c = r.columns;
    auto column = [&](std::string_view what, int n, const std::string& title) {
        std::string text = std::string(what) + (c.Separator != 0 ? " in column " : " in field ") + std::to_string(n);
        if (!title.empty()) text += " " + quoted(title);
        return text;
    };
    std::string text(messages::kLayoutRecognised);
    if (c.Separator != 0)
        text += "cells separated by " +
                quoted(c.Separator == '\t' ? std::string_view("\\t") : std::string_view(&c.Separator, 1)) + ", ";
    text += column("quantity", c.Quantity, r.quantityTitle) + ", " + column("name", c.Name, r.nameTitle) + ", ";
    text += c.Type == 0 ? std::string("no type column") : column("type", c.Type, r.typeTitle);
    if (!c.Header.empty()) text += ", block header " + quoted(c.Header);
    return text;
}

}  // namespace trelk
