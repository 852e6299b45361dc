#pragma once
// What the subcommands of korvex-nr share: exit statuses, the source text
// options (FILE, `-e TEXT`, `-` for stdin, `--name NAME`) and the printing
// of diagnostics.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>

#include "front_end/langutil/LineInfo.hpp"
#include "tools/korvex-nr/Subcommand.hpp"

namespace CLI {
class App;
class Option;
}  // namespace CLI

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

// A source text ready for the parser: UTF-16 without byte-order mark, its
// line information and the name diagnostics use.
struct SourceText {
    std::u16string name;
    std::u16string text;
    std::shared_ptr<lf::util::LineInfo const> lines;
};

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

}  // namespace korvex::tool
