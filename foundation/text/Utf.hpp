#pragma once
// Conversions between UTF-8 and UTF-16, and the comparison and hash of code
// units that name tables share. Malformed input never fails: every
// ill-formed piece becomes U+FFFD, so the result is always well formed.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace fl::text {

// The code-unit helpers below read ASCII bytes as the UTF-16 units they
// widen to, packed four to a 64-bit word as the units lie in memory.
static_assert(std::endian::native == std::endian::little,
              "four units are packed as a little-endian load of UTF-16 would pack them");

// Four code units from `p` on, the first in the low sixteen bits.
inline std::uint64_t fourUnits(char16_t const* p) {
    std::uint64_t units;
    std::memcpy(&units, p, sizeof units);
    return units;
}
// Four ASCII bytes from `p` on, widened to the units they stand for.
inline std::uint64_t fourUnits(char const* p) {
    std::uint32_t bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    std::uint64_t units = bytes;
    units = (units | units << 16) & 0x0000FFFF0000FFFFu;
    return (units | units << 8) & 0x00FF00FF00FF00FFu;
}

namespace detail {

// Compares UTF-16 units with units of type Unit (UTF-16 or ASCII bytes).
// Names are looked up for every token and are mostly short, so a short text
// is compared four units per load in line (the last load overlapping the one
// before), where a call to memcmp would cost more than the comparison.
template <class Unit>
bool sameUnits(std::u16string_view a, std::basic_string_view<Unit> b) {
    std::size_t const size = a.size();
    if (size != b.size()) {
        return false;
    }
    if (size < 4) {
        for (std::size_t i = 0; i < size; ++i) {
            if (a[i] != static_cast<char16_t>(b[i])) {
                return false;
            }
        }
        return true;
    }
    if constexpr (std::is_same_v<Unit, char16_t>) {
        if (size > 32) {
            return std::memcmp(a.data(), b.data(), size * sizeof(char16_t)) == 0;
        }
    }
    for (std::size_t i = 0; i + 4 < size; i += 4) {
        if (fourUnits(a.data() + i) != fourUnits(b.data() + i)) {
            return false;
        }
    }
    return fourUnits(a.data() + size - 4) == fourUnits(b.data() + size - 4);
}

// Four code units per multiply, then a final mix so that the low bits, which
// pick the slot, depend on every unit. Always in line: a call would cost as
// much as hashing a short name.
[[gnu::always_inline]] inline std::size_t hashUnits(std::u16string_view text) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
    std::uint64_t hash = text.size();
    std::size_t i = 0;
    for (; i + 4 <= text.size(); i += 4) {
        hash = (hash ^ fourUnits(text.data() + i)) * kMultiplier;
    }
    if (i < text.size() && text.size() >= 4) {
        // The last four units, overlapping units already mixed in: one load
        // instead of a loop.
        hash = (hash ^ fourUnits(text.data() + text.size() - 4)) * kMultiplier;
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

}  // namespace detail

// Whether two UTF-16 texts hold the same code units.
inline bool sameUnits(std::u16string_view a, std::u16string_view b) {
    return detail::sameUnits(a, b);
}
// Whether a UTF-16 text holds the units that the ASCII text `ascii` widens to.
inline bool sameUnits(std::u16string_view a, std::string_view ascii) {
    return detail::sameUnits(a, ascii);
}

// A hash of a text's code units, fast for short names (the keys of every
// name table).
inline std::size_t hashUnits(std::u16string_view text) {
    return detail::hashUnits(text);
}
namespace detail {

// The `count` (1 to 7) bytes from `p` on, the first in the low byte: two
// overlapping loads, where a memcpy of variable length would be a call.
inline std::uint64_t fewBytes(char const* p, std::size_t count) {
    if (count >= 4) {
        std::uint32_t low, high;
        std::memcpy(&low, p, 4);
        std::memcpy(&high, p + count - 4, 4);
        return low | std::uint64_t{high} << 8 * (count - 4);
    }
    if (count >= 2) {
        std::uint16_t low, high;
        std::memcpy(&low, p, 2);
        std::memcpy(&high, p + count - 2, 2);
        return low | std::uint64_t{high} << 8 * (count - 2);
    }
    return static_cast<unsigned char>(*p);
}
// The same for units below 0x100, each taken as its low byte.
inline std::uint64_t fewBytes(char16_t const* p, std::size_t count) {
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        bytes |= std::uint64_t{p[i]} << 8 * i;
    }
    return bytes;
}

// Eight units from `p` on as bytes, eight to a multiply.
template <class Unit>
[[gnu::always_inline]] inline std::uint64_t nameHashOfBytes(Unit const* p, std::size_t size) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
    std::uint64_t hash = size;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        hash = (hash ^ fewBytes(p + i, 8)) * kMultiplier;
    }
    if (i < size) {
        // The last eight units overlap units already mixed in when the text
        // has as many: one load instead of several.
        hash = (hash ^ (size >= 8 ? fewBytes(p + size - 8, 8) : fewBytes(p + i, size - i))) *
               kMultiplier;
    }
    hash ^= hash >> 32;
    hash *= kMultiplier;
    return hash ^ (hash >> 29);
}

}  // namespace detail

// The hash of interned names: the units taken as bytes, eight to a multiply,
// so that ASCII source hashes straight from its bytes. A UTF-16 text hashes
// as the ASCII text it narrows to; one with a unit of 0x100 or above, which
// no ASCII text equals, is hashed as units.
inline std::uint32_t nameHash(std::string_view ascii) {
    return static_cast<std::uint32_t>(detail::nameHashOfBytes(ascii.data(), ascii.size()));
}
inline std::uint32_t nameHash(std::u16string_view text) {
    for (char16_t unit : text) {
        if (unit >= 0x100) {
            return static_cast<std::uint32_t>(detail::hashUnits(text));
        }
    }
    return static_cast<std::uint32_t>(detail::nameHashOfBytes(text.data(), text.size()));
}

// Whether every byte of `text` is ASCII (below 0x80): then each byte is one
// UTF-16 code unit of the same value, and byte offsets are UTF-16 offsets.
bool isAscii(std::string_view text);

// Unpaired surrogates become U+FFFD.
std::string toUtf8(std::u16string_view text);

// Each maximal ill-formed subsequence (truncated, overlong, surrogate or
// out-of-range encodings, stray continuation bytes) becomes one U+FFFD.
std::u16string toUtf16(std::string_view text);

// The same into `out`, which has room for text.size() code units (never
// fewer are enough); returns how many it wrote.
std::size_t toUtf16(std::string_view text, char16_t* out);

}  // namespace fl::text
