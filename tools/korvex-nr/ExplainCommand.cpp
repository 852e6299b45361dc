#include "tools/korvex-nr/ExplainCommand.hpp"

#include <CLI/CLI.hpp>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/korvex-nr/Explanations.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {

namespace {

void printIndented(std::ostream& out, std::string const& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        out << (line.empty() ? "" : "    ") << line << '\n';
    }
}

class ExplainCommand final : public Subcommand {
  public:
    explicit ExplainCommand(CLI::App* command) : Subcommand(command) {
        CLI::Option* identifier = command->add_option(
            "IDENTIFIER", identifier_,
            "a diagnostic's identifier, as printed between brackets (the leading 'KORVEX:' may "
            "be left out)");
        command->add_flag("--list", list_, "list every identifier that can be explained")
            ->excludes(identifier);
        command->footer(
            "Prints what the diagnostic means, a minimal program that raises it and how to fix "
            "it.\nExit status: 0 explained, 2 an unknown identifier or none given.");
    }

    int run() override {
        if (list_) {
            for (auto const& [identifier, explanation] : explanations()) {
                std::cout << identifier << " (" << severityOf(identifier) << ")\n";
            }
            return kSuccess;
        }
        if (identifier_.empty()) {
            throw InvocationError("name the IDENTIFIER to explain, or use --list");
        }
        Explanation const* explanation = findExplanation(identifier_);
        if (explanation == nullptr) {
            throw InvocationError("no diagnostic is named '" + identifier_ +
                                  "'; 'korvex-nr explain --list' lists them");
        }
        std::string const identifier =
            identifier_.starts_with("KORVEX:") ? identifier_ : "KORVEX:" + identifier_;
        std::cout << identifier << " (" << severityOf(identifier) << ")\n\n";
        printIndented(std::cout, explanation->meaning);
        std::cout << "\nA program that raises it:\n\n";
        printIndented(std::cout, explanation->example);
        std::cout << "\nHow to fix it:\n\n";
        printIndented(std::cout, explanation->fix);
        return kSuccess;
    }

  private:
    std::string identifier_;
    bool list_ = false;
};

}  // namespace

std::unique_ptr<Subcommand> addExplainCommand(CLI::App& app) {
    return std::make_unique<ExplainCommand>(app.add_subcommand(
        "explain", "Explain a diagnostic: what it means, a program that raises it, the fix."));
}

}  // namespace korvex::tool
