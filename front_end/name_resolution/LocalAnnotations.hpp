#pragma once
// What a program resolved without a caller keeps.

#include "front_end/astapi/Nodes.hpp"

namespace fe::nr {

// Clears the annotations of every identifier under `root` (including those
// linked from text literals) that is not a variable, nested function or
// local function: without a caller, no other classification can be trusted.
void clearNonLocalAnnotations(lf::astapi::Node& root);

}  // namespace fe::nr
