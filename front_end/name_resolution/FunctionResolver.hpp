#pragma once
// Resolution of function definitions; the entries used by the name
// resolvers are declared in ResolverEntries.hpp.

#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/ResolutionTypes.hpp"
#include "front_end/name_resolution/ResolverEntries.hpp"

namespace fe::nr {

// Rejects two named inputs with one name, at the later one; ignored inputs
// take no part.
void rejectRepeatedInputs(lf::astapi::NodeList<lf::astapi::InputArgument> const& inputs);

// The synthetic function that wraps a parfor or spmd block inside eval text,
// with the functions nested in it, under `parent`.
SymbolTable* resolveParallelInEvalFunction(AbstractNameResolver& resolver, SymbolTable* parent,
                                           lf::astapi::FunctionDefinition& function,
                                           IsVariableFcn const& isVariable,
                                           StaticLookupFcn const& staticLookup,
                                           ImportListPtr imports);

}  // namespace fe::nr
