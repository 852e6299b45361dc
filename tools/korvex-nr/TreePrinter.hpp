#pragma once
// Prints a syntax tree as indented lines, two spaces per level:
//
//   KindName LINE:COL [text] [display]
//
// The text is what the node carries (a name, a number as written, a quoted
// literal text, an operator, the program kind). Children follow in field
// order; a list field whose meaning is not clear from its elements is
// introduced by a `label:` line, an optional single child by a `label:`
// prefix, and absent children and empty lists are left out. A node without
// source position shows `-`.

#include <iosfwd>

#include "front_end/astapi/Nodes.hpp"
#include "front_end/langutil/LineInfo.hpp"

namespace korvex::tool {

void printTree(std::ostream& out, lf::astapi::Node const& root, lf::util::LineInfo const& lines);

}  // namespace korvex::tool
