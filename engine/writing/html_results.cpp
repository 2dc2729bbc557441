#include "engine/writing/html.h"

#include <string>
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
          totalHeading_("Total" + forTheBuild()) {}

    void write() {
        page_.begin("Trelk: " + toUtf8(main_, analysis_.encoding), "results");
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
        case Section::Assemblies: totals(tables_.assemblyTotals, "sub-assemblies"); break;
        case Section::Parts: totals(tables_.partTotals, "parts"); break;
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
              << "\">\n<li><details open id=\"t" << root.number << "\"><summary><b>" << root.html << "</b></summary>";
        // The lists open around the next row: the level of their sub-assembly (0 for the main
        // assembly), the row their current piece starts at, and whether that piece is parsed
        // later. Nothing inside a later piece is itself later: the page's parser cannot nest them.
        struct OpenList {
            uint32_t level;
            size_t pieceStart;
            bool later;
        };
        size_t laterOpen = 0;
        auto startPiece = [&](OpenList& list, bool later) {
            list.later = large && later && laterOpen == 0;
            if (list.later) {
                page_ << kHtmlLaterStart;
                ++laterOpen;
            }
            page_ << kHtmlListStart;
        };
        auto endPiece = [&](OpenList& list) {
            page_ << kHtmlListEnd;
            if (list.later) {
                page_ << kHtmlLaterEnd;
                --laterOpen;
            }
        };
        std::vector<OpenList> open = {{0, 0, false}};
        startPiece(open.back(), false);
        for (size_t r = 0; r < tree.rows.size(); ++r) {
            const TreeRow& row = tree.rows[r];
            while (open.back().level >= row.level) {
                endPiece(open.back());
                page_ << "</details>\n";
                open.pop_back();
            }
            if (r - open.back().pieceStart >= kHtmlPieceRows) {
                endPiece(open.back());
                startPiece(open.back(), true);
                open.back().pieceStart = r;
            }
            const HtmlPage::Name& item = page_.name(tree.name(row.item));
            if (row.expanded()) {
                // A large tree starts folded below the main assembly's items.
                page_ << "<li><details" << (large ? "" : " open") << " id=\"t" << item.number << "\"><summary>";
                entry(row, item, false);
                page_ << "</summary>";
                open.push_back({row.level, r + 1, false});
                startPiece(open.back(), true);
            } else {
                page_ << "<li>";
                entry(row, item, row.note == TreeNote::ExpandedAbove || row.note == TreeNote::ContainsItself);
                if (row.note != TreeNote::None) page_ << "<small>" << treeNoteWord(row.note) << "</small>";
            }
        }
        for (; !open.empty(); open.pop_back()) {
            endPiece(open.back());
            page_ << "</details>\n";
        }
        page_ << "</ul>\n";
    }

    void entry(const TreeRow& row, const HtmlPage::Name& item, bool linkBack) {
        page_ << static_cast<int64_t>(row.quantity) << "<b>";
        if (linkBack)
            page_ << "<a href=#t" << item.number << ">" << item.html << "</a>";
        else
            page_ << item.html;
        page_ << "</b>" << row.pathQuantity.value();
    }

    template <class To>
    void totalsColumns(To& to, const TotalsTable& table, size_t row) {
        to.column("data-sort=\"text\" aria-sort=\"ascending\"", "Name",
                  [&] { page_ << page_.name(table.names[row]).html; });
        to.column("data-sort=\"number\" class=\"num\"", totalHeading_, [&] { page_ << table.totals[row].value(); });
    }

    void totals(const TotalsTable& table, std::string_view what) {
        if (table.count() == 0) {
            page_ << "<p class=\"none\">No " << what << ".</p>\n";
            return;
        }
        page_ << "<table class=\"totals sortable narrowable\" data-rows=\"" << static_cast<int64_t>(table.count())
              << "\">\n<thead><tr>";
        HtmlHeadings headings(page_);
        totalsColumns(headings, table, 0);
        page_ << "</thead>\n<tbody>";
        HtmlTablePieces pieces(page_, "totals", table.count());
        HtmlCells cells(page_);
        for (size_t row = 0; row < table.count(); ++row) {
            if (row > 0 && row % kHtmlPieceRows == 0) pieces.next();
            page_ << "<tr>";
            totalsColumns(cells, table, row);
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
    HtmlPlaces places_{page_};
};

}  // namespace

int writeHtml(OutputFile& file, const ResultsDocument& document) {
    HtmlPage page(file, document.analysis.encoding);
    ResultsPage(page, document).write();
    return page.finish();
}

}  // namespace trelk
