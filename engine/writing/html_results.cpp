#include "engine/writing/html.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/writing/html_page.h"

namespace trelk {

namespace {

// The heading of a section; the main assembly's name follows it.
std::string_view sectionHeading(Section section) {
    return section == Section::Breakdown ? "Multi-level BOM for assembly " : reportSection(section).reportTitle;
}

class ResultsPage {
public:
    ResultsPage(HtmlPage& page, const ResultsDocument& document)
        : page_(page),
          request_(document.request),
          analysis_(document.analysis),
          log_(document.log),
          sections_(request_.sections),
          tables_(analysis_.tables),
          tree_(analysis_.tree),
          main_(tables_.mainAssemblyName),
          totalHeading_("Total" + forTheBuild()),
          attributes_(analysis_.attributes),
          attributed_(!attributes_.columns.empty()) {
        if (attributed_) findColumns();
    }

    void write() {
        page_.begin("Trelk: " + toUtf8(main_, analysis_.encoding), "results", attributed_);
        findPlaces();
        header();
        bool any = false;
        for (const ReportSection& s : kReportSections) any = any || isChosen(sections_, s.section);
        if (any) {
            page_ << "<div class=\"tools\" hidden><label for=\"filter\">Filter by name</label> "
                     "<input type=\"search\" id=\"filter\" autocomplete=\"off\" spellcheck=\"false\"> "
                     "<output id=\"filter-status\" for=\"filter\" aria-live=\"polite\"></output>"
                  << kHtmlFilterHint << "</div>\n";
        }
        page_ << "<main>\n";
        for (const ReportSection& s : kReportSections)
            if (isChosen(sections_, s.section)) section(s);
        page_ << "</main>\n";
    }

private:
    // Where a link to an assembly can lead on this page, by name number.
    static constexpr uint8_t kWhereUsedRow = 1, kTreePlace = 2;

    void findPlaces() {
        if (isChosen(sections_, Section::AssembliesWhereUsed))
            for (const std::string_view name : tables_.assemblyWhereUsed.names) places_.mark(name, kWhereUsedRow);
        if (isChosen(sections_, Section::Breakdown) && !tree_.rows.empty()) {
            places_.mark(tree_.name(tree_.rows.front().parent), kTreePlace);
            for (const TreeRow& row : tree_.rows)
                if (row.expanded()) places_.mark(tree_.name(row.item), kTreePlace);
        }
    }

    void mainName() {
        if (main_.empty())
            page_ << "<i class=\"none\">none found</i>";
        else
            page_ << "<span class=\"name\">" << page_.name(main_).html << "</span>";
    }

    void header() {
        page_ << "<header>\n<h1>Bill of materials for assembly ";
        mainName();
        page_ << "</h1>\n<dl class=\"facts\">\n<dt>BOM file<dd>";
        page_.systemText(request_.bomFileName);
        page_ << "\n<dt>Main assembly<dd>";
        mainName();
        page_ << "\n<dt>Build quantity<dd>" << request_.buildQuantity << "\n<dt>Names read as<dd>"
              << encodingName(analysis_.encoding) << "\n</dl>\n";

        writeHtmlLog(page_, "Log", log_);
        page_ << "<nav aria-label=\"Sections\"><ul>\n";
        for (const ReportSection& s : kReportSections)
            if (isChosen(sections_, s.section)) page_ << "<li><a href=\"#" << s.cliWord << "\">" << s.label << "</a>\n";
        page_ << "</ul></nav>\n</header>\n";
    }

    void section(const ReportSection& s) {
        page_ << "<section id=\"" << s.cliWord << "\" aria-labelledby=\"h-" << s.cliWord << "\">\n<h2 id=\"h-"
              << s.cliWord << "\">" << sectionHeading(s.section);
        mainName();
        page_ << "</h2>\n";
        switch (s.section) {
        case Section::Breakdown: tree(); break;
        case Section::Assemblies: totals(tables_.assemblyTotals, "sub-assemblies", ItemKind::SubAssembly); break;
        case Section::Parts: totals(tables_.partTotals, "parts", ItemKind::Part); break;
        case Section::AssembliesWhereUsed: whereUsed(tables_.assemblyWhereUsed, true); break;
        case Section::PartsWhereUsed: whereUsed(tables_.partWhereUsed, false); break;
        }
        page_ << "</section>\n";
    }

    std::string forTheBuild() const {
        if (request_.buildQuantity == 1) return "";
        return " (" + std::to_string(request_.buildQuantity) + " machines)";
    }

    void tree() {
        const AssemblyTree& tree = tree_;
        if (tree.rows.empty()) {
            page_ << "<p class=\"none\">No multi-level BOM: the file has no block for the main assembly.</p>\n";
            return;
        }
        page_ << "<p class=\"legend\">Each line: the quantity in its parent &#xD7; the name &#x2014; the quantity "
                 "for the whole build"
              << forTheBuild()
              << ". A sub-assembly unfolds where it is first used; a later use links back to that place.</p>\n";
        const bool large = tree.rows.size() > kHtmlLargeRows;
        const HtmlPage::Name& root = page_.name(tree.name(tree.rows.front().parent));
        page_ << "<ul class=\"tree\" data-rows=\"" << static_cast<int64_t>(tree.rows.size() + 1)
              << "\">\n<li><details open id=\"t" << root.number << "\"><summary><b>" << root.html << "</b>";
        {
            std::string rootAttributes;
            attributeLine(rootAttributes, tree.name(tree.rows.front().parent), ItemKind::SubAssembly);
            page_ << rootAttributes << "</summary>";
        }
        // A piece parsed later cannot hold another (the parser does not nest them): one that would
        // start inside another is held apart, after the tree, and a slot where it belongs tells
        // the script where to place it; without script the slot is a link to it, and it links back.
        enum class Held : uint8_t { No, InPlace, Apart };
        // The lists open around the next row: the level of their sub-assembly (0 for the main
        // assembly) and its name, the row their current piece starts at, how that piece is held and
        // its number, and the held piece that holds the sub-assembly's own entry (0: none).
        struct OpenList {
            uint32_t level;
            const HtmlPage::Name* owner;
            size_t pieceStart;
            Held held;
            uint32_t piece;
            uint32_t ownerPiece;
        };
        std::string here;                // the text in place, written to the page now and then
        std::vector<std::string> apart;  // the open pieces held apart, innermost last
        std::string after;               // the pieces held apart that are finished, children first
        uint32_t pieces = 0;
        size_t laterOpen = 0;
        std::vector<OpenList> open = {{0, &root, 0, Held::No, 0, 0}};
        auto text = [&]() -> std::string& { return apart.empty() ? here : apart.back(); };
        auto heldNow = [&]() -> uint32_t {
            for (auto list = open.rbegin(); list != open.rend(); ++list)
                if (list->held != Held::No) return list->piece;
            return 0;
        };
        auto inPlace = [&](OpenList& list) {
            list.held = Held::InPlace;
            list.piece = ++pieces;
            text() += "\n<div class=\"later\" id=\"p" + std::to_string(list.piece) + "\"><noscript>";
            ++laterOpen;
        };
        auto slot = [&](uint32_t piece, bool more) {
            const std::string id = std::to_string(piece);
            text() += "<div class=\"slot\" id=\"s" + id + "\"><a href=\"#p" + id + "\">&#x2193; " +
                      (more ? "More of its items" : "Its items") + "</a></div>";
        };
        // A piece held apart whose slot is in the held piece `slotIn`.
        auto heldApart = [&](OpenList& list, uint32_t piece, uint32_t slotIn) {
            list.held = Held::Apart;
            list.piece = piece;
            std::string& to = apart.emplace_back();
            to += "\n<div class=\"later held\" id=\"p" + std::to_string(piece) + "\" data-of=\"t" +
                  std::to_string(list.owner->number) + "\" data-in=\"p" + std::to_string(list.ownerPiece) +
                  "\" data-at=\"p" + std::to_string(slotIn) + "\"><noscript><p class=\"of\">Items of <a href=\"#t" +
                  std::to_string(list.owner->number) + "\">" + list.owner->html + "</a></p>";
            ++laterOpen;
        };
        // Ends the list's piece; `next`, when not 0, is the piece that continues it, held apart.
        auto endPiece = [&](OpenList& list, uint32_t next) {
            text() += kHtmlListEnd;
            if (next != 0) slot(next, true);
            if (list.held == Held::InPlace) text() += kHtmlLaterEnd;
            if (list.held == Held::Apart) {
                apart.back() += kHtmlLaterEnd;
                after += apart.back();
                apart.pop_back();
            }
            if (list.held != Held::No) --laterOpen;
            list.held = Held::No;
        };
        text() += kHtmlListStart;
        for (size_t r = 0; r < tree.rows.size(); ++r) {
            const TreeRow& row = tree.rows[r];
            while (open.back().level >= row.level) {
                endPiece(open.back(), 0);
                text() += "</details>\n";
                open.pop_back();
            }
            OpenList& list = open.back();
            if (r - list.pieceStart >= kHtmlPieceRows) {
                if (list.held == Held::Apart) {
                    const uint32_t next = ++pieces, slotIn = list.piece;
                    endPiece(list, next);
                    heldApart(list, next, slotIn);
                } else {
                    endPiece(list, 0);
                    if (large) inPlace(list);
                }
                text() += kHtmlListStart;
                list.pieceStart = r;
            }
            const HtmlPage::Name& item = page_.name(tree.name(row.item));
            if (row.expanded()) {
                // A large tree starts folded below the main assembly's items.
                std::string& to = text();
                to += "<li><details";
                to += large ? "" : " open";
                to += " id=\"t" + std::to_string(item.number) + "\"><summary>";
                entry(to, row, item, false);
                to += "</summary>";
                open.push_back({row.level, &item, r + 1, Held::No, 0, heldNow()});
                if (large && laterOpen == 0) {
                    inPlace(open.back());
                } else if (large) {
                    const uint32_t piece = ++pieces;
                    slot(piece, false);
                    heldApart(open.back(), piece, open.back().ownerPiece);
                }
                text() += kHtmlListStart;
            } else {
                std::string& to = text();
                to += "<li>";
                entry(to, row, item, row.note == TreeNote::ExpandedAbove || row.note == TreeNote::ContainsItself);
                if (row.note != TreeNote::None) {
                    to += "<small>";
                    to += treeNoteWord(row.note);
                    to += "</small>";
                }
            }
            if (here.size() >= (1u << 16)) {
                page_ << here;
                here.clear();
            }
        }
        for (; !open.empty(); open.pop_back()) {
            endPiece(open.back(), 0);
            text() += "</details>\n";
        }
        page_ << here << "</ul>\n";
        if (!after.empty()) page_ << "<div class=\"held\">" << after << "</div>\n";
    }

    void entry(std::string& to, const TreeRow& row, const HtmlPage::Name& item, bool linkBack) {
        to += std::to_string(row.quantity);
        to += "<b>";
        if (linkBack)
            to += "<a href=#t" + std::to_string(item.number) + ">" + item.html + "</a>";
        else
            to += item.html;
        to += "</b>";
        to += std::to_string(row.pathQuantity.value());
        attributeLine(to, tree_.name(row.item), row.kind);
    }

    // The item's attributes below its entry in the tree, each after its column's title.
    void attributeLine(std::string& to, std::string_view name, ItemKind kind) {
        if (!attributed_) return;
        const ItemAttributeRow* item = attributes_.find(name, kind);
        if (!item) return;
        bool any = false;
        for (size_t c = 0; c < item->values.size() && c < columns_.size(); ++c) {
            const AttributeValue& value = item->values[c].value;
            if (value.empty()) continue;
            to += any ? " &#xB7; " : "<span class=\"attrs\">";
            any = true;
            to += columns_[c].heading;
            to += " ";
            appendHtmlEscaped(to, toUtf8(value.text, analysis_.encoding));
        }
        if (any) to += "</span>";
    }

    // A column of a table with attribute columns: its heading and the class of its cells, which
    // says how wide it is (html_page.css): every row shares out its width alike, so that the columns
    // line up, and no heading wraps.
    struct ExtraColumn {
        std::string heading;     // HTML
        std::string cellClass;   // "num w12", "w24"
        std::string attributes;  // the th's
    };

    // The width class of a column whose heading and widest value take that many characters: wN is
    // N rem wide (html_page.css), room for the heading in bold and its sort arrow, and for the value
    // up to 16 characters; a wider one wraps in its cell rather than widening the table.
    static std::string widthClass(size_t headingChars, size_t valueChars) {
        const double heading = 0.55 * static_cast<double>(headingChars + 2);
        const double value = 0.5 * static_cast<double>(std::min<size_t>(valueChars, 16));
        const double wanted = std::max(heading, value) + 0.9;  // the cell's padding
        for (const int width : {5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18})
            if (wanted <= width) return "w" + std::to_string(width);
        return "w20";
    }
    // Characters as a monospace line would take them: an East Asian one counts twice.
    static size_t screenChars(std::string_view utf8) {
        size_t chars = 0;
        for (const char c : utf8) {
            const auto byte = static_cast<unsigned char>(c);
            if ((byte & 0xC0) != 0x80) chars += byte >= 0xE1 ? 2 : 1;
        }
        return chars;
    }
    static ExtraColumn extraColumn(std::string heading, size_t headingChars, size_t valueChars, bool numeric) {
        ExtraColumn c;
        c.cellClass = (numeric ? "num " : "") + widthClass(headingChars, valueChars);
        c.attributes =
            std::string(numeric ? "data-sort=\"number\"" : "data-sort=\"text\"") + " class=\"" + c.cellClass + "\"";
        c.heading = std::move(heading);
        return c;
    }

    // The total's column, the attribute columns and the summed ones, and where each summed column's
    // totals of an assembly are.
    void findColumns() {
        size_t totalDigits = 1;
        for (const TotalsTable* table : {&tables_.assemblyTotals, &tables_.partTotals})
            for (size_t r = 0; r < table->count(); ++r)
                totalDigits = std::max(totalDigits, std::to_string(table->totals[r].value()).size());
        totalColumn_ = extraColumn(totalHeading_, totalHeading_.size(), totalDigits, true);
        std::vector<size_t> widest(attributes_.columns.size(), 0);
        for (const ItemAttributeRow& row : attributes_.items)
            for (size_t c = 0; c < row.values.size() && c < widest.size(); ++c)
                widest[c] = std::max(widest[c], screenChars(toUtf8(row.values[c].value.text, analysis_.encoding)));
        for (size_t c = 0; c < attributes_.columns.size(); ++c) {
            const std::string title = toUtf8(attributes_.columns[c].title, analysis_.encoding);
            columns_.push_back(
                extraColumn(htmlEscaped(title), screenChars(title), widest[c], attributes_.columns[c].numeric));
        }
        for (const ColumnTotal& t : analysis_.columnTotals) {
            const std::string title = "\xCE\xA3 " + toUtf8(t.title, analysis_.encoding);  // Σ
            size_t longest = 0;
            for (const ColumnTotal::Assembly& a : t.assemblies) longest = std::max(longest, a.total.size());
            summed_.push_back(extraColumn(htmlEscaped(title), screenChars(title), longest, true));
            std::unordered_map<std::string_view, size_t>& at = summedAt_.emplace_back();
            for (size_t a = 0; a < t.assemblies.size(); ++a) at.emplace(t.assemblies[a].name, a);
        }
    }

    // The class of a cell, and its title: a value is marked where the item's rows print others too,
    // or where every print of it is cut.
    void cellAttributes(const ExtraColumn& column, bool differs, bool cut, std::string_view differsTitle) {
        page_ << " class=\"" << column.cellClass << (differs ? " differs" : cut ? " cut" : "") << "\"";
        if (differs) page_ << " title=\"" << differsTitle << "\"";
        if (cut && !differs) page_ << " title=\"Cut where the export prints it: the value may go on\"";
    }

    template <class To>
    void totalsColumns(To& to, const TotalsTable& table, size_t row, ItemKind kind) {
        to.column("data-sort=\"text\" aria-sort=\"ascending\"", "Name",
                  [&] { page_ << page_.name(table.names[row]).html; });
        if (!attributed_) {
            to.column("data-sort=\"number\" class=\"num\"", totalHeading_, [&] { page_ << table.totals[row].value(); });
            return;
        }
        to.column(
            totalColumn_.attributes, totalColumn_.heading, [&] { cellAttributes(totalColumn_, false, false, {}); },
            [&] { page_ << table.totals[row].value(); });
        const ItemAttributeRow* item = attributes_.find(table.names[row], kind);
        for (size_t c = 0; c < columns_.size(); ++c) {
            const ItemAttribute* value = item ? &item->values[c] : nullptr;
            to.column(
                columns_[c].attributes, columns_[c].heading,
                [&] {
                    cellAttributes(columns_[c], value && value->disagrees, value && value->cut,
                                   "Rows of this item print other values too; this is one of them");
                },
                [&] {
                    if (value) page_ << htmlEscaped(toUtf8(value->value.text, analysis_.encoding));
                });
        }
        if (kind != ItemKind::SubAssembly) return;
        for (size_t t = 0; t < summed_.size(); ++t) {
            const ColumnTotal& total = analysis_.columnTotals[t];
            const auto at = summedAt_[t].find(table.names[row]);
            const ColumnTotal::Assembly* a = at == summedAt_[t].end() ? nullptr : &total.assemblies[at->second];
            to.column(
                summed_[t].attributes, summed_[t].heading,
                [&] {
                    const bool differs = a && a->differs;
                    cellAttributes(summed_[t], differs, false,
                                   differs ? "The block&#39;s total line says " +
                                                 htmlEscaped(toUtf8(a->listed.value_or(""), analysis_.encoding)) +
                                                 ", its rows sum to " + a->checked
                                           : std::string());
                },
                [&] {
                    if (a) page_ << a->total;
                });
        }
    }

    void totals(const TotalsTable& table, std::string_view what, ItemKind kind) {
        if (table.count() == 0) {
            page_ << "<p class=\"none\">No " << what << ".</p>\n";
            return;
        }
        if (attributed_ && kind == ItemKind::SubAssembly && !analysis_.columnTotals.empty())
            page_ << "<p class=\"legend\">&#x3A3; before a column&#39;s title: quantity &#xD7; value of every part "
                     "below one of the sub-assembly; marked &#x2260; where the export&#39;s total line under its "
                     "block differs from the rows of the block.</p>\n";
        page_ << "<table class=\"totals sortable narrowable" << (attributed_ ? " attributed" : "") << "\" data-rows=\""
              << static_cast<int64_t>(table.count()) << "\">\n<thead><tr>";
        {
            HtmlHeadings headings(page_);
            totalsColumns(headings, table, 0, kind);
            page_ << "</thead>\n<tbody>";
            HtmlTablePieces pieces(page_, attributed_ ? "totals attributed" : "totals", table.count());
            HtmlCells cells(page_);
            for (size_t row = 0; row < table.count(); ++row) {
                if (row > 0 && row % kHtmlPieceRows == 0) pieces.next();
                page_ << "<tr>";
                totalsColumns(cells, table, row, kind);
            }
        }
        const bool underParts = isChosen(sections_, Section::Parts);
        if (attributed_ && (kind == ItemKind::Part) == underParts) columnTotals();
    }

    // Each summed column for the whole build, beside the export's own total line.
    void columnTotals() {
        for (const ColumnTotal& t : analysis_.columnTotals) {
            page_ << "<p class=\"column-total" << (t.differs ? " differs" : "") << "\"><b>"
                  << htmlEscaped(toUtf8(t.title, analysis_.encoding)) << "</b>: ";
            if (t.total.empty())
                page_ << "too large to total";
            else
                page_ << t.total << " in total";
            if (request_.buildQuantity != 1) {
                page_ << " for " << request_.buildQuantity << " machines";
                if (!t.checked.empty()) page_ << " (" << t.checked << " for one)";
            }
            if (!t.listed)
                page_ << "; the export prints no total line of it.";
            else if (t.differs)
                page_ << "; <strong><span aria-hidden=\"true\">&#x2260;</span> the export says "
                      << htmlEscaped(toUtf8(*t.listed, analysis_.encoding))
                      << "</strong>, further from what its parts sum to"
                      << (request_.buildQuantity != 1 ? " for one" : "") << " than the rounding of its values allows.";
            else
                page_ << ", the export says " << htmlEscaped(toUtf8(*t.listed, analysis_.encoding)) << ".";
            page_ << "</p>\n";
        }
    }

    template <class To>
    void whereUsedColumns(To& to, const WhereUsedTable& table, size_t row) {
        to.column("", "Name", [&] { page_ << page_.name(table.names[row]).html; });
        to.column("", "Used in", [&] { uses(table, row); });
    }

    // The entries of a where-used row, each parent a link to its place on the page.
    void uses(const WhereUsedTable& table, size_t row) {
        page_ << "<ul class=\"uses\">";
        for (uint32_t i = table.entryBegin[row]; i < table.entryEnd[row]; ++i) {
            const WhereUsedEntry& entry = table.entries[i];
            const HtmlPage::Name& parent = page_.name(table.assemblyOf(entry));
            page_ << "<li>" << static_cast<int64_t>(entry.quantity);
            const uint8_t place = places_.of(parent.number);
            if (place & kWhereUsedRow)
                page_ << "<a href=#w" << parent.number << ">" << parent.html << "</a>";
            else if (place & kTreePlace)
                page_ << "<a href=#t" << parent.number << ">" << parent.html << "</a>";
            else
                page_ << "<span>" << parent.html << "</span>";
        }
        page_ << "</ul>";
    }

    void whereUsed(const WhereUsedTable& table, bool anchored) {
        if (table.count() == 0) {
            page_ << "<p class=\"none\">Nothing is used anywhere.</p>\n";
            return;
        }
        page_ << "<p class=\"legend\">Each parent leads to the place where it is used in turn.</p>\n"
                 "<table class=\"where-used narrowable\" data-members data-rows=\""
              << static_cast<int64_t>(table.count()) << "\">\n<thead><tr>";
        HtmlHeadings headings(page_);
        whereUsedColumns(headings, table, 0);
        page_ << "</thead>\n<tbody>";
        HtmlTablePieces pieces(page_, "where-used", table.entries.size());
        HtmlCells cells(page_);
        size_t inPiece = 0;  // entries in the current piece
        for (size_t row = 0; row < table.count(); ++row) {
            if (inPiece >= kHtmlPieceRows) {
                pieces.next();
                inPiece = 0;
            }
            inPiece += table.entryEnd[row] - table.entryBegin[row];
            page_ << "<tr";
            if (anchored) page_ << " id=w" << page_.name(table.names[row]).number;
            page_ << ">";
            whereUsedColumns(cells, table, row);
        }
    }

    HtmlPage& page_;
    const RunRequest& request_;
    const Analysis& analysis_;
    const std::vector<std::string>& log_;
    const SectionSelection& sections_;
    const ResultTables& tables_;
    const AssemblyTree& tree_;
    const std::string& main_;
    const std::string totalHeading_;
    const ItemAttributes& attributes_;
    const bool attributed_;
    // With attribute columns: the total's column, the attribute columns (by the attributes' order)
    // and the summed columns with their assemblies' places in the column total, by name.
    ExtraColumn totalColumn_;
    std::vector<ExtraColumn> columns_, summed_;
    std::vector<std::unordered_map<std::string_view, size_t>> summedAt_;
    HtmlPlaces places_{page_};
};

}  // namespace

int writeHtml(OutputFile& file, const ResultsDocument& document) {
    HtmlPage page(file, document.analysis.encoding);
    ResultsPage(page, document).write();
    return page.finish();
}

}  // namespace trelk
