#include "engine/line_classifier.h"

#include <cstring>
#include <limits>

#include "engine/word_scan.h"
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

LineClassifier::LineClassifier(const KeywordSet& keywords, const ColumnLayout& columns)
    : keywords_(keywords),
      columns_(columns),
      defaultColumns_(columns.isDefault()),
      containsHasBlank_(keywords.contains.find(' ') != std::string::npos) {}

void LineClassifier::takeColumns(std::string_view line, LineClass& c) const {
    c.quantity = fieldOfRawLine(line, columns_.Quantity);
    c.item = fieldOfRawLine(line, columns_.Name);
    const std::string_view type = fieldOfRawLine(line, columns_.Type);
    if (sameBytes(type, keywords_.SubAssembly))
        c.kind = ItemKind::SubAssembly;
    else if (sameBytes(type, keywords_.Part))
        c.kind = ItemKind::Part;
    else
        c.kind = ItemKind::None;
}

LineClass LineClassifier::classify(std::string_view line) {
    LineClass c;
    const char* const end = line.data() + line.size();
    const char* const first = skipBlanks(line.data(), end);
    if (first == end) {
        c.header = keywords_.contains.empty();  // only an empty keyword ends an empty line
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
    if (sameBytes(type, keywords_.SubAssembly))
        c.kind = ItemKind::SubAssembly;
    else if (sameBytes(type, keywords_.Part))
        c.kind = ItemKind::Part;
    if (containsHasBlank_) {
        normalised_.assign(line.data(), line.size());
        normalised_.resize(normaliseInPlace(normalised_.data(), normalised_.size()));
        c.header = isBlockHeader(normalised_, keywords_.contains);
    } else {
        // Without a blank the keyword can only be the end of the last field.
        const std::string_view keyword = keywords_.contains;
        c.header = c.item.size() >= keyword.size() && sameBytes(c.item.substr(c.item.size() - keyword.size()), keyword);
    }
    if (c.header && last != first) {
        const char* const beforeLastEnd = skipBlanksBack(first, last);
        c.headerName = between(findBlankBack(first, beforeLastEnd), beforeLastEnd);
    }
    if (!defaultColumns_) takeColumns(line, c);
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
