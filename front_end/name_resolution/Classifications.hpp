#pragma once
// What the resolvers read off a classification found in a table and write
// onto the identifiers that use it. Decided here once, so that every kind of
// body treats a name reached through a package import alike.

#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/include/ISymbolTable.hpp"

namespace fe::nr {

// An external name whose introducer came from a package import (`import
// pkg` or a dotted use under such a package).
inline bool isReachedThroughPackageImport(ISymbolTable::Classification const& found) {
    return found.kind == IdKind::EXTERNAL && found.introducer != nullptr &&
           found.introducer->hasMark(lf::astapi::marks::kPackageImported);
}

// Copies `found` onto `identifier`; a use of a name reached through a
// package import carries the package-imported mark too.
inline void copyClassification(lf::astapi::Identifier& identifier,
                               ISymbolTable::Classification const& found) {
    identifier.classify(found.kind, found.introducer);
    if (isReachedThroughPackageImport(found)) {
        identifier.setMark(lf::astapi::marks::kPackageImported);
    }
}

}  // namespace fe::nr
