#pragma once
// The folders in which a Korvex program's external names are looked up.
//
// In each folder of the path, `name.kx` is the function or class `name`, a
// folder `@Name` holds the class `Name` and a folder `+pkg` is the package
// `pkg`, whose folder holds its functions, classes and subpackages in the same
// way (`+a/+b/f.kx` is `a.b.f`, `+p/@C` is `p.C`). A package may be spread
// over several folders of the path. Besides, the folder `private` beside the
// resolved file holds functions and classes that only that file sees.
//
// Every folder is listed once, at its first use; later changes on disk are
// not seen. The object may be shared between threads.

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::tool {

class SearchPath {
  public:
    // `privateFolder`, when given, is the `private` folder beside the
    // resolved file (it need not exist).
    SearchPath(std::vector<std::filesystem::path> folders,
               std::optional<std::filesystem::path> privateFolder);

    // Whether `dottedName` names a function, class or package on the path.
    // Names that are not identifiers joined by dots name nothing.
    bool names(std::u16string_view dottedName) const;
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

    bool find(std::u16string_view dottedName, Wanted wanted) const;
    bool findIn(std::filesystem::path folder, std::vector<std::string> const& components,
                Wanted wanted) const;
    Listing const& listing(std::filesystem::path const& folder) const;

    std::vector<std::filesystem::path> folders_;
    std::optional<std::filesystem::path> privateFolder_;
    mutable std::mutex cacheMutex_;
    mutable std::map<std::filesystem::path, Listing> listings_;
};

}  // namespace korvex::tool
