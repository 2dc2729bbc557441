#include "engine/reading/line_classifier.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/reading/word_scan.h"
#include "text/text_rules.h"

namespace trelk {

size_t normaliseInPlace(char* line, size_t length) {
    size_t begin = 0;
    while (begin < length && line[begin] == ' ') ++begin;
    size_t end = length;
    while (end > begin && line[end - 1] == ' ') --end;
    // Copy down, keeping one blank of every run; after trimming no run touches either end.
    size_t out = 0;
    for (size_t i = begin; i < end; ++i) {
        if (line[i] == ' ' && out > 0 && line[out - 1] == ' ') continue;
        line[out++] = line[i];
    }
    return out;
}

bool isBlockHeader(std::string_view line, std::string_view containsKeyword) {
    return line.size() >= containsKeyword.size() &&
           line.substr(line.size() - containsKeyword.size()) == containsKeyword;
}

namespace {

using word_scan::findBlank;
using word_scan::findBlankBack;
using word_scan::skipBlanks;
using word_scan::skipBlanksBack;

std::string_view between(const char* begin, const char* end) {
    return std::string_view(begin, static_cast<size_t>(end - begin));
}

std::string_view withoutSurroundingBlanks(std::string_view cell) {
    while (!cell.empty() && cell.front() == ' ') cell.remove_prefix(1);
    while (!cell.empty() && cell.back() == ' ') cell.remove_suffix(1);
    return cell;
}

}  // namespace

std::string_view fieldOfRawLine(std::string_view line, int n) {
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    if (n > 0) {
        const char* p = skipBlanks(begin, end);
        for (int i = 1; i < n && p != end; ++i) p = skipBlanks(findBlank(p, end), end);
        return between(p, findBlank(p, end));
    }
    if (n < 0) {
        const char* q = skipBlanksBack(begin, end);
        for (int i = -1; i > n && q != begin; --i) q = skipBlanksBack(begin, findBlankBack(begin, q));
        return between(findBlankBack(begin, q), q);
    }
    return {};
}

int headerNameField(std::string_view containsKeyword) {
    const size_t first = containsKeyword.find_first_not_of(' ');
    if (first == std::string_view::npos) return -2;
    const size_t last = containsKeyword.find_last_not_of(' ');
    int blanks = 0;
    for (size_t i = first; i <= last; ++i) blanks += containsKeyword[i] == ' ';
    return -2 - blanks;
}

std::string_view cellOfLine(std::string_view line, char separator, int n) {
    std::string_view cell;
    if (n > 0) {
        size_t start = 0;
        for (int i = 1; i < n; ++i) {
            const size_t at = line.find(separator, start);
            if (at == std::string_view::npos) return {};
            start = at + 1;
        }
        cell = line.substr(start, line.find(separator, start) - start);
    } else if (n < 0) {
        size_t end = line.size();
        for (int i = -1; i > n; --i) {
            const size_t at = end == 0 ? std::string_view::npos : line.rfind(separator, end - 1);
            if (at == std::string_view::npos) return {};
            end = at;
        }
        const size_t at = end == 0 ? std::string_view::npos : line.rfind(separator, end - 1);
        const size_t start = at == std::string_view::npos ? 0 : at + 1;
        cell = line.substr(start, end - start);
    }
    return withoutSurroundingBlanks(cell);
}

std::vector<std::string_view> cellsOfLine(std::string_view line, char separator) {
    std::vector<std::string_view> cells;
    // Counted first: one allocation for the line, not one each time the vector grows
    // (recognition cuts every line many times).
    cells.reserve(static_cast<size_t>(std::count(line.begin(), line.end(), separator == 0 ? ' ' : separator)) + 1);
    appendCellsOfLine(line, separator, cells);
    return cells;
}

void appendCellsOfLine(std::string_view line, char separator, std::vector<std::string_view>& cells) {
    const char* const end = line.data() + line.size();
    if (separator == 0) {
        for (const char* p = skipBlanks(line.data(), end); p != end;) {
            const char* const wordEnd = findBlank(p, end);
            cells.push_back(between(p, wordEnd));
            p = skipBlanks(wordEnd, end);
        }
        return;
    }
    size_t start = 0;
    for (;;) {
        const size_t at = line.find(separator, start);
        cells.push_back(withoutSurroundingBlanks(
            line.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start)));
        if (at == std::string_view::npos) return;
        start = at + 1;
    }
}

bool startsWithNumber(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i < text.size() && text[i] == '.') ++i;
    return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

HeaderPattern parseHeaderPattern(std::string_view pattern) {
    HeaderPattern p;
    const size_t at = pattern.find(kNamePlaceholder);
    if (at == std::string_view::npos) return p;
    auto normalised = [](std::string_view text) {
        std::string copy(text);
        copy.resize(normaliseInPlace(copy.data(), copy.size()));
        return copy;
    };
    p.before = normalised(pattern.substr(0, at));
    p.after = normalised(pattern.substr(at + kNamePlaceholder.size()));
    // A name alone would make every line of one word a header.
    p.valid = !p.before.empty() || !p.after.empty();
    return p;
}

LineClassifier::LineClassifier(const KeywordSet& keywords, const ColumnLayout& columns)
    : keywords_(keywords),
      columns_(columns),
      defaultColumns_(columns.isDefault()),
      pattern_(parseHeaderPattern(columns.Header)),
      containsHasBlank_(keywords.contains.find(' ') != std::string::npos),
      headerNameField_(headerNameField(keywords.contains)),
      typeStarts_{keywords.SubAssembly.empty() ? '\0' : keywords.SubAssembly[0],
                  keywords.Part.empty() ? '\0' : keywords.Part[0]} {}

bool LineClassifier::startsTypeWord(std::string_view type) const {
    auto starts = [type](std::string_view word) {
        return type.size() < word.size() && word.compare(0, type.size(), type) == 0;
    };
    return !type.empty() && (starts(keywords_.SubAssembly) || starts(keywords_.Part));
}

ItemKind LineClassifier::continuedType(std::string_view start, std::string_view line) const {
    std::string rest(line);
    rest.resize(normaliseInPlace(rest.data(), rest.size()));
    if (rest.empty() || rest.find(' ') != std::string::npos) return ItemKind::None;
    const std::string word = std::string(start) + rest;
    const ItemKind kind = kindOfType(word);
    if (kind != ItemKind::None) return kind;
    return startsTypeWord(word) ? ItemKind::Member : ItemKind::None;
}

void LineClassifier::takeColumns(std::string_view line, LineClass& c, std::string_view& type) const {
    c.quantity = fieldOfRawLine(line, columns_.Quantity);
    c.item = fieldOfRawLine(line, columns_.Name);
    if (columns_.Type == 0) {
        // A row of a table without types: a number where the quantity stands, and a name.
        type = {};
        const bool twoFields = c.item.data() != c.quantity.data();
        c.kind = twoFields && startsWithNumber(c.quantity) && !c.item.empty() ? ItemKind::Member : ItemKind::None;
        return;
    }
    type = fieldOfRawLine(line, columns_.Type);
    c.kind = kindOfType(type);
}

void LineClassifier::takeCells(std::string_view line, LineClass& c, std::string_view& type) const {
    const char separator = columns_.Separator;
    c.kind = ItemKind::None;
    c.quantity = c.item = type = {};
    if (line.find(separator) == std::string_view::npos) return;  // no row of the table
    c.quantity = cellOfLine(line, separator, columns_.Quantity);
    c.item = cellOfLine(line, separator, columns_.Name);
    if (columns_.Type == 0) {
        c.kind = startsWithNumber(c.quantity) && !c.item.empty() ? ItemKind::Member : ItemKind::None;
        return;
    }
    type = cellOfLine(line, separator, columns_.Type);
    c.kind = kindOfType(type);
}

bool LineClassifier::matchHeaderPattern(std::string_view line, LineClass& c) {
    normalised_.assign(line.data(), line.size());
    normalised_.resize(normaliseInPlace(normalised_.data(), normalised_.size()));
    std::string_view text = normalised_;
    const std::string& after = pattern_.after;
    int nameField = -1;
    if (!after.empty()) {
        if (text.size() < after.size() + 2 || text.substr(text.size() - after.size()) != after ||
            text[text.size() - after.size() - 1] != ' ')
            return false;
        text.remove_suffix(after.size() + 1);
        nameField -= 1 + static_cast<int>(std::count(after.begin(), after.end(), ' '));
    }
    const size_t blank = text.rfind(' ');
    const std::string_view name = blank == std::string_view::npos ? text : text.substr(blank + 1);
    const std::string_view rest = blank == std::string_view::npos ? std::string_view() : text.substr(0, blank);
    const std::string& before = pattern_.before;
    if (name.empty()) return false;
    if (!before.empty() &&
        !(rest == before || (rest.size() > before.size() && rest.substr(rest.size() - before.size()) == before &&
                             rest[rest.size() - before.size() - 1] == ' ')))
        return false;
    c.headerName = fieldOfRawLine(line, nameField);
    return true;
}

std::string_view LineClassifier::typeField(std::string_view line) const {
    if (columns_.Type == 0) return {};
    if (columns_.Separator != 0) return cellOfLine(line, columns_.Separator, columns_.Type);
    return fieldOfRawLine(line, columns_.Type);
}

LineClass LineClassifier::classify(std::string_view line) {
    LineClass c;
    const char* const end = line.data() + line.size();
    const char* const first = skipBlanks(line.data(), end);
    if (first == end) {
        c.header = keywords_.contains.empty() && !pattern_.valid;  // only an empty keyword ends an empty line
        return c;
    }
    c.empty = false;
    // Only the fields that are needed are looked for: the first, the second, the last, and the
    // one before the last for a header.
    const char* const firstEnd = findBlank(first, end);
    const char* const lastEnd = skipBlanksBack(first, end);
    const char* const last = findBlankBack(first, lastEnd);
    c.quantity = between(first, firstEnd);
    c.item = between(last, lastEnd);
    c.lastField = c.item;
    std::string_view type;  // empty for a line of one field, which an empty keyword matches
    if (last != first) {
        const char* const second = skipBlanks(firstEnd, end);
        type = between(second, findBlank(second, end));
    }
    c.kind = kindOfType(type);
    if (pattern_.valid) {
        c.header = matchHeaderPattern(line, c);
    } else if (containsHasBlank_) {
        normalised_.assign(line.data(), line.size());
        normalised_.resize(normaliseInPlace(normalised_.data(), normalised_.size()));
        c.header = isBlockHeader(normalised_, keywords_.contains);
        if (c.header) c.headerName = fieldOfRawLine(line, headerNameField_);
    } else {
        // Without a blank the keyword can only be the end of the last field.
        const std::string_view keyword = keywords_.contains;
        c.header = c.item.size() >= keyword.size() && sameBytes(c.item.substr(c.item.size() - keyword.size()), keyword);
        if (c.header && last != first) {
            const char* const beforeLastEnd = skipBlanksBack(first, last);
            c.headerName = between(findBlankBack(first, beforeLastEnd), beforeLastEnd);
        }
    }
    if (!defaultColumns_) {
        if (columns_.Separator != 0)
            takeCells(line, c, type);
        else
            takeColumns(line, c, type);
        // In a table a header is a header only.
        if (c.header && columns_.tableRules()) c.kind = ItemKind::None;
    }
    // Most lines that are no items are headers or column titles, whose second field starts with
    // another byte than a type word.
    c.cutType = c.kind == ItemKind::None && !c.header && !type.empty() &&
                (type[0] == typeStarts_[0] || type[0] == typeStarts_[1]) && startsTypeWord(type);
    return c;
}

Quantity readQuantityField(std::string_view firstField) {
    // Nearly every quantity is a few plain digits.
    if (!firstField.empty() && firstField.size() <= 9) {
        int32_t value = 0;
        size_t i = 0;
        for (; i < firstField.size() && firstField[i] >= '0' && firstField[i] <= '9'; ++i)
            value = value * 10 + (firstField[i] - '0');
        if (i == firstField.size()) return {value, false};
    }
    const LeadingNumber n = readLeadingNumber(firstField);
    if (n.outOfRange || n.value < std::numeric_limits<int32_t>::min() || n.value > std::numeric_limits<int32_t>::max())
        return {0, true};
    return {static_cast<int32_t>(n.value), false};
}

}  // namespace trelk
