#include "tools/korvex-nr/SearchPathCallbacks.hpp"

#include <algorithm>
#include <string>
#include <utility>

#include "foundation/i18n/Messages.hpp"
#include "front_end/import/ImportList.hpp"
#include "tools/korvex-nr/SearchPath.hpp"

namespace korvex::tool {

namespace {

class SearchPathCallbacks final : public fe::nr::INameResolutionCallbacks {
  public:
    explicit SearchPathCallbacks(CallerModel model)
        : externalNames_(model.externalNames != nullptr
                             ? std::move(model.externalNames)
                             : std::make_shared<ExternalNames const>(model)),
          privateFolder_(model.privateFolder
                             ? std::make_optional<SearchPath::PrivateFolder>(
                                   externalNames_->searchPath(), *model.privateFolder)
                             : std::nullopt),
          workspaceVariables_(model.workspaceVariables.begin(), model.workspaceVariables.end()),
          staticClassifications_(std::move(model.staticClassifications)),
          evalSwitchA_(model.evalSwitchA),
          evalSwitchB_(model.evalSwitchB) {}

    bool isKnownExternalName(std::u16string_view name) override {
        return externalNames_->names(name, privateFolder_ ? &*privateFolder_ : nullptr);
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
        if (externalNames_->namesPackage(name)) {
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
    std::shared_ptr<ExternalNames const> externalNames_;
    // The `private` folder beside the resolved file, if any.
    std::optional<SearchPath::PrivateFolder> privateFolder_;
    NameSet<char16_t> workspaceVariables_;
    std::map<std::u16string, fe::nr::ClassificationData, std::less<>> staticClassifications_;
    bool evalSwitchA_;
    bool evalSwitchB_;
};

}  // namespace

ExternalNames::ExternalNames(CallerModel const& model)
    : path_(model.searchPath), externalPackages_(model.externalPackages) {
    for (std::u16string const& name : model.knownNames) {
        for (std::size_t dot = name.find(u'.'); dot != std::u16string::npos;
             dot = name.find(u'.', dot + 1)) {
            known_[name.substr(0, dot)] = true;
        }
        known_.try_emplace(name, false);
    }
}

bool ExternalNames::names(std::u16string_view name,
                          SearchPath::PrivateFolder const* privateFolder) const {
    return known_.contains(name) || underExternalPackage(name) || path_.names(name, privateFolder);
}

bool ExternalNames::namesPackage(std::u16string_view name) const {
    auto const found = known_.find(name);
    return (found != known_.end() && found->second) || underExternalPackage(name) ||
           path_.namesPackage(name);
}

bool ExternalNames::underExternalPackage(std::u16string_view name) const {
    return std::ranges::any_of(externalPackages_, [name](std::u16string const& package) {
        return name.starts_with(package) &&
               (name.size() == package.size() || name[package.size()] == u'.');
    });
}

void shareExternalNames(CallerModel& model) {
    model.externalNames = std::make_shared<ExternalNames const>(model);
    model.searchPath.clear();
    model.knownNames.clear();
    model.externalPackages.clear();
}

std::unique_ptr<fe::nr::INameResolutionCallbacks> createSearchPathCallbacks(CallerModel model) {
    return std::make_unique<SearchPathCallbacks>(std::move(model));
}

}  // namespace korvex::tool
