// The symbol table of one scope, its lookups outwards and the first uses it
// records for the nested-scope check.

#include "front_end/name_resolution/SymbolTable.hpp"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "front_end/astapi/AstDispatcher.hpp"

namespace fe::nr {
namespace {

using namespace lf::astapi;

// Gathers the names that a scope's own code classifies without defining
// them. Nested functions are scopes of their own and are not entered.
class OuterNameCollector
    : public fe::astapi::AstDispatcher<OuterNameCollector, fe::astapi::KorvexTree,
                                       fe::astapi::Const> {
  public:
    using Names = std::unordered_set<std::u16string_view>;

    OuterNameCollector(SymbolTable const& table, Names& outerNames)
        : table_(table), outerNames_(outerNames) {}

    void visit(Identifier const& identifier) {
        if (identifier.idKind() != IdKind::UNKNOWN &&
            table_.ownEntry(identifier.name()) == nullptr) {
            outerNames_.insert(identifier.name());
        }
    }
    void visit(FunctionDefinition const&) {}

    template <class T>
    void walkAll(NodeList<T> const& nodes) {
        for (T const* node : nodes) {
            dispatch(*node);
        }
    }

  private:
    SymbolTable const& table_;
    Names& outerNames_;
};

}  // namespace

SymbolTable* SymbolTable::create(Node const& scopeNode, fe::astapi::AstNodeFactory& factory) {
    auto table = std::unique_ptr<SymbolTable>(new SymbolTable(scopeNode, true, nullptr));
    std::shared_ptr<AstNodeAllocator> allocator = factory.allocator();
    allocator->addCleanup([root = table.get()] { delete root; });
    return table.release();
}

SymbolTable* SymbolTable::createChild(Node const& scopeNode, SymbolTable& parent) {
    auto table = std::unique_ptr<SymbolTable>(new SymbolTable(scopeNode, false, &parent));
    parent.children.push_back(table.get());
    return table.release();
}

SymbolTable::~SymbolTable() {
    for (SymbolTable* child : children) {
        delete child;
    }
}

SymbolTable::Entry* SymbolTable::find(std::u16string_view name, std::size_t hash) const {
    Entry* const* found = index.find(name, hash);
    return found != nullptr ? *found : nullptr;
}

SymbolTable::Entry& SymbolTable::findOrAdd(std::u16string_view name,
                                           Classification const& classification) {
    auto [stored, added] = index.tryEmplace(name, nullptr);
    if (!added) {
        return **stored;
    }
    if (firstEntries.size() < kInlineEntries) {
        *stored = &firstEntries.emplace_back(Entry{name, classification});
        return **stored;
    }
    if (laterEntries.empty() || laterEntries.back().size() == laterEntries.back().capacity()) {
        std::size_t const capacity =
            laterEntries.empty() ? 2 * kInlineEntries : 2 * laterEntries.back().capacity();
        laterEntries.emplace_back().reserve(capacity);
    }
    *stored = &laterEntries.back().emplace_back(Entry{name, classification});
    return **stored;
}

ISymbolTable::Classification const* SymbolTable::lookup(std::u16string_view name,
                                                        std::uint32_t* depth) const {
    std::size_t const hash = hashName(name);
    std::uint32_t scopesOut = 0;
    for (SymbolTable const* scope = this;; scope = scope->parent, ++scopesOut) {
        if (Entry const* found = scope->find(name, hash)) {
            if (depth != nullptr) {
                *depth = scopesOut;
            }
            return &found->classification;
        }
        if (scope->isRoot) {
            return nullptr;
        }
    }
}

ISymbolTable::Classification const* SymbolTable::ownEntry(std::u16string_view name) const {
    Entry const* found = find(name, hashName(name));
    return found != nullptr ? &found->classification : nullptr;
}

bool SymbolTable::usesOuterName(std::u16string_view name) const {
    if (!outerNamesCollected) {
        collectOuterNames();
        outerNamesCollected = true;
    }
    return outerNames.contains(name);
}

void SymbolTable::collectOuterNames() const {
    OuterNameCollector collector(*this, outerNames);
    if (auto const* program = nodeAs<Program>(scopeNode)) {
        collector.walkAll(program->elements);
    } else if (auto const* function = nodeAs<FunctionDefinition>(scopeNode)) {
        collector.walkAll(function->body);
    } else if (auto const* anonymous = nodeAs<AnonymousFunction>(scopeNode)) {
        if (anonymous->body != nullptr) {
            collector.dispatch(*anonymous->body);
        }
    }
}

ISymbolTable::Classification* SymbolTable::addEntry(std::u16string_view name,
                                                    Classification const& classification) {
    return &findOrAdd(name, classification).classification;
}

ISymbolTable::Classification* SymbolTable::addEntryWithUse(std::u16string_view name,
                                                           Classification const& classification,
                                                           Node const* use) {
    Entry& entry = findOrAdd(name, classification);
    if (entry.firstUse == nullptr) {
        entry.firstUse = use;
    }
    return &entry.classification;
}

void SymbolTable::discardIntroductionNodes() {
    forEachEntry(*this, [](Entry& entry) { entry.firstUse = nullptr; });
}

Node const* SymbolTable::findUse(std::u16string_view name) const {
    std::size_t const hash = hashName(name);
    for (SymbolTable const* scope = this; !scope->isRoot; scope = scope->parent) {
        Entry const* found = scope->find(name, hash);
        if (found != nullptr && found->firstUse != nullptr) {
            return found->firstUse;
        }
    }
    return nullptr;
}

void SymbolTable::reattachTo(SymbolTable& newParent) {
    if (parent == nullptr) {
        throw std::logic_error("only a child symbol table can be reattached");
    }
    parent->children.erase(std::find(parent->children.begin(), parent->children.end(), this));
    newParent.children.push_back(this);
    parent = &newParent;
}

void SymbolTable::discardFirstChild() {
    if (!children.empty()) {
        std::unique_ptr<SymbolTable> const first(children.front());
        children.erase(children.begin());
    }
}

}  // namespace fe::nr
