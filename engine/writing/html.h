// One HTML page to look at in a browser (engine/writing/html_page.h is its frame), of a run's
// results or of a comparison. The page reads without its script; the script narrows, sorts, and
// on a large page makes the later pieces as they are needed. One filter box narrows every table
// (and a run's tree) by name.
//
// A run's page: a header with the BOM file, the main assembly, the build quantity and the run's
// log lines; then the chosen sections in report order: the multi-level BOM as a foldable tree, the
// totals as tables sortable by name and by quantity, and the where-used lists, each parent a link
// to its own where-used entry.
//
// A comparison's page: a header with both files, both main assemblies, the build quantity, the
// verdict and both files' log lines; the changes by assembly, each block a group of rows; and as
// the sections choose, the totals of assemblies and of parts (the changed ones among all, old,
// new, difference and cause, "in" leading to the block that lists the item, "via" to the total of
// the assembly above) and the changed lines of the where-used lists, each parent leading to its
// block. Every change is marked by a symbol and a word; the "differences only" switch hides the
// totals that are the same in both files.
#pragma once

#include "engine/files/file_system.h"
#include "engine/writing/documents.h"

namespace trelk {

// Writes the page into the open file; the error number of a failed write, or 0.
int writeHtml(OutputFile& file, const ResultsDocument& document);
int writeHtml(OutputFile& file, const ComparisonDocument& document);

}  // namespace trelk
