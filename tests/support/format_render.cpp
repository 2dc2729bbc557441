#include "support/format_render.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

namespace trelk::testing {

namespace {

// ---- The format file, parsed ----

struct Spec {
    bool left = false;
    size_t width = 0;
    int precision = -1;   // none
    char conversion = 0;  // 's', 'd', 'f' or none
};

struct Item {
    enum Kind { Text, Name, Type, Quantity, Parameter, Total } kind = Text;
    std::string text;  // the literal text, the parameter's name, or what a total adds up
    Spec spec;
};

using Cell = std::vector<Item>;
using Line = std::vector<Cell>;  // cut at ';'

struct Section {
    bool present = false;
    std::vector<Line> header, titles, rows, trailer;
};

struct Format {
    std::vector<Line> top;
    Section breakdown, summary;
};

bool parseSpec(std::string_view text, size_t& at, Spec& spec) {
    size_t i = at + 1;
    auto number = [&](size_t& value) {
        const size_t start = i;
        for (value = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            value = value * 10 + static_cast<size_t>(text[i] - '0');
        return i > start;
    };
    Spec s;
    if (i < text.size() && text[i] == '-') s.left = true, ++i;
    number(s.width);
    if (i < text.size() && text[i] == '.') {
        ++i;
        size_t precision = 0;
        if (!number(precision)) return false;
        s.precision = static_cast<int>(precision);
    }
    if (i < text.size() && (text[i] == 's' || text[i] == 'd' || text[i] == 'f')) s.conversion = text[i++];
    if (i >= text.size() || text[i] != ']') return false;
    spec = s;
    at = i + 1;
    return true;
}

// A parameter's name: ASCII letters, digits and '_'; bytes of other scripts too (an assumption:
// the CAD system names its parameters in ASCII, but a format may be written otherwise).
bool nameByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || u >= 0x80;
}

Line parseLine(std::string_view text) {
    Line line(1);
    auto literal = [&](std::string_view piece) {
        Cell& cell = line.back();
        if (cell.empty() || cell.back().kind != Item::Text) cell.push_back({Item::Text, "", {}});
        cell.back().text += piece;
    };
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ';') {
            line.emplace_back();
            ++i;
            continue;
        }
        if (text[i] != '%') {
            literal(text.substr(i++, 1));
            continue;
        }
        Item item;
        size_t next = i + 1;
        static const std::pair<std::string_view, Item::Kind> kFields[] = {
            {"$name", Item::Name}, {"$type", Item::Type}, {"$quantity", Item::Quantity}};
        bool found = false;
        for (const auto& [word, kind] : kFields)
            if (text.substr(next, word.size()) == word) {
                item.kind = kind;
                next += word.size();
                found = true;
                break;
            }
        const std::string_view total = "[$total(";
        if (!found && text.substr(next, total.size()) == total) {
            const size_t close = text.find(")]", next);
            if (close != std::string_view::npos) {
                item.kind = Item::Total;
                item.text = std::string(text.substr(next + total.size(), close - next - total.size()));
                next = close + 2;
                found = true;
            }
        }
        if (!found && next < text.size() && nameByte(text[next])) {
            item.kind = Item::Parameter;
            while (next < text.size() && nameByte(text[next])) item.text += text[next++];
            found = true;
        }
        if (!found) {
            literal("%");
            ++i;
            continue;
        }
        if (next < text.size() && text[next] == '[') parseSpec(text, next, item.spec);
        line.back().push_back(item);
        i = next;
    }
    return line;
}

// The text after a command word and one blank or TAB; false when the line is not that command.
bool command(std::string_view line, std::string_view word, std::string_view& rest) {
    if (line.substr(0, word.size()) != word) return false;
    rest = line.substr(word.size());
    if (!rest.empty() && rest[0] != ' ' && rest[0] != '\t') return false;
    if (!rest.empty()) rest.remove_prefix(1);
    return true;
}

Format parseFormat(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Format format;
    Section* section = nullptr;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::string_view rest;
        if (command(line, ".breakdown", rest) || command(line, ".summary", rest)) {
            section = line[1] == 'b' ? &format.breakdown : &format.summary;
            section->present = true;
        } else if (!section) {
            format.top.push_back(parseLine(line));
        } else if (command(line, ".titles", rest)) {
            section->titles.push_back(parseLine(rest));
        } else if (command(line, ".row", rest)) {
            section->rows.push_back(parseLine(rest));
        } else if (!section->rows.empty()) {
            // Blank lines after the rows are what real exports show; rules and total lines there
            // are taken to print the same way (an assumption).
            section->trailer.push_back(parseLine(line));
        } else if (!section->titles.empty()) {
            section->titles.push_back(parseLine(line));  // a further title line, written without the command
        } else {
            section->header.push_back(parseLine(line));
        }
    }
    return format;
}

// ---- Printing ----

size_t characters(std::string_view text) {
    size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// The byte length of the first `count` characters.
size_t bytesOf(std::string_view text, size_t count) {
    size_t i = 0;
    for (size_t n = 0; i < text.size() && n < count; ++n)
        for (++i; i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;) ++i;
    return i;
}

bool numberOf(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
}

std::string padded(std::string text, const Spec& spec) {
    const size_t n = characters(text);
    if (n >= spec.width) return text;
    const std::string blanks(spec.width - n, ' ');
    return spec.left ? text + blanks : blanks + text;
}

std::string printValue(const Spec& spec, const std::string* value) {
    if (!value) return std::string(spec.width, ' ');
    double number = 0;
    if ((spec.conversion == 'f' || spec.conversion == 'd') && numberOf(*value, number)) {
        if (spec.conversion == 'd') return padded(std::to_string(std::llround(number)), spec);
        char buffer[400];  // room for the largest double with its decimals
        std::snprintf(buffer, sizeof buffer, "%.*f", spec.precision < 0 ? 6 : spec.precision, number);
        return padded(buffer, spec);
    }
    std::string text = *value;
    if (spec.precision >= 0 && spec.conversion != 'f' && spec.conversion != 'd')
        text.resize(bytesOf(text, static_cast<size_t>(spec.precision)));
    return padded(text, spec);
}

// Only a text with no cut runs on to further lines; a number wider than its field just prints wider.
bool wraps(const Spec& spec, std::string_view text) {
    return spec.width > 0 && spec.precision < 0 && spec.conversion != 'f' && spec.conversion != 'd' &&
           characters(text) > spec.width;
}

void trimEnd(std::string& line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
}

// What the fields of one printed line stand for. Outside rows, `%$quantity` prints 1 (an
// assumption: no known format prints it there).
struct Subject {
    const Model* model = nullptr;
    int64_t quantity = 0;
    std::string_view type;
};

// The rows printed so far in a block or the summary, for its total lines.
using Rows = std::vector<std::pair<const Model*, int64_t>>;

std::string fieldText(const Item& item, const Subject& subject, const Rows& rows) {
    switch (item.kind) {
    case Item::Name: return printValue(item.spec, &subject.model->name);
    case Item::Type: {
        const std::string type(subject.type);
        return printValue(item.spec, &type);
    }
    case Item::Quantity: {
        const std::string quantity = std::to_string(subject.quantity);
        return printValue(item.spec, &quantity);
    }
    case Item::Parameter: return printValue(item.spec, subject.model->parameter(item.text));
    case Item::Total: {
        // Assumption: with no conversion a total of quantities prints as a whole number, any other
        // total as `f` prints it, with six decimals.
        std::string sum;
        if (item.text == "$quantity") {
            int64_t count = 0;
            for (const auto& row : rows) count += row.second;
            sum = std::to_string(count);
        } else {
            double amount = 0, value = 0;
            for (const auto& [model, quantity] : rows) {
                const std::string* text = model->parameter(item.text);
                if (text && numberOf(*text, value)) amount += static_cast<double>(quantity) * value;
            }
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.6f", amount);
            sum = buffer;
        }
        return printValue(item.spec, &sum);
    }
    case Item::Text: break;
    }
    return item.text;
}

// The width of a cell whose fields all have widths: its literal characters plus its fields'
// widths. A cell holding a field of no width prints as long as its value is: it has none.
size_t cellWidth(const Cell& cell, bool& fixed) {
    size_t width = 0;
    fixed = true;
    for (const Item& item : cell) {
        width += item.kind == Item::Text ? characters(item.text) : item.spec.width;
        if (item.kind != Item::Text && item.spec.width == 0) fixed = false;
    }
    return width;
}

// The widths the cells of a section's titles and rows are padded to. A title is padded to its
// row cell's width; assumption: a wider title widens that column in the rows too, when the row's
// cell has a fixed width.
std::vector<size_t> columnWidths(const Section& section) {
    std::vector<size_t> widths;
    const Line* row = section.rows.empty() ? nullptr : &section.rows.front();
    for (const Line& titles : section.titles)
        for (size_t i = 0; i < titles.size(); ++i) {
            bool fixed = true;
            size_t width = cellWidth(titles[i], fixed);
            if (row && i < row->size()) {
                const size_t rowWidth = cellWidth((*row)[i], fixed);
                width = fixed ? std::max(width, rowWidth) : rowWidth;
            }
            if (widths.size() <= i) widths.resize(i + 1, 0);
            widths[i] = std::max(widths[i], width);
        }
    return widths;
}

// One line of the format, printed: the line itself, then the lines that the rest of too-wide
// texts run on to. Assumption: a continuation starts where the text in front of its field starts
// within the cell (the default format's rows are one cell of three fields, and the German export
// prints "pe" under the blank before the type column).
void printLine(const Line& line, const Subject& subject, const Rows& rows, const std::vector<size_t>& widths,
               std::vector<std::string>& out) {
    struct Piece {
        size_t column;
        std::string text;
    };
    std::vector<std::vector<Piece>> more;
    std::string first;
    size_t column = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        const size_t cellStart = column;
        size_t segmentStart = column;
        for (const Item& item : line[i]) {
            if (item.kind == Item::Text) {
                first += item.text;
                column += characters(item.text);
                continue;
            }
            std::string text = fieldText(item, subject, rows);
            if (wraps(item.spec, text)) {
                std::string_view rest = text;
                for (size_t k = 0; !rest.empty(); ++k) {
                    const size_t cut = bytesOf(rest, item.spec.width);
                    if (k > 0) {
                        if (more.size() < k) more.resize(k);
                        more[k - 1].push_back({segmentStart, std::string(rest.substr(0, cut))});
                    }
                    rest.remove_prefix(cut);
                }
                text.resize(bytesOf(text, item.spec.width));
            }
            first += text;
            column += characters(text);
            segmentStart = column;
        }
        if (i < widths.size() && column - cellStart < widths[i]) {
            first.append(widths[i] - (column - cellStart), ' ');
            column = cellStart + widths[i];
        }
    }
    trimEnd(first);
    out.push_back(first);
    for (const std::vector<Piece>& pieces : more) {
        std::string text;
        size_t at = 0;
        for (const Piece& piece : pieces) {
            text.append(piece.column - at, ' ');
            text += piece.text;
            at = piece.column + characters(piece.text);
        }
        trimEnd(text);
        out.push_back(text);
    }
}

}  // namespace

const std::vector<TypeWords>& typeWordSets() {
    static const std::vector<TypeWords> sets = {
        {"Assembly", "Sub-Assembly", "Sub-Assembly", "Part"},
        {"Baugruppe", "Unterbaugruppe", "Unterbaugruppe", "Teil"},
        {"アセンブリ", "サブアセンブリ", "サブアセンブリ", "部品"},
        {"Сборка", "Подсборка", "Подсборка", "Деталь"},
        {"组件", "子组件", "子组件", "零件"},
    };
    return sets;
}

std::string printField(std::string_view spec, const std::string* value) {
    Spec parsed;
    size_t at = 0;
    if (!spec.empty()) parseSpec(spec, at, parsed);
    return printValue(parsed, value);
}

std::string renderExport(std::string_view formatText, const Product& product, const RenderOptions& options) {
    const Format format = parseFormat(formatText);
    const std::vector<Model>& models = product.models;
    const TypeWords& words = options.words;

    // The blocks: the main assembly, then depth first in member order, each assembly once.
    std::vector<size_t> blocks;
    std::vector<bool> listed(models.size(), false);
    const std::function<void(size_t)> addBlock = [&](size_t a) {
        listed[a] = true;
        blocks.push_back(a);
        for (const Member& m : models[a].members)
            if (models[m.model].assembly && !listed[m.model]) addBlock(m.model);
    };
    addBlock(0);
    // How many of each part one assembly holds, worked out once per assembly.
    std::map<size_t, std::map<size_t, int64_t>> contents;
    const std::function<const std::map<size_t, int64_t>&(size_t)> partsIn =
        [&](size_t a) -> const std::map<size_t, int64_t>& {
        auto found = contents.find(a);
        if (found != contents.end()) return found->second;
        std::map<size_t, int64_t> parts;
        for (const Member& m : models[a].members) {
            if (!models[m.model].assembly)
                parts[m.model] += m.quantity;
            else
                for (const auto& [part, count] : partsIn(m.model)) parts[part] += m.quantity * count;
        }
        return contents[a] = std::move(parts);
    };
    const std::map<size_t, int64_t>& build = partsIn(0);

    std::vector<std::string> out;
    const Rows none;
    auto printLines = [&](const std::vector<Line>& lines, const Subject& subject, const Rows& rows,
                          const std::vector<size_t>& widths) {
        for (const Line& line : lines) printLine(line, subject, rows, widths, out);
    };
    const Subject main{&models[0], 1, words.mainAssembly};
    printLines(format.top, main, none, {});

    if (format.breakdown.present) {
        const std::vector<size_t> widths = columnWidths(format.breakdown);
        for (const size_t a : blocks) {
            const Subject header{&models[a], 1, a == 0 ? words.mainAssembly : words.subAssembly};
            printLines(format.breakdown.header, header, none, {});
            printLines(format.breakdown.titles, header, none, widths);
            Rows rows;
            for (const Member& m : models[a].members) {
                const Model& member = models[m.model];
                rows.emplace_back(&member, m.quantity);
                printLines(format.breakdown.rows,
                           {&member, m.quantity, member.assembly ? words.subAssemblyRow : words.partRow}, none, widths);
            }
            printLines(format.breakdown.trailer, header, rows, {});
        }
    }
    if (format.summary.present) {
        // The parts in the order of their first row in the breakdown (an assumption: "in order of
        // first appearance" is taken as the printed order of the blocks, not the tree's).
        const std::vector<size_t> widths = columnWidths(format.summary);
        printLines(format.summary.header, main, none, {});
        printLines(format.summary.titles, main, none, widths);
        Rows rows;
        std::vector<bool> done(models.size(), false);
        for (const size_t a : blocks)
            for (const Member& m : models[a].members) {
                const Model& part = models[m.model];
                if (part.assembly || done[m.model]) continue;
                done[m.model] = true;
                rows.emplace_back(&part, build.at(m.model));
                printLines(format.summary.rows, {&part, build.at(m.model), words.partRow}, none, widths);
            }
        printLines(format.summary.trailer, main, rows, {});
    }

    std::string text = options.byteOrderMark ? "\xEF\xBB\xBF" : "";
    for (const std::string& line : out) text += line + options.lineEnd;
    return text;
}

std::vector<Parameter> formatParameters(std::string_view formatText) {
    const Format format = parseFormat(formatText);
    std::vector<Parameter> parameters;
    auto note = [&](const std::string& name, bool numeric, int places) {
        auto found =
            std::find_if(parameters.begin(), parameters.end(), [&](const Parameter& p) { return p.name == name; });
        if (found == parameters.end()) {
            parameters.push_back({name, numeric, numeric ? places : 0});
        } else if (numeric) {
            found->places = found->numeric ? std::min(found->places, places) : places;
            found->numeric = true;
        }
    };
    auto scan = [&](const std::vector<Line>& lines) {
        for (const Line& line : lines)
            for (const Cell& cell : line)
                for (const Item& item : cell) {
                    const Spec& spec = item.spec;
                    const int places = spec.conversion == 'd'                          ? 0
                                       : spec.conversion == 'f' && spec.precision >= 0 ? std::min(spec.precision, 3)
                                                                                       : 3;
                    if (item.kind == Item::Parameter)
                        note(item.text, spec.conversion == 'f' || spec.conversion == 'd', places);
                    else if (item.kind == Item::Total && item.text != "$quantity")
                        note(item.text, true, 3);
                }
    };
    scan(format.top);
    for (const Section* section : {&format.breakdown, &format.summary}) {
        scan(section->header);
        scan(section->titles);
        scan(section->rows);
        scan(section->trailer);
    }
    return parameters;
}

// The built-in format: two blank lines at the top and after every block, as real exports show.
const std::string_view kDefaultFormat =
    "\n"
    "\n"
    ".breakdown\n"
    "%$type %$name contains:\n"
    ".row %$quantity[6d] %$type[12s]  %$name\n"
    "\n"
    "\n"
    ".summary\n"
    "Summary of parts for assembly %$name:\n"
    ".row %$quantity[6d] %$type[12s]  %$name\n";

std::string defaultFormatIn(std::string_view blockHeader, std::string_view summaryHeading) {
    std::string format(kDefaultFormat);
    for (const auto& [english, local] : {std::pair{std::string_view("%$type %$name contains:"), blockHeader},
                                         {"Summary of parts for assembly %$name:", summaryHeading}})
        format.replace(format.find(english), english.size(), local);
    return format;
}

const std::string_view kGermanLabelsFormat =
    ".breakdown\n"
    "Stückliste\n"
    "Zeichnungsnummer:\t%ZEICHNUNGSNR\n"
    "Modellname:\t\t%$name\n"
    "Art:\t\t\t%$type\n"
    ".titles Menge;\tTyp;\tModellname;\tBenennung;\tWerkstoff\n"
    ".row %$quantity;\t%$type;\t%$name;\t%BENENNUNG;\t%WERKSTOFF\n"
    "\n"
    ".summary\n"
    "Stückliste\n"
    "Zeichnungsnummer:\t%ZEICHNUNGSNR\n"
    "Modellname:\t\t%$name\n"
    "Art:\t\t\tGesamtstückliste\n"
    ".titles Menge;\tTyp;\tModellname;\tBenennung;\tWerkstoff\n"
    ".row %$quantity;\t%$type;\t%$name;\t%BENENNUNG;\t%WERKSTOFF\n";

const std::string_view kCutNamesCostFormat =
    ".breakdown\n"
    "%$type %$name contains:\n"
    ".titles Name;  Type;  Qty;      Cost\n"
    ".row %$name[-18.18s];  %$type[-9.9s];%$quantity[5d];%cost[10.2f]\n"
    "Total cost: %[$total(cost)][10.2f]\n"
    "\n"
    ".summary\n"
    "Summary of parts for assembly %$name:\n"
    ".titles Name;  Type;  Qty;      Cost\n"
    ".row %$name[-20.20s];  %$type[-9.9s];%$quantity[5d];%cost[10.2f]\n"
    "Total cost: %[$total(cost)][10.2f]\n";

const std::string_view kPipeNameFirstFormat =
    ".breakdown\n"
    "%$type: %$name  Rev. %REVISION  %DESCRIPTION\n"
    ".titles Model name;|Quantity;|Type;|Description\n"
    ".row %$name[-31];|%$quantity[8.3f];|%$type[-9.9s];|%DESCRIPTION\n"
    "\n"
    ".summary\n"
    "Parts of %$name:\n"
    ".titles Model name;|Quantity;|Description\n"
    ".row %$name[-31];|%$quantity[8.3f];|%DESCRIPTION\n";

const std::string_view kGluedMassFormat =
    ".breakdown\n"
    "%$type: %$name  Rev. %REVISION  %DESCRIPTION\n"
    ".titles Qty;Model name;Type;Mass [kg]\n"
    ".row %$quantity[-4.3f];%$name[-24];%$type[-9.9s];%MASS[10.3f]\n"
    "Total mass: %[$total(MASS)][10.3f] kg\n"
    "\n"
    ".summary\n"
    "All parts of %$name\n"
    ".titles Qty;Model name;Type;Mass [kg]\n"
    ".row %$quantity[-4.3f];%$name[-24];%$type[-9.9s];%MASS[10.3f]\n"
    "Total mass: %[$total(MASS)][10.3f] kg\n";

const std::string_view kSummaryOnlyFormat =
    "PARTS LIST  %$name\n"
    "Drawing no.: %DRAWING_NO\n"
    "\n"
    ".summary\n"
    ".titles |Description;|Qty;|Drawing no.;|Model name;|Notes\n"
    ".row |%DESCRIPTION[-30.30s];|%$quantity[5d];|%DRAWING_NO[-12];|%$name[-31];|%NOTES\n";

}  // namespace trelk::testing
