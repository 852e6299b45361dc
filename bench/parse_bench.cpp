// Parse throughput on a large input made by repeating the realistic programs
// of tests/corpus-parse: MB/s of UTF-8 source, nodes per second, and the
// tree's memory per MB of source (arena bytes, and the process's peak
// resident size).
//
//   build-parser/bench/parse_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/TreeMeasures.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/parser/Parser.hpp"

namespace {

using korvex::bench::NodeCounter;
using korvex::bench::peakResidentMegabytes;

constexpr std::size_t kTargetBytes = 10 * 1024 * 1024;
constexpr double kMegabyte = 1024.0 * 1024.0;

std::string readProgram(char const* relativePath) {
    std::ifstream in(std::string(KORVEX_PARSE_CORPUS_DIR) + "/" + relativePath, std::ios::binary);
    if (!in) {
        throw std::runtime_error(std::string("cannot read ") + relativePath);
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Parses every source once per iteration, each into a fresh tree.
void parseSources(benchmark::State& state, std::vector<std::string> const& sources) {
    std::size_t bytes = 0;
    std::size_t nodes = 0;
    std::size_t arenaBytes = 0;
    for (std::string const& source : sources) {
        bytes += source.size();
        fe::astapi::AstNodeFactory factory;
        NodeCounter counter;
        counter.dispatch(*lf::parser::parseUtf8(source, factory));
        nodes += counter.count;
        arenaBytes += factory.allocator()->bytesAllocated();
    }
    for (auto _ : state) {
        for (std::string const& source : sources) {
            fe::astapi::AstNodeFactory factory;
            benchmark::DoNotOptimize(lf::parser::parseUtf8(source, factory));
        }
    }
    double const megabytes = static_cast<double>(bytes) / kMegabyte;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes),
                                                   benchmark::Counter::kIsIterationInvariantRate);
    state.counters["arenaMB/srcMB"] = static_cast<double>(arenaBytes) / kMegabyte / megabytes;
    state.counters["peakRSS_MB"] = peakResidentMegabytes();
    state.counters["srcMB"] = megabytes;
}

// One function file of about 10 MB: the solver's functions repeated (its
// functions are closed by `end`, so the copies simply follow each other).
void BM_ParseLargeFunctionFile(benchmark::State& state) {
    std::string const program = readProgram("ode_solver.kx");
    std::string large;
    while (large.size() < kTargetBytes) {
        large += program;
        large += '\n';
    }
    parseSources(state, {large});
}

// The four programs, each parsed as a file of its own, repeated to about 10 MB.
void BM_ParseCorpusFiles(benchmark::State& state) {
    std::vector<std::string> const programs = {
        readProgram("ode_solver.kx"), readProgram("SensorArray.kx"),
        readProgram("analysis_report.kx"), readProgram("+geometry/mesh_tools.kx")};
    std::vector<std::string> sources;
    std::size_t total = 0;
    for (std::size_t i = 0; total < kTargetBytes; ++i) {
        sources.push_back(programs[i % programs.size()]);
        total += sources.back().size();
    }
    parseSources(state, sources);
}

BENCHMARK(BM_ParseLargeFunctionFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ParseCorpusFiles)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
