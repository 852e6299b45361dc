#pragma once
// A caller for tests and fuzzing that answers from predicates: a name is
// external when `isExternal` says so, an import maps a name to itself when
// it is external, and a name is a workspace variable when `isWorkspace`
// says so. What is known statically comes from `staticLookup` (nothing when
// it is empty), every package is acceptable, and both eval switches are off.

#include <functional>
#include <memory>
#include <string_view>
#include <utility>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/name_resolution/include/INameResolutionCallbacks.hpp"

namespace korvex::testing {

class PredicateCallbacks final : public fe::nr::INameResolutionCallbacks {
  public:
    using NamePredicate = std::function<bool(std::u16string_view)>;
    using StaticLookup =
        std::function<qzboost::optional<fe::nr::ClassificationData>(std::u16string_view)>;

    explicit PredicateCallbacks(
        NamePredicate isExternal,
        NamePredicate isWorkspace = [](std::u16string_view) { return false; },
        StaticLookup staticLookup = {})
        : isExternal_(std::move(isExternal)),
          isWorkspace_(std::move(isWorkspace)),
          staticLookup_(std::move(staticLookup)) {}

    bool isKnownExternalName(std::u16string_view name) override { return isExternal_(name); }
    std::u16string_view resolveImportedName(std::shared_ptr<lf::import::IImportList const>,
                                            std::u16string_view name,
                                            fe::astapi::AstNodeFactory& factory) override {
        return isExternal_(name) ? factory.intern(name) : std::u16string_view{};
    }
    qzboost::optional<resource_core::TypedMsgIDHolder> checkPackage(
        lf::import::PackageSpecifier const&) override {
        return qzboost::none;
    }
    qzboost::optional<fe::nr::ClassificationData> lookupStaticClassification(
        std::u16string_view name) override {
        return staticLookup_ ? staticLookup_(name) : qzboost::none;
    }
    bool isWorkspaceVariable(std::u16string_view name) override { return isWorkspace_(name); }
    bool evalSwitchB() override { return false; }
    bool evalSwitchA() override { return false; }

  private:
    NamePredicate isExternal_;
    NamePredicate isWorkspace_;
    StaticLookup staticLookup_;
};

}  // namespace korvex::testing
