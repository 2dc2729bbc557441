#include "engine/bom_structure.h"

#include <algorithm>
#include <string>

#include "engine/file_system.h"

namespace trelk {

// Takes the lines one by one and fills the structure.
class BomStructure::Builder {
public:
    Builder(BomStructure& bom, const KeywordSet& keywords, const ColumnLayout& columns)
        : bom_(bom), classifier_(keywords, columns), summaryKeyword_(keywords.SummaryOfParts) {}

    void line(std::string_view raw) {
        ++bom_.lineCount_;
        const LineClass is = classifier_.classify(raw);
        const bool summaryRow = !summaryDone_ && lookForSummary(raw, is);
        if (!is.empty && !is.header && is.kind == ItemKind::None) return;
        Line& line = batch_.add();
        line.is = is;
        line.number = static_cast<uint32_t>(bom_.lineCount_);
        line.summaryRow = summaryRow;
        if (is.kind != ItemKind::None) {
            line.itemHash = NameIndex::hash(is.item);
            batch_.willLookUp(line.itemHash);
        }
        if (is.header) {
            line.headerHash = NameIndex::hash(is.headerName);
            batch_.willLookUp(line.headerHash);
        }
        if (batch_.full()) takeBatch();
    }

    // The lines seen so far are about to go out of memory.
    void endOfPiece() { takeBatch(); }

    void finish() {
        takeBatch();
        // Only the rows of the summary chosen stay; without a main assembly there is none.
        std::vector<SummaryRow>& rows = bom_.summaryRows_;
        if (!bom_.hasSummary_) rowsBegin_ = rowsEnd_ = 0;
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(std::min(rowsEnd_, rows.size())), rows.end());
        rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(std::min(rowsBegin_, rows.size())));
        for (const NameId id : openWalks_) bom_.walkEnd_[id] = itemCount();
        if (inBlock_) bom_.blocks_.back().end = itemCount();
    }

private:
    struct Line {
        LineClass is;
        uint32_t number;
        bool summaryRow;  // a row of a summary (or of a line that may turn out to be the summary)
        uint64_t itemHash, headerHash;
    };

    uint32_t itemCount() const { return static_cast<uint32_t>(bom_.items_.size()); }

    NameId numberOf(std::string_view name, uint64_t hash) {
        const NameId id = bom_.names_.number(name, hash);
        if (id == bom_.walkBegin_.size()) {
            bom_.walkBegin_.push_back(kNone);
            bom_.walkEnd_.push_back(kNone);
        }
        return id;
    }

    // The lines that matter are taken in batches, their names looked up only after the processor
    // has been asked for what the lookups need (LookupBatch).
    void takeBatch() {
        batch_.take([this](const Line& line) { take(line); });
    }

    // Where-used blocks are found in the same pass: a header outside a block opens one, the next
    // empty line closes it, and a header inside a block is an ordinary line of that block.
    void take(const Line& line) {
        if (line.is.empty) {
            for (const NameId id : openWalks_) bom_.walkEnd_[id] = itemCount();
            openWalks_.clear();
        }
        const bool opensBlock = !inBlock_ && line.is.header;
        // Item lines outside blocks are read by nothing, except a header line that is an item too:
        // the walk from a header that is an empty line (an empty `contains` keyword) runs over it.
        if (line.summaryRow)
            bom_.summaryRows_.push_back(
                {numberOf(line.is.item, line.itemHash), readQuantityField(line.is.quantity).value});
        if (line.is.kind != ItemKind::None && (inBlock_ || opensBlock)) {
            const Quantity quantity = readQuantityField(line.is.quantity);
            const NameId item = numberOf(line.is.item, line.itemHash);
            if (inBlock_ && quantity.outOfRange) bom_.quantityProblems_.push_back({line.number, item});
            bom_.items_.push_back({item, quantity.value, line.is.kind});
        }
        if (line.is.header) {
            const NameId id = numberOf(line.is.headerName, line.headerHash);
            if (bom_.walkBegin_[id] == kNone) {
                bom_.walkBegin_[id] = itemCount();
                openWalks_.push_back(id);
            }
            if (bom_.mainAssembly_ == kNone) bom_.mainAssembly_ = id;
            if (opensBlock) bom_.blocks_.push_back({id, itemCount(), kNone});
        }
        if (opensBlock) {
            inBlock_ = true;
        } else if (inBlock_ && line.is.empty) {
            inBlock_ = false;
            bom_.blocks_.back().end = itemCount();
        }
    }

    // The summary of parts, found in file order as the lines come. Its line names the main
    // assembly, which is known from the first header on; lines before that which hold the keyword
    // are kept as candidates, with their rows, until the first header decides between them. After
    // it a line is only looked at closely when its last field names the main assembly. Rows are
    // counted here and stored, with their names numbered, as their batch is taken; the rows of the
    // summary chosen are rows rowsBegin_ up to rowsEnd_ of those. Says whether the line is a row.
    bool lookForSummary(std::string_view raw, const LineClass& is) {
        bool row = false;
        if (rowsOpen_) {
            if (is.empty) {
                rowsOpen_ = false;
                for (Candidate& c : candidates_)
                    if (c.rowsEnd == kOpen) c.rowsEnd = rowCount_;
                if (bom_.hasSummary_) {
                    rowsEnd_ = rowCount_;
                    summaryDone_ = true;
                    return false;
                }
            } else if (is.kind == ItemKind::Part) {
                ++rowCount_;
                row = true;
            }
        }
        if (!mainKnown_ && is.header) {
            mainKnown_ = true;
            main_.assign(is.headerName.data(), is.headerName.size());
            decideBetweenCandidates();
        }
        if (bom_.hasSummary_) return row;  // only the first summary line counts; its rows go on
        std::string_view name = is.lastField;
        if (!name.empty() && name.back() == ':') name.remove_suffix(1);
        if (mainKnown_ && (main_.empty() || !sameBytes(name, main_))) return row;
        normalised_.assign(raw.data(), raw.size());
        normalised_.resize(normaliseInPlace(normalised_.data(), normalised_.size()));
        if (normalised_.find(summaryKeyword_) == std::string::npos) return row;
        if (mainKnown_) {
            bom_.hasSummary_ = true;
            rowsBegin_ = rowCount_;
            rowsEnd_ = kOpen;
        } else {
            candidates_.push_back({std::string(name), rowCount_, kOpen});
        }
        rowsOpen_ = true;
        return row;
    }

    // The first candidate that names the main assembly is the summary.
    void decideBetweenCandidates() {
        for (const Candidate& c : candidates_) {
            if (main_.empty() || c.name != main_) continue;
            bom_.hasSummary_ = true;
            rowsBegin_ = c.rowsBegin;
            rowsEnd_ = c.rowsEnd;
            rowsOpen_ = c.rowsEnd == kOpen;
            summaryDone_ = !rowsOpen_;
            candidates_.clear();
            return;
        }
        candidates_.clear();
        rowsOpen_ = false;
    }

    struct Candidate {
        std::string name;
        size_t rowsBegin, rowsEnd;
    };
    static constexpr size_t kOpen = ~size_t{0};

    BomStructure& bom_;
    LineClassifier classifier_;
    std::string summaryKeyword_;
    std::string main_;
    bool mainKnown_ = false, summaryDone_ = false, rowsOpen_ = false;
    size_t rowCount_ = 0, rowsBegin_ = 0, rowsEnd_ = 0;
    std::vector<Candidate> candidates_;
    std::string normalised_;
    LookupBatch<Line> batch_{bom_.names_};
    bool inBlock_ = false;
    // Assemblies whose first header has been met and whose walk has not yet reached an empty line.
    std::vector<NameId> openWalks_;
};

BomStructure::BomStructure(std::string_view bytes, const KeywordSet& keywords, const ColumnLayout& columns) {
    Builder builder(*this, keywords, columns);
    forEachBomLine(bytes, [&](std::string_view line) { builder.line(line); });
    builder.finish();
}

BomStructure::BomStructure(const ReadPiece& read, const Rewind& rewind, const KeywordSet& keywords,
                           uint64_t expectedBytes, const ColumnLayout& columns) {
    // An export's item lines are some 50 bytes long; a wrong guess costs only address space, or
    // the growing the table would have done anyway.
    const size_t expectedItems = static_cast<size_t>(std::min<uint64_t>(expectedBytes / 48, uint64_t{1} << 24));
    if (expectedItems > 0) reserveLarge(items_, expectedItems);
    Builder builder(*this, keywords, columns);
    forEachBomLineRead(
        read, rewind, [&](std::string_view line) { builder.line(line); }, [&] { builder.endOfPiece(); });
    builder.finish();
}

}  // namespace trelk
