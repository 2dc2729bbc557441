#include "engine/reading/bom_format_file.h"

#include <set>
#include <vector>

#include "text/code_page.h"
#include "text/text_codec.h"
#include "text/text_rules.h"

namespace trelk {

namespace {

bool isIdentifierByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "[W]", "[-W.P]", "[W.Pf]" ... at `text`: the format and the bytes it takes, or 0 when the text
// there is no width (it is then literal text).
size_t readFieldFormat(std::string_view text, FieldFormat& format) {
    if (text.empty() || text[0] != '[') return 0;
    const size_t close = text.find(']');
    if (close == std::string_view::npos) return 0;
    const std::string_view inner = text.substr(1, close - 1);
    FieldFormat f;
    size_t i = 0;
    if (i < inner.size() && inner[i] == '-') {
        f.leftAligned = true;
        ++i;
    }
    auto number = [&](int& into) {
        const size_t start = i;
        int64_t value = 0;
        for (; i < inner.size() && isDigit(inner[i]); ++i)
            value = std::min<int64_t>(value * 10 + (inner[i] - '0'), 9999);
        into = static_cast<int>(value);
        return i > start;
    };
    const bool width = number(f.width);
    bool precision = false;
    if (i < inner.size() && inner[i] == '.') {
        ++i;
        precision = number(f.precision);
        if (!precision) return 0;
    }
    if (i < inner.size() && (inner[i] == 's' || inner[i] == 'd' || inner[i] == 'f')) f.conversion = inner[i++];
    if (i != inner.size() || (!width && !precision && f.conversion == 0)) return 0;
    format = f;
    return close + 1;
}

LayoutField systemField(std::string_view word) {
    LayoutField f;
    f.role = word == "quantity" ? FieldRole::Quantity
             : word == "type"   ? FieldRole::Type
             : word == "name"   ? FieldRole::Name
                                : FieldRole::Ignored;
    return f;
}

// One cell's text: literal text and fields.
bool readCell(std::string_view text, std::vector<LinePiece>& pieces, std::string& error) {
    std::string literal;
    auto flush = [&] {
        if (literal.empty()) return;
        LinePiece piece;
        piece.text = std::move(literal);
        pieces.push_back(std::move(piece));
        literal.clear();
    };
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            literal += text[i++];
            continue;
        }
        LayoutField f;
        size_t end = i + 1;
        static constexpr std::string_view kTotal = "[$total(";
        if (text.substr(i + 1, kTotal.size()) == kTotal) {
            const size_t close = text.find(")]", i + 1 + kTotal.size());
            if (close == std::string_view::npos) {
                error = "\"%[$total(\" without its \")]\"";
                return false;
            }
            f.role = FieldRole::Total;
            f.parameter = std::string(text.substr(i + 1 + kTotal.size(), close - i - 1 - kTotal.size()));
            end = close + 2;
        } else {
            const bool system = end < text.size() && text[end] == '$';
            const size_t start = system ? end + 1 : end;
            size_t stop = start;
            while (stop < text.size() && isIdentifierByte(text[stop])) ++stop;
            if (stop == start) {  // a percent sign of the text
                literal += text[i++];
                continue;
            }
            const std::string_view word = text.substr(start, stop - start);
            if (system) {
                f = systemField(word);
            } else {
                f.role = FieldRole::Parameter;
                f.parameter = std::string(word);
            }
            end = stop;
        }
        end += readFieldFormat(text.substr(end), f.format);
        flush();
        LinePiece piece;
        piece.isField = true;
        piece.field = std::move(f);
        pieces.push_back(std::move(piece));
        i = end;
    }
    flush();
    return true;
}

bool readLine(std::string_view text, LineTemplate& line, std::string& error) {
    line.match = LineTemplate::Match::Printed;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(';', start);
        line.cells.emplace_back();
        if (!readCell(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start),
                      line.cells.back(), error))
            return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

enum class Command : uint8_t { None, Breakdown, Summary, Titles, Row, Unknown };

// The command a line starts with, and the text after it (one blank or TAB after the command
// separates the two; further blanks belong to the text, as the titles' padding shows).
Command commandOf(std::string_view line, std::string_view& rest, std::string& word) {
    if (line.size() < 2 || line[0] != '.' ||
        !((line[1] >= 'a' && line[1] <= 'z') || (line[1] >= 'A' && line[1] <= 'Z')))
        return Command::None;
    size_t end = 1;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    word = std::string(line.substr(1, end - 1));
    std::string lower = word;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    rest = line.substr(std::min(end + 1, line.size()));
    if (lower == "breakdown") return Command::Breakdown;
    if (lower == "summary") return Command::Summary;
    if (lower == "titles") return Command::Titles;
    if (lower == "row") return Command::Row;
    return Command::Unknown;
}

}  // namespace

BomFormatFile parseBomFormat(std::string_view text) {
    BomFormatFile result;
    if (startsWithByteOrderMark(text)) text.remove_prefix(kUtf8ByteOrderMark.size());
    ExportLayout layout;
    layout.origin = ExportLayout::Origin::FormatFile;
    SectionLayout* section = nullptr;
    uint32_t sectionLine = 0;
    bool rowSeen = false;
    uint32_t number = 0;
    auto fail = [&](std::string why) {
        result.errorLine = number;
        result.error = std::move(why);
        return result;
    };
    auto sectionDone = [&]() -> bool {
        if (section && !rowSeen) {
            result.errorLine = sectionLine;
            result.error = "the section has no .row";
            return false;
        }
        return true;
    };
    for (const std::string_view line : splitBomLines(text)) {
        ++number;
        std::string_view rest;
        std::string word;
        const Command command = commandOf(line, rest, word);
        switch (command) {
        case Command::Unknown: return fail("unknown command ." + word);
        case Command::Breakdown:
        case Command::Summary: {
            std::optional<SectionLayout>& which = command == Command::Breakdown ? layout.breakdown : layout.summary;
            if (which) return fail("a second ." + word);
            if (rest.find_first_not_of(" \t") != std::string_view::npos) return fail("text after ." + word);
            if (!sectionDone()) return result;
            which.emplace();
            section = &*which;
            sectionLine = number;
            rowSeen = false;
            break;
        }
        case Command::Titles:
        case Command::Row: {
            if (!section) return fail("." + word + " before .breakdown or .summary");
            if (rowSeen) return fail("." + word + " after the section's .row");
            LineTemplate parsed;
            std::string error;
            if (!readLine(rest, parsed, error)) return fail(error);
            if (command == Command::Titles) {
                section->titles.push_back(std::move(parsed));
            } else {
                section->row.split = RowLayout::Split::Printed;
                section->row.printed = std::move(parsed);
                rowSeen = true;
            }
            break;
        }
        case Command::None: {
            LineTemplate parsed;
            std::string error;
            if (!readLine(line, parsed, error)) return fail(error);
            // A line that prints nothing but blanks is an empty line of the export, which tells
            // nothing but where a block's rows end: only the lines after the rows keep one.
            if (parsed.literalOnly() && !(section && rowSeen)) break;
            if (!section)
                layout.prolog.push_back(std::move(parsed));
            else if (rowSeen)
                section->trailer.push_back(std::move(parsed));
            else if (section->titles.empty())
                section->heading.push_back(std::move(parsed));
            else
                return fail("text between .titles and .row");
            break;
        }
        }
    }
    if (!sectionDone()) return result;
    if (!layout.breakdown && !layout.summary) {
        number = 1;
        return fail("no .breakdown and no .summary");
    }
    result.layout = std::move(layout);
    return result;
}

namespace {

// The words of the format's literal texts that hold other bytes than ASCII: the ones that tell
// two decodings apart.
std::set<std::string> telltaleWords(const ExportLayout& layout) {
    std::set<std::string> words;
    auto add = [&](const LineTemplate& line) {
        for (const std::vector<LinePiece>& cell : line.cells)
            for (const LinePiece& piece : cell) {
                if (piece.isField) continue;
                size_t start = 0;
                for (;;) {
                    const size_t end = piece.text.find_first_of(" \t|;", start);
                    const std::string word = piece.text.substr(start, end - start);
                    for (const char c : word)
                        if (static_cast<unsigned char>(c) >= 0x80) {
                            words.insert(word);
                            break;
                        }
                    if (end == std::string::npos) break;
                    start = end + 1;
                }
            }
    };
    auto addSection = [&](const std::optional<SectionLayout>& section) {
        if (!section) return;
        for (const auto* lines : {&section->heading, &section->titles, &section->trailer})
            for (const LineTemplate& line : *lines) add(line);
        add(section->row.printed);
    };
    for (const LineTemplate& line : layout.prolog) add(line);
    addSection(layout.breakdown);
    addSection(layout.summary);
    return words;
}

size_t wordsFound(const std::string& text, std::string_view exportBytes) {
    const BomFormatFile parsed = parseBomFormat(text);
    if (!parsed.layout) return 0;
    size_t found = 0;
    for (const std::string& word : telltaleWords(*parsed.layout))
        found += exportBytes.find(word) != std::string_view::npos;
    return found;
}

}  // namespace

DecodedBomFormat decodeBomFormat(std::string_view bytes, std::string_view exportBytes) {
    if (isValidUtf8(bytes)) {
        if (startsWithByteOrderMark(bytes)) bytes.remove_prefix(kUtf8ByteOrderMark.size());
        return {std::string(bytes), "UTF-8"};
    }
    if (!isValidUtf8(cutAtEndOfFileMark(exportBytes))) return {std::string(bytes), "the BOM file's"};
    std::string western = windows1252ToUtf8(bytes);
    const std::optional<std::string> chinese = gbkToUtf8(bytes);
    if (chinese && wordsFound(*chinese, exportBytes) >= wordsFound(western, exportBytes)) return {*chinese, "GBK"};
    return {std::move(western), "Windows-1252"};
}

}  // namespace trelk
