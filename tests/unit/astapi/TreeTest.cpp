#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "front_end/astapi/Annotations.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/astapi/ImportCommandView.hpp"

namespace {

using namespace lf::astapi;
using fe::astapi::AstNodeFactory;

TEST(AllocatorTest, InternedNamesShareStorage) {
    AstNodeAllocator allocator;
    std::u16string first = u"alpha";
    auto a = allocator.intern(first);
    first[0] = u'X';  // the interned copy does not follow the source
    auto b = allocator.intern(u"alpha");
    EXPECT_EQ(a, u"alpha");
    EXPECT_EQ(a.data(), b.data());
    EXPECT_EQ(allocator.intern(u"").size(), 0u);
}

TEST(AllocatorTest, InternedNamesKeepTheirIdentityWhileTheTableGrows) {
    AstNodeAllocator allocator;
    std::vector<std::u16string> texts;
    std::vector<std::u16string_view> first;
    for (int i = 0; i < 5000; ++i) {
        // Names of every length from 1 to 12, so that each tail length is hashed.
        std::string const number = std::to_string(i);
        texts.push_back(std::u16string(1 + i % 12, u'a') + u"_" +
                        std::u16string(number.begin(), number.end()));
        first.push_back(allocator.intern(texts.back()));
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto const again = allocator.intern(texts[i]);
        ASSERT_EQ(again, texts[i]);
        ASSERT_EQ(again.data(), first[i].data()) << i;
    }
}

// Blocks of a dead tree are kept for the next tree of the thread. A tree may
// die on another thread than the one that made it, or on a thread that is
// ending, after the blocks it keeps are gone.
// A name interned from ASCII bytes is the one interned from UTF-16, in
// either order and while the table grows in between.
TEST(AllocatorTest, NamesInternedFromAsciiMeetNamesFromUtf16) {
    AstNodeAllocator allocator;
    std::vector<std::u16string_view> fromUnits;
    for (int i = 0; i < 1000; ++i) {
        std::string const name = "name_" + std::to_string(i * 7919);
        if (i % 2 == 0) {
            fromUnits.push_back(allocator.intern(std::u16string(name.begin(), name.end())));
        } else {
            fromUnits.push_back(allocator.internAscii(name));
        }
    }
    for (int i = 0; i < 1000; ++i) {
        std::string const name = "name_" + std::to_string(i * 7919);
        std::u16string_view const units =
            i % 2 == 0 ? allocator.internAscii(name)
                       : allocator.intern(std::u16string(name.begin(), name.end()));
        EXPECT_EQ(units, std::u16string(name.begin(), name.end()));
        EXPECT_EQ(units.data(), fromUnits[i].data()) << name;
    }
}

TEST(AllocatorTest, TreesDieOnAnyThreadAndWhileThreadsEnd) {
    auto fill = [](AstNodeAllocator& allocator) {
        for (int i = 0; i < 20000; ++i) {
            *static_cast<int*>(allocator.allocate(sizeof(int), alignof(int))) = i;
        }
    };
    auto madeHere = std::make_unique<AstNodeAllocator>();
    fill(*madeHere);
    std::thread([&] {
        // Made before the thread keeps any block, so destroyed after them.
        thread_local std::optional<AstNodeAllocator> diesAtThreadEnd;
        madeHere.reset();
        diesAtThreadEnd.emplace();
        fill(*diesAtThreadEnd);
        AstNodeAllocator reusing;
        fill(reusing);
    }).join();
    AstNodeAllocator next;
    fill(next);
    EXPECT_EQ(next.bytesAllocated(), 20000 * sizeof(int));
}

TEST(AllocatorTest, LargeRequestsAndCleanupsNewestFirst) {
    std::vector<int> order;
    {
        AstNodeAllocator allocator;
        void* big = allocator.allocate(1 << 20, 16);
        void* small = allocator.allocate(8, 8);
        EXPECT_NE(big, small);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(big) % 16, 0u);
        allocator.addCleanup([&] { order.push_back(1); });
        allocator.addCleanup([&] { order.push_back(2); });
    }
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
}

TEST(FactoryTest, RefusesAKindOfAnotherClass) {
    AstNodeFactory factory;
    EXPECT_THROW(factory.create<Index>(NodeKind::FieldAccess, 1), std::invalid_argument);
    EXPECT_EQ(factory.create<Index>(NodeKind::BraceIndex, 3)->position(), 3u);
}

TEST(FactoryTest, IdentifiersCacheTheirSpecialName) {
    AstNodeFactory factory;
    EXPECT_EQ(factory.createIdentifier(1, u"varargin")->specialName(), SpecialName::Varargin);
    EXPECT_EQ(static_cast<int>(factory.createIdentifier(1, u"varargout")->specialName()), 42);
    EXPECT_EQ(factory.createIdentifier(1, u"vararg")->specialName(), SpecialName::None);
}

TEST(FactoryTest, StaticImportsLiveAsLongAsTheAllocator) {
    auto owner = std::make_shared<int>(0);
    {
        AstNodeFactory factory;
        auto* program = factory.create<Program>(NodeKind::Program, 1, ProgramKind::Script);
        // An import list stand-in that shares ownership with `owner`.
        std::shared_ptr<lf::import::IImportList const> imports(owner, nullptr);
        program->setStaticImports(imports, *factory.allocator());
        imports.reset();
        EXPECT_EQ(owner.use_count(), 2);
        EXPECT_EQ(program->staticImports().use_count(), 3);
    }
    EXPECT_EQ(owner.use_count(), 1);
}

TEST(AnnotationsTest, ClearingKeepsOnlyTheProducerMark) {
    AstNodeFactory factory;
    auto* target = factory.createIdentifier(1, u"x");
    auto* value = factory.createIdentifier(5, u"y");
    auto* assignment = factory.create<Assignment>(NodeKind::Assignment, 1);
    assignment->target = target;
    assignment->value = value;
    auto* function = factory.create<FunctionDefinition>(NodeKind::Function, 1);
    function->body = factory.createList<Node>({assignment});
    function->setSymbolTable(reinterpret_cast<fe::nr::ISymbolTable*>(function));

    target->classify(IdKind::VARIABLE, target);
    target->setMarks(marks::kProducer | marks::kWholeAssigned | marks::kSharedVariable);
    value->classify(IdKind::EXTERNAL, value);
    fe::astapi::clearNameResolutionAnnotations(*function);

    EXPECT_EQ(target->idKind(), IdKind::UNKNOWN);
    EXPECT_EQ(target->introducer(), nullptr);
    EXPECT_EQ(target->marks(), marks::kProducer);
    EXPECT_EQ(value->idKind(), IdKind::UNKNOWN);
    EXPECT_EQ(function->symbolTable(), nullptr);
}

TEST(NodeKindTest, NamesPrintAndUnknownBytesAreShownAsNumbers) {
    std::ostringstream out;
    out << NodeKind::Function << ' ' << NodeKind::Spmd << ' ' << static_cast<NodeKind>(67);
    EXPECT_EQ(out.str(), "Function Spmd NodeKind(67)");
    EXPECT_TRUE(isKindOf<FunctionDefinition>(NodeKind::MethodSignature));
    EXPECT_FALSE(isKindOf<FunctionDefinition>(NodeKind::Program));
}

TEST(ImportCommandViewTest, RefusesOtherStatements) {
    AstNodeFactory factory;
    auto* global = factory.create<Declaration>(NodeKind::Global, 1);
    try {
        ImportCommandView view(*global);
        FAIL();
    } catch (std::logic_error const& error) {
        EXPECT_STREQ(error.what(), "ImportCommandView type is expected in the downcast argument.");
    }
    auto* import = factory.create<ImportStatement>(NodeKind::Import, 1);
    import->arguments = factory.createList<TextLiteral>(
        {factory.create<TextLiteral>(NodeKind::CharArrayLiteral, 8, factory.intern(u"p.*"))});
    ImportCommandView view(*import);
    ASSERT_EQ(view.argumentCount(), 1u);
    EXPECT_EQ(view.argument(0).text, u"p.*");
}

}  // namespace
