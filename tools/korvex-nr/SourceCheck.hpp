#pragma once
// What `korvex-nr check` does with one parsed source, shared with the
// language server so that an editor shows exactly the diagnostics check
// prints: resolution over the caller model, then the filtering by
// suppression comments and disabled identifiers.

#include <string>
#include <string_view>
#include <vector>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "tools/korvex-nr/CheckReport.hpp"
#include "tools/korvex-nr/SearchPathCallbacks.hpp"

namespace korvex::tool {

// Resolves `program`, parsed from `source`: a class file with the resolver
// that needs no caller, every other program over `model`. Appends the
// warnings, then the error that stopped the resolution (if any). The tree
// keeps what the resolution wrote, also after an error.
void resolveChecked(lf::astapi::Program& program, fe::astapi::AstNodeFactory& factory,
                    SourceText const& source, CallerModel model,
                    std::vector<Diagnostic>& diagnostics);

// What is done for every file besides resolving it.
struct FileChecks {
    std::vector<std::string> disabled;  // short identifiers
    bool reportUnusedIgnores = false;
    bool keepNames = false;        // for the HTML report
    bool allSyntaxErrors = false;  // every syntax error of a file, not the first only
};

// Drops the diagnostics that suppression comments of the UTF-8 `text`
// silence or the settings disable; adds the warnings about ignores that
// silenced nothing.
void filterDiagnostics(std::vector<Diagnostic>& diagnostics, std::string_view text,
                       SourceText const& source, FileChecks const& checks);

}  // namespace korvex::tool
