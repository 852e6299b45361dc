// The tables of anonymous functions. A table is made before the body is
// resolved, as a child of the enclosing scope's table, so that lookups from
// the body start at its inputs and still reach every enclosing scope. Only
// after the body is resolved are the entries it captured copied in, and only
// then may the table move under the nearest root: moving it earlier would cut
// the body off from the scopes in between while it is being classified.

#include "front_end/name_resolution/AnonymousFunctionFinalizer.hpp"

#include <cstdint>
#include <stdexcept>

#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/name_resolution/FunctionResolver.hpp"

namespace fe::nr {
namespace {

using namespace lf::astapi;
using Classification = ISymbolTable::Classification;

void checkInputIsNamedOrIgnored(InputArgument const& input) {
    if (input.identifier == nullptr && input.ignored == nullptr) {
        throw std::logic_error("InputArgument has neither an Identifier nor an Ignored");
    }
}

// Hands every identifier of a subtree to `OnIdentifier`, without entering
// nested anonymous functions: their tables were finished when they were
// resolved.
template <class OnIdentifier>
class CapturedNameVisitor
    : public fe::astapi::AnnotatedAstVisitor<CapturedNameVisitor<OnIdentifier>> {
  public:
    explicit CapturedNameVisitor(OnIdentifier onIdentifier) : onIdentifier_(onIdentifier) {}

    void visit(Identifier const& identifier) { onIdentifier_(identifier); }
    void visit(AnonymousFunction const&) {}

  private:
    OnIdentifier onIdentifier_;
};

SymbolTable& nearestRoot(SymbolTable& table) {
    SymbolTable* root = &table;
    while (!root->isRootTable()) {
        root = root->parentTable();
    }
    return *root;
}

}  // namespace

SymbolTable* createAnonymousFunctionTable(AnonymousFunction& function, SymbolTable& parent) {
    SymbolTable* table = SymbolTable::createChild(function, parent);
    for (InputArgument const* input : function.inputs) {
        checkInputIsNamedOrIgnored(*input);
    }
    rejectRepeatedInputs(function.inputs);
    for (InputArgument* input : function.inputs) {
        if (Identifier* name = input->identifier) {
            table->addEntry(name->name(), Classification(IdKind::VARIABLE, name));
            name->classify(IdKind::VARIABLE, name);
        }
    }
    return table;
}

void finalizeAnonymousFunctionTable(AnonymousFunction const& function, SymbolTable& table) {
    SymbolTable& attachmentPoint = nearestRoot(table);
    if (function.body != nullptr) {
        CapturedNameVisitor copyCaptured([&table](Identifier const& identifier) {
            if (identifier.idKind() == IdKind::LOCAL_FUNCTION) {
                return;
            }
            std::uint32_t depth = 0;
            Classification const* found = table.lookup(identifier.name(), &depth);
            if (found != nullptr && depth > 0) {
                table.addEntry(identifier.name(), *found);
            }
        });
        copyCaptured.dispatch(*function.body);
    }
    if (&attachmentPoint != &table) {
        table.reattachTo(attachmentPoint);
    }
    table.mark();
}

SymbolTable* buildAnonymousFunctionTableForEval(fe::astapi::AstNodeFactory& factory,
                                                AnonymousFunction const& function,
                                                SymbolTable& provisionalTable) {
    SymbolTable* table = SymbolTable::create(function, factory);
    CapturedNameVisitor copyKnown([&](Identifier const& identifier) {
        Classification const* found = provisionalTable.lookup(identifier.name(), nullptr);
        if (found != nullptr) {
            table->addEntry(identifier.name(), *found);
        }
    });
    for (InputArgument const* input : function.inputs) {
        copyKnown.dispatch(*input);
    }
    if (function.body != nullptr) {
        copyKnown.dispatch(*function.body);
    }
    // Anonymous functions are walked one at a time and each provisional
    // table is discarded before the walk goes on, so the one being discarded
    // is the only child its parent has.
    SymbolTable* parent = provisionalTable.parentTable();
    if (parent == nullptr || parent->childTables().empty() ||
        parent->childTables().front() != &provisionalTable) {
        throw std::logic_error(
            "the provisional table of an anonymous function is not the first "
            "child of its parent");
    }
    parent->discardFirstChild();
    table->mark();
    return table;
}

}  // namespace fe::nr
