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
// whichever thread asks, or taken from a listing the caller already made;
// later changes on disk are not seen. Listings are kept by absolute path
// without `.` components, so `./a` and `a` share one. One object serves
// every file of a run, on every thread.

#include <filesystem>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "tools/korvex-nr/FileReading.hpp"
#include "tools/korvex-nr/NameSet.hpp"

namespace korvex::tool {

class SearchPath {
  public:
    explicit SearchPath(std::vector<std::filesystem::path> folders);

    // Keeps `entries`, the caller's listing of `folder`, as that folder's
    // listing (a listing kept already stays), and an empty one for
    // `folder/private` when `entries` hold no folder of that name: a walk
    // over the files to check lists most folders anyway, and files beside
    // which no `private` folder exists are the rule.
    void recordListing(std::filesystem::path const& folder,
                       std::vector<FolderEntry> const& entries) const;

    // Whether `dottedName` names a function, class or package on the path,
    // or a function or class in the folder whose key is `privateFolderKey`
    // (the `private` folder beside the resolved file, which need not exist)
    // when one is given. Names that are not identifiers joined by dots name
    // nothing.
    bool names(std::u16string_view dottedName, std::string_view privateFolderKey = {}) const;
    // Whether `dottedName` names a package on the path.
    bool namesPackage(std::u16string_view dottedName) const;

    // `folder` as a key of the cache: absolute, its components joined by
    // single slashes, without `.` components; never empty. A caller that asks
    // about one private folder many times makes its key once.
    std::string keyOf(std::filesystem::path const& folder) const;

  private:
    // What one folder holds, by name.
    struct Listing {
        NameSet<char> functions;
        NameSet<char> classes;
        NameSet<char> packages;
    };
    enum class Wanted { anything, package };

    bool find(std::u16string_view dottedName, Wanted wanted,
              std::string_view privateFolderKey) const;
    // Whether `dottedName`, valid and in ASCII, is found below the folder
    // whose key is `folder`.
    bool findIn(std::string const& folder, std::string_view dottedName, Wanted wanted) const;
    // The listing of `folder`, a key of the cache.
    Listing const& listing(std::string_view folder) const;
    // Stores `listing` for `folder` unless one is stored already; the one
    // stored.
    Listing const& keep(std::string_view folder, Listing listing) const;
    static Listing listingOf(std::vector<FolderEntry> const& entries);

    // The folder relative paths are taken from, when the object was made
    // (empty for the root).
    std::string workingFolder_;
    // The folders of the path, as keys of the cache.
    std::vector<std::string> folders_;
    // Readers share the cache; a new listing is made outside the lock.
    mutable std::shared_mutex cacheMutex_;
    // Each folder listed so far, by key.
    mutable std::unordered_map<std::string, Listing, NameHash<char>, std::equal_to<>> listings_;
};

}  // namespace korvex::tool
