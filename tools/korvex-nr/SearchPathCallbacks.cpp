#include "tools/korvex-nr/SearchPathCallbacks.hpp"

#include <algorithm>
#include <set>
#include <utility>

#include "foundation/i18n/Messages.hpp"
#include "front_end/import/ImportList.hpp"
#include "tools/korvex-nr/SearchPath.hpp"

namespace korvex::tool {

namespace {

using NameSet = std::set<std::u16string, std::less<>>;

class SearchPathCallbacks final : public fe::nr::INameResolutionCallbacks {
  public:
    explicit SearchPathCallbacks(CallerModel model)
        : path_(std::move(model.searchPath), std::move(model.privateFolder)),
          externalPackages_(std::move(model.externalPackages)),
          workspaceVariables_(model.workspaceVariables.begin(), model.workspaceVariables.end()),
          staticClassifications_(std::move(model.staticClassifications)),
          evalSwitchA_(model.evalSwitchA),
          evalSwitchB_(model.evalSwitchB) {
        for (std::u16string const& name : model.knownNames) {
            for (std::size_t dot = name.find(u'.'); dot != std::u16string::npos;
                 dot = name.find(u'.', dot + 1)) {
                knownPackages_.insert(name.substr(0, dot));
            }
            knownNames_.insert(name);
        }
    }

    bool isKnownExternalName(std::u16string_view name) override {
        return knownNames_.contains(name) || knownPackages_.contains(name) ||
               underExternalPackage(name) || path_.names(name);
    }

    std::u16string_view resolveImportedName(std::shared_ptr<lf::import::IImportList const> imports,
                                            std::u16string_view name,
                                            fe::astapi::AstNodeFactory& factory) override {
        if (imports) {
            for (std::u16string const& candidate :
                 lf::import::candidateQualifiedNames(*imports, name)) {
                if (isKnownExternalName(candidate)) {
                    return factory.intern(candidate);
                }
            }
        }
        return isKnownExternalName(name) ? factory.intern(name) : std::u16string_view();
    }

    qzboost::optional<resource_core::TypedMsgIDHolder> checkPackage(
        lf::import::PackageSpecifier const& package) override {
        std::u16string const& name = package.dottedName();
        if (knownPackages_.contains(name) || underExternalPackage(name) ||
            path_.namesPackage(name)) {
            return qzboost::none;
        }
        return resource_core::TypedMsgIDHolder(KORVEX::tool::PackageNotFound(name));
    }

    qzboost::optional<fe::nr::ClassificationData> lookupStaticClassification(
        std::u16string_view name) override {
        if (auto found = staticClassifications_.find(name); found != staticClassifications_.end()) {
            return found->second;
        }
        return qzboost::none;
    }

    bool isWorkspaceVariable(std::u16string_view name) override {
        return workspaceVariables_.contains(name);
    }

    bool evalSwitchB() override { return evalSwitchB_; }
    bool evalSwitchA() override { return evalSwitchA_; }

  private:
    bool underExternalPackage(std::u16string_view name) const {
        return std::ranges::any_of(externalPackages_, [name](std::u16string const& package) {
            return name.starts_with(package) &&
                   (name.size() == package.size() || name[package.size()] == u'.');
        });
    }

    SearchPath path_;
    std::vector<std::u16string> externalPackages_;
    NameSet knownNames_;
    NameSet knownPackages_;
    NameSet workspaceVariables_;
    std::map<std::u16string, fe::nr::ClassificationData, std::less<>> staticClassifications_;
    bool evalSwitchA_;
    bool evalSwitchB_;
};

}  // namespace

std::unique_ptr<fe::nr::INameResolutionCallbacks> createSearchPathCallbacks(CallerModel model) {
    return std::make_unique<SearchPathCallbacks>(std::move(model));
}

}  // namespace korvex::tool
