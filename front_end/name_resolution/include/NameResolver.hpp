#pragma once
// The resolver objects that one resolution call builds on its stack. They
// carry the caller's callbacks, bound into function objects, to the
// resolvers of functions, scripts and eval bodies; every question about the
// world outside the tree goes through their query operations.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/qzboost/qzboost.hpp"
#include "foundation/resource/BaseMsgID.hpp"
#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/astapi/Nodes.hpp"
#include "front_end/import/PackageSpecifier.hpp"
#include "front_end/name_resolution/include/INameResolver.hpp"
#include "front_end/name_resolution/include/ISymbolTable.hpp"
#include "front_end/util/WarningLog.hpp"

namespace fe::nr {

class SymbolTable;

// The callbacks, bound into function objects.
using IsNameFcn = std::function<bool(std::u16string_view)>;
using IsKnownExternalNameFcn = IsNameFcn;
using IsVariableFcn = IsNameFcn;
using ResolveImportFcn = std::function<std::u16string_view(
    std::shared_ptr<lf::import::IImportList const>, std::u16string_view)>;
using CheckPackageFcn = std::function<qzboost::optional<resource_core::TypedMsgIDHolder>(
    lf::import::PackageSpecifier const&)>;
using StaticLookupFcn = std::function<qzboost::optional<ClassificationData>(std::u16string_view)>;

// The clock that the timing of callbacks reads, in nanoseconds: the steady
// clock. Tests put a clock of their own in its place to time callbacks
// without waiting; null puts the steady clock back. Not for concurrent use.
using NanosecondClock = std::int64_t (*)();
void setResolutionClockForTesting(NanosecondClock clock);

class AbstractNameResolver : private qzboost::noncopyable {
  public:
    // The resolver keeps references only: every argument must outlive it.
    AbstractNameResolver(IsKnownExternalNameFcn const& isKnownExternalName,
                         ResolveImportFcn const& resolveImport,
                         IsKnownExternalNameFcn const& isKnownExternalName2,
                         CheckPackageFcn const& checkPackage, fe::astapi::AstNodeFactory& factory,
                         fe::util::IFrontEndWarningLog& warningLog, ResolutionTimer* timer)
        : isKnownExternalNameFcn(&isKnownExternalName),
          resolveImportFcn(&resolveImport),
          isKnownExternalNameFcn2(&isKnownExternalName2),
          checkPackageFcn(&checkPackage),
          factory_(factory),
          warningLog_(warningLog),
          timer_(timer) {}
    virtual ~AbstractNameResolver() = default;

    // Resolves a function (and its nested functions) under `parent`.
    virtual void resolveFunction(SymbolTable* parent, lf::astapi::FunctionDefinition& function,
                                 bool dynamicWorkspace) = 0;
    virtual void resolveClassMethod(SymbolTable* parent, lf::astapi::FunctionDefinition& method,
                                    bool dynamicWorkspace) = 0;
    virtual void resolveMethodSignature(lf::astapi::FunctionDefinition& signature) = 0;
    virtual void resolveScript(SymbolTable* table, lf::astapi::Program& script,
                               std::u16string const& scriptName) = 0;

    virtual bool isKnownExternalName(std::u16string_view name);
    virtual std::u16string_view resolveImportedName(
        std::shared_ptr<lf::import::IImportList const> imports, std::u16string_view name);
    // Asked for the qualified arguments of `import` statements.
    virtual bool isKnownExternalName2(std::u16string_view name);
    virtual qzboost::optional<resource_core::TypedMsgIDHolder> checkPackage(
        lf::import::PackageSpecifier const& package);

    fe::astapi::AstNodeFactory& factory() const { return factory_; }
    fe::util::IFrontEndWarningLog& warningLog() const { return warningLog_; }
    ResolutionTimer* timer() const { return timer_; }

  protected:
    IsKnownExternalNameFcn const* isKnownExternalNameFcn;
    ResolveImportFcn const* resolveImportFcn;
    IsKnownExternalNameFcn const* isKnownExternalNameFcn2;
    CheckPackageFcn const* checkPackageFcn;

  private:
    fe::astapi::AstNodeFactory& factory_;
    fe::util::IFrontEndWarningLog& warningLog_;
    ResolutionTimer* timer_;
};

// Resolution on behalf of a caller: the callbacks are timed.
class NameResolver final : public AbstractNameResolver {
  public:
    // `timer` must not be null.
    using AbstractNameResolver::AbstractNameResolver;

    void resolveFunction(SymbolTable* parent, lf::astapi::FunctionDefinition& function,
                         bool dynamicWorkspace) override;
    // Class files are refused before any method is reached.
    [[noreturn]] void resolveClassMethod(SymbolTable* parent,
                                         lf::astapi::FunctionDefinition& method,
                                         bool dynamicWorkspace) override;
    void resolveMethodSignature(lf::astapi::FunctionDefinition&) override {}
    void resolveScript(SymbolTable* table, lf::astapi::Program& script,
                       std::u16string const& scriptName) override;

    bool isKnownExternalName(std::u16string_view name) override;
    std::u16string_view resolveImportedName(std::shared_ptr<lf::import::IImportList const> imports,
                                            std::u16string_view name) override;
    bool isKnownExternalName2(std::u16string_view name) override;
    qzboost::optional<resource_core::TypedMsgIDHolder> checkPackage(
        lf::import::PackageSpecifier const& package) override;

    // A command-prompt section, classified with `staticLookup`.
    SymbolTable* resolveSection(lf::astapi::Program& section,
                                std::shared_ptr<lf::import::IImportList const> imports,
                                StaticLookupFcn const& staticLookup);

  private:
    // Runs one callback, charging the time since the last mark to the
    // resolver and the time of the call to the callbacks.
    template <class Call>
    decltype(auto) timed(Call&& call);
};

// Resolution of a program's own names only, without a caller; not timed.
class LocalNameResolver final : public AbstractNameResolver {
  public:
    LocalNameResolver(IsKnownExternalNameFcn const& isKnownExternalName,
                      ResolveImportFcn const& resolveImport,
                      IsKnownExternalNameFcn const& isKnownExternalName2,
                      CheckPackageFcn const& checkPackage, fe::astapi::AstNodeFactory& factory,
                      fe::util::IFrontEndWarningLog& warningLog)
        : AbstractNameResolver(isKnownExternalName, resolveImport, isKnownExternalName2,
                               checkPackage, factory, warningLog, nullptr) {}

    void resolveFunction(SymbolTable* parent, lf::astapi::FunctionDefinition& function,
                         bool dynamicWorkspace) override;
    void resolveClassMethod(SymbolTable* parent, lf::astapi::FunctionDefinition& method,
                            bool dynamicWorkspace) override;
    // Every output and named input of the signature becomes a variable
    // introduced by itself.
    void resolveMethodSignature(lf::astapi::FunctionDefinition& signature) override;
    void resolveScript(SymbolTable* table, lf::astapi::Program& script,
                       std::u16string const& scriptName) override;
};

}  // namespace fe::nr
