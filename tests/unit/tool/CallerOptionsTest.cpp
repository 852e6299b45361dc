#include "tools/korvex-nr/CallerOptions.hpp"

#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include "front_end/import/ImportList.hpp"
#include "tests/unit/tool/TemporaryFolder.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {
namespace {

using korvex::testing::TemporaryFolder;

TEST(StaticAnswer, ReadsKindAndOptionalNumbers) {
    auto [name, data] = parseStaticAnswer("f=LOCAL_FUNCTION");
    EXPECT_EQ(name, u"f");
    EXPECT_EQ(data.kind, fe::nr::IdKind::LOCAL_FUNCTION);
    EXPECT_EQ(data.info, 0u);
    EXPECT_EQ(data.unsettled, 0u);
    auto [name2, data2] = parseStaticAnswer("pkg=EXTERNAL:0:4294967295");
    EXPECT_EQ(name2, u"pkg");
    EXPECT_EQ(data2.kind, fe::nr::IdKind::EXTERNAL);
    EXPECT_EQ(data2.unsettled, 4294967295u);
    EXPECT_EQ(parseStaticAnswer("v=VARIABLE:7").second.info, 7u);
}

TEST(StaticAnswer, RefusesMalformedText) {
    for (char const* text :
         {"f", "=VARIABLE", "f=", "f=variable", "f=VARIABLE:", "f=VARIABLE:x", "f=VARIABLE:-1",
          "f=VARIABLE:4294967296", "f=VARIABLE:1:2:3", "a.b=VARIABLE", "f=VARIABLE: 1"}) {
        EXPECT_THROW(parseStaticAnswer(text), InvocationError) << text;
    }
}

TEST(BuiltinNames, SkipsBlankAndCommentLinesAndNamesTheBadLine) {
    EXPECT_EQ(parseBuiltinNames("disp\n\n  % output\r\n  sys.io.print \r\nzeros", "b.txt"),
              (std::vector<std::u16string>{u"disp", u"sys.io.print", u"zeros"}));
    EXPECT_TRUE(parseBuiltinNames("", "b.txt").empty());
    try {
        parseBuiltinNames("disp\nbad name\n", "b.txt");
        FAIL() << "no error";
    } catch (InvocationError const& error) {
        EXPECT_NE(std::string(error.what()).find("b.txt:2:"), std::string::npos) << error.what();
    }
}

TEST(CallerImports, BuildsOneListAndRefusesWhatAnImportStatementWould) {
    auto list = buildImportList({"geometry.area", "draw.*"}, false);
    EXPECT_EQ(list->ownEntryCount(), 2u);
    EXPECT_EQ(lf::import::candidateQualifiedNames(*list, u"area"),
              (std::vector<std::u16string>{u"geometry.area", u"draw.area"}));
    EXPECT_EQ(buildImportList({"geometry"}, true)->ownEntryCount(), 1u);
    EXPECT_THROW(buildImportList({"geometry"}, false), InvocationError) << "needs package imports";
    EXPECT_THROW(buildImportList({"a..b"}, false), InvocationError);
    EXPECT_THROW(buildImportList({"a.f", "b.f"}, false), InvocationError);
}

class CallerOptionsTest : public ::testing::Test {
  protected:
    CallerModel parse(std::vector<std::string> arguments) {
        CLI::App app;
        CallerOptions options;
        options.addTo(app);
        std::vector<char const*> argv{"tool"};
        for (auto const& argument : arguments) {
            argv.push_back(argument.c_str());
        }
        app.parse(static_cast<int>(argv.size()), const_cast<char**>(argv.data()));
        return options.model(u"src/prog.kx");
    }

    TemporaryFolder folder;
};

TEST_F(CallerOptionsTest, CollectsRepeatedOptionsInOrder) {
    std::string const builtins = folder.addFile("builtins.txt", "disp\nzeros\n").string();
    std::string const a = folder.addFolder("a").string();
    std::string const b = folder.addFolder("b").string();
    CallerModel model = parse({"-p", a, "--path", b, "--external", "p.q.f", "--external", "g",
                               "--builtins", builtins, "--workspace", "x", "--static",
                               "f=NESTED_FUNCTION", "--static", "f=VARIABLE"});
    EXPECT_EQ(model.searchPath, (std::vector<std::filesystem::path>{a, b}));
    EXPECT_EQ(model.privateFolder, std::filesystem::path("src/private"));
    EXPECT_EQ(model.knownNames, (std::vector<std::u16string>{u"p.q.f", u"g", u"disp", u"zeros"}));
    EXPECT_EQ(model.workspaceVariables, std::vector<std::u16string>{u"x"});
    EXPECT_EQ(model.staticClassifications.at(u"f").kind, fe::nr::IdKind::VARIABLE)
        << "the last answer for a name counts";
}

TEST_F(CallerOptionsTest, RefusesValuesThatCannotBeUsed) {
    std::string const file = folder.addFile("file.kx").string();
    for (std::vector<std::string> arguments : std::vector<std::vector<std::string>>{
             {"-p", (folder.root() / "missing").string()},
             {"-p", file},
             {"--external", "a..b"},
             {"--workspace", "a.b"},
             {"--builtins", (folder.root() / "missing.txt").string()},
             {"--builtins", folder.root().string()},
             {"--import", "geometry"}}) {
        EXPECT_THROW(parse(arguments), InvocationError) << arguments.back();
    }
}

}  // namespace
}  // namespace korvex::tool
