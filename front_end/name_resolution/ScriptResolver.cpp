// Resolution of a script: its top-level statements, then its local
// functions. A script's names are never made variables here: the workspace a
// script runs in is the caller's, so a name the file itself does not prove
// to be a local function or an import is recorded as UNKNOWN.

#include <memory>
#include <string>
#include <vector>

#include "foundation/i18n/Messages.hpp"
#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/import/ImportList.hpp"
#include "front_end/name_resolution/AnonymousFunctionFinalizer.hpp"
#include "front_end/name_resolution/Classifications.hpp"
#include "front_end/name_resolution/DottedNameBuilder.hpp"
#include "front_end/name_resolution/ExternalResolver.hpp"
#include "front_end/name_resolution/ImportResolver.hpp"
#include "front_end/name_resolution/LvalueResolver.hpp"
#include "front_end/name_resolution/ResolverEntries.hpp"
#include "front_end/name_resolution/RvalueResolver.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/name_resolution/UnaryAtOperandResolver.hpp"
#include "front_end/util/FrontEndUserException.hpp"

namespace fe::nr {
namespace {

using namespace lf::astapi;
using fe::astapi::NodeField;
using fe::util::raiseAt;
using Classification = ISymbolTable::Classification;
namespace fe_msg = KORVEX::front_end;
namespace lang_msg = KORVEX::lang;

// The first walk over a script: its local functions and imports, without
// entering the local functions.
struct ScriptContents {
    std::vector<FunctionDefinition*> localFunctions;
    std::vector<Node*> imports;
};

// The operands of `@` that the body's resolver met, in the order it met them,
// kept for settling their introducers once the body is done.
using HandleOperands = std::vector<NodeField<Expression>>;

class ScriptContentsCollector : public fe::astapi::AstDispatcher<ScriptContentsCollector> {
  public:
    explicit ScriptContentsCollector(ScriptContents& contents) : contents_(contents) {}

    void visit(FunctionDefinition& function) { contents_.localFunctions.push_back(&function); }
    void visit(ImportStatement& statement) { contents_.imports.push_back(&statement); }
    // Neither can stand in an expression.
    void visit(Expression&) {}

  private:
    ScriptContents& contents_;
};

class ImportResolverForScript final : public ImportResolver {
  public:
    ImportResolverForScript(AbstractNameResolver& nameResolver, SymbolTable& table)
        : ImportResolver(nameResolver), table_(table) {}

  protected:
    void declareImportedName(TextLiteral& argument, std::u16string_view name,
                             ImportKind kind) override {
        rejectAns(argument, name);
        Classification const* found = table_.lookup(name, nullptr);
        if (found == nullptr) {
            Identifier& imported = createImportedNameIdentifier(argument, name, kind);
            table_.addEntry(imported.name(), {IdKind::EXTERNAL, &imported});
        } else if (found->kind == IdKind::LOCAL_FUNCTION) {
            kind == ImportKind::Package
                ? raiseAt<lang_msg::ImportedPackageAndLocalFunctionHaveSameName>(
                      argument.position(), name)
                : raiseAt<lang_msg::ImportedFunctionAndLocalFunctionHaveSameName>(
                      argument.position(), name);
        }
    }

  private:
    SymbolTable& table_;
};

template <class R>
class ScriptBodyResolver : public DottedNameBuilder,
                           public fe::astapi::FieldVisitor<ScriptBodyResolver<R>> {
    using Walker = fe::astapi::FieldVisitor<ScriptBodyResolver<R>>;

  public:
    ScriptBodyResolver(R& nameResolver, SymbolTable& table, std::u16string_view scriptName,
                       ImportListPtr imports, ResolutionCache cache, HandleOperands& handleOperands)
        : DottedNameBuilder(nameResolver.factory()),
          nameResolver_(nameResolver),
          table(table),
          recordingTable_(table),
          scriptName_(scriptName),
          imports_(std::move(imports)),
          unaryAtResolver_(nameResolver.factory()),
          resolutionCache_(std::move(cache)),
          externalResolver_(nameResolver, imports_, resolutionCache_),
          handleOperands_(handleOperands) {}

    void resolveStatements(NodeList<Node>& statements) {
        for (std::uint32_t i = 0; i < statements.size(); ++i) {
            this->dispatchField(NodeField<Node>(statements.slot(i)));
        }
    }

    // A plain use of a name.
    template <class S>
    void traverse(Identifier& identifier, NodeField<S>) {
        classifyUse(identifier, table.lookup(identifier.name(), nullptr));
    }

    template <class S>
    void traverse(FieldAccess& access, NodeField<S> slot) {
        Expression* innermost = access.base;
        while (innermost->kind() == NodeKind::FieldAccess) {
            innermost = static_cast<FieldAccess*>(innermost)->base;
        }
        auto* call =
            innermost->kind() == NodeKind::ParenIndex ? static_cast<Index*>(innermost) : nullptr;
        if (auto* head = call != nullptr ? nodeAs<Identifier>(call->head) : nullptr) {
            classifyParenDotHead(*head);
            walkArguments(*call);
            return;
        }
        DottedParts parts;
        buildDottedName(slot, parts);
    }

    template <class S>
    void traverse(Index& index, NodeField<S>) {
        auto* head = nodeAs<Identifier>(index.head);
        if (index.kind() != NodeKind::BraceIndex || head == nullptr) {
            this->walkChildren(index);
            return;
        }
        classifyBraceIndexedHead(*head);
        walkArguments(index);
    }

    template <class S>
    void traverse(UnaryOperation& operation, NodeField<S>) {
        if (operation.op == UnaryOperator::FunctionHandle) {
            NodeField<Expression> const operand(operation.operand);
            handleOperands_.push_back(operand);
            unaryAtResolver_.resolveOperand(operand, table);
            return;
        }
        this->walkChildren(operation);
    }

    template <class S>
    void traverse(AnonymousFunction& function, NodeField<S>) {
        resolveAnonymousFunction(function);
    }

    void visit(FunctionDefinition&) {}

    void visit(ForStatement& loop) {
        introduceVariable(*loop.variable);
        this->dispatchField(NodeField<Expression>(loop.range));
        resolveStatements(loop.body);
    }
    void visit(ParforStatement& loop) {
        introduceVariable(*loop.variable);
        this->dispatchField(NodeField<Expression>(loop.range));
        resolveStatements(loop.body);
        if (loop.workers != nullptr) {
            this->dispatchField(NodeField<Expression>(loop.workers));
        }
    }
    void visit(CatchClause& clause) {
        if (clause.identifier != nullptr) {
            introduceVariable(*clause.identifier);
        }
        resolveStatements(clause.body);
    }
    void visit(Declaration& declaration) {
        if (declaration.kind() == NodeKind::Persistent) {
            raiseAt<fe_msg::persistentNotInFunction>(declaration.position());
        }
        for (Identifier* declared : declaration.names) {
            rejectVariableArgumentDeclaration(*declared);
            introduceVariable(*declared);
        }
    }

  private:
    // The resolver of an anonymous function's body: it looks names up in
    // `anonymousTable`, records them where `enclosing` does, and starts from
    // what `enclosing` has learnt of the import mapping.
    ScriptBodyResolver(ScriptBodyResolver const& enclosing, SymbolTable& anonymousTable)
        : DottedNameBuilder(enclosing.nameResolver_.factory()),
          nameResolver_(enclosing.nameResolver_),
          table(anonymousTable),
          recordingTable_(enclosing.recordingTable_),
          scriptName_(enclosing.scriptName_),
          imports_(enclosing.imports_),
          unaryAtResolver_(enclosing.nameResolver_.factory()),
          resolutionCache_(enclosing.resolutionCache_),
          externalResolver_(enclosing.nameResolver_, imports_, resolutionCache_),
          handleOperands_(enclosing.handleOperands_) {}

    // A name that no scope knows is recorded as UNKNOWN, introduced by its
    // first use: the workspace the script runs in decides at run time.
    void classifyUse(Identifier& identifier, Classification const* found) {
        if (found != nullptr) {
            copyClassification(identifier, *found);
            return;
        }
        recordName(identifier.name(), {IdKind::UNKNOWN, &identifier});
        identifier.classify(IdKind::UNKNOWN, &identifier);
    }

    // Loop and catch variables and `global` names: variables of the script,
    // which may not take the name of the script, a local function or an
    // import.
    void introduceVariable(Identifier& identifier) {
        std::u16string_view name = identifier.name();
        if (name == scriptName_) {
            raiseAt<fe_msg::tal_variable_with_script_name>(identifier.position(), name);
        }
        Classification const* found = table.lookup(name, nullptr);
        if (found == nullptr) {
            identifier.setTargetMode(marks::kWholeAssigned);
            recordName(name, {IdKind::UNKNOWN, &identifier});
            identifier.classify(IdKind::UNKNOWN, &identifier);
            return;
        }
        if (found->kind == IdKind::LOCAL_FUNCTION) {
            raiseAt<lang_msg::LocalFunctionAndVariableHaveSameName>(identifier.position(), name);
        }
        if (found->kind == IdKind::EXTERNAL) {
            isReachedThroughPackageImport(*found)
                ? raiseAt<lang_msg::ImportedPackageAndVariableHaveSameName>(identifier.position(),
                                                                            name)
                : raiseAt<lang_msg::ImportedFunctionAndVariableHaveSameName>(identifier.position(),
                                                                             name);
        }
        identifier.classify(found->kind, found->introducer);
    }

    void classifyBraceIndexedHead(Identifier& head) {
        Classification const* found = table.lookup(head.name(), nullptr);
        if (found != nullptr && isReachedThroughPackageImport(*found)) {
            raiseAt<lang_msg::ImportedPackageAndVariableHaveSameName>(head.position(), head.name());
        }
        if (found != nullptr &&
            (found->kind == IdKind::LOCAL_FUNCTION || found->kind == IdKind::EXTERNAL)) {
            fe::util::raiseWrappedAt(head.position(),
                                     lang_msg::BraceIndexingFunctionOrClass(head.name()));
        }
        classifyUse(head, found);
    }

    void classifyParenDotHead(Identifier& head) {
        Classification const* found = table.lookup(head.name(), nullptr);
        if (found != nullptr && found->kind == IdKind::LOCAL_FUNCTION) {
            raiseAt<lang_msg::ParenDotIndexingFunction>(head.position());
        }
        classifyUse(head, found);
    }

    void walkArguments(Index& index) {
        for (std::uint32_t i = 0; i < index.arguments.size(); ++i) {
            this->dispatchField(NodeField<Expression>(index.arguments.slot(i)));
        }
    }

    // The body is resolved in the anonymous function's own table;
    // the names it meets first are recorded where this resolver records.
    void resolveAnonymousFunction(AnonymousFunction& function) {
        function.setStaticImports(imports_, *nameResolver_.factory().allocator());
        SymbolTable* anonymousTable = createAnonymousFunctionTable(function, table);
        ScriptBodyResolver body(*this, *anonymousTable);
        if (function.body != nullptr) {
            body.dispatchField(NodeField<Expression>(function.body));
        }
        finalizeAnonymousFunctionTable(function, *anonymousTable);
        function.setSymbolTable(anonymousTable);
    }

    // Enters a name that a use or target meets for the first time.
    void recordName(std::u16string_view name, Classification const& classification) {
        recordingTable_.addEntry(name, classification);
    }

    // Only a package the script imported can start a qualified name.
    DottedHeadResult resolveDottedHead(Identifier& head,
                                       std::span<std::u16string_view const>) override {
        Classification const* found = table.lookup(head.name(), nullptr);
        if (found != nullptr && isReachedThroughPackageImport(*found)) {
            return {true, found->kind, true};
        }
        if (found != nullptr && found->kind == IdKind::LOCAL_FUNCTION) {
            raiseAt<fe_msg::tal_error_function_followed_by_dot>(head.position(), head.name());
        }
        classifyUse(head, found);
        return {};
    }

    // A dotted prefix under an imported package names what the imports map
    // it to.
    Identifier* resolveDottedPrefix(std::u16string_view text, std::uint32_t position,
                                    DottedHeadResult const& head) override {
        std::u16string_view qualified =
            externalResolver_.resolveQualifiedName(text, head.headImportedPackage);
        if (qualified.empty()) {
            return nullptr;
        }
        Identifier* identifier = factory().createIdentifier(position, qualified);
        identifier->setMark(marks::kPackageImported);
        if (Classification const* found = table.lookup(identifier->name(), nullptr)) {
            identifier->classify(found->kind, found->introducer);
        } else {
            recordName(identifier->name(), {IdKind::EXTERNAL, identifier});
            identifier->classify(IdKind::EXTERNAL, identifier);
        }
        return identifier;
    }

    // The head was classified when it was found not to start a name.
    void resolveIdentifier(ExpressionSlot) override {}

    void resolveImportedPackageName(Identifier& identifier) override {
        identifier.setMark(marks::kPackageImported);
        if (Classification const* found = table.lookup(identifier.name(), nullptr)) {
            identifier.classify(found->kind, found->introducer);
        } else {
            recordName(identifier.name(), {IdKind::EXTERNAL, &identifier});
            identifier.classify(IdKind::EXTERNAL, &identifier);
        }
    }

    void visitOther(ExpressionSlot slot) override {
        slot.visit([this](auto const& field) { this->dispatchField(field); });
    }

    R& nameResolver_;
    // Where uses are looked up, and where first-met names are recorded: the
    // script's table, also inside anonymous functions.
    SymbolTable& table;
    SymbolTable& recordingTable_;
    std::u16string_view scriptName_;
    ImportListPtr imports_;
    UnaryAtOperandResolverForScript unaryAtResolver_;
    ResolutionCache resolutionCache_;
    ExternalResolver externalResolver_;
    // Where the operands of `@` met here and in anonymous functions go.
    HandleOperands& handleOperands_;
};

template <class R>
void resolveScript(R& nameResolver, SymbolTable& table, Program& script,
                   std::u16string const& scriptName) {
    ScriptContents contents;
    ScriptContentsCollector collector(contents);
    for (Node* element : script.elements) {
        collector.dispatch(*element);
    }

    for (FunctionDefinition* function : contents.localFunctions) {
        Identifier& name = *function->name;
        if (name.name() == scriptName) {
            raiseAt<fe_msg::LocalFunctionNameSameAsFileName>(name.position());
        }
        if (name.name() == u"ans") {
            raiseAt<fe_msg::AnsAsFunctionName>(name.position());
        }
        if (Classification const* found = table.lookup(name.name(), nullptr);
            found != nullptr && found->kind == IdKind::LOCAL_FUNCTION) {
            raiseAt<fe_msg::tal_error_duplicate_function_name>(name.position(), name.name());
        }
        table.addEntry(name.name(), {IdKind::LOCAL_FUNCTION, &name});
        name.classify(IdKind::LOCAL_FUNCTION, &name);
    }

    std::shared_ptr<lf::import::IImportList> imports = lf::import::createImportList(nullptr);
    ImportResolverForScript(nameResolver, table).runImportStatements(contents.imports, *imports);
    script.setStaticImports(imports, *nameResolver.factory().allocator());

    HandleOperands handleOperands;
    ScriptBodyResolver<R>(nameResolver, table, scriptName, imports, {}, handleOperands)
        .resolveStatements(script.elements);
    script.setSymbolTable(&table);

    finalizeDeferredOperands(handleOperands, table);
    for (FunctionDefinition* function : contents.localFunctions) {
        nameResolver.resolveFunction(&table, *function, true);
    }
}

}  // namespace

void resolveScriptBody(NameResolver& resolver, SymbolTable* table, Program& script,
                       std::u16string const& scriptName) {
    resolveScript(resolver, *table, script, scriptName);
}

void resolveScriptBody(LocalNameResolver& resolver, SymbolTable* table, Program& script,
                       std::u16string const& scriptName) {
    resolveScript(resolver, *table, script, scriptName);
}

}  // namespace fe::nr
