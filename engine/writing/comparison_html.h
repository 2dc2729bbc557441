// A comparison as one HTML page to look at in a browser (engine/writing/html_page.h is its frame):
// a header with both files, both main assemblies, the build quantity, the verdict and both files'
// log lines; the changes by assembly, each block a group of rows; and as the sections choose, the
// totals of assemblies and of parts (the changed ones among all, old, new, difference and cause,
// "in" leading to the block that lists the item, "via" to the total of the assembly above) and the
// changed lines of the where-used lists, each parent leading to its block. Every change is marked
// by a symbol and a word. One filter box narrows every table by name; the "differences only" switch
// hides the totals that are the same in both files.
#pragma once

#include "engine/results/comparison.h"
#include "engine/files/file_system.h"
#include "engine/request/run_options.h"

namespace trelk {

// Writes the page into the open file; the error number of a failed write, or 0.
int writeComparisonHtml(OutputFile& file, const Comparison& comparison, const SectionSelection& sections);

}  // namespace trelk
