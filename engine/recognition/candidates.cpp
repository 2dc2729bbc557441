#include "engine/recognition/candidates.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <tuple>
#include <unordered_set>

#include "engine/recognition/recognised_layout.h"
#include "engine/recognition/recognition_limits.h"
#include "text/text_rules.h"

namespace trelk::recognition {

namespace {

// What every candidate of a file shares.
struct Context {
    const ExportLines& lines;
    const KeywordSet& inUse;
    const ColumnLayout& columnsInUse;
    bool byKeywords, asLayouts;  // which candidates are made

    std::optional<Reading> reading(const LineCut& cut, int q, int t, int name) const {
        return readingFor(lines, cut, ColumnChoice{q, t, name}, inUse, columnsInUse);
    }
};

// ----- Fields at blanks: the CAD system's own layout in any language, and plain tables.

// The CAD system's own rows: quantity, type word, name. A type word cut at the width of its
// column goes on in the next line, a line of one field; the whole word is found elsewhere.
std::optional<Reading> typedBlankReading(const Context& x, LineCut cut, int q) {
    const ExportLines& lines = x.lines;
    const size_t n = lines.size();
    const int t = q + 1;
    const size_t typeAt = static_cast<size_t>(t) - 1;
    for (size_t i = 0; i < n; ++i)
        if (cut.row[i] && lines.words(i).size() < static_cast<size_t>(t) + 1) cut.row[i] = 0;
    cut.members.clear();
    cut.restOf.assign(n, std::string());
    std::map<std::string, size_t, std::less<>> pieces;  // the words a line of one field would make whole
    for (size_t i = 0; i + 1 < n; ++i) {
        const std::string_view next = lines.norm(i + 1);
        if (!cut.row[i] || cut.row[i + 1] || next.empty() || next.find(' ') != std::string::npos || isNumber(next))
            continue;
        const std::string word = std::string(lines.words(i)[typeAt]).append(next);
        ++pieces[word];
        cut.restOf[i] = next;
    }
    // Such a word stands whole elsewhere: a type of other rows, or a word of a header.
    std::unordered_set<std::string_view> whole;
    if (!pieces.empty())
        for (size_t i = 0; i < n; ++i) {
            const LineWords f = lines.words(i);
            if (cut.row[i]) {
                if (pieces.count(f[typeAt])) whole.insert(f[typeAt]);
            } else {
                for (const std::string_view word : f)
                    if (pieces.count(word)) whole.insert(word);
            }
        }
    for (size_t i = 0; i + 1 < n; ++i) {
        if (cut.restOf[i].empty()) continue;
        const std::string word = std::string(lines.words(i)[typeAt]) + cut.restOf[i];
        if (whole.count(word) || pieces[word] >= kMinCutTypeWords)
            cut.rest[i + 1] = 1;
        else
            cut.restOf[i].clear();
    }
    lines.measureGaps(cut);
    // The name ends the line, or a description follows it.
    const bool described = lines.headersNamed(cut, t + 1) > lines.headersNamed(cut, -1);
    for (const int name : {described ? t + 1 : -1, described ? -1 : t + 1})
        if (std::optional<Reading> r = x.reading(cut, q, t, name)) return r;
    return std::nullopt;
}

void blankReadings(const Context& x, std::vector<Reading>& out) {
    const ExportLines& lines = x.lines;
    const size_t n = lines.size();
    LineCut base(0, n);
    size_t rows = 0, secondNumeric = 0;
    for (size_t i = 0; i < n; ++i) {
        const LineWords f = lines.words(i);
        if (f.size() >= 2 && isNumber(f[0])) {
            base.row[i] = 1;
            ++rows;
            if (f.size() >= 3 && isNumber(f[1])) ++secondNumeric;
        }
    }
    if (rows == 0) return;
    // A position number before the quantity.
    std::vector<int> quantityFields = {1};
    if (secondNumeric * 10 >= rows * kPositionRowTenths) quantityFields.push_back(2);
    for (const int q : quantityFields) {
        LineCut cut = base;
        for (size_t i = 0; i < n; ++i)
            if (cut.row[i] && lines.words(i).size() < static_cast<size_t>(q) + 1) cut.row[i] = 0;
        cut.members.clear();
        if (std::optional<Reading> typed = typedBlankReading(x, cut, q)) {
            out.push_back(std::move(*typed));
            continue;
        }
        lines.measureGaps(cut);
        for (const int name : {-1, q + 1})
            if (std::optional<Reading> r = x.reading(cut, q, 0, name)) out.push_back(std::move(*r));
    }
}

int typeColumn(const ExportLines& lines, const LineCut& cut, int quantity, int nameColumn);

// ----- Fields at blanks, the quantity glued to the name where it fills its field ("20.000BOLT").

// The decimals of quantities glued to the word after them: the fewest digits after a point that a
// letter follows, in the first words of lines; -1 when no line starts so.
int gluedDecimals(const ExportLines& lines) {
    int fewest = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines.norm(i);
        lines.count(line.size() + 1);
        size_t k = 0;
        while (k < line.size() && line[k] >= '0' && line[k] <= '9') ++k;
        if (k == 0 || k >= line.size() || line[k] != '.') continue;
        const size_t point = ++k;
        while (k < line.size() && line[k] >= '0' && line[k] <= '9') ++k;
        if (k == point || k >= line.size() || line[k] == ' ' || line[k] == '.' || line[k] == ',') continue;
        const int decimals = static_cast<int>(k - point);
        if (fewest < 0 || decimals < fewest) fewest = decimals;
    }
    return fewest;
}

// The line just above a run of rows with no number in it: the column titles.
void markTitleLines(const ExportLines& lines, LineCut& cut) {
    const size_t n = lines.size();
    for (size_t i = 1; i < n; ++i) {
        if (!cut.row[i] || cut.row[i - 1]) continue;
        size_t above = i;
        do above = above == 0 ? n : above - 1;
        while (above < n && lines.norm(above).empty());
        if (above < n && !cut.row[above]) {
            const LineWords c = lines.words(above);
            if (c.size() >= 2 && std::none_of(c.begin(), c.end(), isNumber)) cut.title[above] = 1;
        }
    }
}

void gluedReadings(const Context& x, std::vector<Reading>& out) {
    const ExportLines& lines = x.lines;
    const int decimals = gluedDecimals(lines);
    if (decimals < 0) return;
    const size_t n = lines.size();
    LineCut cut(0, n);
    cut.gluedDecimals = decimals;
    for (size_t i = 0; i < n; ++i) {
        const LineWords c = lines.cells(cut, i);
        cut.row[i] = c.size() >= 2 && isNumber(c[0]) && hasLetter(c[1]);
    }
    if (cut.rowCount() == 0) return;
    markTitleLines(lines, cut);
    // A name as wide as its field is glued to the type word after it ("WASHERSPart"): a row without
    // a third field whose name ends with the third field of other rows makes the file unreadable
    // this way, rather than read with a name that is no item's.
    Names thirds;
    for (size_t i = 0; i < n; ++i)
        if (cut.row[i]) {
            const LineWords c = lines.cells(cut, i);
            if (c.size() >= 3 && hasLetter(c[2])) thirds.insert(c[2]);
        }
    if (thirds.size() <= kMaxTypeWords)
        for (size_t i = 0; i < n; ++i) {
            if (!cut.row[i]) continue;
            const LineWords c = lines.cells(cut, i);
            if (c.size() == 2)
                for (const std::string_view word : thirds)
                    if (c[1].size() > word.size() && c[1].substr(c[1].size() - word.size()) == word) return;
        }
    lines.measureGaps(cut);
    const int type = typeColumn(lines, cut, 1, 2);
    if (std::optional<Reading> r = layoutReadingFor(lines, cut, ColumnChoice{1, type, 2}, x.inUse))
        out.push_back(std::move(*r));
}

// ----- Fields at blanks, the name first: name, type word, quantity, then other cells.

void nameFirstReadings(const Context& x, std::vector<Reading>& out) {
    const ExportLines& lines = x.lines;
    const size_t n = lines.size();
    LineCut cut(0, n);
    for (size_t i = 0; i < n; ++i) {
        const LineWords f = lines.words(i);
        cut.row[i] = f.size() >= 3 && !isNumber(f[0]) && hasLetter(f[0]) && hasLetter(f[1]) && isNumber(f[2]) &&
                     !isLabel(f[0]) && !isLabel(f[1]);
    }
    if (cut.rowCount() == 0) return;
    markTitleLines(lines, cut);
    lines.measureGaps(cut);
    const int type = typeColumn(lines, cut, 3, 1);
    if (type != 2) return;  // a name, a word and a number that are no type column: no such table
    if (std::optional<Reading> r = layoutReadingFor(lines, cut, ColumnChoice{3, type, 1}, x.inUse))
        out.push_back(std::move(*r));
}

// ----- Cells at TABs whose rows end with their last filled cell ("2<TAB>Teil<TAB>NAME"), under
// label lines that hold TABs too ("Modellname:<TAB><TAB>NAME"): no count of TABs tells a row
// there, but a quantity in the first cell and a word in the second do.

void tabRowReadings(const Context& x, std::vector<Reading>& out) {
    const size_t n = x.lines.size();
    LineCut cut('\t', n);
    std::vector<size_t> widths;  // the cells of each row
    bool labelsWithTabs = false;
    for (size_t i = 0; i < n; ++i) {
        if (x.lines.raw(i).find('\t') == std::string_view::npos) continue;
        const LineWords c = x.lines.cells(cut, i);
        cut.row[i] = c.size() >= 2 && isNumber(c[0]) && hasLetter(c[1]) && std::none_of(c.begin(), c.end(), isLabel);
        if (cut.row[i])
            widths.push_back(c.size());
        else
            labelsWithTabs = labelsWithTabs || isLabel(c[0]);
    }
    // Without such labels the rows are the table readings' to read.
    if (widths.empty() || !labelsWithTabs) return;
    const size_t fewest = std::min(*std::min_element(widths.begin(), widths.end()), kMaxTableColumns);
    const ExportLines lines = x.lines.wordsAtTabs();
    markTitleLines(lines, cut);
    lines.measureGaps(cut);
    // The name: a word in every row, the one that heads blocks, else the one of the most names.
    int nameColumn = 0;
    std::pair<size_t, size_t> bestEvidence{0, 0};
    for (int column = 2; column <= static_cast<int>(fewest); ++column) {
        bool words = true;
        for (size_t i = 0; i < n && words; ++i)
            if (cut.row[i]) {
                const std::string_view cell = lines.cells(cut, i).at(column);
                words = hasLetter(cell) && cell.find(' ') == std::string_view::npos;
            }
        if (!words) continue;
        const std::pair<size_t, size_t> evidence{lines.headersNamed(cut, column), lines.distinctNames(cut, column)};
        if (nameColumn == 0 || evidence > bestEvidence) {
            bestEvidence = evidence;
            nameColumn = column;
        }
    }
    if (nameColumn == 0) return;
    const int type = typeColumn(lines, cut, 1, nameColumn);
    std::optional<Reading> r = layoutReadingFor(lines, cut, ColumnChoice{1, type, nameColumn}, x.inUse);
    x.lines.count(lines.steps());
    if (r) out.push_back(std::move(*r));
}

// ----- Tables whose cells a byte separates.

bool isWholeColumn(const ExportLines& lines, const LineCut& cut, int column) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (cut.row[i]) {
            const std::string_view cell = lines.cell(cut, i, column);
            if (cell.find_first_of(".,") != std::string_view::npos) return false;
        }
    return true;
}

bool isNumberColumn(const ExportLines& lines, const LineCut& cut, int column) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (cut.row[i] && !isNumber(lines.cell(cut, i, column))) return false;
    return true;
}

// Position numbers: within every run of rows, steps of one usual size from the first row.
bool isPositionColumn(const ExportLines& lines, const LineCut& cut, int column) {
    bool seenRun = false;
    for (size_t i = 0; i < lines.size();) {
        if (!cut.row[i]) {
            ++i;
            continue;
        }
        std::vector<int64_t> values;
        for (; i < lines.size() && (cut.row[i] || cut.rest[i]); ++i)
            if (cut.row[i]) values.push_back(readLeadingNumber(lines.cell(cut, i, column)).value);
        if (values.size() < 2) continue;
        seenRun = true;
        // Numbers at the ends of the range step by no difference a position number makes.
        int64_t step = 0, next = 0;
        if (__builtin_sub_overflow(values[1], values[0], &step) ||
            std::find(kPositionSteps.begin(), kPositionSteps.end(), step) == kPositionSteps.end() ||
            (values[0] != 1 && values[0] != step))
            return false;
        for (size_t k = 1; k < values.size(); ++k)
            if (__builtin_sub_overflow(values[k], values[k - 1], &next) || next != step) return false;
    }
    return seenRun;
}

// A column of a few words, other than the quantity and the name, in every row: 0 when none.
int typeColumn(const ExportLines& lines, const LineCut& cut, int quantity, int nameColumn) {
    const size_t columns = lines.cells(cut, cut.firstRow()).size();
    for (size_t k = 1; k <= columns; ++k) {
        const int column = static_cast<int>(k);
        if (column == quantity || column == nameColumn) continue;
        // The few words a type column holds, looked up in a row: no set of its own.
        std::array<std::string_view, kMaxTypeWords + 1> words;
        size_t distinct = 0;
        bool fits = true;
        for (size_t i = 0; i < lines.size() && fits; ++i) {
            if (!cut.row[i]) continue;
            const std::string_view cell = lines.cell(cut, i, column);
            fits = !cell.empty() && !isNumber(cell);
            if (std::find(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(distinct), cell) ==
                words.begin() + static_cast<std::ptrdiff_t>(distinct))
                words[distinct++] = cell;
            // More words than a type column holds: the rest need not be seen.
            fits = fits && distinct <= kMaxTypeWords;
        }
        if (fits && distinct <= kMaxTypeWords && distinct < cut.rowCount()) return column;
    }
    return 0;
}

// For each separator byte, the numbers of it that lines hold, each with the lines that hold it.
// Every byte is looked at once for all of them.
using SeparatorCounts = std::array<std::map<size_t, size_t>, kSeparators.size()>;

SeparatorCounts separatorCounts(const ExportLines& lines) {
    std::array<uint8_t, 256> which{};  // a byte's place in kSeparators, plus one; 0: no separator
    for (size_t k = 0; k < kSeparators.size(); ++k)
        which[static_cast<unsigned char>(kSeparators[k])] = static_cast<uint8_t>(k + 1);
    SeparatorCounts counts;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines.raw(i);
        std::array<size_t, kSeparators.size() + 1> inLine{};
        for (const char c : line) ++inLine[which[static_cast<unsigned char>(c)]];
        for (size_t k = 0; k < kSeparators.size(); ++k)
            if (inLine[k + 1] > 0) ++counts[k][inLine[k + 1]];
    }
    return counts;
}

const std::map<size_t, size_t>& countsOf(const SeparatorCounts& counts, char separator) {
    return counts[static_cast<size_t>(std::find(kSeparators.begin(), kSeparators.end(), separator) -
                                      kSeparators.begin())];
}

// The number of separators most lines that hold one have.
size_t usualSeparatorCount(const std::map<size_t, size_t>& counts, size_t* lineCount = nullptr) {
    size_t width = 0, most = 0;
    for (const auto& [k, count] : counts)
        if (count > most) {
            most = count;
            width = k;
        }
    if (lineCount) *lineCount = most;
    return width;
}

// The readings of the table whose rows hold `width` separators; `byKeywords`: those the line
// classifier reads too, else only the ones described as a layout.
void tableReadings(const Context& x, char separator, size_t width, bool byKeywords, std::vector<Reading>& out) {
    if (!(byKeywords && x.byKeywords) && !x.asLayouts) return;
    const ExportLines& lines = x.lines;
    const size_t n = lines.size();
    LineCut cut(separator, n);
    std::vector<size_t> tableLines;
    for (size_t i = 0; i < n; ++i)
        if (static_cast<size_t>(std::count(lines.raw(i).begin(), lines.raw(i).end(), separator)) == width)
            tableLines.push_back(i);
    const size_t columns = width + 1;
    if (columns > kMaxTableColumns) return;
    // A line of the table with no number in any cell is a row of column titles.
    for (const size_t i : tableLines) {
        const LineWords c = lines.cells(cut, i);
        if (std::any_of(c.begin(), c.end(), isNumber))
            cut.row[i] = 1;
        else
            cut.title[i] = 1;
    }
    if (cut.rowCount() == 0) return;
    lines.measureGaps(cut);
    // Quantities: a number in every row. Names: a word without blanks in every row.
    std::vector<uint8_t> allNumbers(columns, 1), allWords(columns, 1);
    for (size_t i = 0; i < n; ++i) {
        if (!cut.row[i]) continue;
        const LineWords c = lines.cells(cut, i);
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
        const std::tuple<size_t, bool, size_t> evidence{
            lines.headersNamed(cut, column), !isNumberColumn(lines, cut, column), lines.distinctNames(cut, column)};
        if (nameColumn == 0 || evidence > bestEvidence) {
            bestEvidence = evidence;
            nameColumn = column;
        }
    }
    if (nameColumn == 0) return;
    std::vector<int> counted;
    for (const int column : quantities)
        if (column != nameColumn && !isPositionColumn(lines, cut, column)) counted.push_back(column);
    if (counted.empty())
        for (const int column : quantities)
            if (column != nameColumn) counted.push_back(column);
    // Whole numbers first (a mass or a length has decimals), then the nearest to the name.
    std::vector<uint8_t> whole(columns + 1, 0);
    for (const int column : counted) whole[static_cast<size_t>(column)] = isWholeColumn(lines, cut, column);
    std::stable_sort(counted.begin(), counted.end(), [&](int a, int b) {
        const bool wholeA = whole[static_cast<size_t>(a)], wholeB = whole[static_cast<size_t>(b)];
        if (wholeA != wholeB) return wholeA;
        return std::abs(a - nameColumn) < std::abs(b - nameColumn);
    });
    if (counted.size() > kMaxQuantityColumns) counted.resize(kMaxQuantityColumns);
    // Each with and without a type column: the trial keeps the one that reads every row.
    for (const int quantity : counted) {
        const int type = typeColumn(lines, cut, quantity, nameColumn);
        if (byKeywords && x.byKeywords) {
            if (type != 0)
                if (std::optional<Reading> r = x.reading(cut, quantity, type, nameColumn)) out.push_back(std::move(*r));
            if (std::optional<Reading> r = x.reading(cut, quantity, 0, nameColumn)) out.push_back(std::move(*r));
        }
        // The same columns described as a layout, for headers the keywords cannot describe.
        if (!x.asLayouts) continue;
        if (std::optional<Reading> r = layoutReadingFor(lines, cut, ColumnChoice{quantity, type, nameColumn}, x.inUse))
            out.push_back(std::move(*r));
    }
}

}  // namespace

namespace {

std::vector<char> separatorsOf(const SeparatorCounts& counts) {
    std::vector<std::pair<size_t, char>> found;
    for (const char c : kSeparators) {
        size_t best = 0;
        usualSeparatorCount(countsOf(counts, c), &best);
        if (best >= kMinSeparatorLines) found.push_back({best, c});
    }
    std::sort(found.rbegin(), found.rend());
    std::vector<char> out;
    for (const auto& f : found) out.push_back(f.second);
    return out;
}

}  // namespace

std::vector<char> separatorsOf(const ExportLines& lines) { return separatorsOf(separatorCounts(lines)); }

std::vector<Reading> candidateReadings(const ExportLines& lines, const KeywordSet& inUse,
                                       const ColumnLayout& columnsInUse, Candidates which) {
    const Context x{lines, inUse, columnsInUse, which != Candidates::AsLayouts, which != Candidates::ByKeywords};
    std::vector<Reading> out;
    if (x.byKeywords) blankReadings(x, out);
    if (x.asLayouts) {
        gluedReadings(x, out);
        nameFirstReadings(x, out);
    }
    const SeparatorCounts counts = separatorCounts(lines);
    const std::vector<char> separators = separatorsOf(counts);
    if (x.asLayouts && std::find(separators.begin(), separators.end(), '\t') != separators.end())
        tabRowReadings(x, out);
    for (const char separator : separators) {
        const size_t usual = usualSeparatorCount(countsOf(counts, separator));
        tableReadings(x, separator, usual, true, out);
        if (!x.asLayouts) continue;
        // A summary with fewer cells than the blocks' rows may be as long as they are (a product of
        // one block): the rows of the next most usual width are tried as a layout too.
        std::vector<std::pair<size_t, size_t>> others;
        for (const auto& [width, count] : countsOf(counts, separator))
            if (width != usual && count >= kMinSeparatorLines) others.emplace_back(count, width);
        std::sort(others.rbegin(), others.rend());
        if (others.size() > kMaxOtherTableWidths) others.resize(kMaxOtherTableWidths);
        for (const auto& other : others) tableReadings(x, separator, other.second, false, out);
    }
    return out;
}

}  // namespace trelk::recognition
