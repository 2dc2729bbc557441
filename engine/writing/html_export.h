// The results as one HTML page to look at in a browser (engine/writing/html_page.h is its frame): a
// header with the BOM file, the main assembly, the build quantity and the run's log lines; then the
// chosen sections in report order: the multi-level BOM as a foldable tree, the totals as tables
// sortable by name and by quantity, and the where-used lists, each parent a link to its own
// where-used entry. One filter box narrows every table and the tree by name. The page reads without
// its script; the script narrows and sorts, and on a large page makes the later pieces
// (engine/writing/html_page.h) as they are needed.
#pragma once

#include <string>
#include <vector>

#include "engine/files/file_system.h"
#include "engine/writing/results_document.h"
#include "text/text_codec.h"

namespace trelk {

// Writes the page into the open file; the error number of a failed write, or 0.
int writeHtml(OutputFile& file, const ResultsDocument& document);

}  // namespace trelk
