#pragma once
// What the name resolver asks the caller about the world outside the tree.

#include <memory>
#include <string_view>

#include "foundation/qzboost/qzboost.hpp"
#include "foundation/resource/BaseMsgID.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/import/PackageSpecifier.hpp"
#include "front_end/name_resolution/include/ISymbolTable.hpp"
#include "front_end/name_resolution/include/NameResolutionApi.hpp"

namespace lf::import {
class IImportList;
}

namespace fe::nr {

class KORVEX_NR_API INameResolutionCallbacks {
  public:
    virtual ~INameResolutionCallbacks();

    // Whether `name` (plain or dotted) names something outside the program,
    // such as a function, class or package on the search path.
    virtual bool isKnownExternalName(std::u16string_view name) = 0;

    // What `imports` maps `name` to: empty when the imports do not provide it,
    // `name` itself when it is reached unchanged. New names are made with
    // `factory`, so that they live as long as the tree.
    virtual std::u16string_view resolveImportedName(
        std::shared_ptr<lf::import::IImportList const> imports, std::u16string_view name,
        fe::astapi::AstNodeFactory& factory) = 0;

    // Empty when the package may be imported; otherwise the error to raise at
    // the `import`.
    virtual qzboost::optional<resource_core::TypedMsgIDHolder> checkPackage(
        lf::import::PackageSpecifier const& package) = 0;

    // What is known statically about `name` in the workspace the code will
    // run in; empty when nothing is.
    virtual qzboost::optional<ClassificationData> lookupStaticClassification(
        std::u16string_view name) = 0;

    // Whether `name` is a variable of the workspace the code will run in.
    virtual bool isWorkspaceVariable(std::u16string_view name) = 0;

    // Whether an eval body asks the workspace about the heads of dotted names.
    virtual bool evalSwitchB() = 0;

    // Whether an eval body checks that it does not shadow what the enclosing
    // code knows.
    virtual bool evalSwitchA() = 0;

  protected:
    INameResolutionCallbacks() = default;
    INameResolutionCallbacks(INameResolutionCallbacks const&) = default;
    INameResolutionCallbacks(INameResolutionCallbacks&&) = default;
    INameResolutionCallbacks& operator=(INameResolutionCallbacks const&) = default;
    INameResolutionCallbacks& operator=(INameResolutionCallbacks&&) = default;
};

}  // namespace fe::nr
