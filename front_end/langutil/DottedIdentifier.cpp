#include "front_end/langutil/DottedIdentifier.hpp"

namespace lf::util {
namespace {

bool isAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool isAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool isIdentifier(std::u16string_view part) {
    if (part.empty() || !isAsciiLetter(part.front())) {
        return false;
    }
    for (char16_t c : part.substr(1)) {
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != u'_') {
            return false;
        }
    }
    return true;
}

}  // namespace

bool isValidDottedIdentifier(std::u16string_view text) {
    while (true) {
        std::size_t dot = text.find(u'.');
        if (!isIdentifier(text.substr(0, dot))) {
            return false;
        }
        if (dot == std::u16string_view::npos) {
            return true;
        }
        text.remove_prefix(dot + 1);
    }
}

}  // namespace lf::util
