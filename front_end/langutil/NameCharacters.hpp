#pragma once
// What a Korvex name is made of: an ASCII letter, then ASCII letters, digits
// and underscores. The lexer, dotted names, import arguments and the names
// that `load` makes all read names by these rules.

#include <string_view>

namespace lf::util {

constexpr bool isAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

constexpr bool isAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// A character that may follow the first of a name.
constexpr bool isNameCharacter(char16_t c) {
    return isAsciiLetter(c) || isAsciiDigit(c) || c == u'_';
}

// One name, without dots: "x_1" is one, "", "_a" and "1a" are not.
constexpr bool isValidName(std::u16string_view text) {
    if (text.empty() || !isAsciiLetter(text.front())) {
        return false;
    }
    for (char16_t c : text) {
        if (!isNameCharacter(c)) {
            return false;
        }
    }
    return true;
}

}  // namespace lf::util
