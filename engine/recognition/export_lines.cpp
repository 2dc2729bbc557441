#include "engine/recognition/export_lines.h"

#include <algorithm>

#include "engine/reading/line_classifier.h"
#include "engine/reading/line_match.h"
#include "engine/reading/word_scan.h"
#include "engine/recognition/recognition_limits.h"
#include "text/text_rules.h"

namespace trelk::recognition {

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

bool hasLetter(std::string_view text) {
    for (const char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x80 || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) return true;
    }
    return false;
}

bool isLabel(std::string_view word) { return !word.empty() && (word.back() == ':' || word.back() == '='); }

std::string_view withoutColon(std::string_view field) {
    if (!field.empty() && field.back() == ':') field.remove_suffix(1);
    return field;
}

std::string joinFields(const std::vector<std::string_view>& fields, size_t begin, size_t end) {
    std::string text;
    for (size_t i = begin; i < end; ++i) {
        if (i > begin) text += ' ';
        text += fields[i];
    }
    return text;
}

void keepCommonEnd(std::vector<std::string_view>& common, const std::string_view* begin, const std::string_view* end) {
    size_t n = 0;
    const size_t count = static_cast<size_t>(end - begin);
    while (n < common.size() && n < count && common[common.size() - 1 - n] == end[-1 - static_cast<std::ptrdiff_t>(n)])
        ++n;
    common.erase(common.begin(), common.end() - static_cast<std::ptrdiff_t>(n));
}

std::vector<std::string_view> commonEnd(const std::vector<std::vector<std::string_view>>& texts) {
    if (texts.empty()) return {};
    std::vector<std::string_view> common = texts.front();
    for (const auto& fields : texts) keepCommonEnd(common, fields.data(), fields.data() + fields.size());
    return common;
}

std::string_view cellAt(const std::vector<std::string_view>& cells, int n) {
    const size_t count = cells.size();
    if (n > 0) return static_cast<size_t>(n) <= count ? cells[static_cast<size_t>(n) - 1] : std::string_view();
    return static_cast<size_t>(-n) <= count ? cells[count - static_cast<size_t>(-n)] : std::string_view();
}

LineCut::LineCut(char separatorByte, size_t lines)
    : separator(separatorByte), row(lines, 0), title(lines, 0), rest(lines, 0) {}

size_t LineCut::firstRow() const { return static_cast<size_t>(std::find(row.begin(), row.end(), 1) - row.begin()); }

size_t LineCut::rowCount() const { return static_cast<size_t>(std::count(row.begin(), row.end(), 1)); }

namespace {

// The words of a normalised line, as cellsOfLine cuts them at blanks.
template <typename Take>
void forEachWord(std::string_view line, Take take) {
    const char* const end = line.data() + line.size();
    for (const char* p = word_scan::skipBlanks(line.data(), end); p != end;) {
        const char* const wordEnd = word_scan::findBlank(p, end);
        take(std::string_view(p, static_cast<size_t>(wordEnd - p)));
        p = word_scan::skipBlanks(wordEnd, end);
    }
}

}  // namespace

std::string_view LineWords::at(int n) const {
    if (n > 0) return static_cast<size_t>(n) <= count_ ? first_[n - 1] : std::string_view();
    return n < 0 && static_cast<size_t>(-n) <= count_ ? first_[count_ - static_cast<size_t>(-n)] : std::string_view();
}

ExportLines::ExportLines(std::string_view bytes) {
    // Room for a line per LF, the usual line end, so that the lines' vectors rarely grow.
    const size_t ends = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    raw_.reserve(ends);
    forEachBomLine(bytes, [&](std::string_view line) { raw_.push_back(line); });
    normalise(raw_, bytes.size(), false);
    cutWords();
}

template <typename Lines>
void ExportLines::normalise(const Lines& lines, size_t bytes, bool tabsAsBlanks) {
    // One buffer for every line, not a string each: recognition reads every file it is given.
    normText_.resize(bytes);
    std::vector<size_t> ends;
    ends.reserve(lines.size());
    size_t at = 0;
    for (const std::string_view line : lines) {
        char* const start = normText_.data() + at;
        std::copy(line.begin(), line.end(), start);
        if (tabsAsBlanks) {
            steps_ += line.size() + 1;
            std::replace(start, start + line.size(), '\t', ' ');
        }
        at += normaliseInPlace(start, line.size());
        ends.push_back(at);
    }
    norm_.clear();
    norm_.reserve(lines.size());
    size_t from = 0;
    for (const size_t end : ends) {
        norm_.emplace_back(normText_.data() + from, end - from);
        from = end;
    }
}

void ExportLines::cutWords() {
    // The words point into normText_, which no longer moves. Counted first, so that they take one
    // allocation of their size.
    words_.clear();
    firstWord_.clear();
    size_t count = 0;
    for (const std::string_view line : norm_) forEachWord(line, [&count](std::string_view) { ++count; });
    words_.reserve(count);
    firstWord_.reserve(norm_.size() + 1);
    for (const std::string_view line : norm_) {
        firstWord_.push_back(words_.size());
        forEachWord(line, [this](std::string_view word) { words_.push_back(word); });
    }
    firstWord_.push_back(words_.size());
}

ExportLines ExportLines::wordsAtTabs() const {
    ExportLines out;
    out.raw_ = raw_;
    size_t bytes = 0;
    for (const std::string_view line : norm_) bytes += line.size();
    out.normalise(norm_, bytes, true);
    steps_ += out.steps_;
    out.steps_ = 0;
    out.cutWords();
    return out;
}

std::vector<std::string_view> ExportLines::fields(std::string_view normalised) const {
    steps_ += normalised.size() + 1;
    return cellsOfLine(normalised, 0);
}

void ExportLines::cutCells(const LineCut& cut) const {
    cut.cellStore.clear();
    // Room enough for every cell at blanks (a glued quantity adds one to a line), and for two
    // cells a line at a separator: the store then grows a few times, not once for each doubling.
    cut.cellStore.reserve(cut.separator != 0 ? 2 * norm_.size() : words_.size() + norm_.size());
    cut.firstCell.clear();
    cut.firstCell.reserve(norm_.size() + 1);
    for (size_t i = 0; i < norm_.size(); ++i) {
        cut.firstCell.push_back(cut.cellStore.size());
        if (cut.separator != 0) {
            steps_ += raw_[i].size() + 1;
            appendCellsOfLine(raw_[i], cut.separator, cut.cellStore);
            continue;
        }
        const LineWords w = words(i);
        cut.cellStore.insert(cut.cellStore.end(), w.begin(), w.end());
        if (w.empty()) continue;
        const auto [quantity, rest] = splitGluedQuantity(w.front(), cut.gluedDecimals);
        if (rest.empty()) continue;
        std::string_view* const front = &cut.cellStore[cut.firstCell.back()];
        *front = quantity;
        cut.cellStore.insert(cut.cellStore.begin() + static_cast<std::ptrdiff_t>(cut.firstCell.back()) + 1, rest);
    }
    cut.firstCell.push_back(cut.cellStore.size());
    cut.cellsOf = this;
    cut.cellsGlued = cut.gluedDecimals;
}

LineWords ExportLines::cells(const LineCut& cut, size_t line) const {
    if (cut.separator == 0 && cut.gluedDecimals < 0) return words(line);
    if (cut.cellsOf != this || cut.cellsGlued != cut.gluedDecimals || cut.firstCell.size() != norm_.size() + 1)
        cutCells(cut);
    steps_ += (cut.separator != 0 ? raw_[line].size() : norm_[line].size()) + 1;
    const size_t first = cut.firstCell[line];
    return LineWords(cut.cellStore.data() + first, cut.firstCell[line + 1] - first);
}

std::string_view ExportLines::cell(const LineCut& cut, size_t line, int n) const {
    if (cut.separator != 0) {
        steps_ += raw_[line].size() + 1;
        return cellOfLine(raw_[line], cut.separator, n);
    }
    if (cut.gluedDecimals < 0) return words(line).at(n);
    return cells(cut, line).at(n);
}

bool ExportLines::text(const LineCut& cut, size_t line) const {
    return !norm_[line].empty() && !cut.row[line] && !cut.title[line] && !cut.rest[line];
}

void ExportLines::measureGaps(LineCut& cut) const {
    cut.members.clear();
    cut.leadWords.reset();
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

bool ExportLines::leads(const LineCut& cut, size_t line) const {
    return text(cut, line) && cut.gapToRow[line] <= kMaxLinesAboveRows;
}

size_t ExportLines::titleAbove(const LineCut& cut, size_t row) const {
    for (size_t i = row; i-- > 0;) {
        if (cut.title[i]) return i;
        if (!norm_[i].empty()) return kFar;
    }
    return kFar;
}

const SortedWords& ExportLines::leadMembers(const LineCut& cut, int nameColumn) const {
    auto found = cut.members.find(nameColumn);
    if (found != cut.members.end()) return found->second;
    if (!cut.leadWords) {
        // Sorted in one vector: a set would make a node of every word of every such line.
        size_t count = 0;
        for (size_t i = 0; i < norm_.size(); ++i)
            if (leads(cut, i)) count += this->words(i).size();
        std::vector<std::string_view>& words = cut.leadWords.emplace();
        words.reserve(count);
        for (size_t i = 0; i < norm_.size(); ++i)
            if (leads(cut, i)) {
                const LineWords line = this->words(i);
                words.insert(words.end(), line.begin(), line.end());
            }
        std::sort(words.begin(), words.end(), shorterOrBefore);
    }
    const std::vector<std::string_view>& words = *cut.leadWords;
    std::vector<std::string_view> members;
    for (size_t i = 0; i < norm_.size(); ++i)
        if (cut.row[i]) {
            const std::string_view name = cell(cut, i, nameColumn);
            if (!name.empty() && std::binary_search(words.begin(), words.end(), name, shorterOrBefore))
                members.push_back(name);
        }
    return cut.members[nameColumn] = SortedWords(members.begin(), members.end());
}

size_t ExportLines::headersNamed(const LineCut& cut, int nameColumn) const {
    const SortedWords& members = leadMembers(cut, nameColumn);
    size_t named = 0;
    for (size_t i = 0; i < norm_.size(); ++i)
        if (leads(cut, i))
            for (const std::string_view field : words(i))
                if (members.count(field)) {
                    ++named;
                    break;
                }
    return named;
}

size_t ExportLines::distinctNames(const LineCut& cut, int nameColumn) const {
    std::vector<std::string_view> names;
    names.reserve(cut.rowCount());
    for (size_t i = 0; i < norm_.size(); ++i)
        if (cut.row[i]) names.push_back(cell(cut, i, nameColumn));
    std::sort(names.begin(), names.end(), shorterOrBefore);
    return static_cast<size_t>(std::unique(names.begin(), names.end()) - names.begin());
}

bool ExportLines::anyName(const LineCut& cut, int nameColumn) const {
    for (size_t i = 0; i < norm_.size(); ++i)
        if (cut.row[i] && !cell(cut, i, nameColumn).empty()) return true;
    return false;
}

}  // namespace trelk::recognition
