#include "support/random_export.h"

#include <algorithm>
#include <functional>

namespace trelk::testing {

namespace {

size_t upTo(std::mt19937_64& rng, size_t n) { return std::uniform_int_distribution<size_t>(0, n)(rng); }
bool chance(std::mt19937_64& rng, int percent) { return static_cast<int>(upTo(rng, 99)) < percent; }

// The letters of one script, each a whole character in UTF-8 (or one byte of Windows-1252).
std::vector<std::string> lettersOf(std::string_view text, bool utf8) {
    std::vector<std::string> letters;
    for (size_t i = 0; i < text.size();) {
        size_t n = 1;
        if (utf8)
            while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
        letters.emplace_back(text.substr(i, n));
        i += n;
    }
    return letters;
}

struct Script {
    std::vector<std::string> letters;
};

const std::vector<Script>& scripts() {
    static const std::vector<Script> all = {
        {lettersOf("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", false)},
        {lettersOf("abcdefghiklmnoprstuvwzäöüßéèàç", true)},
        {lettersOf("абвгдежзийклмнопрстуфхцчшщыэюяСПД", true)},
        {lettersOf("αβγδεζηθικλμνξοπρστυφχψω", true)},
        {lettersOf("アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモラリルレロン", true)},
        {lettersOf("部品組立概要内容構成一覧全体下位", true)},
        {lettersOf("abcdefghijklmnopqrstuvwxyz\xE4\xF6\xFC\xDF\xE9\xE8\xE0\xE7\xF1", false)},  // Windows-1252
    };
    return all;
}

std::string word(std::mt19937_64& rng, const Script& script, size_t least, size_t most) {
    std::string text;
    const size_t length = least + upTo(rng, most - least);
    for (size_t i = 0; i < length; ++i) text += script.letters[upTo(rng, script.letters.size() - 1)];
    return text;
}

size_t characters(std::string_view text, bool utf8) {
    if (!utf8) return text.size();
    size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// The first `count` characters.
std::string headOf(const std::string& text, size_t count, bool utf8) {
    size_t i = 0;
    for (size_t n = 0; i < text.size() && n < count; ++n) {
        ++i;
        if (utf8)
            while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return text.substr(0, i);
}

bool isUtf8(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80 && (static_cast<unsigned char>(c) & 0xC0) != 0x80 &&
            (static_cast<unsigned char>(c) & 0xE0) != 0xC0 && (static_cast<unsigned char>(c) & 0xF0) != 0xE0)
            return false;
    return true;
}

std::string padLeft(const std::string& text, size_t width, bool utf8) {
    const size_t n = characters(text, utf8);
    return (n < width ? std::string(width - n, ' ') : std::string()) + text;
}

std::string padRight(const std::string& text, size_t width) {
    return text + (text.size() < width ? std::string(width - text.size(), ' ') : std::string());
}

}  // namespace

std::vector<int64_t> BomModel::partTotals() const {
    std::vector<int64_t> totals(parts.size(), 0);
    const std::function<void(size_t, int64_t)> expand = [&](size_t a, int64_t m) {
        for (const Member& member : blocks[a]) {
            if (member.assembly)
                expand(member.index, m * member.quantity);
            else
                totals[member.index] += m * member.quantity;
        }
    };
    expand(0, 1);
    return totals;
}

BomModel randomModel(std::mt19937_64& rng) {
    BomModel model;
    const size_t assemblies = 1 + upTo(rng, 6), parts = 1 + upTo(rng, 9);
    static const char* const kStems[] = {"FRAME", "DRUM", "GEAR", "HUB", "ARM", "BASE", "COVER", "SHAFT"};
    for (size_t a = 0; a < assemblies; ++a)
        model.assemblies.push_back(std::string(kStems[upTo(rng, 7)]) + "_" + std::to_string(100 + a) + "_ASM");
    for (size_t p = 0; p < parts; ++p)
        model.parts.push_back((chance(rng, 20) ? "P" : "BOLT_M") + std::to_string(p + 3) +
                              (chance(rng, 20) ? "X30" : ""));
    model.blocks.resize(assemblies);
    for (size_t a = 0; a < assemblies; ++a) {
        // Mostly one of each assembly below, so that blocks name one another.
        if (a + 1 < assemblies) model.blocks[a].push_back({static_cast<int32_t>(1 + upTo(rng, 3)), true, a + 1});
        const size_t items = 1 + upTo(rng, 4);
        for (size_t i = 0; i < items; ++i) {
            const bool assembly = a + 2 < assemblies && chance(rng, 20);
            const size_t index = assembly ? a + 2 + upTo(rng, assemblies - a - 3) : upTo(rng, parts - 1);
            model.blocks[a].push_back({static_cast<int32_t>(1 + upTo(rng, 11)), assembly, index});
        }
        std::shuffle(model.blocks[a].begin(), model.blocks[a].end(), rng);
    }
    // A file of one block proves what it is only by a summary of more than one part.
    if (assemblies == 1 && parts == 1) model.parts.push_back("NUT_M5");
    if (assemblies == 1) {
        model.blocks[0].push_back({2, false, 0});
        model.blocks[0].push_back({1, false, model.parts.size() - 1});
    }
    return model;
}

KeywordSet Vocabulary::keywords() const {
    KeywordSet k;
    k.contains = contains;
    k.SubAssembly = subAssembly;
    k.Part = part;
    k.SummaryOfParts = summaryAfter.empty() ? summaryBefore : summaryAfter;
    return k;
}

Vocabulary englishVocabulary() {
    return {"Assembly", "Sub-Assembly", "Part", "contains:", "Summary of parts for assembly", ""};
}

Vocabulary randomVocabulary(std::mt19937_64& rng) {
    const Script& script = scripts()[upTo(rng, scripts().size() - 1)];
    Vocabulary v;
    v.assembly = word(rng, script, 2, 10);
    do v.subAssembly = word(rng, script, 3, 16);
    while (v.subAssembly == v.assembly);
    do v.part = word(rng, script, 2, 8);
    while (v.part == v.subAssembly || v.part == v.assembly);
    // One word and a colon, a colon of its own as some languages set it, or no colon at all.
    const int style = static_cast<int>(upTo(rng, 9));
    v.contains = word(rng, script, 3, 9) + (style < 6 ? ":" : style < 8 ? " :" : "");
    if (chance(rng, 70)) {
        for (size_t n = 1 + upTo(rng, 3); n > 0; --n)
            v.summaryBefore += (v.summaryBefore.empty() ? "" : " ") + word(rng, script, 2, 9);
    } else {  // the name inside, as Japanese writes it
        v.summaryBefore = v.assembly;
        v.summaryAfter = word(rng, script, 4, 8) + ":";
    }
    return v;
}

std::string cadExport(const BomModel& model, const Vocabulary& v, const CadLook& look) {
    const bool utf8 = isUtf8(v.subAssembly + v.part + v.contains);
    std::string out = look.byteOrderMark ? "\xEF\xBB\xBF" : "";
    auto line = [&](const std::string& text) { out += text + look.lineEnd; };
    auto row = [&](int64_t quantity, const std::string& type, const std::string& name) {
        const size_t width = static_cast<size_t>(look.typeWidth);
        const bool cut = characters(type, utf8) > width;
        const std::string shown = cut ? headOf(type, width, utf8) : type;
        line(padLeft(std::to_string(quantity), 6, false) + " " + padLeft(shown, width, utf8) + "  " + name);
        if (cut) line("      " + type.substr(shown.size()));
    };
    line("");
    line("");
    for (size_t a = 0; a < model.blocks.size(); ++a) {
        line((a == 0 ? v.assembly : v.subAssembly) + " " + model.assemblies[a] + " " + v.contains);
        for (const BomModel::Member& m : model.blocks[a])
            row(m.quantity, m.assembly ? v.subAssembly : v.part,
                m.assembly ? model.assemblies[m.index] : model.parts[m.index]);
        line("");
        line("");
    }
    if (look.summary) {
        const std::string& main = model.assemblies[0];
        line(v.summaryAfter.empty() ? v.summaryBefore + " " + main + ":"
                                    : v.summaryBefore + " " + main + " " + v.summaryAfter);
        const std::vector<int64_t> totals = model.partTotals();
        for (size_t p = 0; p < model.parts.size(); ++p)
            if (totals[p] != 0) row(totals[p], v.part, model.parts[p]);
    }
    return out;
}

Table randomTable(const BomModel& model, std::mt19937_64& rng) {
    const Vocabulary v = randomVocabulary(rng);
    const Script& script = scripts()[upTo(rng, scripts().size() - 2)];  // UTF-8 or ASCII
    static const char kSeparators[] = {'|', ';', '\t', '!'};
    Table table;
    table.separator = kSeparators[upTo(rng, 3)];
    enum Column { Pos, Qty, Name, Number, Description, Mass, Type };
    // A file of one block has no other block to tell its name column, and its rows may be too few to
    // tell positions from quantities: nothing in it is a column of words in every row but the names.
    const bool oneBlock = model.blocks.size() == 1;
    std::vector<Column> columns = {Qty, Name};
    for (const Column c : {Number, Description, Mass, Type})
        if (chance(rng, 40) && !(oneBlock && (c == Number || c == Type))) columns.push_back(c);
    table.hasTypeColumn = std::find(columns.begin(), columns.end(), Type) != columns.end();
    std::shuffle(columns.begin(), columns.end(), rng);
    if (!oneBlock && chance(rng, 60)) columns.insert(std::find(columns.begin(), columns.end(), Qty), Pos);
    std::vector<std::string> titles;
    for (size_t i = 0; i < columns.size(); ++i) titles.push_back(word(rng, script, 2, 9));
    std::vector<size_t> widths;
    for (size_t i = 0; i < columns.size(); ++i) widths.push_back(4 + upTo(rng, 16));

    // The header: words before or after the name, or both.
    std::string before, after;
    const int headerStyle = static_cast<int>(upTo(rng, 3));
    if (headerStyle == 0) {
        before = word(rng, script, 3, 9) + " ***";
        after = "***";
    } else if (headerStyle == 1) {
        before = word(rng, script, 3, 9) + ":";
    } else if (headerStyle == 2) {
        after = "- " + word(rng, script, 3, 9);
    } else {
        before = word(rng, script, 3, 9) + " " + word(rng, script, 2, 6);
    }
    const bool emptyAfterHeader = chance(rng, 50);
    const std::string sep(1, table.separator);
    std::string& out = table.text;
    const std::string end = chance(rng, 50) ? "\r\n" : "\n";
    auto line = [&](const std::string& text) { out += text + end; };
    auto cells = [&](const std::vector<std::string>& values) {
        std::string text;
        for (size_t i = 0; i < values.size(); ++i) {
            if (i > 0) text += sep;
            const bool number = columns[i] == Pos || columns[i] == Qty || columns[i] == Mass;
            text += number ? padLeft(values[i], widths[i], true) : padRight(values[i], widths[i]);
        }
        line(text);
    };
    auto row = [&](size_t position, int64_t quantity, const std::string& name, bool assembly) {
        std::vector<std::string> values;
        for (const Column c : columns) {
            switch (c) {
            case Pos: values.push_back(std::to_string(position)); break;
            case Qty: values.push_back(std::to_string(quantity)); break;
            case Name: values.push_back(name); break;
            case Number: values.push_back(chance(rng, 30) ? "" : "D-" + std::to_string(upTo(rng, 999))); break;
            case Description:
                values.push_back(chance(rng, 30) ? "" : word(rng, script, 2, 8) + " " + word(rng, script, 1, 5));
                break;
            case Mass: values.push_back(chance(rng, 30) ? "" : std::to_string(upTo(rng, 20)) + ".250"); break;
            case Type: values.push_back(assembly ? v.subAssembly : v.part); break;
            }
        }
        cells(values);
    };
    if (chance(rng, 70)) {
        line(" " + word(rng, script, 4, 10));
        line(" ==========");
        line("");
    }
    for (size_t a = 0; a < model.blocks.size(); ++a) {
        const std::string& name = model.assemblies[a];
        line(" " + before + (before.empty() ? "" : " ") + name + (after.empty() ? "" : " " + after));
        if (emptyAfterHeader) line("");
        cells(titles);
        size_t position = 1;
        for (const BomModel::Member& m : model.blocks[a])
            row(position++, m.quantity, m.assembly ? model.assemblies[m.index] : model.parts[m.index], m.assembly);
        line("");
    }
    if (model.blocks.size() == 1 || chance(rng, 70)) {
        line(word(rng, script, 3, 9) + " " + word(rng, script, 2, 9) + " " + model.assemblies[0]);
        cells(titles);
        const std::vector<int64_t> totals = model.partTotals();
        int64_t sum = 0;
        size_t position = 1;
        for (size_t p = 0; p < model.parts.size(); ++p)
            if (totals[p] != 0) {
                row(position++, totals[p], model.parts[p], false);
                sum += totals[p];
            }
        if (chance(rng, 50)) line(word(rng, script, 3, 9) + ": " + std::to_string(sum));
    }
    return table;
}

std::string randomText(std::mt19937_64& rng) {
    const Script& script = scripts()[upTo(rng, scripts().size() - 1)];
    std::string out;
    const size_t lines = 2 + upTo(rng, 30);
    for (size_t i = 0; i < lines; ++i) {
        const size_t words = upTo(rng, 6);
        std::string text = chance(rng, 30) ? std::to_string(upTo(rng, 50)) : "";
        for (size_t w = 0; w < words; ++w) text += (text.empty() ? "" : " ") + word(rng, script, 1, 8);
        out += text + "\r\n";
    }
    return out;
}

}  // namespace trelk::testing
