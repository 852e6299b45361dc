// The use pass of a function body: every appearance of a name that is not an
// assignment target. It runs after the target pass, so every variable of the
// body is already in the table, and looks names up outwards through the
// enclosing functions before asking the external resolver; checks on how a
// function may be used (indexing, fields, command syntax) run after the
// name's classification is known.

#include "front_end/name_resolution/RvalueResolver.hpp"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "foundation/i18n/Messages.hpp"
#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/astapi/AstRewriter.hpp"
#include "front_end/name_resolution/AnonymousFunctionFinalizer.hpp"
#include "front_end/name_resolution/Classifications.hpp"
#include "front_end/name_resolution/DottedNameBuilder.hpp"
#include "front_end/name_resolution/ExternalResolver.hpp"
#include "front_end/name_resolution/GlobalPersistentChecker.hpp"
#include "front_end/name_resolution/UnaryAtOperandResolver.hpp"
#include "front_end/util/DocumentationLink.hpp"
#include "front_end/util/FrontEndUserException.hpp"

namespace fe::nr {

using namespace lf::astapi;
using fe::astapi::NodeField;
using Classification = ISymbolTable::Classification;

bool hasWholeDimensionColon(Index const& index) {
    for (Expression const* argument : index.arguments) {
        if (argument != nullptr && argument->kind() == NodeKind::Colon) {
            return true;
        }
    }
    return false;
}

void HandleOperandLog::beginPass(Node const* statement) {
    passes_.emplace_back(statement, entries_.size());
}

std::pair<std::size_t, std::size_t> HandleOperandLog::entriesOfPass(Node const* statement) const {
    for (std::size_t pass = 0; pass < passes_.size(); ++pass) {
        if (passes_[pass].first == statement) {
            std::size_t const end =
                pass + 1 < passes_.size() ? passes_[pass + 1].second : entries_.size();
            return {passes_[pass].second, end};
        }
    }
    return {0, 0};
}

std::vector<HandleOperandLog::Operand> HandleOperandLog::inSourceOrder() const {
    std::vector<Operand> operands;
    if (entries_.empty()) {
        return operands;
    }
    // The entry ranges still to copy, the innermost last; parallel
    // statements nest to any depth, so no recursion.
    std::vector<std::pair<std::size_t, std::size_t>> ranges{entriesOfPass(nullptr)};
    while (!ranges.empty()) {
        auto& [next, end] = ranges.back();
        if (next == end) {
            ranges.pop_back();
            continue;
        }
        Entry const& entry = entries_[next++];
        if (auto const* operand = std::get_if<Operand>(&entry)) {
            operands.push_back(*operand);
        } else {
            ranges.push_back(entriesOfPass(std::get<Node const*>(entry)));
        }
    }
    return operands;
}

namespace {

bool isFunctionOfTheFile(IdKind kind) {
    return kind == IdKind::NESTED_FUNCTION || kind == IdKind::LOCAL_FUNCTION;
}

bool isFunctionOrClass(IdKind kind) {
    return isFunctionOfTheFile(kind) || kind == IdKind::EXTERNAL;
}

// Classifies the uses of one body: every appearance of a name that is not an
// assignment target. `R` is the external resolver, which says where the body
// runs; `C` checks uses against `persistent` declarations not reached yet.
// Lookups start in `lookupTable`; the entries made for names no scope knew go
// into `insertTable`, which differs only inside anonymous functions.
template <class R, class C>
class RvalueVisitor final : public DottedNameBuilder,
                            public fe::astapi::FieldVisitor<RvalueVisitor<R, C>> {
  public:
    RvalueVisitor(AbstractNameResolver& nameResolver, SymbolTable& lookupTable,
                  SymbolTable& insertTable, R& externalResolver, C& checker,
                  HandleOperandLog* handleOperands)
        : DottedNameBuilder(nameResolver.factory()),
          nameResolver(nameResolver),
          lookupTable(lookupTable),
          insertTable(insertTable),
          unaryAtResolver(nameResolver.factory()),
          externalResolver(externalResolver),
          checker(checker),
          handleOperands(handleOperands) {}

    void resolveStatements(NodeList<Node>& statements) { this->walkField(statements); }

    // The contents of a parfor or spmd statement; its loop variable is a target.
    void resolveParallelContents(Node& statement) {
        if (ParforStatement* parfor = nodeAs<ParforStatement>(&statement)) {
            this->walkField(parfor->range);
            this->walkField(parfor->body);
            this->walkField(parfor->workers);
        } else if (SpmdStatement* spmd = nodeAs<SpmdStatement>(&statement)) {
            this->walkField(spmd->body);
            this->walkField(spmd->workers);
        } else {
            throw std::invalid_argument("a parfor or spmd statement is expected");
        }
    }

    // ------------------------------------------------------ uses

    template <class S>
    void traverse(Identifier& identifier, NodeField<S> slot) {
        if (identifier.idKind() != IdKind::UNKNOWN) {
            return;
        }
        std::uint32_t depth = 0;
        Classification const* found = lookupTable.lookup(identifier.name(), &depth);
        classifyNameUse(identifier, found, depth, slot);
    }

    template <class S>
    void traverse(FieldAccess& access, NodeField<S> slot) {
        traverseFieldAccess(*this, access, slot);
    }

    void visit(Index& index) { resolveIndex(index, false); }

    void visit(UnaryOperation& operation) {
        if (operation.op != UnaryOperator::FunctionHandle) {
            withoutOperandLog([&] { this->walkChildren(operation); });
        } else if (operation.operand != nullptr) {
            NodeField<Expression> const operand(operation.operand);
            if (handleOperands != nullptr) {
                handleOperands->addOperand(operand);
            }
            withoutOperandLog([&] { resolveHandleOperand(operand); });
        }
    }

    void visit(AnonymousFunction& function) {
        function.setStaticImports(externalResolver.importList(), *factory().allocator());
        SymbolTable* table = createAnonymousFunctionTable(function, lookupTable);
        if (function.body != nullptr) {
            RvalueVisitor bodyVisitor(nameResolver, *table, insertTable, externalResolver, checker,
                                      handleOperands);
            bodyVisitor.dispatchField(NodeField<Expression>(function.body));
        }
        finalizeAnonymousFunctionTable(function, *table);
        function.setSymbolTable(table);
    }

    void visit(CommandSyntax& statement) {
        if (statement.command != nullptr) {
            resolveCommandName(NodeField<Identifier>(statement.command));
        }
        checker.onLoadCall(statement);
    }

    // ------------------------------------------ statements with targets

    // Outside parallel blocks only `load` in command syntax is checked
    // against pending `persistent` declarations.
    void visit(Assignment& statement) { this->walkField(statement.value); }

    void visit(IndexedAssignment& statement) {
        resolveTargetParts(statement.target);
        this->walkField(statement.value);
    }

    void visit(MultipleAssignment& statement) {
        for (Expression* target : statement.targets) {
            resolveTargetParts(target);
        }
        this->walkField(statement.value);
    }

    void visit(ForStatement& statement) {
        this->walkField(statement.range);
        this->walkField(statement.body);
    }

    void visit(CatchClause& clause) { this->walkField(clause.body); }

    void visit(ArgumentDeclaration& declaration) {
        this->walkField(declaration.validation);
        this->walkField(declaration.defaultValue);
    }

    void visit(Declaration& statement) {
        if (statement.kind() == NodeKind::Persistent) {
            checker.onPersistentStatement(statement);
        }
    }

    // Had their own pass before this one.
    void visit(ParforStatement& statement) { skipParallelStatement(statement); }
    void visit(SpmdStatement& statement) { skipParallelStatement(statement); }

    // Resolved by the import pass and by their own function resolvers.
    void visit(ImportStatement&) {}
    void visit(FunctionDefinition&) {}

  protected:
    // ------------------------------------------- dotted-name hooks

    DottedHeadResult resolveDottedHead(Identifier& head,
                                       std::span<std::u16string_view const>) override {
        Classification const* found = lookupTable.lookup(head.name(), nullptr);
        if (found != nullptr &&
            (found->kind == IdKind::VARIABLE || isFunctionOfTheFile(found->kind))) {
            if (isFunctionOfTheFile(found->kind)) {
                fe::util::raiseAt<KORVEX::front_end::tal_error_function_followed_by_dot>(
                    head.position(), head.name());
            }
            head.classify(found->kind, found->introducer);
            checker.checkIntroducer(found->introducer);
            return {};
        }
        if (found != nullptr) {
            return {true, found->kind, isReachedThroughPackageImport(*found)};
        }
        if (externalResolver.isVariableInWorkspace(head.name())) {
            head.classify(IdKind::VARIABLE, &head);
            insertTable.addEntry(head.name(), Classification(IdKind::VARIABLE, &head));
            return {};
        }
        return {true, std::nullopt, false};
    }

    Identifier* resolveDottedPrefix(std::u16string_view text, std::uint32_t position,
                                    DottedHeadResult const& head) override {
        std::u16string_view const qualifiedName =
            externalResolver.resolveQualifiedName(text, head.headImportedPackage);
        if (qualifiedName.empty()) {
            return nullptr;
        }
        Identifier* qualified = factory().createIdentifier(position, qualifiedName);
        if (head.headImportedPackage) {
            qualified->setMark(marks::kPackageImported);
        }
        if (classifyQualifiedName(*qualified)) {
            qualified->setMark(marks::kForcedExternal);
        }
        return qualified;
    }

    void resolveIdentifier(ExpressionSlot slot) override {
        Identifier& identifier = static_cast<Identifier&>(*slot.get());
        if (identifier.introducer() != nullptr) {
            return;
        }
        std::u16string_view const name = identifier.name();
        std::u16string_view const mapped = externalResolver.importedNameOf(name);
        if (Classification const* found = lookupTable.lookup(name, nullptr)) {
            if (mapped.empty() || mapped == name ||
                !rewriteToMappedName(identifier, mapped, slot)) {
                copyClassification(identifier, *found);
            }
        } else if (mapped.empty()) {
            recordUnknownName(identifier);
        } else if (mapped == name || !rewriteToMappedName(identifier, mapped, slot)) {
            enterAsExternal(identifier);
        }
    }

    void resolveImportedPackageName(Identifier& identifier) override {
        identifier.setMark(marks::kPackageImported);
        if (Classification const* found = lookupTable.lookup(identifier.name(), nullptr)) {
            identifier.classify(found->kind, found->introducer);
        } else {
            enterAsExternal(identifier);
        }
    }

    void visitOther(ExpressionSlot slot) override {
        Node* node = slot.get();
        if (node == nullptr) {
            return;
        }
        if (node->kind() == NodeKind::ParenIndex) {
            resolveIndex(static_cast<Index&>(*node), true);
        } else {
            slot.visit([this](auto field) { this->dispatchField(field); });
        }
    }

  private:
    void skipParallelStatement(Node& statement) {
        checker.onParallelStatement(statement);
        if (handleOperands != nullptr) {
            handleOperands->addParallelStatement(statement);
        }
    }

    // Runs `walk` with the logging of `@` operands suspended.
    template <class Walk>
    void withoutOperandLog(Walk&& walk) {
        HandleOperandLog* const suspended = std::exchange(handleOperands, nullptr);
        walk();
        handleOperands = suspended;
    }

    // ------------------------------------------------- plain uses

    // `found` is what the scopes say about the name, `depth` how far out.
    void classifyNameUse(Identifier& identifier, Classification const* found, std::uint32_t depth,
                         ExpressionSlot slot) {
        if (identifier.hasMark(marks::kForcedExternal)) {
            identifier.classify(IdKind::EXTERNAL, &identifier);
            return;
        }
        if (found != nullptr) {
            checker.checkIntroducer(found->introducer);
            if (depth > 0 && found->kind == IdKind::VARIABLE) {
                identifier.setMark(marks::kSharedVariable);
            }
            // An UNKNOWN entry of this body's own table was made by an earlier
            // use here that already asked the external resolver, so it is as
            // settled as a variable; one from an enclosing scope was decided
            // for that scope, whose imports and workspace may differ.
            bool const settled = found->kind == IdKind::VARIABLE ||
                                 isFunctionOfTheFile(found->kind) ||
                                 (found->kind == IdKind::UNKNOWN && depth == 0) ||
                                 isReachedThroughPackageImport(*found);
            if (settled) {
                copyClassification(identifier, *found);
            } else {
                classifyThroughImports(identifier, *found, slot);
            }
            return;
        }
        if (identifier.name().starts_with(u'#')) {
            enterAsExternal(identifier);
            return;
        }
        classifyUnboundName(identifier, slot);
    }

    // The rarer paths of classifyNameUse are kept out of line, so that the
    // common one, a settled name, stays small enough to inline.

    // A name an enclosing scope or an import knows as external, which the
    // imports of this body may map to another name.
    [[gnu::noinline]] void classifyThroughImports(Identifier& identifier,
                                                  Classification const& found,
                                                  ExpressionSlot slot) {
        if constexpr (R::kResolvesUnboundNames) {
            std::u16string_view const name = identifier.name();
            std::u16string_view const mapped = externalResolver.resolveUnboundName(name);
            if (mapped.empty() || mapped == name ||
                !rewriteToMappedName(identifier, mapped, slot)) {
                copyClassification(identifier, found);
            }
        }
    }

    [[gnu::noinline]] void classifyUnboundName(Identifier& identifier, ExpressionSlot slot) {
        if constexpr (R::kResolvesUnboundNames) {
            std::u16string_view const name = identifier.name();
            std::u16string_view const mapped = externalResolver.resolveUnboundName(name);
            if (mapped.empty()) {
                recordUnknownName(identifier);
            } else if (mapped == name || !rewriteToMappedName(identifier, mapped, slot)) {
                enterAsExternal(identifier);
            }
        }
    }

    // The first word of a statement in command syntax must be a function.
    void resolveCommandName(NodeField<Identifier> slot) {
        Identifier& name = *slot;
        if (name.hasMark(marks::kForcedExternal)) {
            name.classify(IdKind::EXTERNAL, &name);
            return;
        }
        std::uint32_t depth = 0;
        Classification const* found = lookupTable.lookup(name.name(), &depth);
        if (found == nullptr) {
            found = externalResolver.classifyWorkspaceName(name.name(), name, lookupTable);
        }
        if (found == nullptr) {
            classifyUnboundName(name, slot);
            return;
        }
        if (found->kind == IdKind::VARIABLE) {
            fe::util::raiseAt<
                KORVEX::front_end::tal_error_variable_used_where_function_is_required>(
                name.position(), name.name(),
                fe::util::documentationLink(
                    fe::util::kFunctionCallCommandSyntaxTopic,
                    KORVEX::front_end::tal_determining_which_function_is_called()));
        }
        classifyNameUse(name, found, depth, slot);
    }

    // A name the scopes do not know and the caller does not map: a first use.
    void recordUnknownName(Identifier& identifier) {
        insertTable.addEntryWithUse(identifier.name(), Classification(IdKind::UNKNOWN, &identifier),
                                    &identifier);
        identifier.classify(IdKind::UNKNOWN, &identifier);
    }

    void enterAsExternal(Identifier& identifier) {
        insertTable.addEntry(identifier.name(), Classification(IdKind::EXTERNAL, &identifier));
        identifier.classify(IdKind::EXTERNAL, &identifier);
    }

    // Classifies a new qualified identifier as external: it takes the entry
    // of its name when that is external, else introduces itself. Answers
    // whether the name had an entry of another kind.
    bool classifyQualifiedName(Identifier& qualified) {
        Classification const* found = lookupTable.lookup(qualified.name(), nullptr);
        if (found != nullptr && found->kind == IdKind::EXTERNAL) {
            qualified.classify(IdKind::EXTERNAL, found->introducer);
            return false;
        }
        enterAsExternal(qualified);
        return found != nullptr;
    }

    // Replaces a use by an identifier named `mapped`, the name the imports
    // map it to, unless the mapped name starts with a name the imports
    // introduce themselves. Answers whether it did.
    bool rewriteToMappedName(Identifier const& use, std::u16string_view mapped,
                             ExpressionSlot slot) {
        if (externalResolver.importsFirstComponentOf(mapped)) {
            return false;
        }
        Identifier* qualified = factory().createIdentifier(use.position(), mapped);
        classifyQualifiedName(*qualified);
        slot.replace(*qualified);
        return true;
    }

    // ---------------------------------------------------- indexing

    void resolveIndex(Index& index, bool followedByField) {
        this->walkField(index.head);
        if (Identifier const* head = nodeAs<Identifier>(index.head)) {
            checkIndexedName(index, *head, followedByField);
        }
        this->walkField(index.arguments);
    }

    // Functions and classes cannot be indexed like variables.
    static void checkIndexedName(Index const& index, Identifier const& head, bool followedByField) {
        IdKind const kind = head.idKind();
        bool const packageName = head.hasMark(marks::kPackageImported) &&
                                 head.name().find(u'.') == std::u16string_view::npos;
        bool const brace = index.kind() == NodeKind::BraceIndex;
        if (isFunctionOrClass(kind) && (brace || hasWholeDimensionColon(index))) {
            if (packageName) {
                fe::util::raiseAt<KORVEX::lang::UnsupportedIndexingIntoImportedPackage>(
                    head.position(), head.name());
            }
            if (brace) {
                fe::util::raiseWrappedAt(head.position(),
                                         KORVEX::lang::BraceIndexingFunctionOrClass(head.name()));
            }
            fe::util::raiseAt<KORVEX::front_end::tal_invalid_colon_index>(head.position(),
                                                                          head.name());
        }
        if (!brace && followedByField && isFunctionOfTheFile(kind)) {
            fe::util::raiseAt<KORVEX::lang::ParenDotIndexingFunction>(head.position());
        }
    }

    // ---------------------------------------------------- targets

    // The uses inside an assignment target (indices and dynamic field
    // names); its head identifier belongs to the lvalue pass.
    void resolveTargetParts(Expression* target) {
        if (Index* index = nodeAs<Index>(target)) {
            resolveTargetParts(index->head);
            this->walkField(index->arguments);
        } else if (FieldAccess* access = nodeAs<FieldAccess>(target)) {
            resolveTargetParts(access->base);
        } else if (DynamicFieldAccess* dynamic = nodeAs<DynamicFieldAccess>(target)) {
            resolveTargetParts(dynamic->base);
            this->walkField(dynamic->field);
        }
    }

    // ---------------------------------------- function-handle operands

    void resolveHandleOperand(NodeField<Expression> slot) {
        HandleOperand const operand = walkHandleOperand(slot.get());
        if (operand.head == nullptr) {
            this->dispatchField(slot);
        } else if (isOperandOfUnaryAtValidForConcatenation(*operand.head, operand.dotCount())) {
            unaryAtResolver.concatenate(slot, operand, lookupTable);
        }
    }

    // Classifies the operand's head unless the whole operand is to be joined
    // into one qualified name; answers whether it is.
    bool isOperandOfUnaryAtValidForConcatenation(Identifier& head, std::size_t dots) {
        if constexpr (R::kResolvesUnboundNames) {
            if (dots > 1) {
                return true;
            }
            if (dots == 0) {
                classifyOperandAsFunctionName(head, lookupTable);
            } else if (Classification const* found = lookupTable.lookup(head.name(), nullptr)) {
                if (found->kind == IdKind::VARIABLE) {
                    checker.checkIntroducer(found->introducer);
                }
                copyClassification(head, *found);
            } else if (externalResolver.isVariableInWorkspace(head.name())) {
                head.classify(IdKind::VARIABLE, &head);
            } else {
                head.classify(
                    externalResolver.unboundNamesAreExternal() ? IdKind::EXTERNAL : IdKind::UNKNOWN,
                    &head);
            }
        } else if (dots == 0) {
            if (Classification const* found = nearestEntryOfKinds(
                    lookupTable, head.name(),
                    {IdKind::NESTED_FUNCTION, IdKind::LOCAL_FUNCTION, IdKind::EXTERNAL})) {
                copyClassification(head, *found);
            }
        } else if (Classification const* found = lookupTable.lookup(head.name(), nullptr)) {
            bool const copied =
                found->kind == IdKind::VARIABLE ? dots == 1 : !isFunctionOfTheFile(found->kind);
            if (copied) {
                copyClassification(head, *found);
            }
        }
        return false;
    }

    AbstractNameResolver& nameResolver;
    SymbolTable& lookupTable;
    SymbolTable& insertTable;
    UnaryAtOperandResolver unaryAtResolver;
    R& externalResolver;
    C& checker;
    // Where the `@` operands met are logged; null while they are not.
    HandleOperandLog* handleOperands;
};

// Builds the external resolver that `pass.resolution` names and runs `f` with it.
template <class F>
void withExternalResolver(UsePass const& pass, F&& f) {
    switch (pass.resolution) {
        case ExternalResolution::Local: {
            NoOpExternalResolver resolver(pass.nameResolver, pass.imports, pass.cache);
            return f(resolver);
        }
        case ExternalResolution::StaticWorkspace: {
            ExternalResolverForStaticWorkSpace resolver(pass.nameResolver, pass.imports,
                                                        pass.cache);
            return f(resolver);
        }
        case ExternalResolution::DynamicWorkspace: {
            ExternalResolverForDynamicWorkspace resolver(pass.nameResolver, pass.imports,
                                                         pass.cache);
            return f(resolver);
        }
        case ExternalResolution::ParallelInEvalBody: {
            if (pass.parallelQueries == nullptr) {
                throw std::invalid_argument(
                    "a parallel block inside eval needs the caller's workspace queries");
            }
            ExternalResolverForParallelInEvalBody resolver(
                pass.nameResolver, pass.imports, pass.cache, pass.parallelQueries->isVariable,
                pass.parallelQueries->staticLookup);
            return f(resolver);
        }
    }
    throw std::invalid_argument("unknown kind of external resolution");
}

}  // namespace

void resolveFunctionBodyUses(UsePass const& pass, FunctionDefinition& function,
                             PendingPersistentSet* pending) {
    if (pass.handleOperands != nullptr) {
        pass.handleOperands->beginPass(nullptr);
    }
    withExternalResolver(pass, [&]<class R>(R& resolver) {
        auto resolveWith = [&]<class C>(C& checker) {
            RvalueVisitor<R, C> visitor(pass.nameResolver, pass.table, pass.table, resolver,
                                        checker, pass.handleOperands);
            visitor.resolveStatements(function.body);
            visitor.resolveStatements(function.secondStatements);
        };
        // A parallel block inside eval cannot declare persistent variables.
        if constexpr (!std::is_same_v<R, ExternalResolverForParallelInEvalBody>) {
            if (pending != nullptr && !pending->empty()) {
                GlobalPersistentChecker checker(*pending);
                resolveWith(checker);
                return;
            }
        }
        DummyGlobalPersistentChecker checker;
        resolveWith(checker);
    });
}

void resolveParallelStatementUses(UsePass const& pass, Node& statement) {
    if (pass.handleOperands != nullptr) {
        pass.handleOperands->beginPass(&statement);
    }
    withExternalResolver(pass, [&]<class R>(R& resolver) {
        DummyGlobalPersistentChecker checker;
        RvalueVisitor<R, DummyGlobalPersistentChecker> visitor(
            pass.nameResolver, pass.table, pass.table, resolver, checker, pass.handleOperands);
        visitor.resolveParallelContents(statement);
    });
}

}  // namespace fe::nr
