// The resolver holds no state between calls: resolving a file (as a program,
// as eval text or as a section) gives the same classifications whether it is
// resolved once, again, or on several threads at once. In the sanitizer build it also checks that
// concurrent resolutions do not touch each other's memory.

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
using lf::astapi::IdKind;

fs::path const kGolden = fs::path(KORVEX_GOLDEN_DIR);

// How a case file is resolved: as a program file, as eval text or as a
// command-prompt section.
enum class Operation { Program, EvalBody, Section };

struct Case {
    fs::path file;
    Operation operation;
};

// What the caller of an eval body or a section knows: a few workspace
// variables and static answers that the eval cases use.
CallerModel evalCallerModel() {
    CallerModel model;
    model.searchPath = {kGolden / "eval" / "path"};
    model.workspaceVariables = {u"rate", u"scale", u"helper", u"k"};
    model.staticClassifications = {
        {u"nf", {IdKind::NESTED_FUNCTION, 0, 0}},    {u"lf", {IdKind::LOCAL_FUNCTION, 0, 0}},
        {u"helper", {IdKind::LOCAL_FUNCTION, 0, 1}}, {u"v", {IdKind::VARIABLE, 0, 0}},
        {u"ext", {IdKind::EXTERNAL, 0, 1}},
    };
    return model;
}

fe::nr::SymbolTable* resolveCase(Case const& resolved, lf::astapi::Program& program,
                                 std::u16string const& name,
                                 fe::util::IFrontEndWarningLog& warnings,
                                 fe::astapi::AstNodeFactory& factory) {
    fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
    fe::nr::ResolutionTimer timer;
    if (resolved.operation == Operation::Program) {
        CallerModel model;
        model.searchPath = {kGolden / "resolve" / "path"};
        model.privateFolder = kGolden / "resolve" / "private";
        auto callbacks = createSearchPathCallbacks(std::move(model));
        return resolver.resolveProgram(program, name, warnings, factory, *callbacks, &timer);
    }
    auto callbacks = createSearchPathCallbacks(evalCallerModel());
    if (resolved.operation == Operation::Section) {
        return resolver.resolveSection(program, nullptr, factory, *callbacks, &timer);
    }
    return resolver.resolveEvalBody(program, nullptr, false, 1, warnings, factory, *callbacks,
                                    &timer);
}

// The classification dump of a case, followed by how resolution ended.
std::string resolveFile(Case const& resolved) {
    std::ifstream in(resolved.file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    std::u16string const text = fl::text::toUtf16(content.str());
    std::u16string const name = resolved.file.u16string();

    fe::astapi::AstNodeFactory factory;
    lf::astapi::Program* program = lf::parser::parse(text, factory);
    fe::util::CollectingFrontEndWarningLog warnings(
        name, std::make_shared<lf::util::LineInfo const>(text));
    std::string outcome = "resolved";
    try {
        resolveCase(resolved, *program, name, warnings, factory);
    } catch (fe::util::IFrontEndUserException const& error) {
        outcome = std::string("user error ") + error.what();
    } catch (std::invalid_argument const& refusal) {
        outcome = std::string("refused: ") + refusal.what();
    }
    return fe::nr::getNameResolver().dumpClassifications(*program) + outcome + ", " +
           std::to_string(warnings.warnings().size()) + " warnings\n";
}

std::vector<Case> caseFiles() {
    std::vector<Case> cases;
    for (auto [folder, operation] :
         {std::pair{"resolve", Operation::Program}, std::pair{"eval", Operation::EvalBody},
          std::pair{"sections", Operation::Section}}) {
        for (auto const& entry : fs::directory_iterator(kGolden / folder)) {
            if (entry.path().extension() == ".kx") {
                cases.push_back({entry.path(), operation});
            }
        }
    }
    std::sort(cases.begin(), cases.end(),
              [](Case const& a, Case const& b) { return a.file < b.file; });
    return cases;
}

TEST(ConcurrentResolution, ResolvingAFileAgainGivesTheSameDump) {
    for (Case const& resolved : caseFiles()) {
        EXPECT_EQ(resolveFile(resolved), resolveFile(resolved)) << resolved.file;
    }
}

TEST(ConcurrentResolution, FourThreadsGiveTheDumpsOfOneAtATime) {
    std::vector<Case> const files = caseFiles();
    ASSERT_GE(files.size(), 8u);
    std::vector<std::string> expected;
    for (Case const& resolved : files) {
        expected.push_back(resolveFile(resolved));
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
                << files[index].file << " on thread " << thread;
        }
    }
}

}  // namespace
}  // namespace korvex::tool
