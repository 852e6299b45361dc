#pragma once
// A parfor or spmd block that is the whole of an eval text is resolved like a
// function: its statements are moved into a synthetic function before the
// function resolvers see them, and moved back afterwards, so that the caller
// gets its tree in the shape it gave.

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/astapi/Nodes.hpp"

namespace fe::astapi {

// The name of the synthetic function; no source can spell it.
inline constexpr std::u16string_view kSyntheticParallelFunctionName =
    u"syntheticFunction%parforSpmd";

// Replaces the elements of `body` by one function (position 0, implicit
// variable "ans", no inputs or outputs) whose statements they become.
void wrapParallelBlock(lf::astapi::Program& body, AstNodeFactory& factory);

// Undoes wrapParallelBlock: the function's statements become the elements of
// `body` again, and `body` takes the function's import list. The
// annotations written meanwhile stay.
void unwrapParallelBlock(lf::astapi::Program& body, AstNodeFactory& factory);

}  // namespace fe::astapi
