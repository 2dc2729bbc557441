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
    size_t heading = kFar, title = kFar, begin = kFar, end = kFar;
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
    size_t titleAt = kFar;
    std::vector<std::string_view> cells = lines.cells(cut, next);
    if (cells.size() < 2) return std::nullopt;
    if (std::none_of(cells.begin(), cells.end(), isNumber)) {
        titles = cells;
        summary.titles.push_back(titleLine(cut, lines.raw(next)));
        titleAt = next;
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
        const LineWords c = lines.cells(cut, end);
        if (c.size() != cells.size() || !isNumber(cellAt(c, quantity)) || cellAt(c, name).empty() ||
            std::any_of(c.begin(), c.end(), isLabel))
            break;
    }
    summary.trailer = trailerAt(lines, cut, end, nullptr);
    found.heading = line;
    found.title = titleAt;
    found.begin = next;
    found.end = end;
    return summary;
}

// The one word of a line that the first later line of text (no row, no title) sharing any of its
// words holds too, its colon aside; kFar when there is none or more than one.
size_t sharedWord(const ExportLines& lines, const LineCut& cut, size_t from, const Words& words) {
    for (size_t i = from; i < lines.size(); ++i) {
        if (!lines.text(cut, i)) continue;
        // A header line's few words: looked through, not hashed.
        const LineWords later = lines.words(i);
        size_t found = kFar, count = 0;
        for (size_t p = 0; p < words.size(); ++p)
            if (std::any_of(later.begin(), later.end(),
                            [&](std::string_view w) { return withoutColon(w) == withoutColon(words[p]); })) {
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
    // The runs of rows' names one after the other, each run from its start on.
    std::vector<std::string_view> names, types, headerWords = {inUse.SubAssembly, inUse.Part};
    std::vector<size_t> runs = {0};
    bool afterRows = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (summary && i == summary->heading) break;
        if (cut.row[i]) {
            const LineWords cells = lines.cells(cut, i);
            names.push_back(cellAt(cells, choice.name));
            if (choice.type != 0) types.push_back(cellAt(cells, choice.type));
            afterRows = true;
        } else if (lines.text(cut, i)) {
            if (afterRows) {
                runs.push_back(names.size());
                afterRows = false;
            }
            if (lines.leads(cut, i))
                for (const std::string_view w : lines.words(i)) headerWords.push_back(withoutColon(w));
        }
    }
    if (runs.back() == names.size()) runs.pop_back();
    if (summary) {
        // The summary where the layout found it, cut by its own columns.
        runs.push_back(names.size());
        if (summary->heading != kFar)
            for (size_t i = summary->begin; i < summary->end; ++i)
                if (!lines.norm(i).empty()) names.push_back(lines.cells(cut, i).at(summaryName));
    }
    RowCuts c;
    if (runs.empty()) return c;
    const auto last = names.begin() + static_cast<std::ptrdiff_t>(runs.back());
    const std::vector<std::string_view> blockNames(names.begin(), last), summaryNames(last, names.end());
    std::vector<std::string_view> elsewhere;
    elsewhere.reserve(headerWords.size() + names.size());
    elsewhere = headerWords;
    elsewhere.insert(elsewhere.end(), summaryNames.begin(), summaryNames.end());
    c.blockNames = columnCut(blockNames, std::move(elsewhere));
    elsewhere = headerWords;
    elsewhere.insert(elsewhere.end(), blockNames.begin(), blockNames.end());
    c.summaryNames = columnCut(summaryNames, std::move(elsewhere));
    c.types = columnCut(types, std::move(headerWords));
    return c;
}

void cutAt(RowLayout& row, FieldRole role, const ColumnCut& c) {
    if (c.width < 0) return;
    for (CellRole& cell : row.cells)
        if (cell.field.role == role) cell.field.format.precision = c.width;
}

// What a reading of a recognised layout found, in the words and columns the run reports.
Reading recognisedReading(ExportLayout layout, std::string mainName, const LineCut& cut, ColumnChoice choice,
                          const std::vector<std::string_view>& titles, const KeywordSet& inUse) {
    Reading r;
    r.mainName = std::move(mainName);
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
    const SortedWords inMain(mainWords.begin(), mainWords.end());
    const SortedWords& members = lines.leadMembers(cut, choice.name);
    // A name longer than the rows print it: its header names the member cut to its start.
    auto startsCutName = [&](std::string_view word) {
        const auto width = static_cast<size_t>(blockNames.width);
        return blockNames.width > 0 && charCount(word) > width && blockNames.atWidth.count(charPrefix(word, width));
    };
    std::vector<HeaderLine> headers;
    for (size_t i = mainLine + 1; i < lines.size(); ++i) {
        if (!lines.leads(cut, i)) continue;
        const LineWords words = lines.words(i);
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
        if (!lines.norm(i).empty()) layout.prolog.push_back(wordsLine({literalPiece(std::string(lines.norm(i)))}));
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
    return recognisedReading(std::move(layout), mainName, cut, choice, titles, inUse);
}

// ----- Blocks headed by several label lines ("Modellname:<TAB><TAB>FRAME", "Art:<TAB>Baugruppe").

// The lines of text above each run of rows, after the run before: a block's or the summary's label
// lines, the title row aside. `first` is the run's first row.
struct LabelGroup {
    size_t first;
    std::vector<size_t> lines;
};

std::vector<LabelGroup> labelGroups(const ExportLines& lines, const LineCut& cut) {
    std::vector<LabelGroup> groups;
    std::vector<size_t> text;
    bool inRows = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (cut.row[i] || cut.rest[i]) {
            if (!inRows && cut.row[i]) groups.push_back({i, std::move(text)});
            text.clear();
            inRows = true;
        } else if (lines.text(cut, i)) {
            text.push_back(i);
            inRows = false;
        } else if (!lines.norm(i).empty()) {
            inRows = false;  // a title row: the rows after it start a run of their own
        }
    }
    return groups;
}

// One label line of every block: the words every one starts with as literal text, then the name
// at `nameAt` (when given) or an Ignored field for the words that change from block to block.
LineTemplate labelLine(const std::vector<Words>& texts, size_t nameAt) {
    if (nameAt != kFar) {
        std::vector<HeaderLine> headers;
        for (const Words& w : texts) headers.push_back({0, w, nameAt});
        if (std::optional<LineTemplate> t = headerTemplate(headers)) return *t;
        return wordsLine({fieldPiece(FieldRole::Name)});
    }
    const Words common = commonStart(texts);
    std::vector<LinePiece> pieces;
    if (!common.empty()) pieces.push_back(literalPiece(joinFields(common, 0, common.size())));
    if (std::any_of(texts.begin(), texts.end(), [&](const Words& w) { return w.size() > common.size(); }))
        pieces.push_back(fieldPiece(FieldRole::Ignored));
    return wordsLine(std::move(pieces));
}

// Blocks headed by the same label lines, one of them holding the block's name among its words;
// the summary one more such group whose name is the main assembly's, told from a block by a
// label's value that no block prints ("Art: Gesamtstückliste"). The name's line is the one where
// every other block names a member of a row (in a file of one block, the one labelled as the name
// column is titled): a file whose groups differ in length, or whose summary prints no value of its
// own, cannot tell its lines apart and is left.
std::optional<Reading> labelledLayoutOf(const ExportLines& lines, const LineCut& cut, ColumnChoice choice,
                                        const KeywordSet& inUse, SummaryLines& summaryAt) {
    const std::vector<LabelGroup> groups = labelGroups(lines, cut);
    if (groups.size() < 2) return std::nullopt;
    const size_t count = groups[1].lines.size();
    if (count < 2 || count > kMaxLabelLines || groups[0].lines.size() < count) return std::nullopt;
    for (size_t g = 1; g < groups.size(); ++g)
        if (groups[g].lines.size() != count) return std::nullopt;
    // Each group's label lines as words, the first group's prolog aside.
    const size_t prolog = groups[0].lines.size() - count;
    std::vector<std::vector<Words>> words(groups.size());
    for (size_t g = 0; g < groups.size(); ++g)
        for (size_t l = 0; l < count; ++l) words[g].push_back(lines.fields(groups[g].lines[(g == 0 ? prolog : 0) + l]));
    Names members;
    for (size_t i = 0; i < lines.size(); ++i)
        if (cut.row[i]) members.insert(lines.cells(cut, i).at(choice.name));
    const size_t title = lines.titleAbove(cut, groups[0].first);
    const std::vector<std::string_view> titles =
        title != kFar ? lines.cells(cut, title) : std::vector<std::string_view>();
    // A file of one block names no member in its label lines: there the name is the word after the
    // label that the name column's title repeats ("Modellname:" over the column "Modellname").
    const std::string_view nameTitle = cellAt(titles, choice.name);
    auto labelledByTitle = [&](size_t l, size_t p) {
        return groups.size() == 2 && p > 0 && !nameTitle.empty() && withoutColon(words[0][l][p - 1]) == nameTitle;
    };
    // The name's place: the one word, by line and position, that names a member in every later
    // group but the summary (which names the main assembly, as the first group does there).
    size_t nameLine = kFar, nameAt = kFar;
    for (size_t l = 0; l < count; ++l)
        for (size_t p = 0; p < words[0][l].size(); ++p) {
            const std::string_view main = words[0][l][p];
            size_t named = 0, summaries = 0;
            bool fits = true;
            for (size_t g = 1; g < groups.size() && fits; ++g) {
                const Words& w = words[g][l];
                if (p >= w.size()) {
                    fits = false;
                } else if (w[p] == main) {
                    // The summary, printed once, after every block.
                    fits = ++summaries == 1 && g + 1 == groups.size();
                } else {
                    fits = members.count(w[p]) > 0;
                    ++named;
                }
            }
            if (!fits || (named == 0 && !labelledByTitle(l, p))) continue;
            if (nameLine != kFar) return std::nullopt;  // two places would do: a guess
            nameLine = l;
            nameAt = p;
        }
    if (nameLine == kFar) return std::nullopt;
    const std::string mainName(words[0][nameLine][nameAt]);
    const bool hasSummary = words.back()[nameLine][nameAt] == mainName;
    const size_t blocks = hasSummary ? groups.size() - 1 : groups.size();

    ExportLayout layout;
    layout.origin = ExportLayout::Origin::Recognised;
    layout.subAssemblyWord = inUse.SubAssembly;
    layout.partWord = inUse.Part;
    for (size_t i = 0; i < prolog; ++i)
        layout.prolog.push_back(wordsLine({literalPiece(std::string(lines.norm(groups[0].lines[i])))}));
    SectionLayout breakdown;
    for (size_t l = 0; l < count; ++l) {
        std::vector<Words> texts;
        for (size_t g = 0; g < blocks; ++g) texts.push_back(words[g][l]);
        breakdown.heading.push_back(labelLine(texts, l == nameLine ? nameAt : kFar));
    }
    // Every block's header must give back its name.
    for (size_t g = 0; g < blocks; ++g) {
        const size_t line = groups[g].lines[(g == 0 ? prolog : 0) + nameLine];
        lines.count(lines.raw(line).size() + 1);
        const std::optional<std::string> name = nameBy(breakdown.heading[nameLine], lines.raw(line));
        if (!name || *name != words[g][nameLine][nameAt]) return std::nullopt;
    }
    if (title != kFar) breakdown.titles.push_back(titleLine(cut, lines.raw(title)));
    breakdown.row = rowOf(cut, choice.quantity, choice.type, choice.name);
    layout.breakdown = std::move(breakdown);

    if (hasSummary) {
        const LabelGroup& group = groups.back();
        SectionLayout summary;
        size_t marks = 0;
        for (size_t l = 0; l < count; ++l) {
            const Words& own = words.back()[l];
            bool printedByBlock = false;
            for (size_t g = 0; g < blocks && !printedByBlock; ++g) printedByBlock = words[g][l] == own;
            if (l == nameLine || printedByBlock) {
                summary.heading.push_back(layout.breakdown->heading[l]);
            } else {
                summary.heading.push_back(wordsLine({literalPiece(joinFields(own, 0, own.size()))}));
                ++marks;
            }
        }
        // Headed as a block is, the summary would be read as a second block of the main assembly.
        if (marks == 0) return std::nullopt;
        const size_t summaryTitle = lines.titleAbove(cut, group.first);
        std::vector<std::string_view> summaryTitles;
        if (summaryTitle != kFar) {
            summaryTitles = lines.cells(cut, summaryTitle);
            summary.titles.push_back(titleLine(cut, lines.raw(summaryTitle)));
        }
        ColumnChoice columns = choice;
        if (summaryTitles != titles) {
            if (summaryTitles.empty() || titles.empty()) return std::nullopt;
            columns.quantity = columnTitled(summaryTitles, cellAt(titles, choice.quantity));
            columns.name = columnTitled(summaryTitles, cellAt(titles, choice.name));
            columns.type = choice.type != 0 ? columnTitled(summaryTitles, cellAt(titles, choice.type)) : 0;
            if (columns.quantity == 0 || columns.name == 0) return std::nullopt;
        }
        summary.row = rowOf(cut, columns.quantity, columns.type, columns.name);
        size_t end = group.first;
        while (end < lines.size() && (cut.row[end] || cut.rest[end] || lines.norm(end).empty())) ++end;
        summary.trailer = trailerAt(lines, cut, end, nullptr);
        summaryAt = SummaryLines();
        summaryAt.heading = group.lines[nameLine];
        summaryAt.title = summaryTitle;
        summaryAt.begin = group.first;
        summaryAt.end = end;
        layout.summary = std::move(summary);
    }
    return recognisedReading(std::move(layout), mainName, cut, choice, titles, inUse);
}

// The value a Words line takes from a text for the field of that role, or nothing when it does
// not fit.
std::optional<std::string> valueBy(const LineTemplate& line, std::string_view text, FieldRole role) {
    const PreparedLine prepared = prepareLine(line, true);
    const LineMatch m = matchLine(prepared, text, true);
    if (!m.fits) return std::nullopt;
    for (const FieldValue& v : m.values)
        if (v.field && v.field->role == role) return v.text;
    return std::nullopt;
}

// A block header that prints a word before the name ("Unterbaugruppe FRAME contains:"), where the
// rows cut their type words: that word is the header's type word, whose whole form the layout
// reader matches the rows' cut words to, in whatever language the file is. Taken only where every
// header reads the same name so, its word one without a colon (a label, "Sub-Assembly:", is not
// the type word the rows print).
void typeWordBeforeName(const ExportLines& lines, const LineCut& cut, SectionLayout& breakdown) {
    if (breakdown.heading.size() != 1 || breakdown.heading.front().cells.size() != 1) return;
    LineTemplate& header = breakdown.heading.front();
    const std::vector<LinePiece>& pieces = header.cells.front();
    if (pieces.size() < 2 || !pieces[0].isField || pieces[0].field.role != FieldRole::Ignored || !pieces[1].isField ||
        pieces[1].field.role != FieldRole::Name)
        return;
    LineTemplate typed = header;
    typed.cells.front()[0].field.role = FieldRole::Type;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines.leads(cut, i)) continue;
        lines.count(2 * (lines.raw(i).size() + 1));
        const std::optional<std::string> name = valueBy(header, lines.raw(i), FieldRole::Name);
        if (!name) continue;
        const std::optional<std::string> type = valueBy(typed, lines.raw(i), FieldRole::Type);
        if (!type || isLabel(*type) || !hasLetter(*type) || valueBy(typed, lines.raw(i), FieldRole::Name) != name)
            return;
    }
    header = std::move(typed);
}

// A cell of a line cut at blanks, and where it stands on the line, in characters.
struct PlacedCell {
    std::string_view text;
    size_t begin = 0, end = 0;
};

// The cells of a line cut at blanks as its rows are (a glued quantity cut off the word it starts).
std::vector<PlacedCell> placedCells(std::string_view raw, int gluedDecimals) {
    std::vector<PlacedCell> out;
    for (const std::string_view cell : cellsOfLine(raw, 0)) {
        const size_t begin = charCount(raw.substr(0, static_cast<size_t>(cell.data() - raw.data())));
        out.push_back({cell, begin, begin + charCount(cell)});
    }
    if (gluedDecimals >= 0 && !out.empty()) {
        const PlacedCell first = out.front();
        const auto [quantity, rest] = splitGluedQuantity(first.text, gluedDecimals);
        if (!rest.empty()) {
            const size_t at = first.begin + charCount(quantity);
            out.front() = {quantity, first.begin, at};
            out.insert(out.begin() + 1, PlacedCell{rest, at, first.end});
        }
    }
    return out;
}

// Where a column's cells stand over its rows: the first and last characters they start and end at.
struct ColumnPlace {
    size_t minBegin = kFar, maxBegin = 0, minEnd = kFar, maxEnd = 0;
    bool numbers = true;  // every cell a number
    // Its texts start together (names, type words) rather than end together (numbers, printed to
    // the right of their fields). Told by what they are, not by where they stand: the rows' cells
    // are pushed right by numbers wider than their fields, by as much as each row's are.
    bool left() const { return !numbers; }
};

// A title row at blanks cut into the cells of the rows below it, each title (a run of its words)
// over its column. A cut between two columns is a gap between title words where the first
// column's titles end before the second's cells start and the second's titles start after the
// first's cells end, but for the few characters by which numbers printed wider than their fields
// push the cells right of their titles. Of such cuts, the one whose titles of left-aligned columns
// start where their cells do, and whose gaps are wider than the one blank inside a title
// ("Mass [kg]"). Nothing when there is no such cut, or fewer titles than cells.
std::optional<LineTemplate> titlesOverCells(std::string_view title, const std::vector<ColumnPlace>& columns) {
    const std::vector<PlacedCell> words = placedCells(title, -1);
    const size_t n = columns.size(), m = words.size();
    if (n < 2 || m < n) return std::nullopt;
    constexpr size_t kNoCut = ~size_t{0};
    constexpr size_t kPerCharOff = 1000;  // a cut off its cells weighs more than any preference
    constexpr size_t kPerCharAside = 4;   // a left-aligned column's title not over its cells' start
    constexpr size_t kNarrowGap = 2;      // a cut at one blank, as inside a title
    auto distance = [](size_t a, size_t b) { return a > b ? a - b : b - a; };
    size_t bestCost = kNoCut;
    std::vector<size_t> bestStarts;  // the first title word of each column
    for (size_t shift = 0; shift <= kMaxTitleShift; ++shift) {
        // cost[k][j]: the cheapest cut of the titles of columns 0..k-1 before word j, column k from j.
        std::vector<std::vector<size_t>> cost(n, std::vector<size_t>(m, kNoCut)), from(n, std::vector<size_t>(m, 0));
        cost[0][0] = 0;
        for (size_t k = 1; k < n; ++k)
            for (size_t j = k; j + (n - k) <= m; ++j) {
                const size_t gapBegin = words[j - 1].end + shift, gapEnd = words[j].begin + shift;
                const size_t over = gapBegin > columns[k].minBegin ? gapBegin - columns[k].minBegin : 0;
                const size_t under = columns[k - 1].maxEnd > gapEnd ? columns[k - 1].maxEnd - gapEnd : 0;
                if (over > kMaxTitleShift || under > kMaxTitleShift) continue;
                size_t here = kPerCharOff * (over + under);
                if (columns[k].left()) here += kPerCharAside * distance(gapEnd, columns[k].minBegin);
                if (words[j].begin - words[j - 1].end <= 1) here += kNarrowGap;
                for (size_t i = k - 1; i < j; ++i)
                    if (cost[k - 1][i] != kNoCut && cost[k - 1][i] + here < cost[k][j]) {
                        cost[k][j] = cost[k - 1][i] + here;
                        from[k][j] = i;
                    }
            }
        for (size_t j = n - 1; j < m; ++j) {
            if (cost[n - 1][j] >= bestCost) continue;
            bestCost = cost[n - 1][j];
            bestStarts.assign(n, 0);
            for (size_t k = n - 1, at = j; k > 0; at = from[k][at], --k) bestStarts[k] = at;
        }
    }
    if (bestCost == kNoCut) return std::nullopt;
    LineTemplate line;
    for (size_t k = 0; k < n; ++k) {
        const PlacedCell& first = words[bestStarts[k]];
        const PlacedCell& last = words[k + 1 < n ? bestStarts[k + 1] - 1 : m - 1];
        const size_t from = static_cast<size_t>(first.text.data() - title.data());
        const size_t to = static_cast<size_t>(last.text.data() - title.data()) + last.text.size();
        line.cells.push_back({literalPiece(std::string(title.substr(from, to - from)))});
    }
    return line;
}

// Names the cells of a section's rows cut at blanks by the title row above them, cut at the
// columns its rows [begin, end) stand in; the layout reader names each attribute by the title
// over its cell. The titles stay one line where they cannot be placed (the cells are then
// "column N").
void titleBlankCells(const ExportLines& lines, const LineCut& cut, size_t titleLine, size_t begin, size_t end,
                     bool rowsOnly, SectionLayout& section) {
    if (titleLine == kFar || section.titles.size() != 1) return;
    // The rows with the most cells place the columns: a row without a value in its last columns
    // (an assembly's mass) has fewer.
    const auto isRow = [&](size_t i) { return rowsOnly ? cut.row[i] != 0 : !lines.norm(i).empty(); };
    size_t widest = 0;
    for (size_t i = begin; i < end && i < lines.size(); ++i)
        if (isRow(i)) widest = std::max(widest, placedCells(lines.raw(i), cut.gluedDecimals).size());
    std::vector<ColumnPlace> columns(widest);
    for (size_t i = begin; i < end && i < lines.size(); ++i) {
        if (!isRow(i)) continue;
        lines.count(2 * (lines.raw(i).size() + 1));
        const std::vector<PlacedCell> cells = placedCells(lines.raw(i), cut.gluedDecimals);
        if (cells.size() != widest) continue;
        for (size_t k = 0; k < cells.size(); ++k) {
            ColumnPlace& c = columns[k];
            c.minBegin = std::min(c.minBegin, cells[k].begin);
            c.maxBegin = std::max(c.maxBegin, cells[k].begin);
            c.minEnd = std::min(c.minEnd, cells[k].end);
            c.maxEnd = std::max(c.maxEnd, cells[k].end);
            c.numbers = c.numbers && isNumber(cells[k].text);
        }
    }
    lines.count(lines.raw(titleLine).size() + 1);
    if (std::optional<LineTemplate> titles = titlesOverCells(lines.raw(titleLine), columns))
        section.titles.front() = std::move(*titles);
}

bool hasDigit(std::string_view word) {
    return std::any_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A word of a title or a label as they are compared: ASCII letters in lower case, without the
// punctuation around it ("Mass [kg]" and "Total mass:" share "mass").
std::string labelWord(std::string_view word) {
    const auto punctuation = [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x80 && b > ' ' && !((b >= '0' && b <= '9') || ((b | 0x20) >= 'a' && (b | 0x20) <= 'z'));
    };
    while (!word.empty() && punctuation(word.front())) word.remove_prefix(1);
    while (!word.empty() && punctuation(word.back())) word.remove_suffix(1);
    std::string out(word);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// A total line after a section's rows whose label names one of the columns no role takes ("Total
// mass: 12.345 kg" under the title "Mass [kg]"): its number is that column's total, which the
// reading checks against the column summed through the tree. The line as its label, the total
// (named by the column's title) and the words after it; nothing when the line is no label, one
// number and words without digits, or its label names no one such column.
std::optional<LineTemplate> totalLine(const ExportLines& lines, size_t line, const SectionLayout& section) {
    if (section.titles.empty() || line >= lines.size()) return std::nullopt;
    const Words words = lines.fields(line);
    size_t label = 0;
    while (label < words.size() && !hasDigit(words[label])) ++label;
    if (label == 0 || label > kMaxHeaderWords || label >= words.size() || !isNumber(words[label])) return std::nullopt;
    if (std::any_of(words.begin() + static_cast<std::ptrdiff_t>(label) + 1, words.end(), hasDigit)) return std::nullopt;
    std::vector<std::string> labelWords;
    for (size_t k = 0; k < label; ++k)
        if (std::string w = labelWord(words[k]); !w.empty()) labelWords.push_back(std::move(w));
    const std::vector<std::vector<LinePiece>>& cells = section.titles.front().cells;
    std::vector<bool> taken(cells.size(), false);
    for (const CellRole& role : section.row.cells) {
        const int n = static_cast<int>(cells.size());
        const int at = role.cell > 0 ? role.cell - 1 : n + role.cell;
        if (at >= 0 && at < n) taken[static_cast<size_t>(at)] = true;
    }
    std::string column;
    size_t named = 0;
    for (size_t k = 0; k < cells.size(); ++k) {
        if (taken[k]) continue;
        std::string title;
        for (const LinePiece& piece : cells[k]) title += piece.text;
        const std::string_view trimmed = trimBlanks(title);
        bool shares = false;
        for (const std::string_view w : lines.fields(trimmed))
            shares = shares || std::find(labelWords.begin(), labelWords.end(), labelWord(w)) != labelWords.end();
        if (!shares) continue;
        ++named;
        column = std::string(trimmed);
    }
    if (named != 1) return std::nullopt;
    LinePiece total = fieldPiece(FieldRole::Total);
    total.field.parameter = column;
    std::vector<LinePiece> pieces = {literalPiece(joinFields(words, 0, label)), std::move(total)};
    if (label + 1 < words.size()) pieces.push_back(literalPiece(joinFields(words, label + 1, words.size())));
    return wordsLine(std::move(pieces));
}

// Names the attribute columns of a recognised layout as a format file names them: rows cut at
// blanks by the titles above them, and the total lines after the rows by the column whose total
// they print.
void nameColumns(const ExportLines& lines, const LineCut& cut, const SummaryLines& summaryAt, ExportLayout& layout) {
    const size_t firstRow = cut.firstRow();
    const size_t breakdownEnd = summaryAt.heading != kFar ? summaryAt.heading : lines.size();
    if (layout.breakdown && cut.separator == 0)
        titleBlankCells(lines, cut, lines.titleAbove(cut, firstRow), firstRow, breakdownEnd, true, *layout.breakdown);
    if (layout.summary && cut.separator == 0 && summaryAt.heading != kFar)
        titleBlankCells(lines, cut, summaryAt.title, summaryAt.begin, summaryAt.end, false, *layout.summary);
    auto total = [&](SectionLayout& section, size_t line) {
        if (section.trailer.size() != 1) return;
        if (std::optional<LineTemplate> t = totalLine(lines, line, section)) section.trailer.front() = std::move(*t);
    };
    if (layout.breakdown) {
        size_t afterRows = firstRow;
        while (afterRows < lines.size() && cut.row[afterRows]) ++afterRows;
        total(*layout.breakdown, afterRows);
    }
    if (layout.summary && summaryAt.heading != kFar) total(*layout.summary, summaryAt.end);
}

}  // namespace

std::optional<Reading> layoutReadingFor(const ExportLines& lines, const LineCut& cut, ColumnChoice choice,
                                        const KeywordSet& inUse) {
    // Words at blanks, the quantity first, are the keywords' to read unless glued to the name.
    const bool nameFirst = choice.name > 0 && choice.name < choice.quantity;
    if (cut.separator == 0 && cut.gluedDecimals < 0 && !nameFirst) return std::nullopt;
    // Names and type words cut by their columns are matched to their longer forms by the layout
    // reader, as for a format file's precisions.
    // First by the last run of rows taken for the summary, to find the headers of assemblies whose
    // names the rows cut; then by the summary the layout found.
    const RowCuts guess = rowCuts(lines, cut, choice, inUse);
    SummaryLines summaryAt;
    std::optional<Reading> r = layoutOf(lines, cut, choice, inUse, guess.blockNames, summaryAt);
    // A layout of one header a block is taken only where the file's summary agrees with it
    // (engine/recognition/trial.h): one that finds no summary cannot be taken, and is not tried.
    if (r && !r->found.layout->summary) return std::nullopt;
    if (!r) r = labelledLayoutOf(lines, cut, choice, inUse, summaryAt);
    if (!r) return r;
    ExportLayout& layout = *r->found.layout;
    int summaryName = 0;
    if (layout.summary)
        for (const CellRole& c : layout.summary->row.cells)
            if (c.field.role == FieldRole::Name) summaryName = c.cell;
    const RowCuts cuts = rowCuts(lines, cut, choice, inUse, &summaryAt, summaryName);
    if (layout.breakdown) {
        cutAt(layout.breakdown->row, FieldRole::Name, cuts.blockNames);
        cutAt(layout.breakdown->row, FieldRole::Type, cuts.types);
        if (cuts.types.width >= 0) typeWordBeforeName(lines, cut, *layout.breakdown);
    }
    if (layout.summary) {
        cutAt(layout.summary->row, FieldRole::Name, cuts.summaryNames);
        cutAt(layout.summary->row, FieldRole::Type, cuts.types);
    }
    nameColumns(lines, cut, summaryAt, layout);
    return r;
}

}  // namespace trelk::recognition
