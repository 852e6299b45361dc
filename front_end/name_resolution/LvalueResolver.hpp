#pragma once
// The assignment-target pass: every name a statement assigns, declares or
// makes by `load` becomes a variable of the function (or is rejected).

#include <span>

#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/ResolutionTypes.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/name_resolution/include/NameResolver.hpp"

namespace fe::nr {

// Resolves the targets of a function's statements that have any (its
// assignments, loops, catch clauses, declarations and the like, in the order
// of a walk of its body and then its second statement list, without nested
// functions), then creates the variables of its `load` calls. The
// identifiers of `persistent` declarations are added to `pending`.
void resolveLvalues(std::span<lf::astapi::Node* const> targetStatements, SymbolTable& table,
                    AbstractNameResolver& nameResolver, ImportListPtr imports,
                    PendingPersistentSet& pending);

// Rejects `global` and `persistent` declarations of the variable-argument
// names; the first check on every declared identifier.
void rejectVariableArgumentDeclaration(lf::astapi::Identifier const& declared);

}  // namespace fe::nr
