// The entry of the library: the resolver singleton, the resolver objects its
// operations build, and the timing of callbacks.

#include "front_end/name_resolution/include/NameResolver.hpp"

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "foundation/text/Utf.hpp"
#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/name_resolution/InternalErrorSites.hpp"
#include "front_end/name_resolution/LocalAnnotations.hpp"
#include "front_end/name_resolution/MockNameResolutionCallbacks.hpp"
#include "front_end/name_resolution/ResolverEntries.hpp"

namespace fe::nr {

using lf::astapi::FunctionDefinition;
using lf::astapi::Identifier;
using lf::astapi::Node;
using lf::astapi::NodeKind;
using lf::astapi::Program;

INameResolutionCallbacks::~INameResolutionCallbacks() = default;

// ------------------------------------------------------------ resolvers

bool AbstractNameResolver::isKnownExternalName(std::u16string_view name) {
    return (*isKnownExternalNameFcn)(name);
}

std::u16string_view AbstractNameResolver::resolveImportedName(
    std::shared_ptr<lf::import::IImportList const> imports, std::u16string_view name) {
    return (*resolveImportFcn)(std::move(imports), name);
}

bool AbstractNameResolver::isKnownExternalName2(std::u16string_view name) {
    return (*isKnownExternalNameFcn2)(name);
}

qzboost::optional<resource_core::TypedMsgIDHolder> AbstractNameResolver::checkPackage(
    lf::import::PackageSpecifier const& package) {
    return (*checkPackageFcn)(package);
}

namespace {

std::int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

NanosecondClock resolutionClock = steadyNanoseconds;

// Charges the time since the last mark to `total` and enters `state`.
void markInterval(ResolutionTimer& timer, double& total, std::int32_t state) {
    std::int64_t const now = resolutionClock();
    total += static_cast<double>(now - timer.lastMarkNanoseconds) / 1e6;
    timer.lastMarkNanoseconds = now;
    timer.state = state;
}

}  // namespace

void setResolutionClockForTesting(NanosecondClock clock) {
    resolutionClock = clock != nullptr ? clock : steadyNanoseconds;
}

template <class Call>
decltype(auto) NameResolver::timed(Call&& call) {
    ResolutionTimer& clock = *timer();
    markInterval(clock, clock.resolverMilliseconds, ResolutionTimer::kInCallback);
    // Also when the callback throws.
    struct BackInResolver {
        ResolutionTimer& clock;
        ~BackInResolver() {
            markInterval(clock, clock.callbackMilliseconds, ResolutionTimer::kInResolver);
        }
    } backInResolver{clock};
    return std::forward<Call>(call)();
}

void NameResolver::resolveFunction(SymbolTable* parent, FunctionDefinition& function,
                                   bool dynamicWorkspace) {
    resolveFunctionFully(*this, parent, function, dynamicWorkspace);
}

void NameResolver::resolveClassMethod(SymbolTable*, FunctionDefinition&, bool) {
    unreachable(sites::kClassMethodOfFullResolver);
}

void NameResolver::resolveScript(SymbolTable* table, Program& script,
                                 std::u16string const& scriptName) {
    resolveScriptBody(*this, table, script, scriptName);
}

bool NameResolver::isKnownExternalName(std::u16string_view name) {
    return timed([&] { return AbstractNameResolver::isKnownExternalName(name); });
}

std::u16string_view NameResolver::resolveImportedName(
    std::shared_ptr<lf::import::IImportList const> imports, std::u16string_view name) {
    return timed(
        [&] { return AbstractNameResolver::resolveImportedName(std::move(imports), name); });
}

bool NameResolver::isKnownExternalName2(std::u16string_view name) {
    return timed([&] { return AbstractNameResolver::isKnownExternalName2(name); });
}

qzboost::optional<resource_core::TypedMsgIDHolder> NameResolver::checkPackage(
    lf::import::PackageSpecifier const& package) {
    return timed([&] { return AbstractNameResolver::checkPackage(package); });
}

void LocalNameResolver::resolveFunction(SymbolTable* parent, FunctionDefinition& function,
                                        bool dynamicWorkspace) {
    resolveFunctionLocally(*this, parent, function, dynamicWorkspace);
}

void LocalNameResolver::resolveClassMethod(SymbolTable* parent, FunctionDefinition& method,
                                           bool dynamicWorkspace) {
    resolveClassMethodLocally(*this, parent, method, dynamicWorkspace);
}

void LocalNameResolver::resolveMethodSignature(FunctionDefinition& signature) {
    auto introduceItself = [](Identifier& identifier) {
        identifier.classify(IdKind::VARIABLE, &identifier);
    };
    for (Identifier* output : signature.outputs) {
        introduceItself(*output);
    }
    for (lf::astapi::InputArgument* input : signature.inputs) {
        if (input->identifier != nullptr) {
            introduceItself(*input->identifier);
        }
    }
}

void LocalNameResolver::resolveScript(SymbolTable* table, Program& script,
                                      std::u16string const& scriptName) {
    resolveScriptBody(*this, table, script, scriptName);
}

// ------------------------------------------------------------ operations

namespace {

using ImportsPtr = std::shared_ptr<lf::import::IImportList const>;

IsKnownExternalNameFcn bindIsKnownExternalName(INameResolutionCallbacks& callbacks) {
    return [&callbacks](std::u16string_view name) { return callbacks.isKnownExternalName(name); };
}

ResolveImportFcn bindResolveImport(INameResolutionCallbacks& callbacks,
                                   fe::astapi::AstNodeFactory& factory) {
    return [&callbacks, &factory](ImportsPtr imports, std::u16string_view name) {
        return callbacks.resolveImportedName(std::move(imports), name, factory);
    };
}

CheckPackageFcn bindCheckPackage(INameResolutionCallbacks& callbacks) {
    return [&callbacks](lf::import::PackageSpecifier const& package) {
        return callbacks.checkPackage(package);
    };
}

// The caller's callbacks as function objects.
struct BoundCallbacks {
    BoundCallbacks(INameResolutionCallbacks& callbacks, fe::astapi::AstNodeFactory& factory)
        : staticLookup([&callbacks](std::u16string_view name) {
              return callbacks.lookupStaticClassification(name);
          }),
          isKnownExternalName(bindIsKnownExternalName(callbacks)),
          resolveImport(bindResolveImport(callbacks, factory)),
          isWorkspaceVariable([&callbacks](std::u16string_view name) {
              return callbacks.isWorkspaceVariable(name);
          }),
          checkPackage(bindCheckPackage(callbacks)) {}

    StaticLookupFcn staticLookup;
    IsKnownExternalNameFcn isKnownExternalName;
    ResolveImportFcn resolveImport;
    IsVariableFcn isWorkspaceVariable;
    CheckPackageFcn checkPackage;
};

ResolutionTimer* requireTimer(ResolutionTimer* timer) {
    if (timer == nullptr) {
        throw std::invalid_argument("name resolution on behalf of a caller needs a timer");
    }
    return timer;
}

// What every operation on behalf of a caller works with.
struct CallerResolution {
    CallerResolution(INameResolutionCallbacks& callbacks, fe::util::IFrontEndWarningLog& warningLog,
                     fe::astapi::AstNodeFactory& factory, ResolutionTimer* timer)
        : functions(callbacks, factory),
          resolver(functions.isKnownExternalName, functions.resolveImport,
                   functions.isKnownExternalName, functions.checkPackage, factory, warningLog,
                   requireTimer(timer)) {}

    BoundCallbacks functions;
    NameResolver resolver;
};

// Resolves a parfor or spmd block of an eval body like a function.
class ParallelInEvalResolution {
  public:
    // A static workspace also rules out names the caller knows as local
    // functions.
    ParallelInEvalResolution(CallerResolution& resolution, bool staticWorkspace)
        : resolution_(resolution),
          combinedVariableTest_(staticWorkspace ? getIsVariableFcnForParallelInEval(
                                                      resolution.functions.isWorkspaceVariable,
                                                      resolution.functions.staticLookup)
                                                : IsVariableFcn()),
          isVariable_(staticWorkspace ? combinedVariableTest_
                                      : resolution.functions.isWorkspaceVariable) {}

    // `body` holds the synthetic function.
    SymbolTable* resolve(Program& body, ImportsPtr imports) {
        StaticLookupFcn const staticLookup =
            getStaticClassificationLookupForParallelInEval(resolution_.functions.staticLookup);
        return runProgramResolverForParallelInEval(resolution_.resolver, body, isVariable_,
                                                   staticLookup, std::move(imports));
    }

  private:
    CallerResolution& resolution_;
    IsVariableFcn combinedVariableTest_;
    IsVariableFcn const& isVariable_;
};

bool isLoneParallelBlock(Program const& body) {
    if (body.elements.size() != 1) {
        return false;
    }
    NodeKind const kind = body.elements[0]->kind();
    return kind == NodeKind::Parfor || kind == NodeKind::Spmd;
}

class ClassificationDumper
    : public fe::astapi::AstDispatcher<ClassificationDumper, fe::astapi::KorvexTree,
                                       fe::astapi::Const> {
  public:
    explicit ClassificationDumper(std::ostream& out) : out_(out) {}

    void visit(Identifier const& identifier) {
        if (identifier.position() == lf::astapi::kNoPosition) {
            return;
        }
        out_ << fl::text::toUtf8(identifier.name()) << '#' << identifier.position() << ": "
             << ISymbolTable::Classification::toString(identifier.idKind(), &identifier);
        if (Identifier const* introducer = identifier.introducer()) {
            out_ << " Introduced#" << introducer->position() << '\n';
        } else {
            out_ << " No introduction node\n";
        }
    }

  private:
    std::ostream& out_;
};

class NameResolverImpl final : public INameResolver, private qzboost::noncopyable {
  public:
    constexpr NameResolverImpl() = default;

    SymbolTable* resolveEvalBody(Program& body, ImportsPtr imports, bool staticWorkspace,
                                 std::uint32_t evalContext,
                                 fe::util::IFrontEndWarningLog& warningLog,
                                 fe::astapi::AstNodeFactory& factory,
                                 INameResolutionCallbacks& callbacks,
                                 ResolutionTimer* timer) const override {
        CallerResolution resolution(callbacks, warningLog, factory, timer);
        if (isLoneParallelBlock(body)) {
            ParallelInEvalResolution parallel(resolution, staticWorkspace);
            wrapParallelBlock(body, factory);
            return parallel.resolve(body, std::move(imports));
        }
        return classifyEval(resolution, body, std::move(imports), staticWorkspace, evalContext,
                            callbacks);
    }

    SymbolTable* resolveEvalBodyNoParallelCheck(Program& body, ImportsPtr imports,
                                                bool staticWorkspace, std::uint32_t evalContext,
                                                fe::util::IFrontEndWarningLog& warningLog,
                                                fe::astapi::AstNodeFactory& factory,
                                                INameResolutionCallbacks& callbacks,
                                                ResolutionTimer* timer) const override {
        CallerResolution resolution(callbacks, warningLog, factory, timer);
        return classifyEval(resolution, body, std::move(imports), staticWorkspace, evalContext,
                            callbacks);
    }

    SymbolTable* resolveParallelInEval(Program& body, ImportsPtr imports, bool staticWorkspace,
                                       fe::astapi::AstNodeFactory& factory,
                                       INameResolutionCallbacks& callbacks,
                                       ResolutionTimer* timer) const override {
        fe::util::NullFrontEndWarningLog discardedWarnings;
        CallerResolution resolution(callbacks, discardedWarnings, factory, timer);
        ParallelInEvalResolution parallel(resolution, staticWorkspace);
        SymbolTable* table = parallel.resolve(body, std::move(imports));
        unwrapParallelBlock(body, factory);
        return table;
    }

    SymbolTable* resolveProgram(Program& program, std::u16string const& filePath,
                                fe::util::IFrontEndWarningLog& warningLog,
                                fe::astapi::AstNodeFactory& factory,
                                INameResolutionCallbacks& callbacks,
                                ResolutionTimer* timer) const override {
        CallerResolution resolution(callbacks, warningLog, factory, timer);
        return runProgramResolver(resolution.resolver, program, filePath);
    }

    SymbolTable* resolveSection(Program& section, ImportsPtr imports,
                                fe::astapi::AstNodeFactory& factory,
                                INameResolutionCallbacks& callbacks,
                                ResolutionTimer* timer) const override {
        fe::util::NullFrontEndWarningLog discardedWarnings;
        CallerResolution resolution(callbacks, discardedWarnings, factory, timer);
        StaticLookupFcn const sectionLookup =
            getStaticClassificationLookupForSection(resolution.functions.staticLookup);
        return resolution.resolver.resolveSection(section, std::move(imports), sectionLookup);
    }

    SymbolTable* resolveProgramLocally(Program& program, std::u16string const& filePath,
                                       fe::astapi::AstNodeFactory& factory) const override {
        SymbolTable* table = nullptr;
        {
            std::unique_ptr<INameResolutionCallbacks> mock = createMockNameResolutionCallbacks();
            IsKnownExternalNameFcn const isKnownExternalName = bindIsKnownExternalName(*mock);
            ResolveImportFcn const resolveImport = bindResolveImport(*mock, factory);
            CheckPackageFcn const checkPackage = bindCheckPackage(*mock);
            fe::util::NullFrontEndWarningLog discardedWarnings;
            LocalNameResolver resolver(isKnownExternalName, resolveImport, isKnownExternalName,
                                       checkPackage, factory, discardedWarnings);
            table = runProgramResolver(resolver, program, filePath);
        }
        clearNonLocalAnnotations(program);
        return table;
    }

    std::string dumpClassifications(Node const& root) const override {
        std::ostringstream out;
        ClassificationDumper(out).dispatch(root);
        return std::move(out).str();
    }

    virtual ~NameResolverImpl() = default;

  private:
    static SymbolTable* classifyEval(CallerResolution& resolution, Program& body,
                                     ImportsPtr imports, bool staticWorkspace,
                                     std::uint32_t evalContext,
                                     INameResolutionCallbacks& callbacks) {
        bool const assignmentShadows = callbacks.evalSwitchA();
        bool const requeriesHead = callbacks.evalSwitchB();
        return classifyEvalBody(body, resolution.resolver, resolution.functions.staticLookup,
                                resolution.functions.isWorkspaceVariable, std::move(imports),
                                {staticWorkspace, evalContext, assignmentShadows, requeriesHead});
    }
};

}  // namespace

INameResolver const& getNameResolver() {
    static NameResolverImpl const resolver;
    return resolver;
}

}  // namespace fe::nr
