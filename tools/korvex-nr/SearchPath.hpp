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

#include <atomic>
#include <cstdint>
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
    struct Listing;

  public:
    // The `private` folder beside a resolved file (which need not exist), for
    // the many questions of one resolution: its key is made once, its
    // listing looked up at the first question that reaches it. Serves one
    // thread at a time.
    class PrivateFolder {
      public:
        PrivateFolder(SearchPath const& path, std::filesystem::path const& folder)
            : key_(path.keyOf(folder.native())) {}

      private:
        friend class SearchPath;
        // The folder's key in the cache of the path.
        std::string key_;
        // Its listing once a question needed it, else null.
        mutable Listing const* listing_ = nullptr;
    };

    explicit SearchPath(std::vector<std::filesystem::path> folders);

    // Keeps `entries`, the caller's listing of `folder`, as that folder's
    // listing (a listing kept already stays), and an empty one for
    // `folder/private` when `entries` hold no folder of that name: a walk
    // over the files to check lists most folders anyway, and files beside
    // which no `private` folder exists are the rule.
    void recordListing(std::string const& folder, std::vector<FolderEntry> const& entries) const;

    // Whether `dottedName` names a function, class or package on the path,
    // or a function or class in `privateFolder` when one is given. Names
    // that are not identifiers joined by dots name nothing.
    bool names(std::u16string_view dottedName, PrivateFolder const* privateFolder = nullptr) const;
    // Whether `dottedName` names a package on the path.
    bool namesPackage(std::u16string_view dottedName) const;

  private:
    // What a name of a folder stands for; a name may stand for several at
    // once (`f.kx` beside `+f`), each a bit of its own.
    enum Kind : std::uint8_t { functionKind = 1, classKind = 2, packageKind = 4 };
    // What one folder holds: the kinds of each name, one lookup for all.
    struct Listing {
        NameTable<char, std::uint8_t> kinds;
        // The bits of Kind that `name` stands for; 0 for names not there.
        std::uint8_t kindsOf(std::string_view name) const;
    };
    enum class Wanted { anything, package };

    bool find(std::u16string_view dottedName, Wanted wanted,
              PrivateFolder const* privateFolder) const;
    // Whether `dottedName`, valid and in ASCII, is found below the folder
    // of the path at `index`.
    bool findIn(std::size_t index, std::string_view dottedName, Wanted wanted) const;
    // The listing of the folder of the path at `index`: every question
    // starts in each of them, and a pointer at hand saves a lock and a lookup.
    Listing const& rootListing(std::size_t index) const;
    // The listing of `folder`, a key of the cache.
    Listing const& listing(std::string_view folder) const;
    // Stores `listing` for `folder` unless one is stored already; the one
    // stored.
    Listing const& keep(std::string_view folder, Listing listing) const;
    static Listing listingOf(std::vector<FolderEntry> const& entries);
    // `folder` as a key of the cache: absolute, its components joined by
    // single slashes, without `.` components; never empty.
    std::string keyOf(std::string_view folder) const;

    // The folder relative paths are taken from, when the object was made
    // (empty for the root).
    std::string workingFolder_;
    // The folders of the path, as keys of the cache.
    std::vector<std::string> folders_;
    // The listing of each folder of `folders_` once it is made, else null.
    mutable std::vector<std::atomic<Listing const*>> rootListings_;
    // Readers share the cache; a new listing is made outside the lock.
    mutable std::shared_mutex cacheMutex_;
    // Each folder listed so far, by key.
    mutable std::unordered_map<std::string, Listing, NameHash<char>, std::equal_to<>> listings_;
};

}  // namespace korvex::tool
