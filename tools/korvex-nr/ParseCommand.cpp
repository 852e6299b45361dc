#include "tools/korvex-nr/ParseCommand.hpp"

#include <CLI/CLI.hpp>
#include <iostream>

#include "front_end/parser/Parser.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"
#include "tools/korvex-nr/TreePrinter.hpp"

namespace korvex::tool {

namespace {

class ParseCommand final : public Subcommand {
  public:
    explicit ParseCommand(CLI::App* command) : Subcommand(command) {
        source_.addTo(*command);
        command->footer(
            "Exit status: 0 parsed, 1 syntax error (printed as FILE:LINE:COL: error: TEXT "
            "[KORVEX:parse:...]), 2 bad invocation or unreadable input, 3 internal error.");
    }

    int run() override {
        SourceText const source = source_.read();
        fe::astapi::AstNodeFactory factory;
        try {
            lf::astapi::Program const* program = lf::parser::parse(source.text(), factory);
            printTree(std::cout, *program, *source.lines);
            return kSuccess;
        } catch (lf::parser::SyntaxError const& error) {
            printDiagnostic(std::cerr, source, error.position(), "error", error.what(),
                            error.identifier());
            return kUserError;
        }
    }

  private:
    SourceOptions source_;
};

}  // namespace

std::unique_ptr<Subcommand> addParseCommand(CLI::App& app) {
    return std::make_unique<ParseCommand>(app.add_subcommand(
        "parse",
        "Parse a Korvex source text and print its syntax tree, one node a line: kind, "
        "LINE:COL and the node's text, children indented by two spaces."));
}

}  // namespace korvex::tool
