#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/astapi/ParallelBlockWrapping.hpp"
#include "front_end/name_resolution/LocalAnnotations.hpp"
#include "front_end/name_resolution/MockNameResolutionCallbacks.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/name_resolution/include/NameResolver.hpp"
#include "front_end/util/WarningLog.hpp"

namespace {

using namespace lf::astapi;
using fe::nr::ResolutionTimer;

// Records the callbacks made, in order; answers false and empty.
class RecordingCallbacks final : public fe::nr::INameResolutionCallbacks {
  public:
    bool isKnownExternalName(std::u16string_view) override { return record("isKnownExternalName"); }
    std::u16string_view resolveImportedName(std::shared_ptr<lf::import::IImportList const>,
                                            std::u16string_view,
                                            fe::astapi::AstNodeFactory&) override {
        record("resolveImportedName");
        return {};
    }
    qzboost::optional<resource_core::TypedMsgIDHolder> checkPackage(
        lf::import::PackageSpecifier const&) override {
        record("checkPackage");
        return qzboost::none;
    }
    qzboost::optional<fe::nr::ClassificationData> lookupStaticClassification(
        std::u16string_view) override {
        record("lookupStaticClassification");
        return qzboost::none;
    }
    bool isWorkspaceVariable(std::u16string_view) override { return record("isWorkspaceVariable"); }
    bool evalSwitchB() override { return record("evalSwitchB"); }
    bool evalSwitchA() override { return record("evalSwitchA"); }

    std::vector<std::string> calls;

  private:
    bool record(char const* call) {
        calls.emplace_back(call);
        return false;
    }
};

std::string logicErrorOf(std::function<void()> const& call) {
    try {
        call();
    } catch (std::logic_error const& error) {
        return error.what();
    }
    return "no logic_error";
}

class NameResolverTest : public ::testing::Test {
  protected:
    Identifier* id(std::u16string_view name, std::uint32_t position) {
        return factory.createIdentifier(position, name);
    }
    Assignment* assign(Identifier* target, Expression* value) {
        auto* node = factory.create<Assignment>(NodeKind::Assignment, target->position());
        node->target = target;
        node->value = value;
        return node;
    }
    Program* programOf(std::initializer_list<Node*> elements) {
        auto* program = factory.create<Program>(NodeKind::Program, 1, ProgramKind::Script);
        program->elements = factory.createList<Node>(elements);
        return program;
    }
    InputArgument* namedInput(std::u16string_view name, std::uint32_t position) {
        auto* input = factory.create<InputArgument>(NodeKind::InputArgument, position);
        input->identifier = id(name, position);
        return input;
    }
    InputArgument* ignoredInput(std::uint32_t position) {
        auto* input = factory.create<InputArgument>(NodeKind::InputArgument, position);
        input->ignored = factory.create<Ignored>(NodeKind::Ignored, position);
        return input;
    }
    Node* parforBlock() {
        auto* parfor = factory.create<ParforStatement>(NodeKind::Parfor, 1);
        parfor->variable = id(u"i", 8);
        return parfor;
    }

    fe::nr::IsNameFcn isKnownExternalName = [](std::u16string_view) { return true; };
    fe::nr::ResolveImportFcn resolveImport = [](auto, std::u16string_view name) { return name; };
    fe::nr::CheckPackageFcn checkPackage = [](lf::import::PackageSpecifier const&) {
        return qzboost::optional<resource_core::TypedMsgIDHolder>();
    };
    fe::astapi::AstNodeFactory factory;
    fe::util::NullFrontEndWarningLog warnings;
    RecordingCallbacks callbacks;
    ResolutionTimer timer;
    fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
};

TEST_F(NameResolverTest, OneResolverForTheProcess) {
    EXPECT_EQ(&fe::nr::getNameResolver(), &resolver);
}

// A clock that moves only when a test moves it.
std::int64_t fakeNanoseconds = 0;

TEST_F(NameResolverTest, TimerSplitsResolverAndCallbackTime) {
    fe::nr::setResolutionClockForTesting([] { return fakeNanoseconds; });
    fakeNanoseconds = 100'000'000;
    std::int32_t stateInCallback = 0;
    fe::nr::IsNameFcn slowCallback = [&](std::u16string_view) {
        stateInCallback = timer.state;
        fakeNanoseconds += 3'000'000;
        return true;
    };
    fe::nr::NameResolver timed(slowCallback, resolveImport, isKnownExternalName, checkPackage,
                               factory, warnings, &timer);
    timer.lastMarkNanoseconds = fakeNanoseconds - 5'000'000;

    EXPECT_TRUE(timed.isKnownExternalName(u"f"));
    EXPECT_EQ(stateInCallback, ResolutionTimer::kInCallback);
    EXPECT_EQ(timer.state, ResolutionTimer::kInResolver);
    EXPECT_DOUBLE_EQ(timer.resolverMilliseconds, 5.0);  // measured from the caller's mark
    EXPECT_DOUBLE_EQ(timer.callbackMilliseconds, 3.0);

    fakeNanoseconds += 2'000'000;
    EXPECT_TRUE(timed.isKnownExternalName2(u"g"));  // field 3: the quick one
    EXPECT_DOUBLE_EQ(timer.resolverMilliseconds, 7.0);
    EXPECT_DOUBLE_EQ(timer.callbackMilliseconds, 3.0);
    EXPECT_EQ(timer.lastMarkNanoseconds, fakeNanoseconds);
    fe::nr::setResolutionClockForTesting(nullptr);
}

TEST_F(NameResolverTest, TimerIsChargedWhenACallbackThrows) {
    fe::nr::setResolutionClockForTesting([] { return fakeNanoseconds; });
    fakeNanoseconds = 50'000'000;
    fe::nr::CheckPackageFcn failing = [](lf::import::PackageSpecifier const&)
        -> qzboost::optional<resource_core::TypedMsgIDHolder> {
        fakeNanoseconds += 1'000'000;
        throw std::runtime_error("callback failed");
    };
    fe::nr::NameResolver timed(isKnownExternalName, resolveImport, isKnownExternalName, failing,
                               factory, warnings, &timer);
    timer.lastMarkNanoseconds = fakeNanoseconds;
    EXPECT_THROW(timed.checkPackage(lf::import::PackageSpecifier(u"pkg")), std::runtime_error);
    EXPECT_EQ(timer.state, ResolutionTimer::kInResolver);
    EXPECT_EQ(timer.lastMarkNanoseconds, fakeNanoseconds);
    EXPECT_DOUBLE_EQ(timer.callbackMilliseconds, 1.0);
    fe::nr::setResolutionClockForTesting(nullptr);
}

TEST_F(NameResolverTest, LocalResolverCallsItsFunctionObjectsUntimed) {
    fe::nr::ResolveImportFcn missing;
    fe::nr::LocalNameResolver local(isKnownExternalName, missing, isKnownExternalName, checkPackage,
                                    factory, warnings);
    EXPECT_EQ(local.timer(), nullptr);
    EXPECT_TRUE(local.isKnownExternalName(u"f"));
    EXPECT_FALSE(local.checkPackage(lf::import::PackageSpecifier(u"p")).has_value());
    EXPECT_THROW(local.resolveImportedName(nullptr, u"f"), std::bad_function_call);
}

TEST_F(NameResolverTest, MethodsAreRefusedOrDeclaredLocally) {
    auto* signature = factory.create<FunctionDefinition>(NodeKind::MethodSignature, 1);
    InputArgument* named = namedInput(u"obj", 5);
    signature->inputs = factory.createList<InputArgument>({named, ignoredInput(10)});
    signature->outputs = factory.createList<Identifier>({id(u"r", 2)});

    fe::nr::NameResolver full(isKnownExternalName, resolveImport, isKnownExternalName, checkPackage,
                              factory, warnings, &timer);
    full.resolveMethodSignature(*signature);
    EXPECT_EQ(signature->outputs[0]->idKind(), IdKind::UNKNOWN);
    EXPECT_EQ(logicErrorOf([&] { full.resolveClassMethod(nullptr, *signature, true); }),
              "Unreachable - front_end/name_resolution/include/NameResolver line 201");

    fe::nr::LocalNameResolver local(isKnownExternalName, resolveImport, isKnownExternalName,
                                    checkPackage, factory, warnings);
    local.resolveMethodSignature(*signature);
    for (Identifier const* variable : {signature->outputs[0], named->identifier}) {
        EXPECT_EQ(variable->idKind(), IdKind::VARIABLE);
        EXPECT_EQ(variable->introducer(), variable);
    }
}

TEST_F(NameResolverTest, MockKnowsEveryWellFormedName) {
    std::unique_ptr<fe::nr::INameResolutionCallbacks> mock =
        fe::nr::createMockNameResolutionCallbacks();
    EXPECT_TRUE(mock->isKnownExternalName(u""));
    EXPECT_TRUE(mock->isKnownExternalName(u"1x"));  // no dot: not checked
    EXPECT_TRUE(mock->isKnownExternalName(u"pkg.f"));
    EXPECT_FALSE(mock->isKnownExternalName(u"pkg..f"));
    EXPECT_FALSE(mock->isKnownExternalName(u"pkg."));
    auto imports = std::shared_ptr<lf::import::IImportList const>();
    EXPECT_EQ(mock->resolveImportedName(imports, u"a.b", factory), u"a.b");
    EXPECT_FALSE(mock->checkPackage(lf::import::PackageSpecifier(u"p")).has_value());
    EXPECT_FALSE(mock->lookupStaticClassification(u"x").has_value());
    EXPECT_FALSE(mock->isWorkspaceVariable(u"x"));
    EXPECT_FALSE(mock->evalSwitchA());
    EXPECT_FALSE(mock->evalSwitchB());
}

bool readsASwitch(std::vector<std::string> const& calls) {
    return std::ranges::find(calls, "evalSwitchA") != calls.end() ||
           std::ranges::find(calls, "evalSwitchB") != calls.end();
}

TEST_F(NameResolverTest, EvalBodyReadsSwitchAThenBOnTheOrdinaryPath) {
    Program* body = programOf({assign(id(u"x", 1), id(u"y", 5)), parforBlock()});
    fe::nr::SymbolTable* table =
        resolver.resolveEvalBody(*body, nullptr, false, 1, warnings, factory, callbacks, &timer);
    ASSERT_GE(callbacks.calls.size(), 2u);
    EXPECT_EQ(callbacks.calls[0], "evalSwitchA");
    EXPECT_EQ(callbacks.calls[1], "evalSwitchB");
    EXPECT_EQ(std::ranges::count(callbacks.calls, "evalSwitchA"), 1);
    EXPECT_EQ(std::ranges::count(callbacks.calls, "evalSwitchB"), 1);
    EXPECT_EQ(body->symbolTable(), table);
    EXPECT_EQ(body->elements.size(), 2u);
}

TEST_F(NameResolverTest, LoneParallelBlockTakesTheParallelPathOnlyWithTheCheck) {
    Program* body = programOf({parforBlock()});
    resolver.resolveEvalBody(*body, nullptr, false, 1, warnings, factory, callbacks, &timer);
    auto const* wrapped = nodeAs<FunctionDefinition>(body->elements[0]);
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(wrapped->name->name(), u"syntheticFunction%parforSpmd");
    EXPECT_EQ(wrapped->implicitVariable->name(), u"ans");
    EXPECT_EQ(wrapped->body[0]->kind(), NodeKind::Parfor);
    EXPECT_FALSE(readsASwitch(callbacks.calls));

    auto* spmd = factory.create<SpmdStatement>(NodeKind::Spmd, 1);
    Program* spmdBody = programOf({spmd});
    resolver.resolveEvalBody(*spmdBody, nullptr, true, 0, warnings, factory, callbacks, &timer);
    EXPECT_EQ(spmdBody->elements[0]->kind(), NodeKind::Function);
    EXPECT_FALSE(readsASwitch(callbacks.calls));

    Program* unchecked = programOf({parforBlock()});
    resolver.resolveEvalBodyNoParallelCheck(*unchecked, nullptr, false, 1, warnings, factory,
                                            callbacks, &timer);
    EXPECT_EQ(unchecked->elements[0]->kind(), NodeKind::Parfor);
    EXPECT_TRUE(readsASwitch(callbacks.calls));
}

TEST_F(NameResolverTest, ParallelInEvalGivesTheBlockBackUnwrapped) {
    Node* block = parforBlock();
    Program* body = programOf({block});
    fe::astapi::wrapParallelBlock(*body, factory);
    fe::nr::SymbolTable* table =
        resolver.resolveParallelInEval(*body, nullptr, false, factory, callbacks, &timer);
    ASSERT_EQ(body->elements.size(), 1u);
    EXPECT_EQ(body->elements[0], block);
    EXPECT_EQ(body->symbolTable(), table);
    EXPECT_EQ(static_cast<ParforStatement*>(block)->variable->idKind(), IdKind::VARIABLE);
    EXPECT_FALSE(readsASwitch(callbacks.calls));
}

TEST_F(NameResolverTest, OperationsOnBehalfOfACallerNeedATimer) {
    Program* program = programOf({});
    EXPECT_THROW(resolver.resolveProgram(*program, u"f.kx", warnings, factory, callbacks, nullptr),
                 std::invalid_argument);
    EXPECT_THROW(resolver.resolveSection(*program, nullptr, factory, callbacks, nullptr),
                 std::invalid_argument);
    EXPECT_TRUE(callbacks.calls.empty());
}

TEST_F(NameResolverTest, DumpListsIdentifiersInVisitingOrder) {
    // function y = f(x, ~)
    //     y = x + g;
    //     pkg.h
    auto* function = factory.create<FunctionDefinition>(NodeKind::Function, 1);
    function->name = id(u"f", 14);
    function->implicitVariable = id(u"ans", kNoPosition);
    InputArgument* input = namedInput(u"x", 16);
    function->inputs = factory.createList<InputArgument>({input, ignoredInput(19)});
    function->outputs = factory.createList<Identifier>({id(u"y", 10)});
    auto* sum = factory.create<BinaryOperation>(NodeKind::BinaryOperation, 31, BinaryOperator::Add);
    sum->left = id(u"x", 31);
    sum->right = id(u"g", 35);
    Identifier* qualified = id(u"pkg.h", 42);
    function->body = factory.createList<Node>({assign(id(u"y", 27), sum), qualified});
    auto* program = factory.create<Program>(NodeKind::Program, 1, ProgramKind::FunctionFile);
    program->elements = factory.createList<Node>({function});

    function->name->classify(IdKind::LOCAL_FUNCTION, function->name);
    input->identifier->classify(IdKind::VARIABLE, input->identifier);
    function->outputs[0]->classify(IdKind::VARIABLE, function->outputs[0]);
    static_cast<Assignment*>(function->body[0])
        ->target->classify(IdKind::VARIABLE, function->outputs[0]);
    static_cast<Identifier*>(sum->left)->classify(IdKind::VARIABLE, input->identifier);
    static_cast<Identifier*>(sum->right)->classify(IdKind::EXTERNAL, nullptr);
    qualified->classify(IdKind::EXTERNAL, qualified);
    qualified->setMark(marks::kPackageImported);

    EXPECT_EQ(resolver.dumpClassifications(*program),
              "f#14: LOCAL_FUNCTION Introduced#14\n"
              "x#16: VARIABLE Introduced#16\n"
              "y#10: VARIABLE Introduced#10\n"
              "y#27: VARIABLE Introduced#10\n"
              "x#31: VARIABLE Introduced#16\n"
              "g#35: EXTERNAL No introduction node\n"
              "pkg.h#42: EXTERNAL(Package Imported) Introduced#42\n");
    EXPECT_EQ(resolver.dumpClassifications(*sum->right), "g#35: EXTERNAL No introduction node\n");
}

TEST_F(NameResolverTest, DumpOfAnInvalidKindIsAnInternalError) {
    Identifier* broken = id(u"x", 3);
    broken->classify(IdKind(7), nullptr);
    EXPECT_EQ(logicErrorOf([&] { resolver.dumpClassifications(*broken); }),
              "Invalid identifier classification");
}

TEST_F(NameResolverTest, LocalResolutionKeepsOnlyTheProgramsOwnNames) {
    auto* program = factory.create<Program>(NodeKind::Program, 1, ProgramKind::Script);
    fe::nr::SymbolTable* table = fe::nr::SymbolTable::create(*program, factory);
    program->setSymbolTable(table);
    Identifier* variable = id(u"v", 1);
    Identifier* nested = id(u"n", 3);
    Identifier* local = id(u"l", 5);
    Identifier* external = id(u"e", 7);
    Identifier* unknown = id(u"u", 9);
    Identifier* linked = id(u"imported", 0);
    auto* words = factory.create<TextLiteral>(NodeKind::CharArrayLiteral, 11, u"imported");
    words->linked = linked;
    program->elements = factory.createList<Node>(
        {assign(variable, nested), assign(local, external), unknown, words});

    variable->classify(IdKind::VARIABLE, variable);
    variable->setMark(marks::kSharedVariable);
    nested->classify(IdKind::NESTED_FUNCTION, nested);
    local->classify(IdKind::LOCAL_FUNCTION, nullptr);
    external->classify(IdKind::EXTERNAL, external);
    external->setMarks(marks::kPackageImported | marks::kProducer);
    unknown->classify(IdKind::UNKNOWN, variable);
    linked->classify(IdKind::EXTERNAL, linked);

    fe::nr::clearNonLocalAnnotations(*program);

    EXPECT_EQ(variable->introducer(), variable);
    EXPECT_EQ(variable->marks(), marks::kSharedVariable);
    EXPECT_EQ(nested->idKind(), IdKind::NESTED_FUNCTION);
    EXPECT_EQ(local->idKind(), IdKind::LOCAL_FUNCTION);
    for (Identifier const* cleared : {external, unknown, linked}) {
        EXPECT_EQ(cleared->idKind(), IdKind::UNKNOWN);
        EXPECT_EQ(cleared->introducer(), nullptr);
    }
    EXPECT_EQ(external->marks(), marks::kProducer);  // the parser's mark stays
    EXPECT_EQ(words->linked, linked);
    EXPECT_EQ(program->symbolTable(), table);
}

}  // namespace
