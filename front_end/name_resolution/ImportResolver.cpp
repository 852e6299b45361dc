// Runs the `import` statements of one scope, in order. Each entry joins the
// scope's import list before the name it introduces is declared, so that a
// refusal of the list (one name from two places) is reported at the argument
// before any clash with the scope's own names; a qualified name must also be
// known outside the program.

#include "front_end/name_resolution/ImportResolver.hpp"

#include <variant>

#include "foundation/i18n/Messages.hpp"
#include "front_end/import/Features.hpp"
#include "front_end/util/FrontEndUserException.hpp"

namespace fe::nr {

using namespace lf::astapi;
using fe::util::raiseAt;
using fe::util::raiseWrappedAt;

std::unique_ptr<lf::import::IImportArgumentParser> ImportResolver::createArgumentParser(
    ImportCommandView const& statement) {
    return lf::import::createImportArgumentParser(statement,
                                                  lf::import::ImportParserBehaviour::Strict);
}

std::optional<resource_core::TypedMsgIDHolder> ImportResolver::addToImportList(
    lf::import::ValidImportEntry entry, lf::import::IImportList& list) {
    return list.add(std::move(entry));
}

void ImportResolver::runImportStatements(std::span<Node* const> statements,
                                         lf::import::IImportList& list) {
    for (Node* statement : statements) {
        runStatement(*statement, list);
    }
}

void ImportResolver::runStatement(Node& statement, lf::import::IImportList& list) {
    ImportCommandView view(statement);
    for (lf::import::ImportEntry& entry : createArgumentParser(view)->parse()) {
        std::uint32_t index = lf::import::commonPartOf(entry).getArgumentIndex();
        TextLiteral* argument = index < view.argumentCount() ? &view.argument(index) : nullptr;
        std::uint32_t position = argument != nullptr ? argument->position() : statement.position();

        if (auto* invalid = std::get_if<lf::import::InvalidImportEntry>(&entry)) {
            reportInvalidEntry(*invalid, position);
        } else if (auto* qualified = std::get_if<lf::import::FullyQualifiedImportEntry>(&entry)) {
            std::u16string raw = qualified->getRawArgument();
            std::u16string introduced(qualified->getIntroducedName());
            addOrRaise(std::move(*qualified), position, list);
            if (!nameResolver.isKnownExternalName2(raw)) {
                raiseAt<KORVEX::front_end::tal_illegal_import_argument>(position, raw);
            }
            declareImportedName(*argument, introduced, ImportKind::FunctionOrClass);
        } else if (auto* wildcard = std::get_if<lf::import::WildcardImportEntry>(&entry)) {
            addOrRaise(std::move(*wildcard), position, list);
        } else if (auto* package = std::get_if<lf::import::PackageImportEntry>(&entry)) {
            lf::import::PackageSpecifier specifier = package->getPackageSpecifier();
            std::u16string introduced(package->getIntroducedName());
            addOrRaise(std::move(*package), position, list);
            if (auto message = nameResolver.checkPackage(specifier)) {
                raiseWrappedAt(position, message->msgId());
            }
            declareImportedName(*argument, introduced, ImportKind::Package);
        }
    }
}

void ImportResolver::reportInvalidEntry(lf::import::InvalidImportEntry const& invalid,
                                        std::uint32_t position) {
    if (lf::features::isPackageImportsFeatureOn()) {
        raiseWrappedAt(position, invalid.getMsgHolder().msgId());
    }
    if (!invalid.isWarning()) {
        raiseAt<KORVEX::front_end::tal_illegal_import_argument>(position, invalid.getRawArgument());
    }
    // A warning: the argument is ignored.
    if (reportsWarnings()) {
        nameResolver.warningLog().addAt(position, invalid.getMsgHolder().msgId());
    }
}

void ImportResolver::addOrRaise(lf::import::ValidImportEntry entry, std::uint32_t position,
                                lf::import::IImportList& list) {
    if (auto refusal = addToImportList(std::move(entry), list)) {
        raiseWrappedAt(position, refusal->msgId());
    }
}

void ImportResolver::rejectAns(TextLiteral const& argument, std::u16string_view name) {
    if (name == u"ans") {
        raiseAt<KORVEX::lang::AnsAsImportedFunctionOrClass>(argument.position());
    }
}

Identifier& ImportResolver::createImportedNameIdentifier(TextLiteral& argument,
                                                         std::u16string_view name,
                                                         ImportKind kind) {
    Identifier* imported = nameResolver.factory().createIdentifier(0, name);
    imported->classify(IdKind::EXTERNAL, imported);
    if (kind == ImportKind::Package) {
        imported->setMark(marks::kPackageImported);
    }
    argument.linked = imported;
    return *imported;
}

}  // namespace fe::nr
