// Resolution time of a large generated function file: many local functions,
// half of them with nested functions, long bodies mixing variables, calls of
// local and external functions, dotted package names, field accesses, loops
// and anonymous functions. Each iteration resolves a freshly parsed tree (the
// parse is outside the timing); a bare walk of every node with the same
// dispatcher gives the baseline, timed on the same trees in the same run.
//
//   build-tool/bench/resolve_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>
#include <chrono>
#include <string>

#include "bench/TreeMeasures.hpp"
#include "foundation/text/Utf.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tools/korvex-nr/SearchPathCallbacks.hpp"

namespace {

constexpr int kFunctions = 400;
constexpr int kLoopsPerFunction = 12;

std::string localFunction(int index) {
    std::string const name = "step" + std::to_string(index);
    std::string const next = "step" + std::to_string((index + 1) % kFunctions);
    bool const hasNested = index % 2 == 0;
    std::string text = "function r = " + name + "(x, scale)\n  acc = 0;\n  data = zeros(1, x);\n";
    for (int loop = 0; loop < kLoopsPerFunction; ++loop) {
        text +=
            "  for j = 1:x\n"
            "    v = data(j) * scale + p.q.f(j);\n"
            "    s.field.inner = v;\n"
            "    t = s.field.inner + geometry.area(v, j) - p.q.f.width;\n";
        text += hasNested ? "    acc = acc + refine(v, t);\n" : "    acc = acc + v * t;\n";
        text +=
            "    if acc > 10\n"
            "      disp(acc, unknown_name);\n"
            "    end\n"
            "  end\n";
    }
    text += "  handle = @(y) y + acc * scale;\n";
    text += "  r = acc + " + next + "(x - 1, handle(2));\n";
    if (hasNested) {
        text +=
            "\n  function w = refine(z, u)\n"
            "    w = z * 2 + acc + u;\n"
            "    m = limit(w);\n"
            "\n    function q = limit(k)\n"
            "      q = min(k, acc);\n"
            "    end\n"
            "  end\n";
    }
    return text + "end\n\n";
}

std::string generatedProgram() {
    std::string text =
        "function out = bench_main(n)\n  out = 0;\n  for k = 1:n\n"
        "    out = out + step0(k, 2);\n  end\nend\n\n";
    for (int index = 0; index < kFunctions; ++index) {
        text += localFunction(index);
    }
    return text;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

korvex::tool::CallerModel knownExternals() {
    korvex::tool::CallerModel model;
    model.knownNames = {u"zeros", u"disp", u"min", u"p.q.f", u"geometry.area"};
    return model;
}

void resolveGeneratedProgram(benchmark::State& state) {
    std::u16string const source = fl::text::toUtf16(generatedProgram());
    auto const lines = std::make_shared<lf::util::LineInfo const>(source);
    std::u16string const fileName = u"bench_main.kx";
    auto callbacks = korvex::tool::createSearchPathCallbacks(knownExternals());
    fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();

    std::size_t nodes = 0;
    std::size_t arenaBytes = 0;
    double resolveSeconds = 0;
    double walkSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fe::astapi::AstNodeFactory factory;
        lf::astapi::Program* program = lf::parser::parse(source, factory);
        korvex::bench::NodeCounter walk;
        auto const walkStart = std::chrono::steady_clock::now();
        walk.dispatch(*program);
        walkSeconds += secondsSince(walkStart);
        nodes = walk.count;
        fe::util::CollectingFrontEndWarningLog warnings(fileName, lines);
        fe::nr::ResolutionTimer timer;
        state.ResumeTiming();

        auto const resolveStart = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(
            resolver.resolveProgram(*program, fileName, warnings, factory, *callbacks, &timer));
        resolveSeconds += secondsSince(resolveStart);

        state.PauseTiming();
        arenaBytes = factory.allocator()->bytesAllocated();
        state.ResumeTiming();
    }
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["nodes_per_second"] = benchmark::Counter(
        static_cast<double>(nodes * state.iterations()), benchmark::Counter::kIsRate);
    state.counters["resolve_to_walk"] = resolveSeconds / walkSeconds;
    state.counters["arena_MB"] = static_cast<double>(arenaBytes) / (1024.0 * 1024.0);
    state.counters["peak_rss_MB"] = korvex::bench::peakResidentMegabytes();
}
BENCHMARK(resolveGeneratedProgram)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
