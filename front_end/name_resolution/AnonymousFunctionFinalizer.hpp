#pragma once
// The symbol tables of anonymous functions. An anonymous function's table
// holds its inputs and, once its body is resolved, a copy of every entry the
// body captured from enclosing scopes; it then hangs under the nearest root
// table, so that later lookups from it skip the scopes in between.

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"

namespace fe::nr {

// A child table of `parent` for `function`, with each named input entered
// and classified as a variable introduced by itself.
SymbolTable* createAnonymousFunctionTable(lf::astapi::AnonymousFunction& function,
                                          SymbolTable& parent);

// After the body of `function` is resolved: copies the captured entries into
// `table`, moves it under the nearest root table and marks it.
void finalizeAnonymousFunctionTable(lf::astapi::AnonymousFunction const& function,
                                    SymbolTable& table);

// For an anonymous function in an eval body: a new root table holding every
// name of the inputs and body that `provisionalTable` (the table the body was
// classified in, a child of the enclosing scope's table) knows, looking
// outwards; the provisional table is destroyed.
SymbolTable* buildAnonymousFunctionTableForEval(fe::astapi::AstNodeFactory& factory,
                                                lf::astapi::AnonymousFunction const& function,
                                                SymbolTable& provisionalTable);

}  // namespace fe::nr
