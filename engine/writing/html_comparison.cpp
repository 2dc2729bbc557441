#include "engine/writing/html.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/results/assembly_tree.h"
#include "engine/writing/html_page.h"

namespace trelk {

namespace {

// A change as the page marks it: a symbol and a word, the class giving its colour. The symbol is
// hidden from screen readers, which say the word.
struct ChangeMark {
    std::string_view css, symbol, word;
};

constexpr ChangeMark kMore{"more", "&#x25B2;", "more"};
constexpr ChangeMark kLess{"less", "&#x25BC;", "less"};
constexpr ChangeMark kAdded{"added", "+", "added"};
constexpr ChangeMark kRemoved{"removed", "&#x2212;", "removed"};
constexpr ChangeMark kRetyped{"type", "&#x21BB;", "type"};
constexpr ChangeMark kSame{"same", "=", "same"};

// A quantity or total as it went: one side missing is an addition or a removal.
ChangeMark markOf(std::optional<int64_t> before, std::optional<int64_t> after) {
    if (!before) return kAdded;
    if (!after) return kRemoved;
    if (*after == *before) return kSame;
    return *after > *before ? kMore : kLess;
}

ChangeMark markOf(const MemberDifference& m) {
    return m.change == MemberChange::Type ? kRetyped : markOf(m.oldQuantity, m.newQuantity);
}

// A file's name without its folders, as a title shows it.
std::string_view fileNameOf(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view plural(size_t n, std::string_view one, std::string_view more) { return n == 1 ? one : more; }

class ComparisonPage {
public:
    ComparisonPage(HtmlPage& page, const ComparisonDocument& document)
        : page_(page), c_(document.comparison), sections_(document.sections) {}

    void write() {
        // Both files in the title, so that two comparisons of the same product tell apart in a tab.
        std::string title = "Trelk: " + systemTextToUtf8(fileNameOf(c_.oldFile.bomFileName)) + " \xE2\x86\x92 " +
                            systemTextToUtf8(fileNameOf(c_.newFile.bomFileName)) + ", comparison for " +
                            toUtf8(c_.oldFile.mainAssembly, c_.encoding);
        if (!c_.sameMainAssembly) title += " \xE2\x86\x92 " + toUtf8(c_.newFile.mainAssembly, c_.encoding);
        page_.begin(title, "comparison", c_.hasAttributes);
        findPlaces();
        header();
        tools();
        page_ << "<main>\n";
        blocks();
        if (c_.hasAttributes) attributes();
        for (const ReportSection& s : kReportSections)
            if (shown(s)) section(s);
        page_ << "</main>\n";
    }

private:
    // Where a link to an assembly can lead on this page, by name number.
    static constexpr uint8_t kBlock = 1, kTotalRow = 2;

    void findPlaces() {
        for (const AssemblyDifference& a : c_.assemblies) places_.mark(a.assembly, kBlock);
        if (isChosen(sections_, Section::Assemblies))
            for (const TotalDifference& t : c_.assemblyTotals) places_.mark(t.name, kTotalRow);
    }

    // The sections after the changes by assembly, each chosen as the report's is.
    bool shown(const ReportSection& s) const { return !s.changesTitle.empty() && isChosen(sections_, s.section); }

    bool totalsShown() const { return isChosen(sections_, Section::Assemblies) || isChosen(sections_, Section::Parts); }

    void name(std::string_view text) {
        if (text.empty())
            page_ << "<i class=\"none\">none found</i>";
        else
            page_ << "<span class=\"name\">" << page_.name(text).html << "</span>";
    }

    void mainTitle() {
        name(c_.oldFile.mainAssembly);
        if (c_.sameMainAssembly) return;
        page_ << " &#x2192; ";
        name(c_.newFile.mainAssembly);
    }

    void changeMark(const ChangeMark& m, std::string_view word = {}) {
        page_ << "<span class=\"chg " << m.css << "\"><span aria-hidden=\"true\">" << m.symbol << "</span> "
              << (word.empty() ? m.word : word) << "</span>";
    }

    void header() {
        page_ << "<header>\n<h1>Comparison of BOM files for assembly ";
        mainTitle();
        page_ << "</h1>\n<p class=\"verdict\">";
        const size_t blocks = c_.assemblies.size(), totals = c_.assemblyTotals.size() + c_.partTotals.size();
        if (c_.agree()) {
            page_ << "<strong><span aria-hidden=\"true\">=</span> The files agree</strong> in every block and total, "
                     "and in their main assembly.";
        } else {
            page_ << "<strong><span aria-hidden=\"true\">&#x2260;</span> The files differ:</strong> "
                  << (c_.sameMainAssembly ? "" : "another main assembly, ") << static_cast<int64_t>(blocks)
                  << plural(blocks, " changed block, ", " changed blocks, ") << static_cast<int64_t>(totals)
                  << plural(totals, " changed total", " changed totals") << " ("
                  << static_cast<int64_t>(c_.assemblyTotals.size()) << " of assemblies, "
                  << static_cast<int64_t>(c_.partTotals.size()) << " of parts)";
            if (c_.hasAttributes)
                page_ << ", " << static_cast<int64_t>(c_.attributeChanges.size())
                      << plural(c_.attributeChanges.size(), " changed attribute", " changed attributes");
            page_ << ".";
        }
        page_ << "</p>\n";
        // A file that may have been misread is said beside the verdict, which it puts in doubt.
        for (const std::string& warning : readWarnings(c_))
            page_ << "<p class=\"verdict misread\"><strong>&#x26A0; " << htmlEscaped(warning) << "</strong></p>\n";
        page_ << "<dl class=\"facts\">\n<dt>Old BOM file<dd>";
        page_.systemText(c_.oldFile.bomFileName);
        page_ << "\n<dt>New BOM file<dd>";
        page_.systemText(c_.newFile.bomFileName);
        page_ << "\n<dt>Old main assembly<dd>";
        name(c_.oldFile.mainAssembly);
        page_ << "\n<dt>New main assembly<dd>";
        name(c_.newFile.mainAssembly);
        if (!c_.sameMainAssembly) {
            page_ << " ";
            changeMark({"type", "&#x2260;", "another than the old one"});
        }
        page_ << "\n<dt>Build quantity<dd>" << c_.buildQuantity << "\n<dt>Names read as<dd>";
        if (c_.oldFile.encoding == c_.newFile.encoding)
            page_ << encodingName(c_.encoding);
        else
            page_ << "old " << encodingName(c_.oldFile.encoding) << ", new " << encodingName(c_.newFile.encoding)
                  << ", compared as " << encodingName(c_.encoding);
        page_ << "\n</dl>\n";
        writeHtmlLog(page_, "Log of the old BOM file", c_.oldFile.log);
        writeHtmlLog(page_, "Log of the new BOM file", c_.newFile.log);
        page_ << "<nav aria-label=\"Sections\"><ul>\n<li><a href=\"#blocks\">" << kBlockChangesLabel << "</a>\n";
        if (c_.hasAttributes) page_ << "<li><a href=\"#attributes\">" << kAttributeChangesLabel << "</a>\n";
        for (const ReportSection& s : kReportSections)
            if (shown(s)) page_ << "<li><a href=\"#" << s.cliWord << "\">" << s.changesLabel << "</a>\n";
        page_ << "</ul></nav>\n</header>\n";
    }

    // The tools that the script shows: the filter, and with the totals the switch that hides the
    // totals alike in both files. It starts checked: the changes are what a comparison is read for,
    // and the totals around them are one click away.
    void tools() {
        page_ << "<div class=\"tools\" hidden><label for=\"filter\">Filter by name</label> "
                 "<input type=\"search\" id=\"filter\" autocomplete=\"off\" spellcheck=\"false\"> ";
        if (totalsShown())
            page_ << "<label><input type=\"checkbox\" id=\"only-changed\" data-only=\"changed\" checked> "
                     "Differences only</label> ";
        page_ << "<output id=\"filter-status\" for=\"filter\" aria-live=\"polite\"></output>" << kHtmlFilterHint
              << "</div>\n";
    }

    void sectionStart(std::string_view id, std::string_view heading) {
        page_ << "<section id=\"" << id << "\" aria-labelledby=\"h-" << id << "\">\n<h2 id=\"h-" << id << "\">"
              << heading;
        mainTitle();
        page_ << "</h2>\n";
    }

    void quantity(std::optional<int64_t> value) {
        if (value) page_ << *value;
    }

    // A link to the assembly's place: its changed total where `preferTotal` and the page shows one,
    // else its block's changes, else its name alone.
    void link(std::string_view assembly, bool preferTotal) {
        const HtmlPage::Name& n = page_.name(assembly);
        const uint8_t place = places_.of(n.number);
        if (preferTotal && (place & kTotalRow))
            page_ << "<a href=#a" << n.number << ">" << n.html << "</a>";
        else if (place & kBlock)
            page_ << "<a href=#b" << n.number << ">" << n.html << "</a>";
        else
            page_ << "<span>" << n.html << "</span>";
    }

    // Each block is a group of rows (its own tbody) headed by the assembly. A large table is cut
    // into pieces between blocks only, so that a piece made for the filter holds whole groups.
    template <class To>
    void memberColumns(To& to, const MemberDifference* m) {
        to.column("", "Name", [&] { page_ << page_.name(m->name).html; });
        to.column("", "Old", [&] { quantity(m->oldQuantity); });
        to.column("", "New", [&] { quantity(m->newQuantity); });
        to.column("", "Change", [&] { changeMark(markOf(*m)); });
        to.column("", "Type", [&] {
            if (m->change == MemberChange::Type)
                page_ << treeTypeWord(m->oldKind) << " &#x2192; " << treeTypeWord(m->newKind);
            else
                page_ << treeTypeWord(m->newKind != ItemKind::None ? m->newKind : m->oldKind);
        });
    }

    void blocks() {
        sectionStart("blocks", kBlockChangesTitle);
        if (c_.assemblies.empty()) {
            page_ << "<p class=\"none\">No block differs.</p>\n</section>\n";
            return;
        }
        size_t rows = 0;
        for (const AssemblyDifference& a : c_.assemblies) rows += 1 + a.members.size();
        page_ << "<p class=\"legend\">Each assembly whose block differs, by name, and the members that differ: "
                 "the quantity in the old block and in the new one.</p>\n"
                 "<table class=\"block-changes narrowable\" data-rows=\""
              << static_cast<int64_t>(rows) << "\">\n<thead><tr>";
        HtmlHeadings headings(page_);
        memberColumns(headings, nullptr);
        page_ << "</thead>";
        // The assembly's row spans the columns after the name.
        HtmlColumnCount columns;
        memberColumns(columns, nullptr);
        HtmlCells cells(page_);
        const bool large = rows > kHtmlLargeRows;
        bool later = false;
        size_t inPiece = 0;
        for (const AssemblyDifference& a : c_.assemblies) {
            if (large && inPiece >= kHtmlPieceRows) {
                page_ << "\n</table>" << (later ? kHtmlLaterEnd : "") << kHtmlLaterStart
                      << "<table class=\"block-changes piece-of\">";
                later = true;
                inPiece = 0;
            }
            inPiece += 1 + a.members.size();
            const HtmlPage::Name& assembly = page_.name(a.assembly);
            page_ << "\n<tbody><tr id=b" << assembly.number << " data-changed><th scope=\"rowgroup\">" << assembly.html
                  << "<td colspan=\"" << static_cast<int64_t>(columns.count - 1) << "\">";
            switch (a.block) {
            case BlockChange::Changed:
                changeMark({"changed", "&#xB1;", "changed"});
                page_ << ": " << static_cast<int64_t>(a.members.size())
                      << plural(a.members.size(), " member", " members");
                break;
            case BlockChange::Added: changeMark(kAdded, "block added"); break;
            case BlockChange::Removed: changeMark(kRemoved, "block removed"); break;
            }
            for (const MemberDifference& m : a.members) {
                page_ << "<tr data-changed>";
                memberColumns(cells, &m);
            }
            page_ << "</tbody>";
        }
        page_ << "\n</table>" << (later ? kHtmlLaterEnd : "") << "\n</section>\n";
    }

    // A value of the export, escaped; a side without one shows nothing.
    void value(const std::optional<std::string>& v) {
        if (!v) return;
        std::string html;
        appendHtmlEscaped(html, toUtf8(*v, c_.encoding));
        page_ << html;
    }

    template <class To>
    void attributeColumns(To& to, const AttributeDifference* a) {
        to.column("data-sort=\"text\" aria-sort=\"ascending\"", "Name", [&] { page_ << page_.name(a->name).html; });
        to.column("data-sort=\"text\"", "Type", [&] { page_ << treeTypeWord(a->kind); });
        to.column("data-sort=\"text\"", "Attribute", [&] { value(a->column); });
        to.column("data-sort=\"text\"", "Old", [&] { value(a->oldValue); });
        to.column("data-sort=\"text\"", "New", [&] { value(a->newValue); });
    }

    void attributes() {
        sectionStart("attributes", kAttributeChangesTitle);
        if (c_.attributeChanges.empty()) {
            page_ << "<p class=\"none\">No attribute differs.</p>\n</section>\n";
            return;
        }
        page_ << "<p class=\"legend\">Each attribute of an item both files list that differs, by the item&#39;s "
                 "name: the value in the old file and in the new one (&#x2013;: the file prints none).</p>\n"
                 "<table class=\"attribute-changes sortable narrowable\" data-rows=\""
              << static_cast<int64_t>(c_.attributeChanges.size()) << "\">\n<thead><tr>";
        {
            HtmlHeadings headings(page_);
            attributeColumns(headings, nullptr);
            page_ << "</thead>\n<tbody>";
            HtmlTablePieces pieces(page_, "attribute-changes", c_.attributeChanges.size());
            HtmlCells cells(page_);
            for (size_t row = 0; row < c_.attributeChanges.size(); ++row) {
                if (row > 0 && row % kHtmlPieceRows == 0) pieces.next();
                page_ << "<tr data-changed>";
                attributeColumns(cells, &c_.attributeChanges[row]);
            }
        }
        page_ << "</section>\n";
    }

    void section(const ReportSection& s) {
        sectionStart(s.cliWord, s.changesTitle);
        switch (s.section) {
        case Section::Assemblies: totals(c_.assemblyTotals, c_.sameAssemblyTotals, true); break;
        case Section::Parts: totals(c_.partTotals, c_.samePartTotals, false); break;
        case Section::AssembliesWhereUsed: whereUsed(c_.assemblyWhereUsed, "sub-assembly"); break;
        case Section::PartsWhereUsed: whereUsed(c_.partWhereUsed, "part"); break;
        case Section::Breakdown: break;
        }
        page_ << "</section>\n";
    }

    void names(std::string_view cssClass, std::string_view word, const std::vector<std::string_view>& list,
               bool preferTotal) {
        if (list.empty()) return;
        page_ << " <span class=\"" << cssClass << "\">" << word;
        for (size_t i = 0; i < list.size(); ++i) {
            page_ << (i == 0 ? " " : ", ");
            link(list[i], preferTotal);
        }
        page_ << "</span>";
    }

    // The changed totals among those alike in both files, all by name: both lists are sorted. The
    // rows of a large table go into pieces of a few hundred, each after the first held as text until
    // it comes near the window (engine/writing/html_page.h): a page of 100,000 rows as elements takes
    // the browser over ten times its size. A run of rows alike in both files of kSameRun or more goes
    // into pieces of its own, and so do the changes with the short runs between them: the page
    // starts with only the changes shown, and a piece of a long run keeps nothing then, so it hides
    // whole without being made.
    static constexpr size_t kSameRun = 20;

    // A row of the totals: a changed total, or one alike in both files.
    struct TotalRow {
        const TotalDifference* changed = nullptr;
        const SameTotal* same = nullptr;

        std::string_view name() const { return changed ? changed->name : same->name; }
        std::optional<int64_t> oldTotal() const { return changed ? valueOf(changed->oldTotal) : same->total.value(); }
        std::optional<int64_t> newTotal() const { return changed ? valueOf(changed->newTotal) : same->total.value(); }
        int64_t difference() const { return changed ? changed->difference.value() : 0; }
    };

    template <class To>
    void totalColumns(To& to, const TotalRow& row) {
        to.column("data-sort=\"text\" aria-sort=\"ascending\"", "Name", [&] { page_ << page_.name(row.name()).html; });
        to.column("data-sort=\"number\"", "Old", [&] { quantity(row.oldTotal()); });
        to.column("data-sort=\"number\"", "New", [&] { quantity(row.newTotal()); });
        to.column("data-sort=\"number\"", "Difference", [&] {
            const int64_t difference = row.difference();
            page_ << (difference > 0 ? "+" : "") << difference;
        });
        to.column("", "Change", [&] { changeMark(markOf(row.oldTotal(), row.newTotal())); });
        to.column("", "Cause", [&] {
            if (!row.changed) return;
            page_ << "<span class=\"cause\">" << totalCauseWord(row.changed->cause) << "</span>";
            names("in", "in", row.changed->changedIn, false);
            names("via", "via", row.changed->via, true);
        });
    }

    void totals(const std::vector<TotalDifference>& changed, const std::vector<SameTotal>& same, bool anchored) {
        const size_t rows = changed.size() + same.size();
        if (rows == 0) {
            page_ << "<p class=\"none\">No " << (anchored ? "sub-assemblies" : "parts") << " in either file.</p>\n";
            return;
        }
        page_ << "<p class=\"legend\">Each total for the whole build";
        if (c_.buildQuantity != 1) page_ << " (" << c_.buildQuantity << " machines)";
        page_ << " in the old file and in the new one, and the difference. <b>direct</b>: a block lists it with "
                 "another quantity, or lists it in one file only (in: that block); <b>indirect</b>: only an "
                 "assembly above it changed (via: the nearest such assemblies, each leading to its own total). "
                 "The totals alike in both files are listed too, marked = same, unless &#x201C;Differences "
                 "only&#x201D; hides them.</p>\n"
                 "<table class=\"total-changes sortable narrowable\" data-rows=\""
              << static_cast<int64_t>(rows) << "\">\n<thead><tr>";
        HtmlHeadings headings(page_);
        totalColumns(headings, TotalRow());
        page_ << "</thead>\n<tbody>";
        // The rows in name order, each a changed total or one alike in both files.
        std::vector<TotalRow> order;
        order.reserve(rows);
        for (size_t i = 0, j = 0; i < changed.size() || j < same.size();) {
            if (j == same.size() || (i < changed.size() && changed[i].name < same[j].name))
                order.push_back({&changed[i++], nullptr});
            else
                order.push_back({nullptr, &same[j++]});
        }
        const bool large = rows > kHtmlLargeRows;
        std::vector<uint8_t> sameRun(rows, 0);
        if (large) {
            for (size_t r = 0; r < rows;) {
                size_t end = r;
                while (end < rows && order[end].same) ++end;
                if (end - r >= kSameRun) std::fill(sameRun.begin() + r, sameRun.begin() + end, 1);
                r = end == r ? r + 1 : end;
            }
        }
        HtmlCells cells(page_);
        bool pieceSame = sameRun.empty() ? false : sameRun[0], later = false;
        size_t inPiece = 0;
        for (size_t r = 0; r < rows; ++r) {
            if (sameRun[r] != pieceSame || inPiece >= kHtmlPieceRows) {
                if (large)
                    page_ << "</tbody>\n</table>" << (later ? kHtmlLaterEnd : "") << kHtmlLaterStart
                          << "<table class=\"total-changes piece-of\"><tbody>";
                else
                    page_ << "</tbody><tbody>";
                pieceSame = sameRun[r];
                later = large;
                inPiece = 0;
            }
            ++inPiece;
            if (order[r].changed) {
                page_ << "<tr";
                if (anchored) page_ << " id=a" << page_.name(order[r].name()).number;
                page_ << " data-changed>";
            } else {
                page_ << "<tr>";
            }
            totalColumns(cells, order[r]);
        }
        page_ << "</tbody>\n</table>" << (later ? kHtmlLaterEnd : "") << "\n";
    }

    // One row per member, its changed lines listed by parent.
    void whereUsed(const std::vector<WhereUsedDifference>& lines, std::string_view what) {
        if (lines.empty()) {
            page_ << "<p class=\"none\">No line of a " << what << " changed.</p>\n";
            return;
        }
        size_t rows = 0;
        for (size_t i = 0; i < lines.size(); ++i) rows += i == 0 || lines[i].name != lines[i - 1].name;
        page_ << "<p class=\"legend\">Each changed line of a block, seen from its member: the quantity in the old "
                 "block and in the new one, and the block, which leads to its changes.</p>\n"
                 "<table class=\"where-used-changes narrowable\" data-members data-rows=\""
              << static_cast<int64_t>(rows) << "\">\n<thead><tr>";
        HtmlHeadings headings(page_);
        memberLinesColumns(headings, lines, 0, 0);
        page_ << "</thead>\n<tbody>";
        HtmlTablePieces pieces(page_, "where-used-changes", lines.size());
        HtmlCells cells(page_);
        size_t inPiece = 0;
        for (size_t first = 0, end = 0; first < lines.size(); first = end) {
            if (inPiece >= kHtmlPieceRows) {
                pieces.next();
                inPiece = 0;
            }
            while (end < lines.size() && lines[end].name == lines[first].name) ++end;
            page_ << "<tr data-changed>";
            memberLinesColumns(cells, lines, first, end);
            inPiece += end - first;
        }
    }

    // A member and its changed lines, lines[first] up to lines[end].
    template <class To>
    void memberLinesColumns(To& to, const std::vector<WhereUsedDifference>& lines, size_t first, size_t end) {
        to.column("", "Name", [&] { page_ << page_.name(lines[first].name).html; });
        to.column("", "Changed lines", [&] {
            page_ << "<ul class=\"lines\">";
            for (size_t i = first; i < end; ++i) {
                const WhereUsedDifference& w = lines[i];
                page_ << "<li><i>";
                quantity(w.oldQuantity);
                page_ << "</i> &#x2192; <i>";
                quantity(w.newQuantity);
                page_ << "</i> in ";
                link(w.parent, false);
                page_ << " ";
                changeMark(markOf(w.oldQuantity, w.newQuantity));
            }
            page_ << "</ul>";
        });
    }

    HtmlPage& page_;
    const Comparison& c_;
    const SectionSelection& sections_;
    HtmlPlaces places_{page_};
};

}  // namespace

int writeHtml(OutputFile& file, const ComparisonDocument& document) {
    HtmlPage page(file, document.comparison.encoding);
    ComparisonPage(page, document).write();
    return page.finish();
}

}  // namespace trelk
