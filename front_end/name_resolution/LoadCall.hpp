#pragma once
// The variables a call of `load` makes at run time, as far as its literal
// arguments tell. A text file (by its extension or "-ascii") makes one
// variable named after the file; a MAT file (".mat", no extension or "-mat")
// makes the variables its later arguments name, up to "-regexp", after which
// the arguments are patterns.

#include <functional>
#include <span>
#include <string_view>

#include "front_end/astapi/Nodes.hpp"

namespace fe::nr {

// Which literals after a MAT file's name may name a variable.
enum class LoadVariableLiterals {
    CharacterArrays,  // 'name' only
    AnyText,          // 'name' and "name"
};

// Calls `create` with the literal argument and the name of each variable
// that a `load` with `arguments` makes, in argument order.
void forEachLoadedVariable(
    std::span<lf::astapi::Node* const> arguments, LoadVariableLiterals accepted,
    std::function<void(lf::astapi::TextLiteral& literal, std::u16string_view name)> const& create);

}  // namespace fe::nr
