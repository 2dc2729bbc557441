#include "engine/rollup/reading_check.h"

#include <algorithm>
#include <vector>

#include "engine/reading/line_classifier.h"
#include "text/text_rules.h"

namespace trelk {

namespace messages {
std::string noRowRead(size_t rows) {
    return "None of the " + std::to_string(rows) +
           " rows of the BOM file was read as a member of an assembly: the keywords or the layout in use do not fit "
           "it!";
}
std::string noQuantityRead(size_t rowsWithoutQuantity, size_t rows) {
    return std::to_string(rowsWithoutQuantity) + " of the " + std::to_string(rows) +
           " rows read of the BOM file have no number where the quantity stands: the keywords or the layout in use "
           "do not fit it!";
}
}  // namespace messages

bool quantitiesMissing(size_t rowsWithoutQuantity, size_t rows) { return rowsWithoutQuantity * 2 > rows; }

bool tookNoRow(const ResultTables& tables) {
    return tables.assemblyWhereUsed.count() == 0 && tables.partWhereUsed.count() == 0;
}

namespace {

bool isCut(char c) { return c == ' ' || c == '\t' || c == '|' || c == ';'; }

bool looksLikeRow(std::string_view line) {
    // The first words tell: a quantity stands among them, wherever its column is (a company's
    // table may put it after the name and the type).
    constexpr size_t kWords = 8;
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size() && words.size() < kWords) {
        while (i < line.size() && isCut(line[i])) ++i;
        const size_t start = i;
        while (i < line.size() && !isCut(line[i])) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    const auto number = [](std::string_view w) { return startsWithNumber(w); };
    return words.size() >= 2 && std::any_of(words.begin(), words.end(), number) &&
           !std::all_of(words.begin(), words.end(), number);
}

}  // namespace

size_t rowsIn(std::string_view bytes) {
    size_t rows = 0;
    forEachBomLine(bytes, [&](std::string_view line) { rows += looksLikeRow(line); });
    return rows;
}

}  // namespace trelk
