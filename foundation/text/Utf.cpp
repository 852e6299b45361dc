#include "foundation/text/Utf.hpp"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fl::text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t codePoint) {
    auto put = [&out](uint32_t byte) { out.push_back(static_cast<char>(byte)); };
    if (codePoint < 0x80) {
        put(codePoint);
    } else if (codePoint < 0x800) {
        put(0xC0 | (codePoint >> 6));
        put(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        put(0xE0 | (codePoint >> 12));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    } else {
        put(0xF0 | (codePoint >> 18));
        put(0x80 | ((codePoint >> 12) & 0x3F));
        put(0x80 | ((codePoint >> 6) & 0x3F));
        put(0x80 | (codePoint & 0x3F));
    }
}

// Writes the code units of `codePoint` at `out`; returns the end of what it
// wrote.
char16_t* putUtf16(char16_t* out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        *out = static_cast<char16_t>(codePoint);
        return out + 1;
    }
    codePoint -= 0x10000;
    out[0] = static_cast<char16_t>(0xD800 + (codePoint >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
    return out + 2;
}

// Widens the run of ASCII bytes that starts `text` into `out`, sixteen at a
// time where SSE2 is there (every x86-64 has it), else eight; returns how
// many bytes it took.
std::size_t widenAsciiRun(std::string_view text, char16_t* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    __m128i const zero = _mm_setzero_si128();
    for (; i + 16 <= text.size(); i += 16) {
        __m128i const bytes = _mm_loadu_si128(reinterpret_cast<__m128i const*>(text.data() + i));
        if (_mm_movemask_epi8(bytes) != 0) {
            break;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
    }
#else
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if ((word & kHighBits) != 0) {
            break;
        }
        for (std::size_t k = 0; k < 8; ++k) {
            out[i + k] = static_cast<unsigned char>(text[i + k]);
        }
    }
#endif
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) {
        out[i] = static_cast<unsigned char>(text[i]);
        ++i;
    }
    return i;
}

// How a well-formed UTF-8 sequence starting with a given lead byte continues:
// its total length and the allowed range of its second byte (later bytes are
// always 0x80..0xBF). The narrowed second-byte ranges exclude overlong forms,
// encoded surrogates and code points above U+10FFFF.
struct SequenceShape {
    int length;
    uint8_t secondMin;
    uint8_t secondMax;
};

SequenceShape shapeOf(uint8_t lead) {
    if (lead < 0x80)
        return {1, 0, 0};
    if (lead >= 0xC2 && lead <= 0xDF)
        return {2, 0x80, 0xBF};
    if (lead == 0xE0)
        return {3, 0xA0, 0xBF};
    if (lead == 0xED)
        return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF)
        return {3, 0x80, 0xBF};
    if (lead == 0xF0)
        return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3)
        return {4, 0x80, 0xBF};
    if (lead == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

}  // namespace

bool isAscii(std::string_view text) {
    std::size_t i = 0;
#if defined(__SSE2__)
    // Four loads ORed together per test: the files are mostly ASCII, so the
    // test almost never stops the loop early.
    for (; i + 64 <= text.size(); i += 64) {
        auto const load = [&](std::size_t at) {
            return _mm_loadu_si128(reinterpret_cast<__m128i const*>(text.data() + at));
        };
        __m128i const bytes = _mm_or_si128(_mm_or_si128(load(i), load(i + 16)),
                                           _mm_or_si128(load(i + 32), load(i + 48)));
        if (_mm_movemask_epi8(bytes) != 0) {
            return false;
        }
    }
#endif
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        if ((word & kHighBits) != 0) {
            return false;
        }
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            char32_t codePoint =
                0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            appendUtf8(out, codePoint);
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::u16string toUtf16(std::string_view text) {
    std::u16string out(text.size(), u'\0');
    out.resize(toUtf16(text, out.data()));
    return out;
}

// Every byte makes at most one code unit, a four-byte sequence two.
std::size_t toUtf16(std::string_view text, char16_t* const out) {
    char16_t* write = out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t const ascii = widenAsciiRun(text.substr(i), write);
        i += ascii;
        write += ascii;
        if (i == text.size()) {
            break;
        }
        uint8_t lead = static_cast<uint8_t>(text[i]);
        SequenceShape shape = shapeOf(lead);
        if (shape.length == 0) {
            write = putUtf16(write, kReplacement);
            ++i;
            continue;
        }
        char32_t codePoint = lead & (0xFF >> (shape.length + 1));
        std::size_t next = i + 1;
        bool complete = true;
        for (int k = 1; k < shape.length; ++k, ++next) {
            uint8_t min = k == 1 ? shape.secondMin : 0x80;
            uint8_t max = k == 1 ? shape.secondMax : 0xBF;
            if (next >= text.size() || static_cast<uint8_t>(text[next]) < min ||
                static_cast<uint8_t>(text[next]) > max) {
                complete = false;
                break;
            }
            codePoint = (codePoint << 6) | (static_cast<uint8_t>(text[next]) & 0x3F);
        }
        // An incomplete sequence is replaced as a whole; the byte that broke it
        // starts the next sequence.
        write = putUtf16(write, complete ? codePoint : kReplacement);
        i = next;
    }
    return static_cast<std::size_t>(write - out);
}

}  // namespace fl::text
