// The thresholds by which recognition tells one layout from another, in one place. Each says why
// it has its value and what a file on either side of it looks like; the boundary tests
// (tests/engine/recognition_limits_test.cpp) read one file just inside and one just outside each.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace trelk::recognition {

// A position number stands before the quantity when at least this share of the rows (in tenths)
// has a number in its second field too. A few rows whose second field is a number by chance (a
// name "100") do not make a column of positions; one block in ten without positions does not hide
// one. Inside: 9 rows of 10 read "10 2 NAME"; outside: 8 of 10, the second field is then the type
// or the name.
inline constexpr size_t kPositionRowTenths = 9;

// The sub-assembly word is the type of at least this share (in fifths) of the rows whose member
// has a block: a file where the members with blocks have no common type word has no type column.
// Inside: 3 of 5 such rows say "Unterbaugruppe"; outside: 2 of 5, the column is then no type.
inline constexpr size_t kSubAssemblyWordFifths = 3;

// A type column holds at most this many different words: a part word, a sub-assembly word and a
// few more (cut forms, a bulk item, a phantom). A column of more is a description or a material.
// Inside: 8 different words in the column; outside: 9, the column is then no type column.
inline constexpr size_t kMaxTypeWords = 8;

// A block header has at most this many words on each side of the name ("Baugruppe", "contient :",
// "*** Assembly ***"); a line of more is a sentence, a title or a note, which repeats as well.
// Inside: "A B C NAME"; outside: "A B C D NAME".
inline constexpr size_t kMaxHeaderWords = 3;

// A block headed by label lines has at most this many of them: a title, a drawing number, the
// name, a type, a revision, a date. More lines of text above every block are a page of notes.
// Inside: 8 label lines above each block; outside: 9, the blocks are then read by no label lines.
inline constexpr size_t kMaxLabelLines = 8;

// A block header stands at most this many lines of text above the block's first row: the header,
// and a title row or a rule between. A line further up is a label or a heading of the page.
// Inside: header, title, rule, rows; outside: header, three lines, rows.
inline constexpr size_t kMaxLinesAboveRows = 2;

// Position numbers go up in one of these steps from the first row of every block (1, 2, 3 or
// 5, 10, 15 or 10, 20, 30), starting at the step or at 1. Quantities rarely do so in every block.
// Inside: 10, 20, 30; outside: 2, 4, 6, then the column is a quantity.
inline constexpr std::array<int64_t, 3> kPositionSteps = {1, 5, 10};

// The bytes that may separate the cells of a table, the likeliest first (a `|` table may have a
// `,` in a decimal); a byte that stands in no two lines the same number of times separates none.
inline constexpr std::array<char, 5> kSeparators = {'|', ';', '\t', '!', ','};

// A separator is tried when at least this many lines hold it the same number of times: a table's
// rows; one line with a `;` in it is text. Inside: two rows "2;PART"; outside: one.
inline constexpr size_t kMinSeparatorLines = 2;

// A cut type word whose whole form stands nowhere else is taken when its two pieces are met at
// least this often: one cut by chance (a name on the next line) is no type word.
// Inside: two rows cut "Baugr" + "uppe"; outside: one.
inline constexpr size_t kMinCutTypeWords = 2;

// The longest keyword taken: the words of a header or a summary are short, and every line is
// searched for a keyword, at a cost of up to its length per byte.
inline constexpr size_t kMaxKeywordBytes = 100;

// A title row at blanks stands over its cells up to this many characters to the left of them (a
// number printed wider than its field, a quantity "12.000" in a field of four, pushes the cells
// after it right, while the titles keep their widths), and a column's title may reach as many
// characters again into the cells before it (rows pushed by different amounts). Inside: a title
// starting 6 characters before the end of the longest cell of the column before it; outside: 7,
// the row's cells are then named "column N".
inline constexpr size_t kMaxTitleShift = 3;

// The widest table tried: each column costs passes over the file.
inline constexpr size_t kMaxTableColumns = 32;

// The widths of a table tried besides the usual one, as a layout only: the summary may print fewer
// cells than the blocks' rows and be as long, and the blocks' rows then are not the most usual. Each
// costs passes over the file. Inside: rows of 4 cells below a summary of 3 cells with more lines;
// outside: rows of 4 cells below two other widths that each have more lines (they are not tried).
inline constexpr size_t kMaxOtherTableWidths = 1;

// The quantity columns tried, the likeliest first: each costs a trial reading of the file.
inline constexpr size_t kMaxQuantityColumns = 4;

// Paths through a cycle are walked one by one up to a budget in proportion to the file (this many
// walks per byte, and this many bytes more), since every trial spends it and a real export's
// cycles are short.
inline constexpr uint64_t kCycleStepsPerByte = 16;
inline constexpr uint64_t kCycleStepsSlackBytes = 4096;

}  // namespace trelk::recognition
