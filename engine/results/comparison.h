// The comparison of two exports of the same product: an earlier one (old) and a later one (new),
// each analysed by the rules of a single run. It says what changed in every assembly's block and
// what that does to every multiplied-out total, which is what production and purchasing need
// before an engineering change is released: a text diff of two exports shows moved lines, while a
// changed quantity of a sub-assembly changes the totals of everything below it without any line
// below it changing.
//
// The Comparison is a plain value, complete for any view of it (the text report, the CSV tables,
// the JSON document, or an HTML page): every list is sorted, every name is a view into stores the
// value holds, every quantity is there as a number. engine/comparison/compare_analyses.h makes it.
//
// Definitions the views rely on:
// - The block of an assembly is the one its roll-up walks: its first header line up to the next
//   empty line. Later blocks of the same name are read by nothing in the totals and are not
//   compared (the files' logs say so once). A member is a (name, type) pair: the lines of one
//   block that name the same member count as one, their quantities summed (said once too).
// - An assembly is reached in a file when it has a block there and is the main assembly or is
//   named in a block the roll-up walked (it has a row in the summary of assemblies).
// - A total changes DIRECTLY when a block of an assembly reached in either file lists the item
//   with another quantity than before, or lists it in one file only (the item was added or
//   removed there, or its block appeared or went). Otherwise it changes INDIRECTLY: every line
//   that lists it is as it was, and it changed because an assembly above it changed.
// - The nearest changed assemblies above an item (`via`) are found by going up from the item
//   through unchanged lines to parents whose multiplier (their total, plus the build quantity
//   for the main assembly) changed; the first such parent that changed directly (or is the main
//   assembly of one file only) is named and not gone beyond.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reading/line_classifier.h"
#include "engine/reading/name_index.h"
#include "engine/results/result_tables.h"
#include "text/text_codec.h"

namespace trelk {

// One of the two files as the comparison read it.
struct ComparedFile {
    std::string bomFileName;                     // exactly as the user gave it
    std::string mainAssembly;                    // in the comparison's encoding
    TextEncoding encoding = TextEncoding::Utf8;  // as the file was read
    size_t lineCount = 0;
    size_t summaryDifferences = 0;  // names whose total differs from the export's own summary
    size_t problems = 0;            // the problems its roll-up logged (Analysis::problems)
    // The lines logged while the file was analysed, in the comparison's encoding (converted with
    // the file's names), then the comparison's notes on it: members summed, blocks left out, names
    // converted.
    std::vector<std::string> log;
};

enum class MemberChange : uint8_t {
    Added,     // listed in the new block only
    Removed,   // listed in the old block only
    Quantity,  // listed in both, with another summed quantity
    Type,      // listed as a part in one block and as a sub-assembly in the other, and nothing else
};

// A member of one assembly's block that differs between the files. ItemKind::None and no
// quantity stand for the side that does not list it.
struct MemberDifference {
    std::string_view name;
    MemberChange change = MemberChange::Quantity;
    ItemKind oldKind = ItemKind::None, newKind = ItemKind::None;
    std::optional<int64_t> oldQuantity, newQuantity;  // summed over the block's lines of it
};

enum class BlockChange : uint8_t {
    Changed,  // in both files, with differing members
    Added,    // in the new file only: every member is Added
    Removed,  // in the old file only: every member is Removed
};

// The changes of one assembly's block. The members are sorted by name, sub-assembly before part
// for one name; an Added or Removed block may have none (a header followed by an empty line).
struct AssemblyDifference {
    std::string_view assembly;
    BlockChange block = BlockChange::Changed;
    std::vector<MemberDifference> members;
};

enum class TotalCause : uint8_t { Direct, Indirect };

// A multiplied-out total that differs: a sub-assembly's or a part's, by the table it is in.
struct TotalDifference {
    std::string_view name;
    std::optional<Tally> oldTotal, newTotal;  // none when the item has no row in that file
    Tally difference;                         // new minus old, a missing row counted as 0
    TotalCause cause = TotalCause::Indirect;
    // Reached assemblies whose block lists the item with a changed quantity, by name; not empty
    // exactly when the cause is Direct.
    std::vector<std::string_view> changedIn;
    // The nearest assemblies above it that changed directly, by name (see above); for a direct
    // change the other assemblies above that changed its total too.
    std::vector<std::string_view> via;
};

// A total that is the same in both files: a view can show the changes among all the totals.
struct SameTotal {
    std::string_view name;
    Tally total;
};

// A changed line of the where-used lists: the member of a block, seen from the member. Sorted by
// name, then parent.
struct WhereUsedDifference {
    std::string_view name, parent;
    MemberChange change = MemberChange::Quantity;  // Added, Removed or Quantity
    std::optional<int64_t> oldQuantity, newQuantity;
};

// An attribute of an item that differs between the files: a changed material, a new part number.
// Compared are the items both files list (by name and type) and the columns both files print (by
// title); a value one file leaves empty is none. Sorted by name, sub-assembly before part, then by
// the column's place in the new file.
struct AttributeDifference {
    std::string name;  // in the comparison's encoding, as the names above
    ItemKind kind = ItemKind::Part;
    std::string column;                             // the column's title
    std::optional<std::string> oldValue, newValue;  // as printed, in the comparison's encoding
};

struct Comparison {
    ComparedFile oldFile, newFile;
    int64_t buildQuantity = 1;
    // The encoding of the names below and of the files' logs: the files' own when they agree (or one
    // file's names, log lines and attribute values are all ASCII); UTF-8 when a Windows-1252 file
    // is compared with a UTF-8 one, whose names were then converted to be matched, and its log
    // lines and values with them.
    TextEncoding encoding = TextEncoding::Utf8;
    bool sameMainAssembly = true;
    // Every assembly whose block differs, by name.
    std::vector<AssemblyDifference> assemblies;
    // Every total of the summary of assemblies and of parts that differs, by name.
    std::vector<TotalDifference> assemblyTotals, partTotals;
    // Every total that is the same in both files, by name: with the above, every row of both files'
    // summaries once.
    std::vector<SameTotal> sameAssemblyTotals, samePartTotals;
    // Every changed line of the blocks compared, by the table of the member's type.
    std::vector<WhereUsedDifference> assemblyWhereUsed, partWhereUsed;
    // Either file keeps attribute columns (it was read by a BOM format file that prints some): the
    // views then show the attribute changes, and leave them out otherwise.
    bool hasAttributes = false;
    std::vector<AttributeDifference> attributeChanges;

    // The two files agree in every block, total and attribute, and in their main assembly.
    bool agree() const {
        return sameMainAssembly && assemblies.empty() && assemblyTotals.empty() && partTotals.empty() &&
               attributeChanges.empty();
    }

    // Where the names above lie.
    std::shared_ptr<const NameStore> oldNames, newNames;
    std::shared_ptr<const std::deque<std::string>> convertedNames;
};

// A file the comparison may have misread: its roll-up logged problems, or its totals differ from
// its own summary of parts. Every view says so beside its verdict, in these words: "The old file
// was read with 55 problems: the comparison may be wrong"; empty for a file read cleanly.
std::string readWarning(const ComparedFile& file, bool oldFile);
// The warnings of both files, the old one first; none when both were read cleanly.
std::vector<std::string> readWarnings(const Comparison& comparison);

// A total's value, none for a missing row.
inline std::optional<int64_t> valueOf(const std::optional<Tally>& total) {
    if (!total) return std::nullopt;
    return total->value();
}

// Words of the comparison that every format shares.
std::string_view memberChangeWord(MemberChange change);  // added, removed, quantity, type
std::string_view blockChangeWord(BlockChange change);    // changed, added, removed
std::string_view totalCauseWord(TotalCause cause);       // direct, indirect

}  // namespace trelk
