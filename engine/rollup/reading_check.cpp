#include "engine/rollup/reading_check.h"

#include <cstdint>
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
std::string assembliesWithoutBlock(size_t count) {
    return std::to_string(count) +
           " sub-assemblies of the BOM file have no block of their own by the keywords and layout recognised in it: "
           "they do not fit it!";
}
std::string noQuantityRead(size_t rowsWithoutQuantity, size_t rows) {
    return std::to_string(rowsWithoutQuantity) + " of the " + std::to_string(rows) +
           " rows read of the BOM file have no number where the quantity stands: the keywords or the layout in use "
           "do not fit it!";
}
}  // namespace messages

size_t assembliesWithoutBlock(const BomStructure& bom) {
    std::vector<uint8_t> seen(bom.nameCount(), 0);
    size_t count = 0;
    for (const BomItem& item : bom.items())
        if (item.kind == ItemKind::SubAssembly && !bom.hasBlock(item.item) && !seen[item.item]) {
            seen[item.item] = 1;
            ++count;
        }
    return count;
}

bool quantitiesMissing(size_t rowsWithoutQuantity, size_t rows) { return rowsWithoutQuantity * 2 > rows; }

bool tookNoRow(const ResultTables& tables) {
    return tables.assemblyWhereUsed.count() == 0 && tables.partWhereUsed.count() == 0;
}

namespace {

bool isCut(char c) { return c == ' ' || c == '\t' || c == '|' || c == ';'; }

}  // namespace

bool looksLikeRow(std::string_view line) {
    // The first words tell: a quantity stands among them, wherever its column is (a company's
    // table may put it after the name and the type). The answer is known as soon as a number and
    // a word that is none are in: a run counts every line of a large file this way.
    constexpr size_t kWords = 8;
    size_t words = 0;
    bool someNumber = false, someWord = false;
    size_t i = 0;
    while (i < line.size() && words < kWords) {
        while (i < line.size() && isCut(line[i])) ++i;
        const size_t start = i;
        while (i < line.size() && !isCut(line[i])) ++i;
        if (i == start) continue;
        ++words;
        if (startsWithNumber(line.substr(start, i - start)))
            someNumber = true;
        else
            someWord = true;
        if (someNumber && someWord) return true;
    }
    return false;
}

size_t rowsIn(std::string_view bytes) {
    size_t rows = 0;
    forEachBomLine(bytes, [&](std::string_view line) { rows += looksLikeRow(line); });
    return rows;
}

}  // namespace trelk
