#include "support/random_format.h"

#include <algorithm>

#include "support/dice.h"

namespace trelk::testing {

namespace {

// Words in English, German, Chinese, Russian and Japanese.
using Words = std::vector<std::string>;

struct ColumnKind {
    std::string field;
    bool numeric;
    Words titles;
};

const std::vector<ColumnKind>& parameterColumns() {
    static const std::vector<ColumnKind> kinds = {
        {"DESCRIPTION", false, {"Description", "Benennung", "描述", "Описание", "説明"}},
        {"PART_NUMBER", false, {"Part no.", "Sachnummer", "零件号", "Номер", "品番"}},
        {"MATERIAL", false, {"Material", "Werkstoff", "材料", "Материал", "材質"}},
        {"NOTES", false, {"Notes", "Bemerkung", "备注", "Примечание", "備考"}},
        {"MASS", true, {"Mass [kg]", "Masse", "质量", "Масса", "質量"}},
        {"Gewicht", true, {"Weight", "Gewicht", "重量", "Вес", "重量 kg"}},
        {"COST", true, {"Cost", "Kosten", "成本", "Стоимость", "コスト"}},
    };
    return kinds;
}

const Words kQuantityTitles = {"Qty", "Menge", "数量", "Кол-во", "個数"};
const Words kNameTitles = {"Name", "Modellname", "名称", "Модель", "モデル名"};
const Words kTypeTitles = {"Type", "Typ", "类型", "Тип", "種類"};
const Words kContains = {"contains:", "enthält:", "包含:", "содержит:", "の内容:"};

// How the cells of a row are set apart.
enum class Cells { Pipe, Tab, Blanks, Glued, Fixed };

std::string spec(bool left, size_t width, int precision = -1, char conversion = 0) {
    std::string text = "[" + std::string(left ? "-" : "") + (width ? std::to_string(width) : "");
    if (precision >= 0) text += "." + std::to_string(precision);
    if (conversion) text += conversion;
    return text + "]";
}

size_t widthOf(const std::string& text) {
    size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// The columns of the breakdown's rows.
std::vector<FormatColumn> randomColumns(Dice& dice, Cells cells, size_t language) {
    // TAB and `|` cells end at their separator, so their fields may go without a width.
    const bool free = cells == Cells::Tab || cells == Cells::Pipe;
    std::vector<FormatColumn> columns;
    // Quantities: whole numbers, decimals ("2.000", glued when four wide), six decimals.
    static const Words kQuantitySpecs = {"[4d]", "[6d]", "[-5d]", "[8.3f]", "[-8.3f]", "[-4.3f]", "[10f]", "[7.1f]"};
    columns.push_back(
        {"$quantity", kQuantityTitles[language], free && dice.chance(40) ? "" : dice.pick(kQuantitySpecs)});
    std::string name;
    const int nameStyle = static_cast<int>(dice.upTo(3));
    if (nameStyle == 0) {
        const size_t cut = dice.between(12, 24);
        name = spec(true, cut, static_cast<int>(cut), 's');
    } else if (nameStyle == 1) {
        name = "[-31]";
    } else if (nameStyle == 2) {
        name = spec(true, dice.between(16, 26));  // longer names run on to the next line
    }
    columns.push_back({"$name", kNameTitles[language], name});
    if (dice.chance(60)) {
        static const Words kTypeSpecs = {"[-9.9s]", "[12s]", "[-14]", "[-8.8s]", "[-16]"};
        columns.push_back({"$type", kTypeTitles[language], free && dice.chance(30) ? "" : dice.pick(kTypeSpecs)});
    }
    std::vector<ColumnKind> kinds = parameterColumns();
    std::shuffle(kinds.begin(), kinds.end(), dice.engine());
    for (size_t n = dice.upTo(4); n > 0; --n) {
        const ColumnKind& kind = kinds[n - 1];
        std::string text;
        if (kind.numeric) {
            const int places = static_cast<int>(dice.between(1, 3));
            text = spec(dice.chance(20), dice.between(9, 12), places, 'f');  // room for 2000.999
        } else if (free && dice.chance(30)) {
            text = "";
        } else {
            const size_t width = dice.between(10, 22);
            text = dice.chance(50) ? spec(true, width) : spec(true, width, static_cast<int>(width), 's');
        }
        columns.push_back({kind.field, kind.titles[language], text});
    }
    // The name first, last, or anywhere between.
    std::shuffle(columns.begin() + 2, columns.end(), dice.engine());
    const size_t place = dice.chance(35) ? 0 : dice.chance(50) ? columns.size() - 1 : dice.upTo(columns.size() - 1);
    const FormatColumn moved = columns[1];
    columns.erase(columns.begin() + 1);
    columns.insert(columns.begin() + static_cast<std::ptrdiff_t>(place), moved);
    // Elsewhere a field of no width would run into the next one: only the last may have none
    // between blanks, and none at all in glued cells or fixed columns.
    for (size_t i = 0; i < columns.size() && !free; ++i)
        if (columns[i].spec.empty() && (i + 1 < columns.size() || cells != Cells::Blanks))
            columns[i].spec = columns[i].field == "$quantity" ? "[6d]" : "[-24]";
    return columns;
}

// The `.titles` and `.row` lines of a table.
void writeTable(std::string& text, const std::vector<FormatColumn>& columns, Cells cells, bool titles,
                const std::string& separator, bool outerPipes) {
    std::string titleLine, rowLine;
    for (size_t i = 0; i < columns.size(); ++i) {
        const FormatColumn& column = columns[i];
        if (cells == Cells::Fixed) {
            // One cell: the author lines the titles up with the fields by hand.
            if (i > 0) titleLine += " ", rowLine += " ";
            size_t width = 0;
            for (const char c : column.spec)
                if (c >= '0' && c <= '9')
                    width = width * 10 + static_cast<size_t>(c - '0');
                else if (c == '.')
                    break;
            const size_t n = widthOf(column.title);
            const std::string pad(width > n ? width - n : 0, ' ');
            titleLine += column.spec.find('-') != std::string::npos ? column.title + pad : pad + column.title;
            rowLine += "%" + column.field + column.spec;
            continue;
        }
        const std::string before = i > 0 ? separator : outerPipes ? "|" : "";
        if (i > 0) titleLine += ";", rowLine += ";";
        titleLine += before + column.title;
        rowLine += before + "%" + column.field + column.spec;
    }
    if (outerPipes) titleLine += ";|", rowLine += ";|";
    if (titles) text += ".titles " + titleLine + "\n";
    text += ".row " + rowLine + "\n";
}

std::string totalLine(Dice& dice, const std::string& of, const std::string& columnSpec, size_t language) {
    static const Words kTotal = {"Total ", "Gesamt ", "合计 ", "Итого ", "合計 "};
    if (of == "$quantity") {
        static const Words kCount = {
            "Number of parts: ", "Summe der Einzelteile: ", "零件总数: ", "Всего деталей: ", "部品数: "};
        return kCount[language] + "%[$total($quantity)]" + (dice.chance(50) ? "[6d]" : "");
    }
    // The column's own precision, so that the line prints the sum of the printed values.
    return kTotal[language] + of + (dice.chance(50) ? ": " : "=") + "%[$total(" + of + ")]" + columnSpec;
}

}  // namespace

RandomFormat randomFormat(uint64_t seed) {
    Dice dice(seed);
    RandomFormat format;
    const size_t language = dice.upTo(4);
    const std::vector<TypeWords>& wordSets = typeWordSets();
    format.options.words = wordSets[dice.chance(50) ? 0 : dice.upTo(wordSets.size() - 1)];
    format.options.lineEnd = dice.chance(50) ? "\r\n" : "\n";
    format.options.byteOrderMark = dice.chance(70);

    const Cells cells = static_cast<Cells>(dice.upTo(4));
    const std::string separator = cells == Cells::Pipe     ? "|"
                                  : cells == Cells::Tab    ? "\t"
                                  : cells == Cells::Blanks ? std::string(dice.between(1, 3), ' ')
                                                           : "";
    const bool outerPipes = cells == Cells::Pipe && dice.chance(40);
    const bool titles = dice.chance(75);
    const int sections = static_cast<int>(dice.upTo(99));
    format.breakdown.present = sections >= 15;  // else summary only
    format.summary.present = sections < 85;     // else breakdown only
    format.breakdown.columns = randomColumns(dice, cells, language);
    if (!titles)
        for (FormatColumn& column : format.breakdown.columns) column.title.clear();

    std::string& text = format.text;
    if (dice.chance(40) || !format.breakdown.present) {
        static const Words kTitles = {"Bill of materials %$name", "Stückliste %$name", "物料清单 %$name",
                                      "Спецификация %$name", "部品表 %$name"};
        text += kTitles[language] + "\n" + std::string(dice.between(10, 30), '=') + "\n";
        if (dice.chance(50)) text += "Drawing no.: %DRAWING_NO\n";
        text += "\n";
    }
    // Block headers: the CAD system's words, free text and parameters around the name, or label
    // lines with the name after a label and TABs.
    std::vector<std::string> labels = {"Stückliste", "Zeichnung:\t%DRAWING_NO", "Modell:\t\t%$name",
                                       "Datum:\t\t12.03.2024", "Art:\t\t%$type"};
    const int headerStyle = static_cast<int>(dice.upTo(3));
    std::string header;
    if (headerStyle == 0) {
        header = "%$type %$name " + kContains[language] + "\n";
    } else if (headerStyle == 1) {
        header = "%$type: %$name issue %ISSUE / %TITLE\n";
    } else if (headerStyle == 2) {
        std::shuffle(labels.begin(), labels.end(), dice.engine());
        labels.resize(dice.between(0, 3));
        // The name's line, and the type's, whose value is all that tells a label summary from a block.
        for (const char* needed : {"Modell:\t\t%$name", "Art:\t\t%$type"})
            if (std::find(labels.begin(), labels.end(), needed) == labels.end()) labels.push_back(needed);
        std::shuffle(labels.begin(), labels.end(), dice.engine());
        for (const std::string& label : labels) header += label + "\n";
    } else {
        header = "*** %$name ***  (%DESCRIPTION)\n";
    }
    if (dice.chance(30)) header += std::string(dice.between(10, 40), '-') + "\n";
    if (dice.chance(30)) header += "\n";

    auto trailer = [&](FormatTable& table, int totalChance) {
        std::string lines;
        if (dice.chance(30)) lines += std::string(dice.between(10, 40), '-') + "\n";
        for (const FormatColumn& column : table.columns) {
            const bool numeric = column.spec.find('f') != std::string::npos && column.field != "$quantity";
            if (numeric && dice.chance(totalChance)) {
                table.totals.push_back(column.field);
                lines += totalLine(dice, column.field, column.spec, language) + "\n";
            }
        }
        if (dice.chance(totalChance / 2)) {
            table.totals.push_back("$quantity");
            lines += totalLine(dice, "$quantity", "", language) + "\n";
        }
        for (size_t n = dice.upTo(2); n > 0; --n) lines += "\n";
        return lines;
    };

    std::string breakdownTrailer;
    if (format.breakdown.present) {
        text += ".breakdown\n" + header;
        writeTable(text, format.breakdown.columns, cells, titles, separator, outerPipes);
        breakdownTrailer = trailer(format.breakdown, 50);
        text += breakdownTrailer;
    }
    if (format.summary.present) {
        FormatTable& summary = format.summary;
        summary.columns = format.breakdown.columns;
        for (FormatColumn& column : summary.columns)  // names cut a little wider, as in real summaries
            if (column.field == "$name" && column.spec.find('s') != std::string::npos && dice.chance(50)) {
                const size_t cut = std::stoul(column.spec.substr(2)) + 2;
                column.spec = spec(true, cut, static_cast<int>(cut), 's');
            }
        if (dice.chance(40))
            summary.columns.erase(std::remove_if(summary.columns.begin(), summary.columns.end(),
                                                 [](const FormatColumn& c) { return c.field == "$type"; }),
                                  summary.columns.end());
        text += ".summary\n";
        static const Words kHeadings = {"Summary of parts for assembly %$name:", "Teileübersicht %$name",
                                        "零件汇总 %$name", "Сводка деталей для сборки %$name:", "部品一覧 %$name"};
        const int heading = static_cast<int>(dice.upTo(9));
        if (headerStyle == 2 && heading < 5) {
            // The same label lines as every block: only a label's value tells the summary.
            for (const std::string& label : labels)
                text += (label == "Art:\t\t%$type" ? "Art:\t\tGesamtstückliste" : label) + "\n";
        } else if (heading < 8 || (format.breakdown.present && breakdownTrailer.empty())) {
            // With nothing after a block's rows, only a heading tells where the summary's begin.
            text += kHeadings[language] + "\n";
        }
        writeTable(text, summary.columns, cells, titles, separator, outerPipes);
        text += trailer(summary, 70);
    }
    if (!format.breakdown.present) format.breakdown.columns.clear();
    format.parameters = formatParameters(text);
    return format;
}

}  // namespace trelk::testing
