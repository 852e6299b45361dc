#pragma once
// What the subcommands of korvex-nr share: exit statuses, the source text
// options (FILE, `-e TEXT`, `-` for stdin, `--name NAME`) and the printing
// of diagnostics.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/langutil/LineInfo.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "tools/korvex-nr/Subcommand.hpp"

namespace CLI {
class App;
class Option;
}  // namespace CLI
namespace fe::util {
class IFrontEndUserException;
class IFrontEndWarningLog;
}  // namespace fe::util

namespace korvex::tool {

enum ExitStatus : int {
    kSuccess = 0,
    kUserError = 1,      // a syntax or name-resolution error in the input
    kBadInvocation = 2,  // wrong options, unreadable input
    kInternalError = 3,  // a fault or refusal of the library
};

// Wrong options or unreadable input; main prints it and exits with 2.
class InvocationError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A source text: the name diagnostics use, and the text without byte-order
// mark with its line information. The UTF-16 form of the text is made at the
// first question about it, which a checked file without diagnostics never
// asks.
struct SourceText {
    std::u16string name;
    std::shared_ptr<lf::util::LineInfo const> lines;

    // The text in UTF-16, as the parser reads it and positions count it.
    std::u16string_view text() const { return lines->text(); }
};

// `utf8` without the byte-order mark it may start with.
std::string_view withoutByteOrderMark(std::string_view utf8);

// UTF-8 text (with or without byte-order mark) as a source named `name`.
SourceText makeSourceText(std::u16string name, std::string_view utf8);

// The options that choose the text a subcommand works on.
class SourceOptions {
  public:
    void addTo(CLI::App& command);
    SourceText read() const;

  private:
    CLI::Option* textOption_ = nullptr;
    std::string file_;
    std::string text_;
    std::string name_;
};

// `FILE:LINE:COL: SEVERITY: TEXT [IDENTIFIER]`, or `FILE: ...` without a
// position.
void printDiagnostic(std::ostream& out, SourceText const& source, std::uint32_t position,
                     char const* severity, std::string const& text, std::string const& identifier);

// A diagnostic whose location the message already carries as text (empty
// when it has none).
struct LocatedDiagnostic {
    std::u16string location;
    std::u16string text;
    std::string identifier;
};

// The user's error for a resolution of `source` that stopped at `error`.
LocatedDiagnostic describeUserError(fe::util::IFrontEndUserException const& error,
                                    SourceText const& source);

// As printDiagnostic, for a diagnostic located by its message.
void printLocated(std::ostream& out, SourceText const& source, char const* severity,
                  LocatedDiagnostic const& diagnostic);

// A timer for one resolution, started now.
fe::nr::ResolutionTimer startResolutionTimer();

// How `resolve`, `eval` and `section` print their results (`--tables`,
// `--positions`).
class DumpOptions {
  public:
    void addTo(CLI::App& command);

    // Rewrites the positions of a classification dump (`NAME#OFFSET: ...
    // Introduced#OFFSET`) as `NAME@LINE:COL` when asked; position 0, a name
    // the resolver made, becomes `@-`.
    std::string formatDump(std::string const& dump, lf::util::LineInfo const& lines) const;
    // The same for a listing of symbol tables, whose anonymous-function
    // scopes are named by position (`[anonymous function #OFFSET]`).
    std::string formatTables(std::string const& listing, lf::util::LineInfo const& lines) const;
    bool printsTables() const { return tables_; }

  private:
    bool tables_ = false;
    std::string positions_ = "offset";
};

// Runs one resolution of a parsed source.
using ResolveTree = std::function<fe::nr::SymbolTable*(lf::astapi::Program& tree,
                                                       fe::astapi::AstNodeFactory& factory,
                                                       fe::util::IFrontEndWarningLog& warnings)>;

// What `resolve`, `eval` and `section` share: parses `source`, resolves it
// with `resolve` and prints the classification dump on stdout (also after a
// user error) and the symbol tables as `output` says, then the warnings and
// the error on stderr. Returns the exit status.
int resolveAndPrint(SourceText const& source, DumpOptions const& output,
                    ResolveTree const& resolve);

}  // namespace korvex::tool
