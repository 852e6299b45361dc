#pragma once
// What the resolver decided for each identifier of a source, as the HTML
// report and the language server show it.

#include <cstdint>
#include <string>
#include <vector>

#include "front_end/astapi/Nodes.hpp"

namespace korvex::tool {

// Where an introducing identifier stands.
enum class IntroducerRole : std::uint8_t {
    Other,         // an assignment target, an output, a loop variable...
    Parameter,     // an input of a function or anonymous function
    Global,        // a name of a `global` statement
    Persistent,    // a name of a `persistent` statement
    FunctionName,  // the name of a function definition
};

struct ResolvedName {
    std::uint32_t position = 0;  // 1-based UTF-16 offset in the source
    std::uint32_t length = 0;    // in UTF-16 code units
    lf::astapi::IdKind kind = lf::astapi::IdKind::UNKNOWN;
    std::uint32_t introducer = 0;  // position of the introducing identifier; 0 if none
    // A variable that a function and a function nested in it share.
    bool shared = false;
    // The text names the function by the last part of the dotted name an
    // import made of it (`f` for `p.q.f`), or a package import marked it.
    bool imported = false;
    // Where the introducer stands; for a name nothing introduced (the
    // primary function's), where the name itself stands.
    IntroducerRole introducerRole = IntroducerRole::Other;
    std::u16string_view name;  // the resolved name, in the tree's allocator
};

// Every identifier of `program` that stands in `text` (the resolver's own
// identifiers have no position), in source order. A dotted external name
// spans its whole dotted text; an imported one, the short name written.
// The names are views into the tree's allocator.
std::vector<ResolvedName> collectResolvedNames(lf::astapi::Program const& program,
                                               std::u16string_view text);

}  // namespace korvex::tool
