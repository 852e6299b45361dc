#pragma once
// Conversions between UTF-8 and UTF-16. Malformed input never fails: every
// ill-formed piece becomes U+FFFD, so the result is always well formed.

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace fl::text {

// Whether two UTF-16 texts hold the same code units. The == of
// std::u16string_view compares unit by unit; this compares their bytes in
// one go, which matters where names are looked up for every token.
inline bool sameUnits(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0);
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
