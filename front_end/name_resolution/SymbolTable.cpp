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

    OuterNameCollector(ISymbolTable::EntryMap const& ownEntries, Names& outerNames)
        : ownEntries_(ownEntries), outerNames_(outerNames) {}

    void visit(Identifier const& identifier) {
        if (identifier.idKind() != IdKind::UNKNOWN && !ownEntries_.contains(identifier.name())) {
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
    ISymbolTable::EntryMap const& ownEntries_;
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

ISymbolTable::Classification const* SymbolTable::lookup(std::u16string_view name,
                                                        std::uint32_t* depth) const {
    if (auto found = entryMap.find(name); found != entryMap.end()) {
        if (depth != nullptr) {
            *depth = 0;
        }
        return &found->second;
    }
    if (isRoot) {
        return nullptr;
    }
    Classification const* outer = parent->lookup(name, depth);
    if (outer != nullptr && depth != nullptr) {
        ++*depth;
    }
    return outer;
}

ISymbolTable::Classification const* SymbolTable::ownEntry(std::u16string_view name) const {
    auto found = entryMap.find(name);
    return found != entryMap.end() ? &found->second : nullptr;
}

bool SymbolTable::usesOuterName(std::u16string_view name) const {
    if (!outerNamesCollected) {
        collectOuterNames();
        outerNamesCollected = true;
    }
    return outerNames.contains(name);
}

void SymbolTable::collectOuterNames() const {
    OuterNameCollector collector(entryMap, outerNames);
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
    return &entryMap.try_emplace(name, classification).first->second;
}

SymbolTable::MutableEntryIterator SymbolTable::findEntry(std::u16string_view name) {
    return entryMap.find(name);
}

void SymbolTable::recordUse(std::u16string_view name, Node const* use) {
    introductionNodes.try_emplace(name, use);
}

Node const* SymbolTable::findUse(std::u16string_view name) const {
    if (isRoot) {
        return nullptr;
    }
    if (auto found = introductionNodes.find(name); found != introductionNodes.end()) {
        return found->second;
    }
    return parent->findUse(name);
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
