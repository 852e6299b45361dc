#pragma once
// Pieces of source text in either form the parser reads (UTF-16, or ASCII
// bytes that stand for the UTF-16 units of the same values) turned into what
// messages and comparisons need, one overload per form.

#include <string>
#include <string_view>

#include "foundation/text/Utf.hpp"

namespace lf::parser {

inline std::string toUtf8(std::u16string_view text) {
    return fl::text::toUtf8(text);
}
// ASCII is UTF-8 as it stands.
inline std::string toUtf8(std::string_view ascii) {
    return std::string(ascii);
}

inline std::u16string toUtf16(std::u16string_view text) {
    return std::u16string(text);
}
inline std::u16string toUtf16(std::string_view ascii) {
    return fl::text::toUtf16(ascii);
}

// Whether `text` spells the ASCII text `ascii`.
inline bool sameText(std::u16string_view text, std::string_view ascii) {
    return fl::text::sameUnits(text, ascii);
}
// Compared in line: keywords are looked up for every word, and a call to
// memcmp would cost more than comparing these few bytes.
inline bool sameText(std::string_view text, std::string_view ascii) {
    if (text.size() != ascii.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != ascii[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace lf::parser
