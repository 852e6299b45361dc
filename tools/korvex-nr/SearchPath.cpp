#include "tools/korvex-nr/SearchPath.hpp"

#include <algorithm>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

#include "front_end/langutil/NameCharacters.hpp"

namespace korvex::tool {

namespace {

constexpr std::string_view kSourceSuffix = ".kx";
constexpr std::string_view kPrivateFolder = "private";

// `dottedName` in ASCII when it is identifiers joined by single dots, else
// nothing. Checked and narrowed in one pass: every name the resolver asks
// about comes here.
std::optional<std::string> asciiDottedName(std::u16string_view dottedName) {
    std::string ascii(dottedName.size(), '\0');
    bool componentStarts = true;
    for (std::size_t index = 0; index < dottedName.size(); ++index) {
        char16_t const c = dottedName[index];
        if (componentStarts ? !lf::util::isAsciiLetter(c)
                            : c != u'.' && !lf::util::isNameCharacter(c)) {
            return std::nullopt;
        }
        componentStarts = c == u'.';
        ascii[index] = static_cast<char>(c);
    }
    if (componentStarts) {
        return std::nullopt;
    }
    return ascii;
}

}  // namespace

SearchPath::SearchPath(std::vector<std::filesystem::path> folders) {
    std::error_code error;
    workingFolder_ = std::filesystem::current_path(error).native();
    if (workingFolder_ == "/") {
        workingFolder_.clear();
    }
    for (std::filesystem::path const& folder : folders) {
        folders_.push_back(keyOf(folder.native()));
    }
    rootListings_ = std::vector<std::atomic<Listing const*>>(folders_.size());
}

std::string SearchPath::keyOf(std::string_view folder) const {
    std::string key = folder.starts_with('/') ? std::string() : workingFolder_;
    std::string_view rest = folder;
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

bool SearchPath::names(std::u16string_view dottedName, PrivateFolder const* privateFolder) const {
    return find(dottedName, Wanted::anything, privateFolder);
}

bool SearchPath::namesPackage(std::u16string_view dottedName) const {
    return find(dottedName, Wanted::package, nullptr);
}

bool SearchPath::find(std::u16string_view dottedName, Wanted wanted,
                      PrivateFolder const* privateFolder) const {
    std::optional<std::string> const name = asciiDottedName(dottedName);
    if (!name) {
        return false;
    }
    for (std::size_t index = 0; index < folders_.size(); ++index) {
        if (findIn(index, *name, wanted)) {
            return true;
        }
    }
    // A private folder holds no packages, so only plain names are found there.
    if (privateFolder != nullptr && name->find('.') == std::string::npos &&
        wanted == Wanted::anything) {
        if (privateFolder->listing_ == nullptr) {
            privateFolder->listing_ = &listing(privateFolder->key_);
        }
        return (privateFolder->listing_->kindsOf(*name) & (functionKind | classKind)) != 0;
    }
    return false;
}

bool SearchPath::findIn(std::size_t index, std::string_view dottedName, Wanted wanted) const {
    Listing const* last = &rootListing(index);
    std::size_t dot = dottedName.find('.');
    if (dot != std::string_view::npos) {
        std::string packageFolder = folders_[index];
        do {
            std::string_view const package = dottedName.substr(0, dot);
            if ((last->kindsOf(package) & packageKind) == 0) {
                return false;
            }
            packageFolder += "/+";
            packageFolder += package;
            last = &listing(packageFolder);
            dottedName.remove_prefix(dot + 1);
            dot = dottedName.find('.');
        } while (dot != std::string_view::npos);
    }
    std::uint8_t const found = last->kindsOf(dottedName);
    return (found & (wanted == Wanted::anything ? functionKind | classKind | packageKind
                                                : packageKind)) != 0;
}

SearchPath::Listing const& SearchPath::rootListing(std::size_t index) const {
    Listing const* known = rootListings_[index].load(std::memory_order_acquire);
    if (known == nullptr) {
        // Threads that race here store the same listing, the first kept.
        known = &listing(folders_[index]);
        rootListings_[index].store(known, std::memory_order_release);
    }
    return *known;
}

std::uint8_t SearchPath::Listing::kindsOf(std::string_view name) const {
    auto const found = kinds.find(name);
    return found == kinds.end() ? 0 : found->second;
}

SearchPath::Listing const& SearchPath::listing(std::string_view folder) const {
    {
        std::shared_lock const lock(cacheMutex_);
        if (auto found = listings_.find(folder); found != listings_.end()) {
            return found->second;
        }
    }
    // A folder that cannot be listed holds nothing. Two threads may list one
    // folder at once; the first listing stored is kept.
    std::error_code error;
    return keep(folder, listingOf(listFolder(std::string(folder), error)));
}

void SearchPath::recordListing(std::string const& folder,
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
                listing.kinds[name.substr(1)] |= packageKind;
            } else if (name.size() > 1 && name.front() == '@') {
                listing.kinds[name.substr(1)] |= classKind;
            }
        } else if (name.size() > kSourceSuffix.size() && name.ends_with(kSourceSuffix)) {
            listing.kinds[name.substr(0, name.size() - kSourceSuffix.size())] |= functionKind;
        }
    }
    return listing;
}

SearchPath::Listing const& SearchPath::keep(std::string_view folder, Listing listing) const {
    // Entries of the map never move, so references to them stay valid.
    std::unique_lock const lock(cacheMutex_);
    if (auto found = listings_.find(folder); found != listings_.end()) {
        return found->second;
    }
    return listings_.try_emplace(std::string(folder), std::move(listing)).first->second;
}

}  // namespace korvex::tool
