// The candidates: every reading the file's lines suggest. Takes the lines; gives, for each way of
// cutting them into cells (words at blanks, then each separator byte the lines share) and each
// choice of columns their rows allow (a position before the quantity, a type column or none, the
// name at the end or after the type), the reading as complete as the file makes it. The trial
// (trial.h) reads the file by each, and the choice (choice.h) takes one.
#pragma once

#include <vector>

#include "engine/recognition/candidate_reading.h"

namespace trelk::recognition {

// Those the line classifier reads (keywords and columns), those described as a layout (for
// headers the keywords cannot describe), or both. A layout is tried only when no reading by
// keywords is taken, so its candidates are made only then.
enum class Candidates { ByKeywords, AsLayouts, All };

std::vector<Reading> candidateReadings(const ExportLines& lines, const KeywordSet& inUse,
                                       const ColumnLayout& columnsInUse, Candidates which = Candidates::All);

// The separator bytes the file's lines share, the most used first.
std::vector<char> separatorsOf(const ExportLines& lines);

}  // namespace trelk::recognition
