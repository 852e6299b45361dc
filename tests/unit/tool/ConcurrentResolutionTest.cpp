// The resolver holds no state between calls: resolving a file gives the same
// classifications whether it is resolved once, again, or on several threads
// at once. In the sanitizer build it also checks that concurrent resolutions
// do not touch each other's memory.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "foundation/text/Utf.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tools/korvex-nr/SearchPathCallbacks.hpp"

namespace korvex::tool {
namespace {

namespace fs = std::filesystem;

fs::path const kCases = fs::path(KORVEX_GOLDEN_DIR) / "resolve";

// The classification dump of `file` resolved over the cases' search path,
// followed by how resolution ended.
std::string resolveFile(fs::path const& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    std::u16string const text = fl::text::toUtf16(content.str());
    std::u16string const name = file.u16string();

    fe::astapi::AstNodeFactory factory;
    lf::astapi::Program* program = lf::parser::parse(text, factory);
    CallerModel model;
    model.searchPath = {kCases / "path"};
    model.privateFolder = kCases / "private";
    auto callbacks = createSearchPathCallbacks(std::move(model));
    fe::util::CollectingFrontEndWarningLog warnings(
        name, std::make_shared<lf::util::LineInfo const>(text));
    fe::nr::ResolutionTimer timer;
    fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
    std::string outcome = "resolved";
    try {
        resolver.resolveProgram(*program, name, warnings, factory, *callbacks, &timer);
    } catch (fe::util::IFrontEndUserException const& error) {
        outcome = std::string("user error ") + error.what();
    } catch (std::invalid_argument const& refusal) {
        outcome = std::string("refused: ") + refusal.what();
    }
    return resolver.dumpClassifications(*program) + outcome + ", " +
           std::to_string(warnings.warnings().size()) + " warnings\n";
}

std::vector<fs::path> caseFiles() {
    std::vector<fs::path> files;
    for (auto const& entry : fs::directory_iterator(kCases)) {
        if (entry.path().extension() == ".kx") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ConcurrentResolution, ResolvingAFileAgainGivesTheSameDump) {
    for (fs::path const& file : caseFiles()) {
        EXPECT_EQ(resolveFile(file), resolveFile(file)) << file;
    }
}

TEST(ConcurrentResolution, FourThreadsGiveTheDumpsOfOneAtATime) {
    std::vector<fs::path> const files = caseFiles();
    ASSERT_GE(files.size(), 8u);
    std::vector<std::string> expected;
    for (fs::path const& file : files) {
        expected.push_back(resolveFile(file));
    }

    constexpr std::size_t kThreads = 4;
    constexpr std::size_t kRounds = 3;
    std::vector<std::vector<std::string>> results(kThreads, std::vector<std::string>(files.size()));
    std::vector<std::thread> threads;
    for (std::size_t thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([&, thread] {
            // Every thread resolves every file, each starting at another one,
            // so that different files are resolved at the same time.
            for (std::size_t round = 0; round < kRounds; ++round) {
                for (std::size_t step = 0; step < files.size(); ++step) {
                    std::size_t const index =
                        (step + thread * files.size() / kThreads) % files.size();
                    results[thread][index] = resolveFile(files[index]);
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (std::size_t thread = 0; thread < kThreads; ++thread) {
        for (std::size_t index = 0; index < files.size(); ++index) {
            EXPECT_EQ(results[thread][index], expected[index])
                << files[index] << " on thread " << thread;
        }
    }
}

}  // namespace
}  // namespace korvex::tool
