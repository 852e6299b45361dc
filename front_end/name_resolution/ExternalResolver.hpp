#pragma once
// What a name means when nothing in the tree introduced it. An external
// resolver answers from the import list in force and, depending on where the
// body runs, from the caller; every mapping goes through the resolution cache
// that all resolvers of one body share, so the caller is asked once per name.

#include <optional>
#include <string_view>

#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/ResolutionTypes.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/name_resolution/include/NameResolver.hpp"

namespace fe::nr {

// The import mapping of names, shared by every kind of body.
class ExternalResolver {
  public:
    ExternalResolver(AbstractNameResolver& nameResolver, ImportListPtr imports,
                     ResolutionCache& resolutionCache);
    ExternalResolver(ExternalResolver const&) = delete;
    ExternalResolver& operator=(ExternalResolver const&) = delete;
    virtual ~ExternalResolver();

    // The qualified name that `name` (plain or dotted) stands for under the
    // imports; empty when they do not provide it. When the head of `name` is
    // an imported package, a mapped name answers as itself.
    virtual std::u16string_view resolveQualifiedName(std::u16string_view name,
                                                     bool headImportedPackage);
    std::u16string_view importedNameOf(std::u16string_view name) {
        return resolveQualifiedName(name, false);
    }

    ImportListPtr importList() const { return imports; }

    // Whether any import is in force for the body; the list is asked once.
    bool importsPresent();

    // Whether the first component of `mappedName` is itself a name that the
    // imports introduce, in which case a use is not rewritten to the mapped name.
    bool importsFirstComponentOf(std::u16string_view mappedName) const;

  protected:
    // The answer cached for `name`, if any.
    std::optional<std::u16string_view> cachedAnswer(std::u16string_view name) const;
    std::u16string_view cacheAnswer(std::u16string_view name, std::u16string_view answer);
    // What the caller's import mapping says, uncached.
    std::u16string_view askImportMapping(std::u16string_view name);

    AbstractNameResolver& nameResolver;

  private:
    ImportListPtr imports;
    ResolutionCache* resolutionCache;
    bool importsAsked = false;
    bool importsPresentAnswer = false;
};

// The questions a use pass asks about names that no scope defines. The
// defaults suit bodies that only know their own tree and the imports.
class RvalueExternalResolver : public ExternalResolver {
  public:
    using ExternalResolver::ExternalResolver;

    // The name an unbound use stands for: empty for none, the name itself
    // for an external name, or a different qualified name from the imports.
    virtual std::u16string_view resolveUnboundName(std::u16string_view name) = 0;
    // Whether an unbound function-handle operand is external.
    virtual bool unboundNamesAreExternal() const = 0;

    virtual std::optional<IdKind> staticClassificationOf(std::u16string_view name);
    virtual bool isVariableInWorkspace(std::u16string_view name);
    // Enters and returns what the workspace says `name` is, or null.
    virtual ISymbolTable::Classification const* classifyWorkspaceName(
        std::u16string_view name, lf::astapi::Identifier& identifier, SymbolTable& table);
};

// Resolution without a caller: unbound names stay unclassified.
class NoOpExternalResolver final : public RvalueExternalResolver {
  public:
    static constexpr bool kResolvesUnboundNames = false;
    using RvalueExternalResolver::RvalueExternalResolver;
    std::u16string_view resolveUnboundName(std::u16string_view) override { return {}; }
    bool unboundNamesAreExternal() const override { return false; }
};

// A function whose workspace is fixed when it is parsed: an unbound name is
// external only through the imports.
class ExternalResolverForStaticWorkSpace final : public RvalueExternalResolver {
  public:
    static constexpr bool kResolvesUnboundNames = true;
    using RvalueExternalResolver::RvalueExternalResolver;
    std::u16string_view resolveUnboundName(std::u16string_view name) override;
    bool unboundNamesAreExternal() const override { return true; }
};

// A body whose workspace may gain variables at run time: an unbound name is
// external when the imports or the caller know it.
class ExternalResolverForDynamicWorkspace final : public RvalueExternalResolver {
  public:
    static constexpr bool kResolvesUnboundNames = true;
    using RvalueExternalResolver::RvalueExternalResolver;
    std::u16string_view resolveUnboundName(std::u16string_view name) override;
    bool unboundNamesAreExternal() const override { return false; }
};

// A parfor or spmd block inside eval text: the caller knows the workspace
// the block runs in, and every other unbound name is external.
class ExternalResolverForParallelInEvalBody final : public RvalueExternalResolver {
  public:
    static constexpr bool kResolvesUnboundNames = true;
    ExternalResolverForParallelInEvalBody(AbstractNameResolver& nameResolver, ImportListPtr imports,
                                          ResolutionCache& resolutionCache,
                                          IsVariableFcn const& isVariableFcn,
                                          StaticLookupFcn const& staticLookupFcn);

    std::u16string_view resolveUnboundName(std::u16string_view name) override;
    bool unboundNamesAreExternal() const override { return true; }
    std::optional<IdKind> staticClassificationOf(std::u16string_view name) override;
    bool isVariableInWorkspace(std::u16string_view name) override;
    ISymbolTable::Classification const* classifyWorkspaceName(std::u16string_view name,
                                                              lf::astapi::Identifier& identifier,
                                                              SymbolTable& table) override;

  private:
    IsVariableFcn const& isVariableFcn;
    StaticLookupFcn const& staticLookupFcn;
};

}  // namespace fe::nr
