#include "tools/korvex-nr/EvalCommand.hpp"

#include <CLI/CLI.hpp>
#include <string>

#include "foundation/i18n/Messages.hpp"
#include "front_end/astapi/ParallelBlockWrapping.hpp"
#include "front_end/import/Features.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tools/korvex-nr/CallerOptions.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {

namespace {

// Text run by `eval` or typed at the prompt is statements only.
void rejectDefinitions(lf::astapi::Program const& text) {
    for (lf::astapi::Node const* element : text.elements) {
        lf::astapi::NodeKind const kind = element->kind();
        if (kind == lf::astapi::NodeKind::Function ||
            kind == lf::astapi::NodeKind::ClassDefinition) {
            fe::util::raiseAt<KORVEX::tool::DefinitionInEvaluatedText>(element->position());
        }
    }
}

constexpr char const* kOutputFooter =
    "Prints one line per identifier: NAME#POSITION: CLASSIFICATION and the position of the "
    "identifier that introduced the name (POSITION counts UTF-16 code units from 1; 0 is a "
    "name the resolver made, such as a variable that load creates). The classifications are "
    "printed also when resolution stops at an error. Warnings and the error go to stderr as "
    "FILE:LINE:COL: SEVERITY: TEXT [IDENTIFIER].\n"
    "Exit status: 0 resolved, 1 syntax or name-resolution error (also a text that defines "
    "functions), 2 bad invocation or unreadable input, 3 internal error.";

// `eval` and `section`: text that runs in a workspace known only at run time.
class EvalCommand final : public Subcommand {
  public:
    enum class Kind { EvalBody, Section };

    EvalCommand(CLI::App* command, Kind kind) : Subcommand(command), kind_(kind) {
        source_.addTo(*command);
        output_.addTo(*command);
        caller_.addTo(*command);
        if (kind == Kind::EvalBody) {
            addEvalOptions(*command);
        }
        command->footer(kOutputFooter);
    }

    int run() override {
        SourceText const source = source_.read();
        CallerModel model = caller_.model(source.name);
        model.evalSwitchA = switchA_;
        model.evalSwitchB = switchB_;
        lf::features::setPackageImportsFeature(caller_.packageImports());
        auto const imports = caller_.callerImports();
        return resolveAndPrint(source, output_,
                               [&](lf::astapi::Program& text, fe::astapi::AstNodeFactory& factory,
                                   fe::util::IFrontEndWarningLog& warnings) {
                                   rejectDefinitions(text);
                                   auto callbacks = createSearchPathCallbacks(std::move(model));
                                   fe::nr::ResolutionTimer timer = startResolutionTimer();
                                   return resolve(text, imports, factory, *callbacks, warnings,
                                                  timer);
                               });
    }

  private:
    void addEvalOptions(CLI::App& command) {
        CLI::Option_group* group =
            command.add_option_group("Eval", "How and where the text is evaluated");
        group
            ->add_option("--context", context_,
                         "the eval context value: 0 for text run by eval, nonzero for text "
                         "typed at the command prompt")
            ->default_val(1)
            ->type_name("N");
        group->add_flag("--static-workspace", staticWorkspace_,
                        "the workspace is the static one of a function");
        group->add_flag("--switch-a", switchA_,
                        "the caller's first eval switch: an assignment sets aside every "
                        "function meaning of its name");
        group->add_flag("--switch-b", switchB_,
                        "the caller's second eval switch: the head of a dotted name is asked "
                        "about once more");
        auto* noParallelCheck = group->add_flag(
            "--no-parallel-check", noParallelCheck_,
            "classify the text as an eval body even when it is one parfor or spmd block");
        group
            ->add_flag("--parallel-in-eval", parallelInEval_,
                       "wrap the text into a function and resolve it as a parfor or spmd block "
                       "inside eval; the text is unwrapped again before printing")
            ->excludes(noParallelCheck);
    }

    fe::nr::SymbolTable* resolve(lf::astapi::Program& text,
                                 std::shared_ptr<lf::import::IImportList const> const& imports,
                                 fe::astapi::AstNodeFactory& factory,
                                 fe::nr::INameResolutionCallbacks& callbacks,
                                 fe::util::IFrontEndWarningLog& warnings,
                                 fe::nr::ResolutionTimer& timer) const {
        fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
        if (kind_ == Kind::Section) {
            return resolver.resolveSection(text, imports, factory, callbacks, &timer);
        }
        if (parallelInEval_) {
            fe::astapi::wrapParallelBlock(text, factory);
            return resolver.resolveParallelInEval(text, imports, staticWorkspace_, factory,
                                                  callbacks, &timer);
        }
        if (noParallelCheck_) {
            return resolver.resolveEvalBodyNoParallelCheck(
                text, imports, staticWorkspace_, context_, warnings, factory, callbacks, &timer);
        }
        return resolver.resolveEvalBody(text, imports, staticWorkspace_, context_, warnings,
                                        factory, callbacks, &timer);
    }

    Kind kind_;
    SourceOptions source_;
    CallerOptions caller_;
    DumpOptions output_;
    std::uint32_t context_ = 1;
    bool staticWorkspace_ = false;
    bool switchA_ = false;
    bool switchB_ = false;
    bool noParallelCheck_ = false;
    bool parallelInEval_ = false;
};

}  // namespace

std::unique_ptr<Subcommand> addEvalCommand(CLI::App& app) {
    return std::make_unique<EvalCommand>(
        app.add_subcommand("eval",
                           "Resolve the names of Korvex text handed to eval, against a caller's "
                           "workspace, and print the classification of every identifier."),
        EvalCommand::Kind::EvalBody);
}

std::unique_ptr<Subcommand> addSectionCommand(CLI::App& app) {
    return std::make_unique<EvalCommand>(
        app.add_subcommand("section",
                           "Resolve the names of a command-prompt section against what the "
                           "caller knows statically, and print the classification of every "
                           "identifier."),
        EvalCommand::Kind::Section);
}

}  // namespace korvex::tool
