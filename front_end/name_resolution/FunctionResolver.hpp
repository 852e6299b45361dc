#pragma once
// Resolution of function definitions; the entries used by the name
// resolvers are declared in ResolverEntries.hpp.

#include <vector>

#include <boost/container/small_vector.hpp>

#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/ResolutionTypes.hpp"
#include "front_end/name_resolution/ResolverEntries.hpp"

namespace fe::nr {

// What one walk over a function's statements collects, in source order.
struct FunctionContents {
    std::vector<lf::astapi::FunctionDefinition*> nestedFunctions;
    std::vector<lf::astapi::Node*> imports;
    std::vector<lf::astapi::Node*> parforStatements;
    std::vector<lf::astapi::Node*> spmdStatements;
    // The statements with assignment targets, for the target pass, which
    // must wait for the imports and nested-function names; most functions
    // have few enough to keep them off the heap.
    boost::container::small_vector<lf::astapi::Node*, 32> targetStatements;
};

// Walks the function's body, then its second statement list, entering
// neither nested functions nor expressions.
FunctionContents collectFunctionContents(lf::astapi::FunctionDefinition& function);

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
