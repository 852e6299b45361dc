#pragma once
// The command-line options that model the resolver's caller: the search
// path, names known besides it, the package-imports switch, and what the
// caller's workspace holds (`--workspace`, `--static`, `--import`).

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "front_end/name_resolution/include/ISymbolTable.hpp"
#include "tools/korvex-nr/SearchPathCallbacks.hpp"

namespace CLI {
class App;
class Option;
}  // namespace CLI
namespace lf::import {
class IImportList;
}

namespace korvex::tool {

class CallerOptions {
  public:
    void addTo(CLI::App& command);

    // The model for resolving the source named `sourceName` (its `private`
    // folder is the one beside it). Invalid values raise InvocationError.
    CallerModel model(std::u16string const& sourceName) const;

    bool packageImports() const { return packageImports_; }
    // Whether --package-imports or --no-package-imports was given, so that a
    // project file's setting yields to it.
    bool packageImportsGiven() const;

    // The raw values, for the check command's merge with the project file.
    std::vector<std::string> const& searchPath() const { return path_; }
    std::vector<std::string> const& externals() const { return externals_; }
    std::vector<std::string> const& externalPackages() const { return externalPackages_; }
    std::string const& builtinsFile() const { return builtinsFile_; }

    // The import list in force in the caller's scope, from `--import`.
    std::shared_ptr<lf::import::IImportList const> callerImports() const;

  private:
    std::vector<std::string> path_;
    std::vector<std::string> externals_;
    std::vector<std::string> externalPackages_;
    std::string builtinsFile_;
    bool packageImports_ = false;
    CLI::Option* packageImportsOption_ = nullptr;
    std::vector<std::string> workspace_;
    std::vector<std::string> statics_;
    std::vector<std::string> imports_;
};

// `NAME=KIND[:INFO[:UNSETTLED]]`, KIND one of UNKNOWN, VARIABLE,
// NESTED_FUNCTION, LOCAL_FUNCTION, EXTERNAL; INFO and UNSETTLED are unsigned
// 32-bit numbers, 0 when left out.
std::pair<std::u16string, fe::nr::ClassificationData> parseStaticAnswer(std::string_view text);

// The names of a built-ins file, one plain or dotted name a line. Blank lines
// and lines starting with '%' are skipped; surrounding white space is
// ignored. `fileName` names the file in errors.
std::vector<std::u16string> parseBuiltinNames(std::string_view content,
                                              std::string const& fileName);

// The names of the built-ins file at `path` (see parseBuiltinNames);
// InvocationError when it cannot be read.
std::vector<std::u16string> readBuiltinNames(std::string const& path);

// `text` as a plain name, or a plain or dotted one when `dotted`; `what`
// names the value in the InvocationError raised when it is neither.
std::u16string validName(std::string_view text, bool dotted, std::string const& what);

// An import list made of import arguments, in order, as if one `import`
// statement of the caller's scope held them.
std::shared_ptr<lf::import::IImportList const> buildImportList(
    std::vector<std::string> const& arguments, bool packageImportsOn);

}  // namespace korvex::tool
