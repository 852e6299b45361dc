// What check builds its output on: suppression comments, the names of the
// HTML report, diagnostics located by their message.

#include <gtest/gtest.h>

#include <map>

#include "foundation/text/Utf.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tools/korvex-nr/CallerOptions.hpp"
#include "tools/korvex-nr/CheckReport.hpp"
#include "tools/korvex-nr/ResolvedNames.hpp"
#include "tools/korvex-nr/Suppressions.hpp"

namespace korvex::tool {
namespace {

SourceText sourceText(std::u16string name, std::string_view text) {
    return {std::move(name), std::make_shared<lf::util::LineInfo const>(text)};
}

Diagnostic at(std::uint32_t line, std::string identifier) {
    return {"f.kx", line, line == 0 ? 0 : 5U, 0, "error", std::move(identifier), "text", ""};
}

TEST(SuppressionsTest, LineIgnoresSilenceTheirLineAndFileIgnoresTheFile) {
    Suppressions suppressions(
        "% header\n"
        "% korvex-nr: ignore-file lang:VariableShadowedInEval\n"
        "x = 1;  % korvex-nr: ignore  tal_a , KORVEX:tal_b\n"
        "% korvex-nr: ignore-file tal_c\n");
    EXPECT_TRUE(suppressions.silences(at(3, "KORVEX:tal_a")));
    EXPECT_TRUE(suppressions.silences(at(3, "KORVEX:tal_b")));
    EXPECT_FALSE(suppressions.silences(at(4, "KORVEX:tal_a"))) << "another line";
    EXPECT_FALSE(suppressions.silences(at(0, "KORVEX:tal_a"))) << "no line";
    EXPECT_TRUE(suppressions.silences(at(0, "KORVEX:lang:VariableShadowedInEval")));
    EXPECT_FALSE(suppressions.silences(at(4, "KORVEX:tal_c"))) << "below the code";
    SourceText const source = sourceText(u"f.kx", "");
    std::vector<Diagnostic> const unused = suppressions.unusedIgnores(source);
    ASSERT_EQ(unused.size(), 1U);
    EXPECT_EQ(unused[0].line, 4U);
    EXPECT_EQ(unused[0].column, 26U);
    EXPECT_EQ(unused[0].identifier, "KORVEX:tool:UnusedIgnore");
}

TEST(SuppressionsTest, CommentsAreReadByTheirGrammarWherePercentSignsAbound) {
    // Every comment here silences nothing, so each identifier read comes
    // back as unused, at its byte column.
    Suppressions const suppressions(
        "a = '%'; % korvex-nr: ignore tal_a\r\n"       // a later '%' starts it
        "b = 1; %korvex-nr:ignore\ttal_b ,tal_c \r\n"  // blanks are optional or any
        "% korvex-nr: ignore-filetal_d\n"              // no blank after the kind
        "% korvex-nr: ignore tal_e trailing words\n"   // not at the end of the line
        "% korvex-nr: ignore tal_f,\n"                 // a comma without identifier
        "\xC3\xA9 = 2; % korvex-nr: ignore tal_g\n"    // columns count bytes
        "% korvex-nr: ignore-file tal_h");             // the last line, below code
    std::vector<std::string> read;
    for (Diagnostic const& unused : suppressions.unusedIgnores(sourceText(u"f.kx", ""))) {
        read.push_back(std::to_string(unused.line) + ':' + std::to_string(unused.column) + ' ' +
                       unused.message.substr(unused.message.find('\''), 7));
    }
    EXPECT_EQ(read, (std::vector<std::string>{"1:30 'tal_a'", "2:26 'tal_b'", "2:33 'tal_c'",
                                              "6:29 'tal_g'", "7:26 'tal_h'"}));
}

TEST(ResolvedNamesTest, MarksVariablesSharedWithNestedFunctionsAndDottedExtents) {
    std::string const text =
        "function r = outer(x)\n"
        "    k = 2;\n"
        "    r = inner(x) + geo.area(x);\n"
        "    function y = inner(v)\n"
        "        y = v * k;\n"
        "    end\n"
        "end\n";
    fe::astapi::AstNodeFactory factory;
    lf::astapi::Program* program = lf::parser::parseUtf8(text, factory);
    CallerModel model;
    model.knownNames = {u"geo.area"};
    auto callbacks = createSearchPathCallbacks(std::move(model));
    fe::util::NullFrontEndWarningLog warnings;
    fe::nr::ResolutionTimer timer;
    fe::nr::getNameResolver().resolveProgram(*program, u"outer.kx", warnings, factory, *callbacks,
                                             &timer);
    std::u16string const source = fl::text::toUtf16(text);
    std::map<std::string, ResolvedName> byName;
    for (ResolvedName const& name : collectResolvedNames(*program, source)) {
        byName.emplace(fl::text::toUtf8(source.substr(name.position - 1, name.length)), name);
    }
    EXPECT_TRUE(byName.at("k").shared);
    EXPECT_FALSE(byName.at("x").shared);
    EXPECT_FALSE(byName.at("v").shared);
    EXPECT_EQ(byName.at("inner").kind, lf::astapi::IdKind::NESTED_FUNCTION);
    ASSERT_TRUE(byName.contains("geo.area")) << "the dotted name spans its text";
    EXPECT_EQ(byName.at("geo.area").kind, lf::astapi::IdKind::EXTERNAL);
}

TEST(CheckReportTest, TakesLineAndColumnFromTheMessagesLocation) {
    SourceText const source = sourceText(u"dir/f.kx", "a = 1;\n  name = 2;\n");
    Diagnostic const located =
        locatedDiagnostic(source, "error", {u"dir/f.kx:2:3", u"text", "KORVEX:x"});
    EXPECT_EQ(located.line, 2U);
    EXPECT_EQ(located.column, 3U);
    EXPECT_EQ(located.endColumn, 7U) << "just after 'name'";
    EXPECT_EQ(located.sourceLine, "  name = 2;");
    Diagnostic const elsewhere =
        locatedDiagnostic(source, "error", {u"other.kx", u"text", "KORVEX:x"});
    EXPECT_EQ(elsewhere.file, "other.kx");
    EXPECT_EQ(elsewhere.line, 0U);
}

}  // namespace
}  // namespace korvex::tool
