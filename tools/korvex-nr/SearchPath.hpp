#pragma once
// The folders in which a Korvex program's external names are looked up.
//
// In each folder of the path, `name.kx` is the function or class `name`, a
// folder `@Name` holds the class `Name` and a folder `+pkg` is the package
// `pkg`, whose folder holds its functions, classes and subpackages in the same
// way (`+a/+b/f.kx` is `a.b.f`, `+p/@C` is `p.C`). A package may be spread
// over several folders of the path. Besides, the folder `private` beside a
// resolved file holds functions and classes that only that file sees.
//
// Every folder (the `private` folders too) is listed once, at its first use,
// whichever thread asks; later changes on disk are not seen. One object
// serves every file of a run, on every thread.

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::tool {

class SearchPath {
  public:
    explicit SearchPath(std::vector<std::filesystem::path> folders);

    // Whether `dottedName` names a function, class or package on the path,
    // or a function or class in `privateFolder` (the `private` folder beside
    // the resolved file, which need not exist) when one is given. Names that
    // are not identifiers joined by dots name nothing.
    bool names(std::u16string_view dottedName,
               std::optional<std::filesystem::path> const& privateFolder = std::nullopt) const;
    // Whether `dottedName` names a package on the path.
    bool namesPackage(std::u16string_view dottedName) const;

  private:
    // What one folder holds, by name.
    struct Listing {
        std::set<std::string, std::less<>> functions;
        std::set<std::string, std::less<>> classes;
        std::set<std::string, std::less<>> packages;
    };
    enum class Wanted { anything, package };

    bool find(std::u16string_view dottedName, Wanted wanted,
              std::optional<std::filesystem::path> const& privateFolder) const;
    bool findIn(std::filesystem::path folder, std::vector<std::string> const& components,
                Wanted wanted) const;
    Listing const& listing(std::filesystem::path const& folder) const;

    std::vector<std::filesystem::path> folders_;
    // Readers share the cache; a new listing is made outside the lock.
    mutable std::shared_mutex cacheMutex_;
    mutable std::map<std::filesystem::path, Listing> listings_;
};

}  // namespace korvex::tool
