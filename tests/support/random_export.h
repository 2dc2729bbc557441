// Random exports of one random product, written as the CAD system writes them in any interface
// language (random words in several scripts, type words cut at a random column width) and as
// company tables (random columns, separators, titles and headers). The same product written in
// the CAD system's English layout is what the literal reading takes as the truth.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/request/run_options.h"

namespace trelk::testing {

// An assembly tree without cycles: block 0 is the main assembly; a block lists parts and the
// assemblies after it.
struct BomModel {
    struct Member {
        int32_t quantity;
        bool assembly;
        size_t index;  // into assemblies or parts
    };
    std::vector<std::string> assemblies, parts;
    std::vector<std::vector<Member>> blocks;  // by assembly
    // The parts of one main assembly multiplied out, by part.
    std::vector<int64_t> partTotals() const;
};

BomModel randomModel(std::mt19937_64& rng);

// The words of one interface language.
struct Vocabulary {
    std::string assembly, subAssembly, part;  // the type words of the headers and of the items
    std::string contains;                     // after the name in a header; may hold a blank
    std::string summaryBefore, summaryAfter;  // around the main assembly's name in the summary
    KeywordSet keywords() const;
};

Vocabulary randomVocabulary(std::mt19937_64& rng);
Vocabulary englishVocabulary();

struct CadLook {
    int typeWidth = 12;   // the type column; a longer word is cut and its rest goes on
    bool summary = true;  // the summary of parts at the end
    bool byteOrderMark = false;
    std::string lineEnd = "\r\n";
};

// The export in the CAD system's own layout. The type words of a Windows-1252 vocabulary are
// written as they are: the caller picks the encoding by the words it gives.
std::string cadExport(const BomModel& model, const Vocabulary& words, const CadLook& look);

// A company table of the same product, and what a reader must find in it.
struct Table {
    std::string text;
    char separator;
    bool hasTypeColumn;
};
Table randomTable(const BomModel& model, std::mt19937_64& rng);

// Text that is no export: words, names, numbers in lines.
std::string randomText(std::mt19937_64& rng);

}  // namespace trelk::testing
