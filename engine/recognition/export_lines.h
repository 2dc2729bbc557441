// The first step of recognition: what the file's lines could be. `ExportLines` holds the lines as
// read and normalised, and cuts them into cells by the one splitter the line classifier uses; a
// `LineCut` marks, for one way of cutting them (words at blanks, or cells at a separator byte),
// which lines are rows, column titles and rests of cut type words, and how far each line stands
// above the next rows: where block headers and the summary may stand.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace trelk::recognition {

inline constexpr size_t kFar = ~size_t{0} / 2;

using Names = std::unordered_set<std::string_view>;

// An order of words that compares lengths before bytes: sorting and searching words then compares
// bytes only of words of one length. The bytes are compared here, not by a call of memcmp: words
// are a few bytes long, and recognition sorts and searches thousands of them.
inline bool shorterOrBefore(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return a.size() < b.size();
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
    return false;
}

// Words looked up by binary search: one allocation, where a hash set makes a node of every word.
class SortedWords {
public:
    SortedWords() = default;
    template <typename It>
    SortedWords(It begin, It end) : words_(begin, end) {
        std::sort(words_.begin(), words_.end(), shorterOrBefore);
        words_.erase(std::unique(words_.begin(), words_.end()), words_.end());
    }
    size_t count(std::string_view word) const {
        return std::binary_search(words_.begin(), words_.end(), word, shorterOrBefore) ? 1 : 0;
    }

private:
    std::vector<std::string_view> words_;
};

// A quantity: a sign, digits, a decimal point or comma and digits.
bool isNumber(std::string_view text);
// A word, not a rule or a separator: a byte that is no ASCII punctuation, digit or blank.
bool hasLetter(std::string_view text);
std::string_view withoutColon(std::string_view field);
// A word that labels a value ("cost:", "Summe:"): a total line's, never a name or a type word.
bool isLabel(std::string_view word);
std::string joinFields(const std::vector<std::string_view>& fields, size_t begin, size_t end);
// Keeps of `common` the longest run of words that ends it and the words `begin` to `end` too.
void keepCommonEnd(std::vector<std::string_view>& common, const std::string_view* begin, const std::string_view* end);
// The longest run of fields that ends every one of the texts (each given as its fields).
std::vector<std::string_view> commonEnd(const std::vector<std::vector<std::string_view>>& texts);
// Cell n as the column layout counts it: 1, 2, ... from the start, -1, ... from the end.
std::string_view cellAt(const std::vector<std::string_view>& cells, int n);

// The words of one line as ExportLines holds them: a view, valid as long as the lines are.
class LineWords {
public:
    LineWords(const std::string_view* first, size_t count) : first_(first), count_(count) {}
    const std::string_view* begin() const { return first_; }
    const std::string_view* end() const { return first_ + count_; }
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    std::string_view operator[](size_t k) const { return first_[k]; }
    std::string_view front() const { return first_[0]; }
    std::string_view back() const { return first_[count_ - 1]; }
    // Cell n as cellAt counts it.
    std::string_view at(int n) const;
    operator std::vector<std::string_view>() const { return {begin(), end()}; }

private:
    const std::string_view* first_;
    size_t count_;
};

inline std::string_view cellAt(const LineWords& cells, int n) { return cells.at(n); }

// One way of cutting the lines into cells, and what its lines are.
struct LineCut {
    char separator = 0;               // 0: fields at blanks
    int gluedDecimals = -1;           // fields at blanks: the first cut after a quantity's decimals
    std::vector<uint8_t> row;         // by line: a row of items
    std::vector<uint8_t> title;       // by line: a row of column titles
    std::vector<uint8_t> rest;        // by line: the rest of a cut type word
    std::vector<std::string> restOf;  // by line of a row: the rest of its type word, if cut
    std::vector<size_t> gapToRow;     // by line: lines of text before the next row
    // leadMembers by name column, and the words of the lines that lead rows (sorted, the same for
    // every name column), once asked for; measureGaps clears them, as the rows have changed.
    mutable std::map<int, SortedWords> members;
    mutable std::optional<std::vector<std::string_view>> leadWords;
    // Every line's cells, cut once at the first ask, for the lines and the glued decimals they
    // were cut with: recognition asks for a row's cells many times.
    mutable std::vector<std::string_view> cellStore;
    mutable std::vector<size_t> firstCell;
    mutable const void* cellsOf = nullptr;
    mutable int cellsGlued = -1;

    // No line marked yet, for a file of `lines` lines.
    LineCut(char separatorByte, size_t lines);
    size_t firstRow() const;
    size_t rowCount() const;
};

// The file's lines, and every scan of them counted.
class ExportLines {
public:
    explicit ExportLines(std::string_view bytes);
    // The words point into the lines held, which a move keeps where they are and a copy would not.
    ExportLines(const ExportLines&) = delete;
    ExportLines& operator=(const ExportLines&) = delete;
    ExportLines(ExportLines&&) = default;
    ExportLines& operator=(ExportLines&&) = default;
    // The same lines with their words cut at TABs as at blanks, for label lines
    // ("Modellname:<TAB><TAB>NAME"). Other readings keep TABs inside words: in a table cut at a
    // separator, a row of fewer cells than the table's is a line of text, whose words must not
    // name members.
    ExportLines wordsAtTabs() const;

    size_t size() const { return norm_.size(); }
    std::string_view raw(size_t line) const { return raw_[line]; }
    std::string_view norm(size_t line) const { return norm_[line]; }

    // The words of a normalised text, and the cells of a line as a cut takes them; each call counts
    // the bytes it goes over.
    std::vector<std::string_view> fields(std::string_view normalised) const;
    std::vector<std::string_view> fields(size_t line) const { return words(line); }
    // The same words without a vector of their own: a line is cut once, when the lines are read,
    // as recognition asks for every line's words many times. Counted as a cut.
    LineWords words(size_t line) const {
        steps_ += norm_[line].size() + 1;
        return LineWords(words_.data() + firstWord_[line], firstWord_[line + 1] - firstWord_[line]);
    }
    LineWords cells(const LineCut& cut, size_t line) const;
    // Cell n of a line as cells(cut, line) gives it, counted as they are.
    std::string_view cell(const LineCut& cut, size_t line, int n) const;
    // A line looked at once more by other means (a classifier, a search), counted.
    void count(uint64_t bytes) const { steps_ += bytes; }
    // The bytes of lines the scans went over so far, each scan of a line counted.
    uint64_t steps() const { return steps_; }

    // A line of text under the cut: neither empty, nor a row, a title or the rest of a type word.
    bool text(const LineCut& cut, size_t line) const;
    // Sets cut.gapToRow from the cut's rows.
    void measureGaps(LineCut& cut) const;
    // A line of text that rows follow soon: where block headers stand.
    bool leads(const LineCut& cut, size_t line) const;
    // The title row just above a row (with only empty lines between), or kFar.
    size_t titleAbove(const LineCut& cut, size_t row) const;

    // The words of lines that lead rows which rows name in that column: the members that such a
    // line may head the block of (views into the lines). Only the few words of those lines are
    // kept, not every name of the file.
    const SortedWords& leadMembers(const LineCut& cut, int nameColumn) const;
    // The lines that lead rows and name such a member.
    size_t headersNamed(const LineCut& cut, int nameColumn) const;
    // The different names in that column of the rows.
    size_t distinctNames(const LineCut& cut, int nameColumn) const;
    bool anyName(const LineCut& cut, int nameColumn) const;

private:
    ExportLines() = default;
    // Sets norm_ to the lines normalised, held in one buffer.
    template <typename Lines>
    void normalise(const Lines& lines, size_t bytes, bool tabsAsBlanks);
    // Cuts every line of norm_ into words_.
    void cutWords();
    // Cuts every line into the cut's cells, kept in the cut.
    void cutCells(const LineCut& cut) const;

    std::vector<std::string_view> raw_;
    // The normalised lines, views into one buffer: a vector's, which a move keeps where it is.
    std::vector<char> normText_;
    std::vector<std::string_view> norm_;
    // Every line's words in a row, and where each line's start (one more entry than lines).
    std::vector<std::string_view> words_;
    std::vector<size_t> firstWord_;
    mutable uint64_t steps_ = 0;
};

}  // namespace trelk::recognition
