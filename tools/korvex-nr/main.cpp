// korvex-nr: the command-line tool over the Korvex front end. Each
// subcommand lives in a file of its own and is registered here.

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <memory>
#include <utility>
#include <vector>

#include "tools/korvex-nr/CheckCommand.hpp"
#include "tools/korvex-nr/EvalCommand.hpp"
#include "tools/korvex-nr/ExplainCommand.hpp"
#include "tools/korvex-nr/ParseCommand.hpp"
#include "tools/korvex-nr/ResolveCommand.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"
#include "tools/korvex-nr/lsp/LspCommand.hpp"

int main(int argc, char** argv) {
    using namespace korvex::tool;
    CLI::App app("Korvex front-end tool: parse Korvex (.kx) programs and resolve their names.",
                 "korvex-nr");
    app.require_subcommand(1);
    app.footer("Run 'korvex-nr SUBCOMMAND --help' for the options of a subcommand.");

    std::vector<std::unique_ptr<Subcommand>> commands;
    commands.push_back(addParseCommand(app));
    commands.push_back(addResolveCommand(app));
    commands.push_back(addEvalCommand(app));
    commands.push_back(addSectionCommand(app));
    commands.push_back(addCheckCommand(app));
    commands.push_back(addExplainCommand(app));
    commands.push_back(addLspCommand(app));

    try {
        app.parse(argc, argv);
    } catch (CLI::ParseError const& error) {
        return app.exit(error) == 0 ? kSuccess : kBadInvocation;
    }
    try {
        for (auto const& command : commands) {
            if (command->selected()) {
                return command->run();
            }
        }
        std::cerr << "korvex-nr: error: no subcommand given\n";
        return kBadInvocation;
    } catch (InvocationError const& error) {
        std::cerr << "korvex-nr: error: " << error.what() << '\n';
        return kBadInvocation;
    } catch (std::exception const& error) {
        std::cerr << "korvex-nr: internal error: " << error.what() << '\n';
        return kInternalError;
    }
}
