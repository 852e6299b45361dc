#pragma once
// The use pass: classifies every name in a body that is not an assignment
// target, collapses dotted external names, and checks uses of functions.

#include <cstddef>
#include <span>
#include <utility>
#include <variant>
#include <vector>

#include <boost/container/small_vector.hpp>

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

// The operands of `@` that the use passes of one function meet, kept for
// settling once the passes are done. The contents of each parfor and spmd
// statement have a pass of their own, run before the body's; every pass logs
// its operands in its own order and marks where it skipped a parallel
// statement, so that the operands can be put back in the order of the source.
// Operands under another unary operator, or inside the operand of `@`, are
// not logged.
class HandleOperandLog {
  public:
    using Operand = fe::astapi::NodeField<lf::astapi::Expression>;

    // A pass over the contents of `statement` starts; null for the body's pass.
    void beginPass(lf::astapi::Node const* statement);
    void addOperand(Operand operand) { entries_.emplace_back(operand); }
    // The running pass skipped `statement`, whose contents have a pass of their own.
    void addParallelStatement(lf::astapi::Node const& statement) {
        entries_.emplace_back(&statement);
    }
    // The operands of the body's pass with those of the parallel statements
    // in their places.
    std::vector<Operand> inSourceOrder() const;

  private:
    // An operand, or the place of a parallel statement.
    using Entry = std::variant<Operand, lf::astapi::Node const*>;

    // The entries logged by the pass over `statement`, as an index range.
    std::pair<std::size_t, std::size_t> entriesOfPass(lf::astapi::Node const* statement) const;

    // Every pass's entries, one pass after another.
    std::vector<Entry> entries_;
    // Each pass's statement (null for the body) and its first entry; most
    // functions have no parallel statement, so one pass.
    boost::container::small_vector<std::pair<lf::astapi::Node const*, std::size_t>, 2> passes_;
};

struct UsePass {
    AbstractNameResolver& nameResolver;
    SymbolTable& table;
    ImportListPtr imports;
    ResolutionCache& cache;
    ExternalResolution resolution;
    ParallelInEvalQueries const* parallelQueries = nullptr;  // for ParallelInEvalBody only
    // Where the pass logs the operands of `@` it meets; null for none.
    HandleOperandLog* handleOperands = nullptr;
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
