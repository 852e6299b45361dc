// Every diagnostic the parser and the resolver raise must have an
// explanation, and every explanation must belong to such a diagnostic.

#include "tools/korvex-nr/Explanations.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "foundation/i18n/MessageCatalog.hpp"
#include "foundation/resource/BaseMsgID.hpp"
#include "foundation/text/Utf.hpp"
#include "front_end/parser/Parser.hpp"

namespace korvex::tool {
namespace {

// The identifiers of the syntax errors, as the parser declares them.
std::set<std::string> syntaxErrorIdentifiers() {
    std::ifstream in(KORVEX_SOURCE_DIR "/front_end/parser/SyntaxError.hpp");
    std::ostringstream content;
    content << in.rdbuf();
    std::string const text = content.str();
    std::set<std::string> identifiers;
    std::regex const identifier("\"(KORVEX:parse:[A-Za-z]+)\"");
    for (auto match = std::sregex_iterator(text.begin(), text.end(), identifier);
         match != std::sregex_iterator(); ++match) {
        identifiers.insert((*match)[1]);
    }
    return identifiers;
}

std::set<std::string> raisedIdentifiers() {
    std::set<std::string> identifiers = syntaxErrorIdentifiers();
    for (fl::i18n::MessageEntry const& entry : fl::i18n::MessageCatalog::entries()) {
        if (entry.kind != fl::i18n::MessageKind::text) {
            identifiers.insert(resource_core::composeErrorId(entry.component, entry.id));
        }
    }
    return identifiers;
}

TEST(ExplanationsTest, EveryRaisedIdentifierIsExplainedAndNothingElse) {
    std::set<std::string> const raised = raisedIdentifiers();
    ASSERT_GT(syntaxErrorIdentifiers().size(), 10U) << "the parser's identifiers were not found";
    for (std::string const& identifier : raised) {
        EXPECT_NE(findExplanation(identifier), nullptr) << identifier << " has no explanation";
    }
    for (auto const& [identifier, explanation] : explanations()) {
        EXPECT_TRUE(raised.contains(identifier)) << identifier << " is raised by nothing";
    }
}

// The example of a syntax error raises it (but for the limits, whose
// examples only describe a program).
TEST(ExplanationsTest, SyntaxErrorExamplesRaiseTheirError) {
    std::set<std::string> const limits{"KORVEX:parse:nestingTooDeep",
                                       "KORVEX:parse:sourceTooLarge"};
    for (std::string const& identifier : syntaxErrorIdentifiers()) {
        if (limits.contains(identifier)) {
            continue;
        }
        fe::astapi::AstNodeFactory factory;
        try {
            lf::parser::parse(fl::text::toUtf16(findExplanation(identifier)->example), factory);
            ADD_FAILURE() << identifier << ": the example parses";
        } catch (lf::parser::SyntaxError const& error) {
            EXPECT_STREQ(error.identifier(), identifier.c_str());
        }
    }
}

TEST(ExplanationsTest, FindsIdentifiersWithOrWithoutTheirPrefix) {
    EXPECT_EQ(findExplanation("parse:missingEnd"), findExplanation("KORVEX:parse:missingEnd"));
    EXPECT_NE(findExplanation("tal_error_repeated_input"), nullptr);
    EXPECT_EQ(findExplanation("no_such_diagnostic"), nullptr);
    EXPECT_EQ(severityOf("KORVEX:lang:VariableShadowedInEval"), "warning");
    EXPECT_EQ(severityOf("KORVEX:parse:missingEnd"), "error");
}

}  // namespace
}  // namespace korvex::tool
