#include "engine/recognition/candidate_reading.h"

#include <algorithm>
#include <map>
#include <unordered_set>
#include <vector>

#include "engine/reading/line_classifier.h"
#include "engine/recognition/recognition_limits.h"

namespace trelk::recognition {

namespace {

// A few words around the name, as headers have: a line of text is no header.
bool setHeaderRule(const ExportLines& lines, const std::string& before, const std::string& after, Reading& r) {
    if (before.empty() && after.empty()) return false;
    if (lines.fields(before).size() > kMaxHeaderWords || lines.fields(after).size() > kMaxHeaderWords) return false;
    if (before.size() > kMaxKeywordBytes || after.size() > kMaxKeywordBytes) return false;
    r.headerBefore = before;
    r.headerAfter = after;
    if (before.empty()) {
        r.found.keywords.contains = after;
    } else {
        r.found.columns.Header = before + " " + std::string(kNamePlaceholder);
        if (!after.empty()) r.found.columns.Header += " " + after;
    }
    return true;
}

// Words `begin` to `end` of a line's words (not cells) as the normalised line holds them, one
// blank between each two: the text joinFields makes of them, without making it.
std::string_view wordsText(const LineWords& words, size_t begin, size_t end) {
    if (begin >= end) return {};
    const char* const from = words[begin].data();
    return std::string_view(from, static_cast<size_t>(words[end - 1].data() + words[end - 1].size() - from));
}

// A file of one block: its header is the line above the first rows that shares a name with a
// line that leads later rows, the summary. The name is the one the summary ends with, or the
// one where the CAD system writes it in a header, before the last field; or the one they share.
bool findSingleHeader(const ExportLines& lines, const LineCut& cut, Reading& r) {
    const size_t first = cut.firstRow();
    size_t header = kFar;
    for (size_t i = first; i-- > 0;)
        if (lines.leads(cut, i)) {
            header = i;
            break;
        }
    if (header == kFar) return false;
    const LineWords f = lines.words(header);
    if (f.size() < 2) return false;
    // Looked up, not searched: a header and lines of many words must not cost their product.
    const SortedWords inHeader(f.begin(), f.end());
    for (size_t s = first; s < lines.size(); ++s) {
        if (!lines.leads(cut, s)) continue;
        const LineWords title = lines.words(s);
        if (title.size() < 2) continue;
        const std::string_view titleEnd = withoutColon(title.back());
        if (!inHeader.count(titleEnd) &&
            std::none_of(title.begin(), title.end(), [&](std::string_view word) { return inHeader.count(word); }))
            continue;
        const SortedWords inTitle(title.begin(), title.end());
        std::vector<size_t> shared;
        for (size_t p = 0; p < f.size(); ++p)
            if (inTitle.count(f[p]) || f[p] == titleEnd) shared.push_back(p);
        size_t p = shared.front();
        const auto named = [&](size_t at) { return std::find(shared.begin(), shared.end(), at) != shared.end(); };
        const auto last = std::find(f.begin(), f.end(), withoutColon(title.back()));
        if (last != f.end())
            p = static_cast<size_t>(last - f.begin());
        else if (named(f.size() - 2))
            p = f.size() - 2;
        else if (shared.size() == 2 && shared.front() == 0)  // the type word a header starts with
            p = shared.back();
        else if (shared.size() > 1)
            return false;
        const std::string after(wordsText(f, p + 1, f.size()));
        return setHeaderRule(lines, after.empty() ? std::string(wordsText(f, 0, p)) : std::string(), after, r);
    }
    return false;
}

// The header rule: the words after the name that the lines naming a member share, and the
// words before it that every such line ends with. Without a block that names a member, the
// one header there is is the line before the first rows that names what the summary names.
bool findHeaders(const ExportLines& lines, const LineCut& cut, const SortedWords& members, Reading& r) {
    // The words after the last member each line names; the likeliest are those most lines have.
    std::vector<std::string_view> afters;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines.leads(cut, i)) continue;
        const LineWords f = lines.words(i);
        if (f.size() < 2) continue;
        for (size_t p = f.size(); p-- > 0;)
            if (members.count(f[p])) {
                afters.push_back(wordsText(f, p + 1, f.size()));
                break;
            }
    }
    std::sort(afters.begin(), afters.end());
    std::string after;
    size_t most = 0;
    for (size_t i = 0, j = 0; i < afters.size(); i = j) {
        while (j < afters.size() && afters[j] == afters[i]) ++j;
        if (j - i > most || (j - i == most && afters[i].size() > after.size())) {
            most = j - i;
            after = std::string(afters[i]);
        }
    }
    if (most == 0) return findSingleHeader(lines, cut, r);
    // Text that differs from block to block (a description after the name) is no part of the
    // rule: of the lines whose words after the name begin as the likeliest's do, only the words
    // they all share are kept. Else the rule would find only the blocks that print the same text.
    std::vector<std::string_view> afterFields = lines.fields(after);
    if (!afterFields.empty())
        for (size_t i = 0; i < lines.size(); ++i) {
            if (!lines.leads(cut, i)) continue;
            const LineWords f = lines.words(i);
            for (size_t p = f.size(); p-- > 0;) {
                if (!members.count(f[p])) continue;
                if (p + 1 < f.size() && f[p + 1] == afterFields.front()) {
                    size_t n = 1;
                    while (n < afterFields.size() && p + 1 + n < f.size() && f[p + 1 + n] == afterFields[n]) ++n;
                    afterFields.resize(n);
                }
                break;
            }
        }
    after = joinFields(afterFields, 0, afterFields.size());
    afterFields = lines.fields(after);
    // The words before the name that every line that leads rows and ends so ends with.
    std::vector<std::string_view> before;
    bool anyBefore = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines.leads(cut, i)) continue;
        const LineWords f = lines.words(i);
        if (f.size() < afterFields.size() + 1 || !std::equal(afterFields.begin(), afterFields.end(),
                                                             f.end() - static_cast<std::ptrdiff_t>(afterFields.size())))
            continue;
        if (after.empty() && !members.count(f.back())) continue;
        const std::string_view* const end = f.end() - static_cast<std::ptrdiff_t>(afterFields.size()) - 1;
        if (anyBefore)
            keepCommonEnd(before, f.begin(), end);
        else
            before.assign(f.begin(), end);
        anyBefore = true;
    }
    // With the name last, only the lines naming a member were taken: the main header, the line
    // nearest above the first rows, may have another word before the words they share.
    if (after.empty())
        for (size_t i = cut.firstRow(); i-- > 0;) {
            if (!lines.leads(cut, i)) continue;
            const LineWords f = lines.words(i);
            if (f.size() < 2) break;
            std::vector<std::string_view> both =
                anyBefore ? before : std::vector<std::string_view>(f.begin(), f.end() - 1);
            if (anyBefore) keepCommonEnd(both, f.begin(), f.end() - 1);
            if (!both.empty()) before = std::move(both);
            break;
        }
    return setHeaderRule(lines, joinFields(before, 0, before.size()), after, r);
}

// A line that the header rule would take if text were allowed to follow its first word after the
// name: the rule's words before a name, and the first of its words after it, then anything.
bool nearlyHeader(const LineWords& f, const std::vector<std::string_view>& before,
                  const std::vector<std::string_view>& after) {
    for (size_t p = before.size(); p < f.size(); ++p) {
        if (!std::equal(before.begin(), before.end(), f.begin() + static_cast<std::ptrdiff_t>(p - before.size())))
            continue;
        if (after.empty() || (p + 1 < f.size() && f[p + 1] == after.front())) return true;
    }
    return false;
}

// Where the blocks stand: by line, the name of the block whose header is the nearest above
// (empty above the first and in the summary), and the names of all blocks.
struct Blocks {
    std::vector<std::string_view> of;
    std::unordered_set<std::string_view> names;  // views of the lines, as the names in `of`
};

// The sub-assembly word is the type of the members that have blocks; the part word the most
// usual type of the others. A row that names the block it stands in, or a row of the summary,
// is a part of an assembly's name: an assembly holds no copy of itself, and the summary lists
// parts.
bool findTypeWords(const ExportLines& lines, const LineCut& cut, int t, int name, const Blocks& blocks,
                   KeywordSet& keywords) {
    std::map<std::string, size_t> withBlock, without;
    size_t rowsWithBlock = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!cut.row[i]) continue;
        std::string type(lines.cell(cut, i, t));
        if (cut.separator == 0 && !cut.restOf.empty()) type += cut.restOf[i];
        if (type.empty()) return false;
        const std::string_view member = lines.cell(cut, i, name);
        if (!blocks.of[i].empty() && member != blocks.of[i] && blocks.names.count(member)) {
            ++withBlock[type];
            ++rowsWithBlock;
        } else {
            ++without[type];
        }
    }
    std::unordered_set<std::string> distinct;
    for (const auto& w : withBlock) distinct.insert(w.first);
    for (const auto& w : without) distinct.insert(w.first);
    if (distinct.size() > kMaxTypeWords) return false;
    for (const std::string& word : distinct)
        if (!hasLetter(word)) return false;
    std::string sub;
    size_t most = 0;
    for (const auto& [word, rows] : withBlock)
        if (rows > most) {
            most = rows;
            sub = word;
        }
    if (rowsWithBlock > 0 && most * 5 < rowsWithBlock * kSubAssemblyWordFifths) return false;
    std::string part;
    most = 0;
    for (const auto& [word, rows] : without)
        if (word != sub && rows > most) {
            most = rows;
            part = word;
        }
    if (!sub.empty()) keywords.SubAssembly = sub;
    if (!part.empty()) keywords.Part = part;
    return !part.empty() || !sub.empty();
}

bool standsBefore(const ExportLines& lines, std::string_view keyword, size_t line) {
    for (size_t i = 0; i < line; ++i) {
        lines.count(lines.norm(i).size() + lines.raw(i).size() + 1);
        if (lines.norm(i).find(keyword) != std::string::npos || lines.raw(i).find(keyword) != std::string_view::npos)
            return true;
    }
    return false;
}

// The summary: a line after the main header that names the main assembly and leads rows. Its
// keyword is the text before the name when the name ends the line, else the text after it;
// it must not stand in an earlier line, where the report's copy of the file would stop.
// Returns the summary's line, or kFar.
size_t findSummary(const ExportLines& lines, const LineCut& cut, size_t mainLine, Reading& r) {
    for (size_t i = mainLine + 1; i < lines.size(); ++i) {
        if (!lines.leads(cut, i)) continue;
        const LineWords f = lines.words(i);
        size_t p = f.size();
        if (!f.empty() && withoutColon(f.back()) == r.mainName)
            p = f.size() - 1;
        else
            for (size_t k = 0; k < f.size(); ++k)
                if (f[k] == r.mainName) p = k;
        if (p == f.size() || f.size() < 2) continue;
        const std::string before(wordsText(f, 0, p)), after(wordsText(f, p + 1, f.size()));
        // A line that is a header too is no summary.
        LineClassifier classifier(r.found.keywords, r.found.columns);
        lines.count(lines.raw(i).size() + 1);
        if (classifier.classify(lines.raw(i)).header) continue;
        // The words before a name that ends the line may stand in other lines (short words
        // inside longer ones): then the whole line, which names the main assembly too, is it.
        const std::string_view line = lines.norm(i);
        for (const std::string_view keyword :
             p + 1 == f.size() ? std::vector<std::string_view>{before, line} : std::vector<std::string_view>{after}) {
            // The report's copy of the file looks for the keyword across line ends: one holding
            // a line-end byte (an LF inside a line) could match earlier than in this line.
            if (keyword.empty() || keyword.size() > kMaxKeywordBytes ||
                keyword.find_first_of("\r\n") != std::string_view::npos || standsBefore(lines, keyword, i))
                continue;
            r.found.keywords.SummaryOfParts = std::string(keyword);
            return i;
        }
        return i;
    }
    return kFar;
}

}  // namespace

std::optional<Reading> readingFor(const ExportLines& lines, const LineCut& cut, ColumnChoice choice,
                                  const KeywordSet& inUse, const ColumnLayout& columnsInUse) {
    const int q = choice.quantity, t = choice.type, name = choice.name;
    Reading r;
    ColumnLayout& columns = r.found.columns;
    columns.Quantity = q;
    columns.Type = t;
    columns.Name = name;
    columns.Separator = cut.separator;
    KeywordSet& keywords = r.found.keywords;
    keywords = inUse;
    if (!lines.anyName(cut, name) || !findHeaders(lines, cut, lines.leadMembers(cut, name), r)) return std::nullopt;
    // The lines the header rule takes, and the names of their blocks.
    LineClassifier classifier(keywords, columns);
    Blocks blocks;
    blocks.of.assign(lines.size(), std::string_view());
    size_t mainLine = kFar;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (cut.row[i] || cut.rest[i]) continue;
        lines.count(lines.raw(i).size() + 1);
        const LineClass c = classifier.classify(lines.raw(i));
        if (!c.header) continue;
        if (mainLine == kFar) {
            mainLine = i;
            r.mainName = std::string(c.headerName);
        }
        blocks.of[i] = c.headerName;
        blocks.names.emplace(c.headerName);
    }
    if (mainLine == kFar || r.mainName.empty()) return std::nullopt;
    // A rule that misses lines shaped as its headers (text after the name that differs from
    // block to block) would find only some blocks, and might take a sub-assembly for the main
    // assembly: it reads no block rather than some.
    {
        const std::vector<std::string_view> before = lines.fields(r.headerBefore), after = lines.fields(r.headerAfter);
        for (size_t i = 0; i < lines.size(); ++i)
            if (blocks.of[i].empty() && lines.leads(cut, i) && nearlyHeader(lines.words(i), before, after))
                return std::nullopt;
    }
    // The summary is found by its header rule alone, before the type words it tells apart.
    const size_t summaryLine = findSummary(lines, cut, mainLine, r);
    if (t != 0) {
        std::string_view block;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i == summaryLine || !blocks.of[i].empty()) block = i == summaryLine ? std::string_view() : blocks.of[i];
            blocks.of[i] = block;
        }
        if (!findTypeWords(lines, cut, t, name, blocks, keywords)) return std::nullopt;
    }
    if (cut.separator != 0) {
        const size_t titleLine = lines.titleAbove(cut, cut.firstRow());
        if (titleLine != kFar) {
            const LineWords c = lines.cells(cut, titleLine);
            r.found.quantityTitle = std::string(cellAt(c, q));
            r.found.nameTitle = std::string(cellAt(c, name));
            if (t != 0) r.found.typeTitle = std::string(cellAt(c, t));
        }
    }
    const KeywordSet& k = keywords;
    r.found.wordsRecognised = (columns.Header.empty() && k.contains != inUse.contains) ||
                              (t != 0 && (k.SubAssembly != inUse.SubAssembly || k.Part != inUse.Part)) ||
                              k.SummaryOfParts != inUse.SummaryOfParts;
    r.found.layoutRecognised = !(columns == columnsInUse);
    return r;
}

}  // namespace trelk::recognition
