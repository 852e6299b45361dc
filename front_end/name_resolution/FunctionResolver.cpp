// Resolution of one function definition and, after its body, of the
// functions nested in it. The order of the work is fixed here; the passes
// themselves live in the lvalue, use and import resolvers.
//
// The order decides meanings. Arguments and nested-function names come
// first, so that imports can clash with them; imports come before
// assignments, so that assigning an imported name is an error wherever the
// `import` stands; every assignment comes before any use, since a name
// assigned anywhere in a function is its variable everywhere in it; and the
// nested functions come last, so that they see every variable, nested
// function and import of the functions around them.

#include "front_end/name_resolution/FunctionResolver.hpp"

#include <vector>

#include "foundation/i18n/Messages.hpp"
#include "foundation/qzboost/qzboost.hpp"
#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/import/ImportList.hpp"
#include "front_end/name_resolution/ImportResolver.hpp"
#include "front_end/name_resolution/LvalueResolver.hpp"
#include "front_end/name_resolution/RvalueResolver.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/util/FrontEndUserException.hpp"

namespace fe::nr {
namespace {

using namespace lf::astapi;
using fe::astapi::NodeField;
using fe::util::raiseAt;
namespace fe_msg = KORVEX::front_end;
namespace lang_msg = KORVEX::lang;

// Collects without entering nested functions or expressions: none of what
// it collects can stand in an expression.
class FunctionContentsCollector : public fe::astapi::AstDispatcher<FunctionContentsCollector> {
  public:
    explicit FunctionContentsCollector(FunctionContents& contents) : contents_(contents) {}

    void collect(NodeList<Node>& statements) {
        for (Node* statement : statements) {
            dispatch(*statement);
        }
    }

    void visit(FunctionDefinition& nested) { contents_.nestedFunctions.push_back(&nested); }
    void visit(ImportStatement& statement) {
        contents_.imports.push_back(&statement);
        if (statement.name != nullptr) {
            contents_.targetStatements.push_back(&statement);
        }
    }
    void visit(ParforStatement& statement) {
        contents_.parforStatements.push_back(&statement);
        withTargetsAndBody(statement);
    }
    void visit(SpmdStatement& statement) {
        contents_.spmdStatements.push_back(&statement);
        walkChildren(statement);
    }
    void visit(ForStatement& statement) { withTargetsAndBody(statement); }
    void visit(CatchClause& clause) { withTargetsAndBody(clause); }
    // Statements whose parts are all expressions.
    void visit(Assignment& statement) { contents_.targetStatements.push_back(&statement); }
    void visit(IndexedAssignment& statement) { contents_.targetStatements.push_back(&statement); }
    void visit(MultipleAssignment& statement) { contents_.targetStatements.push_back(&statement); }
    void visit(CommandSyntax& statement) { contents_.targetStatements.push_back(&statement); }
    void visit(Declaration& statement) { contents_.targetStatements.push_back(&statement); }
    void visit(ArgumentDeclaration& declaration) {
        contents_.targetStatements.push_back(&declaration);
    }
    void visit(Expression&) {}

  private:
    // A statement's own targets come before those of the statements in it.
    template <class Statement>
    void withTargetsAndBody(Statement& statement) {
        contents_.targetStatements.push_back(&statement);
        walkChildren(statement);
    }

    FunctionContents& contents_;
};

// Synthetic nested functions have a "%" in their name and leave the
// enclosing workspace dynamic.
bool isSynthetic(FunctionDefinition const& function) {
    return function.name->name().find(u'%') != std::u16string_view::npos;
}

class AbstractFunctionResolver : private qzboost::noncopyable {
  public:
    AbstractFunctionResolver(AbstractNameResolver& nameResolver, SymbolTable* parent,
                             FunctionDefinition& function, bool dynamicWorkspace)
        : nameResolver(nameResolver),
          function(function),
          table(parent != nullptr ? SymbolTable::createChild(function, *parent)
                                  : SymbolTable::create(function, nameResolver.factory())),
          dynamicWorkspace(dynamicWorkspace) {}
    virtual ~AbstractFunctionResolver() = default;

    SymbolTable* resolve(ImportListPtr enclosingImports, ResolutionCache const& enclosingCache) {
        rejectRepeatedArguments();
        declareInputs();
        declareOutputs();
        declareImplicitVariable();

        FunctionContents const contents = collectFunctionContents(function);

        declareNestedFunctionNames(contents.nestedFunctions);
        ImportListPtr imports = resolveImports(contents.imports, enclosingImports);
        function.setStaticImports(imports, *nameResolver.factory().allocator());

        // A function that imports nothing of its own maps names exactly as
        // its enclosing function does, so it starts from what that one learnt.
        ResolutionCache cache = imports == enclosingImports || imports->ownEntryCount() == 0
                                    ? enclosingCache
                                    : ResolutionCache{};
        decideWorkspace(contents.nestedFunctions);

        PendingPersistentSet pendingPersistents;
        resolveLvalues({contents.targetStatements.data(), contents.targetStatements.size()}, *table,
                       nameResolver, imports, pendingPersistents);
        resolveStatements(contents.parforStatements, contents.spmdStatements, pendingPersistents,
                          imports, cache);
        resolveNestedFunctions(contents.nestedFunctions, imports, cache);

        table->discardIntroductionNodes();
        attachSymbolTable();
        return table;
    }

  protected:
    // Declares what the function's `import` statements bring in.
    class ImportResolverForFunction final : public ImportResolver {
      public:
        ImportResolverForFunction(AbstractNameResolver& nameResolver, SymbolTable& table)
            : ImportResolver(nameResolver), table_(table) {}

      protected:
        void declareImportedName(TextLiteral& argument, std::u16string_view name,
                                 ImportKind kind) override {
            rejectAns(argument, name);
            if (auto const* found = table_.ownEntry(name)) {
                bool package = kind == ImportKind::Package;
                if (found->kind == IdKind::VARIABLE) {
                    package ? raiseAt<lang_msg::ImportedPackageAndVariableHaveSameName>(
                                  argument.position(), name)
                            : raiseAt<lang_msg::ImportedFunctionAndVariableHaveSameName>(
                                  argument.position(), name);
                }
                if (found->kind == IdKind::NESTED_FUNCTION) {
                    package ? raiseAt<lang_msg::ImportedPackageAndNestedFunctionHaveSameName>(
                                  argument.position(), name)
                            : raiseAt<lang_msg::ImportedFunctionAndNestedFunctionHaveSameName>(
                                  argument.position(), name);
                }
                return;  // the first import of a name stays its introducer
            }
            Identifier& imported = createImportedNameIdentifier(argument, name, kind);
            table_.addEntry(imported.name(), {IdKind::EXTERNAL, &imported});
        }

      private:
        SymbolTable& table_;
    };

    virtual ImportListPtr resolveImports(std::vector<Node*> const& statements,
                                         ImportListPtr enclosing) {
        std::shared_ptr<lf::import::IImportList> list = lf::import::createImportList(enclosing);
        ImportResolverForFunction(nameResolver, *table).runImportStatements(statements, *list);
        return list;
    }
    virtual void resolveNestedFunctions(std::vector<FunctionDefinition*> const& nested,
                                        ImportListPtr imports, ResolutionCache const& cache) = 0;
    virtual void resolveBody(PendingPersistentSet& pending, ImportListPtr imports,
                             ResolutionCache& cache) = 0;
    virtual void resolveParforStatements(std::vector<Node*> const& statements,
                                         ImportListPtr imports, ResolutionCache& cache) = 0;
    virtual void resolveSpmdStatements(std::vector<Node*> const& statements, ImportListPtr imports,
                                       ResolutionCache& cache) = 0;

    virtual void resolveStatements(std::vector<Node*> const& parforStatements,
                                   std::vector<Node*> const& spmdStatements,
                                   PendingPersistentSet& pending, ImportListPtr imports,
                                   ResolutionCache& cache) {
        resolveParforStatements(parforStatements, imports, cache);
        resolveSpmdStatements(spmdStatements, imports, cache);
        resolveBody(pending, imports, cache);
        finalizeDeferredOperands(handleOperands.inSourceOrder(), *table);
    }

    // The implicit variable takes an existing entry of its name (an argument
    // called "ans") or becomes a variable of its own.
    virtual void declareImplicitVariable() {
        Identifier* implicit = function.implicitVariable;
        if (implicit == nullptr) {
            return;
        }
        if (auto const* found = table->ownEntry(implicit->name())) {
            implicit->classify(found->kind, found->introducer);
            return;
        }
        declareVariable(*implicit);
    }

    virtual void attachSymbolTable() { function.setSymbolTable(table); }

    UsePass usePass(ExternalResolution resolution, ImportListPtr imports, ResolutionCache& cache) {
        return UsePass{nameResolver, *table,  std::move(imports), cache,
                       resolution,   nullptr, &handleOperands};
    }

    void resolveEachParallelStatement(std::vector<Node*> const& statements,
                                      UsePass const& pass) const {
        for (Node* statement : statements) {
            resolveParallelStatementUses(pass, *statement);
        }
    }

    // Each nested function, in order, in a table nested in this one.
    template <class ChildResolver>
    void resolveEachNestedFunction(std::vector<FunctionDefinition*> const& nested,
                                   ImportListPtr imports, ResolutionCache const& cache) {
        for (FunctionDefinition* child : nested) {
            ChildResolver(nameResolver, table, *child, dynamicWorkspace).resolve(imports, cache);
        }
    }

    void declareVariable(Identifier& identifier) {
        table->addEntry(identifier.name(), {IdKind::VARIABLE, &identifier});
        identifier.classify(IdKind::VARIABLE, &identifier);
    }

    AbstractNameResolver& nameResolver;
    FunctionDefinition& function;
    SymbolTable* table;
    std::uint32_t dynamicWorkspace;
    // The operands of `@` that the use passes of the body meet.
    HandleOperandLog handleOperands;

  private:
    // All outputs are compared before any input.
    void rejectRepeatedArguments() const {
        NodeList<Identifier> const& outputs = function.outputs;
        for (std::uint32_t later = 1; later < outputs.size(); ++later) {
            for (std::uint32_t earlier = 0; earlier < later; ++earlier) {
                if (outputs[earlier]->name() == outputs[later]->name()) {
                    raiseAt<fe_msg::tal_error_repeated_output>(outputs[later]->position(),
                                                               outputs[later]->name());
                }
            }
        }
        rejectRepeatedInputs(function.inputs);
    }

    void declareInputs() {
        for (InputArgument* input : function.inputs) {
            if (input->identifier != nullptr) {
                declareVariable(*input->identifier);
            }
        }
    }

    // An output named like an input (`function x = f(x)`) is that input.
    void declareOutputs() {
        for (Identifier* output : function.outputs) {
            if (auto const* found = table->ownEntry(output->name())) {
                output->classify(found->kind, found->introducer);
            } else {
                declareVariable(*output);
            }
        }
    }

    void declareNestedFunctionNames(std::vector<FunctionDefinition*> const& nestedFunctions) {
        for (FunctionDefinition* nested : nestedFunctions) {
            Identifier& name = *nested->name;
            if (name.name() == u"ans") {
                raiseAt<fe_msg::AnsAsFunctionName>(name.position());
            }
            if (auto const* found = table->ownEntry(name.name())) {
                if (found->kind == IdKind::VARIABLE) {
                    raiseAt<fe_msg::tal_error_variable_and_nested_function>(name.position(),
                                                                            name.name());
                }
                if (found->kind == IdKind::NESTED_FUNCTION) {
                    raiseAt<fe_msg::tal_nested_functions_with_same_name>(name.position(),
                                                                         name.name());
                }
            }
            table->addEntry(name.name(), {IdKind::NESTED_FUNCTION, &name});
            name.classify(IdKind::NESTED_FUNCTION, &name);
        }
    }

    // A function with a real nested function keeps its variables in a fixed
    // workspace: the nested functions must be able to see them.
    void decideWorkspace(std::vector<FunctionDefinition*> const& nestedFunctions) {
        bool hasRealNestedFunction = false;
        for (FunctionDefinition const* nested : nestedFunctions) {
            hasRealNestedFunction = hasRealNestedFunction || !isSynthetic(*nested);
        }
        if (!dynamicWorkspace || hasRealNestedFunction) {
            dynamicWorkspace = false;
            table->mark();
        }
    }
};

// Resolution without a caller: names that no scope knows stay unclassified,
// and the function node keeps no table.
class FunctionResolverLocal final : public AbstractFunctionResolver {
  public:
    using AbstractFunctionResolver::AbstractFunctionResolver;

  protected:
    void resolveNestedFunctions(std::vector<FunctionDefinition*> const& nested,
                                ImportListPtr imports, ResolutionCache const& cache) override {
        resolveEachNestedFunction<FunctionResolverLocal>(nested, std::move(imports), cache);
    }
    void resolveBody(PendingPersistentSet& pending, ImportListPtr imports,
                     ResolutionCache& cache) override {
        resolveFunctionBodyUses(usePass(ExternalResolution::Local, std::move(imports), cache),
                                function, &pending);
    }
    void resolveParforStatements(std::vector<Node*> const& statements, ImportListPtr imports,
                                 ResolutionCache& cache) override {
        resolveEachParallelStatement(statements,
                                     usePass(ExternalResolution::Local, std::move(imports), cache));
    }
    void resolveSpmdStatements(std::vector<Node*> const& statements, ImportListPtr imports,
                               ResolutionCache& cache) override {
        resolveParforStatements(statements, std::move(imports), cache);
    }
    void attachSymbolTable() override {}
};

class FunctionResolver : public AbstractFunctionResolver {
  public:
    using AbstractFunctionResolver::AbstractFunctionResolver;

  protected:
    void resolveNestedFunctions(std::vector<FunctionDefinition*> const& nested,
                                ImportListPtr imports, ResolutionCache const& cache) override {
        resolveEachNestedFunction<FunctionResolver>(nested, std::move(imports), cache);
    }
    void resolveBody(PendingPersistentSet& pending, ImportListPtr imports,
                     ResolutionCache& cache) override {
        ExternalResolution resolution = dynamicWorkspace ? ExternalResolution::DynamicWorkspace
                                                         : ExternalResolution::StaticWorkspace;
        resolveFunctionBodyUses(usePass(resolution, std::move(imports), cache), function, &pending);
    }
    // Parallel blocks run in a workspace fixed when they start.
    void resolveParforStatements(std::vector<Node*> const& statements, ImportListPtr imports,
                                 ResolutionCache& cache) override {
        resolveEachParallelStatement(
            statements, usePass(ExternalResolution::StaticWorkspace, std::move(imports), cache));
    }
    void resolveSpmdStatements(std::vector<Node*> const& statements, ImportListPtr imports,
                               ResolutionCache& cache) override {
        resolveParforStatements(statements, std::move(imports), cache);
    }
};

// The synthetic function that wraps a parfor or spmd block inside eval text
// (Synthetic = true), and the functions nested in it. Every pass asks the
// caller about the workspace the block runs in.
template <bool Synthetic>
class EvalBodyFunctionResolver final : public FunctionResolver {
  public:
    EvalBodyFunctionResolver(AbstractNameResolver& nameResolver, SymbolTable* parent,
                             FunctionDefinition& function, IsVariableFcn const& isVariable,
                             StaticLookupFcn const& staticLookup)
        : FunctionResolver(nameResolver, parent, function, true),
          queries_{isVariable, staticLookup} {}

  protected:
    ImportListPtr resolveImports(std::vector<Node*> const& statements,
                                 ImportListPtr enclosing) override {
        if constexpr (Synthetic) {
            if (enclosing != nullptr) {
                if (statements.empty()) {
                    return enclosing;
                }
                std::shared_ptr<lf::import::IImportList> list = enclosing->clone();
                ImportResolverForFunction(nameResolver, *table)
                    .runImportStatements(statements, *list);
                return list;
            }
        }
        return FunctionResolver::resolveImports(statements, std::move(enclosing));
    }

    void resolveNestedFunctions(std::vector<FunctionDefinition*> const& nested,
                                ImportListPtr imports, ResolutionCache const& cache) override {
        for (FunctionDefinition* child : nested) {
            EvalBodyFunctionResolver<false>(nameResolver, table, *child, queries_.isVariable,
                                            queries_.staticLookup)
                .resolve(imports, cache);
        }
    }

    void resolveStatements(std::vector<Node*> const& parforStatements,
                           std::vector<Node*> const& spmdStatements, PendingPersistentSet&,
                           ImportListPtr imports, ResolutionCache& cache) override {
        UsePass pass = usePass(ExternalResolution::ParallelInEvalBody, std::move(imports), cache);
        pass.parallelQueries = &queries_;
        resolveEachParallelStatement(parforStatements, pass);
        resolveEachParallelStatement(spmdStatements, pass);
        resolveFunctionBodyUses(pass, function, nullptr);
        finalizeDeferredOperands(handleOperands.inSourceOrder(), *table);
    }

    // The synthetic function's "ans" belongs to the workspace of the eval.
    void declareImplicitVariable() override {
        if constexpr (Synthetic) {
            function.implicitVariable->classify(IdKind::VARIABLE, function.implicitVariable);
        } else {
            FunctionResolver::declareImplicitVariable();
        }
    }

  private:
    ParallelInEvalQueries queries_;
};

}  // namespace

FunctionContents collectFunctionContents(FunctionDefinition& function) {
    FunctionContents contents;
    FunctionContentsCollector collector(contents);
    collector.collect(function.body);
    collector.collect(function.secondStatements);
    return contents;
}

void rejectRepeatedInputs(NodeList<InputArgument> const& inputs) {
    for (std::uint32_t later = 1; later < inputs.size(); ++later) {
        Identifier const* laterName = inputs[later]->identifier;
        if (laterName == nullptr) {
            continue;
        }
        for (std::uint32_t earlier = 0; earlier < later; ++earlier) {
            Identifier const* earlierName = inputs[earlier]->identifier;
            if (earlierName != nullptr && earlierName->name() == laterName->name()) {
                raiseAt<fe_msg::tal_error_repeated_input>(laterName->position(), laterName->name());
            }
        }
    }
}

void resolveFunctionFully(NameResolver& resolver, SymbolTable* parent, FunctionDefinition& function,
                          bool dynamicWorkspace) {
    FunctionResolver(resolver, parent, function, dynamicWorkspace).resolve(nullptr, {});
}

void resolveFunctionLocally(LocalNameResolver& resolver, SymbolTable* parent,
                            FunctionDefinition& function, bool dynamicWorkspace) {
    FunctionResolverLocal(resolver, parent, function, dynamicWorkspace).resolve(nullptr, {});
}

// A method is resolved as a plain function made of the method's parts.
void resolveClassMethodLocally(LocalNameResolver& resolver, SymbolTable* parent,
                               FunctionDefinition& method, bool dynamicWorkspace) {
    auto* function =
        resolver.factory().create<FunctionDefinition>(NodeKind::Function, method.position());
    function->name = method.name;
    function->implicitVariable = method.implicitVariable;
    function->inputs = method.inputs;
    function->outputs = method.outputs;
    function->body = method.body;
    function->secondStatements = method.secondStatements;
    resolveFunctionLocally(resolver, parent, *function, dynamicWorkspace);
}

SymbolTable* resolveParallelInEvalFunction(AbstractNameResolver& resolver, SymbolTable* parent,
                                           FunctionDefinition& function,
                                           IsVariableFcn const& isVariable,
                                           StaticLookupFcn const& staticLookup,
                                           ImportListPtr imports) {
    return EvalBodyFunctionResolver<true>(resolver, parent, function, isVariable, staticLookup)
        .resolve(std::move(imports), {});
}

}  // namespace fe::nr
