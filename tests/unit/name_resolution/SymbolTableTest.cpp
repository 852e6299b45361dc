#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/name_resolution/SymbolTableListing.hpp"

namespace {

using namespace lf::astapi;
using fe::nr::SymbolTable;
using Classification = fe::nr::ISymbolTable::Classification;

class SymbolTableTest : public ::testing::Test {
  protected:
    FunctionDefinition* function(NodeList<Node> body = {}) {
        auto* node = factory.create<FunctionDefinition>(NodeKind::Function, 1);
        node->body = body;
        return node;
    }
    Identifier* id(std::u16string_view name, IdKind kind = IdKind::UNKNOWN) {
        Identifier* identifier = factory.createIdentifier(1, name);
        identifier->classify(kind, nullptr);
        return identifier;
    }
    Assignment* assign(Identifier* target, Expression* value) {
        auto* node = factory.create<Assignment>(NodeKind::Assignment, 1);
        node->target = target;
        node->value = value;
        return node;
    }
    std::vector<std::u16string_view> names(SymbolTable const& table) {
        std::vector<std::u16string_view> result;
        for (auto const* entry : entriesInNameOrder(table)) {
            result.push_back(entry->first);
        }
        return result;
    }

    fe::astapi::AstNodeFactory factory;
    Program* program = factory.create<Program>(NodeKind::Program, 1, ProgramKind::FunctionFile);
};

TEST_F(SymbolTableTest, LookupCountsScopesOutwards) {
    SymbolTable* root = SymbolTable::create(*program, factory);
    SymbolTable* outer = SymbolTable::createChild(*function(), *root);
    SymbolTable* inner = SymbolTable::createChild(*function(), *outer);
    root->addEntry(u"f", Classification(IdKind::LOCAL_FUNCTION));
    outer->addEntry(u"x", Classification(IdKind::VARIABLE));

    std::uint32_t depth = 99;
    Classification const* found = inner->lookup(u"f", &depth);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->kind, IdKind::LOCAL_FUNCTION);
    EXPECT_EQ(depth, 2u);
    EXPECT_EQ(inner->lookup(u"x", nullptr), outer->lookup(u"x", nullptr));
    EXPECT_EQ(inner->lookup(u"x", &depth)->kind, IdKind::VARIABLE);
    EXPECT_EQ(depth, 1u);
    EXPECT_EQ(inner->lookup(u"missing", &depth), nullptr);
    EXPECT_EQ(root->lookup(u"x", nullptr), nullptr);
}

TEST_F(SymbolTableTest, InnerEntryShadowsOuterOne) {
    SymbolTable* root = SymbolTable::create(*program, factory);
    SymbolTable* child = SymbolTable::createChild(*function(), *root);
    root->addEntry(u"x", Classification(IdKind::LOCAL_FUNCTION));
    child->addEntry(u"x", Classification(IdKind::VARIABLE));
    std::uint32_t depth = 99;
    EXPECT_EQ(child->lookup(u"x", &depth)->kind, IdKind::VARIABLE);
    EXPECT_EQ(depth, 0u);
}

TEST_F(SymbolTableTest, AddEntryKeepsTheFirstClassification) {
    SymbolTable* table = SymbolTable::create(*program, factory);
    Identifier* first = id(u"x");
    Classification* stored = table->addEntry(u"x", Classification(IdKind::VARIABLE, first));
    Classification* again = table->addEntry(u"x", Classification(IdKind::EXTERNAL));
    EXPECT_EQ(stored, again);
    EXPECT_EQ(*again, Classification(IdKind::VARIABLE, first));
    // The caller may change the entry through the pointer.
    again->kind = IdKind::NESTED_FUNCTION;
    EXPECT_EQ(table->ownEntry(u"x")->kind, IdKind::NESTED_FUNCTION);
    EXPECT_EQ(table->ownEntry(u"y"), nullptr);
}

TEST_F(SymbolTableTest, EntriesStayInPlaceAsTheTableGrows) {
    SymbolTable* root = SymbolTable::create(*program, factory);
    SymbolTable* table = SymbolTable::createChild(*function(), *root);
    // The table keeps views of the names: their buffers must not move.
    std::vector<std::u16string> names;
    names.reserve(1000);
    std::vector<Classification*> stored;
    for (int i = 0; i < 1000; ++i) {
        names.push_back(u"n" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) +
                        std::u16string(static_cast<std::size_t>(i / 26), u'_'));
        stored.push_back(table->addEntry(names.back(), Classification(IdKind::VARIABLE)));
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        // Found by text, whatever buffer the name comes in.
        std::u16string const copy = names[i];
        ASSERT_EQ(table->ownEntry(copy), stored[i]) << i;
        ASSERT_EQ(table->addEntry(copy, Classification(IdKind::EXTERNAL)), stored[i]) << i;
    }
    std::uint32_t depth = 99;
    EXPECT_EQ(table->lookup(u"na", &depth), stored[0]);
    EXPECT_EQ(depth, 0u);
    EXPECT_EQ(table->ownEntry(u"n"), nullptr);
    EXPECT_EQ(table->lookup(u"na_", nullptr), stored[26]);
    auto [entry, end] = table->entries();
    EXPECT_EQ(static_cast<std::size_t>(std::distance(entry, end)), names.size());
}

// A map copies its slots, whether they are still the ones held in the map
// or have moved to the heap: the copy answers alone once the original is gone.
TEST(NameMapTest, CopiesAreIndependentBeforeAndAfterGrowing) {
    for (int const size : {3, 8, 9, 100}) {
        std::vector<std::u16string> names;
        for (int i = 0; i < size; ++i) {
            names.push_back(u"v" + std::u16string(static_cast<std::size_t>(i + 1), u'x'));
        }
        auto original = std::make_unique<fe::nr::NameMap<int>>();
        for (int i = 0; i < size; ++i) {
            original->tryEmplace(names[static_cast<std::size_t>(i)], i);
        }
        fe::nr::NameMap<int> copy(*original);
        fe::nr::NameMap<int> assigned;
        assigned.tryEmplace(u"gone", -1);
        assigned = *original;
        *original->tryEmplace(names[0], 0).first = 42;
        original.reset();
        for (fe::nr::NameMap<int> const* map : {&copy, &assigned}) {
            ASSERT_EQ(map->size(), static_cast<std::size_t>(size));
            for (int i = 0; i < size; ++i) {
                int const* found = map->find(names[static_cast<std::size_t>(i)]);
                ASSERT_NE(found, nullptr) << size << ' ' << i;
                EXPECT_EQ(*found, i);
            }
            EXPECT_EQ(map->find(u"gone"), nullptr);
        }
    }
}

// The empty name, also as a view without a buffer, is a name like any other.
TEST(NameMapTest, EmptyNameIsAnEntry) {
    fe::nr::NameMap<int> map;
    EXPECT_EQ(map.find(std::u16string_view()), nullptr);
    EXPECT_TRUE(map.tryEmplace(std::u16string_view(), 7).second);
    EXPECT_FALSE(map.tryEmplace(u"", 8).second);
    ASSERT_NE(map.find(u""), nullptr);
    EXPECT_EQ(*map.find(u""), 7);
    EXPECT_EQ(map.size(), 1u);
}

TEST_F(SymbolTableTest, ListedEntriesShowLaterChanges) {
    SymbolTable* table = SymbolTable::create(*program, factory);
    Classification* stored = table->addEntry(u"x", Classification(IdKind::UNKNOWN));
    EXPECT_EQ(names(*table), (std::vector<std::u16string_view>{u"x"}));
    stored->kind = IdKind::VARIABLE;
    table->addEntry(u"w", Classification(IdKind::EXTERNAL));
    auto [entry, end] = table->entries();
    std::vector<std::pair<std::u16string_view, IdKind>> listed;
    for (; entry != end; ++entry) {
        listed.emplace_back(entry->first, entry->second.kind);
    }
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::pair<std::u16string_view, IdKind>>{
                          {u"w", IdKind::EXTERNAL}, {u"x", IdKind::VARIABLE}}));
}

TEST_F(SymbolTableTest, FindUseSearchesEnclosingScopesButNeverTheRoot) {
    SymbolTable* root = SymbolTable::create(*program, factory);
    SymbolTable* outer = SymbolTable::createChild(*function(), *root);
    SymbolTable* inner = SymbolTable::createChild(*function(), *outer);
    Identifier* rootUse = id(u"r");
    Identifier* firstUse = id(u"x");
    Classification const unknown(IdKind::UNKNOWN);
    root->addEntryWithUse(u"r", unknown, rootUse);
    Classification* stored = outer->addEntryWithUse(u"x", unknown, firstUse);
    EXPECT_EQ(outer->addEntryWithUse(u"x", Classification(IdKind::VARIABLE), id(u"x")), stored);
    EXPECT_EQ(stored->kind, IdKind::UNKNOWN);
    // An entry made without a use takes the first one recorded later.
    outer->addEntry(u"y", Classification(IdKind::VARIABLE));
    EXPECT_EQ(inner->findUse(u"y"), nullptr);
    Identifier* laterUse = id(u"y");
    outer->addEntryWithUse(u"y", unknown, laterUse);
    // An inner entry without a use leaves the search going outwards.
    inner->addEntry(u"x", Classification(IdKind::VARIABLE));

    EXPECT_EQ(root->findUse(u"r"), nullptr);
    EXPECT_EQ(inner->findUse(u"r"), nullptr);
    EXPECT_EQ(inner->findUse(u"x"), firstUse);
    EXPECT_EQ(inner->findUse(u"y"), laterUse);
    outer->discardIntroductionNodes();
    EXPECT_EQ(inner->findUse(u"x"), nullptr);
    EXPECT_NE(outer->ownEntry(u"x"), nullptr);
}

TEST_F(SymbolTableTest, NamesAreOrderedByCodeUnit) {
    SymbolTable* table = SymbolTable::create(*program, factory);
    // U+FF21 (one unit, 0xFF21) sorts after U+1D400 (surrogates 0xD835 0xDC00)
    // although its code point is smaller.
    std::u16string const fullwidth = u"\uFF21";
    std::u16string const surrogates = u"\U0001D400";
    std::u16string const latin = u"\u00E9";
    for (std::u16string_view name :
         {std::u16string_view(fullwidth), std::u16string_view(u"ab"), std::u16string_view(u"a"),
          std::u16string_view(surrogates), std::u16string_view(latin), std::u16string_view(u"B"),
          std::u16string_view(u"")}) {
        table->addEntry(name, Classification(IdKind::VARIABLE));
    }
    EXPECT_EQ(names(*table), (std::vector<std::u16string_view>{u"", u"B", u"a", u"ab", latin,
                                                               surrogates, fullwidth}));
}

TEST_F(SymbolTableTest, OuterNamesComeFromTheScopesOwnCodeOnce) {
    // function ... y = g; function nested ... h ... end; end
    auto* nested =
        function(factory.createList<Node>({assign(id(u"z"), id(u"h", IdKind::EXTERNAL))}));
    FunctionDefinition* outerFunction = function(factory.createList<Node>(
        {assign(id(u"y", IdKind::VARIABLE), id(u"g", IdKind::EXTERNAL)), id(u"u"), nested}));
    SymbolTable* root = SymbolTable::create(*program, factory);
    SymbolTable* table = SymbolTable::createChild(*outerFunction, *root);
    table->addEntry(u"y", Classification(IdKind::VARIABLE));

    EXPECT_TRUE(table->usesOuterName(u"g"));
    EXPECT_FALSE(table->usesOuterName(u"y"));  // defined here
    EXPECT_FALSE(table->usesOuterName(u"u"));  // unclassified
    EXPECT_FALSE(table->usesOuterName(u"h"));  // only in the nested function
    // Gathered once: later entries and classifications change nothing.
    table->addEntry(u"g", Classification(IdKind::VARIABLE));
    static_cast<Assignment*>(outerFunction->body[0])->target->classify(IdKind::EXTERNAL, nullptr);
    EXPECT_TRUE(table->usesOuterName(u"g"));
}

TEST_F(SymbolTableTest, AnonymousFunctionScopeWalksItsBody) {
    auto* anonymous = factory.create<AnonymousFunction>(NodeKind::AnonymousFunction, 1);
    anonymous->body = id(u"k", IdKind::VARIABLE);
    SymbolTable* root = SymbolTable::create(*program, factory);
    SymbolTable* table = SymbolTable::createChild(*anonymous, *root);
    EXPECT_TRUE(table->usesOuterName(u"k"));
    EXPECT_EQ(table->node(), anonymous);
}

TEST_F(SymbolTableTest, RootDiesWithTheTreeAndTakesItsChildren) {
    // LeakSanitizer reports a table the allocator fails to delete, and
    // AddressSanitizer one deleted twice.
    auto local = std::make_unique<fe::astapi::AstNodeFactory>();
    auto* scope = local->create<Program>(NodeKind::Program, 1, ProgramKind::Script);
    SymbolTable* root = SymbolTable::create(*scope, *local);
    SymbolTable* child = SymbolTable::createChild(*scope, *root);
    SymbolTable::createChild(*scope, *child);
    SymbolTable::createChild(*scope, *root);
    EXPECT_EQ(root->childTables().size(), 2u);
    EXPECT_EQ(child->parentTable(), root);
    EXPECT_FALSE(root->isMarked());
    child->mark();
    EXPECT_TRUE(child->isMarked());
    local.reset();
}

TEST_F(SymbolTableTest, ListingIndentsNestedScopes) {
    Identifier* imported = id(u"pkg");
    imported->setMark(marks::kPackageImported);
    SymbolTable* root = SymbolTable::create(*program, factory);
    root->addEntry(u"main", Classification(IdKind::LOCAL_FUNCTION));
    SymbolTable* first = SymbolTable::createChild(*function(), *root);
    first->addEntry(u"x", Classification(IdKind::VARIABLE));
    first->addEntry(u"pkg", Classification(IdKind::EXTERNAL, imported));
    SymbolTable::createChild(*function(), *first)
        ->addEntry(u"\u00E9", Classification(IdKind::UNKNOWN));
    SymbolTable::createChild(*function(), *root)
        ->addEntry(u"n", Classification(IdKind::NESTED_FUNCTION));

    std::ostringstream out;
    fe::nr::listSymbolTable(*root, out);
    EXPECT_EQ(out.str(),
              "[program]\n"
              "main : LOCAL_FUNCTION\n"
              " [function]\n"
              " pkg : EXTERNAL(Package Imported)\n"
              " x : VARIABLE\n"
              "  [function]\n"
              "  \xC3\xA9 : UNKNOWN\n"
              " [function]\n"
              " n : NESTED_FUNCTION\n");
    std::ostringstream dump;
    fe::nr::dumpSymbolTable(root, dump);
    EXPECT_TRUE(dump.str().empty());
}

}  // namespace
