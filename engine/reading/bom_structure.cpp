#include "engine/reading/bom_structure.h"

#include <algorithm>
#include <string>

#include "engine/files/file_system.h"

namespace trelk {

// Takes the lines one by one and fills the structure.
class BomStructure::Builder {
public:
    Builder(BomStructure& bom, const KeywordSet& keywords, const ColumnLayout& columns)
        : bom_(bom),
          classifier_(keywords, columns),
          summaryKeyword_(keywords.SummaryOfParts),
          tableRules_(columns.tableRules()) {}

    void line(std::string_view raw) {
        const uint32_t number = static_cast<uint32_t>(++bom_.lineCount_);
        if (!held_.empty()) {
            const ItemKind kind = classifier_.continuedType(heldWord_, raw);
            if (kind == ItemKind::Member) {  // the word goes on over one more line
                held_.emplace_back(raw);
                // The rest normalised alone: its leading blanks belong to no word.
                const size_t start = heldWord_.size();
                heldWord_ += held_.back();
                heldWord_.resize(start + normaliseInPlace(heldWord_.data() + start, heldWord_.size() - start));
                return;
            }
            releaseHeld(kind);
            if (kind != ItemKind::None) return;  // this line was the word's rest
        }
        const LineClass is = classifier_.classify(raw);
        if (is.cutType) {
            // Whether the next line holds the rest of the type word decides what this line is.
            held_.emplace_back(raw);
            heldNumber_ = number;
            const std::string_view start = classifier_.typeField(raw);
            heldWord_.assign(start.data(), start.size());
            return;
        }
        add(raw, is, number);
    }

    // The lines seen so far are about to go out of memory.
    void endOfPiece() { takeBatch(); }

    void finish() {
        if (!held_.empty()) releaseHeld(ItemKind::None);
        takeBatch();
        // Only the rows of the summary chosen stay; without a main assembly there is none.
        std::vector<SummaryRow>& rows = bom_.summaryRows_;
        if (!bom_.hasSummary_) rowsBegin_ = rowsEnd_ = 0;
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(std::min(rowsEnd_, rows.size())), rows.end());
        rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(std::min(rowsBegin_, rows.size())));
        if (!bom_.hasSummary_) bom_.summaryTotal_.reset();
        for (const NameId id : openWalks_) bom_.walkEnd_[id] = itemCount();
        if (inBlock_) bom_.blocks_.back().end = itemCount();
        // In a table without types, a member with a block of its own is a sub-assembly.
        for (BomItem& item : bom_.items_)
            if (item.kind == ItemKind::Member)
                item.kind = bom_.hasBlock(item.item) ? ItemKind::SubAssembly : ItemKind::Part;
    }

private:
    struct Line {
        LineClass is;
        uint32_t number;
        bool summaryRow;    // a row of a summary (or of a line that may turn out to be the summary)
        bool summaryTitle;  // the line of the summary chosen
        uint64_t itemHash, headerHash;
    };

    uint32_t itemCount() const { return static_cast<uint32_t>(bom_.items_.size()); }

    // A classified line: to the summary search, and into the batch when the analysis needs it.
    void add(std::string_view raw, const LineClass& is, uint32_t number) {
        const bool summaryRow = !summaryDone_ && lookForSummary(raw, is);
        const bool summaryTitle = titleHere_;
        titleHere_ = false;
        if (!is.empty && !is.header && is.kind == ItemKind::None && !summaryTitle) return;
        Line& line = batch_.add();
        line.is = is;
        line.number = number;
        line.summaryRow = summaryRow;
        line.summaryTitle = summaryTitle;
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

    // The line with a cut type word, of the kind its rest gave (None: there was no rest, and the
    // lines after it that seemed to continue it are ordinary lines).
    void releaseHeld(ItemKind kind) {
        LineClass is = classifier_.classify(held_.front());
        if (kind != ItemKind::None) is.kind = kind;
        add(held_.front(), is, heldNumber_);
        if (kind == ItemKind::None)
            for (uint32_t i = 1; i < held_.size(); ++i) add(held_[i], classifier_.classify(held_[i]), heldNumber_ + i);
        takeBatch();  // before the held lines, which the batch points into, are gone
        held_.clear();
    }

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
    // empty line closes it, and a header inside a block is an ordinary line of that block. A
    // table's blocks follow its own rules: a header or the summary's line always ends the block
    // before it and the walks open, and the empty lines between a header and its first row do not.
    void take(const Line& line) {
        const bool ends =
            tableRules_ ? (line.is.empty && rowsInBlock_ > 0) || line.is.header || line.summaryTitle : line.is.empty;
        if (ends) {
            for (const NameId id : openWalks_) bom_.walkEnd_[id] = itemCount();
            openWalks_.clear();
            if (tableRules_ && inBlock_) closeBlock();
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
            if (inBlock_) {
                ++bom_.blockRows_;
                if (!startsWithNumber(line.is.quantity)) ++bom_.rowsWithoutQuantity_;
            }
            bom_.items_.push_back({item, quantity.value, line.is.kind});
            ++rowsInBlock_;
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
            rowsInBlock_ = 0;
        } else if (inBlock_ && line.is.empty && !tableRules_) {
            closeBlock();
        }
    }

    void closeBlock() {
        inBlock_ = false;
        bom_.blocks_.back().end = itemCount();
    }

    // The summary of parts, found in file order as the lines come. Its line names the main
    // assembly, which is known from the first header on; lines before that which hold the keyword
    // are kept as candidates, with their rows, until the first header decides between them. After
    // it a line is only looked at closely when its last field names the main assembly, or when it
    // may end with the keyword (which the name then stands before). Rows are counted here and
    // stored, with their names numbered, as their batch is taken; the rows of the summary chosen
    // are rows rowsBegin_ up to rowsEnd_ of those. Says whether the line is a row.
    bool lookForSummary(std::string_view raw, const LineClass& is) {
        bool row = false;
        if (rowsOpen_) {
            if (is.empty) {
                // A table's empty lines between the summary's line and its first row do not end it.
                if (!(tableRules_ && rowCount_ == sectionStart_)) {
                    rowsOpen_ = false;
                    for (Candidate& c : candidates_)
                        if (c.rowsEnd == kOpen) c.rowsEnd = rowCount_;
                    if (bom_.hasSummary_) {
                        rowsEnd_ = rowCount_;
                        summaryDone_ = true;
                        return false;
                    }
                }
            } else if (is.kind == ItemKind::Part || is.kind == ItemKind::Member) {
                ++rowCount_;
                row = true;
            } else if (titleAfterHeader_ && !bom_.summaryTotal_ && rowCount_ > rowsBegin_) {
                lookForTotal(raw, is);
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
        const bool lastIsMain = mainKnown_ && !main_.empty() && sameBytes(name, main_);
        // The line's last byte is that of its last field.
        const bool mayEndWithKeyword =
            !summaryKeyword_.empty() && !is.lastField.empty() && is.lastField.back() == summaryKeyword_.back();
        if (mainKnown_ && !lastIsMain && !(!main_.empty() && mayEndWithKeyword)) return row;
        normalised_.assign(raw.data(), raw.size());
        normalised_.resize(normaliseInPlace(normalised_.data(), normalised_.size()));
        if (normalised_.find(summaryKeyword_) == std::string::npos) return row;
        const std::string_view before = nameBeforeKeyword(normalised_);
        if (mainKnown_) {
            if (!lastIsMain && !sameBytes(before, main_)) return row;
            bom_.hasSummary_ = true;
            rowsBegin_ = rowCount_;
            rowsEnd_ = kOpen;
            titleHere_ = true;
            titleAfterHeader_ = true;
        } else {
            candidates_.push_back({std::string(name), std::string(before), rowCount_, kOpen});
        }
        rowsOpen_ = true;
        sectionStart_ = rowCount_;
        return row;
    }

    // The field before the keyword when the keyword ends the (normalised) line, else empty.
    std::string_view nameBeforeKeyword(std::string_view line) const {
        const std::string_view keyword = summaryKeyword_;
        if (keyword.empty() || line.size() < keyword.size() + 2 ||
            line.substr(line.size() - keyword.size()) != keyword || line[line.size() - keyword.size() - 1] != ' ')
            return {};
        const std::string_view rest = line.substr(0, line.size() - keyword.size() - 1);
        const size_t blank = rest.rfind(' ');
        return blank == std::string_view::npos ? rest : rest.substr(blank + 1);
    }

    // A line among the summary's rows that ends in a whole number, after some words: the total
    // that some company layouts write under the rows.
    void lookForTotal(std::string_view raw, const LineClass& is) {
        const std::string_view last = is.lastField;
        // Words before it: the number is not the line's first field.
        const size_t first = raw.find_first_not_of(' ');
        if (last.empty() || last.size() > 18 || last.data() == raw.data() + first) return;
        for (const char c : last)
            if (c < '0' || c > '9') return;
        int64_t value = 0;
        for (const char c : last) value = value * 10 + (c - '0');
        bom_.summaryTotal_ = value;
    }

    // The first candidate that names the main assembly is the summary.
    void decideBetweenCandidates() {
        for (const Candidate& c : candidates_) {
            if (main_.empty() || (c.name != main_ && c.nameBefore != main_)) continue;
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
        std::string name, nameBefore;
        size_t rowsBegin, rowsEnd;
    };
    static constexpr size_t kOpen = ~size_t{0};

    BomStructure& bom_;
    LineClassifier classifier_;
    std::string summaryKeyword_;
    bool tableRules_;
    std::string main_;
    bool mainKnown_ = false, summaryDone_ = false, rowsOpen_ = false, titleHere_ = false;
    // The summary's line came after the first header: only then is a total line looked for. A
    // summary chosen among lines before every header is known only once that header comes, after
    // lines that could have been its total.
    bool titleAfterHeader_ = false;
    size_t rowCount_ = 0, rowsBegin_ = 0, rowsEnd_ = 0, sectionStart_ = 0;
    std::vector<Candidate> candidates_;
    std::string normalised_;
    LookupBatch<Line> batch_{bom_.names_};
    bool inBlock_ = false;
    uint32_t rowsInBlock_ = 0;
    // Assemblies whose first header has been met and whose walk has not yet reached an empty line.
    std::vector<NameId> openWalks_;
    // A line whose type word is cut, and the lines after it that continue the word so far.
    std::vector<std::string> held_;
    uint32_t heldNumber_ = 0;
    std::string heldWord_;
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
        read, rewind, [&](std::string_view line) { builder.line(line); }, [&] { builder.endOfPiece(); }, expectedBytes);
    builder.finish();
}

BomStructure::Assembler::Assembler(BomStructure& bom, size_t lineCount) : bom_(bom) { bom_.lineCount_ = lineCount; }

NameId BomStructure::Assembler::numberOf(std::string_view name) {
    const NameId id = bom_.names_.number(name);
    if (id == bom_.walkBegin_.size()) {
        bom_.walkBegin_.push_back(kNone);
        bom_.walkEnd_.push_back(kNone);
    }
    return id;
}

void BomStructure::Assembler::block(std::string_view assembly) {
    const uint32_t at = static_cast<uint32_t>(bom_.items_.size());
    if (!bom_.blocks_.empty()) bom_.blocks_.back().end = at;
    if (open_ != kNone) bom_.walkEnd_[open_] = at;
    const NameId id = numberOf(assembly);
    open_ = kNone;
    // The walk of an assembly is its first block, as a reading by lines takes it.
    if (bom_.walkBegin_[id] == kNone) {
        bom_.walkBegin_[id] = at;
        open_ = id;
    }
    if (bom_.mainAssembly_ == kNone) bom_.mainAssembly_ = id;
    bom_.blocks_.push_back({id, at, kNone});
}

void BomStructure::Assembler::member(std::string_view name, ItemKind kind, int32_t quantity, bool outOfRange,
                                     uint32_t line) {
    const NameId id = numberOf(name);
    if (outOfRange) bom_.quantityProblems_.push_back({line, id});
    bom_.items_.push_back({id, outOfRange ? 0 : quantity, kind});
}

void BomStructure::Assembler::summary() { bom_.hasSummary_ = true; }

void BomStructure::Assembler::summaryRow(std::string_view name, int32_t quantity) {
    bom_.summaryRows_.push_back({numberOf(name), quantity});
}

void BomStructure::Assembler::summaryTotal(int64_t total) { bom_.summaryTotal_ = total; }

void BomStructure::Assembler::finish() {
    const uint32_t at = static_cast<uint32_t>(bom_.items_.size());
    if (!bom_.blocks_.empty()) bom_.blocks_.back().end = at;
    if (open_ != kNone) bom_.walkEnd_[open_] = at;
    open_ = kNone;
}

std::vector<uint8_t> listedAssemblies(const BomStructure& bom) {
    std::vector<uint8_t> listed(bom.nameCount(), 0);
    for (const BomItem& item : bom.items())
        if (item.kind == ItemKind::SubAssembly) listed[item.item] = 1;
    return listed;
}

}  // namespace trelk
