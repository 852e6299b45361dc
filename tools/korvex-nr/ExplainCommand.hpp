#pragma once
// `korvex-nr explain`: what a diagnostic means and how to fix it.

#include <memory>

#include "tools/korvex-nr/Subcommand.hpp"

namespace CLI {
class App;
}

namespace korvex::tool {

std::unique_ptr<Subcommand> addExplainCommand(CLI::App& app);

}  // namespace korvex::tool
