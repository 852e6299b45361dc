// The interpreter's hot path: a one-line text handed to eval, parsed and
// resolved again on every call, as `eval` in a loop does. Each iteration
// parses a batch of copies of the line (each with a factory of its own, as
// every call has) and then resolves them, timing the two phases apart, so
// that the ratio of resolution to parse is measured within one run.
//
//   build/bench/eval_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tools/korvex-nr/SearchPathCallbacks.hpp"

namespace {

constexpr int kBatch = 1000;
constexpr std::u16string_view kLine = u"x = y + f(z);";

// A caller with a few workspace variables and static answers.
korvex::tool::CallerModel evalCaller() {
    korvex::tool::CallerModel model;
    model.knownNames = {u"disp", u"zeros"};
    model.workspaceVariables = {u"y", u"z", u"w"};
    model.staticClassifications = {
        {u"f", {fe::nr::IdKind::LOCAL_FUNCTION, 0, 0}},
        {u"g", {fe::nr::IdKind::NESTED_FUNCTION, 0, 0}},
        {u"y", {fe::nr::IdKind::VARIABLE, 0, 0}},
    };
    return model;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void evalOneLine(benchmark::State& state) {
    auto callbacks = korvex::tool::createSearchPathCallbacks(evalCaller());
    fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
    fe::util::NullFrontEndWarningLog warnings;
    double parseSeconds = 0;
    double resolveSeconds = 0;
    for (auto _ : state) {
        std::vector<std::unique_ptr<fe::astapi::AstNodeFactory>> factories;
        std::vector<lf::astapi::Program*> bodies;
        factories.reserve(kBatch);
        bodies.reserve(kBatch);

        auto const parseStart = std::chrono::steady_clock::now();
        for (int call = 0; call < kBatch; ++call) {
            factories.push_back(std::make_unique<fe::astapi::AstNodeFactory>());
            bodies.push_back(lf::parser::parse(kLine, *factories.back()));
        }
        parseSeconds += secondsSince(parseStart);

        auto const resolveStart = std::chrono::steady_clock::now();
        for (int call = 0; call < kBatch; ++call) {
            fe::nr::ResolutionTimer timer{};
            benchmark::DoNotOptimize(resolver.resolveEvalBody(
                *bodies[call], nullptr, false, 1, warnings, *factories[call], *callbacks, &timer));
        }
        resolveSeconds += secondsSince(resolveStart);
    }
    double const calls = static_cast<double>(state.iterations()) * kBatch;
    state.counters["parse_us"] = parseSeconds / calls * 1e6;
    state.counters["resolve_us"] = resolveSeconds / calls * 1e6;
    state.counters["resolve_to_parse"] = resolveSeconds / parseSeconds;
}
BENCHMARK(evalOneLine)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
