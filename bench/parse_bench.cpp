// Parse throughput on large inputs made by repeating realistic programs (the
// ones of tests/corpus-parse, and every file of the corpora and the examples):
// MB/s of UTF-8 source, nodes per second, and the tree's memory per MB of
// source (arena bytes, and the process's peak resident size).
//
//   build/bench/parse_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
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

std::string readFile(std::filesystem::path const& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string readProgram(char const* relativePath) {
    return readFile(std::filesystem::path(KORVEX_SOURCE_DIR) / "tests/corpus-parse" / relativePath);
}

// The sources of `sources`, each parsed as a file of its own, repeated in
// turn until they make about kTargetBytes.
std::vector<std::string> repeatedTo(std::size_t targetBytes,
                                    std::vector<std::string> const& sources) {
    std::vector<std::string> repeated;
    std::size_t total = 0;
    for (std::size_t i = 0; total < targetBytes; ++i) {
        repeated.push_back(sources[i % sources.size()]);
        total += repeated.back().size();
    }
    return repeated;
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
    parseSources(state, repeatedTo(kTargetBytes, programs));
}

// Every program of tests/corpus, tests/corpus-parse and the examples that
// parses (the drafts with deliberate syntax errors are left out), each parsed
// as a file of its own, repeated to about 10 MB.
void BM_ParseRealisticFiles(benchmark::State& state) {
    std::vector<std::filesystem::path> paths;
    for (char const* folder : {"tests/corpus", "tests/corpus-parse", "examples"}) {
        for (auto const& entry : std::filesystem::recursive_directory_iterator(
                 std::filesystem::path(KORVEX_SOURCE_DIR) / folder)) {
            if (entry.is_regular_file() && entry.path().extension() == ".kx") {
                paths.push_back(entry.path());
            }
        }
    }
    std::sort(paths.begin(), paths.end());
    std::vector<std::string> programs;
    for (auto const& path : paths) {
        std::string program = readFile(path);
        try {
            fe::astapi::AstNodeFactory factory;
            lf::parser::parseUtf8(program, factory);
            programs.push_back(std::move(program));
        } catch (lf::parser::SyntaxError const&) {
        }
    }
    state.counters["files"] = static_cast<double>(programs.size());
    parseSources(state, repeatedTo(kTargetBytes, programs));
}

BENCHMARK(BM_ParseLargeFunctionFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ParseCorpusFiles)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ParseRealisticFiles)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
