#pragma once

#include <memory>

#include "tools/korvex-nr/Subcommand.hpp"

namespace CLI {
class App;
}

namespace korvex::tool {

// `korvex-nr resolve`: resolves a program file over a search path and prints
// the classification of every identifier.
std::unique_ptr<Subcommand> addResolveCommand(CLI::App& app);

}  // namespace korvex::tool
