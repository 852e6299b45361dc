// Every error and warning the name resolver can raise must be reached by a
// test: a golden case whose expected diagnostics show its identifier, or a
// unit test that names the message. A message added to the catalog without a
// test, or a test deleted, fails here.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
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
// one of `extensions`, except `skipped`.
std::string contentsOf(fs::path const& folder, std::vector<std::string> const& extensions,
                       fs::path const& skipped = {}) {
    std::string all;
    for (auto const& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() ||
            (!skipped.empty() && fs::equivalent(entry.path(), skipped))) {
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

bool containsWord(std::string const& text, std::string const& word) {
    auto isWordCharacter = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    };
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        bool const startsWord = at == 0 || !isWordCharacter(text[at - 1]);
        bool const endsWord =
            at + word.size() == text.size() || !isWordCharacter(text[at + word.size()]);
        if (startsWord && endsWord) {
            return true;
        }
    }
    return false;
}

TEST(MessageCoverage, EveryResolverMessageIsRaisedByATest) {
    fs::path const tests = KORVEX_TESTS_DIR;
    std::string const goldenDiagnostics = contentsOf(tests / "golden", {".stderr"});
    std::string const unitSources =
        contentsOf(tests / "unit", {".cpp", ".hpp"}, fs::path(__FILE__));
    ASSERT_FALSE(goldenDiagnostics.empty());
    ASSERT_FALSE(unitSources.empty());

    for (fl::i18n::MessageEntry const& entry : fl::i18n::MessageCatalog::entries()) {
        bool const resolverMessage =
            entry.component == "KORVEX:lang" || entry.component == "KORVEX:front_end";
        if (!resolverMessage || entry.kind == fl::i18n::MessageKind::text) {
            continue;
        }
        std::string const identifier = resource_core::composeErrorId(entry.component, entry.id);
        bool const inGolden = goldenDiagnostics.find("[" + identifier + "]") != std::string::npos;
        bool const inUnitTest = containsWord(unitSources, std::string(entry.id));
        EXPECT_TRUE(inGolden || inUnitTest || kExempt.contains(identifier))
            << identifier << " is raised by no golden case (tests/golden/**/*.stderr) and "
            << "named by no unit test (tests/unit)";
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
