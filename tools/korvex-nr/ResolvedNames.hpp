#pragma once
// What the resolver decided for each identifier of a source, as the HTML
// report shows it.

#include <cstdint>
#include <string>
#include <vector>

#include "front_end/astapi/Nodes.hpp"

namespace korvex::tool {

struct ResolvedName {
    std::uint32_t position = 0;  // 1-based UTF-16 offset in the source
    std::uint32_t length = 0;    // in UTF-16 code units
    lf::astapi::IdKind kind = lf::astapi::IdKind::UNKNOWN;
    std::uint32_t introducer = 0;  // position of the introducing identifier; 0 if none
    // A variable that a function and a function nested in it share.
    bool shared = false;
};

// Every identifier of `program` that stands in `text` (the resolver's own
// identifiers have no position), in source order. A dotted external name
// spans its whole dotted text.
std::vector<ResolvedName> collectResolvedNames(lf::astapi::Program const& program,
                                               std::u16string_view text);

}  // namespace korvex::tool
