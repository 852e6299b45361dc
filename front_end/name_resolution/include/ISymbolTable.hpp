#pragma once
// What a resolution tells the caller about the names of a scope.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/include/NameResolutionApi.hpp"

namespace fe::nr {

using IdKind = lf::astapi::IdKind;

// Orders names by their UTF-16 code units, unsigned, a proper prefix first.
// The standard comparison of u16string_view is exactly that (char16_t is an
// unsigned type), so "B" < "a" < "ab" and every surrogate sorts before U+E000.
using CodeUnitOrder = std::less<std::u16string_view>;

// One scope's names and their classifications. Tables form a tree following
// the nesting of scopes; the syntax tree's allocator owns the root and every
// table owns its children, so callers never delete a table. Names are views
// into the syntax tree: a table must not outlive its tree.
class KORVEX_NR_API ISymbolTable {
  public:
    // What a name denotes at one place, and which identifier introduced it.
    class KORVEX_NR_API Classification {
      public:
        explicit Classification(IdKind kind) : kind(kind) {}
        Classification(IdKind kind, lf::astapi::Identifier const* introducer)
            : kind(kind), introducer(introducer) {}

        // The same kind and the very same introducing identifier.
        bool operator==(Classification const& other) const;

        // "UNKNOWN", "VARIABLE", "NESTED_FUNCTION", "LOCAL_FUNCTION",
        // "EXTERNAL", or "EXTERNAL(Package Imported)" when the introducer
        // carries the package-imported mark. Any other kind throws
        // std::logic_error("Invalid identifier classification").
        static char const* toString(IdKind kind, lf::astapi::Identifier const* introducer);
        static char16_t const* toUString(IdKind kind, lf::astapi::Identifier const* introducer);
        char const* toString() const;
        char16_t const* toUString() const;

        IdKind kind;
        lf::astapi::Identifier const* introducer = nullptr;
    };

    // Hashed: resolution looks names up far more often than anything lists
    // them, and a listing puts the entries in CodeUnitOrder itself.
    using EntryMap = std::unordered_map<std::u16string_view, Classification>;
    using EntryIterator = EntryMap::const_iterator;

    ISymbolTable() = default;
    ISymbolTable(ISymbolTable const&) = default;
    ISymbolTable& operator=(ISymbolTable const&) = default;
    virtual ~ISymbolTable();

    // The classification of `name` in this scope or the nearest enclosing one
    // that defines it, or null. `*depth` (when given) receives how many scopes
    // outwards it was found.
    virtual Classification const* lookup(std::u16string_view name, std::uint32_t* depth) const = 0;
    // This scope's own entries, in no particular order.
    virtual std::pair<EntryIterator, EntryIterator> entries() const = 0;
    // Whether the scope's own code (not its nested functions) classifies
    // `name` without defining it here. Gathered at the first call.
    virtual bool usesOuterName(std::u16string_view name) const = 0;
    // The node that opens the scope.
    virtual lf::astapi::Node const* node() const = 0;
    // Whether the scope's workspace is static.
    virtual bool isMarked() const = 0;
};

// Kept for callers that want a dump hook; writes nothing.
KORVEX_NR_API void dumpSymbolTable(ISymbolTable const* table, std::ostream& out);

// What the caller knows statically about a name.
struct ClassificationData {
    IdKind kind;
    // For a settled EXTERNAL answer: 0 a package, nonzero a function or class.
    // For other kinds, nonzero lets an eval body drop the answer quietly.
    std::uint32_t info;
    // 0 when the answer is certain; nonzero when it may not hold at run time.
    std::uint32_t unsettled;
};

}  // namespace fe::nr
