#include "bench/bom_shapes.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace trelk::bench {

namespace {

// splitmix64: small, fast and the same everywhere.
class Dice {
public:
    explicit Dice(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(next() % n); }
    bool chance(unsigned percent) { return below(100) < percent; }
    double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
    template <class T>
    void shuffle(std::vector<T>& v) {
        for (size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[below(i)]);
    }

private:
    uint64_t state_;
};

const char* const kPartKinds[] = {"BOLT",  "NUT",     "WASHER",  "SCREW",  "PIN",     "RIVET",    "CLIP",   "BRACKET",
                                  "PLATE", "SHAFT",   "BUSHING", "SEAL",   "O_RING",  "SPACER",   "COVER",  "PANEL",
                                  "RIB",   "SPAR",    "TUBE",    "HOSE",   "FITTING", "SPRING",   "GASKET", "KEY",
                                  "LEVER", "HOUSING", "GEAR",    "PULLEY", "LABEL",   "CABLE_TIE"};
constexpr size_t kFastenerKinds = 7;  // the first kinds above: the parts used everywhere
const char* const kPartSuffixes[] = {"ISO4762", "ISO4032", "DIN933", "DIN125", "REV_A",
                                     "REV_B",   "REV_C",   "AL6061", "SS316",  "PA66"};
const char* const kAssemblyKinds[] = {"GEARBOX", "FRAME", "DOOR",  "WING", "SEAT",    "PUMP",    "MOTOR", "VALVE",
                                      "ARM",     "HINGE", "BOGIE", "AXLE", "CONSOLE", "HARNESS", "BRAKE", "WHEEL"};
template <class T, size_t N>
constexpr size_t countOf(T (&)[N]) {
    return N;
}

// A seven-digit drawing number, different for every index below ten million.
std::string drawingNumber(size_t index) {
    std::string digits = std::to_string((index * 7919 + 104729) % 10000000);
    return std::string(7 - digits.size(), '0') + digits;
}

// Fasteners (the common parts) come first among the part numbers.
std::string partName(size_t index, size_t fasteners) {
    const size_t kind =
        index < fasteners ? index % kFastenerKinds : kFastenerKinds + index % (countOf(kPartKinds) - kFastenerKinds);
    return std::string(kPartKinds[kind]) + "_" + drawingNumber(index) + "_" +
           kPartSuffixes[index / 7 % countOf(kPartSuffixes)];
}

std::string assemblyName(size_t index) {
    if (index == 0) return "MACHINE_TOP_ASM";
    return std::string(kAssemblyKinds[index % countOf(kAssemblyKinds)]) + "_" + drawingNumber(index) + "_ASM";
}

const char kColumnTitles[] = "Quantity      Type              Name";

class Writer {
public:
    explicit Writer(size_t expectedLines) { text_.reserve(expectedLines * 52); }

    void line(std::string_view s) {
        text_ += s;
        text_ += "\r\n";
    }
    // "   4          Part              BOLT_M6X16_ISO4762"
    void item(uint64_t quantity, bool subAssembly, std::string_view name) {
        const std::string q = std::to_string(quantity);
        text_ += "   ";
        text_ += q;
        text_.append(q.size() < 11 ? 11 - q.size() : 1, ' ');
        text_ += subAssembly ? "Sub-Assembly      " : "Part              ";
        text_ += name;
        text_ += "\r\n";
    }
    void header(bool top, std::string_view name) {
        text_ += top ? "Assembly " : "Sub-Assembly ";
        text_ += name;
        text_ += " contains:\r\n";
        line(kColumnTitles);
    }
    void summary(std::string_view top, const std::vector<std::string>& names, const std::vector<uint64_t>& totals) {
        text_ += "Summary of parts for assembly ";
        text_ += top;
        text_ += ":\r\n";
        line(kColumnTitles);
        std::vector<size_t> order(names.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return names[a] < names[b]; });
        for (const size_t i : order)
            if (totals[i] > 0) item(totals[i], false, names[i]);
    }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
};

uint64_t partQuantity(Dice& dice, bool fastener) {
    if (fastener) return 2 * (1 + dice.below(8));
    const size_t r = dice.below(100);
    return r < 60 ? 1 : r < 85 ? 2 : 3 + dice.below(6);
}

uint64_t assemblyQuantity(Dice& dice) {
    const size_t r = dice.below(100);
    return r < 70 ? 1 : r < 90 ? 2 : 3 + dice.below(2);
}

struct TreeShape {
    size_t lines;
    size_t assemblies;
    size_t parts;
    size_t levels;
    size_t firstLeafLevel;   // from this level (0 = the top) down, some assemblies hold only parts
    double reuse;            // extra sub-assembly lines per block, as a share of its own children
    unsigned commonPercent;  // share of those that go to the common tenth of the level below
};

struct Item {
    bool subAssembly;
    size_t id;
    uint64_t quantity;
};

// A tree of assemblies over `levels` levels, the lower ones reused by several parents, with the
// part lines spread over the blocks so that the file has exactly the asked number of lines.
std::string tree(const TreeShape& s, uint64_t seed) {
    Dice dice(seed);
    // Level sizes grow geometrically from the one top assembly.
    std::vector<size_t> levelStart{0}, levelSize;
    {
        double lo = 1.0, hi = 64.0;
        for (int i = 0; i < 100; ++i) {
            const double g = (lo + hi) / 2;
            double sum = 0;
            for (size_t k = 0; k < s.levels; ++k) sum += std::pow(g, static_cast<double>(k));
            (sum < static_cast<double>(s.assemblies) ? lo : hi) = g;
        }
        size_t used = 0;
        for (size_t k = 0; k < s.levels; ++k) {
            size_t n = std::max<size_t>(1, static_cast<size_t>(std::llround(std::pow(lo, static_cast<double>(k)))));
            if (k == 0) n = 1;
            if (k + 1 == s.levels) n = s.assemblies > used ? s.assemblies - used : 1;
            levelSize.push_back(n);
            used += n;
            levelStart.push_back(used);
        }
    }
    const size_t assemblies = levelStart.back();
    std::vector<std::vector<Item>> blocks(assemblies);
    for (size_t k = 1; k < s.levels; ++k) {
        // Below the first leaf level only two thirds of the parents get children, so branches end
        // at different depths.
        const size_t parents = k > s.firstLeafLevel ? std::max<size_t>(1, levelSize[k - 1] * 2 / 3) : levelSize[k - 1];
        for (size_t i = 0; i < levelSize[k]; ++i)
            blocks[levelStart[k - 1] + dice.below(parents)].push_back(
                {true, levelStart[k] + i, assemblyQuantity(dice)});
    }
    size_t subLines = 0;
    for (size_t k = 0; k + 1 < s.levels; ++k)
        for (size_t a = levelStart[k]; a < levelStart[k + 1]; ++a) {
            const size_t own = blocks[a].size();
            if (own == 0) continue;
            const double wanted = s.reuse * static_cast<double>(own) + dice.unit();
            const size_t next = levelSize[k + 1], common = std::max<size_t>(1, next / 10);
            for (size_t r = 0; r < static_cast<size_t>(wanted); ++r) {
                const size_t child =
                    levelStart[k + 1] + (dice.chance(s.commonPercent) ? dice.below(common) : dice.below(next));
                blocks[a].push_back({true, child, assemblyQuantity(dice)});
            }
        }
    for (const auto& b : blocks) subLines += b.size();

    // Title and empty line, per block header, column titles and empty line, the summary.
    const size_t fixed = 2 + 3 * assemblies + 2 + s.parts;
    const size_t partLines = s.lines > fixed + subLines + s.parts ? s.lines - fixed - subLines : s.parts;
    std::vector<double> weight(assemblies);
    double weightSum = 0;
    for (size_t a = 0; a < assemblies; ++a) {
        weight[a] = (blocks[a].empty() ? 1.5 : 1.0) * (0.5 + dice.unit());
        weightSum += weight[a];
    }
    std::vector<size_t> partCount(assemblies);
    size_t given = 0;
    for (size_t a = 0; a < assemblies; ++a) {
        partCount[a] = static_cast<size_t>(static_cast<double>(partLines) * weight[a] / weightSum);
        given += partCount[a];
    }
    for (size_t a = 0; given < partLines; a = (a + 1) % assemblies, ++given) ++partCount[a];

    // Every part is used at least once; after that the fasteners are the most used.
    std::vector<size_t> firstUse(s.parts);
    for (size_t i = 0; i < s.parts; ++i) firstUse[i] = i;
    dice.shuffle(firstUse);
    const size_t fasteners = std::max<size_t>(1, s.parts / 50);
    size_t slot = 0;
    for (size_t a = 0; a < assemblies; ++a) {
        for (size_t i = 0; i < partCount[a]; ++i, ++slot) {
            const size_t part = slot < s.parts    ? firstUse[slot]
                                : dice.chance(30) ? dice.below(fasteners)
                                                  : dice.below(s.parts);
            blocks[a].push_back({false, part, partQuantity(dice, part < fasteners)});
        }
        dice.shuffle(blocks[a]);
    }

    std::vector<std::string> partNames(s.parts);
    for (size_t i = 0; i < s.parts; ++i) partNames[i] = partName(i, fasteners);
    std::vector<uint64_t> multiplier(assemblies, 0), partTotal(s.parts, 0);
    multiplier[0] = 1;
    Writer out(s.lines);
    out.line("Bill of Materials for assembly " + assemblyName(0));
    out.line("");
    for (size_t a = 0; a < assemblies; ++a) {
        out.header(a == 0, assemblyName(a));
        for (const Item& item : blocks[a]) {
            const uint64_t product = multiplier[a] * item.quantity;
            if (item.subAssembly) {
                multiplier[item.id] += product;
                out.item(item.quantity, true, assemblyName(item.id));
            } else {
                partTotal[item.id] += product;
                out.item(item.quantity, false, partNames[item.id]);
            }
        }
        out.line("");
    }
    out.summary(assemblyName(0), partNames, partTotal);
    return out.take();
}

// Every assembly holds two of the next (on two lines of quantity 1) and three parts, so the
// number of paths doubles with every level.
std::string deepShared(size_t levels) {
    auto name = [](size_t level) {
        std::string n = std::to_string(level);
        return "DEEP_" + std::string(n.size() < 2 ? 2 - n.size() : 0, '0') + n + "_ASM";
    };
    std::vector<std::string> partNames{"BOLT_M6X16_ISO4762", "WASHER_M6_ISO7089"};
    for (size_t level = 0; level < levels; ++level) partNames.push_back("PLATE_" + drawingNumber(level) + "_REV_A");
    std::vector<uint64_t> totals(partNames.size(), 0);
    Writer out(levels * 9 + partNames.size() + 4);
    out.line("Bill of Materials for assembly " + name(0));
    out.line("");
    uint64_t multiplier = 1;
    for (size_t level = 0; level < levels; ++level) {
        const bool last = level + 1 == levels;
        out.header(level == 0, name(level));
        if (!last) out.item(1, true, name(level + 1));
        out.item(4, false, partNames[0]);
        out.item(4, false, partNames[1]);
        if (!last) out.item(1, true, name(level + 1));
        out.item(1, false, partNames[2 + level]);
        out.line("");
        totals[0] += 4 * multiplier;
        totals[1] += 4 * multiplier;
        totals[2 + level] += multiplier;
        multiplier *= 2;
    }
    out.summary(name(0), partNames, totals);
    return out.take();
}

// One block of item lines over a tenth as many distinct parts.
std::string oneBlock(size_t items, uint64_t seed) {
    Dice dice(seed);
    const size_t parts = std::max<size_t>(1, items / 10), fasteners = std::max<size_t>(1, parts / 50);
    std::vector<std::string> partNames(parts);
    for (size_t i = 0; i < parts; ++i) partNames[i] = partName(i, fasteners);
    std::vector<size_t> firstUse(parts);
    for (size_t i = 0; i < parts; ++i) firstUse[i] = i;
    dice.shuffle(firstUse);
    std::vector<uint64_t> totals(parts, 0);
    Writer out(items + parts + 8);
    const std::string top = "ONE_BLOCK_TOP_ASM";
    out.line("Bill of Materials for assembly " + top);
    out.line("");
    out.header(true, top);
    for (size_t i = 0; i < items; ++i) {
        const size_t part = i < parts ? firstUse[i] : dice.chance(30) ? dice.below(fasteners) : dice.below(parts);
        const uint64_t quantity = partQuantity(dice, part < fasteners);
        totals[part] += quantity;
        out.item(quantity, false, partNames[part]);
    }
    out.line("");
    out.summary(top, partNames, totals);
    return out.take();
}

}  // namespace

std::string generateBom(const ShapeOptions& o) {
    switch (o.shape) {
    case Shape::Wide: {
        // 6 to 8 levels: branches may end from the sixth level on.
        const TreeShape s{o.size ? o.size : 1000000, 20000, 100000, 8, 5, 0.5, 30};
        return tree(s, o.seed);
    }
    case Shape::DeepShared: return deepShared(o.size ? o.size : 40);
    case Shape::OneBlock: return oneBlock(o.size ? o.size : 1000000, o.seed);
    case Shape::Realistic: {
        const TreeShape s{o.size ? o.size : 100000, 2000, 15000, 6, 4, 1.0, 50};
        return tree(s, o.seed);
    }
    }
    return {};
}

bool parseShape(std::string_view name, Shape& shape) {
    if (name == "wide" || name == "W1")
        shape = Shape::Wide;
    else if (name == "deep" || name == "W2")
        shape = Shape::DeepShared;
    else if (name == "one-block" || name == "W3")
        shape = Shape::OneBlock;
    else if (name == "realistic" || name == "W4")
        shape = Shape::Realistic;
    else
        return false;
    return true;
}

const char* shapeName(Shape shape) {
    switch (shape) {
    case Shape::Wide: return "wide";
    case Shape::DeepShared: return "deep";
    case Shape::OneBlock: return "one-block";
    case Shape::Realistic: return "realistic";
    }
    return "";
}

}  // namespace trelk::bench
