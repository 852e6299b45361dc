#pragma once
// The Korvex parser: source text to the syntax tree.
//
// The tree is built in the factory's allocator; names and texts are interned
// there, so the source may die after the call. A malformed text raises
// SyntaxError (the first error ends the parse), unless it is parsed in the
// recovering mode, which reports every error and keeps what parsed.
// docs/parser.md describes the grammar decisions and the recovery.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

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
// character outside strings and comments. Text that is all ASCII is read
// where it lies, without a UTF-16 copy; positions are UTF-16 offsets either
// way.
lf::astapi::Program* parseUtf8(std::string_view source, fe::astapi::AstNodeFactory& factory);

// The tree of everything that parsed and every syntax error met, in source
// order. The tree is a valid tree for every walker: a statement with an error
// is left out whole, and a block or function left open at the end of the
// file is closed there.
struct RecoveredParse {
    lf::astapi::Program* program;     // never null
    std::vector<SyntaxError> errors;  // empty when the text is well formed
};

// How many errors a recovering parse reports; the text after the last one
// is skipped as if the file ended there.
inline constexpr std::size_t kMaxSyntaxErrors = 100;

// Parses like parse() and parseUtf8(), but goes on after a syntax error at
// the end of the broken statement (docs/parser.md, "Recovery"). When the
// text is well formed, the tree is the one parse() makes. A `maxErrors` of 0
// counts as 1.
RecoveredParse parseRecovering(std::u16string_view source, fe::astapi::AstNodeFactory& factory,
                               std::size_t maxErrors = kMaxSyntaxErrors);
RecoveredParse parseUtf8Recovering(std::string_view source, fe::astapi::AstNodeFactory& factory,
                                   std::size_t maxErrors = kMaxSyntaxErrors);

}  // namespace lf::parser
