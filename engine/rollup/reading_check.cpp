#include "engine/rollup/reading_check.h"

#include "engine/reading/line_classifier.h"
#include "text/text_rules.h"

namespace trelk {

namespace messages {
std::string noRowRead(size_t rows) {
    return "None of the " + std::to_string(rows) +
           " rows of the BOM file was read as a member of an assembly: the keywords or the layout in use do not fit "
           "it!";
}
}  // namespace messages

bool tookNoRow(const ResultTables& tables) {
    return tables.assemblyWhereUsed.count() == 0 && tables.partWhereUsed.count() == 0;
}

namespace {

bool isCut(char c) { return c == ' ' || c == '\t' || c == '|' || c == ';'; }

}  // namespace

bool looksLikeRow(std::string_view line) {
    // The first words tell: a quantity stands at the start of a row or after its position. The
    // answer is known as soon as two words and one that is no number are in: a run counts every
    // line of a large file this way.
    constexpr size_t kWords = 8;
    size_t words = 0;
    bool numberFirst = false, someWord = false;
    size_t i = 0;
    while (i < line.size() && words < kWords) {
        while (i < line.size() && isCut(line[i])) ++i;
        const size_t start = i;
        while (i < line.size() && !isCut(line[i])) ++i;
        if (i == start) continue;
        const bool isNumber = startsWithNumber(line.substr(start, i - start));
        someWord = someWord || !isNumber;
        if (++words == 1) {
            numberFirst = isNumber;
        } else if (words == 2 && !numberFirst && !isNumber) {
            return false;
        }
        if (words >= 2 && someWord) return true;
    }
    return false;
}

size_t rowsIn(std::string_view bytes) {
    size_t rows = 0;
    forEachBomLine(bytes, [&](std::string_view line) { rows += looksLikeRow(line); });
    return rows;
}

}  // namespace trelk
