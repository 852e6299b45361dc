#pragma once
// A record of the messages a process raises, for the test that counts a
// message of the catalog as covered only when some test really raises it.
// Inert unless the environment variable KORVEX_RAISED_MESSAGES names a file:
// then every user error thrown and every warning logged appends its
// identifier to that file, one a line.

#include <string_view>

#include "foundation/Visibility.hpp"

namespace fl::i18n {

// `errorId` as users see it, e.g. "KORVEX:lang:VariableShadowedInEval".
KORVEX_VISIBLE void noteRaisedMessage(std::string_view errorId);

}  // namespace fl::i18n
