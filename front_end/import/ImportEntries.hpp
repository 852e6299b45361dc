#pragma once
// What the arguments of an `import` statement ask for. The argument parser
// turns each argument into one entry; the valid ones go into an import list.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "foundation/resource/BaseMsgID.hpp"
#include "front_end/import/PackageSpecifier.hpp"

namespace lf::import {

// The argument index of an entry made for an `import` statement that has no
// argument at all: such an entry belongs to the statement itself.
inline constexpr std::uint32_t kNoArgument = 0xFFFFFFFF;

// What every entry knows: which argument produced it and how it was written.
class ImportEntryBase {
  public:
    std::uint32_t getArgumentIndex() const { return argumentIndex_; }
    std::u16string const& getRawArgument() const { return rawArgument_; }

  protected:
    ImportEntryBase(std::uint32_t argumentIndex, std::u16string rawArgument)
        : argumentIndex_(argumentIndex), rawArgument_(std::move(rawArgument)) {}

    // The text before and after the last dot of the raw argument (empty and
    // the whole text when it has no dot).
    std::u16string_view beforeLastDot() const;
    std::u16string_view afterLastDot() const;

  private:
    std::uint32_t argumentIndex_;
    std::u16string rawArgument_;
};

// `p.q.f`: the function or class `f` of package `p.q`, usable as `f`. The raw
// argument is the qualified name.
class FullyQualifiedImportEntry : public ImportEntryBase {
  public:
    FullyQualifiedImportEntry(std::uint32_t argumentIndex, std::u16string qualifiedName)
        : ImportEntryBase(argumentIndex, std::move(qualifiedName)) {}

    std::u16string_view getIntroducedName() const { return afterLastDot(); }
    std::u16string_view getPackageName() const { return beforeLastDot(); }
};

// `p.q.*`: every function and class of package `p.q`, usable by short name.
class WildcardImportEntry : public ImportEntryBase {
  public:
    WildcardImportEntry(std::uint32_t argumentIndex, std::u16string rawArgument)
        : ImportEntryBase(argumentIndex, std::move(rawArgument)) {}

    std::u16string_view getPackageName() const { return beforeLastDot(); }
};

// `geom` with package imports on: the package itself, usable as `geom`.
class PackageImportEntry : public ImportEntryBase {
  public:
    PackageImportEntry(std::uint32_t argumentIndex, std::u16string packageName)
        : ImportEntryBase(argumentIndex, packageName), package_(std::move(packageName)) {}

    std::u16string_view getIntroducedName() const { return getRawArgument(); }
    PackageSpecifier const& getPackageSpecifier() const { return package_; }

  private:
    PackageSpecifier package_;
};

// An argument that imports nothing, with the message that says why. A
// warning entry may be skipped; an error entry may not.
class InvalidImportEntry : public ImportEntryBase {
  public:
    InvalidImportEntry(std::uint32_t argumentIndex, std::u16string rawArgument,
                       resource_core::GenericMsgIDHolder message, bool warning)
        : ImportEntryBase(argumentIndex, std::move(rawArgument)),
          message_(std::move(message)),
          warning_(warning) {}

    bool isWarning() const { return warning_; }
    resource_core::GenericMsgIDHolder const& getMsgHolder() const { return message_; }

  private:
    resource_core::GenericMsgIDHolder message_;
    bool warning_;
};

// One parsed argument. The alternatives keep this order (callers may rely on
// the index): fully qualified, wildcard, package, invalid.
using ImportEntry = std::variant<FullyQualifiedImportEntry, WildcardImportEntry, PackageImportEntry,
                                 InvalidImportEntry>;

// An entry an import list accepts: the first three alternatives, same order.
using ValidImportEntry =
    std::variant<FullyQualifiedImportEntry, WildcardImportEntry, PackageImportEntry>;

// The part every alternative shares, whichever it holds.
template <class Entry>
ImportEntryBase const& commonPartOf(Entry const& entry) {
    return std::visit([](ImportEntryBase const& base) -> ImportEntryBase const& { return base; },
                      entry);
}

}  // namespace lf::import
