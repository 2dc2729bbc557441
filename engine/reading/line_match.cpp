#include "engine/reading/line_match.h"

#include <algorithm>

#include "engine/reading/line_classifier.h"

namespace trelk {

namespace {

constexpr size_t kNone = ~size_t{0};
// Steps of the match of one line: a template of fields without widths could otherwise try every
// way of cutting a long line. A real line is matched in a few hundred.
constexpr size_t kMatchSteps = 20000;
// A printed number is no longer than its width and this: twenty digits of a 64-bit value, a sign,
// a point and decimals. Longer runs of digits are no number a format prints.
constexpr size_t kLongestNumber = 48;

bool isBlankByte(char c) { return c == ' ' || c == '\t'; }

bool mayBeEmpty(const LayoutField& f) { return f.role != FieldRole::Quantity && f.role != FieldRole::Name; }
bool isNumber(const LayoutField& f) { return f.format.numeric() || f.role == FieldRole::Quantity; }

// A Printed template against a line: every piece at its place, as the format prints it.
class PrintedMatcher {
public:
    PrintedMatcher(const PreparedLine& t, const CharLine& line) : t_(t), line_(line), spans_(t.pieces.size()) {}

    LineMatch run() {
        LineMatch m;
        if (!at(0, 0)) return m;
        m.fits = true;
        size_t lastEnd = 0;
        for (size_t k = 0; k < t_.pieces.size(); ++k) {
            const TemplatePiece& p = t_.pieces[k];
            if (p.pad) lastEnd = spans_[k].second;
            if (!p.isField) {
                m.score += p.score;
                continue;
            }
            FieldValue v;
            v.field = p.field;
            v.piece = k;
            v.begin = spans_[k].first;
            v.end = spans_[k].second;
            v.restBegin = lastEnd;
            lastEnd = v.end;
            v.text = std::string(trimBlanks(line_.slice(v.begin, v.end)));
            m.values.push_back(std::move(v));
        }
        return m;
    }

private:
    bool at(size_t k, size_t pos) {
        if (++steps_ > kMatchSteps) return false;
        if (k == t_.pieces.size()) return pos == line_.size();
        const TemplatePiece& p = t_.pieces[k];
        if (p.pad) return pad(k, pos);
        if (!p.isField) return literal(k, pos);
        if (pos == line_.size() && !mayBeEmpty(*p.field)) return false;
        return isNumber(*p.field) ? number(k, pos) : text(k, pos);
    }

    bool take(size_t k, size_t pos, const size_t* extents, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            spans_[k] = {pos, pos + extents[i]};
            if (at(k + 1, pos + extents[i])) return true;
        }
        return false;
    }

    // Literal text, exactly; where the line ends inside it, the rest must be blanks and so must
    // everything after it (the printed line lost its trailing blanks).
    bool literal(size_t k, size_t pos) {
        const TemplatePiece& p = t_.pieces[k];
        const std::string_view rest = line_.bytes().substr(line_.byteAt(pos));
        if (rest.size() >= p.text.size()) {
            if (rest.substr(0, p.text.size()) != p.text) return false;
            spans_[k] = {pos, pos + p.chars};
            return at(k + 1, pos + p.chars);
        }
        if (p.text.substr(0, rest.size()) != rest) return false;
        if (!std::all_of(p.text.begin() + static_cast<std::ptrdiff_t>(rest.size()), p.text.end(), isBlankByte))
            return false;
        spans_[k] = {pos, line_.size()};
        return restBlank(k + 1);
    }

    // Blanks up to the width of the cell's title.
    bool pad(size_t k, size_t pos) {
        const TemplatePiece& p = t_.pieces[k];
        const size_t start = p.cellFirst == k ? pos : spans_[p.cellFirst].first;
        const size_t end = std::max(pos, std::min(start + p.chars, line_.size()));
        for (size_t q = pos; q < end; ++q)
            if (!line_.blank(q)) return false;
        spans_[k] = {pos, end};
        return at(k + 1, end);
    }

    bool restBlank(size_t k) {
        for (; k < t_.pieces.size(); ++k) {
            const TemplatePiece& p = t_.pieces[k];
            if (p.isField ? !mayBeEmpty(*p.field) : !std::all_of(p.text.begin(), p.text.end(), isBlankByte))
                return false;
            spans_[k] = {line_.size(), line_.size()};
        }
        return true;
    }

    // Characters from..to print a number of the field's conversion: an optional "-", digits, and
    // the decimals the conversion gives ("f": exactly its precision; none given: any).
    bool numberAt(const FieldFormat& f, size_t from, size_t to) const {
        size_t j = from;
        if (j < to && line_.first(j) == '-') ++j;
        const size_t digits = j;
        while (j < to && line_.digit(j)) ++j;
        if (j == digits) return false;
        if (j == to) return f.conversion != 'f' || f.decimals() == 0;
        if (f.conversion == 'd' || line_.first(j) != '.') return false;
        const size_t point = j++;
        while (j < to && line_.digit(j)) ++j;
        if (j != to || j == point + 1) return false;
        return f.conversion != 'f' || j - point - 1 == static_cast<size_t>(f.decimals());
    }

    // The last character a number at character i could reach: its digits, point and decimals.
    size_t numberReach(size_t i) const {
        size_t j = i;
        if (j < line_.size() && line_.first(j) == '-') ++j;
        while (j < line_.size() && (line_.digit(j) || line_.first(j) == '.')) ++j;
        return j;
    }

    // A number in its width: padded with blanks on the side its alignment leaves free, or wider
    // than the width and then not padded; all blanks for a parameter the model lacks. Where the
    // next field is glued to it ("     37.6" for 3 and 7.6), the width tells where it ends.
    bool number(size_t k, size_t pos) {
        const LayoutField& field = *t_.pieces[k].field;
        const FieldFormat& f = field.format;
        const size_t width = static_cast<size_t>(f.width), end = line_.size();
        const size_t limit = std::min(pos + width, end);
        size_t q = pos;
        while (q < limit && line_.blank(q)) ++q;
        if (q == limit && width > 0) {  // blank
            const size_t extent = q - pos;
            return mayBeEmpty(field) && take(k, pos, &extent, 1);
        }
        if (!f.leftAligned && q > pos) {  // padded: the number ends at the width
            const size_t extent = width;
            return pos + width <= end && numberAt(f, q, pos + width) && take(k, pos, &extent, 1);
        }
        if (q > pos) return false;
        // Without a width the number is read as far as it goes; with one, as wide as the width.
        const size_t reach = numberReach(pos);
        if (reach - pos > width + kLongestNumber) return false;
        for (size_t i = 1; i <= reach - pos; ++i) {
            const size_t e = width == 0 ? reach + 1 - i : pos + i;
            if (!numberAt(f, pos, e)) continue;
            size_t t = e;  // a left-aligned number's blanks up to the width
            while (t < limit && line_.blank(t)) ++t;
            if (t < limit && t < std::max(e, pos + width)) continue;
            if (!f.leftAligned && e < limit) continue;  // right-aligned and not padded: as wide as the width at least
            const size_t extent = std::max(t, e) - pos;
            if (take(k, pos, &extent, 1)) return true;
        }
        return false;
    }

    // A text in its width, cut at its precision; without a width, as long as it is (a name or a
    // type word then holds no blank).
    bool text(size_t k, size_t pos) {
        const LayoutField& field = *t_.pieces[k].field;
        const FieldFormat& f = field.format;
        const size_t remain = line_.size() - pos;
        const size_t width = static_cast<size_t>(f.width);
        const size_t cut = f.precision < 0 ? kNone : static_cast<size_t>(f.precision);
        const bool needsText = !mayBeEmpty(field);
        auto fits = [&](size_t extent) { return !needsText || !trimBlanks(line_.slice(pos, pos + extent)).empty(); };
        if (width > 0) {
            if (remain <= width) return fits(remain) && take(k, pos, &remain, 1);
            const size_t high = cut != kNone && cut > width ? std::min(cut, remain) : width;
            for (size_t e = width; e <= high && steps_ <= kMatchSteps; ++e, ++steps_)
                if (fits(e) && take(k, pos, &e, 1)) return true;
            return false;
        }
        const size_t high = std::min(cut, remain);
        if (k + 1 == t_.pieces.size()) return high == remain && fits(remain) && take(k, pos, &remain, 1);
        const bool oneWord = field.role == FieldRole::Name || field.role == FieldRole::Type;
        bool seen = false;  // a character other than a blank so far
        for (size_t e = 0; e <= high && steps_ <= kMatchSteps; ++e, ++steps_) {
            if (e > 0 && line_.blank(pos + e - 1)) {
                if (oneWord) break;
            } else if (e > 0) {
                seen = true;
            }
            if ((seen || !needsText) && take(k, pos, &e, 1)) return true;
        }
        return false;
    }

    const PreparedLine& t_;
    const CharLine& line_;
    std::vector<std::pair<size_t, size_t>> spans_;
    size_t steps_ = 0;
};

template <typename F>
void forEachWord(std::string_view text, F&& f) {
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlankByte(text[i])) ++i;
        const size_t start = i;
        while (i < text.size() && !isBlankByte(text[i])) ++i;
        if (i > start) f(text.substr(start, i - start));
    }
}

std::vector<std::string_view> wordsOf(std::string_view text) {
    size_t count = 0;
    forEachWord(text, [&](std::string_view) { ++count; });
    std::vector<std::string_view> words;
    words.reserve(count);
    forEachWord(text, [&](std::string_view w) { words.push_back(w); });
    return words;
}

// A Words template against a line: its literal words in order, a name, type or quantity one word,
// any other field any number of words.
class WordsMatcher {
public:
    WordsMatcher(const PreparedLine& t, std::string_view line)
        : tokens_(t.words), words_(wordsOf(line)), spans_(tokens_.size()) {}

    LineMatch run() {
        LineMatch m;
        if (!at(0, 0)) return m;
        m.fits = true;
        for (size_t k = 0; k < tokens_.size(); ++k) {
            if (!tokens_[k].field) {
                m.score += static_cast<int>(tokens_[k].word.size());
                continue;
            }
            FieldValue v;
            v.field = tokens_[k].field;
            v.piece = k;
            for (size_t w = spans_[k].first; w < spans_[k].second; ++w) {
                if (!v.text.empty()) v.text += ' ';
                v.text += words_[w];
            }
            m.values.push_back(std::move(v));
        }
        return m;
    }

private:
    bool at(size_t k, size_t w) {
        if (++steps_ > kMatchSteps) return false;
        if (k == tokens_.size()) return w == words_.size();
        const PreparedLine::Word& t = tokens_[k];
        if (!t.field) {
            if (w == words_.size() || words_[w] != t.word) return false;
            spans_[k] = {w, w + 1};
            return at(k + 1, w + 1);
        }
        const FieldRole role = t.field->role;
        if (role == FieldRole::Name || role == FieldRole::Type || role == FieldRole::Quantity) {
            if (w == words_.size() || (role == FieldRole::Quantity && !startsWithNumber(words_[w]))) return false;
            spans_[k] = {w, w + 1};
            return at(k + 1, w + 1);
        }
        for (size_t e = w; e <= words_.size(); ++e) {
            spans_[k] = {w, e};
            if (at(k + 1, e)) return true;
        }
        return false;
    }

    const std::vector<PreparedLine::Word>& tokens_;
    std::vector<std::string_view> words_;
    std::vector<std::pair<size_t, size_t>> spans_;
    size_t steps_ = 0;
};

}  // namespace

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlankByte(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlankByte(text.back())) text.remove_suffix(1);
    return text;
}

PreparedLine prepareLine(const LineTemplate& line, bool utf8, const std::vector<LineTemplate>& titles) {
    PreparedLine p;
    p.source = &line;
    for (size_t c = 0; c < line.cells.size(); ++c) {
        const size_t first = p.pieces.size();
        size_t width = 0;
        bool fixed = true;
        for (const LinePiece& piece : line.cells[c]) {
            TemplatePiece out;
            out.cell = c;
            out.cellFirst = first;
            if (piece.isField) {
                out.isField = true;
                out.field = &piece.field;
                width += static_cast<size_t>(piece.field.format.width);
                fixed = fixed && piece.field.format.width > 0;
            } else {
                if (piece.text.empty()) continue;
                out.text = piece.text;
                out.chars = CharLine(piece.text, utf8).size();
                out.score = static_cast<int>(
                    std::count_if(piece.text.begin(), piece.text.end(), [](char ch) { return !isBlankByte(ch); }));
                width += out.chars;
            }
            p.pieces.push_back(out);
            if (line.match != LineTemplate::Match::Words) continue;
            if (out.isField)
                p.words.push_back({out.field, {}});
            else
                forEachWord(out.text, [&](std::string_view w) { p.words.push_back({nullptr, w}); });
        }
        size_t title = 0;
        for (const LineTemplate& t : titles) {
            if (c >= t.cells.size()) continue;
            std::string text;
            for (const LinePiece& piece : t.cells[c]) text += piece.text;
            title = std::max(title, CharLine(text, utf8).size());
        }
        if (fixed && title > width) {
            TemplatePiece pad;
            pad.pad = true;
            pad.chars = title;
            pad.cell = c;
            pad.cellFirst = first;
            p.pieces.push_back(pad);
        }
    }
    return p;
}

LineMatch matchLine(const PreparedLine& t, std::string_view line, bool utf8) {
    if (t.source->match == LineTemplate::Match::Words) return WordsMatcher(t, line).run();
    const CharLine chars(line, utf8);
    return PrintedMatcher(t, chars).run();
}

bool titlesFit(const LineTemplate& titles, std::string_view line, char separator) {
    std::string want, got;
    for (const char c : titles.literalText())
        if (!isBlankByte(c) && c != separator) want += c;
    for (const char c : line)
        if (!isBlankByte(c) && c != separator) got += c;
    return want == got;
}

std::pair<std::string_view, std::string_view> splitGluedQuantity(std::string_view word, int decimals) {
    const auto digits = [&](size_t from) {
        size_t i = from;
        while (i < word.size() && word[i] >= '0' && word[i] <= '9') ++i;
        return i - from;
    };
    size_t i = word.size() > 0 && (word[0] == '-' || word[0] == '+') ? 1 : 0;
    const size_t whole = digits(i);
    if (whole == 0) return {word, {}};
    i += whole;
    if (decimals > 0) {
        if (i >= word.size() || word[i] != '.' || word.size() - i - 1 < static_cast<size_t>(decimals))
            return {word, {}};
        i += 1;
        for (size_t k = 0; k < static_cast<size_t>(decimals); ++k, ++i)
            if (word[i] < '0' || word[i] > '9') return {word, {}};
    }
    return {word.substr(0, i), word.substr(i)};
}

LineMatch matchCells(const RowLayout& row, std::string_view line) {
    LineMatch m;
    std::vector<std::string_view> cells;
    if (row.split == RowLayout::Split::Separator) {
        if (line.find(row.separator) == std::string_view::npos) return m;
        size_t start = 0;
        for (;;) {
            const size_t end = line.find(row.separator, start);
            cells.push_back(trimBlanks(line.substr(start, end == std::string_view::npos ? end : end - start)));
            if (end == std::string_view::npos) break;
            start = end + 1;
        }
    } else {
        cells = wordsOf(line);
        if (row.gluedDecimals >= 0 && !cells.empty()) {
            const auto [quantity, rest] = splitGluedQuantity(cells.front(), row.gluedDecimals);
            if (!rest.empty()) {
                cells.front() = quantity;
                cells.insert(cells.begin() + 1, rest);
            }
        }
    }
    const int count = static_cast<int>(cells.size());
    std::vector<bool> used(cells.size(), false);
    for (const CellRole& c : row.cells) {
        const int index = c.cell > 0 ? c.cell - 1 : count + c.cell;
        if (index < 0 || index >= count) return m;
        FieldValue v;
        v.field = &c.field;
        v.piece = static_cast<size_t>(index);
        v.text = std::string(cells[static_cast<size_t>(index)]);
        if ((c.field.role == FieldRole::Quantity && !startsWithNumber(v.text)) ||
            (c.field.role == FieldRole::Name && v.text.empty()))
            return m;
        used[static_cast<size_t>(index)] = true;
        m.values.push_back(std::move(v));
    }
    // The other cells, as parameters without a name: their column is their cell's number.
    for (size_t i = 0; i < cells.size(); ++i) {
        if (used[i]) continue;
        FieldValue v;
        v.piece = i;
        v.text = std::string(cells[i]);
        m.values.push_back(std::move(v));
    }
    m.fits = true;
    return m;
}

}  // namespace trelk
