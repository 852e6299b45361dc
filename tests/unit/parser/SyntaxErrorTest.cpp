// Error identifiers, positions and texts, and the shapes that depend on the
// file as a whole (program kinds, function styles).

#include <gtest/gtest.h>

#include <string>

#include "ParserTestSupport.hpp"

namespace {

using namespace lf::astapi;
namespace errors = lf::parser::errors;
using korvex::testing::lineColumn;
using korvex::testing::syntaxErrorOf;

TEST(SyntaxErrorTest, NamesTheOpenBracketAndWhatWasFound) {
    std::u16string const source = u"% two\n%lines\ny = ff(1,\n 2)";
    auto const error = syntaxErrorOf(source);
    EXPECT_STREQ(error.identifier(), errors::kUnbalancedBracket);
    EXPECT_EQ(lineColumn(source, error.position()), "3:10");
    EXPECT_STREQ(error.what(), "expected ')' to close '(' at 3:7, found end of line");
}

TEST(SyntaxErrorTest, EachMalformedInputHasItsIdentifierAndPosition) {
    struct Case {
        char16_t const* source;
        char const* identifier;
        char const* where;
    };
    Case const cases[] = {
        {u"x = 1 2", errors::kUnexpectedToken, "1:7"},
        {u"x = [1, 2)", errors::kUnbalancedBracket, "1:10"},
        {u"x = 1)", errors::kUnbalancedBracket, "1:6"},
        {u"while x\n y", errors::kMissingEnd, "2:3"},
        {u"function a\nx\nfunction b\nend", errors::kMixedFunctionStyles, "4:4"},
        {u"function a\nend\nx = 1", errors::kStatementAfterFunctions, "3:1"},
        {u"f(x) + 1 = 2", errors::kInvalidAssignmentTarget, "1:1"},
        {u"y = [a, ~]", errors::kUnexpectedToken, "1:10"},
        {u"[a, ~]", errors::kMisplacedIgnoredOutput, "1:5"},
        {u"x = 'abc", errors::kUnterminatedString, "1:5"},
        {u"%{\n%{\n%}\n", errors::kUnterminatedBlockComment, "1:1"},
        {u"x = 0x", errors::kInvalidNumber, "1:5"},
        {u"x = 1.5.3", errors::kInvalidNumber, "1:5"},
        {u"x = #", errors::kInvalidCharacter, "1:5"},
        {u"x = _a", errors::kInvalidCharacter, "1:5"},
        {u"x = end", errors::kUnexpectedToken, "1:5"},
        {u"catch", errors::kUnexpectedToken, "1:1"},
        {u"function f(a b)\nend", errors::kUnexpectedToken, "1:14"},
        {u"classdef C\n properties\n  p\n end\n x\nend", errors::kUnexpectedToken, "5:2"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::string(c.where) + " " + c.identifier);
        auto const error = syntaxErrorOf(c.source);
        EXPECT_STREQ(error.identifier(), c.identifier) << error.what();
        EXPECT_EQ(lineColumn(c.source, error.position()), c.where) << error.what();
    }
}

TEST(SyntaxErrorTest, ProgramKindFollowsTheFirstTokenThatIsNotACommentOrBlank) {
    fe::astapi::AstNodeFactory factory;
    auto kindOf = [&](std::u16string_view source) {
        return lf::parser::parse(source, factory)->programKind;
    };
    EXPECT_EQ(kindOf(u"% c\n\n%{\nx\n%}\n  function f\n"), ProgramKind::FunctionFile);
    EXPECT_EQ(kindOf(u"\n;, classdef C\nend"), ProgramKind::ClassFile);
    EXPECT_EQ(kindOf(u""), ProgramKind::Script);
    EXPECT_EQ(kindOf(u"x = 1;\nfunction f\nend"), ProgramKind::Script);
}

TEST(SyntaxErrorTest, ANestedFunctionIsFoundAgainAfterTheStyleIsLearnedLate) {
    // The first pass takes `inner` for a sibling of `outer`, then meets the
    // `end` that closes it and parses again with nesting.
    fe::astapi::AstNodeFactory factory;
    Program const* program = lf::parser::parse(
        u"function outer\n x = 1;\n function inner\n end\n y = 2;\nend\nfunction other\nend",
        factory);
    ASSERT_EQ(program->elements.size(), 2u);
    auto const* outer = nodeAs<FunctionDefinition>(program->elements[0]);
    ASSERT_NE(outer, nullptr);
    ASSERT_EQ(outer->body.size(), 3u);
    EXPECT_EQ(outer->body[1]->kind(), NodeKind::Function);
    EXPECT_EQ(outer->implicitVariable->name(), u"ans");
    EXPECT_EQ(outer->implicitVariable->position(), kNoPosition);
}

TEST(SyntaxErrorTest, AFileEndingInEndIsNotTakenToCloseItsFunctionsWithEnd) {
    // The last `end` closes an `if`: the functions are siblings, unclosed.
    fe::astapi::AstNodeFactory factory;
    Program const* program =
        lf::parser::parse(u"function a\n x = 1;\nfunction b\n if x\n  y = 2;\n end  \n\n", factory);
    ASSERT_EQ(program->elements.size(), 2u);
    auto const* a = nodeAs<FunctionDefinition>(program->elements[0]);
    auto const* b = nodeAs<FunctionDefinition>(program->elements[1]);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->body.size(), 1u);
    ASSERT_EQ(b->body.size(), 1u);
    EXPECT_EQ(b->body[0]->kind(), NodeKind::If);
}

}  // namespace
