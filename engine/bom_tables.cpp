#include "engine/bom_tables.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

#include "engine/file_system.h"

namespace trelk {

BomLineTable::BomLineTable(std::string bytes) : bytes_(std::make_unique<std::string>(std::move(bytes))) {
    lines_ = splitLines(*bytes_);
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

Quantity readQuantity(std::string_view line) {
    const LeadingNumber n = readLeadingNumber(field(line, 1));
    if (n.outOfRange || n.value < std::numeric_limits<int32_t>::min() ||
        n.value > std::numeric_limits<int32_t>::max())
        return {0, true};
    return {static_cast<int32_t>(n.value), false};
}

namespace {
constexpr int64_t kTallyMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kTallyMin = std::numeric_limits<int64_t>::min();
}  // namespace

Tally tallyTimes(Tally multiplier, int32_t quantity) {
    if (quantity == 0) return {};
    const bool negative = (multiplier.value < 0) != (quantity < 0);
    if (multiplier.outOfRange) return {negative ? kTallyMin : kTallyMax, true};
    int64_t product;
    if (__builtin_mul_overflow(multiplier.value, static_cast<int64_t>(quantity), &product))
        return {negative ? kTallyMin : kTallyMax, true};
    return {product, false};
}

Tally tallyPlus(Tally a, Tally b) {
    if (a.outOfRange) return a;
    if (b.outOfRange) return b;
    int64_t sum;
    if (__builtin_add_overflow(a.value, b.value, &sum)) return {a.value < 0 ? kTallyMin : kTallyMax, true};
    return {sum, false};
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
    for (size_t i = entryStart[row]; i < entryStart[row + 1]; ++i) {
        const WhereUsedEntry& entry = entries[i];
        appendCount(text, entry.quantity);
        text += "x in ";
        text += entry.assembly;
        text += ';';
    }
    return text;
}

void appendCount(std::string& out, int64_t value) {
    char digits[24];
    const char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const size_t length = static_cast<size_t>(end - digits);
    if (length < 5) out.append(5 - length, ' ');
    out.append(digits, length);
}

std::string formatCount(int64_t value) {
    std::string text;
    appendCount(text, value);
    return text;
}

}  // namespace trelk
