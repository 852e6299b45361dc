// The answers that resolution without a caller works with: every
// well-formed name may be external and nothing is known of a workspace, so
// that only the program's own names are decided.

#include "front_end/name_resolution/MockNameResolutionCallbacks.hpp"

#include "front_end/langutil/DottedIdentifier.hpp"

namespace fe::nr {
namespace {

class MockNameResolutionCallbacks final : public INameResolutionCallbacks {
  public:
    // A dotted name must at least be well formed to name something.
    bool isKnownExternalName(std::u16string_view name) override {
        return name.find(u'.') == std::u16string_view::npos ||
               lf::util::isValidDottedIdentifier(name);
    }
    std::u16string_view resolveImportedName(std::shared_ptr<lf::import::IImportList const>,
                                            std::u16string_view name,
                                            fe::astapi::AstNodeFactory&) override {
        return name;
    }
    qzboost::optional<resource_core::TypedMsgIDHolder> checkPackage(
        lf::import::PackageSpecifier const&) override {
        return qzboost::none;
    }
    qzboost::optional<ClassificationData> lookupStaticClassification(std::u16string_view) override {
        return qzboost::none;
    }
    bool isWorkspaceVariable(std::u16string_view) override { return false; }
    bool evalSwitchB() override { return false; }
    bool evalSwitchA() override { return false; }
};

}  // namespace

std::unique_ptr<INameResolutionCallbacks> createMockNameResolutionCallbacks() {
    return std::make_unique<MockNameResolutionCallbacks>();
}

}  // namespace fe::nr
