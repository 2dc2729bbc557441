// What a document of a run's results is written from: the JSON document and the HTML page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/request/run_options.h"
#include "engine/results/assembly_tree.h"
#include "engine/results/result_tables.h"
#include "text/text_codec.h"

namespace trelk {

struct ResultsDocument {
    std::string bomFileName;
    int64_t buildQuantity = 1;
    TextEncoding encoding = TextEncoding::Utf8;
    std::vector<std::string> log;  // the run's log lines up to the writing
    SectionSelection sections;     // the tables to write; the breakdown flag stands for the tree
    const ResultTables* tables = nullptr;
    const AssemblyTree* tree = nullptr;
};

}  // namespace trelk
