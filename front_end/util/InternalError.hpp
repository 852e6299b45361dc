#pragma once
// Internal errors: states that no input, however wrong, can reach.

#include "foundation/Visibility.hpp"

namespace fe::util {

// Throws std::logic_error("Unreachable - <sourcePath> line <line>").
[[noreturn]] KORVEX_VISIBLE void unreachable(char const* sourcePath, int line);

}  // namespace fe::util
