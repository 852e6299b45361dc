#pragma once
// Counts calls of the global operator new in this test program.

#include <cstddef>

namespace testing_support {
std::size_t allocationCount();
}
