#include "front_end/import/ImportList.hpp"

#include <memory>
#include <stdexcept>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "foundation/i18n/Messages.hpp"

namespace lf::import {

ImportEntryIterator::ImportEntryIterator(IImportList const* list, ImportSelection selection)
    : list_(list), selection_(selection) {
    settle();
}

ValidImportEntry const& ImportEntryIterator::operator*() const {
    if (list_ == nullptr) {
        throw std::out_of_range("the end of an import enumeration has no entry");
    }
    return list_->ownEntry(index_);
}

ImportEntryIterator& ImportEntryIterator::operator++() {
    if (list_ != nullptr) {
        ++index_;
        settle();
    }
    return *this;
}

ImportEntryIterator ImportEntryIterator::operator++(int) {
    ImportEntryIterator before = *this;
    ++*this;
    return before;
}

void ImportEntryIterator::settle() {
    while (list_ != nullptr && index_ >= list_->ownEntryCount()) {
        list_ = selection_ == ImportSelection::InForce ? list_->parent().get() : nullptr;
        index_ = 0;
        ++depth_;
    }
    if (list_ == nullptr) {
        depth_ = 0;
    }
}

ImportEntryRange IImportList::enumerate(ImportSelection selection) const {
    if (selection != ImportSelection::OwnEntries && selection != ImportSelection::InForce) {
        throw std::invalid_argument("unknown import list selection");
    }
    return ImportEntryRange(ImportEntryIterator(this, selection));
}

namespace {

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
// Not every compiler deduces an aggregate's arguments by itself yet.
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

// The entry of type Entry among the own entries of `scope` that introduces
// `name`, or null.
template <class Entry>
Entry const* ownIntroducer(IImportList const& scope, std::u16string_view name) {
    for (std::size_t index = 0; index < scope.ownEntryCount(); ++index) {
        auto const* entry = std::get_if<Entry>(&scope.ownEntry(index));
        if (entry != nullptr && entry->getIntroducedName() == name) {
            return entry;
        }
    }
    return nullptr;
}

// The nearest entry of type Entry that introduces `name`, from `list` outwards.
template <class Entry>
Entry const* introducerInForce(IImportList const& list, std::u16string_view name) {
    for (IImportList const* scope = &list; scope != nullptr; scope = scope->parent().get()) {
        if (Entry const* entry = ownIntroducer<Entry>(*scope, name)) {
            return entry;
        }
    }
    return nullptr;
}

class ImportList final : public IImportList {
  public:
    explicit ImportList(std::shared_ptr<IImportList const> parent) : parent_(std::move(parent)) {}

    std::optional<resource_core::TypedMsgIDHolder> add(ValidImportEntry entry) override {
        return std::visit(
            Overloaded{
                [this](FullyQualifiedImportEntry& fullyQualified) { return add(fullyQualified); },
                [this](PackageImportEntry& package) { return add(package); },
                [this](WildcardImportEntry& wildcard) { return add(wildcard); }},
            entry);
    }

    std::shared_ptr<IImportList> clone() const override {
        auto copy = std::make_shared<ImportList>(parent_);
        for (auto const& entry : entries_) {
            copy->entries_.push_back(std::make_unique<ValidImportEntry>(*entry));
        }
        return copy;
    }

    std::shared_ptr<IImportList const> const& parent() const override { return parent_; }

    FullyQualifiedImportEntry const* lookupFullyQualified(
        std::u16string_view shortName) const override {
        return introducerInForce<FullyQualifiedImportEntry>(*this, shortName);
    }

    PackageImportEntry const* lookupPackage(std::u16string_view name) const override {
        return introducerInForce<PackageImportEntry>(*this, name);
    }

    std::size_t ownEntryCount() const override { return entries_.size(); }

    ValidImportEntry const& ownEntry(std::size_t index) const override {
        return *entries_.at(index);
    }

  private:
    std::optional<resource_core::TypedMsgIDHolder> add(FullyQualifiedImportEntry& entry) {
        auto name = entry.getIntroducedName();
        if (auto const* earlier = ownIntroducer<FullyQualifiedImportEntry>(*this, name)) {
            if (earlier->getRawArgument() == entry.getRawArgument()) {
                return std::nullopt;
            }
            return resource_core::TypedMsgIDHolder(KORVEX::import::ConflictingImports(
                name, earlier->getRawArgument(), entry.getRawArgument()));
        }
        if (ownIntroducer<PackageImportEntry>(*this, name) != nullptr) {
            return packageAndFunctionConflict(name, entry.getRawArgument());
        }
        append(std::move(entry));
        return std::nullopt;
    }

    std::optional<resource_core::TypedMsgIDHolder> add(PackageImportEntry& entry) {
        auto name = entry.getIntroducedName();
        if (auto const* function = ownIntroducer<FullyQualifiedImportEntry>(*this, name)) {
            return packageAndFunctionConflict(name, function->getRawArgument());
        }
        if (ownIntroducer<PackageImportEntry>(*this, name) == nullptr) {
            append(std::move(entry));
        }
        return std::nullopt;
    }

    std::optional<resource_core::TypedMsgIDHolder> add(WildcardImportEntry& entry) {
        for (auto const& held : entries_) {
            auto const* wildcard = std::get_if<WildcardImportEntry>(held.get());
            if (wildcard != nullptr && wildcard->getRawArgument() == entry.getRawArgument()) {
                return std::nullopt;
            }
        }
        append(std::move(entry));
        return std::nullopt;
    }

    template <class Entry>
    void append(Entry&& entry) {
        entries_.push_back(std::make_unique<ValidImportEntry>(std::forward<Entry>(entry)));
    }

    static resource_core::TypedMsgIDHolder packageAndFunctionConflict(
        std::u16string_view name, std::u16string_view qualifiedName) {
        return resource_core::TypedMsgIDHolder(
            KORVEX::import::PackageAndFunctionImportConflict(name, qualifiedName));
    }

    std::shared_ptr<IImportList const> parent_;
    // The entries in the order they were added. Each has a place of its own,
    // so references stay valid while entries are added; an empty list
    // allocates nothing, and most lists stay empty.
    std::vector<std::unique_ptr<ValidImportEntry>> entries_;
};

}  // namespace

std::shared_ptr<IImportList> createImportList(std::shared_ptr<IImportList const> parent) {
    return std::make_shared<ImportList>(std::move(parent));
}

std::vector<std::u16string> candidateQualifiedNames(IImportList const& list,
                                                    std::u16string_view name) {
    auto dot = name.find(u'.');
    std::u16string_view head = name.substr(0, dot);
    std::u16string_view rest = dot == std::u16string_view::npos ? u"" : name.substr(dot);
    std::vector<std::u16string> candidates;
    if (head.empty()) {
        return candidates;
    }
    for (IImportList const* scope = &list; scope != nullptr; scope = scope->parent().get()) {
        std::vector<std::u16string> wildcardCandidates;
        for (auto const& entry : scope->enumerate(ImportSelection::OwnEntries)) {
            std::visit(Overloaded{[&](FullyQualifiedImportEntry const& fullyQualified) {
                                      if (fullyQualified.getIntroducedName() == head) {
                                          candidates.push_back(fullyQualified.getRawArgument() +
                                                               std::u16string(rest));
                                      }
                                  },
                                  [&](PackageImportEntry const& package) {
                                      if (package.getIntroducedName() == head) {
                                          candidates.emplace_back(name);
                                      }
                                  },
                                  [&](WildcardImportEntry const& wildcard) {
                                      std::u16string candidate(wildcard.getPackageName());
                                      candidate += u'.';
                                      candidate += name;
                                      wildcardCandidates.push_back(std::move(candidate));
                                  }},
                       entry);
        }
        candidates.insert(candidates.end(), wildcardCandidates.begin(), wildcardCandidates.end());
    }
    return candidates;
}

}  // namespace lf::import
