#pragma once
// The location text that leads every located diagnostic.

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/Visibility.hpp"
#include "front_end/langutil/LineInfo.hpp"

namespace fe::util::internal {

// "<source name>:<line>:<column>"; just "<source name>" when the position is
// 0 or 0xFFFFFFFF (no position) or there is no line information. The source
// name is used as given, even when empty. `hot` (output can show hyperlinks)
// adds nothing to the text at present; it is accepted so that a linked form
// can be added without touching the callers.
KORVEX_VISIBLE std::u16string createSourceLocationDescription(
    std::u16string const& sourceName, std::shared_ptr<lf::util::LineInfo const> const& lineInfo,
    uint32_t position, bool hot);

// createSourceLocationDescription with the process's hyperlink setting.
KORVEX_VISIBLE std::u16string describeLocation(
    std::u16string const& sourceName, std::shared_ptr<lf::util::LineInfo const> const& lineInfo,
    uint32_t position);

}  // namespace fe::util::internal
