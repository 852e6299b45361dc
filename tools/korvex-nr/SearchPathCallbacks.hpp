#pragma once
// The tool's answers to the name resolver's questions about the world outside
// the program, from a search path and what the command line says.

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "front_end/name_resolution/include/INameResolutionCallbacks.hpp"
#include "tools/korvex-nr/NameSet.hpp"
#include "tools/korvex-nr/SearchPath.hpp"

namespace korvex::tool {

class ExternalNames;

// What a caller of the resolver knows.
struct CallerModel {
    // Searched in order; see SearchPath.
    std::vector<std::filesystem::path> searchPath;
    // The `private` folder beside the resolved file.
    std::optional<std::filesystem::path> privateFolder;
    // Plain or dotted names known to exist besides the search path (built-in
    // functions, names given on the command line). The packages that hold a
    // dotted one exist too: `p.q.f` makes `p` and `p.q` packages.
    std::vector<std::u16string> knownNames;
    // Packages whose every dotted name exists (a foreign-language bridge, a
    // framework of the environment): `java` makes `java`, `java.awt` and
    // `java.awt.Robot` known without listing them.
    std::vector<std::u16string> externalPackages;
    std::vector<std::u16string> workspaceVariables;
    std::map<std::u16string, fe::nr::ClassificationData, std::less<>> staticClassifications;
    bool evalSwitchA = false;
    bool evalSwitchB = false;
    // The search path, known names and external packages above, already
    // read; shared by the resolutions of one run. When null, the callbacks
    // read them for themselves.
    std::shared_ptr<ExternalNames const> externalNames;
};

// What exists outside the programs of a run: the search path (each folder
// listed once, whichever thread asks first), the known names and the
// external packages. Made once per run and shared by every file's callbacks,
// on every thread.
class ExternalNames {
  public:
    explicit ExternalNames(CallerModel const& model);

    // A function, class or package of that name exists: known, under an
    // external package, on the search path, or in `privateFolder` when one
    // is given.
    bool names(std::u16string_view name, SearchPath::PrivateFolder const* privateFolder) const;
    // A package of that name exists.
    bool namesPackage(std::u16string_view name) const;
    // The search path, to hand it listings made for other ends.
    SearchPath const& searchPath() const { return path_; }

  private:
    bool underExternalPackage(std::u16string_view name) const;

    SearchPath path_;
    std::vector<std::u16string> externalPackages_;
    // The known names and every package that holds a known dotted name, in
    // one table so that a name is looked up once; true for the packages.
    NameTable<char16_t, bool> known_;
};

// Reads the model's search path, known names and external packages into a
// new shared `model.externalNames` and empties them in the model, whose
// copies for each file then hold nothing of them.
void shareExternalNames(CallerModel& model);

// The callbacks answer:
// - isKnownExternalName: the name is on the search path, known by the model
//   or under one of its external packages.
// - resolveImportedName: the first of the import list's candidates for the
//   name (lf::import::candidateQualifiedNames) that is known, else the name
//   itself when it is known, else nothing. The answer is interned with the
//   factory given, so it lives as long as the tree.
// - checkPackage: nothing when the package exists (on the path, behind a
//   known name or under an external package), else
//   KORVEX:tool:PackageNotFound.
// - lookupStaticClassification, isWorkspaceVariable, evalSwitchA,
//   evalSwitchB: what the model says.
std::unique_ptr<fe::nr::INameResolutionCallbacks> createSearchPathCallbacks(CallerModel model);

}  // namespace korvex::tool
