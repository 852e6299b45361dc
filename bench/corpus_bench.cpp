// Parse and resolution throughput on real programs: the .kx files of the
// folders and files named on the command line (by default the project's own
// corpora and examples). Files that do not parse are skipped and counted; the
// rest are repeated, each as a file of its own, to a few megabytes so that
// one pass takes long enough to time.
//
// Every round measures, on the same fresh trees and in this order: the
// parse of every source, a bare walk of every tree (the dispatcher visiting
// each node and doing nothing else), then the resolution of every tree the
// way `korvex-nr check` resolves it. The fastest round of each phase is
// reported, so the resolution / bare-walk ratio compares two figures taken
// in the same run on the same trees.
//
//   build/bench/corpus_bench [PATH...] [--megabytes N] [--rounds N]
//                            [-p DIR] [--builtins FILE] [--package-imports]

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/TreeMeasures.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/import/Features.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tools/korvex-nr/CallerOptions.hpp"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kMegabyte = 1024.0 * 1024.0;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The .kx files below each folder (in name order) and each file itself.
std::vector<fs::path> programFiles(std::vector<std::string> const& paths) {
    std::vector<fs::path> files;
    for (std::string const& path : paths) {
        if (!fs::is_directory(path)) {
            files.emplace_back(path);
            continue;
        }
        std::vector<fs::path> inFolder;
        for (auto const& entry : fs::recursive_directory_iterator(path)) {
            if (entry.is_regular_file() && entry.path().extension() == ".kx") {
                inFolder.push_back(entry.path());
            }
        }
        std::sort(inFolder.begin(), inFolder.end());
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return files;
}

// The sources that parse, and how many files were left out.
struct Corpus {
    std::vector<std::string> sources;
    std::size_t unreadable = 0;
    std::size_t unparsable = 0;
};

Corpus readCorpus(std::vector<fs::path> const& files) {
    Corpus corpus;
    for (fs::path const& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream content;
        if (!(in && content << in.rdbuf())) {
            ++corpus.unreadable;
            continue;
        }
        try {
            fe::astapi::AstNodeFactory factory;
            lf::parser::parseUtf8(content.view(), factory);
            corpus.sources.push_back(std::move(content).str());
        } catch (lf::parser::SyntaxError const&) {
            ++corpus.unparsable;
        }
    }
    return corpus;
}

// The sources repeated in turn until they make at least `targetBytes`.
std::vector<std::string const*> repeatedTo(std::size_t targetBytes,
                                           std::vector<std::string> const& sources) {
    std::vector<std::string const*> repeated;
    std::size_t total = 0;
    for (std::size_t i = 0; total < targetBytes; ++i) {
        repeated.push_back(&sources[i % sources.size()]);
        total += repeated.back()->size();
    }
    return repeated;
}

// What one round measured, in seconds and arena bytes.
struct Round {
    double parse = 0;
    double walk = 0;
    double resolve = 0;
    // The part of `resolve` spent answering the resolver's questions about
    // the search path (the tool's callbacks, not the library).
    double callbacks = 0;
    std::size_t arenaAfterParse = 0;
    std::size_t arenaAfterResolve = 0;
    std::size_t nodes = 0;
    // Resolutions that ended in a user error (they are timed all the same).
    std::size_t userErrors = 0;
};

Round measureRound(std::vector<std::string const*> const& sources,
                   fe::nr::INameResolutionCallbacks& callbacks) {
    Round round;
    std::vector<std::unique_ptr<fe::astapi::AstNodeFactory>> factories(sources.size());
    std::vector<lf::astapi::Program*> programs(sources.size());

    auto const parseStart = Clock::now();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        factories[i] = std::make_unique<fe::astapi::AstNodeFactory>();
        programs[i] = lf::parser::parseUtf8(*sources[i], *factories[i]);
    }
    round.parse = secondsSince(parseStart);
    for (auto const& factory : factories) {
        round.arenaAfterParse += factory->allocator()->bytesAllocated();
    }

    korvex::bench::NodeCounter counter;
    auto const walkStart = Clock::now();
    for (lf::astapi::Program const* program : programs) {
        counter.dispatch(*program);
    }
    round.walk = secondsSince(walkStart);
    round.nodes = counter.count;

    fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
    std::u16string const fileName = u"corpus.kx";
    fe::util::NullFrontEndWarningLog warnings;
    auto const resolveStart = Clock::now();
    for (std::size_t i = 0; i < programs.size(); ++i) {
        fe::nr::ResolutionTimer timer;
        try {
            if (programs[i]->programKind == lf::astapi::ProgramKind::ClassFile) {
                resolver.resolveProgramLocally(*programs[i], fileName, *factories[i]);
            } else {
                resolver.resolveProgram(*programs[i], fileName, warnings, *factories[i], callbacks,
                                        &timer);
            }
        } catch (fe::util::IFrontEndUserException const&) {
            ++round.userErrors;
        }
        round.callbacks += timer.callbackMilliseconds / 1e3;
    }
    round.resolve = secondsSince(resolveStart);
    for (auto const& factory : factories) {
        round.arenaAfterResolve += factory->allocator()->bytesAllocated();
    }
    return round;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Parse and resolution throughput on the .kx files of folders and files.");
    std::vector<std::string> paths;
    double megabytes = 4;
    int rounds = 5;
    korvex::tool::CallerOptions caller;
    app.add_option("paths", paths, "Folders (searched for .kx files) and files")
        ->check(CLI::ExistingPath);
    app.add_option("--megabytes", megabytes, "Repeat the sources to at least this many MB")
        ->check(CLI::PositiveNumber);
    app.add_option("--rounds", rounds, "Rounds to run; the fastest of each phase is reported")
        ->check(CLI::PositiveNumber);
    caller.addTo(app);
    CLI11_PARSE(app, argc, argv);

    if (paths.empty()) {
        std::string const root = KORVEX_SOURCE_DIR;
        paths = {root + "/tests/corpus", root + "/tests/corpus-parse", root + "/examples"};
    }
    Corpus const corpus = readCorpus(programFiles(paths));
    if (corpus.sources.empty()) {
        std::fprintf(stderr, "corpus_bench: no file that parses\n");
        return 2;
    }
    std::vector<std::string const*> const sources =
        repeatedTo(static_cast<std::size_t>(megabytes * kMegabyte), corpus.sources);
    std::size_t sourceBytes = 0;
    for (std::string const* source : sources) {
        sourceBytes += source->size();
    }

    lf::features::setPackageImportsFeature(caller.packageImports());
    korvex::tool::CallerModel model = caller.model(u"");
    model.externalNames = std::make_shared<korvex::tool::ExternalNames const>(model);
    auto callbacks = korvex::tool::createSearchPathCallbacks(std::move(model));

    Round best;
    best.parse = best.walk = best.resolve = std::numeric_limits<double>::infinity();
    for (int i = 0; i < rounds; ++i) {
        Round const round = measureRound(sources, *callbacks);
        best.parse = std::min(best.parse, round.parse);
        best.walk = std::min(best.walk, round.walk);
        if (round.resolve < best.resolve) {
            best.resolve = round.resolve;
            best.callbacks = round.callbacks;
        }
        best.arenaAfterParse = round.arenaAfterParse;
        best.arenaAfterResolve = round.arenaAfterResolve;
        best.nodes = round.nodes;
        best.userErrors = round.userErrors;
    }

    double const sourceMegabytes = static_cast<double>(sourceBytes) / kMegabyte;
    std::printf("files                  %zu parsed, %zu skipped (syntax error), %zu unreadable\n",
                corpus.sources.size(), corpus.unparsable, corpus.unreadable);
    std::printf("source                 %.2f MB in %zu files, %zu nodes, %d rounds\n",
                sourceMegabytes, sources.size(), best.nodes, rounds);
    std::printf("resolution errors      %zu of %zu files\n", best.userErrors, sources.size());
    std::printf("parse                  %8.1f MB/s\n", sourceMegabytes / best.parse);
    std::printf("resolution             %8.1f MB/s\n", sourceMegabytes / best.resolve);
    std::printf("parse + resolution     %8.1f MB/s\n",
                sourceMegabytes / (best.parse + best.resolve));
    std::printf("bare walk              %8.1f MB/s\n", sourceMegabytes / best.walk);
    std::printf("resolution / walk      %8.2f\n", best.resolve / best.walk);
    std::printf(
        "  without callbacks    %8.2f (%.0f%% of resolution in the search-path callbacks)\n",
        (best.resolve - best.callbacks) / best.walk, 100 * best.callbacks / best.resolve);
    std::printf("arena after parse      %8.2f MB per MB of source\n",
                static_cast<double>(best.arenaAfterParse) / kMegabyte / sourceMegabytes);
    std::printf("arena after resolution %8.2f MB per MB of source\n",
                static_cast<double>(best.arenaAfterResolve) / kMegabyte / sourceMegabytes);
    std::printf("peak resident          %8.1f MB\n", korvex::bench::peakResidentMegabytes());
    return 0;
}
