// Micro-benchmarks of the engine's hot pieces, on the generated "wide" BOM (W1: a million lines)
// unless TRELK_BENCH_SHAPE names another shape (deep, one-block, realistic).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

#if __has_include(<tsl/robin_map.h>)
#include <tsl/robin_map.h>
#define TRELK_HAVE_ROBIN_MAP 1
#endif
#if __has_include(<absl/container/flat_hash_map.h>) && defined(TRELK_HAVE_ABSL)
#include <absl/container/flat_hash_map.h>
#endif

#include "bench/bom_shapes.h"
#include "engine/files/file_system.h"
#include "engine/reading/name_index.h"
#include "engine/runs/processing_run.h"
#include "engine/writing/report.h"
#include "engine/rollup/rollup.h"

namespace {

using namespace trelk;

// Other programs share this machine: with repetitions, the fastest run is the one least disturbed.
double fastest(const std::vector<double>& runs) { return *std::min_element(runs.begin(), runs.end()); }
#define TRELK_BENCHMARK(f) BENCHMARK(f)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest)

const std::string& bomBytes() {
    static const std::string bytes = [] {
        bench::ShapeOptions options;
        options.shape = bench::Shape::Wide;
        if (const char* name = std::getenv("TRELK_BENCH_SHAPE")) bench::parseShape(name, options.shape);
        return bench::generateBom(options);
    }();
    return bytes;
}

// The BOM on disk, for the pieces that read the file themselves.
const std::string& bomFile() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string p = std::string(tmp && *tmp ? tmp : "/tmp") + "/trelk-engine-bench.bom";
        std::FILE* f = std::fopen(p.c_str(), "wb");
        if (!f) std::abort();
        std::fwrite(bomBytes().data(), 1, bomBytes().size(), f);
        std::fclose(f);
        return p;
    }();
    return path;
}

const LogSink kNoLog = [](std::string_view) {};

struct Analysed {
    BomStructure bom{bomBytes(), KeywordSet()};
    RollupTotals totals = expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1), kNoLog);
    WhereUsedById whereUsed = buildWhereUsed(bom);
};
const Analysed& analysed() {
    static const Analysed a;
    return a;
}

void setBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bomBytes().size()));
}

void BM_CutLines(benchmark::State& state) {
    for (auto _ : state) {
        size_t lines = 0;
        forEachLine(bomBytes(), [&](std::string_view) { ++lines; });
        benchmark::DoNotOptimize(lines);
    }
    setBytes(state);
}
TRELK_BENCHMARK(BM_CutLines);

void BM_ClassifyLines(benchmark::State& state) {
    const KeywordSet keywords;
    for (auto _ : state) {
        LineClassifier classifier(keywords);
        size_t items = 0;
        forEachLine(bomBytes(),
                    [&](std::string_view line) { items += classifier.classify(line).kind == ItemKind::Part; });
        benchmark::DoNotOptimize(items);
    }
    setBytes(state);
}
TRELK_BENCHMARK(BM_ClassifyLines);

// Cutting, splitting, classifying and numbering the names: the whole first pass.
void BM_ReadStructure(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::string bytes = bomBytes();
        state.ResumeTiming();
        const BomStructure bom(std::move(bytes), KeywordSet());
        benchmark::DoNotOptimize(bom.nameCount());
    }
    setBytes(state);
}
TRELK_BENCHMARK(BM_ReadStructure);

// The names of every item line and header, as the first pass looks them up.
const std::vector<std::string_view>& namesInFileOrder() {
    static const std::vector<std::string_view> names = [] {
        std::vector<std::string_view> out;
        const KeywordSet keywords;
        LineClassifier classifier(keywords);
        forEachLine(bomBytes(), [&](std::string_view line) {
            const LineClass c = classifier.classify(line);
            if (c.kind != ItemKind::None)
                out.push_back(c.item);
            else if (c.header)
                out.push_back(c.headerName);
        });
        return out;
    }();
    return names;
}

template <class Map>
void numberNames(benchmark::State& state, Map& map) {
    const std::vector<std::string_view>& names = namesInFileOrder();
    uint64_t sum = 0;
    for (const std::string_view name : names) {
        const auto found = map.find(name);
        if (found != map.end()) {
            sum += found->second;
        } else {
            const uint32_t id = static_cast<uint32_t>(map.size());
            map.emplace(name, id);
            sum += id;
        }
    }
    benchmark::DoNotOptimize(sum);
    state.counters["names"] = static_cast<double>(map.size());
}

void BM_NameNumbering_StdUnorderedMap(benchmark::State& state) {
    for (auto _ : state) {
        std::unordered_map<std::string_view, uint32_t> map;
        numberNames(state, map);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * namesInFileOrder().size()));
}
TRELK_BENCHMARK(BM_NameNumbering_StdUnorderedMap);

struct FastNameHash {
    size_t operator()(std::string_view name) const { return static_cast<size_t>(hashName(name)); }
};

void BM_NameNumbering_StdUnorderedMapFastHashReserved(benchmark::State& state) {
    for (auto _ : state) {
        std::unordered_map<std::string_view, uint32_t, FastNameHash> map;
        map.reserve(1 << 17);
        numberNames(state, map);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * namesInFileOrder().size()));
}
TRELK_BENCHMARK(BM_NameNumbering_StdUnorderedMapFastHashReserved);

#ifdef TRELK_HAVE_ROBIN_MAP
void BM_NameNumbering_TslRobinMap(benchmark::State& state) {
    for (auto _ : state) {
        tsl::robin_map<std::string_view, uint32_t, FastNameHash> map;
        numberNames(state, map);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * namesInFileOrder().size()));
}
TRELK_BENCHMARK(BM_NameNumbering_TslRobinMap);
#endif

#ifdef TRELK_HAVE_ABSL
void BM_NameNumbering_AbslFlatHashMap(benchmark::State& state) {
    for (auto _ : state) {
        absl::flat_hash_map<std::string_view, uint32_t> map;
        numberNames(state, map);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * namesInFileOrder().size()));
}
TRELK_BENCHMARK(BM_NameNumbering_AbslFlatHashMap);
#endif

void BM_NameNumbering_NameIndex(benchmark::State& state) {
    const std::vector<std::string_view>& names = namesInFileOrder();
    for (auto _ : state) {
        NameIndex index;
        uint64_t sum = 0;
        for (const std::string_view name : names) sum += index.number(name);
        benchmark::DoNotOptimize(sum);
        state.counters["names"] = static_cast<double>(index.size());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * names.size()));
}
TRELK_BENCHMARK(BM_NameNumbering_NameIndex);

void BM_Rollup(benchmark::State& state) {
    const BomStructure& bom = analysed().bom;
    for (auto _ : state) {
        const RollupTotals totals = expandAssembly(bom, bom.mainAssemblyName(), Tally::of(1), kNoLog);
        benchmark::DoNotOptimize(totals.parts.size());
    }
}
TRELK_BENCHMARK(BM_Rollup);

void BM_WhereUsed(benchmark::State& state) {
    const BomStructure& bom = analysed().bom;
    for (auto _ : state) {
        const WhereUsedById whereUsed = buildWhereUsed(bom);
        benchmark::DoNotOptimize(whereUsed.parts.size());
    }
}
TRELK_BENCHMARK(BM_WhereUsed);

void BM_SortTables(benchmark::State& state) {
    const Analysed& a = analysed();
    for (auto _ : state) {
        state.PauseTiming();
        WhereUsedById whereUsed = a.whereUsed;
        state.ResumeTiming();
        const ResultTables tables = sortTables(a.bom, a.totals, std::move(whereUsed));
        benchmark::DoNotOptimize(tables.partTotals.count());
    }
}
TRELK_BENCHMARK(BM_SortTables);

// All five sections into /dev/null, so that the file system's cost is left out.
void BM_WriteReport(benchmark::State& state) {
    const Analysed& a = analysed();
    RunRequest request;
    request.bomFileName = bomFile();
    request.sections = SectionSelection::all();
    Analysis analysis;
    analysis.tables = sortTables(a.bom, a.totals, a.whereUsed);
    const std::vector<std::string> log;
    const ResultsDocument document{request, analysis, log};
    for (auto _ : state) {
        OutputFile out;
        if (out.create("/dev/null") != kNoError) state.SkipWithError("cannot open /dev/null");
        int readError = kNoError;
        benchmark::DoNotOptimize(writeReport(out, document, readError));
    }
}
TRELK_BENCHMARK(BM_WriteReport);

class NullHost : public ProcessingHost {
public:
    void appendLogLine(std::string_view) override {}
    void showErrorBox(std::string_view, std::string_view) override {}
    void openDocument(const std::string&) override {}
};

// The whole run in one process, from the file to the report in /dev/null.
void BM_WholeRun(benchmark::State& state) {
    RunRequest request;
    request.bomFileName = bomFile();
    request.sections = SectionSelection::all();
    request.reportPath = "/dev/null";
    for (auto _ : state) {
        NullHost host;
        runProcessing(request, host);
    }
    setBytes(state);
}
TRELK_BENCHMARK(BM_WholeRun);

}  // namespace

int main(int argc, char** argv) {
    // The input is made before the clock runs.
    analysed();
    bomFile();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
