#include "tools/korvex-nr/ResolveCommand.hpp"

#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <string>

#include "foundation/text/Utf.hpp"
#include "front_end/import/Features.hpp"
#include "front_end/name_resolution/SymbolTableListing.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/parser/Parser.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tools/korvex-nr/CallerOptions.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {

namespace {

class ResolveCommand final : public Subcommand {
  public:
    explicit ResolveCommand(CLI::App* command) : Subcommand(command) {
        source_.addTo(*command);
        command->add_flag("--local", local_,
                          "resolve the program's own names only, without asking the search path "
                          "(names from outside stay unannotated)");
        command->add_flag("--tables", tables_,
                          "after the classifications, print the symbol tables: a line "
                          "'symbol tables:', then one line 'NAME : CLASSIFICATION' per entry, "
                          "nested scopes indented by one more space");
        caller_.addTo(*command);
        command->footer(
            "Prints one line per identifier: NAME#POSITION: CLASSIFICATION and the position "
            "of the identifier that introduced the name (POSITION counts UTF-16 code units "
            "from 1). The classifications are printed also when resolution stops at an "
            "error. Diagnostics go to stderr as FILE:LINE:COL: error: TEXT [IDENTIFIER].\n"
            "Exit status: 0 resolved, 1 syntax or name-resolution error, 2 bad invocation or "
            "unreadable input, 3 internal error or a program the resolver does not take (a "
            "class file without --local).");
    }

    int run() override {
        SourceText const source = source_.read();
        CallerModel model = caller_.model(source.name);
        lf::features::setPackageImportsFeature(caller_.packageImports());

        fe::astapi::AstNodeFactory factory;
        lf::astapi::Program* program = nullptr;
        try {
            program = lf::parser::parse(source.text, factory);
        } catch (lf::parser::SyntaxError const& error) {
            printDiagnostic(std::cerr, source, error.position(), "error", error.what(),
                            error.identifier());
            return kUserError;
        }

        fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
        fe::util::CollectingFrontEndWarningLog warnings(source.name, source.lines);
        std::optional<LocatedDiagnostic> failure;
        fe::nr::SymbolTable* table = nullptr;
        try {
            if (local_) {
                table = resolver.resolveProgramLocally(*program, source.name, factory);
            } else {
                auto callbacks = createSearchPathCallbacks(std::move(model));
                fe::nr::ResolutionTimer timer = startResolutionTimer();
                table = resolver.resolveProgram(*program, source.name, warnings, factory,
                                                *callbacks, &timer);
            }
        } catch (fe::util::IFrontEndUserException const& error) {
            failure = describeUserError(error, source);
        }

        std::cout << resolver.dumpClassifications(*program);
        if (tables_ && table != nullptr) {
            std::cout << "symbol tables:\n";
            fe::nr::listSymbolTable(*table, std::cout);
        }
        for (fe::util::CollectedWarning const& warning : warnings.warnings()) {
            printLocated(std::cerr, source, "warning",
                         {warning.location, warning.text, warning.identifier});
        }
        if (failure) {
            printLocated(std::cerr, source, "error", *failure);
            return kUserError;
        }
        return kSuccess;
    }

  private:
    SourceOptions source_;
    CallerOptions caller_;
    bool local_ = false;
    bool tables_ = false;
};

}  // namespace

std::unique_ptr<Subcommand> addResolveCommand(CLI::App& app) {
    return std::make_unique<ResolveCommand>(app.add_subcommand(
        "resolve",
        "Resolve the names of a Korvex program file over a search path and print the "
        "classification of every identifier."));
}

}  // namespace korvex::tool
