#pragma once
// The assignment-target pass: every name a statement assigns, declares or
// makes by `load` becomes a variable of the function (or is rejected).

#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/ResolutionTypes.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/name_resolution/include/NameResolver.hpp"

namespace fe::nr {

// Walks the function's body and then its second statement list, without
// entering nested functions, then creates the variables of its `load` calls.
// The identifiers of `persistent` declarations are added to `pending`.
void resolveLvalues(lf::astapi::FunctionDefinition& function, SymbolTable& table,
                    AbstractNameResolver& nameResolver, ImportListPtr imports,
                    PendingPersistentSet& pending);

// Rejects `global` and `persistent` declarations of the variable-argument
// names; the first check on every declared identifier.
void rejectVariableArgumentDeclaration(lf::astapi::Identifier const& declared);

}  // namespace fe::nr
