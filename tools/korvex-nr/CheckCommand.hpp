#pragma once

#include <memory>

#include "tools/korvex-nr/Subcommand.hpp"

namespace CLI {
class App;
}

namespace korvex::tool {

// `korvex-nr check`: resolves every Korvex file under the given files and
// folders, on several threads, and prints their diagnostics.
std::unique_ptr<Subcommand> addCheckCommand(CLI::App& app);

}  // namespace korvex::tool
