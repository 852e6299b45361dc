#include "tools/korvex-nr/SearchPath.hpp"

#include <algorithm>
#include <mutex>
#include <system_error>
#include <utility>

#include "foundation/text/Utf.hpp"
#include "front_end/langutil/DottedIdentifier.hpp"

namespace korvex::tool {

namespace {

constexpr std::string_view kSourceSuffix = ".kx";
constexpr std::string_view kPrivateFolder = "private";

// The components of a valid dotted name, in UTF-8 (they are ASCII).
std::vector<std::string> componentsOf(std::u16string_view dottedName) {
    std::vector<std::string> components;
    std::string const text = fl::text::toUtf8(dottedName);
    std::size_t start = 0;
    for (std::size_t dot = text.find('.'); dot != std::string::npos; dot = text.find('.', start)) {
        components.push_back(text.substr(start, dot - start));
        start = dot + 1;
    }
    components.push_back(text.substr(start));
    return components;
}

}  // namespace

SearchPath::SearchPath(std::vector<std::filesystem::path> folders) {
    std::error_code error;
    workingFolder_ = std::filesystem::current_path(error).native();
    if (workingFolder_ == "/") {
        workingFolder_.clear();
    }
    for (std::filesystem::path const& folder : folders) {
        folders_.push_back(keyOf(folder));
    }
}

std::string SearchPath::keyOf(std::filesystem::path const& folder) const {
    std::string key = folder.is_absolute() ? std::string() : workingFolder_;
    std::string_view rest = folder.native();
    while (!rest.empty()) {
        std::size_t const slash = rest.find('/');
        std::string_view const component = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (!component.empty() && component != ".") {
            key += '/';
            key += component;
        }
    }
    return key.empty() ? "/" : key;
}

bool SearchPath::names(std::u16string_view dottedName,
                       std::optional<std::filesystem::path> const& privateFolder) const {
    return find(dottedName, Wanted::anything, privateFolder);
}

bool SearchPath::namesPackage(std::u16string_view dottedName) const {
    return find(dottedName, Wanted::package, std::nullopt);
}

bool SearchPath::find(std::u16string_view dottedName, Wanted wanted,
                      std::optional<std::filesystem::path> const& privateFolder) const {
    if (!lf::util::isValidDottedIdentifier(dottedName)) {
        return false;
    }
    std::vector<std::string> const components = componentsOf(dottedName);
    for (std::string const& folder : folders_) {
        if (findIn(folder, components, wanted)) {
            return true;
        }
    }
    // A private folder holds no packages, so only plain names are found there.
    if (privateFolder && components.size() == 1 && wanted == Wanted::anything) {
        Listing const& own = listing(keyOf(*privateFolder));
        return own.functions.contains(components.front()) ||
               own.classes.contains(components.front());
    }
    return false;
}

bool SearchPath::findIn(std::string folder, std::vector<std::string> const& components,
                        Wanted wanted) const {
    for (std::size_t index = 0; index + 1 < components.size(); ++index) {
        if (!listing(folder).packages.contains(components[index])) {
            return false;
        }
        folder += "/+";
        folder += components[index];
    }
    Listing const& last = listing(folder);
    std::string const& name = components.back();
    if (last.packages.contains(name)) {
        return true;
    }
    return wanted == Wanted::anything &&
           (last.functions.contains(name) || last.classes.contains(name));
}

SearchPath::Listing const& SearchPath::listing(std::string const& folder) const {
    {
        std::shared_lock const lock(cacheMutex_);
        if (auto found = listings_.find(folder); found != listings_.end()) {
            return found->second;
        }
    }
    // A folder that cannot be listed holds nothing. Two threads may list one
    // folder at once; the first listing stored is kept.
    std::error_code error;
    return keep(folder, listingOf(listFolder(folder, error)));
}

void SearchPath::recordListing(std::filesystem::path const& folder,
                               std::vector<FolderEntry> const& entries) const {
    std::string const key = keyOf(folder);
    keep(key, listingOf(entries));
    bool const hasPrivateFolder = std::ranges::any_of(entries, [](FolderEntry const& entry) {
        return entry.name == kPrivateFolder && entry.kind == EntryKind::folder;
    });
    if (!hasPrivateFolder) {
        keep(key + '/' + std::string(kPrivateFolder), Listing{});
    }
}

SearchPath::Listing SearchPath::listingOf(std::vector<FolderEntry> const& entries) {
    Listing listing;
    for (FolderEntry const& entry : entries) {
        std::string const& name = entry.name;
        if (entry.kind == EntryKind::folder) {
            if (name.size() > 1 && name.front() == '+') {
                listing.packages.insert(name.substr(1));
            } else if (name.size() > 1 && name.front() == '@') {
                listing.classes.insert(name.substr(1));
            }
        } else if (name.size() > kSourceSuffix.size() && name.ends_with(kSourceSuffix)) {
            listing.functions.insert(name.substr(0, name.size() - kSourceSuffix.size()));
        }
    }
    return listing;
}

SearchPath::Listing const& SearchPath::keep(std::string const& folder, Listing listing) const {
    // Entries of the map never move, so references to them stay valid.
    std::unique_lock const lock(cacheMutex_);
    return listings_.try_emplace(folder, std::move(listing)).first->second;
}

}  // namespace korvex::tool
