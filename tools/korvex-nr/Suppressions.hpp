#pragma once
// Suppression comments: a trailing `% korvex-nr: ignore ID[,ID...]` silences
// those diagnostics on its line; `% korvex-nr: ignore-file ID[,ID...]` in
// the comment block at the top of a file silences them in the whole file.
// Identifiers may be written with or without their `KORVEX:` prefix.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/korvex-nr/CheckReport.hpp"

namespace korvex::tool {

class Suppressions {
  public:
    // The suppression comments of the UTF-8 source `text`.
    explicit Suppressions(std::string_view text);

    // Whether a comment silences `diagnostic`; the comments that do are
    // marked used.
    bool silences(Diagnostic const& diagnostic);

    // A warning for each identifier of a comment that silenced nothing, in
    // `file`.
    std::vector<Diagnostic> unusedIgnores(SourceText const& source) const;

  private:
    struct Ignore {
        std::uint32_t line;    // of the comment
        std::uint32_t column;  // of the identifier, for the unused-ignore warning
        bool wholeFile;
        // An ignore-file below the first line of code: it silences nothing,
        // so that it is reported as unused.
        bool misplaced;
        std::string identifier;
        bool used = false;
    };
    std::vector<Ignore> ignores_;
};

}  // namespace korvex::tool
