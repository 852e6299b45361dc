#pragma once

#include <string_view>

namespace lf::util {

// True when `text` is one or more identifiers joined by single dots, where an
// identifier is an ASCII letter followed by ASCII letters, digits and '_'.
// "a", "pkg.sub.f" and "x_1.y" qualify; "", "a.", ".a", "a..b", "_a" and
// "1a" do not.
bool isValidDottedIdentifier(std::u16string_view text);

}  // namespace lf::util
