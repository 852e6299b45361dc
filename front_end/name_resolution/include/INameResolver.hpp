#pragma once
// The name resolver: classifies every identifier of a syntax tree and builds
// the symbol tables of its scopes.

#include <cstdint>
#include <memory>
#include <string>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/include/INameResolutionCallbacks.hpp"
#include "front_end/name_resolution/include/NameResolutionApi.hpp"

namespace fe::util {
class IFrontEndWarningLog;
}
namespace lf::import {
class IImportList;
}

namespace fe::nr {

class SymbolTable;

// Where the time of a resolution went. The caller sets it up (normally
// `state` 1, zero totals and a fresh steady-clock reading in nanoseconds) and
// the resolver adds to the totals at every callback it makes.
struct ResolutionTimer {
    static constexpr std::int32_t kInResolver = 1;
    static constexpr std::int32_t kInCallback = 2;

    std::int32_t state = kInResolver;
    double resolverMilliseconds = 0;
    double callbackMilliseconds = 0;
    std::int64_t lastMarkNanoseconds = 0;
};

// Every operation writes its classifications onto the tree, and returns the
// root symbol table, which the tree's allocator owns; the scope node's
// `symbolTable()` slot gives the same table as an ISymbolTable. User errors
// leave as exceptions of the front end's user-exception family. `timer` must
// not be null.
class KORVEX_NR_API INameResolver {
  public:
    INameResolver(INameResolver const&) = default;
    INameResolver& operator=(INameResolver const&) = default;

    // Text handed to `eval`. `evalContext` 0 means the body runs in a
    // function's workspace; otherwise `staticWorkspace` tells whether the
    // workspace's variables are known statically.
    virtual SymbolTable* resolveEvalBody(lf::astapi::Program& body,
                                         std::shared_ptr<lf::import::IImportList const> imports,
                                         bool staticWorkspace, std::uint32_t evalContext,
                                         fe::util::IFrontEndWarningLog& warningLog,
                                         fe::astapi::AstNodeFactory& factory,
                                         INameResolutionCallbacks& callbacks,
                                         ResolutionTimer* timer) const = 0;

    // As resolveEvalBody, without giving a lone parfor or spmd block the scope
    // of a function.
    virtual SymbolTable* resolveEvalBodyNoParallelCheck(
        lf::astapi::Program& body, std::shared_ptr<lf::import::IImportList const> imports,
        bool staticWorkspace, std::uint32_t evalContext, fe::util::IFrontEndWarningLog& warningLog,
        fe::astapi::AstNodeFactory& factory, INameResolutionCallbacks& callbacks,
        ResolutionTimer* timer) const = 0;

    // A parfor or spmd block of an eval body, already wrapped into its
    // synthetic function; the body is unwrapped again afterwards.
    virtual SymbolTable* resolveParallelInEval(
        lf::astapi::Program& body, std::shared_ptr<lf::import::IImportList const> imports,
        bool staticWorkspace, fe::astapi::AstNodeFactory& factory,
        INameResolutionCallbacks& callbacks, ResolutionTimer* timer) const = 0;

    // A function file or script; `filePath` names the file in checks.
    virtual SymbolTable* resolveProgram(lf::astapi::Program& program,
                                        std::u16string const& filePath,
                                        fe::util::IFrontEndWarningLog& warningLog,
                                        fe::astapi::AstNodeFactory& factory,
                                        INameResolutionCallbacks& callbacks,
                                        ResolutionTimer* timer) const = 0;

    // Code typed at the command prompt.
    virtual SymbolTable* resolveSection(lf::astapi::Program& section,
                                        std::shared_ptr<lf::import::IImportList const> imports,
                                        fe::astapi::AstNodeFactory& factory,
                                        INameResolutionCallbacks& callbacks,
                                        ResolutionTimer* timer) const = 0;

    // A program resolved without asking the caller anything; afterwards only
    // variables and nested and local functions keep their classification.
    virtual SymbolTable* resolveProgramLocally(lf::astapi::Program& program,
                                               std::u16string const& filePath,
                                               fe::astapi::AstNodeFactory& factory) const = 0;

    // One line per identifier under `root` that has a source position:
    // "name#position: CLASSIFICATION Introduced#position" or
    // "name#position: CLASSIFICATION No introduction node".
    virtual std::string dumpClassifications(lf::astapi::Node const& root) const = 0;

  protected:
    INameResolver() = default;
    ~INameResolver() = default;
};

// The process's one resolver. It holds no state, so concurrent calls on
// different trees are safe.
KORVEX_NR_API INameResolver const& getNameResolver();

}  // namespace fe::nr
