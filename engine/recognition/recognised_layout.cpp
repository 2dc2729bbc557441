#include "engine/recognition/recognised_layout.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/reading/line_classifier.h"
#include "engine/reading/line_match.h"
#include "engine/recognition/recognition_limits.h"

namespace trelk::recognition {

namespace {

using Words = std::vector<std::string_view>;

// A title row as the reader matches it: each cell's text over the row's cell; at blanks, where
// titles of several words do not stand over one word each, the whole line.
LineTemplate titleLine(const LineCut& cut, std::string_view text) {
    LineTemplate line;
    if (cut.separator == 0) {
        line.cells.push_back({literalPiece(std::string(trimBlanks(text)))});
        return line;
    }
    for (const std::string_view cell : cellsOfLine(text, cut.separator))
        line.cells.push_back({literalPiece(std::string(cell))});
    return line;
}

// The longest run of words that starts every one of the texts.
Words commonStart(const std::vector<Words>& texts) {
    if (texts.empty()) return {};
    Words common = texts.front();
    for (const Words& words : texts) {
        size_t n = 0;
        while (n < common.size() && n < words.size() && common[n] == words[n]) ++n;
        common.resize(n);
    }
    return common;
}

// A block header: its words, and the one of them that is the block's name.
struct HeaderLine {
    size_t line;
    Words words;
    size_t at;
};

// The block header as words around the name: the words next to it that every header prints, as
// literal text, and Ignored fields for those that change from block to block (the assembly's type
// word, a revision, a description). Nothing when no word next to the name is shared: the name's
// place would then be a guess.
std::optional<LineTemplate> headerTemplate(const std::vector<HeaderLine>& headers) {
    std::vector<Words> befores, afters;
    for (const HeaderLine& h : headers) {
        befores.emplace_back(h.words.begin(), h.words.begin() + static_cast<std::ptrdiff_t>(h.at));
        afters.emplace_back(h.words.begin() + static_cast<std::ptrdiff_t>(h.at) + 1, h.words.end());
    }
    Words before = commonEnd(befores), after = commonStart(afters);
    // One header alone shows nothing of what changes after the name: a description may.
    if (headers.size() == 1) {
        after.clear();
        if (before.empty()) return std::nullopt;
    }
    if (before.size() > kMaxHeaderWords)
        before.erase(before.begin(), before.end() - static_cast<std::ptrdiff_t>(kMaxHeaderWords));
    if (after.size() > kMaxHeaderWords) after.resize(kMaxHeaderWords);
    if (before.empty() && after.empty()) return std::nullopt;
    const bool moreBefore =
        std::any_of(befores.begin(), befores.end(), [&](const Words& w) { return w.size() > before.size(); });
    const bool moreAfter =
        std::any_of(afters.begin(), afters.end(), [&](const Words& w) { return w.size() > after.size(); });
    std::vector<LinePiece> pieces;
    if (moreBefore) pieces.push_back(fieldPiece(FieldRole::Ignored));
    if (!before.empty()) pieces.push_back(literalPiece(joinFields(before, 0, before.size())));
    pieces.push_back(fieldPiece(FieldRole::Name));
    if (!after.empty()) pieces.push_back(literalPiece(joinFields(after, 0, after.size())));
    if (moreAfter) pieces.push_back(fieldPiece(FieldRole::Ignored));
    return wordsLine(std::move(pieces));
}

// The name a Words line takes from a text, or nothing when it does not fit.
std::optional<std::string> nameBy(const LineTemplate& line, std::string_view text) {
    const PreparedLine prepared = prepareLine(line, true);
    const LineMatch m = matchLine(prepared, text, true);
    if (!m.fits) return std::nullopt;
    for (const FieldValue& v : m.values)
        if (v.field && v.field->role == FieldRole::Name) return v.text;
    return std::nullopt;
}

RowLayout rowOf(const LineCut& cut, int quantity, int type, int name) {
    RowLayout row;
    row.split = cut.separator != 0 ? RowLayout::Split::Separator : RowLayout::Split::Blanks;
    row.separator = cut.separator;
    row.gluedDecimals = cut.separator != 0 ? -1 : cut.gluedDecimals;
    auto cell = [&row](int number, FieldRole role) {
        CellRole c;
        c.cell = number;
        c.field.role = role;
        row.cells.push_back(c);
    };
    cell(quantity, FieldRole::Quantity);
    if (type != 0) cell(type, FieldRole::Type);
    cell(name, FieldRole::Name);
    return row;
}

size_t nextText(const ExportLines& lines, size_t from) {
    while (from < lines.size() && lines.norm(from).empty()) ++from;
    return from;
}

// The line `i` printed right after rows (a total line), as its first words without digits and then
// any text; none when the rows end the file or an empty line, a block header or a line without
// such words follows them.
std::vector<LineTemplate> trailerAt(const ExportLines& lines, const LineCut& cut, size_t i,
                                    const LineTemplate* header) {
    if (i >= lines.size() || !lines.text(cut, i)) return {};
    lines.count(lines.raw(i).size() + 1);
    if (header && nameBy(*header, lines.raw(i))) return {};
    const Words words = lines.fields(i);
    size_t literalWords = 0;
    while (literalWords < words.size() && literalWords < kMaxHeaderWords &&
           std::none_of(words[literalWords].begin(), words[literalWords].end(),
                        [](char c) { return c >= '0' && c <= '9'; }))
        ++literalWords;
    if (literalWords == 0) return {};
    std::vector<LinePiece> pieces = {literalPiece(joinFields(words, 0, literalWords))};
    if (words.size() > literalWords) pieces.push_back(fieldPiece(FieldRole::Ignored));
    return {wordsLine(std::move(pieces))};
}

// The column of the cells whose title is the one given, from 1; 0 when no cell or several have it.
int columnTitled(const std::vector<std::string_view>& titles, std::string_view title) {
    if (title.empty()) return 0;
    int found = 0;
    for (size_t k = 0; k < titles.size(); ++k)
        if (titles[k] == title) {
            if (found != 0) return 0;
            found = static_cast<int>(k) + 1;
        }
    return found;
}

// Where the summary stands: its heading's line and its rows' lines [begin, end).
struct SummaryLines {
    size_t heading = kFar, begin = kFar, end = kFar;
};

// The summary: the first line after the last block header that names the main assembly, then
// perhaps a title row, then rows cut by the same separator. Its columns are those titled as the
// breakdown's are, or the breakdown's own when its rows have as many cells.
std::optional<SectionLayout> summaryOf(const ExportLines& lines, const LineCut& cut, size_t after,
                                       const std::string& mainName, const std::vector<std::string_view>& blockTitles,
                                       ColumnChoice choice, size_t rowCells, SummaryLines& found) {
    size_t line = kFar, at = 0;
    Words words;
    for (size_t i = after + 1; i < lines.size() && line == kFar; ++i) {
        if (!lines.text(cut, i)) continue;
        words = lines.fields(i);
        for (size_t k = 0; k < words.size(); ++k)
            if (withoutColon(words[k]) == mainName) {
                line = i;
                at = k;
                break;
            }
    }
    if (line == kFar || words.size() < 2 || words.size() > 2 * kMaxHeaderWords + 1) return std::nullopt;
    SectionLayout summary;
    std::vector<LinePiece> heading;
    if (at > 0) heading.push_back(literalPiece(joinFields(words, 0, at)));
    heading.push_back(fieldPiece(FieldRole::Name));
    if (at + 1 < words.size()) heading.push_back(literalPiece(joinFields(words, at + 1, words.size())));
    summary.heading.push_back(wordsLine(std::move(heading)));

    size_t next = nextText(lines, line + 1);
    if (next == lines.size()) return std::nullopt;
    std::vector<std::string_view> titles;
    std::vector<std::string_view> cells = lines.cells(cut, next);
    if (cells.size() < 2) return std::nullopt;
    if (std::none_of(cells.begin(), cells.end(), isNumber)) {
        titles = cells;
        summary.titles.push_back(titleLine(cut, lines.raw(next)));
        next = nextText(lines, next + 1);
        if (next == lines.size()) return std::nullopt;
        cells = lines.cells(cut, next);
    }
    int quantity = 0, type = 0, name = 0;
    if (titles == blockTitles) {
        quantity = choice.quantity;
        name = choice.name;
        type = choice.type;
    } else if (!titles.empty() && !blockTitles.empty() && cut.separator != 0) {
        quantity = columnTitled(titles, cellAt(blockTitles, choice.quantity));
        name = columnTitled(titles, cellAt(blockTitles, choice.name));
        if (choice.type != 0) type = columnTitled(titles, cellAt(blockTitles, choice.type));
    } else if (cells.size() == rowCells) {
        quantity = choice.quantity;
        name = choice.name;
        type = choice.type;
    }
    if (quantity == 0 || name == 0 || quantity == name) return std::nullopt;
    // Its first row must be one: a number and a name where the columns say.
    if (!isNumber(cellAt(cells, quantity)) || cellAt(cells, name).empty()) return std::nullopt;
    summary.row = rowOf(cut, quantity, type, name);
    // Its rows: the lines on that are rows of the cut or have as many cells, a number and a name where the columns say.
    size_t end = next;
    for (; end < lines.size(); ++end) {
        if (cut.row[end]) continue;
        const std::vector<std::string_view> c = lines.cells(cut, end);
        if (c.size() != cells.size() || !isNumber(cellAt(c, quantity)) || cellAt(c, name).empty() ||
            std::any_of(c.begin(), c.end(), isLabel))
            break;
    }
    summary.trailer = trailerAt(lines, cut, end, nullptr);
    found = SummaryLines{line, next, end};
    return summary;
}

// The one word of a line that the first later line of text (no row, no title) sharing any of its
// words holds too, its colon aside; kFar when there is none or more than one.
size_t sharedWord(const ExportLines& lines, const LineCut& cut, size_t from, const Words& words) {
    for (size_t i = from; i < lines.size(); ++i) {
        if (!lines.text(cut, i)) continue;
        const Words later = lines.fields(i);
        Names laterWords;
        for (const std::string_view w : later) laterWords.insert(withoutColon(w));
        size_t found = kFar, count = 0;
        for (size_t p = 0; p < words.size(); ++p)
            if (laterWords.count(withoutColon(words[p]))) {
                found = p;
                ++count;
            }
        if (count == 1) return found;
        if (count > 1) return kFar;
    }
    return kFar;
}

// The characters of a UTF-8 text.
size_t charCount(std::string_view text) {
    size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// The first `chars` characters of a UTF-8 text, or all of it.
std::string_view charPrefix(std::string_view text, size_t chars) {
    size_t at = 0;
    for (; at < text.size(); ++at)
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && chars-- == 0) break;
    return text.substr(0, at);
}

// Where a column's texts are cut: the most characters its rows print, when a text that long starts
// a longer word printed elsewhere (in a block header, or in the other section's rows). A file whose
// longest name is simply the longest shows no such word, and its names are taken as printed.
struct ColumnCut {
    int width = -1;  // -1: not cut
    Names atWidth;   // the texts printed at the width: the starts of longer ones
};

ColumnCut columnCut(const std::vector<std::string_view>& texts, std::vector<std::string_view> elsewhere) {
    ColumnCut c;
    size_t widest = 0;
    for (const std::string_view t : texts) widest = std::max(widest, charCount(t));
    if (widest == 0) return c;
    // Sorted, the words that start with a text and are longer follow right after it.
    std::sort(elsewhere.begin(), elsewhere.end());
    bool starts = false;
    for (const std::string_view t : texts) {
        if (charCount(t) != widest || !c.atWidth.insert(t).second) continue;
        const auto next = std::upper_bound(elsewhere.begin(), elsewhere.end(), t);
        starts = starts || (next != elsewhere.end() && next->compare(0, t.size(), t) == 0);
    }
    if (!starts) return ColumnCut();
    c.width = static_cast<int>(widest);
    return c;
}

// The cuts of the rows' names (in the blocks and in the summary, each at its own width) and type
// words: the blocks' rows are all but the last run of rows, the summary's are the last.
struct RowCuts {
    ColumnCut blockNames, summaryNames, types;
};

RowCuts rowCuts(const ExportLines& lines, const LineCut& cut, ColumnChoice choice, const KeywordSet& inUse,
                const SummaryLines* summary = nullptr, int summaryName = 0) {
    std::vector<std::vector<std::string_view>> names(1), types(1);
    std::vector<std::string_view> headerWords = {inUse.SubAssembly, inUse.Part};
    bool afterRows = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (summary && i == summary->heading) break;
        if (cut.row[i]) {
            const std::vector<std::string_view> cells = lines.cells(cut, i);
            names.back().push_back(cellAt(cells, choice.name));
            if (choice.type != 0) types.back().push_back(cellAt(cells, choice.type));
            afterRows = true;
        } else if (lines.text(cut, i)) {
            if (afterRows) {
                names.emplace_back();
                types.emplace_back();
                afterRows = false;
            }
            if (lines.leads(cut, i))
                for (const std::string_view w : lines.fields(i)) headerWords.push_back(withoutColon(w));
        }
    }
    if (names.back().empty()) {
        names.pop_back();
        types.pop_back();
    }
    if (summary) {
        // The summary where the layout found it, cut by its own columns.
        names.emplace_back();
        types.emplace_back();
        if (summary->heading != kFar)
            for (size_t i = summary->begin; i < summary->end; ++i)
                if (!lines.norm(i).empty()) names.back().push_back(cellAt(lines.cells(cut, i), summaryName));
    }
    RowCuts c;
    if (names.empty()) return c;
    std::vector<std::string_view> blockNames, summaryNames = names.back(), allTypes;
    for (size_t g = 0; g + 1 < names.size(); ++g) blockNames.insert(blockNames.end(), names[g].begin(), names[g].end());
    for (const auto& t : types) allTypes.insert(allTypes.end(), t.begin(), t.end());
    std::vector<std::string_view> elsewhere = headerWords;
    elsewhere.insert(elsewhere.end(), summaryNames.begin(), summaryNames.end());
    c.blockNames = columnCut(blockNames, elsewhere);
    elsewhere = headerWords;
    elsewhere.insert(elsewhere.end(), blockNames.begin(), blockNames.end());
    c.summaryNames = columnCut(summaryNames, elsewhere);
    c.types = columnCut(allTypes, headerWords);
    return c;
}

void cutAt(RowLayout& row, FieldRole role, const ColumnCut& c) {
    if (c.width < 0) return;
    for (CellRole& cell : row.cells)
        if (cell.field.role == role) cell.field.format.precision = c.width;
}

std::optional<Reading> layoutOf(const ExportLines& lines, const LineCut& cut, ColumnChoice choice,
                                const KeywordSet& inUse, const ColumnCut& blockNames, SummaryLines& summaryAt) {
    const size_t firstRow = cut.firstRow();
    if (firstRow >= lines.size()) return std::nullopt;
    // The main assembly's header: the line of text nearest above the first rows.
    size_t mainLine = kFar;
    for (size_t i = firstRow; i-- > 0;)
        if (lines.leads(cut, i)) {
            mainLine = i;
            break;
        }
    if (mainLine == kFar) return std::nullopt;
    // The other headers: lines that lead rows and name a member, the first such word the name. A
    // line naming a word of the main header names the main assembly (the summary's heading, where
    // the main assembly holds a part of its own name): no sub-assembly's block.
    const Words mainWords = lines.fields(mainLine);
    const Names inMain(mainWords.begin(), mainWords.end());
    const Names& members = lines.leadMembers(cut, choice.name);
    // A name longer than the rows print it: its header names the member cut to its start.
    auto startsCutName = [&](std::string_view word) {
        const auto width = static_cast<size_t>(blockNames.width);
        return blockNames.width > 0 && charCount(word) > width && blockNames.atWidth.count(charPrefix(word, width));
    };
    std::vector<HeaderLine> headers;
    for (size_t i = mainLine + 1; i < lines.size(); ++i) {
        if (!lines.leads(cut, i)) continue;
        const Words words = lines.fields(i);
        for (size_t p = 0; p < words.size(); ++p)
            if (members.count(words[p]) || startsCutName(words[p])) {
                if (!inMain.count(words[p])) headers.push_back({i, words, p});
                break;
            }
    }
    // The main header's name: where the first word that follows every other header's name follows
    // it, or its last word where they all end with the name.
    {
        std::vector<Words> afters;
        for (const HeaderLine& h : headers)
            afters.emplace_back(h.words.begin() + static_cast<std::ptrdiff_t>(h.at) + 1, h.words.end());
        const Words after = commonStart(afters);
        size_t at = kFar;
        if (headers.empty()) {
            // A file of one block: the name is the one word it shares with a later line of text,
            // the summary's heading.
            at = sharedWord(lines, cut, firstRow, mainWords);
        } else if (!after.empty()) {
            // By the first of those words: the words after it may differ in the main header too.
            for (size_t p = 0; p + 1 < mainWords.size() && at == kFar; ++p)
                if (mainWords[p + 1] == after.front()) at = p;
        } else if (std::all_of(afters.begin(), afters.end(), [](const Words& w) { return w.empty(); }) &&
                   !mainWords.empty()) {
            at = mainWords.size() - 1;
        }
        if (at == kFar) return std::nullopt;
        headers.insert(headers.begin(), HeaderLine{mainLine, mainWords, at});
    }
    const std::optional<LineTemplate> header = headerTemplate(headers);
    if (!header) return std::nullopt;
    // The rule must give back the name found in every header, or its words are not the header's.
    for (const HeaderLine& h : headers) {
        lines.count(lines.raw(h.line).size() + 1);
        const std::optional<std::string> name = nameBy(*header, lines.raw(h.line));
        if (!name || *name != h.words[h.at]) return std::nullopt;
    }
    const std::string mainName(mainWords[headers.front().at]);

    ExportLayout layout;
    layout.origin = ExportLayout::Origin::Recognised;
    layout.subAssemblyWord = inUse.SubAssembly;
    layout.partWord = inUse.Part;
    // The lines above the main header are printed once, as they are.
    for (size_t i = 0; i < mainLine; ++i)
        if (!lines.norm(i).empty()) layout.prolog.push_back(wordsLine({literalPiece(lines.norm(i))}));
    SectionLayout breakdown;
    breakdown.heading.push_back(*header);
    std::vector<std::string_view> titles;
    if (const size_t title = lines.titleAbove(cut, firstRow); title != kFar) {
        titles = lines.cells(cut, title);
        breakdown.titles.push_back(titleLine(cut, lines.raw(title)));
    }
    breakdown.row = rowOf(cut, choice.quantity, choice.type, choice.name);
    const size_t rowCells = lines.cells(cut, firstRow).size();
    size_t afterRows = firstRow;
    while (afterRows < lines.size() && cut.row[afterRows]) ++afterRows;
    breakdown.trailer = trailerAt(lines, cut, afterRows, &*header);
    layout.summary = summaryOf(lines, cut, headers.back().line, mainName, titles, choice, rowCells, summaryAt);
    layout.breakdown = std::move(breakdown);

    Reading r;
    r.mainName = mainName;
    RecognisedExport& found = r.found;
    found.keywords = inUse;
    found.columns.Quantity = choice.quantity;
    // The columns only say where the cells are; they never stand for the line classifier's table
    // rules (a separator, or no type column), which cannot read such a file.
    found.columns.Type = cut.separator != 0 ? choice.type : 0;
    found.columns.Name = choice.name;
    found.columns.Separator = cut.separator;
    found.quantityTitle = std::string(cellAt(titles, choice.quantity));
    found.nameTitle = std::string(cellAt(titles, choice.name));
    if (choice.type != 0) found.typeTitle = std::string(cellAt(titles, choice.type));
    found.layoutRecognised = true;
    found.layout = std::move(layout);
    return r;
}

// Whether a summary can stand in the file under this cut, checked before the layout's passes over
// it: a layout is taken only where its summary agrees, and the summary's heading is a line of text
// below the main header (the nearest line above the first rows that leads them) naming the main
// assembly, one of that header's words. Most files that are no table of this kind have no such line.
bool summaryMayFollow(const ExportLines& lines, const LineCut& cut) {
    size_t mainLine = kFar;
    for (size_t i = cut.firstRow(); i-- > 0;)
        if (lines.leads(cut, i)) {
            mainLine = i;
            break;
        }
    if (mainLine == kFar) return false;
    std::vector<std::string_view> inMain(lines.words(mainLine));
    std::sort(inMain.begin(), inMain.end(), shorterOrBefore);
    for (size_t i = mainLine + 1; i < lines.size(); ++i) {
        if (!lines.text(cut, i)) continue;
        for (const std::string_view word : lines.words(i))
            if (std::binary_search(inMain.begin(), inMain.end(), withoutColon(word), shorterOrBefore)) return true;
    }
    return false;
}

}  // namespace

std::optional<Reading> layoutReadingFor(const ExportLines& lines, const LineCut& cut, ColumnChoice choice,
                                        const KeywordSet& inUse) {
    // Words at blanks, the quantity first, are the keywords' to read unless glued to the name.
    const bool nameFirst = choice.name > 0 && choice.name < choice.quantity;
    if (cut.separator == 0 && cut.gluedDecimals < 0 && !nameFirst) return std::nullopt;
    if (!summaryMayFollow(lines, cut)) return std::nullopt;
    // Names and type words cut by their columns are matched to their longer forms by the layout
    // reader, as for a format file's precisions.
    // First by the last run of rows taken for the summary, to find the headers of assemblies whose
    // names the rows cut; then by the summary the layout found.
    const RowCuts guess = rowCuts(lines, cut, choice, inUse);
    SummaryLines summaryAt;
    std::optional<Reading> r = layoutOf(lines, cut, choice, inUse, guess.blockNames, summaryAt);
    if (!r) return r;
    ExportLayout& layout = *r->found.layout;
    // A layout is taken only where the file's summary agrees with it (engine/recognition/choice.h):
    // one that finds no summary cannot be taken, and is not tried.
    if (!layout.summary) return std::nullopt;
    int summaryName = 0;
    if (layout.summary)
        for (const CellRole& c : layout.summary->row.cells)
            if (c.field.role == FieldRole::Name) summaryName = c.cell;
    const RowCuts cuts = rowCuts(lines, cut, choice, inUse, &summaryAt, summaryName);
    if (layout.breakdown) {
        cutAt(layout.breakdown->row, FieldRole::Name, cuts.blockNames);
        cutAt(layout.breakdown->row, FieldRole::Type, cuts.types);
    }
    if (layout.summary) {
        cutAt(layout.summary->row, FieldRole::Name, cuts.summaryNames);
        cutAt(layout.summary->row, FieldRole::Type, cuts.types);
    }
    return r;
}

}  // namespace trelk::recognition
