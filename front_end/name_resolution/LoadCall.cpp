// Reads what a call of `load` makes from its literal arguments; the file name
// decides first (text files make one variable), so the options are looked
// for before any later argument is taken as a variable name.

#include "front_end/name_resolution/LoadCall.hpp"

#include "front_end/langutil/NameCharacters.hpp"

#include <algorithm>
#include <string>

namespace fe::nr {
namespace {

using namespace lf::astapi;

using lf::util::isAsciiLetter;
using lf::util::isNameCharacter;

// The variable a `load` of a text file makes: the file's name without its
// extension, made into a valid name; empty when nothing is left.
std::u16string variableNameForFile(std::u16string_view fileName) {
    std::u16string_view base = fileName.substr(0, std::min(fileName.rfind(u'.'), fileName.size()));
    if (base.empty()) {
        return {};
    }
    std::u16string name;
    if (!isAsciiLetter(base.front())) {
        name += u'X';
    }
    for (char16_t c : base) {
        name += isNameCharacter(c) ? c : u'_';
    }
    return name;
}

// Whether a `load` whose first argument is the file name reads a text file.
// The first "-mat" or "-ascii" among the later literals decides; without
// one, the extension does.
bool loadsTextFile(std::u16string_view fileName, std::span<Node* const> arguments) {
    for (Node* argument : arguments.subspan(1)) {
        if (TextLiteral const* option = nodeAs<TextLiteral>(argument)) {
            if (option->text == u"-mat") {
                return false;
            }
            if (option->text == u"-ascii") {
                return true;
            }
        }
    }
    std::size_t dot = fileName.rfind(u'.');
    return dot != std::u16string_view::npos && fileName.substr(dot + 1) != u"mat";
}

}  // namespace

void forEachLoadedVariable(
    std::span<Node* const> arguments, LoadVariableLiterals accepted,
    std::function<void(TextLiteral& literal, std::u16string_view name)> const& create) {
    if (arguments.empty()) {
        return;
    }
    if (TextLiteral* file = nodeAs<TextLiteral>(arguments.front());
        file != nullptr && loadsTextFile(file->text, arguments)) {
        if (std::u16string const name = variableNameForFile(file->text); !name.empty()) {
            create(*file, name);
        }
        return;
    }
    for (Node* argument : arguments.subspan(1)) {
        TextLiteral* literal = nodeAs<TextLiteral>(argument);
        if (literal == nullptr) {
            continue;
        }
        if (literal->text == u"-regexp") {
            return;
        }
        bool const acceptedKind = accepted == LoadVariableLiterals::AnyText ||
                                  literal->kind() == NodeKind::CharArrayLiteral;
        if (acceptedKind && lf::util::isValidName(literal->text)) {
            create(*literal, literal->text);
        }
    }
}

}  // namespace fe::nr
