#include "support/random_bom.h"

#include <algorithm>
#include <vector>

namespace trelk::testing {

namespace {

class Dice {
public:
    explicit Dice(uint64_t seed) : rng_(seed) {}
    int upTo(int n) { return std::uniform_int_distribution<int>(0, n)(rng_); }  // 0..n
    bool chance(int percent) { return upTo(99) < percent; }
    template <class T>
    const T& pick(const std::vector<T>& from) {
        return from[static_cast<size_t>(upTo(static_cast<int>(from.size()) - 1))];
    }

private:
    std::mt19937_64 rng_;
};

std::string blanks(Dice& dice, int least) { return std::string(static_cast<size_t>(least + dice.upTo(3)), ' '); }

}  // namespace

RandomBom randomBom(uint64_t seed, const RandomBomShape& shape) {
    Dice dice(seed);
    RandomBom bom;
    // Now and then other keywords, the odd ones included: blanks inside, or empty.
    const int keywordChoice = dice.upTo(99);
    if (keywordChoice < 10)
        bom.keywords = {"enthält:", "Baugruppe", "Teil", "Stückliste"};
    else if (keywordChoice < 13)
        bom.keywords.contains = " contains:";
    else if (keywordChoice < 15)
        bom.keywords.contains = "assembly contains:";
    else if (keywordChoice < 17)
        bom.keywords.SubAssembly = "Sub Assembly";
    else if (keywordChoice < 18)
        bom.keywords.contains = "";
    else if (keywordChoice < 19)
        bom.keywords.Part = "";
    const KeywordSet& kw = bom.keywords;
    // Now and then a company layout: a description after the name, or the name first.
    const int layoutChoice = dice.upTo(99);
    if (layoutChoice < 10)
        bom.columns = ColumnLayout::fields(1, 2, 3);
    else if (layoutChoice < 15)
        bom.columns = ColumnLayout::fields(-1, 2, 1);
    else if (layoutChoice < 18)
        bom.columns = ColumnLayout::fields(1, -2, -1);
    static const std::vector<std::string> descriptions = {"", "HEX BOLT M8 X 30", "WASHER", "Part", "2 Part X", "  "};
    auto row = [&](const std::string& quantity, const std::string& type, const std::string& name) {
        const std::string gap = blanks(dice, 1);
        if (bom.columns == ColumnLayout::fields(-1, 2, 1)) return name + gap + type + blanks(dice, 1) + quantity;
        std::string text = quantity + gap + type + blanks(dice, 1) + name;
        if (bom.columns == ColumnLayout::fields(1, 2, 3)) text += blanks(dice, 1) + dice.pick(descriptions);
        return text;
    };

    static const std::vector<std::string> assemblyPool = {"TOP",  "FRAME", "frame", "FRAME2",   "ARM",
                                                          "BASE", "JOINT", "X;Y",   "GEAR_BOX", "\xC4XLE",
                                                          "A-1",  "A",     "Bolt",  "HUB",      "W\tHEEL"};
    static const std::vector<std::string> partPool = {"BOLT", "Bolt",      "bolt",    "BOLT2", "RAIL", "NUT_M6",
                                                      "PIN",  "\xE9TRIER", "W;ASHER", "A-1",   "Z",    "SPRING"};
    std::vector<std::string> assemblies = assemblyPool, parts = partPool;
    std::shuffle(assemblies.begin(), assemblies.end(), std::mt19937_64(seed));
    std::shuffle(parts.begin(), parts.end(), std::mt19937_64(seed + 1));
    assemblies.resize(static_cast<size_t>(
        1 + dice.upTo(std::min<int>(shape.maxAssemblies, static_cast<int>(assemblies.size())) - 1)));
    parts.resize(static_cast<size_t>(1 + dice.upTo(std::min<int>(shape.maxParts, static_cast<int>(parts.size())) - 1)));

    auto quantity = [&]() -> std::string {
        if (shape.hugeQuantities) {
            static const std::vector<std::string> big = {"2147483647",  "65536",  "3037000500",  "1000000",
                                                         "0",           "2",      "99999999999", "2147483647.4",
                                                         "-2147483648", "-65536", "-3"};
            return dice.pick(big);
        }
        static const std::vector<std::string> usual = {"1",   "2", "3",  "4",  "0",    "2.5",
                                                       "3.5", "X", "-1", "+2", "1.49", "007"};
        return dice.chance(75) ? std::to_string(1 + dice.upTo(4)) : dice.pick(usual);
    };

    // Decided apart from the rest, so that the file is the same but for the cut.
    int cutAt = shape.cutTypesAt;
    if (cutAt < 0) {
        std::mt19937_64 cutDice(seed ^ 0x5DEECE66Dull);
        cutAt = cutDice() % 8 == 0 ? 1 + static_cast<int>(cutDice() % 12) : 0;
    }
    std::string& out = bom.text;
    // Most files mix CR LF with some CR and LF; others end their lines as UNIX workstations do, or
    // with the CR CR LF of one text-mode conversion too many (and a stray CR).
    const int style = dice.upTo(99);
    if (dice.chance(10)) out += "\xEF\xBB\xBF";
    auto endLine = [&]() {
        const int r = dice.upTo(99);
        if (style < 15)
            out += "\n";
        else if (style < 25)
            out += r < 97 ? "\r\r\n" : "\r";
        else
            out += r < 85 ? "\r\n" : r < 97 ? "\r" : "\n";
    };
    if (dice.chance(30)) {
        out += "Pro/ENGINEER  BOM export";
        endLine();
        endLine();
    }
    // Blocks in a random order, some left out, some twice.
    std::vector<size_t> order;
    for (size_t i = 0; i < assemblies.size(); ++i) {
        if (i > 0 && dice.chance(12)) continue;
        order.push_back(i);
        if (dice.chance(8)) order.push_back(i);
    }
    std::shuffle(order.begin() + (order.empty() || dice.chance(80) ? 1 : 0), order.end(), std::mt19937_64(seed + 2));
    for (size_t b = 0; b < order.size(); ++b) {
        const size_t a = order[b];
        out += blanks(dice, 0) + (a == 0 ? "Assembly" : kw.SubAssembly) + blanks(dice, 1) + assemblies[a] +
               blanks(dice, 1) + kw.contains;
        if (dice.chance(10)) out += "  ";
        endLine();
        if (dice.chance(50)) {
            out += "Quantity" + blanks(dice, 2) + "Type" + blanks(dice, 2) + "Name";
            endLine();
        }
        const int items = dice.upTo(shape.maxItemsPerBlock);
        for (int i = 0; i < items; ++i) {
            const int kind = dice.upTo(99);
            std::string type, name;
            if (kind < 40) {
                // Mostly below this assembly, which keeps the tree acyclic unless cycles are wanted.
                const int lowest = shape.cycles && dice.chance(15) ? 0 : static_cast<int>(a) + 1;
                const int index = lowest + dice.upTo(static_cast<int>(assemblies.size()) - lowest);
                if (index >= static_cast<int>(assemblies.size())) continue;
                type = kw.SubAssembly;
                name = assemblies[static_cast<size_t>(index)];
            } else if (kind < 90) {
                type = kw.Part;
                name = dice.pick(parts);
                if (dice.chance(5)) name = "HEX NUT " + name;
            } else {
                type = dice.chance(50) ? "part" : "Drawing";
                name = dice.pick(parts);
            }
            const bool cut =
                cutAt > 0 && type.size() > static_cast<size_t>(cutAt) && type.find(' ') == std::string::npos;
            out += blanks(dice, dice.chance(50) ? 1 : 0) + row(quantity(), cut ? type.substr(0, cutAt) : type, name);
            if (dice.chance(10)) out += blanks(dice, 1);
            endLine();
            if (cut)  // its line end drawn from nothing either
                out += "      " + type.substr(static_cast<size_t>(cutAt)) +
                       (style < 15   ? "\n"
                        : style < 25 ? "\r\r\n"
                                     : "\r\n");
        }
        // The block ends with an empty line, a line of blanks, or not at all.
        const int end = dice.upTo(99);
        if (end < 75)
            endLine();
        else if (end < 85) {
            out += "   ";
            endLine();
        } else if (end < 92) {
            endLine();
            endLine();
        }
        if (dice.chance(5)) {
            out += "Some text between blocks";
            endLine();
        }
    }
    if (dice.chance(50)) {
        out += kw.SummaryOfParts + " " + assemblies[0] + ":";
        endLine();
        for (const std::string& part : parts) {
            out += "   " + row(std::to_string(dice.upTo(20)), kw.Part, part);
            endLine();
        }
    }
    if (dice.chance(3))
        out +=
            "\x1a"
            "1 Part AFTER_EOF\r\n";
    return bom;
}

std::string randomEdit(const RandomBom& bom, uint64_t seed) {
    Dice dice(seed * 7919 + 1);
    // The lines with their ends: a segment ends after an LF, or after a CR that no LF follows.
    std::vector<std::string> lines;
    const std::string& text = bom.text;
    size_t from = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            lines.push_back(text.substr(from, i + 1 - from));
            from = i + 1;
        }
    if (from < text.size()) lines.push_back(text.substr(from));
    if (lines.empty() || dice.chance(8)) return text;

    auto any = [&]() { return static_cast<size_t>(dice.upTo(static_cast<int>(lines.size()) - 1)); };
    // The line without its end, and its end.
    auto split = [](const std::string& line) {
        size_t end = line.size();
        while (end > 0 && (line[end - 1] == '\r' || line[end - 1] == '\n')) --end;
        return std::pair{line.substr(0, end), line.substr(end)};
    };
    // The blank-separated words equal to one keyword become the other.
    auto retype = [&](std::string& line) {
        const std::string& a = bom.keywords.Part;
        const std::string& b = bom.keywords.SubAssembly;
        auto [body, end] = split(line);
        std::string out;
        size_t i = 0;
        while (i < body.size()) {
            const size_t j = std::min(body.find(' ', i), body.size());
            const std::string word = body.substr(i, j - i);
            out += word == a && !a.empty() ? b : word == b && !b.empty() ? a : word;
            if (j < body.size()) out += ' ';
            i = j + 1;
        }
        line = out + end;
    };
    // The first run of digits becomes another number.
    auto requantify = [&](std::string& line) {
        const size_t d = line.find_first_of("0123456789");
        if (d == std::string::npos) return;
        const size_t e = std::min(line.find_first_not_of("0123456789", d), line.size());
        line.replace(d, e - d, std::to_string(dice.upTo(12)));
    };
    const int edits = 1 + dice.upTo(5);
    for (int n = 0; n < edits && !lines.empty(); ++n) {
        const size_t at = any();
        switch (dice.upTo(5)) {
        case 0: requantify(lines[at]); break;
        case 1: retype(lines[at]); break;
        case 2: lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at)); break;
        case 3: {
            const std::string repeated = lines[at];
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), repeated);
            break;
        }
        case 4: {
            const std::string moved = lines[at];
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lines.empty() ? 0 : any()), moved);
            break;
        }
        default: {
            std::string added = lines[any()];
            requantify(added);
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(any()), added);
            break;
        }
        }
    }
    std::string edited;
    for (const std::string& line : lines) edited += line;
    return edited;
}

std::string visible(std::string_view text) {
    static const char* const hex = "0123456789ABCDEF";
    std::string shown;
    for (const unsigned char c : text) {
        if (c == '\n')
            shown += "\\n\n";
        else if (c == '\r')
            shown += "\\r";
        else if (c < 32 || c >= 127) {
            shown += "\\x";
            shown += hex[c >> 4];
            shown += hex[c & 15];
        } else
            shown += static_cast<char>(c);
    }
    return shown;
}

}  // namespace trelk::testing
