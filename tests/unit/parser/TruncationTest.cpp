// Every prefix of every statement form, and arbitrary token soup, ends in a
// tree or a SyntaxError: no other exception, crash or hang.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "ParserTestSupport.hpp"

namespace {

// One example of every statement form, several of them spread over lines.
constexpr char16_t const* kStatementForms[] = {
    u"if a > 1\n  x = 1;\nelseif b\n  x = 2;\nelse\n  x = 3;\nend\n",
    u"while k < 10\n  k = k + 1;\nend\n",
    u"for i = 1:2:n\n  s = s + i;\nend\n",
    u"for (i = 1:n)\n  break\nend\n",
    u"parfor (i = 1:n, 4)\n  r(i) = i;\nend\n",
    u"spmd (2)\n  y = labindex;\nend\n",
    u"switch x\n  case {1, 2}\n    y = 1;\n  otherwise\n    y = 0;\nend\n",
    u"try\n  f();\ncatch err\n  disp(err.message);\nend\n",
    u"global a b\npersistent c\nbreak;\ncontinue\nreturn\n",
    u"x = [1 -2; a' 'b'];\n",
    u"x(end, :).f{2} = {@(p) p.^2, \"s\"};\n",
    u"[a, ~, c(1)] = deal(1, 2, 3);\n",
    u"disp 'x y' z, load data.kx a\n",
    u"import pkg.sub.*\nimport\n",
    u"!ls -l\n",
    u"y = -a^-b' + c(1:end-1) .* d.(n) && ~e | f >= g;\n",
    u"h = @pkg.fn; m = obj@Base(1); q = ?pkg.Cls; v = f(Name=1);\n",
    u"function [a, b] = f(x, ~, varargin)\n  arguments\n    x (1,:) double {mustBeFinite} = 0\n"
    u"    opts.Tol double = 1e-6\n  end\n  a = x;\n  function g\n  end\nend\n",
    u"function r = f(x)\nr = x;\nfunction g\n",
    u"classdef (Sealed) C < handle & p.B\n  properties (Access = private)\n"
    u"    P (1,1) double {mustBePositive} = 1\n  end\n  methods\n    function obj = C(x)\n"
    u"      obj.P = x;\n    end\n    r = sig(obj)\n    function s(obj)\n  end\n"
    u"  methods (Abstract)\n    a(obj)\n  end\n  events\n    E\n  end\n"
    u"  enumeration\n    A (1), B\n  end\nend\n",
    u"%{\nblock\n  %{\n  %}\n%}\nx = 1 ... comment\n + 2;\n",
    u"s = 'it''s'; t = \"a \"\"q\"\"\";\r\nu = 0x1F + 2.5e-3i;\n",
    u"variables x(n, 'a;b') y{1}; report cond(s*s') [1 ...\n 2]\ncache {k, 'v'} = 1;\n",
    u"c = obj.copy@p.Base(x); g = @() 'a'; [,m n] = f({, 1});\n",
    u"try x = a.b; catch x = 0; end\nfunction n = end(o, k, n)\nn = 1;\n",
    u"classdef C\n  methods\n    function r = f(o)\n      function g\n      end\n      r = g;\n"
    u"    end\n    function h(o)\n  end\nend\n",
};

void expectTreeOrSyntaxError(std::u16string_view source) {
    fe::astapi::AstNodeFactory factory;
    try {
        lf::parser::parse(source, factory);
    } catch (lf::parser::SyntaxError const& error) {
        EXPECT_EQ(std::string(error.identifier()).rfind("KORVEX:parse:", 0), 0u);
        EXPECT_GE(error.position(), 1u);
        EXPECT_LE(error.position(), source.size() + 1);
        EXPECT_NE(std::string(error.what()), "");
    } catch (std::exception const& other) {
        ADD_FAILURE() << "unexpected exception: " << other.what();
    }
}

TEST(TruncationTest, EveryPrefixOfEveryStatementFormParsesOrFailsCleanly) {
    for (std::u16string_view form : kStatementForms) {
        fe::astapi::AstNodeFactory factory;
        ASSERT_NO_THROW(lf::parser::parse(form, factory));
        for (std::size_t length = 0; length < form.size(); ++length) {
            SCOPED_TRACE(std::string(form.begin(), form.begin() + length));
            expectTreeOrSyntaxError(form.substr(0, length));
        }
    }
}

TEST(TruncationTest, RandomTokenSoupParsesOrFailsCleanly) {
    constexpr char16_t const* kPieces[] = {
        u"x",   u"end",  u"if",    u"function", u"(",   u")",  u"[",        u"]",       u"{",
        u"}",   u"'",    u"\"",    u" ",        u"\n",  u",",  u";",        u"=",       u"==",
        u"+",   u"-",    u"@",     u".",        u"...", u"%",  u"%{\n",     u"\n%}\n",  u"1",
        u"2.5", u"~",    u"!",     u":",        u"^",   u"&&", u"classdef", u"methods", u"else",
        u"for", u"case", u"catch", u"disp ",    u"?",   u"é",  u"\r\n",     u"\t",      u"import ",
    };
    std::mt19937 random(12345);
    for (int round = 0; round < 3000; ++round) {
        std::u16string source;
        std::uint32_t const length = random() % 40;
        for (std::uint32_t i = 0; i < length; ++i) {
            source += kPieces[random() % std::size(kPieces)];
        }
        SCOPED_TRACE(round);
        expectTreeOrSyntaxError(source);
    }
}

}  // namespace
