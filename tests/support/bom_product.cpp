#include "support/bom_product.h"

#include <algorithm>
#include <functional>
#include <set>
#include <stdexcept>

#include "support/dice.h"

namespace trelk::testing {

const std::string* Model::parameter(std::string_view wanted) const {
    for (const auto& [key, value] : parameters)
        if (key == wanted) return &value;
    return nullptr;
}

bool parseAmount(std::string_view text, Amount& amount) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    int64_t micros = 0;
    int places = -1;  // none yet: before the point
    bool digits = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && places < 0) {
            places = 0;
        } else if (c >= '0' && c <= '9' && places < 6) {
            micros = micros * 10 + (c - '0');
            digits = true;
            if (places >= 0) ++places;
        } else {
            return false;
        }
    }
    if (!digits) return false;
    for (int p = std::max(places, 0); p < 6; ++p) micros *= 10;
    amount.micros = negative ? -micros : micros;
    return true;
}

Truth truthOf(const Product& product) {
    const std::vector<Model>& models = product.models;
    Truth truth;
    truth.inBuild.assign(models.size(), 0);
    truth.rowQuantity.assign(models.size(), 0);
    std::vector<bool> seen(models.size(), false);
    const std::function<void(size_t)> visit = [&](size_t a) {
        seen[a] = true;
        truth.blockOrder.push_back(a);
        for (const Member& m : models[a].members)
            if (models[m.model].assembly && !seen[m.model]) visit(m.model);
    };
    visit(0);
    for (const size_t a : truth.blockOrder)
        for (const Member& m : models[a].members) {
            truth.rowQuantity[a] += m.quantity;
            if (!models[m.model].assembly && !seen[m.model]) {
                seen[m.model] = true;
                truth.partOrder.push_back(m.model);
            }
        }
    // Every path through the tree, one at a time: slow, and plainly right.
    const std::function<void(size_t, int64_t)> walk = [&](size_t model, int64_t count) {
        truth.inBuild[model] += count;
        for (const Member& m : models[model].members) walk(m.model, count * m.quantity);
    };
    walk(0, 1);
    for (const size_t p : truth.partOrder) truth.partCount += truth.inBuild[p];

    for (const Parameter& parameter : product.parameters) {
        if (!parameter.numeric) continue;
        auto own = [&](size_t model) {
            Amount value;
            const std::string* text = models[model].parameter(parameter.name);
            return text && parseAmount(*text, value) ? value.micros : 0;
        };
        const std::function<int64_t(size_t)> below = [&](size_t model) {
            if (!models[model].assembly) return own(model);
            int64_t sum = 0;
            for (const Member& m : models[model].members) sum += m.quantity * below(m.model);
            return sum;
        };
        std::vector<Amount>& tree = truth.treeTotal[parameter.name];
        std::vector<Amount>& rows = truth.rowTotal[parameter.name];
        tree.resize(models.size());
        rows.resize(models.size());
        for (size_t i = 0; i < models.size(); ++i) {
            tree[i].micros = below(i);
            for (const Member& m : models[i].members) rows[i].micros += m.quantity * own(m.model);
        }
    }
    return truth;
}

namespace {

size_t characters(std::string_view text) {
    size_t n = 0;
    for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// Stems of model names by script; the first ASCII ones are long enough to be cut.
const std::vector<std::vector<std::string>>& nameStems() {
    static const std::vector<std::vector<std::string>> stems = {
        {"TURNTABLE_BEARING", "FOREARM_SHELL", "CONTROL_UNIT", "HEX_BOLT", "NUT", "WASHER", "SHAFT", "BRACKET",
         "COVER_PLATE", "GEAR", "PIN", "SPRING"},
        {"GEHÄUSE", "DECKEL", "SCHRAUBE", "MUTTER", "LAGERBÖCK", "ZAHNRAD", "FÜHRUNGSSCHIENE", "STÜTZE", "WELLE"},
        {"КОРПУС", "КРЫШКА", "ВАЛ", "БОЛТ", "ГАЙКА", "ШАЙБА", "ПОДШИПНИК", "КРОНШТЕЙН"},
        {"轴承座", "齿轮", "螺栓", "螺母", "垫圈", "壳体", "端盖", "传动轴"},
        {"ハウジング", "カバー", "ボルト", "ナット", "シャフト", "ギヤ", "ブラケット", "軸受"},
    };
    return stems;
}

std::string textValue(Dice& dice, size_t script) {
    static const std::vector<std::vector<std::string>> values = {
        {"HEX BOLT M8 X 30", "S235JR", "Bearing cover, left", "AlMg3", "PA6 GF30", "Welded frame"},
        {"Lagerdeckel links", "1.4301", "Sechskantschraube ISO 4017", "Stahl verzinkt", "Führung"},
        {"Крышка подшипника", "Сталь 45", "Болт М8 х 30", "Корпус"},
        {"轴承 端盖", "黄铜", "六角 螺栓 M8", "壳体"},
        {"ベアリング カバー", "アルミ", "六角ボルト M8", "ハウジング"},
    };
    if (dice.chance(30))
        return std::string(1, static_cast<char>('A' + dice.upTo(25))) + "-" + std::to_string(100 + dice.upTo(899));
    return dice.pick(values[script]);
}

std::string amountText(int64_t micros) {
    std::string text = std::to_string(micros / 1000000) + "." + std::to_string(1000000 + micros % 1000000).substr(1);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

}  // namespace

Product randomProduct(uint64_t seed, const ProductShape& shape) {
    Dice dice(seed);
    Product product;
    product.parameters = shape.parameters;
    const size_t assemblies = 1 + dice.upTo(std::max<size_t>(shape.maxAssemblies, 1) - 1);
    const size_t parts = 2 + dice.upTo(std::max<size_t>(shape.maxParts, 2) - 2);
    // A product in one script, or now and then in all of them.
    const bool mixed = dice.chance(25);
    const size_t mainScript = dice.upTo(nameStems().size() - 1);
    std::set<std::string> names[2];  // assemblies, parts
    auto newName = [&](bool assembly) {
        for (;;) {
            const size_t script = mixed ? dice.upTo(nameStems().size() - 1) : mainScript;
            std::string name = dice.pick(nameStems()[script]);
            const std::set<std::string>& taken = names[assembly];
            if (!taken.empty() && dice.chance(15)) {
                name = *std::next(taken.begin(), static_cast<std::ptrdiff_t>(dice.upTo(taken.size() - 1)));
                name += dice.chance(50) ? "X30" : "_2";  // a name that starts with another
            } else if (assembly) {
                name += dice.chance(70) ? "_ASM" : "_" + std::to_string(dice.upTo(99)) + "_BG";
            } else {
                name +=
                    "_" + (dice.chance(50) ? std::to_string(dice.upTo(9999)) : "M" + std::to_string(3 + dice.upTo(9)));
            }
            if (characters(name) <= 31 && !taken.count(name)) {
                names[assembly].insert(name);
                return name;
            }
        }
    };
    for (size_t i = 0; i < assemblies + parts; ++i) {
        Model model;
        model.assembly = i < assemblies;
        model.name = newName(model.assembly);
        const size_t script = mixed ? dice.upTo(nameStems().size() - 1) : mainScript;
        for (const Parameter& parameter : shape.parameters) {
            if (dice.chance(15) || (parameter.numeric && model.assembly)) continue;
            if (!parameter.numeric) {
                model.parameters.emplace_back(parameter.name, textValue(dice, script));
                continue;
            }
            int64_t unit = 1;
            for (int p = parameter.places; p < 6; ++p) unit *= 10;
            const size_t whole = dice.chance(70) ? dice.upTo(20) : dice.upTo(2000);
            int64_t micros =
                static_cast<int64_t>(whole) * 1000000 + static_cast<int64_t>(dice.upTo(999999)) / unit * unit;
            model.parameters.emplace_back(parameter.name, amountText(micros));
        }
        product.models.push_back(std::move(model));
    }
    auto holds = [&](size_t a, size_t model) {
        for (const Member& m : product.models[a].members)
            if (m.model == model) return true;
        return false;
    };
    // Mostly chains, so that trees run deep; some sub-assemblies used in several places.
    for (size_t a = 1; a < assemblies; ++a) {
        const size_t parent = dice.chance(60) ? a - 1 : dice.upTo(a - 1);
        product.models[parent].members.push_back({a, static_cast<int64_t>(1 + dice.upTo(2))});
        const size_t other = dice.upTo(a - 1);
        if (dice.chance(25) && !holds(other, a))
            product.models[other].members.push_back({a, 1 + static_cast<int64_t>(dice.upTo(3))});
    }
    for (size_t p = assemblies; p < assemblies + parts; ++p)
        for (size_t uses = 1 + (dice.chance(30) ? dice.upTo(2) : 0); uses > 0; --uses) {
            const size_t a = dice.upTo(assemblies - 1);
            const int64_t quantity =
                dice.chance(80) ? 1 + static_cast<int64_t>(dice.upTo(3)) : 1 + static_cast<int64_t>(dice.upTo(23));
            if (!holds(a, p)) product.models[a].members.push_back({p, quantity});
        }
    // An assembly holding a part of its own name: only the type tells the two apart.
    if (dice.chance(25)) {
        const size_t a = dice.upTo(assemblies - 1);
        Model part = product.models[assemblies + dice.upTo(parts - 1)];
        part.name = product.models[a].name;
        if (names[0].insert(part.name).second) {
            product.models.push_back(part);
            product.models[a].members.push_back({product.models.size() - 1, 1});
        }
    }
    for (size_t a = 0; a < assemblies; ++a) {
        std::vector<Member>& members = product.models[a].members;
        if (members.empty()) members.push_back({assemblies + dice.upTo(parts - 1), 2});
        std::shuffle(members.begin(), members.end(), dice.engine());
    }
    if (shape.assemblyTotals) {
        const Truth truth = truthOf(product);
        for (const auto& [name, totals] : truth.treeTotal)
            for (size_t a = 0; a < assemblies; ++a)
                product.models[a].parameters.emplace_back(name, amountText(totals[a].micros));
    }
    return product;
}

ProductBuilder& ProductBuilder::part(const std::string& name, Values parameters) {
    Model model;
    model.name = name;
    model.parameters = std::move(parameters);
    models_.push_back(std::move(model));
    return *this;
}

ProductBuilder& ProductBuilder::assembly(const std::string& name, std::vector<std::pair<std::string, int64_t>> members,
                                         Values parameters) {
    Model model;
    model.name = name;
    model.assembly = true;
    model.parameters = std::move(parameters);
    for (const auto& [member, quantity] : members) {
        size_t i = models_.size();
        while (i > 0 && models_[i - 1].name != member) --i;
        if (i == 0) throw std::invalid_argument("no model " + member + " before " + name);
        model.members.push_back({i - 1, quantity});
    }
    models_.push_back(std::move(model));
    return *this;
}

Product ProductBuilder::build(std::vector<Parameter> parameters) const {
    size_t main = models_.size();
    while (main > 0 && !models_[main - 1].assembly) --main;
    if (main == 0) throw std::invalid_argument("no assembly");
    --main;
    // The main assembly moves to the front, the ones before it one place back.
    auto moved = [&](size_t i) { return i == main ? 0 : i < main ? i + 1 : i; };
    Product product;
    product.parameters = std::move(parameters);
    product.models.resize(models_.size());
    for (size_t i = 0; i < models_.size(); ++i) {
        Model& model = product.models[moved(i)] = models_[i];
        for (Member& m : model.members) m.model = moved(m.model);
    }
    return product;
}

}  // namespace trelk::testing
