#pragma once
// The Korvex parser: source text to the syntax tree.
//
// The tree is built in the factory's allocator; names and texts are interned
// there, so the source may die after the call. A malformed text raises
// SyntaxError (the first error ends the parse). docs/parser.md describes the
// grammar decisions.

#include <cstdint>
#include <string_view>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/parser/SyntaxError.hpp"

namespace lf::parser {

// The deepest nesting the parser accepts, counting together open brackets,
// blocks, functions, prefix operators and postfix chains (`- - x`, `a.b.c`,
// `x(1)(2)`, `x''`). Deeper input is a syntax error, so that neither the
// parser nor code that follows these by recursion runs out of stack. Chains
// of binary operators (`a + b + c`, `2^2^2`, `a:b:c`) are read in a loop
// and are not limited; the trees they make are walked on fresh stack
// segments when needed (front_end/astapi/StackGuard.hpp).
inline constexpr std::uint32_t kMaxNestingDepth = 512;

// Parses UTF-16 text; a leading byte-order mark is skipped and does not count
// in positions.
lf::astapi::Program* parse(std::u16string_view source, fe::astapi::AstNodeFactory& factory);

// Parses UTF-8 text; ill-formed sequences become U+FFFD, which is an invalid
// character outside strings and comments.
lf::astapi::Program* parseUtf8(std::string_view source, fe::astapi::AstNodeFactory& factory);

}  // namespace lf::parser
