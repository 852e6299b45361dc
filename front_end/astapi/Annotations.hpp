#pragma once
// Removing what a name resolution wrote on a tree.

#include "front_end/astapi/Nodes.hpp"

namespace fe::astapi {

// Clears, on `root` and every node under it, the classifications, introducers
// and resolver marks of identifiers (the producer mark stays: the parser set
// it), the symbol tables and import lists of scopes, and the identifiers
// linked from text literals.
void clearNameResolutionAnnotations(lf::astapi::Node& root);

}  // namespace fe::astapi
