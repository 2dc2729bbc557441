// A candidate reading that the words and columns of the line classifier cannot describe, described
// as a layout instead (engine/reading/export_layout.h) and read by the layout reader: a table whose
// block headers hold the name among other words and free text ("Sub-Assembly: FRAME  Rev. B  Welded
// frame"), whose blocks stand under several label lines ("Modellname:<TAB><TAB>FRAME", the
// summary one more such group told by a label's value), whose summary has cells of its own, or
// whose rows cut names and type words to their columns' widths (matched to their longer forms by
// the layout reader). Takes the lines, a cut at a separator and the columns chosen; gives the
// layout, or nothing when the file shows no such headers.
#pragma once

#include <optional>

#include "engine/recognition/candidate_reading.h"

namespace trelk::recognition {

std::optional<Reading> layoutReadingFor(const ExportLines& lines, const LineCut& cut, ColumnChoice columns,
                                        const KeywordSet& inUse);

}  // namespace trelk::recognition
