// The entry libFuzzer calls (built with clang++ -fsanitize=fuzzer).
#include <cstddef>
#include <cstdint>

#include "fuzz/ResolveFuzzTarget.hpp"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    korvex::fuzz::resolveArbitrarySource(data, size);
    return 0;
}
