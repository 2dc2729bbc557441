#include "engine/bom_tables.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

#include "engine/file_system.h"

namespace trelk {

BomLineTable::BomLineTable(std::string bytes) : bytes_(std::make_unique<std::string>(std::move(bytes))) {
    lines_ = splitBomLines(*bytes_);
}

BomLineTable BomLineTable::fromLines(const std::vector<std::string>& lines) {
    BomLineTable table;
    size_t size = 0;
    for (const std::string& line : lines) size += line.size();
    table.bytes_->reserve(size);
    for (const std::string& line : lines) *table.bytes_ += line;
    size_t at = 0;
    for (const std::string& line : lines) {
        table.lines_.emplace_back(table.bytes_->data() + at, line.size());
        at += line.size();
    }
    return table;
}

BomLineTable readBomLines(const std::string& fileName) {
    std::string bytes;
    if (readWholeFile(fileName, bytes) != kNoError) bytes.clear();
    return BomLineTable(std::move(bytes));
}

void BomLineTable::normaliseAll() {
    char* const base = bytes_->data();
    for (std::string_view& line : lines_) {
        char* start = base + (line.data() - bytes_->data());
        line = std::string_view(start, normaliseInPlace(start, line.size()));
    }
}

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

std::string normaliseLine(std::string_view line) {
    std::string copy(line);
    copy.resize(normaliseInPlace(copy.data(), copy.size()));
    return copy;
}

std::string_view field(std::string_view line, int n) {
    if (n > 0) {
        size_t start = 0;
        for (int i = 1; i < n; ++i) {
            const size_t blank = line.find(' ', start);
            if (blank == std::string_view::npos) return {};
            start = blank + 1;
        }
        const size_t blank = line.find(' ', start);
        return line.substr(start, blank == std::string_view::npos ? std::string_view::npos : blank - start);
    }
    if (n < 0) {
        size_t end = line.size();
        for (int i = -1; i > n; --i) {
            const size_t blank = end == 0 ? std::string_view::npos : line.rfind(' ', end - 1);
            if (blank == std::string_view::npos) return {};
            end = blank;
        }
        const size_t blank = end == 0 ? std::string_view::npos : line.rfind(' ', end - 1);
        const size_t start = blank == std::string_view::npos ? 0 : blank + 1;
        return line.substr(start, end - start);
    }
    return {};
}

bool isBlockHeader(std::string_view line, std::string_view containsKeyword) {
    return line.size() >= containsKeyword.size() &&
           line.substr(line.size() - containsKeyword.size()) == containsKeyword;
}

std::string_view headerAssemblyName(std::string_view headerLine) { return field(headerLine, -2); }

std::string_view findMainAssembly(const BomLineTable& table, std::string_view containsKeyword) {
    for (std::string_view line : table.lines())
        if (isBlockHeader(line, containsKeyword)) return headerAssemblyName(line);
    return {};
}

ItemKind itemKind(std::string_view line, const KeywordSet& keywords) {
    const std::string_view type = field(line, 2);
    if (type == keywords.SubAssembly) return ItemKind::SubAssembly;
    if (type == keywords.Part) return ItemKind::Part;
    return ItemKind::None;
}

namespace {

// The columns of an export are padded with long runs of blanks, so blanks are looked for eight
// bytes at a time where the byte order allows.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kWordScan = true;
#else
constexpr bool kWordScan = false;
#endif
constexpr uint64_t kBlanks = 0x2020202020202020ull, kLow7 = 0x7F7F7F7F7F7F7F7Full;

uint64_t load8(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}
// The high bit of every byte of the word that is a blank, nothing else.
uint64_t blankBytes(uint64_t w) {
    const uint64_t x = w ^ kBlanks;
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}
int lowestByte(uint64_t bits) { return __builtin_ctzll(bits) / 8; }
int highestByte(uint64_t bits) { return (63 - __builtin_clzll(bits)) / 8; }

// The first byte at or after p that is not a blank, or end.
const char* skipBlanks(const char* p, const char* end) {
    if (kWordScan)
        for (; end - p >= 8; p += 8)
            if (const uint64_t other = load8(p) ^ kBlanks) return p + lowestByte(other);
    while (p < end && *p == ' ') ++p;
    return p;
}
// The first blank at or after p, or end.
const char* findBlank(const char* p, const char* end) {
    if (kWordScan)
        for (; end - p >= 8; p += 8)
            if (const uint64_t blanks = blankBytes(load8(p))) return p + lowestByte(blanks);
    while (p < end && *p != ' ') ++p;
    return p;
}
// Going back from end: just after the last byte that is not a blank, or begin.
const char* skipBlanksBack(const char* begin, const char* end) {
    if (kWordScan)
        for (; end - begin >= 8; end -= 8)
            if (const uint64_t other = load8(end - 8) ^ kBlanks) return end - 8 + highestByte(other) + 1;
    while (end > begin && end[-1] == ' ') --end;
    return end;
}
// Going back from end: just after the last blank, or begin.
const char* findBlankBack(const char* begin, const char* end) {
    if (kWordScan)
        for (; end - begin >= 8; end -= 8)
            if (const uint64_t blanks = blankBytes(load8(end - 8))) return end - 8 + highestByte(blanks) + 1;
    while (end > begin && end[-1] != ' ') --end;
    return end;
}

std::string_view between(const char* begin, const char* end) { return std::string_view(begin, static_cast<size_t>(end - begin)); }

}  // namespace

LineFields splitFields(std::string_view line) {
    LineFields f;
    const char* const end = line.data() + line.size();
    const char* const first = skipBlanks(line.data(), end);
    if (first == end) return f;
    const char* firstEnd = findBlank(first, end);
    f.first = between(first, firstEnd);
    const char* const second = skipBlanks(firstEnd, end);
    if (second == end) {
        f.last = f.first;
        return f;
    }
    f.second = between(second, findBlank(second, end));
    // The last two fields from the back, so that a long middle is never read; neither begins
    // before the second field.
    const char* const lastEnd = skipBlanksBack(second, end);
    const char* const last = findBlankBack(second, lastEnd);
    f.last = between(last, lastEnd);
    if (last == second) {
        f.beforeLast = f.first;
        return f;
    }
    const char* const beforeLastEnd = skipBlanksBack(second, last);
    f.beforeLast = between(findBlankBack(second, beforeLastEnd), beforeLastEnd);
    return f;
}

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

int readFieldNumber(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    text = text.substr(first, text.find_last_not_of(' ') + 1 - first);
    size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
    if (i == text.size()) return 0;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<int>::max()) return 0;
    }
    return static_cast<int>(text[0] == '-' ? -value : value);
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
    if (sameBytes(type, keywords_.SubAssembly)) c.kind = ItemKind::SubAssembly;
    else if (sameBytes(type, keywords_.Part)) c.kind = ItemKind::Part;
    else c.kind = ItemKind::None;
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
    if (sameBytes(type, keywords_.SubAssembly)) c.kind = ItemKind::SubAssembly;
    else if (sameBytes(type, keywords_.Part)) c.kind = ItemKind::Part;
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

Quantity readQuantity(std::string_view line) { return readQuantityField(field(line, 1)); }

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
    if (n.outOfRange || n.value < std::numeric_limits<int32_t>::min() ||
        n.value > std::numeric_limits<int32_t>::max())
        return {0, true};
    return {static_cast<int32_t>(n.value), false};
}

std::string_view NameArena::copy(std::string_view name) {
    if (name.empty()) return {};
    if (chunkUsed_ + name.size() > chunkSize_) {
        chunkSize_ = std::max<size_t>(name.size(), 64 * 1024);
        chunks_.push_back(std::unique_ptr<char[]>(new char[chunkSize_]));
        chunkUsed_ = 0;
    }
    char* const place = chunks_.back().get() + chunkUsed_;
    std::memcpy(place, name.data(), name.size());
    chunkUsed_ += name.size();
    return {place, name.size()};
}

std::string WhereUsedTable::entriesText(size_t row) const {
    std::string text;
    for (size_t i = entryBegin[row]; i < entryEnd[row]; ++i) {
        const WhereUsedEntry& entry = entries[i];
        appendCount(text, entry.quantity);
        text += "x in ";
        text += assemblyOf(entry);
        text += ';';
    }
    return text;
}

char* putWideCount(char* out, int64_t value) {
    char digits[20];
    const char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const size_t length = static_cast<size_t>(end - digits);
    for (size_t i = length; i < 5; ++i) *out++ = ' ';
    std::memcpy(out, digits, length);
    return out + length;
}

void appendCount(std::string& out, int64_t value) {
    char field[20];
    out.append(field, static_cast<size_t>(putCount(field, value) - field));
}

std::string formatCount(int64_t value) {
    std::string text;
    appendCount(text, value);
    return text;
}

}  // namespace trelk
