#pragma once
// The use pass: classifies every name in a body that is not an assignment
// target, collapses dotted external names, and checks uses of functions.

#include <span>

#include "front_end/astapi/NodeField.hpp"
#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/ResolutionTypes.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/name_resolution/include/NameResolver.hpp"

namespace fe::nr {

// Where the body runs, which decides what a name that no scope knows is.
enum class ExternalResolution {
    Local,               // resolution without a caller: such names stay unclassified
    StaticWorkspace,     // a function whose workspace is fixed when it is parsed
    DynamicWorkspace,    // a body whose workspace may gain variables at run time
    ParallelInEvalBody,  // a parfor or spmd block inside eval text
};

// The caller's answers about the workspace of a parallel block inside eval.
struct ParallelInEvalQueries {
    IsVariableFcn const& isVariable;
    StaticLookupFcn const& staticLookup;
};

struct UsePass {
    AbstractNameResolver& nameResolver;
    SymbolTable& table;
    ImportListPtr imports;
    ResolutionCache& cache;
    ExternalResolution resolution;
    ParallelInEvalQueries const* parallelQueries = nullptr;  // for ParallelInEvalBody only
};

// The pass over a whole function: its body, then its second statement list.
// It enters neither nested function definitions nor the contents of parfor
// and spmd statements (those have had their own pass). With a non-empty
// `pending` set, uses are checked against `persistent` declarations not yet
// reached.
void resolveFunctionBodyUses(UsePass const& pass, lf::astapi::FunctionDefinition& function,
                             PendingPersistentSet* pending);

// The pass over the contents of one parfor or spmd statement.
void resolveParallelStatementUses(UsePass const& pass, lf::astapi::Node& statement);

// Whether an index has a bare ':' (a whole dimension) among its arguments;
// indexing a function so is an error, and so it is no call of `load`.
bool hasWholeDimensionColon(lf::astapi::Index const& index);

// Settles the introducers of function-handle operands gathered from a body,
// after its passes: the slots hold the operands of `@`.
void finalizeDeferredOperands(
    std::span<fe::astapi::NodeField<lf::astapi::Expression> const> operands, SymbolTable& table);

}  // namespace fe::nr
