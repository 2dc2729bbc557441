// What the analysis of one BOM file found (engine/runs/file_analysis.h makes it): the sorted
// tables, and what the exports and a comparison need besides.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "engine/files/file_system.h"
#include "engine/reading/export_layout.h"
#include "engine/reading/item_attributes.h"
#include "engine/request/run_options.h"
#include "engine/results/assembly_tree.h"
#include "engine/results/column_totals.h"
#include "engine/results/result_tables.h"
#include "text/text_codec.h"

namespace trelk {

class BomStructure;

struct Analysis {
    // The file layer's error number of an open or a read that failed, kOutOfMemory for a file too
    // large for the memory at hand, or 0. The other members are then not to be used.
    int readError = kNoError;
    size_t lineCount = 0;  // 0 or 1: the file counts as empty, and nothing else was done
    bool mainAssemblyFound = false;
    ResultTables tables;
    AssemblyTree tree;                           // for the exports' breakdown section only
    TextEncoding encoding = TextEncoding::Utf8;  // for the exports only
    size_t summaryDifferences = 0;               // names whose total differs from the export's summary
    // The problems the roll-up logged (an assembly that contains itself, a name not found, a
    // quantity or total out of range, the line that says more were left out): the totals may be
    // wrong where there is one.
    size_t problems = 0;
    // The structure the tables were made from, when wanted.
    std::shared_ptr<const BomStructure> structure;
    // The words and columns the file was read by: the request's, or those recognised in the file
    // when the request's found no main assembly in it.
    KeywordSet keywords;
    ColumnLayout columns;
    // What of them was recognised in the file: its own words, its own layout, or both.
    bool wordsRecognised = false;
    bool layoutRecognised = false;
    // The lines the analysis logged, from the count of lines read on (from the BOM format file's
    // lines, when it reads by one): a caller that logs lines of its own around them (readBomFile)
    // can tell them apart.
    size_t loggedLines = 0;
    // The layout the file was read by: the one the words and columns describe, the BOM format
    // file's, or one recognised in the file that they cannot describe. For a file read by its BOM format file, `keywords` are the request's, with the
    // summary keyword the format's summary heading begins with (the report's copy of the breakdown
    // stops there).
    ExportLayout layout;
    // The rows' other cells and the export's total lines, when a layout was read by.
    ItemAttributes attributes;
    // Its numeric columns of a mass, a weight or a cost, or named by the request, totalled through
    // the tree; a total line that differs counts among the summary differences.
    std::vector<ColumnTotal> columnTotals;
    // The format prints only a summary of parts: the part totals are the export's own, and there
    // are no assemblies, no where-used lists and no tree.
    bool summaryOnly = false;
    // The BOM format file was not found, not read or not understood, or the BOM file does not fit
    // it; the log says which, and `formatReadError` holds the format file's read error, if any.
    bool formatProblem = false;
    int formatReadError = kNoError;
    // Not to be trusted, as the log says: the reading took no row of a file that has rows, its
    // totals differ from the export's own summary in most parts, or a cut name may stand for
    // several items.
    bool readingInDoubt = false;
    size_t roundedQuantities = 0;  // quantities that are no whole number, counted rounded
};

}  // namespace trelk
