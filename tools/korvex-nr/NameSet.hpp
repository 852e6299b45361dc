#pragma once
// Sets and maps of names that answer for a view of a name without copying it
// into a string first. They keep no order: use them where none is listed.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace korvex::tool {

// Hashes a name and any view of it alike, so that lookups take views.
template <class Char>
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::basic_string_view<Char> name) const noexcept {
        return std::hash<std::basic_string_view<Char>>{}(name);
    }
};

template <class Char>
using NameSet = std::unordered_set<std::basic_string<Char>, NameHash<Char>, std::equal_to<>>;

template <class Char, class Value>
using NameTable =
    std::unordered_map<std::basic_string<Char>, Value, NameHash<Char>, std::equal_to<>>;

}  // namespace korvex::tool
