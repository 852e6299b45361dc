// The use pass: how names that no assignment introduced are classified in
// each kind of body, dotted names collapsed, function-handle operands and
// anonymous functions resolved, and misuses of functions rejected.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "foundation/text/Utf.hpp"
#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/import/ImportList.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/name_resolution/AnonymousFunctionFinalizer.hpp"
#include "front_end/name_resolution/FunctionResolver.hpp"
#include "front_end/name_resolution/LvalueResolver.hpp"
#include "front_end/name_resolution/RvalueResolver.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/name_resolution/SymbolTableListing.hpp"
#include "front_end/name_resolution/UnaryAtOperandResolver.hpp"
#include "front_end/name_resolution/include/NameResolver.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/WarningLog.hpp"

namespace {

using namespace lf::astapi;
using fe::nr::ExternalResolution;
using fe::nr::SymbolTable;
using Classification = fe::nr::ISymbolTable::Classification;

// Every identifier of a tree, in walk order.
class IdentifierCollector
    : public fe::astapi::AstDispatcher<IdentifierCollector, fe::astapi::KorvexTree,
                                       fe::astapi::Const> {
  public:
    void visit(Identifier const& identifier) { found.push_back(&identifier); }
    std::vector<Identifier const*> found;
};

std::string kindOf(Identifier const* identifier) {
    return Classification::toString(identifier->idKind(), identifier->introducer());
}

// Resolves the first function of a source with the use pass under test, after
// the preparations the function resolver makes: the file's other functions
// are local functions, nested functions and inputs are declared, and the
// assignment targets resolved.
class UsePassTest : public ::testing::Test {
  protected:
    fe::nr::IsKnownExternalNameFcn const isKnown = [this](std::u16string_view name) {
        knownAsked.push_back(std::u16string(name));
        return known.contains(std::u16string(name));
    };
    fe::nr::ResolveImportFcn const resolveImport = [this](fe::nr::ImportListPtr,
                                                          std::u16string_view name) {
        mappingAsked.push_back(std::u16string(name));
        auto mapped = mapping.find(std::u16string(name));
        return mapped == mapping.end() ? std::u16string_view() : factory.intern(mapped->second);
    };
    fe::nr::CheckPackageFcn const checkPackage = [](lf::import::PackageSpecifier const&) {
        return qzboost::optional<resource_core::TypedMsgIDHolder>();
    };
    fe::nr::IsVariableFcn const isWorkspaceVariable = [this](std::u16string_view name) {
        return workspace.contains(std::u16string(name));
    };
    fe::nr::StaticLookupFcn const staticLookup = [](std::u16string_view name) {
        return name == u"enclosingLocal"
                   ? qzboost::optional<fe::nr::ClassificationData>({IdKind::LOCAL_FUNCTION, 0, 1})
                   : qzboost::none;
    };

    FunctionDefinition& prepare(std::string_view source) {
        cache = {};
        pending.clear();
        program = lf::parser::parse(fl::text::toUtf16(source), factory);
        root = SymbolTable::create(*program, factory);
        for (std::uint32_t i = 1; i < program->elements.size(); ++i) {
            declare(*root, *static_cast<FunctionDefinition*>(program->elements[i])->name,
                    IdKind::LOCAL_FUNCTION);
        }
        auto& function = *static_cast<FunctionDefinition*>(program->elements[0]);
        table = SymbolTable::createChild(function, *root);
        for (InputArgument* input : function.inputs) {
            declare(*table, *input->identifier, IdKind::VARIABLE);
        }
        for (Node* statement : function.body) {
            if (auto* nested = nodeAs<FunctionDefinition>(statement)) {
                declare(*table, *nested->name, IdKind::NESTED_FUNCTION);
            }
        }
        fe::nr::FunctionContents const contents = fe::nr::collectFunctionContents(function);
        fe::nr::resolveLvalues({contents.targetStatements.data(), contents.targetStatements.size()},
                               *table, resolver, imports, pending);
        return function;
    }

    // The passes over parfor and spmd statements, then over the whole body.
    void resolveBody(FunctionDefinition& function, ExternalResolution resolution) {
        fe::nr::ParallelInEvalQueries const queries{isWorkspaceVariable, staticLookup};
        fe::nr::UsePass const pass{resolver, *table, imports, cache, resolution, &queries};
        for (Node* statement : function.body) {
            if (statement->kind() == NodeKind::Parfor || statement->kind() == NodeKind::Spmd) {
                fe::nr::resolveParallelStatementUses(pass, *statement);
            }
        }
        fe::nr::resolveFunctionBodyUses(pass, function, &pending);
    }
    void resolveUses(std::string_view source, ExternalResolution resolution) {
        resolveBody(prepare(source), resolution);
    }

    // A name that an enclosing scope or an import introduced.
    Identifier* declareNew(SymbolTable& scope, std::u16string_view name, IdKind kind,
                           std::uint8_t mark = 0) {
        Identifier* introducer = factory.createIdentifier(1, name);
        introducer->setMark(mark);
        declare(scope, *introducer, kind);
        return introducer;
    }

    // The identifiers named `name`, in walk order.
    std::vector<Identifier const*> named(std::u16string_view name) const {
        IdentifierCollector collector;
        collector.dispatch(*program);
        std::vector<Identifier const*> matching;
        for (Identifier const* identifier : collector.found) {
            if (identifier->name() == name) {
                matching.push_back(identifier);
            }
        }
        return matching;
    }
    Identifier const* only(std::u16string_view name) const {
        auto matching = named(name);
        EXPECT_EQ(matching.size(), 1u) << fl::text::toUtf8(name);
        return matching.empty() ? nullptr : matching.front();
    }

    // What the static lookup reports as a local function of the file around
    // the eval text.
    static void expectLocalFunctionOfTheEnclosingFile(Identifier const* identifier) {
        EXPECT_EQ(kindOf(identifier), "EXTERNAL");
        EXPECT_TRUE(identifier->hasMark(marks::kEnclosingLocalFunction));
    }

    static void declare(SymbolTable& scope, Identifier& name, IdKind kind) {
        scope.addEntry(name.name(), Classification(kind, &name));
        name.classify(kind, &name);
    }

    fe::astapi::AstNodeFactory factory;
    fe::util::NullFrontEndWarningLog warnings;
    fe::nr::LocalNameResolver resolver{isKnown,      resolveImport, isKnown,
                                       checkPackage, factory,       warnings};
    std::set<std::u16string> known;
    std::map<std::u16string, std::u16string> mapping;
    std::set<std::u16string> workspace;
    std::vector<std::u16string> knownAsked;
    std::vector<std::u16string> mappingAsked;
    fe::nr::ImportListPtr imports;
    fe::nr::ResolutionCache cache;
    fe::nr::PendingPersistentSet pending;
    Program* program = nullptr;
    SymbolTable* root = nullptr;
    SymbolTable* table = nullptr;
};

std::shared_ptr<lf::import::IImportList const> wildcardImport(std::u16string_view package) {
    auto list = lf::import::createImportList(nullptr);
    list->add(lf::import::WildcardImportEntry(0, std::u16string(package) + u".*"));
    return list;
}

TEST_F(UsePassTest, UnboundNameInAStaticWorkspaceNeedsImports) {
    mapping = {{u"a", u"a"}};
    resolveUses("function f\n  y = a;\nend\n", ExternalResolution::StaticWorkspace);
    Identifier const* a = only(u"a");
    EXPECT_EQ(a->introducer(), a);
    EXPECT_EQ(kindOf(a), "UNKNOWN");
    EXPECT_TRUE(mappingAsked.empty());
    EXPECT_EQ(table->findUse(u"a"), a);
    EXPECT_EQ(table->lookup(u"a", nullptr)->kind, IdKind::UNKNOWN);
}

TEST_F(UsePassTest, UnboundNameInAStaticWorkspaceTakesTheImportMapping) {
    imports = wildcardImport(u"p");
    mapping = {{u"a", u"a"}, {u"b", u"p.b"}};
    resolveUses("function f\n  y = a + b + c;\nend\n", ExternalResolution::StaticWorkspace);
    EXPECT_EQ(kindOf(only(u"a")), "EXTERNAL");
    EXPECT_EQ(only(u"a")->introducer(), only(u"a"));
    // Rewritten to the qualified name, which enters the table.
    EXPECT_TRUE(named(u"b").empty());
    Identifier const* qualified = only(u"p.b");
    EXPECT_EQ(qualified->introducer(), qualified);
    EXPECT_EQ(table->lookup(u"p.b", nullptr)->introducer, qualified);
    EXPECT_EQ(kindOf(only(u"c")), "UNKNOWN");
}

TEST_F(UsePassTest, UnboundNameInADynamicWorkspaceAsksTheCaller) {
    known = {u"disp"};
    resolveUses("function f\n  disp(x)\nend\n", ExternalResolution::DynamicWorkspace);
    EXPECT_EQ(kindOf(only(u"disp")), "EXTERNAL");
    EXPECT_EQ(kindOf(only(u"x")), "UNKNOWN");
    EXPECT_EQ(mappingAsked, (std::vector<std::u16string>{u"disp", u"x"}));
}

TEST_F(UsePassTest, UnboundNameInAParallelBlockOfEvalIsExternal) {
    workspace = {u"w"};
    resolveUses("function f\n  y = w.field + g;\n  enclosingLocal on\nend\n",
                ExternalResolution::ParallelInEvalBody);
    EXPECT_EQ(kindOf(only(u"g")), "EXTERNAL");
    // The workspace decides for dotted heads and command names.
    EXPECT_EQ(kindOf(only(u"w")), "VARIABLE");
    expectLocalFunctionOfTheEnclosingFile(only(u"enclosingLocal"));
}

TEST_F(UsePassTest, LocalResolutionLeavesUnboundNamesAlone) {
    FunctionDefinition& function = prepare("function f\n  y = a + b;\nend\n");
    // The parser has no names with "#": put one where `b` was.
    auto* sum = static_cast<BinaryOperation*>(static_cast<Assignment*>(function.body[0])->value);
    Identifier* hidden = factory.createIdentifier(sum->right->position(), u"#b");
    sum->right = hidden;
    resolveBody(function, ExternalResolution::Local);
    EXPECT_EQ(only(u"a")->introducer(), nullptr);
    EXPECT_EQ(hidden->introducer(), hidden);
    EXPECT_EQ(kindOf(hidden), "EXTERNAL");
    EXPECT_TRUE(mappingAsked.empty());
    EXPECT_TRUE(knownAsked.empty());
}

TEST_F(UsePassTest, CallerIsAskedOncePerName) {
    known = {u"g"};
    resolveUses("function f\n  y = g(1) + g(2) + h + h;\nend\n",
                ExternalResolution::DynamicWorkspace);
    EXPECT_EQ(mappingAsked, (std::vector<std::u16string>{u"g", u"h"}));
    EXPECT_EQ(knownAsked, (std::vector<std::u16string>{u"g", u"h"}));
    auto g = named(u"g");
    EXPECT_EQ(g[1]->introducer(), g[0]);
}

TEST_F(UsePassTest, VariablesOfTheFunctionAndOfEnclosingScopes) {
    FunctionDefinition& function = prepare("function f(a)\n  y = a + b;\nend\n");
    // `b` as a variable of an enclosing function.
    Identifier* outer = declareNew(*root, u"b", IdKind::VARIABLE);
    resolveBody(function, ExternalResolution::StaticWorkspace);
    auto a = named(u"a");
    EXPECT_EQ(a[1]->introducer(), a[0]);
    EXPECT_FALSE(a[1]->hasMark(marks::kSharedVariable));
    Identifier const* b = only(u"b");
    EXPECT_EQ(b->introducer(), outer);
    EXPECT_TRUE(b->hasMark(marks::kSharedVariable));
}

TEST_F(UsePassTest, DottedUseCollapsesAtTheLongestKnownPrefix) {
    mapping = {{u"p.s.f", u"p.s.f"}, {u"q.s", u"q.s"}};
    resolveUses("function f\n  y = p.s.f(1);\n  z = q.s.f(1);\n  w = r.s;\nend\n",
                ExternalResolution::DynamicWorkspace);
    auto& body = static_cast<FunctionDefinition*>(program->elements[0])->body;

    auto* whole =
        nodeAs<Identifier>(static_cast<Index*>(static_cast<Assignment*>(body[0])->value)->head);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->name(), u"p.s.f");
    EXPECT_EQ(kindOf(whole), "EXTERNAL");
    EXPECT_EQ(whole->position(), 18u);

    auto* access =
        nodeAs<FieldAccess>(static_cast<Index*>(static_cast<Assignment*>(body[1])->value)->head);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->field->text, u"f");
    ASSERT_NE(nodeAs<Identifier>(access->base), nullptr);
    EXPECT_EQ(static_cast<Identifier*>(access->base)->name(), u"q.s");

    // Nothing maps: the head is a first use, the field access stays.
    EXPECT_EQ(kindOf(only(u"r")), "UNKNOWN");
    EXPECT_EQ(mappingAsked,
              (std::vector<std::u16string>{u"p.s.f", u"q.s.f", u"q.s", u"r.s", u"r"}));
    EXPECT_TRUE(named(u"p").empty());
    EXPECT_TRUE(named(u"q").empty());
}

TEST_F(UsePassTest, DottedHeadThatIsAVariableBuildsNoName) {
    resolveUses("function f\n  x = 1;\n  y = x.a.b;\nend\n", ExternalResolution::DynamicWorkspace);
    auto x = named(u"x");
    ASSERT_EQ(x.size(), 2u);
    EXPECT_EQ(x[1]->introducer(), x[0]);
    EXPECT_TRUE(mappingAsked.empty());
}

TEST_F(UsePassTest, PrefixWithANonExternalEntryIsForcedExternal) {
    FunctionDefinition& function = prepare("function f\n  y = p.s.x;\nend\n");
    declareNew(*table, u"p.s", IdKind::UNKNOWN);
    mapping = {{u"p.s", u"p.s"}};
    resolveBody(function, ExternalResolution::DynamicWorkspace);
    auto qualified = named(u"p.s");
    ASSERT_EQ(qualified.size(), 1u);
    EXPECT_EQ(kindOf(qualified[0]), "EXTERNAL");
    EXPECT_EQ(qualified[0]->introducer(), qualified[0]);
    EXPECT_TRUE(qualified[0]->hasMark(marks::kForcedExternal));
}

TEST_F(UsePassTest, DottedUseUnderAnImportedPackage) {
    FunctionDefinition& function = prepare("function f\n  y = pkg.sub.g;\n  z = pkg.h;\nend\n");
    declareNew(*table, u"pkg", IdKind::EXTERNAL, marks::kPackageImported);
    mapping = {{u"pkg.sub.g", u"other.g"}};
    resolveBody(function, ExternalResolution::StaticWorkspace);
    // A mapped name under a package is kept as written.
    Identifier const* mapped = only(u"pkg.sub.g");
    EXPECT_EQ(kindOf(mapped), "EXTERNAL(Package Imported)");
    // Unmapped, the whole text still becomes one name.
    Identifier const* whole = only(u"pkg.h");
    EXPECT_EQ(whole->introducer(), whole);
    EXPECT_TRUE(whole->hasMark(marks::kPackageImported));
}

TEST_F(UsePassTest, FunctionHandleOperands) {
    imports = wildcardImport(u"q");
    resolveUses(
        "function f\n  x = 1;\n  a = @x;\n  b = @nothing;\n  c = @p.q.g;\n  d = @s.t;\nend\n"
        "function x\nend\n",
        ExternalResolution::StaticWorkspace);
    auto x = named(u"x");
    ASSERT_EQ(x.size(), 3u);
    EXPECT_EQ(kindOf(x[1]), "LOCAL_FUNCTION");
    EXPECT_EQ(x[1]->introducer(), x[2]);
    Identifier const* nothing = only(u"nothing");
    EXPECT_EQ(kindOf(nothing), "EXTERNAL");
    EXPECT_EQ(nothing->introducer(), nothing);
    Identifier const* joined = only(u"p.q.g");
    EXPECT_EQ(kindOf(joined), "EXTERNAL");
    EXPECT_TRUE(named(u"p").empty());
    // Two parts: only the head is classified.
    EXPECT_EQ(kindOf(only(u"s")), "EXTERNAL");
    EXPECT_TRUE(named(u"s.t").empty());
}

TEST_F(UsePassTest, LocalResolutionNeverJoinsOperands) {
    resolveUses("function f\n  c = @p.q.g;\n  d = @h;\nend\n", ExternalResolution::Local);
    EXPECT_TRUE(named(u"p.q.g").empty());
    EXPECT_EQ(only(u"p")->introducer(), nullptr);
    EXPECT_EQ(only(u"h")->introducer(), nullptr);
}

TEST_F(UsePassTest, DeferredOperandsShareTheFirstIntroducer) {
    FunctionDefinition& function = prepare("function f\n  a = @h;\n  b = @h;\n  c = @k;\nend\n");
    resolveBody(function, ExternalResolution::StaticWorkspace);
    std::vector<fe::astapi::NodeField<Expression>> operands;
    for (Node* statement : function.body) {
        auto* handle = static_cast<UnaryOperation*>(static_cast<Assignment*>(statement)->value);
        operands.emplace_back(handle->operand);
    }
    fe::nr::finalizeDeferredOperands(operands, *table);
    auto h = named(u"h");
    EXPECT_EQ(h[0]->introducer(), h[0]);
    EXPECT_EQ(h[1]->introducer(), h[0]);
    EXPECT_EQ(only(u"k")->introducer(), only(u"k"));
}

TEST_F(UsePassTest, OperandsInScriptsAndEvalBodies) {
    program =
        lf::parser::parse(u"a = @g;\nb = @p.f;\nc = @pkg.q.f;\nd = @enclosingLocal;\n", factory);
    root = SymbolTable::create(*program, factory);
    Identifier* local = declareNew(*root, u"g", IdKind::LOCAL_FUNCTION);
    declareNew(*root, u"pkg", IdKind::EXTERNAL, marks::kPackageImported);
    fe::nr::UnaryAtOperandResolverForScript script(factory);
    fe::nr::UnaryAtOperandResolverForEval eval(factory, staticLookup);
    auto operandOf = [this](std::uint32_t statement) {
        auto* value = static_cast<Assignment*>(program->elements[statement])->value;
        return fe::astapi::NodeField<Expression>(static_cast<UnaryOperation*>(value)->operand);
    };
    script.resolveOperand(operandOf(0), *root);
    script.resolveOperand(operandOf(1), *root);
    script.resolveOperand(operandOf(2), *root);
    eval.resolveOperand(operandOf(3), *root);
    EXPECT_EQ(only(u"g")->introducer(), local);
    EXPECT_EQ(kindOf(only(u"p")), "UNKNOWN");
    EXPECT_EQ(kindOf(only(u"pkg.q.f")), "EXTERNAL(Package Imported)");
    expectLocalFunctionOfTheEnclosingFile(only(u"enclosingLocal"));
}

TEST_F(UsePassTest, AnonymousFunctionOfAnEvalBodyGetsARootTable) {
    program = lf::parser::parse(u"@(a) a + y + g\n", factory);
    SymbolTable* evalTable = SymbolTable::create(*program, factory);
    declareNew(*evalTable, u"y", IdKind::VARIABLE);
    declareNew(*evalTable, u"a", IdKind::UNKNOWN);
    auto& function = *static_cast<AnonymousFunction*>(program->elements[0]);
    SymbolTable* provisional = fe::nr::createAnonymousFunctionTable(function, *evalTable);
    SymbolTable* table =
        fe::nr::buildAnonymousFunctionTableForEval(factory, function, *provisional);
    EXPECT_TRUE(evalTable->childTables().empty());
    EXPECT_TRUE(table->isMarked());
    EXPECT_TRUE(table->isRootTable());
    EXPECT_EQ(table->lookup(u"y", nullptr)->kind, IdKind::VARIABLE);
    // The input, found in the provisional table before the body's entry.
    EXPECT_EQ(table->lookup(u"a", nullptr)->kind, IdKind::VARIABLE);
    EXPECT_EQ(table->lookup(u"g", nullptr), nullptr);

    // A table that is not its parent's first child was not made for this.
    SymbolTable::createChild(*program, *evalTable);
    SymbolTable* second = fe::nr::createAnonymousFunctionTable(function, *evalTable);
    EXPECT_THROW(fe::nr::buildAnonymousFunctionTableForEval(factory, function, *second),
                 std::logic_error);
}

TEST_F(UsePassTest, AnonymousFunctionTablesCaptureAndHangUnderTheRoot) {
    resolveUses(
        "function f\n  y = 1;\n  h = @(a, ~) a + y + z + g(a) + @(b) b + y;\nend\n"
        "function g\nend\n",
        ExternalResolution::StaticWorkspace);
    auto& body = static_cast<FunctionDefinition*>(program->elements[0])->body;
    auto* outer = static_cast<AnonymousFunction*>(static_cast<Assignment*>(body[1])->value);
    auto* outerTable = static_cast<SymbolTable*>(outer->symbolTable());
    ASSERT_NE(outerTable, nullptr);
    EXPECT_TRUE(outerTable->isMarked());
    EXPECT_EQ(outerTable->parentTable(), root);

    std::vector<std::u16string_view> names;
    for (auto const* entry : entriesInNameOrder(*outerTable)) {
        names.push_back(entry->first);
    }
    // Inputs and copies of the captured entries (the new name `z` went into
    // the function's table first); not the local function.
    EXPECT_EQ(names, (std::vector<std::u16string_view>{u"a", u"y", u"z"}));
    EXPECT_EQ(outerTable->lookup(u"y", nullptr)->introducer, named(u"y")[0]);
    EXPECT_EQ(table->lookup(u"z", nullptr)->introducer, only(u"z"));

    // The inner anonymous function hangs under the root as well.
    ASSERT_EQ(root->childTables().size(), 3u);
    SymbolTable* inner = root->childTables()[1];
    EXPECT_TRUE(inner->isMarked());
    EXPECT_NE(inner->lookup(u"b", nullptr), nullptr);
    EXPECT_NE(inner->lookup(u"y", nullptr), nullptr);
    EXPECT_EQ(root->childTables()[2], outerTable);
}

TEST_F(UsePassTest, ParallelStatementsHaveTheirOwnPass) {
    mapping = {{u"g", u"g"}};
    imports = wildcardImport(u"p");
    resolveUses("function f\n  parfor i = 1:3\n    y(i) = g(i);\n  end\nend\n",
                ExternalResolution::DynamicWorkspace);
    EXPECT_EQ(kindOf(only(u"g")), "EXTERNAL");
    auto i = named(u"i");
    EXPECT_EQ(i[2]->introducer(), i[0]);
}

TEST_F(UsePassTest, HandleOperandsAreLoggedInSourceOrderAcrossParallelPasses) {
    FunctionDefinition& function = prepare(
        "function f\n"
        "  a = @h1;\n"
        "  parfor i = 1:3\n"
        "    b = @h2;\n"
        "    spmd\n"
        "      c = @h3;\n"
        "    end\n"
        "    d = -@h4;\n"
        "  end\n"
        "  e = @(x) x + g(@h5);\n"
        "  k = @h6;\n"
        "end\n");
    auto* parfor = static_cast<ParforStatement*>(function.body[1]);
    Node* spmd = parfor->body[1];
    ASSERT_EQ(spmd->kind(), NodeKind::Spmd);
    fe::nr::HandleOperandLog log;
    fe::nr::UsePass const pass{resolver, *table, imports, cache, ExternalResolution::Local,
                               nullptr,  &log};
    // The passes run as the function resolver runs them: every parallel
    // statement, outer ones first, then the body.
    fe::nr::resolveParallelStatementUses(pass, *parfor);
    fe::nr::resolveParallelStatementUses(pass, *spmd);
    fe::nr::resolveFunctionBodyUses(pass, function, nullptr);

    std::vector<std::u16string_view> heads;
    for (auto const& operand : log.inSourceOrder()) {
        heads.push_back(static_cast<Identifier*>(operand.get())->name());
    }
    // The operand under the unary minus is not one to settle.
    EXPECT_EQ(heads, (std::vector<std::u16string_view>{u"h1", u"h2", u"h3", u"h5", u"h6"}));
}

TEST_F(UsePassTest, HandleOperandLogWithoutPassesIsEmpty) {
    fe::nr::HandleOperandLog log;
    EXPECT_TRUE(log.inSourceOrder().empty());
    // A parallel statement whose pass never ran adds nothing.
    FunctionDefinition& function = prepare("function f\n  parfor i = 1:3\n  end\nend\n");
    log.beginPass(nullptr);
    log.addParallelStatement(*function.body[0]);
    EXPECT_TRUE(log.inSourceOrder().empty());
}

// ------------------------------------------------------------ errors

// The user error that resolving the first function of `source` ends with:
// "message-id at LINE:COL".
class UsePassErrorTest : public UsePassTest {
  protected:
    // `declareOuter` enters what enclosing scopes define before the uses.
    std::string errorOf(
        std::string_view source,
        ExternalResolution resolution = ExternalResolution::StaticWorkspace,
        std::function<void()> const& declareOuter = [] {}) {
        try {
            FunctionDefinition& function = prepare(source);
            declareOuter();
            resolveBody(function, resolution);
        } catch (fe::util::IFrontEndUserException const& error) {
            auto where =
                lf::util::LineInfo(fl::text::toUtf16(source)).lineAndColumn(error.position());
            return std::string(error.what()) + " at " + std::to_string(where.line) + ":" +
                   std::to_string(where.column);
        }
        return "no error";
    }
};

TEST_F(UsePassErrorTest, FunctionsUsedLikeVariables) {
    std::string const g = "\nend\nfunction g\nend\n";
    EXPECT_EQ(errorOf("function f\n  y = g.x;" + g), "tal_error_function_followed_by_dot at 2:7");
    EXPECT_EQ(errorOf("function f\n  y = g(1).x;" + g), "ParenDotIndexingFunction at 2:7");
    EXPECT_EQ(errorOf("function f\n  y = g{1};" + g),
              "KORVEX:lang:BraceIndexingFunctionOrClass at 2:7");
    EXPECT_EQ(errorOf("function f\n  y = 1 + g(:, 1);" + g), "tal_invalid_colon_index at 2:11");
    EXPECT_EQ(errorOf("function f\n  y = n.x;\n  function n\n  end\nend\n"),
              "tal_error_function_followed_by_dot at 2:7");
    // Known externals are functions or classes too.
    known = {u"ones"};
    EXPECT_EQ(errorOf("function f\n  y = ones{2};\nend\n", ExternalResolution::DynamicWorkspace),
              "KORVEX:lang:BraceIndexingFunctionOrClass at 2:7");
    EXPECT_EQ(errorOf("function f\n  y = g(1) + g(2, 3);" + g), "no error");
}

TEST_F(UsePassErrorTest, CommandSyntaxOverAVariable) {
    EXPECT_EQ(errorOf("function f\n  x = 1;\n  x on\nend\n"),
              "tal_error_variable_used_where_function_is_required at 3:3");
    known = {u"hold"};
    EXPECT_EQ(errorOf("function f\n  hold on\nend\n", ExternalResolution::DynamicWorkspace),
              "no error");
}

TEST_F(UsePassErrorTest, NamesOfEnclosingScopesAndImports) {
    auto const outerVariable = [this] { declareNew(*root, u"x", IdKind::VARIABLE); };
    EXPECT_EQ(
        errorOf("function n\n  x on\nend\n", ExternalResolution::StaticWorkspace, outerVariable),
        "tal_error_variable_used_where_function_is_required at 2:3");
    auto const importedPackage = [this] {
        declareNew(*table, u"pkg", IdKind::EXTERNAL, marks::kPackageImported);
    };
    EXPECT_EQ(errorOf("function f\n  y = pkg{1};\nend\n", ExternalResolution::StaticWorkspace,
                      importedPackage),
              "UnsupportedIndexingIntoImportedPackage at 2:7");
    EXPECT_EQ(errorOf("function f\n  y = pkg(:);\nend\n", ExternalResolution::StaticWorkspace,
                      importedPackage),
              "UnsupportedIndexingIntoImportedPackage at 2:7");
}

TEST_F(UsePassErrorTest, PersistentMustComeBeforeItsUses) {
    EXPECT_EQ(errorOf("function f\n  y = x;\n  persistent x\nend\n"),
              "tal_error_persistent_must_be_first at 3:14");
    EXPECT_EQ(errorOf("function f\n  persistent x\n  y = x;\nend\n"), "no error");
    EXPECT_EQ(errorOf("function f\n  parfor i = 1:2\n    y = x;\n  end\n  persistent x\nend\n"),
              "tal_error_persistent_must_be_first at 5:14");
    EXPECT_EQ(errorOf("function f\n  load data.mat x\n  persistent x\nend\n"),
              "tal_error_persistent_must_be_first at 3:14");
    // Through a function handle's dotted operand and inside an anonymous function.
    EXPECT_EQ(errorOf("function f\n  h = @x.y;\n  persistent x\nend\n"),
              "tal_error_persistent_must_be_first at 3:14");
    EXPECT_EQ(errorOf("function f\n  h = @() x;\n  persistent x\nend\n"),
              "tal_error_persistent_must_be_first at 3:14");
}

TEST_F(UsePassErrorTest, RepeatedInputsOfAnAnonymousFunction) {
    EXPECT_EQ(errorOf("function f\n  h = @(a, b, a) a;\nend\n"),
              "tal_error_repeated_input at 2:15");
    EXPECT_EQ(errorOf("function f\n  h = @(a, ~, ~) a;\nend\n"), "no error");
}

}  // namespace
