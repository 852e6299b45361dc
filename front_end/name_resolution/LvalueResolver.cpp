// The assignment-target pass of a function. It runs before any use is
// classified, because in this language a name is a variable of the function
// wherever it is assigned, also below its first use. Targets are resolved in
// statement order (so that `global` and `persistent` names meet their
// declarations first); the variables that `load` makes come last, once every
// assignment of `load` itself is known.

#include "front_end/name_resolution/LvalueResolver.hpp"

#include <span>
#include <string>
#include <vector>

#include "foundation/i18n/Messages.hpp"
#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/import/ImportList.hpp"
#include "front_end/name_resolution/Classifications.hpp"
#include "front_end/name_resolution/InternalErrorSites.hpp"
#include "front_end/name_resolution/LoadCall.hpp"
#include "front_end/util/DocumentationLink.hpp"
#include "front_end/util/FrontEndUserException.hpp"

namespace fe::nr {
namespace {

using namespace lf::astapi;
using fe::util::raiseAt;
namespace fe_msg = KORVEX::front_end;
namespace lang_msg = KORVEX::lang;

class LvalueResolver : public fe::astapi::AstDispatcher<LvalueResolver> {
  public:
    LvalueResolver(SymbolTable& table, AbstractNameResolver& nameResolver, ImportListPtr imports,
                   PendingPersistentSet& pending)
        : table_(table),
          nameResolver_(nameResolver),
          imports_(std::move(imports)),
          pending_(pending) {}

    // Each statement's own targets: the statements nested in a loop or
    // catch clause come in the list after it.
    void resolveStatements(std::span<Node* const> statements) {
        for (Node* statement : statements) {
            dispatch(*statement);
        }
    }

    void visit(Assignment& assignment) {
        resolveTarget(*assignment.target, marks::kWholeAssigned);
        if (Index* call = loadCall(assignment.value)) {
            loadAssignmentCalls_.emplace_back(call->arguments.begin(), call->arguments.end());
        }
    }
    void visit(IndexedAssignment& assignment) {
        resolveTarget(headIdentifier(*assignment.target), marks::kPartAssigned);
    }
    void visit(MultipleAssignment& assignment) {
        for (Expression* target : assignment.targets) {
            if (target->kind() == NodeKind::Ignored) {
                continue;
            }
            if (auto* identifier = nodeAs<Identifier>(target)) {
                resolveTarget(*identifier, marks::kWholeAssigned);
            } else {
                resolveTarget(headIdentifier(*target), marks::kPartAssigned);
            }
        }
    }
    void visit(CommandSyntax& command) {
        if (command.output != nullptr) {
            resolveTarget(*command.output, marks::kWholeAssigned);
        }
        if (command.command->name() == u"load") {
            loadCommandCalls_.emplace_back(command.words.begin(), command.words.end());
        }
    }
    void visit(ForStatement& loop) { resolveTarget(*loop.variable, marks::kWholeAssigned); }
    void visit(ParforStatement& loop) { resolveTarget(*loop.variable, marks::kWholeAssigned); }
    void visit(CatchClause& clause) {
        if (clause.identifier != nullptr) {
            resolveTarget(*clause.identifier, marks::kWholeAssigned);
        }
    }
    void visit(ArgumentDeclaration& declaration) {
        resolveTarget(*declaration.name, marks::kWholeAssigned);
    }
    void visit(ImportStatement& statement) {
        if (statement.name != nullptr) {
            resolveTarget(*statement.name, marks::kWholeAssigned);
        }
    }
    void visit(Declaration& declaration) {
        bool persistent = declaration.kind() == NodeKind::Persistent;
        for (Identifier* declared : declaration.names) {
            declare(*declared, persistent);
        }
    }

    // Creates the variables that the `load` calls met in the walk make.
    void resolveLoadedVariables() {
        if (loadIsShadowed()) {
            return;
        }
        for (auto const& arguments : loadCommandCalls_) {
            createLoadedVariables(arguments);
        }
        for (auto const& arguments : loadAssignmentCalls_) {
            createLoadedVariables(arguments);
        }
    }

  private:
    // `global` and `persistent` names are targets with rules of their own.
    void declare(Identifier& declared, bool persistent) {
        rejectVariableArgumentDeclaration(declared);
        std::uint32_t depth = 0;
        if (auto const* found = table_.lookup(declared.name(), &depth);
            found != nullptr && found->kind == IdKind::VARIABLE) {
            if (depth > 0) {
                raiseAt<fe_msg::tal_error_persistent_global_must_be_outer>(declared.position(),
                                                                           declared.name());
            }
            if (persistent) {
                raiseAt<fe_msg::tal_error_persistent_must_be_first>(declared.position(),
                                                                    declared.name());
            }
        }
        resolveTarget(declared, marks::kWholeAssigned);
        if (persistent) {
            pending_.insert(&declared);
        }
    }

    void resolveTarget(Identifier& target, std::uint8_t mode) {
        std::u16string_view name = target.name();
        std::uint32_t depth = 0;
        auto const* found = table_.lookup(name, &depth);
        target.setTargetMode(mode);
        if (found == nullptr) {
            // A target the tree's producer marked (code it generated, whose
            // names it does not vouch for) is recorded but not made a variable.
            IdKind kind = target.hasMark(marks::kProducer) ? IdKind::UNKNOWN : IdKind::VARIABLE;
            table_.addEntry(name, {kind, &target});
            target.classify(kind, &target);
            return;
        }
        if (depth == 0) {
            resolveTargetOfThisScope(target, *found);
            return;
        }
        if (found->kind == IdKind::VARIABLE) {
            target.classify(IdKind::VARIABLE, found->introducer);
            target.setMark(marks::kSharedVariable);
            return;
        }
        table_.addEntry(name, {IdKind::VARIABLE, &target});
        if (Node const* use = table_.findUse(name);
            use != nullptr && !nameResolver_.isKnownExternalName(name)) {
            raiseAt<lang_msg::IdentifierNotSharedVariableWithNestedScope>(
                use->position(), name,
                fe::util::documentationLink(fe::util::kNestedFunctionsScopeTopic,
                                            lang_msg::SharedVariablesDocId{}));
        }
        target.classify(IdKind::VARIABLE, &target);
    }

    void resolveTargetOfThisScope(Identifier& target, ISymbolTable::Classification const& found) {
        switch (found.kind) {
            case IdKind::VARIABLE:
                target.classify(IdKind::VARIABLE, found.introducer);
                return;
            case IdKind::NESTED_FUNCTION:
                raiseAt<fe_msg::tal_error_variable_and_nested_function>(target.position(),
                                                                        target.name());
            case IdKind::EXTERNAL:
                if (isReachedThroughPackageImport(found)) {
                    raiseAt<lang_msg::ImportedPackageAndVariableHaveSameName>(target.position(),
                                                                              target.name());
                }
                raiseAt<lang_msg::ImportedFunctionAndVariableHaveSameName>(target.position(),
                                                                           target.name());
            default:
                // A name the function only uses, or a local function: the
                // target stays as it is.
                return;
        }
    }

    // The identifier whose part `x(i)`, `x{i}`, `x.f` (to any depth) assigns.
    static Identifier& headIdentifier(Expression& target) {
        Expression* node = &target;
        while (true) {
            switch (node->kind()) {
                case NodeKind::Identifier:
                    return static_cast<Identifier&>(*node);
                case NodeKind::ParenIndex:
                case NodeKind::BraceIndex:
                    node = static_cast<Index*>(node)->head;
                    break;
                case NodeKind::FieldAccess:
                    node = static_cast<FieldAccess*>(node)->base;
                    break;
                case NodeKind::DynamicFieldAccess:
                    node = static_cast<DynamicFieldAccess*>(node)->base;
                    break;
                default:
                    unreachable(sites::kAssignmentTargetHead);
            }
        }
    }

    static Index* loadCall(Expression* value) {
        auto* call = value != nullptr && value->kind() == NodeKind::ParenIndex
                         ? static_cast<Index*>(value)
                         : nullptr;
        auto const* head = call != nullptr ? nodeAs<Identifier>(call->head) : nullptr;
        return head != nullptr && head->name() == u"load" ? call : nullptr;
    }

    // A variable, local or nested function named `load`, or an import that
    // brings one in, means the calls are not the built-in `load`.
    bool loadIsShadowed() const {
        std::uint32_t depth = 0;
        auto const* found = table_.lookup(u"load", &depth);
        if (found == nullptr) {
            return false;
        }
        if (depth == 0 || found->kind != IdKind::EXTERNAL) {
            return true;
        }
        return imports_ != nullptr && (imports_->lookupFullyQualified(u"load") != nullptr ||
                                       imports_->lookupPackage(u"load") != nullptr);
    }

    void createLoadedVariables(std::vector<Node*> const& arguments) {
        forEachLoadedVariable(arguments, LoadVariableLiterals::CharacterArrays,
                              [this](TextLiteral& literal, std::u16string_view name) {
                                  createLoadedVariable(literal, name);
                              });
    }

    void createLoadedVariable(TextLiteral& literal, std::u16string_view name) {
        Identifier* variable = nameResolver_.factory().createIdentifier(0, name);
        variable->setMark(marks::kCreatedByLoad);
        resolveTarget(*variable, marks::kWholeAssigned);
        literal.linked = variable;
    }

    SymbolTable& table_;
    AbstractNameResolver& nameResolver_;
    ImportListPtr imports_;
    PendingPersistentSet& pending_;
    std::vector<std::vector<Node*>> loadCommandCalls_;
    std::vector<std::vector<Node*>> loadAssignmentCalls_;
};

}  // namespace

void rejectVariableArgumentDeclaration(Identifier const& declared) {
    if (declared.specialName() == SpecialName::Varargin ||
        declared.specialName() == SpecialName::Varargout) {
        raiseAt<fe_msg::tal_error_varargs_cannot_be_global_persistent>(declared.position());
    }
}

void resolveLvalues(std::span<Node* const> targetStatements, SymbolTable& table,
                    AbstractNameResolver& nameResolver, ImportListPtr imports,
                    PendingPersistentSet& pending) {
    LvalueResolver resolver(table, nameResolver, std::move(imports), pending);
    resolver.resolveStatements(targetStatements);
    resolver.resolveLoadedVariables();
}

}  // namespace fe::nr
