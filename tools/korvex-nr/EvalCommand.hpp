#pragma once

#include <memory>

#include "tools/korvex-nr/Subcommand.hpp"

namespace CLI {
class App;
}

namespace korvex::tool {

// `korvex-nr eval`: resolves text handed to eval against a caller's workspace.
std::unique_ptr<Subcommand> addEvalCommand(CLI::App& app);

// `korvex-nr section`: resolves a command-prompt section.
std::unique_ptr<Subcommand> addSectionCommand(CLI::App& app);

}  // namespace korvex::tool
