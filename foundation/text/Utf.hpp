#pragma once
// Conversions between UTF-8 and UTF-16. Malformed input never fails: every
// ill-formed piece becomes U+FFFD, so the result is always well formed.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace fl::text {

// Whether two UTF-16 texts hold the same code units. Names are looked up
// for every token and are mostly short, so a short text is compared four
// units per load in line (the last load overlapping the one before), where
// a call to memcmp would cost more than the comparison; long texts go to
// memcmp.
inline bool sameUnits(std::u16string_view a, std::u16string_view b) {
    std::size_t const size = a.size();
    if (size != b.size()) {
        return false;
    }
    if (size < 4) {
        for (std::size_t i = 0; i < size; ++i) {
            if (a[i] != b[i]) {
                return false;
            }
        }
        return true;
    }
    if (size > 32) {
        return std::memcmp(a.data(), b.data(), size * sizeof(char16_t)) == 0;
    }
    auto fourUnits = [](char16_t const* p) {
        std::uint64_t units;
        std::memcpy(&units, p, sizeof units);
        return units;
    };
    for (std::size_t i = 0; i + 4 < size; i += 4) {
        if (fourUnits(a.data() + i) != fourUnits(b.data() + i)) {
            return false;
        }
    }
    return fourUnits(a.data() + size - 4) == fourUnits(b.data() + size - 4);
}

// Unpaired surrogates become U+FFFD.
std::string toUtf8(std::u16string_view text);

// Each maximal ill-formed subsequence (truncated, overlong, surrogate or
// out-of-range encodings, stray continuation bytes) becomes one U+FFFD.
std::u16string toUtf16(std::string_view text);

// The same into `out`, which has room for text.size() code units (never
// fewer are enough); returns how many it wrote.
std::size_t toUtf16(std::string_view text, char16_t* out);

}  // namespace fl::text
