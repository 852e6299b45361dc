#include "front_end/langutil/DottedIdentifier.hpp"

#include "front_end/langutil/NameCharacters.hpp"

namespace lf::util {

bool isValidDottedIdentifier(std::u16string_view text) {
    while (true) {
        std::size_t dot = text.find(u'.');
        if (!isValidName(text.substr(0, dot))) {
            return false;
        }
        if (dot == std::u16string_view::npos) {
            return true;
        }
        text.remove_prefix(dot + 1);
    }
}

}  // namespace lf::util
