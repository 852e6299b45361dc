#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "AllocationCounter.hpp"
#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/astapi/AstRewriter.hpp"

namespace {

using namespace lf::astapi;
using fe::astapi::AstDispatcher;
using fe::astapi::AstNodeFactory;
using fe::astapi::FieldVisitor;
using fe::astapi::NodeField;

// Records every node the default walk reaches, as "Kind" or "Kind:name".
class KindRecorder : public AstDispatcher<KindRecorder, fe::astapi::KorvexTree, fe::astapi::Const> {
  public:
    void visit(Identifier const& id) {
        trace.push_back(std::string("Identifier:") +
                        std::string(id.name().begin(), id.name().end()));
    }
    void visit(BinaryOperation const& op) {
        trace.push_back(operatorText(op.op));
        walkChildren(op);
    }
    void visit(Index const& index) {
        trace.push_back(nodeKindName(index.kind()));
        walkChildren(index);
    }
    std::vector<std::string> trace;
};

class DispatcherTest : public ::testing::Test {
  protected:
    Identifier* id(char16_t const* name, std::uint32_t position = 1) {
        return factory.createIdentifier(position, name);
    }
    BinaryOperation* add(Expression* left, Expression* right) {
        auto* op =
            factory.create<BinaryOperation>(NodeKind::BinaryOperation, 1, BinaryOperator::Add);
        op->left = left;
        op->right = right;
        return op;
    }
    AstNodeFactory factory;
};

TEST_F(DispatcherTest, WalksChildrenInFieldOrderSkippingAbsentLinks) {
    auto* call = factory.create<Index>(NodeKind::ParenIndex, 1);
    call->head = id(u"f");
    call->arguments = factory.createList<Expression>({id(u"a"), add(id(u"b"), id(u"c"))});
    auto* range = factory.create<Range>(NodeKind::Range, 1);  // no step
    range->start = call;
    range->stop = id(u"n");

    KindRecorder recorder;
    recorder.dispatch(*range);
    EXPECT_EQ(recorder.trace,
              (std::vector<std::string>{"ParenIndex", "Identifier:f", "Identifier:a", "+",
                                        "Identifier:b", "Identifier:c", "Identifier:n"}));
}

TEST_F(DispatcherTest, HandledNodeHidesItsChildren) {
    struct StopsAtCalls : AstDispatcher<StopsAtCalls> {
        void visit(Index&) { ++calls; }
        void visit(Identifier&) { ++identifiers; }
        int calls = 0;
        int identifiers = 0;
    } visitor;
    auto* call = factory.create<Index>(NodeKind::ParenIndex, 1);
    call->head = id(u"f");
    call->arguments = factory.createList<Expression>({id(u"x")});
    visitor.dispatch(*add(call, id(u"y")));
    EXPECT_EQ(visitor.calls, 1);
    EXPECT_EQ(visitor.identifiers, 1);
}

TEST_F(DispatcherTest, KindBytesOutsideTheTableStopTheWalk) {
    for (std::uint8_t byte : {0, 67, 255}) {
        auto* bad = id(u"x");
        bad->overwriteKindByteForTesting(byte);
        KindRecorder recorder;
        try {
            recorder.dispatch(*add(id(u"a"), bad));
            FAIL() << "no error for kind byte " << int(byte);
        } catch (std::logic_error const& error) {
            EXPECT_STREQ(error.what(), "Unhandled node kind encountered in AstDispatcher");
        }
    }
}

struct ExtensionWithChildren final : ExtensionNode {
    ExtensionWithChildren(NodeKind kind, std::uint32_t position, std::uint32_t tag,
                          std::vector<Node*> children)
        : ExtensionNode(kind, position, tag), children(std::move(children)) {}
    Node* child(std::uint32_t index) const override {
        return index < children.size() ? children[index] : nullptr;
    }
    std::vector<Node*> children;
};

TEST_F(DispatcherTest, ExtensionNodeChildrenAreAskedByIndex) {
    auto* empty =
        factory.create<ExtensionWithChildren>(NodeKind::Extension, 1, 7, std::vector<Node*>{});
    auto* full = factory.create<ExtensionWithChildren>(NodeKind::Extension, 1, 7,
                                                       std::vector<Node*>{id(u"p"), id(u"q")});
    KindRecorder recorder;
    recorder.dispatch(*empty);
    EXPECT_TRUE(recorder.trace.empty());
    recorder.dispatch(*full);
    EXPECT_EQ(recorder.trace, (std::vector<std::string>{"Identifier:p", "Identifier:q"}));
    EXPECT_THROW(
        factory.create<ExtensionWithChildren>(NodeKind::Identifier, 1, 7, std::vector<Node*>{}),
        std::invalid_argument);
}

// Replaces every identifier named "old" by a new identifier "new", through
// the slot that holds it.
class Renamer : public FieldVisitor<Renamer> {
  public:
    explicit Renamer(AstNodeFactory& factory) : rewriter(factory) {}
    void traverse(Identifier& id, NodeField<Expression> field) {
        if (id.name() == u"old") {
            rewriter.replace<Expression>(
                field, *rewriter.factory().createIdentifier(id.position(), u"new"));
        }
    }
    fe::astapi::AstRewriter rewriter;
};

TEST_F(DispatcherTest, FieldVisitorReplacesNodesThroughTheirSlots) {
    auto* sum = add(id(u"old"), id(u"keep"));
    auto* program = factory.create<Program>(NodeKind::Program, 1, ProgramKind::Script);
    program->elements = factory.createList<Node>({sum});
    Renamer(factory).dispatch(*program);
    EXPECT_EQ(static_cast<Identifier*>(sum->left)->name(), u"new");
    EXPECT_EQ(static_cast<Identifier*>(sum->right)->name(), u"keep");
}

TEST_F(DispatcherTest, FieldHoldingANodeOfTheWrongClassIsAnInternalError) {
    struct Walker : FieldVisitor<Walker> {
    } walker;
    auto* declaration = factory.create<Declaration>(NodeKind::Global, 1);
    // A field declared to hold identifiers that holds an operation instead.
    auto* wrong = static_cast<Identifier*>(static_cast<Node*>(add(id(u"a"), id(u"b"))));
    declaration->names = factory.createList<Identifier>({id(u"g"), wrong});
    try {
        walker.dispatch(*declaration);
        FAIL();
    } catch (std::logic_error const& error) {
        EXPECT_STREQ(error.what(),
                     "Unreachable: traverse(T, NodeField<S>) where T is not a subtype of S");
    }
}

TEST_F(DispatcherTest, WalkingALargeTreeAllocatesNothing) {
    // 25,000 statements `x = a + b`: 100,000 nodes under the program.
    std::vector<Node*> statements;
    for (int i = 0; i < 25000; ++i) {
        auto* assignment = factory.create<Assignment>(NodeKind::Assignment, 1);
        assignment->target = id(u"x");
        assignment->value = add(id(u"a"), id(u"b"));
        statements.push_back(assignment);
    }
    auto* program = factory.create<Program>(NodeKind::Program, 1, ProgramKind::Script);
    program->elements = factory.createList<Node>(statements);

    struct Counter : FieldVisitor<Counter> {
        void visit(Identifier&) { ++identifiers; }
        std::size_t identifiers = 0;
    } counter;
    std::size_t before = korvex::testing::allocationCount();
    counter.dispatch(*program);
    std::size_t after = korvex::testing::allocationCount();
    EXPECT_EQ(counter.identifiers, 75000u);
    EXPECT_EQ(after - before, 0u);
}

// Walks far deeper than a thread's stack holds continue on fresh stack
// segments: a left-deep chain `a0 + a1 + ... + aN` as code generators write.
class DeepChainTest : public DispatcherTest {
  protected:
    static constexpr std::size_t kTerms = 200000;

    Expression* chain(char16_t const* first = u"a0") {
        Expression* sum = id(first);
        for (std::size_t i = 1; i < kTerms; ++i) {
            sum = add(sum, id(u"a"));
        }
        return sum;
    }

    // Runs `walk` on a thread of its own, with the default stack size.
    template <class Walk>
    static void onThread(Walk walk) {
        std::thread(walk).join();
    }
};

TEST_F(DeepChainTest, ReadOnlyWalkReachesEveryNodeInOrder) {
    Expression* sum = chain();
    KindRecorder recorder;
    onThread([&] { recorder.dispatch(*sum); });
    ASSERT_EQ(recorder.trace.size(), 2 * kTerms - 1);
    EXPECT_EQ(recorder.trace[kTerms - 2], "+");
    EXPECT_EQ(recorder.trace[kTerms - 1], "Identifier:a0");
    EXPECT_EQ(recorder.trace.back(), "Identifier:a");
}

TEST_F(DeepChainTest, FieldVisitorReplacesTheDeepestNode) {
    Expression* sum = chain(u"old");
    Renamer renamer(factory);
    onThread([&] { renamer.dispatch(*sum); });
    Expression* bottom = sum;
    while (auto* operation = nodeAs<BinaryOperation>(bottom)) {
        bottom = operation->left;
    }
    EXPECT_EQ(static_cast<Identifier*>(bottom)->name(), u"new");
}

TEST_F(DeepChainTest, ErrorsFromTheDepthReachTheCaller) {
    struct Thrower : AstDispatcher<Thrower> {
        void visit(Identifier& identifier) {
            if (identifier.name() == u"a0") {
                throw std::runtime_error("found the first term");
            }
        }
    } thrower;
    Expression* sum = chain();
    std::string caught;
    onThread([&] {
        try {
            thrower.dispatch(*sum);
        } catch (std::runtime_error const& error) {
            caught = error.what();
        }
    });
    EXPECT_EQ(caught, "found the first term");
}

}  // namespace
