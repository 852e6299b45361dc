#pragma once
// The callbacks of a resolution that asks nobody: every name may be
// external, imports leave names unchanged, every package is acceptable and
// nothing is known about any workspace.

#include <memory>

#include "front_end/name_resolution/include/INameResolutionCallbacks.hpp"

namespace fe::nr {

std::unique_ptr<INameResolutionCallbacks> createMockNameResolutionCallbacks();

}  // namespace fe::nr
