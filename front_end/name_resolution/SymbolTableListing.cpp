// The readable listing of a tree of tables, for tools and tests: every
// scope named, entries in name order, nested scopes one space deeper.

#include "front_end/name_resolution/SymbolTableListing.hpp"

#include <algorithm>
#include <ostream>
#include <string>

#include "foundation/text/Utf.hpp"

namespace fe::nr {
namespace {

// "[program]", "[function NAME]" or "[anonymous function #POSITION]".
std::string scopeLabel(lf::astapi::Node const* scope) {
    if (auto const* function = lf::astapi::nodeAs<lf::astapi::FunctionDefinition>(scope)) {
        return function->name != nullptr
                   ? "[function " + fl::text::toUtf8(function->name->name()) + "]"
                   : "[function]";
    }
    if (scope != nullptr && scope->kind() == lf::astapi::NodeKind::AnonymousFunction) {
        return "[anonymous function #" + std::to_string(scope->position()) + "]";
    }
    return "[program]";
}

void listAtLevel(SymbolTable const& table, std::string const& indentation, std::ostream& out) {
    out << indentation << scopeLabel(table.node()) << '\n';
    for (auto const* entry : entriesInNameOrder(table)) {
        out << indentation << fl::text::toUtf8(entry->first) << " : " << entry->second.toString()
            << '\n';
    }
    std::string const deeper = indentation + " ";
    for (SymbolTable const* child : table.childTables()) {
        listAtLevel(*child, deeper, out);
    }
}

}  // namespace

std::vector<ISymbolTable::EntryMap::value_type const*> entriesInNameOrder(
    ISymbolTable const& table) {
    std::vector<ISymbolTable::EntryMap::value_type const*> ordered;
    auto [entry, end] = table.entries();
    for (; entry != end; ++entry) {
        ordered.push_back(&*entry);
    }
    std::sort(ordered.begin(), ordered.end(), [](auto const* left, auto const* right) {
        return CodeUnitOrder()(left->first, right->first);
    });
    return ordered;
}

void listSymbolTable(SymbolTable const& table, std::ostream& out) {
    listAtLevel(table, std::string(), out);
}

}  // namespace fe::nr
