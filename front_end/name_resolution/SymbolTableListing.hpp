#pragma once
// A readable listing of a tree of symbol tables, for tools and tests.

#include <iosfwd>
#include <vector>

#include "front_end/name_resolution/SymbolTable.hpp"

namespace fe::nr {

// The entries of `table` itself, in CodeUnitOrder of their names.
std::vector<ISymbolTable::EntryMap::value_type const*> entriesInNameOrder(
    ISymbolTable const& table);

// A line naming the scope ("[program]", "[function NAME]", "[anonymous
// function #POSITION]"), then for each entry of `table` in name order a line:
// one space per level of nesting (none for `table` itself), the name in
// UTF-8, " : " and the classification text. Then the tables of nested
// scopes, in creation order, one level deeper.
void listSymbolTable(SymbolTable const& table, std::ostream& out);

}  // namespace fe::nr
