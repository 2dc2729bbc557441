// One candidate reading: for a cut of the lines and a choice of columns (quantity, type, name),
// the words that complete it, found in the file: the block header rule, the type words and the
// summary's keyword. Takes the lines, the cut and the columns; gives the keywords and columns of
// the reading, or nothing when the file shows no header for them.
#pragma once

#include <optional>
#include <string>

#include "engine/recognition/export_lines.h"
#include "engine/recognition/export_recognition.h"

namespace trelk::recognition {

// One way of reading the file to try, and the main assembly its first header names.
struct Reading {
    RecognisedExport found;
    std::string mainName;
    // The block header rule's words before and after the name.
    std::string headerBefore, headerAfter;
};

// Columns as the column layout counts them; type 0 for none.
struct ColumnChoice {
    int quantity = 1, type = 0, name = -1;
};

std::optional<Reading> readingFor(const ExportLines& lines, const LineCut& cut, ColumnChoice columns,
                                  const KeywordSet& inUse, const ColumnLayout& columnsInUse);

}  // namespace trelk::recognition
