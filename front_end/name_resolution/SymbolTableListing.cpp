#include "front_end/name_resolution/SymbolTableListing.hpp"

#include <ostream>
#include <string>

#include "foundation/text/Utf.hpp"

namespace fe::nr {
namespace {

void listAtLevel(SymbolTable const& table, std::string const& indentation, std::ostream& out) {
    auto [entry, end] = table.entries();
    for (; entry != end; ++entry) {
        out << indentation << fl::text::toUtf8(entry->first) << " : " << entry->second.toString()
            << '\n';
    }
    std::string const deeper = indentation + " ";
    for (SymbolTable const* child : table.childTables()) {
        listAtLevel(*child, deeper, out);
    }
}

}  // namespace

void listSymbolTable(SymbolTable const& table, std::ostream& out) {
    listAtLevel(table, std::string(), out);
}

}  // namespace fe::nr
