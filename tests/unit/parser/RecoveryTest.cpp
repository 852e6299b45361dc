// The recovering parse: where each broken statement ends, the block level
// the parse goes on at, the order and limit of the errors, and trees that
// the resolver walks whatever was left out.
//
// A case is written as the source with the text the recovery leaves out
// between « and »: its tree must be the one the strict parser makes of the
// source with that text blanked out (so that positions stay), and its first
// error the one the strict parser throws.

#include <gtest/gtest.h>

#include <exception>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "ParserTestSupport.hpp"
#include "foundation/text/Utf.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tests/support/PredicateCallbacks.hpp"
#include "tools/korvex-nr/TreePrinter.hpp"

namespace {

using namespace lf::astapi;
using korvex::testing::lineColumn;
using korvex::testing::syntaxErrorOf;

std::string treeOf(Program const& program, std::u16string_view source) {
    std::ostringstream printed;
    korvex::tool::printTree(printed, program, lf::util::LineInfo(source));
    return printed.str();
}

// "LINE:COL name" of each error, the name without "KORVEX:parse:".
std::vector<std::string> errorList(std::vector<lf::parser::SyntaxError> const& errors,
                                   std::u16string_view source) {
    std::vector<std::string> listed;
    for (lf::parser::SyntaxError const& error : errors) {
        listed.push_back(lineColumn(source, error.position()) + " " +
                         std::string(error.identifier()).substr(13));
    }
    return listed;
}

// Resolves a recovered tree as `check` would; a user error is a result, any
// other exception a fault.
void expectResolves(Program& program, fe::astapi::AstNodeFactory& factory) {
    korvex::testing::PredicateCallbacks callbacks(
        [](std::u16string_view name) { return name == u"disp"; });
    fe::util::NullFrontEndWarningLog warnings;
    fe::nr::ResolutionTimer timer;
    fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
    try {
        if (program.programKind == ProgramKind::ClassFile) {
            resolver.resolveProgramLocally(program, u"c.kx", factory);
        } else {
            resolver.resolveProgram(program, u"c.kx", warnings, factory, callbacks, &timer);
        }
    } catch (fe::util::IFrontEndUserException const&) {
    } catch (std::exception const& fault) {
        ADD_FAILURE() << "resolution fault: " << fault.what();
    }
}

struct Case {
    std::u16string_view marked;
    std::vector<std::string> errors;
    // Appended to the blanked text: the `end`s that recovery supplied.
    std::u16string_view closing = u"";
};

void expectCaseRecovers(Case const& c) {
    std::u16string source;
    std::u16string blanked;
    bool dropped = false;
    for (char16_t ch : c.marked) {
        if (ch == u'«' || ch == u'»') {
            dropped = ch == u'«';
            continue;
        }
        source += ch;
        blanked += dropped && ch != u'\n' ? u' ' : ch;
    }
    blanked += c.closing;
    SCOPED_TRACE(fl::text::toUtf8(source));
    fe::astapi::AstNodeFactory factory;
    lf::parser::RecoveredParse recovered = lf::parser::parseRecovering(source, factory);
    ASSERT_NE(recovered.program, nullptr);
    EXPECT_EQ(errorList(recovered.errors, source), c.errors);
    fe::astapi::AstNodeFactory expectedFactory;
    EXPECT_EQ(treeOf(*recovered.program, source),
              treeOf(*lf::parser::parse(blanked, expectedFactory), source));
    if (!recovered.errors.empty()) {
        lf::parser::SyntaxError const strict = syntaxErrorOf(source);
        EXPECT_EQ(recovered.errors[0].position(), strict.position());
        EXPECT_STREQ(recovered.errors[0].what(), strict.what());
    }
    expectResolves(*recovered.program, factory);
}

void expectRecovers(std::initializer_list<Case> cases) {
    for (Case const& c : cases) {
        expectCaseRecovers(c);
    }
}

TEST(RecoveryTest, ABrokenStatementEndsAtItsLineBreakOrAtACommaOrSemicolonOutsideBrackets) {
    expectRecovers({
        // An unclosed bracket ends at the end of its line.
        {u"«x = foo(1, 2»\ny = x;\nz = 1", {"1:13 unbalancedBracket"}},
        // A trailing operator.
        {u"a = 1;\n«y = a +»\ndisp(y)", {"2:8 unexpectedToken"}},
        {u"«y = a +», z = 2; «w = (1 2)»; v = 3", {"1:8 unexpectedToken", "1:24 unexpectedToken"}},
        // Brackets hold commas and semicolons: the statement ends after them.
        {u"«x = foo(a b, [1; 2], c)»; y = 2", {"1:11 unexpectedToken"}},
        {u"«x = 1)»\ny = 2", {"1:6 unbalancedBracket"}},
        {u"«f(x) + 1 = 2»; y = f", {"1:1 invalidAssignmentTarget"}},
        {u"«[a, ~]», b = 1", {"1:5 misplacedIgnoredOutput"}},
        // Every broken statement of the file, in order.
        {u"«a = »\n«b = (»\nc = 1\n«d = c c»",
         {"1:5 unexpectedToken", "2:6 unbalancedBracket", "4:7 unexpectedToken"}},
    });
}

TEST(RecoveryTest, LexicalErrorsBreakTheStatementThatHoldsThem) {
    expectRecovers({
        {u"«s = 'abc»\nt = 1", {"1:5 unterminatedString"}},
        {u"«x = 1 # 2»; y = 3", {"1:7 invalidCharacter"}},
        {u"x = 1\n«#y = 2»\nz = 3", {"2:1 invalidCharacter"}},
        {u"«x = 3y + 1»\ny = 2", {"1:5 invalidNumber"}},
        // Two characters of one line: one error for the statement.
        {u"«x = # 1 #»\ny = 2", {"1:5 invalidCharacter"}},
        // Met by a look ahead, and the two halves of one character.
        {u"«y = x(:#)»; z = 1", {"1:8 invalidCharacter"}},
        {u"«x = \U0001F600 1»\ny = 2", {"1:5 invalidCharacter"}},
        {u"x = 1\n«%{\nno end»", {"2:1 unterminatedBlockComment"}},
        {u"«disp 'it»\ny = 1", {"1:6 unterminatedString"}},
    });
}

TEST(RecoveryTest, ThePartsAroundABrokenStatementKeepTheirBlockLevel) {
    expectRecovers({
        {u"if a\n  «x = (»\n  y = 1;\nelse\n  «z = *»\nend\nw = 2",
         {"2:8 unbalancedBracket", "5:7 unexpectedToken"}},
        {u"function f\n  while 1\n    «g(»\n    break\n  end\n  x = 1;\nend",
         {"3:7 unbalancedBracket"}},
        {u"try\n «a = [1 2}»\ncatch e\n «b = ]»\nend",
         {"2:10 unbalancedBracket", "4:6 unexpectedToken"}},
        // A header with an error gives way to the block's bodies.
        {u"«if x +»\n  y = 1;\n«else»\n  z = 2;\n«end»\nw = 3", {"1:7 unexpectedToken"}},
        {u"«for = 1:3»\n  disp(k)\n«end»", {"1:5 unexpectedToken"}},
        {u"«while (a»\n  b = 1;\n«end»", {"1:9 unbalancedBracket"}},
        {u"«switch x\ncase f(1»\n  y = 1;\n«otherwise»\n  y = 2;\n«end»",
         {"2:9 unbalancedBracket"}},
    });
}

TEST(RecoveryTest, ABlockLeftOpenIsClosedAtTheEndOfTheFileOnce) {
    expectRecovers({
        {u"x = 1;\nif x\n  y = 2;\n  z = 3;", {"4:9 missingEnd"}, u"\nend"},
        {u"for k = 1:3\n  while k\n    k = k - 1;",
         {"3:15 missingEnd", "3:15 missingEnd"},
         u"\nend\nend"},
        // The function's `end` closes the `if`; the function needs none.
        {u"function f\n  if x\n    y = 1;\nend", {}},
        {u"function f\nend\nfunction g\n  x = 1;", {"4:9 missingEnd"}, u"\nend"},
        {u"classdef C\n  properties\n    p\n  end", {"4:6 missingEnd"}, u"\nend"},
    });
}

TEST(RecoveryTest, KeywordsThatCloseNoBlockAreSkippedWithTheirStatement) {
    expectRecovers({
        // A stray `end` in a script: the script goes on.
        {u"x = 1;\n«end»\ny = 2;", {"2:1 unexpectedToken"}},
        // Keywords of another kind of block: the block goes on to its `end`.
        {u"while c\n  a = 1;\n«else b = 0»\n  b = 2;\nend", {"3:1 missingEnd"}},
        {u"function f\n  a = 1;\n  «catch»\n  b = 2;\n", {"3:3 unexpectedToken"}},
        {u"switch x\n  «y = 1;»\n  case 1\n    z = 1;\n  «else»\n    z = 2;\nend",
         {"2:3 unexpectedToken", "5:3 unexpectedToken"}},
        // Statements after functions closed by `end` are read to their end.
        {u"function f\nend\n«if a\n  b = 1;\nend»\nfunction g\nend",
         {"3:1 statementAfterFunctions"}},
        // Classes: a member with an error, a block with a broken header.
        {u"classdef C\n  properties\n    «p = »\n    q\n  end\n  «properties (A»\n    «r»\n  "
         u"«end»\nend",
         {"3:9 unexpectedToken", "6:16 unbalancedBracket"}},
    });
}

TEST(RecoveryTest, AFunctionWithABrokenHeaderIsLeftOutWithItsBody) {
    expectRecovers({
        {u"function a\n  x = 1;\nend\n«function b(p q)\n  y = 2;\nend»\nfunction c\nend",
         {"4:14 unexpectedToken"}},
        // The main function: the next one takes its place.
        {u"«function (»\n«  y = 2;»\n«end»\nfunction c\nend", {"1:10 unexpectedToken"}},
        {u"«classdef < B»\n«end»", {"1:10 unexpectedToken"}},
    });
    fe::astapi::AstNodeFactory factory;
    auto const recovered = lf::parser::parseRecovering(u"function (\n  y = 2;\nend", factory);
    EXPECT_EQ(recovered.program->programKind, ProgramKind::Script);
    EXPECT_TRUE(recovered.program->elements.empty());
}

TEST(RecoveryTest, TheFunctionStyleLearnedLateStillRestartsTheParse) {
    // The first pass takes `inner` for a sibling and meets the errors in
    // that structure; the second nests it and reports its own errors only.
    std::u16string const source =
        u"function outer\n  x = (;\n  function inner\n    y = ];\n  end\n";
    fe::astapi::AstNodeFactory factory;
    auto const recovered = lf::parser::parseRecovering(source, factory);
    EXPECT_EQ(errorList(recovered.errors, source),
              (std::vector<std::string>{"2:8 unexpectedToken", "4:9 unexpectedToken",
                                        "6:1 mixedFunctionStyles"}));
    ASSERT_EQ(recovered.program->elements.size(), 1u);
    auto const* outer = nodeAs<FunctionDefinition>(recovered.program->elements[0]);
    ASSERT_NE(outer, nullptr);
    ASSERT_EQ(outer->body.size(), 1u);
    EXPECT_NE(nodeAs<FunctionDefinition>(outer->body[0]), nullptr);
    expectResolves(*recovered.program, factory);
}

TEST(RecoveryTest, TheErrorLimitSkipsTheRestOfTheText) {
    std::u16string source;
    for (int line = 0; line < 150; ++line) {
        source += u"x = (\n";
    }
    source += u"if a\n  y = 1;\n";
    fe::astapi::AstNodeFactory factory;
    auto const full = lf::parser::parseRecovering(source, factory);
    EXPECT_EQ(full.errors.size(), lf::parser::kMaxSyntaxErrors);
    EXPECT_TRUE(full.program->elements.empty());

    auto const three = lf::parser::parseRecovering(
        u"a = 1\nb = (\nc = 2\nd = (\ne = (\nf = (\ng = 3\n", factory, 3);
    EXPECT_EQ(three.errors.size(), 3u);
    ASSERT_EQ(three.program->elements.size(), 2u);  // a and c; the text after e is skipped
    EXPECT_EQ(lf::parser::parseRecovering(u"(\n(", factory, 0).errors.size(), 1u);
}

TEST(RecoveryTest, AWellFormedTextHasNoErrorsAndTheStrictTree) {
    std::u16string const source =
        u"function r = f(x)\n  if x, r = 1; else r = [1 2\n 3 4]; end\n  g = @(y) y';\nend\n";
    fe::astapi::AstNodeFactory factory;
    auto const recovered = lf::parser::parseUtf8Recovering(
        "function r = f(x)\n  if x, r = 1; else r = [1 2\n 3 4]; end\n  g = @(y) y';\nend\n",
        factory);
    EXPECT_TRUE(recovered.errors.empty());
    EXPECT_EQ(treeOf(*recovered.program, source),
              treeOf(*lf::parser::parse(source, factory), source));
}

}  // namespace
