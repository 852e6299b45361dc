#pragma once
// Runs the `import` statements of one scope into its import list and
// declares the names they bring in. Functions, scripts and eval bodies each
// declare names by rules of their own, in a subclass.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "foundation/resource/BaseMsgID.hpp"
#include "front_end/astapi/ImportCommandView.hpp"
#include "front_end/astapi/Nodes.hpp"
#include "front_end/import/ImportArgumentParser.hpp"
#include "front_end/import/ImportList.hpp"
#include "front_end/name_resolution/include/NameResolver.hpp"

namespace fe::nr {

enum class ImportKind : std::uint32_t {
    FunctionOrClass = 0,
    Package = 1,
};

class ImportResolver {
  public:
    explicit ImportResolver(AbstractNameResolver& nameResolver) : nameResolver(nameResolver) {}
    ImportResolver(ImportResolver const&) = delete;
    ImportResolver& operator=(ImportResolver const&) = delete;
    virtual ~ImportResolver() = default;

    // Runs every statement, in order, into `list`; the first error ends it.
    void runImportStatements(std::span<lf::astapi::Node* const> statements,
                             lf::import::IImportList& list);

  protected:
    // Introduces `name`, brought in by `argument`, into the scope.
    virtual void declareImportedName(lf::astapi::TextLiteral& argument, std::u16string_view name,
                                     ImportKind kind) = 0;
    // Strict: `import` without an argument is an error at the statement.
    virtual std::unique_ptr<lf::import::IImportArgumentParser> createArgumentParser(
        lf::astapi::ImportCommandView const& statement);
    virtual std::optional<resource_core::TypedMsgIDHolder> addToImportList(
        lf::import::ValidImportEntry entry, lf::import::IImportList& list);
    virtual bool reportsWarnings() { return true; }
    // An argument the parser could not take: an error, or a warning after
    // which the argument is ignored.
    virtual void reportInvalidEntry(lf::import::InvalidImportEntry const& invalid,
                                    std::uint32_t position);

    // Rejects an import that brings in the name "ans".
    static void rejectAns(lf::astapi::TextLiteral const& argument, std::u16string_view name);
    // The identifier that stands for an imported name: classified EXTERNAL,
    // introduced by itself, linked from the argument that produced it.
    lf::astapi::Identifier& createImportedNameIdentifier(lf::astapi::TextLiteral& argument,
                                                         std::u16string_view name, ImportKind kind);

    AbstractNameResolver& nameResolver;

  private:
    void runStatement(lf::astapi::Node& statement, lf::import::IImportList& list);
    void addOrRaise(lf::import::ValidImportEntry entry, std::uint32_t position,
                    lf::import::IImportList& list);
};

}  // namespace fe::nr
