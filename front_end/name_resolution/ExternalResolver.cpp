// What a name that no scope of the file defines is, decided by where the body
// runs. Each answer is looked for in the body's resolution cache before the
// caller is asked, and stored there after, so that the caller hears about a
// name once per body whichever pass asks first.

#include "front_end/name_resolution/ExternalResolver.hpp"

#include <utility>

#include "front_end/import/ImportList.hpp"

namespace fe::nr {

using lf::astapi::Identifier;
using Classification = ISymbolTable::Classification;

ExternalResolver::ExternalResolver(AbstractNameResolver& nameResolver, ImportListPtr imports,
                                   ResolutionCache& resolutionCache)
    : nameResolver(nameResolver), imports(std::move(imports)), resolutionCache(&resolutionCache) {}

ExternalResolver::~ExternalResolver() = default;

std::optional<std::u16string_view> ExternalResolver::cachedAnswer(std::u16string_view name) const {
    if (std::u16string_view const* found = resolutionCache->find(name)) {
        return *found;
    }
    return std::nullopt;
}

std::u16string_view ExternalResolver::cacheAnswer(std::u16string_view name,
                                                  std::u16string_view answer) {
    // The cache outlives the texts it is given (dotted prefixes are built on
    // the stack, the caller's answers are its own): keep the tree's copies.
    // An answer that is the name itself, the usual one for an external
    // name, shares the name's copy.
    fe::astapi::AstNodeFactory& factory = nameResolver.factory();
    std::u16string_view const storedName = factory.intern(name);
    std::u16string_view const storedAnswer = answer.empty()   ? answer
                                             : answer == name ? storedName
                                                              : factory.intern(answer);
    resolutionCache->tryEmplace(storedName, storedAnswer);
    return storedAnswer;
}

std::u16string_view ExternalResolver::askImportMapping(std::u16string_view name) {
    return nameResolver.resolveImportedName(imports, name);
}

std::u16string_view ExternalResolver::resolveQualifiedName(std::u16string_view name,
                                                           bool headImportedPackage) {
    if (auto cached = cachedAnswer(name)) {
        return *cached;
    }
    std::u16string_view const mapping = askImportMapping(name);
    if (headImportedPackage && !mapping.empty()) {
        return cacheAnswer(name, name);
    }
    return cacheAnswer(name, mapping);
}

bool ExternalResolver::importsPresent() {
    if (!importsAsked) {
        importsPresentAnswer =
            imports != nullptr && !imports->enumerate(lf::import::ImportSelection::InForce).empty();
        importsAsked = true;
    }
    return importsPresentAnswer;
}

bool ExternalResolver::importsFirstComponentOf(std::u16string_view mappedName) const {
    if (imports == nullptr) {
        return false;
    }
    std::u16string_view const firstComponent = mappedName.substr(0, mappedName.find(u'.'));
    return imports->lookupFullyQualified(firstComponent) != nullptr ||
           imports->lookupPackage(firstComponent) != nullptr;
}

std::optional<IdKind> RvalueExternalResolver::staticClassificationOf(std::u16string_view) {
    return std::nullopt;
}

bool RvalueExternalResolver::isVariableInWorkspace(std::u16string_view) {
    return false;
}

Classification const* RvalueExternalResolver::classifyWorkspaceName(std::u16string_view,
                                                                    Identifier&, SymbolTable&) {
    return nullptr;
}

std::u16string_view ExternalResolverForStaticWorkSpace::resolveUnboundName(
    std::u16string_view name) {
    if (auto cached = cachedAnswer(name)) {
        return *cached;
    }
    return cacheAnswer(name, importsPresent() ? askImportMapping(name) : std::u16string_view());
}

std::u16string_view ExternalResolverForDynamicWorkspace::resolveUnboundName(
    std::u16string_view name) {
    if (auto cached = cachedAnswer(name)) {
        return *cached;
    }
    std::u16string_view answer = askImportMapping(name);
    if (answer.empty() && nameResolver.isKnownExternalName(name)) {
        answer = name;
    }
    return cacheAnswer(name, answer);
}

ExternalResolverForParallelInEvalBody::ExternalResolverForParallelInEvalBody(
    AbstractNameResolver& nameResolver, ImportListPtr imports, ResolutionCache& resolutionCache,
    IsVariableFcn const& isVariableFcn, StaticLookupFcn const& staticLookupFcn)
    : RvalueExternalResolver(nameResolver, std::move(imports), resolutionCache),
      isVariableFcn(isVariableFcn),
      staticLookupFcn(staticLookupFcn) {}

std::u16string_view ExternalResolverForParallelInEvalBody::resolveUnboundName(
    std::u16string_view name) {
    if (auto cached = cachedAnswer(name)) {
        return *cached;
    }
    std::u16string_view answer = importsPresent() ? askImportMapping(name) : std::u16string_view();
    return cacheAnswer(name, answer.empty() ? name : answer);
}

std::optional<IdKind> ExternalResolverForParallelInEvalBody::staticClassificationOf(
    std::u16string_view name) {
    if (auto data = staticLookupFcn(name)) {
        return data->kind;
    }
    return std::nullopt;
}

bool ExternalResolverForParallelInEvalBody::isVariableInWorkspace(std::u16string_view name) {
    return isVariableFcn(name);
}

Classification const* ExternalResolverForParallelInEvalBody::classifyWorkspaceName(
    std::u16string_view name, Identifier& identifier, SymbolTable& table) {
    if (isVariableInWorkspace(name)) {
        return table.addEntry(name, Classification(IdKind::VARIABLE, &identifier));
    }
    std::optional<IdKind> const staticKind = staticClassificationOf(name);
    if (!staticKind) {
        return nullptr;
    }
    if (*staticKind == IdKind::LOCAL_FUNCTION) {
        identifier.setMark(lf::astapi::marks::kEnclosingLocalFunction);
        return table.addEntry(name, Classification(IdKind::EXTERNAL, &identifier));
    }
    return table.addEntry(name, Classification(IdKind::NESTED_FUNCTION, &identifier));
}

}  // namespace fe::nr
