// The structure of a BOM file, the second step of the pipeline: every line classified as it
// streams past, the item lines inside blocks kept with their names numbered, and for every
// assembly the range of items its roll-up walks. The file's bytes are not kept.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/reading/line_classifier.h"
#include "engine/reading/name_index.h"

namespace trelk {

// An item line that a roll-up walk or the where-used lists can meet.
struct BomItem {
    NameId item;       // field -1
    int32_t quantity;  // 0 when out of range
    ItemKind kind;     // SubAssembly or Part
};

// A block as the where-used lists see it: opened by a header line outside a block, closed by the
// next empty line. Its item lines are items()[begin] up to items()[end].
struct BomBlock {
    NameId assembly;
    uint32_t begin, end;
};

// An item line inside a block whose quantity does not fit in 32 bits.
struct QuantityProblem {
    uint32_t line;  // from 1
    NameId item;
};

// A row of the export's own summary of parts: a part line after the summary line.
struct SummaryRow {
    NameId name;
    int32_t quantity;  // 0 when out of range
};

// The classified lines of one BOM file, with every name numbered once. Only what the analysis
// can reach is kept: item lines inside blocks (and block headers that are item lines too), the
// blocks, and for every assembly the items its roll-up walk goes over. The file's bytes are not
// needed afterwards.
class BomStructure {
public:
    // Cuts the bytes into lines and classifies each one, as it would be once normalised.
    BomStructure(std::string_view bytes, const KeywordSet& keywords, const ColumnLayout& columns = ColumnLayout());
    // The same for bytes read piece by piece: read(into, room) puts up to `room` bytes at `into`
    // and gives their number, 0 at the end. The file is read twice, its start at least: first for
    // its line ends, then, after rewind() (false when it fails: no lines), for its lines.
    // `expectedBytes`, the file's size if known, lets the item table be made about the right size
    // at once.
    using ReadPiece = std::function<size_t(char*, size_t)>;
    using Rewind = std::function<bool()>;
    BomStructure(const ReadPiece& read, const Rewind& rewind, const KeywordSet& keywords, uint64_t expectedBytes = 0,
                 const ColumnLayout& columns = ColumnLayout());
    BomStructure(const BomStructure&) = delete;
    BomStructure& operator=(const BomStructure&) = delete;

    // Fills a structure from a reading that has taken the file apart itself (by its layout,
    // engine/reading/layout_reader.h): its blocks in file order, each opened by its assembly's name and
    // followed by its members, then the summary's rows. An empty structure takes it.
    class Assembler {
    public:
        explicit Assembler(BomStructure& bom, size_t lineCount);
        void block(std::string_view assembly);
        // A member of the block opened last: a sub-assembly or a part, its quantity read from line
        // `line` (from 1), 0 when that was out of range.
        void member(std::string_view name, ItemKind kind, int32_t quantity, bool outOfRange, uint32_t line);
        // The export has a summary of parts; its rows and its total line, if any, follow.
        void summary();
        void summaryRow(std::string_view name, int32_t quantity);
        void summaryTotal(int64_t total);
        void finish();

    private:
        NameId numberOf(std::string_view name);
        BomStructure& bom_;
        NameId open_ = kNone;
    };
    explicit BomStructure(size_t reserveItems = 0) { items_.reserve(reserveItems); }

    size_t lineCount() const { return lineCount_; }
    const std::vector<BomItem>& items() const { return items_; }
    const std::vector<BomBlock>& blocks() const { return blocks_; }
    const std::vector<QuantityProblem>& quantityProblems() const { return quantityProblems_; }
    // The item lines inside blocks, and those of them whose quantity field holds no number: read
    // as 0, where the CAD system always prints a number; most of them mean the quantity is taken
    // from another column than its own.
    size_t blockRows() const { return blockRows_; }
    size_t rowsWithoutQuantity() const { return rowsWithoutQuantity_; }
    std::string_view name(NameId id) const { return names_.name(id); }
    size_t nameCount() const { return names_.size(); }
    NameId findName(std::string_view name) const { return names_.find(name); }
    // Where the names lie; it may outlive the structure.
    std::shared_ptr<const NameStore> nameStore() const { return names_.store(); }

    // The walk of an assembly starts after its first header line and ends at the next empty
    // line: items()[walkBegin] up to items()[walkEnd]. An assembly without a header has none.
    bool hasBlock(NameId id) const { return walkBegin_[id] != kNone; }
    uint32_t walkBegin(NameId id) const { return walkBegin_[id]; }
    uint32_t walkEnd(NameId id) const { return walkEnd_[id]; }

    // The export's own summary of parts: the first line (normalised) that holds the
    // `SummaryOfParts` keyword and whose last field, without one trailing ":", is the main
    // assembly's name (not empty); its rows are the part lines after it up to the next empty line.
    // The line may also end with the keyword, the main assembly's name standing before it ("TOP
    // の部品概要:"). In a table, the empty lines between that line and its first row belong to it.
    bool hasSummary() const { return hasSummary_; }
    const std::vector<SummaryRow>& summaryRows() const { return summaryRows_; }
    // The number of a line among the summary's rows that ends in a whole number ("Total of
    // single parts: 17"), as some company layouts write one.
    const std::optional<int64_t>& summaryTotal() const { return summaryTotal_; }

    bool hasMainAssembly() const { return mainAssembly_ != kNone; }
    // The name of the first header line, or empty when the file has none.
    std::string_view mainAssemblyName() const {
        return mainAssembly_ == kNone ? std::string_view() : name(mainAssembly_);
    }

private:
    class Builder;

    size_t lineCount_ = 0;
    std::vector<BomItem> items_;
    std::vector<BomBlock> blocks_;
    std::vector<QuantityProblem> quantityProblems_;
    size_t blockRows_ = 0, rowsWithoutQuantity_ = 0;
    NameIndex names_;
    std::vector<uint32_t> walkBegin_, walkEnd_;  // by name number
    NameId mainAssembly_ = kNone;
    bool hasSummary_ = false;
    std::vector<SummaryRow> summaryRows_;
    std::optional<int64_t> summaryTotal_;
};

// By name number: 1 where some row lists the name as a sub-assembly.
std::vector<uint8_t> listedAssemblies(const BomStructure& bom);

}  // namespace trelk
