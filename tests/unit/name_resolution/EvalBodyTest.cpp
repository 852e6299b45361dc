// Eval bodies and sections as the caller sees them through the callbacks:
// what the filters around the caller's answers let through, how often the
// caller is asked, and what the resolver leaves on the tree besides the
// classifications that the golden cases print.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/name_resolution/ResolverEntries.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/WarningLog.hpp"

namespace {

using namespace lf::astapi;
using fe::nr::ClassificationData;

// Answers from a table of static answers and workspace variables, counting
// every question per name.
class CountingCallbacks final : public fe::nr::INameResolutionCallbacks {
  public:
    bool isKnownExternalName(std::u16string_view) override { return false; }
    std::u16string_view resolveImportedName(std::shared_ptr<lf::import::IImportList const>,
                                            std::u16string_view,
                                            fe::astapi::AstNodeFactory&) override {
        return {};
    }
    qzboost::optional<resource_core::TypedMsgIDHolder> checkPackage(
        lf::import::PackageSpecifier const&) override {
        return qzboost::none;
    }
    qzboost::optional<ClassificationData> lookupStaticClassification(
        std::u16string_view name) override {
        ++staticLookups[std::u16string(name)];
        if (auto found = answers.find(std::u16string(name)); found != answers.end()) {
            return found->second;
        }
        return qzboost::none;
    }
    bool isWorkspaceVariable(std::u16string_view name) override {
        ++workspaceQueries;
        return workspace.contains(std::u16string(name));
    }
    bool evalSwitchB() override { return false; }
    bool evalSwitchA() override { return false; }

    std::map<std::u16string, ClassificationData> answers;
    std::map<std::u16string, bool> workspace;
    std::map<std::u16string, int> staticLookups;
    int workspaceQueries = 0;
};

class EvalBodyTest : public ::testing::Test {
  protected:
    Program& parse(std::u16string_view text) { return *lf::parser::parse(text, factory); }

    fe::nr::SymbolTable* resolveEval(Program& body) {
        return static_cast<fe::nr::SymbolTable*>(resolver.resolveEvalBody(
            body, nullptr, false, 1, warnings, factory, callbacks, &timer));
    }

    fe::astapi::AstNodeFactory factory;
    fe::util::NullFrontEndWarningLog warnings;
    CountingCallbacks callbacks;
    fe::nr::ResolutionTimer timer{};
    fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
};

fe::nr::StaticLookupFcn lookupOf(std::map<std::u16string, ClassificationData> const& answers) {
    return [&answers](std::u16string_view name) -> qzboost::optional<ClassificationData> {
        if (auto found = answers.find(std::u16string(name)); found != answers.end()) {
            return found->second;
        }
        return qzboost::none;
    };
}

TEST(EvalFilters, SectionsTakeSettledAnswersAndLocalFunctions) {
    std::map<std::u16string, ClassificationData> const answers{
        {u"unsettledLocal", {IdKind::LOCAL_FUNCTION, 0, 1}},
        {u"unsettledVariable", {IdKind::VARIABLE, 0, 1}},
        {u"unsettledExternal", {IdKind::EXTERNAL, 1, 1}},
        {u"settledVariable", {IdKind::VARIABLE, 0, 0}},
        {u"settledExternal", {IdKind::EXTERNAL, 1, 0}},
    };
    fe::nr::StaticLookupFcn const caller = lookupOf(answers);
    fe::nr::StaticLookupFcn const section = fe::nr::getStaticClassificationLookupForSection(caller);
    EXPECT_EQ(section(u"unsettledLocal")->kind, IdKind::LOCAL_FUNCTION);
    EXPECT_FALSE(section(u"unsettledVariable"));
    EXPECT_FALSE(section(u"unsettledExternal"));
    EXPECT_EQ(section(u"settledVariable")->kind, IdKind::VARIABLE);
    EXPECT_EQ(section(u"settledExternal")->kind, IdKind::EXTERNAL);
    EXPECT_FALSE(section(u"unknown"));
}

TEST(EvalFilters, ParallelBlocksTakeFunctionAnswersAndNoLocalFunctionVariables) {
    std::map<std::u16string, ClassificationData> const answers{
        {u"variable", {IdKind::VARIABLE, 0, 0}},
        {u"nested", {IdKind::NESTED_FUNCTION, 0, 1}},
        {u"local", {IdKind::LOCAL_FUNCTION, 0, 0}},
        {u"external", {IdKind::EXTERNAL, 1, 0}},
    };
    fe::nr::StaticLookupFcn const caller = lookupOf(answers);
    fe::nr::StaticLookupFcn const parallel =
        fe::nr::getStaticClassificationLookupForParallelInEval(caller);
    EXPECT_FALSE(parallel(u"variable"));
    EXPECT_EQ(parallel(u"nested")->kind, IdKind::NESTED_FUNCTION);
    EXPECT_EQ(parallel(u"local")->kind, IdKind::LOCAL_FUNCTION);
    EXPECT_FALSE(parallel(u"external"));

    fe::nr::IsVariableFcn const inWorkspace = [](std::u16string_view name) {
        return name != u"absent";
    };
    fe::nr::IsVariableFcn const isVariable =
        fe::nr::getIsVariableFcnForParallelInEval(inWorkspace, caller);
    EXPECT_FALSE(isVariable(u"local"));
    EXPECT_TRUE(isVariable(u"unknownToTheCaller"));
    EXPECT_TRUE(isVariable(u"nested"));
    EXPECT_FALSE(isVariable(u"absent"));
}

TEST_F(EvalBodyTest, TheCallerIsAskedOnceAboutEachName) {
    callbacks.answers[u"lf"] = {IdKind::LOCAL_FUNCTION, 0, 1};
    Program& body = parse(u"x = lf + lf(1); lf{2}; y = lf.f; lf arg\nz = x + lf;");
    resolveEval(body);
    EXPECT_EQ(callbacks.staticLookups[u"lf"], 1);
    EXPECT_EQ(callbacks.staticLookups[u"x"], 1);
}

TEST_F(EvalBodyTest, SectionsNeverAskAboutTheWorkspace) {
    Program& body = parse(u"x = a + b.c; import p.*\nd = @(e) e + f;");
    resolver.resolveSection(body, nullptr, factory, callbacks, &timer);
    EXPECT_EQ(callbacks.workspaceQueries, 0);
}

TEST_F(EvalBodyTest, VariablesThatLoadMakesAreLinkedFromTheirLiterals) {
    Program& body = parse(u"load data.txt\nload more.mat alpha 1abc\n");
    resolveEval(body);
    auto wordsOf = [&](std::uint32_t statement) -> NodeList<TextLiteral> const& {
        return static_cast<CommandSyntax*>(body.elements[statement])->words;
    };
    Identifier const* data = wordsOf(0)[0]->linked;
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->name(), u"data");
    EXPECT_EQ(data->position(), 0u);
    EXPECT_TRUE(data->hasMark(marks::kCreatedByLoad));
    EXPECT_EQ(wordsOf(1)[0]->linked, nullptr);
    ASSERT_NE(wordsOf(1)[1]->linked, nullptr);
    EXPECT_EQ(wordsOf(1)[1]->linked->name(), u"alpha");
    EXPECT_EQ(wordsOf(1)[2]->linked, nullptr);
}

TEST_F(EvalBodyTest, AnonymousFunctionsKeepRootTablesOfTheirOwn) {
    callbacks.workspace[u"k"] = true;
    Program& body = parse(u"f = @(x) @(y) x + y + k;");
    fe::nr::SymbolTable* table = resolveEval(body);
    ASSERT_EQ(body.symbolTable(), table);
    EXPECT_TRUE(table->childTables().empty());

    auto* outer =
        static_cast<AnonymousFunction*>(static_cast<Assignment*>(body.elements[0])->value);
    auto* inner = static_cast<AnonymousFunction*>(outer->body);
    auto const* outerTable = static_cast<fe::nr::SymbolTable const*>(outer->symbolTable());
    auto const* innerTable = static_cast<fe::nr::SymbolTable const*>(inner->symbolTable());
    ASSERT_NE(outerTable, nullptr);
    ASSERT_NE(innerTable, nullptr);
    for (auto const* anonymous : {outerTable, innerTable}) {
        EXPECT_TRUE(anonymous->isRootTable());
        EXPECT_TRUE(anonymous->isMarked());
        EXPECT_TRUE(anonymous->childTables().empty());
    }
    EXPECT_EQ(outerTable->lookup(u"x", nullptr)->kind, IdKind::VARIABLE);
    EXPECT_EQ(innerTable->lookup(u"y", nullptr)->kind, IdKind::VARIABLE);
    // The inner function captures the outer one's parameter.
    EXPECT_EQ(innerTable->lookup(u"x", nullptr)->kind, IdKind::VARIABLE);
    EXPECT_EQ(innerTable->lookup(u"k", nullptr), nullptr);
}

}  // namespace
