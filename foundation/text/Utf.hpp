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

// A hash of a text's code units, fast for short names (the keys of every
// name table): four code units per multiply, then a final
// mix so that the low bits, which pick the slot, depend on every unit.
inline std::size_t hashUnits(std::u16string_view text) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
    std::uint64_t hash = text.size();
    std::size_t i = 0;
    for (; i + 4 <= text.size(); i += 4) {
        std::uint64_t units;
        std::memcpy(&units, text.data() + i, sizeof units);
        hash = (hash ^ units) * kMultiplier;
    }
    if (i < text.size() && text.size() >= 4) {
        // The last four units, overlapping units already mixed in: one load
        // instead of a loop.
        std::uint64_t units;
        std::memcpy(&units, text.data() + text.size() - 4, sizeof units);
        hash = (hash ^ units) * kMultiplier;
    } else if (i < text.size()) {
        // Shifted in unit by unit: a memcpy of variable length would be a call.
        std::uint64_t units = 0;
        for (std::size_t k = i; k < text.size(); ++k) {
            units = units << 16 | text[k];
        }
        hash = (hash ^ units) * kMultiplier;
    }
    hash ^= hash >> 32;
    hash *= kMultiplier;
    return static_cast<std::size_t>(hash ^ (hash >> 29));
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
