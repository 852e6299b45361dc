// Deep input ends in a syntax error at the documented limit, never in a
// stack overflow; long flat input (lists) and chains of left-associative
// operators are not limited.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ParserTestSupport.hpp"

namespace {

constexpr std::size_t kDeep = 100000;

std::u16string repeat(std::u16string_view text, std::size_t count) {
    std::u16string out;
    out.reserve(text.size() * count);
    for (std::size_t i = 0; i < count; ++i) {
        out += text;
    }
    return out;
}

struct Input {
    char const* name;
    std::u16string source;
};

TEST(NestingTest, EveryRecursivePathStopsAtTheLimit) {
    std::vector<Input> const inputs = {
        {"parentheses", u"x = " + repeat(u"(", kDeep) + u"1" + repeat(u")", kDeep)},
        {"unclosed parentheses", repeat(u"(", kDeep)},
        {"matrices", repeat(u"[", kDeep) + repeat(u"]", kDeep)},
        {"cell arrays", repeat(u"{", kDeep) + repeat(u"}", kDeep)},
        {"calls", repeat(u"f(", kDeep) + u"1" + repeat(u")", kDeep)},
        {"index chain", u"x" + repeat(u"{1}", kDeep)},
        {"field chain", u"a" + repeat(u".b", kDeep)},
        {"dynamic field chain", u"a" + repeat(u".(b)", kDeep)},
        {"transposes", u"a" + repeat(u"'", kDeep)},
        {"unary minus", repeat(u"- ", kDeep) + u"x"},
        {"not", repeat(u"~", kDeep) + u"x"},
        {"unary chain in an exponent", u"2^" + repeat(u"-", kDeep) + u"2"},
        {"anonymous functions", repeat(u"@() ", kDeep) + u"1"},
        {"handle of a dotted name", u"h = @a" + repeat(u".b", kDeep)},
        {"if blocks", repeat(u"if x\n", kDeep) + repeat(u"end\n", kDeep)},
        {"loops and try", repeat(u"while x\nfor i = 1:2\ntry\n", kDeep)},
        {"switch", repeat(u"switch x\ncase 1\n", kDeep)},
        {"nested functions", repeat(u"function f\n", 10) + u"end\n" +
                                 repeat(u"function g\n", kDeep) + repeat(u"end\n", kDeep)},
        {"matrix inside index", u"x" + repeat(u"([", kDeep)},
    };
    for (Input const& input : inputs) {
        SCOPED_TRACE(input.name);
        auto const error = korvex::testing::syntaxErrorOf(input.source);
        EXPECT_STREQ(error.identifier(), lf::parser::errors::kNestingTooDeep) << error.what();
    }
}

TEST(NestingTest, TheLimitCountsOneLevelPerBracket) {
    fe::astapi::AstNodeFactory factory;
    auto nested = [](std::size_t depth) {
        return u"x = " + repeat(u"(", depth) + u"1" + repeat(u")", depth);
    };
    EXPECT_NO_THROW(lf::parser::parse(nested(lf::parser::kMaxNestingDepth), factory));
    auto const error = korvex::testing::syntaxErrorOf(nested(lf::parser::kMaxNestingDepth + 1));
    EXPECT_STREQ(error.identifier(), lf::parser::errors::kNestingTooDeep);
    EXPECT_EQ(error.position(), 4 + lf::parser::kMaxNestingDepth + 1);
}

TEST(NestingTest, TheLimitCountsOneLevelPerBlockAndFunction) {
    fe::astapi::AstNodeFactory factory;
    auto blocks = [](std::size_t depth) {
        return repeat(u"if x\n", depth) + u"y = a + b * c;\n" + repeat(u"end\n", depth);
    };
    auto functions = [](std::size_t depth) {
        return repeat(u"function f\n", depth) + repeat(u"end\n", depth);
    };
    for (auto const& nested : {std::function<std::u16string(std::size_t)>(blocks),
                               std::function<std::u16string(std::size_t)>(functions)}) {
        EXPECT_NO_THROW(lf::parser::parse(nested(lf::parser::kMaxNestingDepth), factory));
        auto const error = korvex::testing::syntaxErrorOf(nested(lf::parser::kMaxNestingDepth + 1));
        EXPECT_STREQ(error.identifier(), lf::parser::errors::kNestingTooDeep);
    }
}

TEST(NestingTest, LongListsAndOperatorChainsAreNotNesting) {
    fe::astapi::AstNodeFactory factory;
    std::vector<Input> const inputs = {
        {"statements", repeat(u"x = 1;\n", kDeep)},
        {"elseif clauses", u"if x\n" + repeat(u"elseif y\n z = 1;\n", kDeep) + u"end"},
        {"matrix rows", u"m = [" + repeat(u"1 2;", kDeep) + u"];"},
        {"arguments", u"f(1" + repeat(u", 1", kDeep) + u")"},
        {"command words", u"disp" + repeat(u" w", kDeep)},
        {"superclasses", u"classdef C < A" + repeat(u" & B", kDeep) + u"\nend"},
        {"functions", repeat(u"function f\nend\n", kDeep)},
        {"sum", u"a" + repeat(u" + a", kDeep)},
        {"products in a sum", u"y = x(1)*x(2)" + repeat(u" + x(1)*x(2)", kDeep)},
        {"comparisons", u"a" + repeat(u" < a", kDeep)},
        {"short circuits", u"a" + repeat(u" && a || b", kDeep)},
        {"powers", u"2" + repeat(u"^2", kDeep)},
        {"powers with unary exponents", u"2" + repeat(u"^-2", kDeep)},
        {"ranges", u"1" + repeat(u":1", kDeep)},
    };
    for (Input const& input : inputs) {
        SCOPED_TRACE(input.name);
        EXPECT_NO_THROW(lf::parser::parse(input.source, factory));
    }
}

}  // namespace

namespace {

// A long chain stays left associative: the last operator is at the root and
// the first operand at the bottom of the left spine.
TEST(NestingTest, LongChainsStayLeftAssociative) {
    fe::astapi::AstNodeFactory factory;
    lf::astapi::Program* program = lf::parser::parse(u"a" + repeat(u" - b", kDeep), factory);
    auto const* node = lf::astapi::nodeAs<lf::astapi::BinaryOperation>(program->elements[0]);
    std::size_t operators = 0;
    lf::astapi::Expression const* operand = nullptr;
    while (node != nullptr) {
        ++operators;
        EXPECT_EQ(node->right->kind(), lf::astapi::NodeKind::Identifier);
        operand = node->left;
        node = lf::astapi::nodeAs<lf::astapi::BinaryOperation>(node->left);
    }
    EXPECT_EQ(operators, kDeep);
    EXPECT_EQ(operand->position(), 1u);
}

}  // namespace
