#pragma once
// The diagnostics `korvex-nr check` finds, kept apart from their printing so
// that files checked on other threads are printed in path order afterwards,
// and in the format asked for.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/korvex-nr/ResolvedNames.hpp"
#include "tools/korvex-nr/ToolSupport.hpp"

namespace korvex::tool {

struct Diagnostic {
    std::string file;
    std::uint32_t line = 0;       // 1-based; 0 for a diagnostic about the whole file
    std::uint32_t column = 0;     // 1-based, in UTF-16 code units
    std::uint32_t endColumn = 0;  // just after the name the diagnostic points at; 0 if unknown
    std::string severity;         // "error" or "warning"
    std::string identifier;       // KORVEX:...
    std::string message;
    std::string sourceLine;  // the text of `line`, for showing it under the diagnostic
};

// A diagnostic at the 1-based UTF-16 `position` of `source` (0: no position).
Diagnostic diagnosticAt(SourceText const& source, std::uint32_t position, std::string severity,
                        std::string message, std::string identifier);

// A diagnostic whose location its message carries as text.
Diagnostic locatedDiagnostic(SourceText const& source, std::string severity,
                             LocatedDiagnostic const& located);

// Where the time of checking files went, summed over files (and threads).
struct PhaseTimes {
    double readSeconds = 0;
    double parseSeconds = 0;
    double resolveSeconds = 0;
    std::size_t bytes = 0;  // UTF-8 source read

    PhaseTimes& operator+=(PhaseTimes const& other);
};

// `--stats`: the time, bytes and throughput of each phase, and the peak
// resident memory of the process.
void writeStats(std::ostream& out, PhaseTimes const& times);

struct FileReport {
    std::vector<Diagnostic> diagnostics;
    PhaseTimes times;
    // What went wrong with the file itself (unreadable, internal error),
    // printed as it is.
    std::string failure;
    bool unreadable = false;
    bool internalError = false;
    // For the HTML report only: the source text and what its names are.
    std::u16string text;
    std::vector<ResolvedName> names;
};

// The errors (a failure of the file itself counts as one) and warnings of
// one file.
struct DiagnosticCounts {
    unsigned errors = 0;
    unsigned warnings = 0;
};
DiagnosticCounts countDiagnostics(FileReport const& report);

struct CheckSummary {
    std::size_t files = 0;
    unsigned errors = 0;
    unsigned warnings = 0;
    double seconds = 0;
};

// How text output looks: colour, and the source line with a caret under the
// column of each diagnostic.
struct TextStyle {
    bool colour = false;
    bool sourceLines = false;
};

// `FILE:LINE:COL: SEVERITY: TEXT [IDENTIFIER]`, or `FILE: ...` without a
// position, then, when the style asks for it, the source line and a caret.
void writeText(std::ostream& out, Diagnostic const& diagnostic, TextStyle style);

// One JSON document: every diagnostic of `reports`, in order, and the
// summary; docs/check-output.schema.json describes it.
void writeJson(std::ostream& out, std::vector<FileReport> const& reports,
               CheckSummary const& summary);

// A SARIF 2.1.0 log of one run: a rule for every diagnostic identifier, with
// its explanation as help, and a result for every diagnostic.
void writeSarif(std::ostream& out, std::vector<FileReport> const& reports);

}  // namespace korvex::tool
