// Every error and warning the name resolver can raise must be raised by a
// test: a golden case whose expected diagnostics show its identifier (the
// golden test checks that the tool prints them), or a unit test that really
// raises it (run_coverage.sh runs the unit tests with the record of raised
// messages on and hands the record over in KORVEX_RAISED_MESSAGES_RECORD).
// A message added to the catalog without such a test, or a test deleted,
// fails here.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/i18n/MessageCatalog.hpp"
#include "foundation/resource/BaseMsgID.hpp"

namespace {

namespace fs = std::filesystem;

// Messages that no test can reach, and why. Text messages (link texts and
// building blocks of other messages) are not listed: they are never raised.
std::map<std::string, std::string> const kExempt{};

std::string readFile(fs::path const& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The concatenated contents of the files below `folder` whose extension is
// one of `extensions`.
std::string contentsOf(fs::path const& folder, std::vector<std::string> const& extensions) {
    std::string all;
    for (auto const& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        for (std::string const& extension : extensions) {
            if (entry.path().extension() == extension) {
                all += readFile(entry.path());
                all += '\n';
            }
        }
    }
    return all;
}

// The identifiers in the record of raised messages, one a line.
std::set<std::string> raisedByUnitTests() {
    char const* path = std::getenv("KORVEX_RAISED_MESSAGES_RECORD");
    if (path == nullptr) {
        ADD_FAILURE() << "no record of raised messages: run this test through run_coverage.sh";
        return {};
    }
    std::set<std::string> raised;
    std::istringstream lines(readFile(path));
    for (std::string line; std::getline(lines, line);) {
        raised.insert(line);
    }
    return raised;
}

TEST(MessageCoverage, EveryResolverMessageIsRaisedByATest) {
    fs::path const tests = KORVEX_TESTS_DIR;
    std::string const goldenDiagnostics = contentsOf(tests / "golden", {".stderr"});
    std::set<std::string> const unitTestRaised = raisedByUnitTests();
    ASSERT_FALSE(goldenDiagnostics.empty());
    ASSERT_FALSE(unitTestRaised.empty());

    for (fl::i18n::MessageEntry const& entry : fl::i18n::MessageCatalog::entries()) {
        bool const resolverMessage =
            entry.component == "KORVEX:lang" || entry.component == "KORVEX:front_end";
        if (!resolverMessage || entry.kind == fl::i18n::MessageKind::text) {
            continue;
        }
        std::string const identifier = resource_core::composeErrorId(entry.component, entry.id);
        bool const inGolden = goldenDiagnostics.find("[" + identifier + "]") != std::string::npos;
        EXPECT_TRUE(inGolden || unitTestRaised.contains(identifier) || kExempt.contains(identifier))
            << identifier << " is raised by no golden case (tests/golden/**/*.stderr) and "
            << "by no unit test";
    }
}

TEST(MessageCoverage, ExemptionsNameMessagesOfTheCatalog) {
    for (auto const& [identifier, reason] : kExempt) {
        bool found = false;
        for (fl::i18n::MessageEntry const& entry : fl::i18n::MessageCatalog::entries()) {
            found = found || resource_core::composeErrorId(entry.component, entry.id) == identifier;
        }
        EXPECT_TRUE(found) << identifier << " (" << reason << ") is not in the catalog";
    }
}

}  // namespace
