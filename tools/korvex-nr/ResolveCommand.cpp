#include "tools/korvex-nr/ResolveCommand.hpp"

#include <CLI/CLI.hpp>
#include <string>

#include "front_end/import/Features.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
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
        output_.addTo(*command);
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
        return resolveAndPrint(
            source, output_,
            [&](lf::astapi::Program& program, fe::astapi::AstNodeFactory& factory,
                fe::util::IFrontEndWarningLog& warnings) {
                fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
                if (local_) {
                    return resolver.resolveProgramLocally(program, source.name, factory);
                }
                auto callbacks = createSearchPathCallbacks(std::move(model));
                fe::nr::ResolutionTimer timer = startResolutionTimer();
                return resolver.resolveProgram(program, source.name, warnings, factory, *callbacks,
                                               &timer);
            });
    }

  private:
    SourceOptions source_;
    CallerOptions caller_;
    bool local_ = false;
    DumpOptions output_;
};

}  // namespace

std::unique_ptr<Subcommand> addResolveCommand(CLI::App& app) {
    return std::make_unique<ResolveCommand>(app.add_subcommand(
        "resolve",
        "Resolve the names of a Korvex program file over a search path and print the "
        "classification of every identifier."));
}

}  // namespace korvex::tool
