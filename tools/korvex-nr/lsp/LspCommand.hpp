#pragma once
// `korvex-nr lsp`: the language server on standard input and output.

#include <memory>

#include "tools/korvex-nr/Subcommand.hpp"

namespace korvex::tool {

std::unique_ptr<Subcommand> addLspCommand(CLI::App& app);

}  // namespace korvex::tool
