// Registers `korvex-nr lsp`. Standard output carries the protocol alone, so
// nothing else may print there while the server runs.

#include "tools/korvex-nr/lsp/LspCommand.hpp"

#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/korvex-nr/lsp/Server.hpp"

namespace korvex::tool {

namespace {

class LspCommand final : public Subcommand {
  public:
    explicit LspCommand(CLI::App* command) : Subcommand(command) {
        command->footer(
            "Speaks the Language Server Protocol 3.17 on stdin and stdout: diagnostics, "
            "semantic tokens, definition, highlights, references, hover and rename for .kx "
            "files. The settings are those of the workspace folder's korvex.toml, else the "
            "client's initializationOptions (docs/lsp.md).\n"
            "Exit status: 0 after shutdown and exit, 1 when the input ends or exit comes "
            "without shutdown.");
    }

    int run() override {
        std::ios::sync_with_stdio(false);
        return lsp::runLanguageServer(std::cin, std::cout);
    }
};

}  // namespace

std::unique_ptr<Subcommand> addLspCommand(CLI::App& app) {
    return std::make_unique<LspCommand>(app.add_subcommand(
        "lsp", "Run a language server for editors on stdin and stdout (docs/lsp.md)."));
}

}  // namespace korvex::tool
