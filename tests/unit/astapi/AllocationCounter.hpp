#pragma once
// Counts calls of the global operator new in this test program.

#include <cstddef>

namespace korvex::testing {
std::size_t allocationCount();
}
