#include "support/literal_lines.h"

#include "text/text_rules.h"

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

void BomLineTable::normaliseAll() {
    char* const base = bytes_->data();
    for (std::string_view& line : lines_) {
        char* start = base + (line.data() - bytes_->data());
        line = std::string_view(start, normaliseInPlace(start, line.size()));
    }
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

Quantity readQuantity(std::string_view line) { return readQuantityField(field(line, 1)); }

std::string formatCount(int64_t value) {
    char text[20];
    return std::string(text, static_cast<size_t>(putCount(text, value) - text));
}

std::string entriesText(const WhereUsedTable& table, size_t row) {
    std::string text;
    for (size_t i = table.entryBegin[row]; i < table.entryEnd[row]; ++i) {
        const WhereUsedEntry& entry = table.entries[i];
        text += formatCount(entry.quantity);
        text += "x in ";
        text += table.assemblyOf(entry);
        text += ';';
    }
    return text;
}

}  // namespace trelk
