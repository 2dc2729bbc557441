// A product as the CAD system holds it (models with parameters, assemblies with ordered members)
// and the truth about it, worked out by plain recursion for the tests of readers: how many of each
// model the whole build holds, and every numeric parameter summed through the tree. The exports
// rendered from it are in support/format_render.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace trelk::testing {

// A parameter the models of a product may carry. A numeric one holds a decimal number with at
// most `places` decimals (at most six), printed with exactly the places it needs ("18.5").
struct Parameter {
    std::string name;  // as a format names it: ASCII letters, digits and '_'
    bool numeric = false;
    int places = 0;
};

struct Member {
    size_t model;      // index into Product::models
    int64_t quantity;  // a whole number, at least 1
};

struct Model {
    std::string name;  // at most 31 characters, no blanks, any script; an assembly and a part may share it
    bool assembly = false;
    std::vector<std::pair<std::string, std::string>> parameters;  // name -> printed value; missing ones absent
    std::vector<Member> members;                                  // of an assembly, in order; each model once
    // The value, or null when the model lacks the parameter.
    const std::string* parameter(std::string_view wanted) const;
};

// The main assembly is models[0]; no assembly holds itself, directly or through others. Models
// that the main assembly does not reach are printed nowhere.
struct Product {
    std::vector<Model> models;
    std::vector<Parameter> parameters;  // the ones the models may carry
};

// A decimal amount held exactly, in millionths.
struct Amount {
    int64_t micros = 0;
    double value() const { return static_cast<double>(micros) / 1e6; }
    bool operator==(const Amount& o) const { return micros == o.micros; }
};
// The value as a decimal; text that is no number gives nothing.
bool parseAmount(std::string_view text, Amount& amount);

// What a reader must find in any export of the product, besides what the product says itself
// (an assembly's direct members, each model's parameter values).
struct Truth {
    // The assemblies in the order of their breakdown blocks: the main one first, then depth first
    // in member order, each once however often it is used.
    std::vector<size_t> blockOrder;
    // The parts in the order of their first row in those blocks, each once.
    std::vector<size_t> partOrder;
    // By model: how many of it one build of the main assembly holds (the main assembly: 1).
    std::vector<int64_t> inBuild;
    // By numeric parameter, then by model: for an assembly, quantity x value of every part below it
    // through the tree (the main assembly's is the whole build's); for a part, its own value. A
    // missing value counts 0.
    std::map<std::string, std::vector<Amount>> treeTotal;
    // By numeric parameter, then by assembly: quantity x value over the assembly's own rows, each
    // member's own value (an assembly member's too), which is what a block's total line sums.
    std::map<std::string, std::vector<Amount>> rowTotal;
    // By assembly: the sum of its rows' quantities; and the number of parts in one build.
    std::vector<int64_t> rowQuantity;
    int64_t partCount = 0;
};

Truth truthOf(const Product& product);

struct ProductShape {
    size_t maxParts = 40, maxAssemblies = 10;
    std::vector<Parameter> parameters;  // each model lacks each one now and then
    // Assemblies carry each numeric parameter as their through-tree total, as the CAD system's mass
    // properties do; then every block's total line equals its assembly's tree total.
    bool assemblyTotals = false;
};

// A random product, the same for the same seed: deep trees with shared sub-assemblies, names in
// several scripts (ASCII, German, Cyrillic, Chinese, Japanese), names that start with other names
// or share their first 18 characters, now and then an assembly holding a part of its own name.
Product randomProduct(uint64_t seed, const ProductShape& shape);

// A product written out by hand, bottom up: a member names a model added before, the latest of that
// name (so an assembly can hold a part of its own name), and the last assembly added is the main one.
class ProductBuilder {
public:
    using Values = std::vector<std::pair<std::string, std::string>>;
    ProductBuilder& part(const std::string& name, Values parameters = {});
    ProductBuilder& assembly(const std::string& name, std::vector<std::pair<std::string, int64_t>> members,
                             Values parameters = {});
    Product build(std::vector<Parameter> parameters) const;

private:
    std::vector<Model> models_;
};

}  // namespace trelk::testing
