// The symbol table of one scope, its lookups outwards and the first uses it
// records for the nested-scope check.

#include "front_end/name_resolution/SymbolTable.hpp"

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

std::size_t SymbolTable::hashOf(std::u16string_view name) {
    // FNV-1a over the code units: names are short, and one hash serves every
    // scope a lookup passes through.
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (char16_t const unit : name) {
        hash = (hash ^ unit) * 0x100000001b3u;
    }
    return static_cast<std::size_t>(hash);
}

SymbolTable::Entry* SymbolTable::find(std::u16string_view name, std::size_t hash) const {
    if (index.empty()) {
        return nullptr;
    }
    std::size_t const mask = index.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        Entry* entry = index[slot];
        if (entry == nullptr) {
            return nullptr;
        }
        if (entry->hash == hash && entry->name == name) {
            return entry;
        }
    }
}

SymbolTable::Entry& SymbolTable::emplace(std::u16string_view name, std::size_t hash,
                                         Classification const& classification) {
    if (entryBlocks.empty() || entryBlocks.back().size() == entryBlocks.back().capacity()) {
        std::size_t const capacity = entryBlocks.empty() ? 8 : 2 * entryBlocks.back().capacity();
        entryBlocks.emplace_back().reserve(capacity);
    }
    Entry& entry = entryBlocks.back().emplace_back(Entry{name, hash, classification});
    ++entryCount;
    if (2 * entryCount > index.size()) {
        growIndex();
    } else {
        std::size_t const mask = index.size() - 1;
        std::size_t slot = hash & mask;
        while (index[slot] != nullptr) {
            slot = (slot + 1) & mask;
        }
        index[slot] = &entry;
    }
    return entry;
}

void SymbolTable::growIndex() {
    index.assign(index.empty() ? 16 : 2 * index.size(), nullptr);
    std::size_t const mask = index.size() - 1;
    for (std::vector<Entry>& block : entryBlocks) {
        for (Entry& entry : block) {
            std::size_t slot = entry.hash & mask;
            while (index[slot] != nullptr) {
                slot = (slot + 1) & mask;
            }
            index[slot] = &entry;
        }
    }
}

ISymbolTable::Classification const* SymbolTable::lookup(std::u16string_view name,
                                                        std::uint32_t* depth) const {
    std::size_t const hash = hashOf(name);
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
    Entry const* found = find(name, hashOf(name));
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
    std::size_t const hash = hashOf(name);
    Entry* found = find(name, hash);
    return &(found != nullptr ? *found : emplace(name, hash, classification)).classification;
}

ISymbolTable::Classification* SymbolTable::addEntryWithUse(std::u16string_view name,
                                                           Classification const& classification,
                                                           Node const* use) {
    std::size_t const hash = hashOf(name);
    Entry* found = find(name, hash);
    Entry& entry = found != nullptr ? *found : emplace(name, hash, classification);
    if (entry.firstUse == nullptr) {
        entry.firstUse = use;
    }
    return &entry.classification;
}

void SymbolTable::discardIntroductionNodes() {
    for (std::vector<Entry>& block : entryBlocks) {
        for (Entry& entry : block) {
            entry.firstUse = nullptr;
        }
    }
}

Node const* SymbolTable::findUse(std::u16string_view name) const {
    std::size_t const hash = hashOf(name);
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
    std::erase(parent->children, this);
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
