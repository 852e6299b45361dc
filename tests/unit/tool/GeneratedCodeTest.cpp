// Code generators write single expressions of many thousands of terms and
// long elseif chains. They parse and resolve on the default stack of a
// thread, several at once, as `korvex-nr check` does.

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <thread>

#include "foundation/text/Utf.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tools/korvex-nr/SearchPathCallbacks.hpp"

namespace korvex::tool {
namespace {

// `function y = name(x)` returning one expression: `terms` terms, the i-th
// written by `term(i)`, joined by `op`.
std::string expressionFunction(char const* name, int terms, char const* op,
                               std::string (*term)(int)) {
    std::ostringstream out;
    out << "function y = " << name << "(x)\ny = " << term(1);
    for (int i = 2; i <= terms; ++i) {
        out << op << term(i);
    }
    out << ";\nend\n";
    return out.str();
}

// `x(i)*x(i+1)`, the terms of a sum of products.
std::string productOfNeighbours(int i) {
    return "x(" + std::to_string(i) + ")*x(" + std::to_string(i + 1) + ")";
}

// `x(i)`, the factors of a product.
std::string element(int i) {
    return "x(" + std::to_string(i) + ")";
}

// `if k == 1 ... elseif k == 2 ... else ... end`
std::string elseifChain(int clauses) {
    std::ostringstream out;
    out << "function y = pick(k, x)\nif k == 1\n    y = x;\n";
    for (int i = 2; i <= clauses; ++i) {
        out << "elseif k == " << i << "\n    y = " << i << " * x + offset(k);\n";
    }
    out << "else\n    y = 0;\nend\nend\n";
    return out.str();
}

struct Outcome {
    std::string error;
    std::size_t variableUses = 0;
};

Outcome parseAndResolve(std::string const& source) {
    Outcome outcome;
    try {
        std::u16string const text = fl::text::toUtf16(source);
        fe::astapi::AstNodeFactory factory;
        lf::astapi::Program* program = lf::parser::parse(text, factory);
        auto callbacks = createSearchPathCallbacks(CallerModel{});
        fe::util::CollectingFrontEndWarningLog warnings(
            u"generated.kx", std::make_shared<lf::util::LineInfo const>(text));
        fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
        fe::nr::ResolutionTimer timer;
        resolver.resolveProgram(*program, u"generated.kx", warnings, factory, *callbacks, &timer);
        std::istringstream dump(resolver.dumpClassifications(*program));
        for (std::string line; std::getline(dump, line);) {
            outcome.variableUses += line.find(": VARIABLE") != std::string::npos;
        }
    } catch (std::exception const& error) {
        outcome.error = error.what();
    }
    return outcome;
}

TEST(GeneratedCode, HugeExpressionsAndElseifChainsResolveOnSeveralThreads) {
    constexpr int kTerms = 100000;
    constexpr int kClauses = 20000;
    std::array<std::string, 3> const sources = {
        expressionFunction("sumOfProducts", kTerms, " + ", productOfNeighbours),
        expressionFunction("product", kTerms, " * ", element), elseifChain(kClauses)};
    std::array<Outcome, 3> outcomes;
    std::array<std::thread, 3> threads;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        threads[i] = std::thread([&, i] { outcomes[i] = parseAndResolve(sources[i]); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (Outcome const& outcome : outcomes) {
        EXPECT_EQ(outcome.error, "");
    }
    // Every `x` and `y` is a variable: the output and input, and their uses.
    EXPECT_EQ(outcomes[0].variableUses, 2u + 1 + 2 * kTerms);
    EXPECT_EQ(outcomes[1].variableUses, 2u + 1 + kTerms);
    // `k`, `x`, `y`, then per clause the test of `k`, `y`, `x` and `k` again.
    EXPECT_EQ(outcomes[2].variableUses, 3u + 4 * (kClauses - 1) + 3 + 1);
}

}  // namespace
}  // namespace korvex::tool
