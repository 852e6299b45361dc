// Resolution and filtering of one source for `check` and the language
// server. The error that stops a resolution comes after its warnings, as
// the resolver logged them before it stopped.

#include "tools/korvex-nr/SourceCheck.hpp"

#include <algorithm>
#include <optional>

#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/WarningLog.hpp"
#include "tools/korvex-nr/CheckSettings.hpp"
#include "tools/korvex-nr/Suppressions.hpp"

namespace korvex::tool {

void resolveChecked(lf::astapi::Program& program, fe::astapi::AstNodeFactory& factory,
                    SourceText const& source, CallerModel model,
                    std::vector<Diagnostic>& diagnostics) {
    fe::nr::INameResolver const& resolver = fe::nr::getNameResolver();
    fe::util::CollectingFrontEndWarningLog warnings(source.name, source.lines);
    std::optional<LocatedDiagnostic> failure;
    try {
        if (program.programKind == lf::astapi::ProgramKind::ClassFile) {
            resolver.resolveProgramLocally(program, source.name, factory);
        } else {
            auto callbacks = createSearchPathCallbacks(std::move(model));
            fe::nr::ResolutionTimer timer = startResolutionTimer();
            resolver.resolveProgram(program, source.name, warnings, factory, *callbacks, &timer);
        }
    } catch (fe::util::IFrontEndUserException const& error) {
        failure = describeUserError(error, source);
    }
    for (fe::util::CollectedWarning const& warning : warnings.warnings()) {
        diagnostics.push_back(locatedDiagnostic(
            source, "warning", {warning.location, warning.text, warning.identifier}));
    }
    if (failure) {
        diagnostics.push_back(locatedDiagnostic(source, "error", *failure));
    }
}

void filterDiagnostics(std::vector<Diagnostic>& diagnostics, std::string_view text,
                       SourceText const& source, FileChecks const& checks) {
    Suppressions suppressions(text);
    std::erase_if(diagnostics, [&suppressions](Diagnostic const& diagnostic) {
        return suppressions.silences(diagnostic);
    });
    if (checks.reportUnusedIgnores) {
        for (Diagnostic& warning : suppressions.unusedIgnores(source)) {
            diagnostics.push_back(std::move(warning));
        }
    }
    std::erase_if(diagnostics, [&checks](Diagnostic const& diagnostic) {
        return std::ranges::find(checks.disabled, shortIdentifier(diagnostic.identifier)) !=
               checks.disabled.end();
    });
}

}  // namespace korvex::tool
