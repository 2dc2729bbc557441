// The frame every HTML page of Trelk shares: one self-contained HTML5 file in UTF-8, its style and
// script inline (engine/writing/html_page.css and .js), a Content-Security-Policy that lets the
// browser fetch nothing at all and run only that script, and every text of the export escaped. A
// page kind writes its body between begin() and finish(), its long lists and tables in pieces
// (below); the script's behaviour comes from markup alone (see html_page.js), so a new kind needs
// no script of its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/files/file_system.h"
#include "engine/writing/output_buffer.h"
#include "text/text_codec.h"

namespace trelk {

// The text as HTML character data or a quoted attribute value: & < > " ' escaped, and a CR kept as
// a reference (the parser would turn it into LF). The text is UTF-8.
void appendHtmlEscaped(std::string& to, std::string_view text);
std::string htmlEscaped(std::string_view text);

// The policy of every page: no fetch of any kind, and only the page's own style and script (their
// form for a page with attribute columns, or the plain one).
std::string htmlContentSecurityPolicy(bool attributeColumns = false);

class HtmlPage {
public:
    HtmlPage(OutputFile& file, TextEncoding encoding);
    HtmlPage(const HtmlPage&) = delete;
    HtmlPage& operator=(const HtmlPage&) = delete;

    // Everything up to the start of the body. `title` is UTF-8; `kind` names the page kind in the
    // body's data-page attribute. A page that shows an export's attribute columns takes the style and
    // script that lay them out and sort their decimals; one without them, the plain form.
    void begin(std::string_view title, std::string_view kind, bool attributeColumns = false);
    // The rest: the script and the end of the document. The error number of a failed write, or 0.
    int finish();

    OutputBuffer& out() { return out_; }
    HtmlPage& operator<<(std::string_view html) {
        out_ << html;
        return *this;
    }
    HtmlPage& operator<<(int64_t number);

    // A name of the export: converted to UTF-8 and escaped once however often it is written (a
    // large BOM repeats its names hundreds of thousands of times), and numbered in the order the
    // page first meets it, for the ids that links lead to.
    struct Name {
        std::string html;
        uint32_t number;
    };
    const Name& name(std::string_view exportName);
    // A text of the system (the file name, a log line), escaped.
    HtmlPage& systemText(std::string_view text);

private:
    OutputBuffer out_;
    TextEncoding encoding_;
    bool attributeColumns_ = false;
    std::unordered_map<std::string_view, Name> names_;
};

// Where on a page a link to a name can lead: a set of places (bits of the page's own choosing), by
// the name's number.
class HtmlPlaces {
public:
    explicit HtmlPlaces(HtmlPage& page) : page_(page) {}
    void mark(std::string_view name, uint8_t place) {
        const uint32_t number = page_.name(name).number;
        if (places_.size() <= number) places_.resize(number + 1, 0);
        places_[number] |= place;
    }
    uint8_t of(uint32_t number) const { return number < places_.size() ? places_[number] : 0; }

private:
    HtmlPage& page_;
    std::vector<uint8_t> places_;
};

// The columns of a page's table, each in one place: one function per table names every column's
// heading beside what a row writes in its cell,
//   to.column("data-sort=\"number\"", "Total", [&] { page << total; });
// and is called with HtmlHeadings for the table's head and with HtmlCells for each row, after the
// row's "<tr ...>". The heading is the th's attributes (or none) and its label. A column whose cells
// carry attributes of their own names them too, by a function that writes them for the row:
//   to.column("class=\"num\"", "Mass", [&] { page << " class=\"num\""; }, [&] { page << mass; });
class HtmlHeadings {
public:
    explicit HtmlHeadings(HtmlPage& page) : page_(page) {}
    template <class Cell>
    void column(std::string_view attributes, std::string_view label, Cell&&) {
        page_ << "<th scope=\"col\"";
        if (!attributes.empty()) page_ << " " << attributes;
        page_ << ">" << label;
    }
    template <class CellAttributes, class Cell>
    void column(std::string_view attributes, std::string_view label, CellAttributes&&, Cell&& cell) {
        column(attributes, label, cell);
    }

private:
    HtmlPage& page_;
};
class HtmlCells {
public:
    explicit HtmlCells(HtmlPage& page) : page_(page) {}
    template <class Cell>
    void column(std::string_view, std::string_view, Cell&& cell) {
        page_ << "<td>";
        cell();
    }
    template <class CellAttributes, class Cell>
    void column(std::string_view, std::string_view, CellAttributes&& attributes, Cell&& cell) {
        page_ << "<td";
        attributes();
        page_ << ">";
        cell();
    }

private:
    HtmlPage& page_;
};
// Counts the columns.
struct HtmlColumnCount {
    size_t count = 0;
    template <class Cell>
    void column(std::string_view, std::string_view, Cell&&) {
        ++count;
    }
    template <class CellAttributes, class Cell>
    void column(std::string_view, std::string_view, CellAttributes&&, Cell&&) {
        ++count;
    }
};

// Long lists and tables go into pieces of this many rows, each of which the browser lays out only
// when it comes near the window (content-visibility).
inline constexpr size_t kHtmlPieceRows = 250;
// A list or table of more than this many rows is large: of it only the first piece is parsed with
// the page; the others are parsed when they are needed, so that a page of a million rows is soon
// ready (and a large tree starts with the main assembly's items, each sub-assembly folded).
inline constexpr size_t kHtmlLargeRows = 2000;
// A list, or a piece of one.
inline constexpr std::string_view kHtmlListStart = "\n<div class=\"piece\"><ul>";
inline constexpr std::string_view kHtmlListEnd = "</ul></div>";
// Around a piece that the browser parses only when it is needed: while scripts run, the content of
// a noscript element is one text, read in no time, which the page's script makes into elements as
// the piece comes near the window, or the filter, a sort or a link needs it; without script it is
// shown as it is. Such pieces cannot nest: the tree holds one that would start inside another
// apart, after itself, with a slot where it belongs (engine/writing/html_results.cpp).
inline constexpr std::string_view kHtmlLaterStart = "\n<div class=\"later\"><noscript>";
inline constexpr std::string_view kHtmlLaterEnd = "</noscript></div>";

// A run's log lines as a list that starts open, headed by `title` and the number of lines, problems
// and warnings: a difference from the export's own summary is a warning (the totals stand, the
// export may be stale), an abnormal error of the roll-up a problem (the totals may be wrong); each
// is marked by a symbol and a word as well as by its colour.
void writeHtmlLog(HtmlPage& page, std::string_view title, const std::vector<std::string>& lines);

// Beside the filter box: what it keeps besides the names that hold its text.
inline constexpr std::string_view kHtmlFilterHint =
    " <small>Names that hold the text stay, and so do the members of an assembly whose name holds it, but in "
    "the totals.</small>";

// The pieces of a table whose head and first tbody the caller has written; the caller writes rows
// (<tr> and cells, no end tag) and calls next() between pieces. A large table ends after its first
// piece; each further piece is a table of its own, parsed later, that the script counts to the
// first one. The destructor ends the table.
class HtmlTablePieces {
public:
    // `kind` is the table's class (its style), `rows` the rows (or lines) it will hold.
    HtmlTablePieces(HtmlPage& page, std::string_view kind, size_t rows);
    ~HtmlTablePieces();
    HtmlTablePieces(const HtmlTablePieces&) = delete;
    HtmlTablePieces& operator=(const HtmlTablePieces&) = delete;

    void next();

private:
    HtmlPage& page_;
    std::string_view kind_;
    bool large_;
    bool later_ = false;
};

}  // namespace trelk
