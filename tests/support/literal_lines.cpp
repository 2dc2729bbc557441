#include "support/literal_lines.h"

#include "engine/writing/report_text.h"
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

std::string_view headerAssemblyName(std::string_view headerLine, std::string_view containsKeyword) {
    return field(headerLine, headerNameField(containsKeyword));
}

std::string_view findMainAssembly(const BomLineTable& table, std::string_view containsKeyword) {
    for (std::string_view line : table.lines())
        if (isBlockHeader(line, containsKeyword)) return headerAssemblyName(line, containsKeyword);
    return {};
}

TypeFields typeFields(const BomLineTable& table, const KeywordSet& keywords, int typeField) {
    TypeFields out;
    out.types.resize(table.count() + 2);
    out.rest.resize(table.count() + 2, false);
    for (size_t i = 1; i <= table.count(); ++i) out.types[i] = std::string(field(table.line(i), typeField));
    auto startOf = [&](const std::string& word) {
        for (const std::string* keyword : {&keywords.SubAssembly, &keywords.Part})
            if (!word.empty() && word.size() < keyword->size() && keyword->compare(0, word.size(), word) == 0)
                return true;
        return false;
    };
    for (size_t i = 1; i <= table.count();) {
        const std::string& type = out.types[i];
        if (type == keywords.SubAssembly || type == keywords.Part || isBlockHeader(table.line(i), keywords.contains) ||
            !startOf(type)) {
            ++i;
            continue;
        }
        std::string word = type;
        bool joined = false;
        size_t j = i + 1;
        for (; j <= table.count(); ++j) {
            const std::string_view next = table.line(j);
            if (next.empty() || next.find(' ') != std::string_view::npos) break;
            word += next;
            if (word == keywords.SubAssembly || word == keywords.Part) {
                out.types[i] = word;
                for (size_t k = i + 1; k <= j; ++k) out.rest[k] = true;
                joined = true;
                break;
            }
            if (!startOf(word)) break;
        }
        // Lines that only seemed to go on with the word start nothing of their own.
        i = joined ? j + 1 : j;
    }
    return out;
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
