#pragma once
// The imports in force in one scope: the entries of the scope's own `import`
// statements, in statement order, on top of the list of the enclosing scope
// (the parent). A list is filled while its scope's imports are resolved and
// is shared as `IImportList const` afterwards.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/resource/BaseMsgID.hpp"
#include "front_end/import/ImportEntries.hpp"

namespace lf::import {

class IImportList;

// Which entries an enumeration visits.
enum class ImportSelection : std::uint32_t {
    // The list's own entries, in the order they were added.
    OwnEntries = 0,
    // Every entry in force: the own entries, then the parent's, and so on
    // outwards, so the nearest scope comes first.
    InForce = 1,
};

// A forward iterator over the entries of an enumeration. The end is the
// iterator whose list is null.
class ImportEntryIterator {
  public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = ValidImportEntry;
    using difference_type = std::ptrdiff_t;
    using pointer = ValidImportEntry const*;
    using reference = ValidImportEntry const&;

    ImportEntryIterator() = default;
    ImportEntryIterator(IImportList const* list, ImportSelection selection);

    reference operator*() const;
    pointer operator->() const { return &**this; }
    ImportEntryIterator& operator++();
    ImportEntryIterator operator++(int);
    // Iterators are equal when they stand at the same entry, or both at the end.
    bool operator==(ImportEntryIterator const& other) const {
        return list_ == other.list_ && index_ == other.index_;
    }

    // How many parents out the current entry's list is (0: the enumerated list).
    std::uint32_t scopeDepth() const { return depth_; }
    bool isEnd() const { return list_ == nullptr; }

  private:
    // Moves past exhausted lists to the next entry, or to the end.
    void settle();

    IImportList const* list_ = nullptr;
    std::size_t index_ = 0;
    std::uint32_t depth_ = 0;
    ImportSelection selection_ = ImportSelection::OwnEntries;
};

class ImportEntryRange {
  public:
    explicit ImportEntryRange(ImportEntryIterator first) : first_(first) {}
    ImportEntryIterator begin() const { return first_; }
    ImportEntryIterator end() const { return {}; }
    bool empty() const { return first_.isEnd(); }

  private:
    ImportEntryIterator first_;
};

class IImportList {
  public:
    virtual ~IImportList() = default;

    // Adds an entry to this list. The answer is a message when the list
    // refuses the entry, which leaves the list unchanged: in one list a short
    // name has one meaning, so a fully qualified import of a short name that
    // this list already imports from another package, or imports as a package,
    // is refused (and a package import of a name that a fully qualified import
    // introduces). Adding an entry equal to one the list holds is accepted
    // and changes nothing. Entries of parent lists never cause a refusal: a
    // scope's own import shadows the enclosing scope's.
    virtual std::optional<resource_core::TypedMsgIDHolder> add(ValidImportEntry entry) = 0;

    // A new list with the same parent and a copy of the own entries.
    virtual std::shared_ptr<IImportList> clone() const = 0;

    // The enclosing scope's list; empty for a top-level scope.
    virtual std::shared_ptr<IImportList const> const& parent() const = 0;

    // The fully qualified import whose short name is `shortName`, from this
    // list or else the nearest parent that has one; null when none does.
    virtual FullyQualifiedImportEntry const* lookupFullyQualified(
        std::u16string_view shortName) const = 0;

    // The package import of `name`, searched like lookupFullyQualified.
    virtual PackageImportEntry const* lookupPackage(std::u16string_view name) const = 0;

    // The own entries, in the order they were added. References stay valid
    // for the life of the list, also while entries are added.
    virtual std::size_t ownEntryCount() const = 0;
    virtual ValidImportEntry const& ownEntry(std::size_t index) const = 0;

    // The entries `selection` names. Whether any import is in force at all:
    // `!list.enumerate(ImportSelection::InForce).empty()`. A selection value
    // other than those listed is refused with std::invalid_argument.
    ImportEntryRange enumerate(ImportSelection selection) const;
};

// A new empty list on top of `parent`, which may be empty.
std::shared_ptr<IImportList> createImportList(std::shared_ptr<IImportList const> parent);

// The qualified names that `name` (plain or dotted) may stand for under the
// imports in force in `list`, in the order a caller should try them; the
// first that names something is the mapping, and without a candidate the
// imports do not provide the name. Only the first component of `name` is
// matched; the rest follows the result. Scope by scope, nearest first: the
// scope's fully qualified import of that component (`import p.f` maps `f` to
// `p.f` and `f.g` to `p.f.g`), or `name` itself when the scope imports the
// component as a package; then `w.name` for each wildcard import `w.*` of the
// scope, in statement order.
std::vector<std::u16string> candidateQualifiedNames(IImportList const& list,
                                                    std::u16string_view name);

}  // namespace lf::import
