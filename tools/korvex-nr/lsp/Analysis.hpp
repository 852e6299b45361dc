#pragma once
// What the server knows about one version of a document: its diagnostics
// and what every identifier resolved to, from one parse and resolution done
// exactly as `korvex-nr check` does them. The features (tokens, definition,
// highlights, references, hover, rename) are answered from it alone.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "tools/korvex-nr/CheckReport.hpp"
#include "tools/korvex-nr/ResolvedNames.hpp"
#include "tools/korvex-nr/SearchPathCallbacks.hpp"
#include "tools/korvex-nr/SourceCheck.hpp"
#include "tools/korvex-nr/lsp/SemanticTokens.hpp"

namespace korvex::lsp {

// How documents are resolved: the caller model (its external names read
// once and shared) and what check would filter.
struct AnalysisSettings {
    tool::CallerModel model;
    tool::FileChecks checks;
};

// An argument of an `import` statement as written.
struct ImportSite {
    std::uint32_t position = 0;  // 1-based UTF-16 offset
    std::u16string_view text;    // `p.q.f` or `p.q.*`, in the factory's allocator
};

struct Analysis {
    // Errors and warnings of the parse and the resolution, with 1-based
    // lines and columns.
    std::vector<tool::Diagnostic> diagnostics;
    // Every identifier written in the text, by position; their names and
    // the import texts are views into `factory`'s allocator.
    std::vector<tool::ResolvedName> names;
    std::vector<ImportSite> imports;
    std::unique_ptr<fe::astapi::AstNodeFactory> factory;

    // The name written over the 0-based `offset`, or the one ending right
    // before it (where a cursor after a name stands).
    tool::ResolvedName const* nameAt(std::size_t offset) const;
    // The name that `position` (1-based) introduces or stands at.
    tool::ResolvedName const* nameStartingAt(std::uint32_t position) const;
    // Every name meaning the same as `name`, by position: those with its
    // introducer for variables and functions of the file, those of the same
    // text and kind for the others.
    std::vector<tool::ResolvedName const*> sameMeaning(tool::ResolvedName const& name) const;
    // The import argument that brought an imported name in: the last one
    // before it naming it exactly or by a wildcard.
    ImportSite const* importOf(tool::ResolvedName const& name) const;
};

// Parses and resolves `text`, the content of `file` (whose folder's
// `private` folder the callbacks search).
std::shared_ptr<Analysis const> analyze(std::u16string const& text,
                                        std::filesystem::path const& file,
                                        AnalysisSettings const& settings);

// Whether the variable or function of the file `name` can be renamed.
bool isRenamable(tool::ResolvedName const& name);

// Appends the semantic token(s) of one name (a dotted external name gives
// its package prefix a token of its own), in order, at 1-based offsets; the
// server turns them into lines and columns.
struct NameToken {
    std::uint32_t position = 0;
    std::uint32_t length = 0;
    TokenType type = TokenType::Variable;
    std::uint32_t modifiers = 0;
};
void appendTokens(tool::ResolvedName const& name, std::vector<NameToken>& tokens);

// "variable", "nested function"...: what the name is, in words, with what
// its modifiers add ("shared with a nested function", "global"...).
std::string describe(tool::ResolvedName const& name);

}  // namespace korvex::lsp
