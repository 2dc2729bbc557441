#include "engine/reading/layout_reader.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <map>
#include <set>
#include <unordered_map>

#include "engine/reading/line_classifier.h"
#include "engine/reading/line_match.h"
#include "text/text_codec.h"
#include "text/text_rules.h"

namespace trelk {

namespace messages {
std::string doesNotFit(const LayoutMisfit& misfit) {
    return "BOM file line " + std::to_string(misfit.line) + std::string(kDoesNotFit) + misfit.expected +
           " there: " + misfit.text;
}
std::string roundedQuantity(uint32_t line, std::string_view printed, int64_t counted, std::string_view item) {
    return "Quantity " + std::string(printed) + " is no whole number in line " + std::to_string(line) +
           ", counted as " + std::to_string(counted) + ": abnormal error! - " + std::string(item);
}
}  // namespace messages

namespace {

constexpr size_t kNone = ~size_t{0};
// Names left as printed, each said in a line of its own; then one line says how many more.
constexpr size_t kAmbiguousLines = 20;

// A printed quantity: its value rounded to a whole number (halves to even), and whether it was one.
struct QuantityText {
    bool number = false;
    int64_t value = 0;
    bool whole = true;
    bool outOfRange = false;  // beyond the 32-bit range of a quantity
};
QuantityText readQuantityText(std::string_view text) {
    QuantityText q;
    if (!startsWithNumber(text)) return q;
    q.number = true;
    const LeadingNumber n = readLeadingNumber(text);
    q.value = n.value;
    q.outOfRange =
        n.outOfRange || n.value < std::numeric_limits<int32_t>::min() || n.value > std::numeric_limits<int32_t>::max();
    const size_t point = text.find('.');
    if (point != std::string_view::npos)
        for (size_t i = point + 1; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            if (text[i] != '0') q.whole = false;
    return q;
}

// A name or type word as a row prints it: possibly cut at the precision of its field.
struct Printed {
    std::string text;
    bool cut = false;     // as long as the field's precision: perhaps the start of a longer one
    std::string printed;  // the text as printed, before a cut one was matched to its longer form
};

Printed printedOf(const FieldValue& v, bool utf8) {
    Printed p;
    p.text = v.text;
    p.printed = v.text;
    const int cutAt = v.field->format.cutAt();
    p.cut = cutAt > 0 && CharLine(p.text, utf8).size() == static_cast<size_t>(cutAt);
    return p;
}

// A cell's text as one item's attribute.
struct CellText {
    size_t column = 0;
    std::string text;
    bool cut = false;  // printed at its field's precision: perhaps the start of a longer text
};

struct RowRead {
    uint32_t line = 0;
    std::string quantity;
    Printed type, name;
    bool untyped = false;  // no type word: its kind is decided by its name
    std::vector<CellText> attributes;
    ItemKind kind = ItemKind::None;
};

struct SectionRead {
    uint32_t line = 0;
    Printed name, type;
    std::vector<CellText> attributes;
    std::vector<RowRead> rows;
    std::vector<std::pair<const LayoutField*, std::pair<std::string, uint32_t>>> totals;  // field, value, line
};

// A field of the last row that may go on below its cell, and where its text goes.
// The rest of such a text stands on the next line from where the field before it ends (the
// literal text before the field is not printed there): "      pe" under "     1 Unterbaugrup".
struct Wrapping {
    size_t restBegin = 0, restEnd = 0;  // the characters its rest may take
    std::string* into = nullptr;        // the row's name, type or attribute
    std::string text;                   // the text so far, as printed (not trimmed)
    size_t hidden = 0;                  // blanks it ended with where the line ended
    size_t width = 0;
};

class Reader {
public:
    Reader(const ExportLayout& layout, bool utf8) : layout_(layout), utf8_(utf8) {
        for (const LineTemplate& line : layout.prolog) prolog_.push_back(prepareLine(line, utf8));
        if (layout.breakdown) prepareSection(0, *layout.breakdown);
        if (layout.summary) prepareSection(1, *layout.summary);
    }

    void read(const std::vector<std::string_view>& lines, LayoutReading& out) {
        lineCount_ = lines.size();
        lines_ = &lines;
        for (size_t i = 0; i < lines.size() && !stopped_; ++i) {
            const std::string_view line = lines[i];
            if (trimBlanks(line).empty()) {
                if (stage_ == Stage::Rows && sections_[section_].emptyEndsRows && !current_->rows.empty()) {
                    wrapping_.clear();
                    index_ = 0;
                    stage_ = !sections_[section_].trailer.empty() ? Stage::Trailer
                             : section_ == 1                      ? Stage::Done
                                                                  : Stage::Between;
                }
                continue;
            }
            const uint32_t number = static_cast<uint32_t>(i + 1);
            at_ = i;
            if (!step(line, number)) {
                LayoutMisfit m;
                m.line = number;
                const CharLine chars(line, utf8_);
                m.text = std::string(chars.slice(0, std::min<size_t>(chars.size(), 60)));
                m.expected = expected();
                out.misfit = std::move(m);
                return;
            }
        }
        finish(out);
    }

private:
    enum class Stage : uint8_t { Prolog, Heading, Titles, Rows, Trailer, Between, Done };
    enum class Kind : uint8_t { Prolog, Start, Heading, Titles, Row, Continuation, Trailer };

    struct SectionTemplates {
        const SectionLayout* layout = nullptr;
        std::vector<PreparedLine> heading, titles, trailer;  // the trailer without its empty lines
        bool emptyEndsRows = false;
        PreparedLine row;
        std::vector<size_t> rowColumns;  // Printed rows: the attribute column of each piece, or kNone
        // Separator and Blanks rows: the titles of their cells, from the first title row
        std::vector<std::string> cellTitles;
    };

    struct Candidate {
        Kind kind;
        int section;
        size_t index;
        LineMatch match;
    };

    void prepareSection(int s, const SectionLayout& layout) {
        SectionTemplates& t = sections_[s];
        t.layout = &layout;
        for (const LineTemplate& line : layout.heading) t.heading.push_back(prepareLine(line, utf8_));
        for (const LineTemplate& line : layout.titles) t.titles.push_back(prepareLine(line, utf8_));
        // Empty lines are skipped wherever they stand; only the first line after the rows, when it
        // is an empty one, says where the rows end (a summary without heading may follow).
        t.emptyEndsRows = !layout.trailer.empty() && layout.trailer.front().literalOnly();
        for (const LineTemplate& line : layout.trailer)
            if (!line.literalOnly()) t.trailer.push_back(prepareLine(line, utf8_));
        const RowLayout& row = layout.row;
        if (row.split == RowLayout::Split::Printed) {
            t.row = prepareLine(row.printed, utf8_, layout.titles);
            t.rowColumns.assign(t.row.pieces.size(), kNone);
            for (size_t k = 0; k < t.row.pieces.size(); ++k) {
                const TemplatePiece& p = t.row.pieces[k];
                if (!p.isField || p.field->role != FieldRole::Parameter) continue;
                t.rowColumns[k] = column(p.field->parameter, printedTitle(layout, p.cell, *p.field));
            }
        } else if (!layout.titles.empty()) {
            for (const std::vector<LinePiece>& cell : layout.titles.front().cells) {
                std::string title;
                for (const LinePiece& piece : cell)
                    if (!piece.isField) title += piece.text;
                t.cellTitles.emplace_back(trimBlanks(title));
            }
        }
    }

    // The title over a parameter of a printed row: its cell's titles, without the literal text
    // the row's cell starts with ('|'), when the parameter is the cell's only field; else none.
    static std::string printedTitle(const SectionLayout& layout, size_t cell, const LayoutField& field) {
        const std::vector<LinePiece>& rowCell = layout.row.printed.cells[cell];
        size_t fields = 0;
        for (const LinePiece& piece : rowCell) fields += piece.isField && piece.field.role != FieldRole::Ignored;
        if (fields != 1) return "";
        const std::string lead = !rowCell.empty() && !rowCell.front().isField ? rowCell.front().text : "";
        std::string title;
        for (const LineTemplate& line : layout.titles) {
            if (cell >= line.cells.size()) continue;
            std::string text;
            for (const LinePiece& piece : line.cells[cell])
                if (!piece.isField) text += piece.text;
            std::string_view t = text;
            const std::string_view bare = trimBlanks(lead);
            t = trimBlanks(t);
            if (!bare.empty() && t.substr(0, bare.size()) == bare) t = trimBlanks(t.substr(bare.size()));
            if (t.empty()) continue;
            if (!title.empty()) title += ' ';
            title += t;
        }
        (void)field;
        return title;
    }

    size_t column(const std::string& key, const std::string& title, bool parameter = true) {
        const std::string k = (parameter ? "%" : "#") + key;
        const auto found = columnIndex_.find(k);
        if (found != columnIndex_.end()) {
            AttributeColumn& c = attributes_.columns[found->second];
            if (c.title == c.parameter && !title.empty()) c.title = title;
            return found->second;
        }
        AttributeColumn c;
        c.parameter = parameter ? key : "";
        c.title = !title.empty() ? title : parameter ? key : "column " + key;
        attributes_.columns.push_back(std::move(c));
        columnIndex_.emplace(k, attributes_.columns.size() - 1);
        return attributes_.columns.size() - 1;
    }

    LineMatch tryLine(const PreparedLine& t, std::string_view line) const { return matchLine(t, line, utf8_); }

    // A new block, or the summary: its whole heading (or its title rows, when it has none) fits the
    // lines that come, whose literal text counts all together, so that two headings that begin
    // alike (label lines above a block and above the summary) are told apart by the lines after.
    void tryStart(int s, std::string_view line, std::vector<Candidate>& out) {
        const SectionTemplates& t = sections_[s];
        if (!t.layout || (s == 1 && summaryStarted_)) return;
        if (t.heading.empty() && t.titles.empty()) {
            LineMatch m = rowMatch(s, line);
            if (m.fits) out.push_back({Kind::Start, s, 0, std::move(m)});
            return;
        }
        LineMatch first;
        int score = 0;
        size_t next = at_;
        const size_t count = t.heading.empty() ? t.titles.size() : t.heading.size();
        for (size_t j = 0; j < count; ++j, ++next) {
            while (next < lines_->size() && trimBlanks((*lines_)[next]).empty()) ++next;
            if (next == lines_->size()) break;  // the file ends inside the heading: its lines so far
            const std::string_view text = (*lines_)[next];
            LineMatch m = t.heading.empty() ? titlesMatch(s, t.titles[j], text) : tryLine(t.heading[j], text);
            if (!m.fits) return;
            score += m.score;
            if (j == 0) first = std::move(m);
        }
        first.score = score;
        out.push_back({Kind::Start, s, 0, std::move(first)});
    }

    LineMatch titlesMatch(int s, const PreparedLine& t, std::string_view line) const {
        const RowLayout& row = sections_[s].layout->row;
        LineMatch m;
        m.fits = titlesFit(*t.source, line, row.split == RowLayout::Split::Separator ? row.separator : 0);
        m.score = static_cast<int>(t.source->literalText().size());
        return m;
    }

    // A row of the section: by its printed template, or cut into cells.
    LineMatch rowMatch(int s, std::string_view line) {
        const SectionTemplates& t = sections_[s];
        const RowLayout& row = t.layout->row;
        if (row.split == RowLayout::Split::Printed) {
            LineMatch m = tryLine(t.row, line);
            // A row names its member and has a quantity.
            if (m.fits)
                for (const FieldValue& v : m.values)
                    if ((v.field->role == FieldRole::Quantity && !startsWithNumber(v.text)) ||
                        (v.field->role == FieldRole::Name && v.text.empty()))
                        m.fits = false;
            return m;
        }
        return matchCells(row, line);
    }

    bool step(std::string_view line, uint32_t number) {
        std::vector<Candidate> found;
        const int s = section_;
        switch (stage_) {
        case Stage::Prolog:
            if (index_ < prolog_.size()) {
                LineMatch m = tryLine(prolog_[index_], line);
                if (m.fits) found.push_back({Kind::Prolog, 0, index_, std::move(m)});
            }
            if (index_ + 1 >= prolog_.size() || found.empty()) {
                tryStart(0, line, found);
                tryStart(1, line, found);
            }
            break;
        case Stage::Heading: {
            LineMatch m = tryLine(sections_[s].heading[index_], line);
            if (m.fits) found.push_back({Kind::Heading, s, index_, std::move(m)});
            break;
        }
        case Stage::Titles: {
            LineMatch m = titlesMatch(s, sections_[s].titles[index_], line);
            if (m.fits) found.push_back({Kind::Titles, s, index_, std::move(m)});
            break;
        }
        case Stage::Rows: {
            LineMatch row = rowMatch(s, line);
            if (row.fits) found.push_back({Kind::Row, s, 0, std::move(row)});
            const bool trailer = !sections_[s].trailer.empty();
            if (trailer) {
                LineMatch m = tryLine(sections_[s].trailer[0], line);
                if (m.fits) found.push_back({Kind::Trailer, s, 0, std::move(m)});
            }
            // The next block or the summary comes after the lines that follow the rows; only
            // when there are none does it follow the rows themselves.
            if (s == 0 && !trailer) {
                tryStart(0, line, found);
                tryStart(1, line, found);
            }
            if (found.empty() && continues(line)) return true;
            if (s == 0 && trailer && found.empty()) {  // the lines after the rows are missing
                tryStart(0, line, found);
                tryStart(1, line, found);
            }
            break;
        }
        case Stage::Trailer: {
            LineMatch m = tryLine(sections_[s].trailer[index_], line);
            if (m.fits) found.push_back({Kind::Trailer, s, index_, std::move(m)});
            if (s == 0 && found.empty()) {
                tryStart(0, line, found);
                tryStart(1, line, found);
            }
            break;
        }
        case Stage::Between:
            tryStart(0, line, found);
            tryStart(1, line, found);
            break;
        case Stage::Done: break;
        }
        if (found.empty()) {
            // After the summary's rows the export may go on with sections of its own (a tool
            // list): they are no part of the format and are left unread, and the log says so.
            if (section_ == 1 && (stage_ == Stage::Done || (stage_ == Stage::Rows && !current_->rows.empty()) ||
                                  stage_ == Stage::Trailer)) {
                notes_.push_back("Lines of the BOM file after its summary of parts are not read: from line " +
                                 std::to_string(number) + " on");
                stopped_ = true;
                return true;
            }
            return false;
        }
        // The candidate with the most literal text fits best: a header is never taken for a row
        // that happens to fit too. Among equals, the one tried first.
        const auto best = std::max_element(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
            return a.match.score < b.match.score;
        });
        take(*best, line, number);
        return true;
    }

    void take(Candidate& c, std::string_view line, uint32_t number) {
        wrapping_.clear();
        switch (c.kind) {
        case Kind::Prolog:
            takeFields(c.match, main_);
            index_ = c.index + 1;
            return;
        case Kind::Start: {
            section_ = c.section;
            SectionTemplates& t = sections_[section_];
            if (section_ == 0) {
                blocks_.emplace_back();
                current_ = &blocks_.back();
            } else {
                summaryStarted_ = true;
                current_ = &summary_;
            }
            current_->line = number;
            if (!t.heading.empty()) {
                stage_ = Stage::Heading;
                c.kind = Kind::Heading;
            } else if (!t.titles.empty()) {
                stage_ = Stage::Titles;
                c.kind = Kind::Titles;
            } else {
                stage_ = Stage::Rows;
                c.kind = Kind::Row;
            }
            c.index = 0;
            take(c, line, number);
            return;
        }
        case Kind::Heading: {
            takeFields(c.match, *current_);
            const SectionTemplates& t = sections_[section_];
            index_ = c.index + 1;
            if (index_ < t.heading.size()) return;
            index_ = 0;
            stage_ = t.titles.empty() ? Stage::Rows : Stage::Titles;
            return;
        }
        case Kind::Titles:
            index_ = c.index + 1;
            if (index_ == sections_[section_].titles.size()) stage_ = Stage::Rows;
            return;
        case Kind::Row:
            takeRow(c.match, line, number);
            stage_ = Stage::Rows;
            return;
        case Kind::Continuation: return;
        case Kind::Trailer: {
            for (FieldValue& v : c.match.values)
                if (v.field->role == FieldRole::Total) current_->totals.push_back({v.field, {v.text, number}});
            index_ = c.index + 1;
            stage_ = Stage::Trailer;
            if (index_ == sections_[section_].trailer.size()) stage_ = section_ == 1 ? Stage::Done : Stage::Between;
            return;
        }
        }
    }

    // The fields of a header, the summary's heading or the prolog: the assembly's name and type
    // word, and its own parameters.
    void takeFields(const LineMatch& m, SectionRead& into) {
        for (const FieldValue& v : m.values) {
            switch (v.field->role) {
            case FieldRole::Name: into.name = printedOf(v, utf8_); break;
            case FieldRole::Type: into.type = printedOf(v, utf8_); break;
            case FieldRole::Parameter:
                into.attributes.push_back({column(v.field->parameter, ""), v.text, printedOf(v, utf8_).cut});
                break;
            default: break;
            }
        }
    }

    void takeRow(const LineMatch& m, std::string_view line, uint32_t number) {
        const SectionTemplates& t = sections_[section_];
        current_->rows.emplace_back();
        RowRead& row = current_->rows.back();
        row.line = number;
        const bool printed = t.layout->row.split == RowLayout::Split::Printed;
        const CharLine chars(line, utf8_);
        row.attributes.reserve(m.values.size());  // the wrapping texts point into it
        for (const FieldValue& v : m.values) {
            std::string* into = nullptr;
            if (!v.field) {  // a cell of a row cut into cells, taken by no role
                const std::string cell = std::to_string(v.piece + 1);
                const std::string title = v.piece < t.cellTitles.size() ? t.cellTitles[v.piece] : "";
                row.attributes.push_back({column(cell, title, false), v.text, false});
                continue;
            }
            switch (v.field->role) {
            case FieldRole::Quantity: row.quantity = v.text; break;
            case FieldRole::Type:
                row.type = printedOf(v, utf8_);
                into = &row.type.text;
                break;
            case FieldRole::Name:
                row.name = printedOf(v, utf8_);
                into = &row.name.text;
                break;
            case FieldRole::Parameter:
                // A row cut into cells names a parameter's column by its cell's title.
                row.attributes.push_back(
                    {printed ? t.rowColumns[v.piece]
                             : column(v.field->parameter, v.piece < t.cellTitles.size() ? t.cellTitles[v.piece] : ""),
                     v.text, printedOf(v, utf8_).cut});
                into = &row.attributes.back().text;
                break;
            default: break;
            }
            // A text that fills its width exactly may go on below its cell.
            const FieldFormat& f = v.field->format;
            // A text that fills its width may go on below; so may one that ends the line, whose
            // trailing blanks the line lost.
            const size_t width = static_cast<size_t>(f.width), extent = v.end - v.begin;
            if (into && printed && f.wraps() && !chars.blank(v.begin) &&
                (extent == width || (extent < width && v.end == chars.size()))) {
                Wrapping w;
                w.restBegin = v.restBegin;
                w.restEnd = std::max(v.end, w.restBegin + width);
                w.into = into;
                w.text = std::string(chars.slice(v.begin, v.end));
                w.hidden = width - extent;
                w.width = width;
                wrapping_.push_back(std::move(w));
            }
        }
        if (!wrapping_.empty()) rowLine_ = std::string(line);
    }

    // A line that holds the rest of texts of the last row that were wider than their fields: its
    // characters where the rests stand, blanks elsewhere (or the row's own literal text there).
    bool continues(std::string_view line) {
        if (wrapping_.empty()) return false;
        const CharLine chars(line, utf8_);
        const CharLine row(rowLine_, utf8_);
        std::vector<size_t> first(wrapping_.size(), kNone), last(wrapping_.size(), 0);
        for (size_t x = 0; x < chars.size(); ++x) {
            if (chars.blank(x) || chars.first(x) == '\t') continue;
            size_t best = kNone, bestDistance = kNone;
            for (size_t i = 0; i < wrapping_.size(); ++i) {
                const Wrapping& w = wrapping_[i];
                if (x < w.restBegin || x >= w.restEnd) continue;
                const size_t distance = x - w.restBegin;
                if (distance < bestDistance) {
                    best = i;
                    bestDistance = distance;
                }
            }
            if (best == kNone) {
                if (x < row.size() && row.slice(x, x + 1) == chars.slice(x, x + 1)) continue;
                return false;
            }
            first[best] = std::min(first[best], x);
            last[best] = x;
        }
        bool any = false;
        std::vector<Wrapping> still;
        for (size_t i = 0; i < wrapping_.size(); ++i) {
            if (first[i] == kNone) continue;
            any = true;
            Wrapping& w = wrapping_[i];
            const std::string_view rest = chars.slice(w.restBegin, last[i] + 1);
            w.text.append(w.hidden, ' ');
            w.text += rest;
            *w.into = std::string(trimBlanks(w.text));
            // A rest as wide as the field may go on once more, or one that ends the line.
            const size_t length = last[i] + 1 - w.restBegin;
            w.hidden = last[i] + 1 == chars.size() && length < w.width ? w.width - length : 0;
            if (length + w.hidden == w.width) still.push_back(w);
        }
        if (!any) return false;
        wrapping_ = std::move(still);
        return true;
    }

    std::string expected() const {
        const bool breakdown = sections_[0].layout != nullptr, summary = sections_[1].layout != nullptr;
        std::string starts = breakdown && summary ? "a block header or the summary"
                             : breakdown          ? "a block header"
                                                  : "the summary";
        switch (stage_) {
        case Stage::Prolog: return index_ < prolog_.size() ? "the text before its first section" : starts;
        case Stage::Heading: return section_ == 0 ? "the rest of a block header" : "the rest of the summary's heading";
        case Stage::Titles: return "the column titles";
        case Stage::Rows:
            return section_ == 0 ? "a row, the lines after the rows, " + starts
                                 : "a row or the lines after the rows of the summary";
        case Stage::Trailer: return "the lines after the rows";
        case Stage::Between: return starts;
        case Stage::Done: break;
        }
        return "nothing";
    }

    void finish(LayoutReading& out);
    template <class Resolve, class LeftAsPrinted>
    void breakRings(const class NameForms& parts, Resolve& resolve, LeftAsPrinted& leftAsPrinted);

    const ExportLayout& layout_;
    bool utf8_;
    std::vector<PreparedLine> prolog_;
    SectionTemplates sections_[2];
    Stage stage_ = Stage::Prolog;
    int section_ = 0;
    size_t index_ = 0;
    bool summaryStarted_ = false, stopped_ = false;
    size_t lineCount_ = 0;

    SectionRead main_;  // the prolog's fields
    std::deque<SectionRead> blocks_;
    SectionRead summary_;
    SectionRead* current_ = nullptr;
    std::vector<Wrapping> wrapping_;
    std::string rowLine_;
    const std::vector<std::string_view>* lines_ = nullptr;
    size_t at_ = 0;  // the line being read

    ItemAttributes attributes_;
    std::map<std::string, size_t> columnIndex_;
    std::vector<std::string> notes_;
};

std::string counted(size_t count, const std::string& thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

// The forms in which the export prints the names of one kind of item, some of them cut.
class NameForms {
public:
    void add(const std::string& text, bool cut) {
        forms_.push_back(text);
        if (!cut) complete_.insert(text);
    }
    void seal() {
        std::sort(forms_.begin(), forms_.end());
        forms_.erase(std::unique(forms_.begin(), forms_.end()), forms_.end());
    }
    bool complete(const std::string& text) const { return complete_.count(text) != 0; }
    // Some form is the text or starts with it.
    bool startWith(const std::string& text) const {
        const auto at = std::lower_bound(forms_.begin(), forms_.end(), text);
        return at != forms_.end() && at->compare(0, text.size(), text) == 0;
    }

    enum class Longer : uint8_t { None, One, Several };
    // The longest form that starts with `cut`, when the longer forms are all starts of it and
    // `cut` and they are no complete names themselves.
    Longer longer(const std::string& cut, std::string& form) const {
        auto at = std::upper_bound(forms_.begin(), forms_.end(), cut);
        const std::string* longest = nullptr;
        size_t count = 0;
        for (; at != forms_.end() && at->compare(0, cut.size(), cut) == 0; ++at, ++count)
            if (!longest || at->size() > longest->size()) longest = &*at;
        if (!longest) return Longer::None;
        // The longer forms are one name's when each is a start of the longest and cut itself: a
        // shorter one printed whole is another item's name.
        for (auto it = std::upper_bound(forms_.begin(), forms_.end(), cut); count-- > 0; ++it)
            if (longest->compare(0, it->size(), *it) != 0 || (&*it != longest && complete(*it))) return Longer::Several;
        if (complete(cut)) return Longer::Several;
        form = *longest;
        return Longer::One;
    }

private:
    std::vector<std::string> forms_;
    std::set<std::string> complete_;
};

// No assembly holds itself, directly or through others: of the rows without a type word on such a
// ring, one names a part. A cut name matched to an assembly's is the likelier mistake (a part's
// name may start the same way); without one, the row that closes the ring names the part of that
// name. Other rows that print the same cut name may then stand for the part as well as for the
// assembly.
template <class Resolve, class LeftAsPrinted>
void Reader::breakRings(const NameForms& parts, Resolve& resolve, LeftAsPrinted& leftAsPrinted) {
    std::map<std::string, size_t> blockOf;
    for (size_t b = 0; b < blocks_.size(); ++b) blockOf.emplace(blocks_[b].name.text, b);
    std::set<std::string> partsPrintedAlike;
    for (bool broken = true; broken && !blocks_.empty();) {
        broken = false;
        // Depth first from the main assembly: 1 on the path, 2 done.
        std::vector<uint8_t> state(blocks_.size(), 0);
        std::vector<std::pair<size_t, size_t>> path{{0, 0}};  // block, next row
        state[0] = 1;
        while (!path.empty()) {
            const size_t block = path.back().first;
            std::vector<RowRead>& rows = blocks_[block].rows;
            if (path.back().second == rows.size()) {
                state[block] = 2;
                path.pop_back();
                continue;
            }
            RowRead& r = rows[path.back().second++];
            if (r.kind != ItemKind::SubAssembly) continue;
            const auto target = blockOf.find(r.name.text);
            if (target == blockOf.end()) continue;
            if (state[target->second] == 1) {
                // The rows of the ring: from the assembly met again down the path to this one.
                RowRead* part = r.untyped ? &r : nullptr;
                for (auto at = path.rbegin(); at != path.rend(); ++at) {
                    RowRead& edge = blocks_[at->first].rows[at->second - 1];
                    if (edge.untyped && edge.name.printed != edge.name.text) {
                        part = &edge;
                        break;
                    }
                    if (at->first == target->second) break;
                }
                if (!part) continue;  // type words say so: the roll-up says it contains itself
                part->kind = ItemKind::Part;
                if (part->name.printed != part->name.text) {
                    partsPrintedAlike.insert(part->name.printed);
                    part->name.text = part->name.printed;
                    part->name.cut = true;
                    resolve(part->name, parts);
                }
                broken = true;
                break;  // the path has changed: walk again
            } else if (state[target->second] == 0) {
                state[target->second] = 1;
                path.push_back({target->second, 0});
            }
        }
    }
    for (const SectionRead& b : blocks_)
        for (const RowRead& r : b.rows)
            if (r.untyped && r.kind == ItemKind::SubAssembly && partsPrintedAlike.count(r.name.printed))
                leftAsPrinted("name", r.name.printed);
}

void Reader::finish(LayoutReading& out) {
    out.summaryOnly = sections_[0].layout == nullptr;
    std::vector<std::string> ambiguous;
    size_t matchedTypes = 0;
    std::set<std::string> saidAmbiguous;
    auto leftAsPrinted = [&](const std::string& what, const std::string& text) {
        if (!saidAmbiguous.insert(what + text).second) return;
        ++out.ambiguous;
        if (ambiguous.size() < kAmbiguousLines)
            ambiguous.push_back("Cut " + what + " left as printed, it starts more than one in the BOM file: " + text);
        else if (ambiguous.size() == kAmbiguousLines)
            ambiguous.emplace_back("Further cut names left as printed are not listed");
    };

    // Type words: the settings' two, the word of the sub-assemblies' block headers, and a cut one
    // by the one word it starts.
    std::set<std::string> subWords{layout_.subAssemblyWord}, partWords{layout_.partWord};
    for (size_t b = 1; b < blocks_.size(); ++b)
        if (!blocks_[b].type.text.empty() && !blocks_[b].type.cut) subWords.insert(blocks_[b].type.text);
    NameForms types;
    for (const std::string& w : subWords) types.add(w, false);
    for (const std::string& w : partWords) types.add(w, false);
    for (const SectionRead& b : blocks_)
        for (const RowRead& r : b.rows)
            if (!r.type.text.empty()) types.add(r.type.text, r.type.cut);
    types.seal();
    std::set<std::string> matchedTypeWords;
    for (SectionRead& b : blocks_)
        for (RowRead& r : b.rows) {
            std::string& word = r.type.text;
            if (r.type.cut && !subWords.count(word) && !partWords.count(word)) {
                std::string full;
                const NameForms::Longer found = types.longer(word, full);
                if (found == NameForms::Longer::One) {
                    matchedTypeWords.insert(word);
                    word = full;
                } else if (found == NameForms::Longer::Several) {
                    leftAsPrinted("type word", word);
                }
            }
            r.kind = subWords.count(word)    ? ItemKind::SubAssembly
                     : partWords.count(word) ? ItemKind::Part
                                             : ItemKind::Member;
        }
    matchedTypes = matchedTypeWords.size();

    // A type word the settings do not name is the sub-assemblies' when most of its rows name an
    // assembly that has a block: by the rows whose names are whole, or when it has none, by those
    // whose cut names start a block's.
    std::set<std::string> withBlock;
    for (const SectionRead& b : blocks_) withBlock.insert(b.name.text);
    auto startsBlockName = [&](const std::string& cut) {
        const auto at = withBlock.lower_bound(cut);
        return at != withBlock.end() && at->compare(0, cut.size(), cut) == 0;
    };
    struct Votes {
        size_t whole = 0, wholeWithBlock = 0, cut = 0, cutWithBlock = 0;
    };
    std::map<std::string, Votes> votes;
    for (const SectionRead& b : blocks_)
        for (const RowRead& r : b.rows) {
            if (r.kind != ItemKind::Member || r.type.text.empty()) continue;
            Votes& v = votes[r.type.text];
            if (r.name.cut) {
                ++v.cut;
                v.cutWithBlock += startsBlockName(r.name.text);
            } else {
                ++v.whole;
                v.wholeWithBlock += withBlock.count(r.name.text);
            }
        }
    for (SectionRead& b : blocks_)
        for (RowRead& r : b.rows) {
            if (r.kind != ItemKind::Member || r.type.text.empty()) continue;
            const Votes& v = votes[r.type.text];
            const bool assembly = v.whole > 0 ? 2 * v.wholeWithBlock > v.whole : 2 * v.cutWithBlock > v.cut;
            r.kind = assembly ? ItemKind::SubAssembly : ItemKind::Part;
        }

    // Names: an assembly's by the forms of the block headers and the sub-assembly rows, a part's by
    // those of the summary and the part rows. Rows with no type word are either.
    NameForms assemblies, parts, knownParts;  // known: printed where only parts are
    for (const SectionRead& b : blocks_) assemblies.add(b.name.text, b.name.cut);
    for (const RowRead& r : summary_.rows) {
        parts.add(r.name.text, r.name.cut);
        knownParts.add(r.name.text, r.name.cut);
    }
    for (const SectionRead& b : blocks_)
        for (const RowRead& r : b.rows) {
            if (r.kind == ItemKind::SubAssembly) assemblies.add(r.name.text, r.name.cut);
            if (r.kind == ItemKind::Part) knownParts.add(r.name.text, r.name.cut);
            if (r.kind == ItemKind::Part || (r.kind == ItemKind::Member && !assemblies.complete(r.name.text)))
                parts.add(r.name.text, r.name.cut);
        }
    assemblies.seal();
    parts.seal();
    knownParts.seal();
    std::set<std::string> matchedNames;
    auto resolve = [&](Printed& name, const NameForms& forms) {
        if (!name.cut) return;
        std::string full;
        const NameForms::Longer found = forms.longer(name.text, full);
        if (found == NameForms::Longer::One) {
            matchedNames.insert(name.text);
            name.text = full;
            name.cut = false;
        } else if (found == NameForms::Longer::Several) {
            leftAsPrinted("name", name.text);
        }
    };
    for (SectionRead& b : blocks_) resolve(b.name, assemblies);
    withBlock.clear();
    for (const SectionRead& b : blocks_) withBlock.insert(b.name.text);
    for (RowRead& r : summary_.rows) resolve(r.name, parts);
    for (SectionRead& b : blocks_)
        for (RowRead& r : b.rows) {
            if (r.kind == ItemKind::SubAssembly) {
                resolve(r.name, assemblies);
                continue;
            }
            if (r.kind == ItemKind::Part) {
                resolve(r.name, parts);
                continue;
            }
            // No type word: an assembly when a block names it in full, or when its cut name starts
            // one block's name and no part's, that block not its own (no assembly holds itself);
            // else a part.
            if (r.name.cut) {
                std::string full;
                const NameForms::Longer block = assemblies.longer(r.name.text, full);
                const bool other = block == NameForms::Longer::One && full != b.name.text;
                if (block == NameForms::Longer::Several || (other && knownParts.startWith(r.name.text)))
                    leftAsPrinted("name", r.name.text);
                else if (other)
                    resolve(r.name, assemblies);
                else if (!withBlock.count(r.name.text))
                    resolve(r.name, parts);
            }
            r.untyped = true;
            r.kind =
                r.name.text != b.name.text && withBlock.count(r.name.text) ? ItemKind::SubAssembly : ItemKind::Part;
        }
    breakRings(parts, resolve, leftAsPrinted);
    // A member is listed once in a block, and a part once in the summary: a cut name printed twice
    // there stands for two items that print alike.
    auto twice = [&](const std::vector<RowRead>& rows) {
        std::set<std::pair<std::string, ItemKind>> seen;
        for (const RowRead& r : rows)
            if (r.name.cut && !seen.insert({r.name.text, r.kind}).second) leftAsPrinted("name", r.name.text);
    };
    for (const SectionRead& b : blocks_) twice(b.rows);
    twice(summary_.rows);
    if (matchedNames.size() + matchedTypes > 0)
        out.log.push_back("Cut names and type words matched to their longer forms in the BOM file: " +
                          counted(matchedNames.size(), "name") + ", " + counted(matchedTypes, "type word"));
    for (std::string& line : ambiguous) out.log.push_back(std::move(line));

    // The structure, as the other readings give it.
    size_t rows = summary_.rows.size();
    for (const SectionRead& b : blocks_) rows += b.rows.size();
    auto bom = std::make_shared<BomStructure>(rows);
    BomStructure::Assembler assembler(*bom, lineCount_);
    auto quantityOf = [&](const RowRead& r) {
        const QuantityText q = readQuantityText(r.quantity);
        if (!q.whole && !q.outOfRange) {
            ++out.roundedQuantities;
            out.log.push_back(messages::roundedQuantity(r.line, r.quantity, q.value, r.name.text));
        }
        return q;
    };
    const std::string mainName = !blocks_.empty()              ? blocks_.front().name.text
                                 : !summary_.name.text.empty() ? summary_.name.text
                                                               : main_.name.text;
    if (out.summaryOnly) {
        assembler.block(mainName);
        for (const RowRead& r : summary_.rows) {
            const QuantityText q = quantityOf(r);
            assembler.member(r.name.text, ItemKind::Part, static_cast<int32_t>(q.outOfRange ? 0 : q.value),
                             q.outOfRange, r.line);
        }
    } else {
        for (const SectionRead& b : blocks_) {
            assembler.block(b.name.text);
            for (const RowRead& r : b.rows) {
                const QuantityText q = quantityOf(r);
                assembler.member(r.name.text, r.kind, static_cast<int32_t>(q.outOfRange ? 0 : q.value), q.outOfRange,
                                 r.line);
            }
        }
        if (summaryStarted_) {
            assembler.summary();
            for (const RowRead& r : summary_.rows) {
                const QuantityText q = quantityOf(r);
                assembler.summaryRow(r.name.text, static_cast<int32_t>(q.outOfRange ? 0 : q.value));
            }
            for (const auto& total : summary_.totals)
                if (total.first->parameter == "$quantity") {
                    const QuantityText q = readQuantityText(total.second.first);
                    if (q.number && q.whole) assembler.summaryTotal(q.value);
                }
        }
    }
    assembler.finish();
    out.structure = std::move(bom);

    // The attributes, by item.
    std::unordered_map<std::string, size_t> itemIndex;
    auto give = [&](const std::string& name, ItemKind kind, const CellText& cell) {
        const size_t column = cell.column;
        if (cell.text.empty() || column == kNone) return;
        const std::string key = name + '\0' + static_cast<char>('0' + static_cast<int>(kind));
        auto [at, added] = itemIndex.emplace(key, attributes_.items.size());
        if (added) {
            ItemAttributeRow row;
            row.name = name;
            row.kind = kind;
            attributes_.items.push_back(std::move(row));
        }
        std::vector<ItemAttribute>& values = attributes_.items[at->second].values;
        if (values.size() <= column) values.resize(column + 1);
        ItemAttribute& a = values[column];
        const AttributeValue value = AttributeValue::of(cell.text);
        const bool longer = a.cut && value.text.size() > a.value.text.size() &&
                            value.text.compare(0, a.value.text.size(), a.value.text) == 0;
        const bool shorter = cell.cut && a.value.text.compare(0, value.text.size(), value.text) == 0;
        if (a.value.empty() || longer) {  // a text cut elsewhere, printed in full here
            a.value = value;
            a.cut = cell.cut;
        } else if (shorter) {
            // The same text, cut here.
        } else if (!a.value.agrees(value)) {
            a.disagrees = true;
        } else if (value.numeric && value.decimals > a.value.decimals) {
            a.value = value;  // the finer print of the same value
        } else {
            a.cut = a.cut && cell.cut;
        }
    };
    for (const CellText& cell : main_.attributes) give(mainName, ItemKind::SubAssembly, cell);
    for (const CellText& cell : summary_.attributes) give(mainName, ItemKind::SubAssembly, cell);
    for (const SectionRead& b : blocks_) {
        for (const CellText& cell : b.attributes) give(b.name.text, ItemKind::SubAssembly, cell);
        for (const RowRead& r : b.rows)
            for (const CellText& cell : r.attributes) give(r.name.text, r.kind, cell);
    }
    for (const RowRead& r : summary_.rows)
        for (const CellText& cell : r.attributes) give(r.name.text, ItemKind::Part, cell);
    auto listTotals = [&](const SectionRead& from, const std::string& assembly) {
        for (const auto& [field, value] : from.totals) {
            ListedTotal t;
            t.parameter = field->parameter;
            const auto found = columnIndex_.find("%" + t.parameter);
            if (found != columnIndex_.end()) {
                t.column = found->second;
            } else {
                // A recognised layout's total names its column by the title over its cells.
                for (size_t c = 0; c < attributes_.columns.size() && t.column == ListedTotal::kNoColumn; ++c)
                    if (attributes_.columns[c].parameter.empty() && attributes_.columns[c].title == t.parameter)
                        t.column = c;
            }
            t.assembly = assembly;
            t.value = AttributeValue::of(value.first);
            t.line = value.second;
            attributes_.totals.push_back(std::move(t));
        }
    };
    for (const SectionRead& b : blocks_) listTotals(b, b.name.text);
    listTotals(summary_, "");
    for (ItemAttributeRow& row : attributes_.items) row.values.resize(attributes_.columns.size());
    for (size_t c = 0; c < attributes_.columns.size(); ++c) {
        bool any = false, all = true;
        for (const ItemAttributeRow& row : attributes_.items) {
            const AttributeValue& v = row.values[c].value;
            if (v.empty()) continue;
            any = true;
            all = all && v.numeric;
        }
        attributes_.columns[c].numeric = any && all;
    }
    std::sort(attributes_.items.begin(), attributes_.items.end(),
              [](const ItemAttributeRow& a, const ItemAttributeRow& b) {
                  return a.name != b.name ? a.name < b.name : a.kind < b.kind;
              });
    out.attributes = std::move(attributes_);
    for (std::string& line : notes_) out.log.push_back(std::move(line));
}

}  // namespace

LayoutReading readByLayout(std::string_view bytes, const ExportLayout& layout) {
    LayoutReading reading;
    const std::vector<std::string_view> lines = splitBomLines(bytes);
    Reader reader(layout, isValidUtf8(cutAtEndOfFileMark(bytes)));
    reader.read(lines, reading);
    return reading;
}

}  // namespace trelk
