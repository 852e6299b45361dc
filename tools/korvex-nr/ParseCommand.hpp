#pragma once

#include <memory>

#include "tools/korvex-nr/Subcommand.hpp"

namespace CLI {
class App;
}

namespace korvex::tool {

// `korvex-nr parse`: prints the syntax tree of a source text.
std::unique_ptr<Subcommand> addParseCommand(CLI::App& app);

}  // namespace korvex::tool
