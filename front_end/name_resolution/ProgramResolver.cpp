// Resolution of a whole program file: the root table, the local functions
// and the checks of function names against each other and the file name.
// Every local function is entered before any body is resolved, because a
// body may call a function defined further down the file.

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/filesystem/Path.hpp"
#include "foundation/i18n/Messages.hpp"
#include "foundation/qzboost/qzboost.hpp"
#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/name_resolution/FunctionResolver.hpp"
#include "front_end/name_resolution/InternalErrorSites.hpp"
#include "front_end/name_resolution/ResolverEntries.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/util/FrontEndUserException.hpp"

namespace fe::nr {
namespace {

using namespace lf::astapi;
using fe::util::raiseAt;
namespace fe_msg = KORVEX::front_end;

// Gives every identifier under a node that names a local function of the
// file that classification; an identifier named `skipped` is left alone.
class LocalFunctionUseResolver : public fe::astapi::AstDispatcher<LocalFunctionUseResolver> {
  public:
    LocalFunctionUseResolver(SymbolTable const& table, std::u16string_view skipped)
        : table_(table), skipped_(skipped) {}

    void visit(Identifier& identifier) {
        if (!skipped_.empty() && identifier.name() == skipped_) {
            return;
        }
        if (auto const* found = table_.lookup(identifier.name(), nullptr);
            found != nullptr && found->kind == IdKind::LOCAL_FUNCTION) {
            identifier.classify(IdKind::LOCAL_FUNCTION, found->introducer);
        }
    }

  private:
    SymbolTable const& table_;
    std::u16string_view skipped_;
};

class ProgramResolver : private qzboost::noncopyable {
  public:
    ProgramResolver(AbstractNameResolver& resolver, Program& program)
        : resolver(resolver),
          program(program),
          table(SymbolTable::create(program, resolver.factory())) {}
    virtual ~ProgramResolver() = default;

    SymbolTable* run(std::u16string const& filePath) {
        std::u16string stem;
        if (!filePath.empty()) {
            stem = fl::filesystem::detail::extract_stem(
                fl::filesystem::detail::make_native_form(filePath, true));
        }
        resolve(stem);
        return table;
    }

  protected:
    virtual void resolve(std::u16string const& stem) {
        switch (program.programKind) {
            case ProgramKind::Script:
                resolver.resolveScript(table, program, stem);
                return;
            case ProgramKind::FunctionFile:
                break;
            case ProgramKind::ClassFile:
                if (auto* classDefinition = firstElementAs<ClassDefinition>()) {
                    if (dynamic_cast<LocalNameResolver*>(&resolver) == nullptr) {
                        throw std::invalid_argument(
                            "Name resolution for classdef is not supported.");
                    }
                    registerLocalFunctions(stem);
                    resolveClassdefLocally(*classDefinition);
                    return;
                }
                if (stem == u"ans") {
                    raiseAt<fe_msg::AnsAsClassName>(0);
                }
                break;
            default:
                throw std::invalid_argument(
                    "Name resolution for only functions and scripts is supported currently");
        }
        Identifier const& mainName = *firstElementAs<FunctionDefinition>()->name;
        mainFunctionName = mainName.name();
        if (mainFunctionName == u"ans") {
            raiseAt<fe_msg::AnsAsFunctionName>(mainName.position());
        }
        registerLocalFunctions(stem);
        resolveMainFunction();
        program.setSymbolTable(table);
    }

    virtual void resolveClassdefLocally(ClassDefinition& classDefinition) {
        for (Node* block : classDefinition.memberBlocks) {
            switch (block->kind()) {
                case NodeKind::EnumerationBlock:
                    for (EnumerationMember* member :
                         static_cast<EnumerationBlock*>(block)->members) {
                        for (Expression* argument : member->arguments) {
                            resolveLocalFunctionUses(*argument, {});
                        }
                    }
                    break;
                case NodeKind::EventsBlock:
                    for (EventMember* member : static_cast<EventsBlock*>(block)->members) {
                        if (member->name != nullptr) {
                            resolveLocalFunctionUses(*member->name, {});
                        }
                    }
                    break;
                case NodeKind::MethodsBlock:
                    for (FunctionDefinition* method : static_cast<MethodsBlock*>(block)->members) {
                        resolveMethod(*method);
                    }
                    break;
                case NodeKind::PropertiesBlock:
                    for (PropertyMember* member : static_cast<PropertiesBlock*>(block)->members) {
                        if (member->validation != nullptr) {
                            resolveLocalFunctionUses(*member->validation, member->name->name());
                        }
                        if (member->defaultValue != nullptr) {
                            resolveLocalFunctionUses(*member->defaultValue, {});
                        }
                    }
                    break;
                default:
                    unreachable(sites::kUnknownMemberBlock);
            }
        }
    }

    virtual void resolveLocalFunction(FunctionDefinition& function) {
        resolver.resolveFunction(table, function, true);
    }

    virtual void resolveMainFunction() {
        resolver.resolveFunction(table, *firstElementAs<FunctionDefinition>(), true);
    }

    // Enters every local function before any body is resolved, so that each
    // body sees all of them, then resolves them in file order.
    void registerLocalFunctions(std::u16string_view stem) {
        std::vector<FunctionDefinition*> localFunctions;
        for (std::uint32_t i = 1; i < program.elements.size(); ++i) {
            auto* function = nodeAs<FunctionDefinition>(program.elements[i]);
            if (function == nullptr || function->kind() != NodeKind::Function) {
                continue;
            }
            Identifier& name = *function->name;
            if (name.name() == u"ans") {
                raiseAt<fe_msg::AnsAsFunctionName>(name.position());
            }
            if (name.name() == stem ||
                (program.programKind == ProgramKind::FunctionFile &&
                 name.name() == mainFunctionName) ||
                table->lookup(name.name(), nullptr) != nullptr) {
                raiseAt<fe_msg::tal_error_duplicate_function_name>(name.position(), name.name());
            }
            table->addEntry(name.name(), {IdKind::LOCAL_FUNCTION, &name});
            name.classify(IdKind::LOCAL_FUNCTION, &name);
            localFunctions.push_back(function);
        }
        for (FunctionDefinition* function : localFunctions) {
            resolveLocalFunction(*function);
        }
    }

    template <class T>
    T* firstElementAs() const {
        return program.elements.empty() ? nullptr : nodeAs<T>(program.elements[0]);
    }

    AbstractNameResolver& resolver;
    Program& program;
    SymbolTable* table;
    std::u16string_view mainFunctionName;

  private:
    void resolveMethod(FunctionDefinition& method) {
        switch (method.kind()) {
            case NodeKind::MethodSignature:
                resolver.resolveMethodSignature(method);
                return;
            case NodeKind::MethodDefinition:
                resolver.resolveClassMethod(table, method, true);
                return;
            default:
                unreachable(sites::kUnknownMethodKind);
        }
    }

    void resolveLocalFunctionUses(Node& node, std::u16string_view skipped) {
        LocalFunctionUseResolver(*table, skipped).dispatch(node);
    }
};

// The synthetic function that wraps a parfor or spmd block inside eval text,
// with the caller's answers about the workspace it runs in.
class ProgramResolverForParallelInEval final : public ProgramResolver {
  public:
    ProgramResolverForParallelInEval(AbstractNameResolver& resolver, Program& program,
                                     IsVariableFcn const& isVariable,
                                     StaticLookupFcn const& staticLookup, ImportListPtr imports)
        : ProgramResolver(resolver, program),
          isVariable_(isVariable),
          staticLookup_(staticLookup),
          imports_(std::move(imports)) {}

  protected:
    void resolve(std::u16string const& stem) override {
        mainFunctionName = firstElementAs<FunctionDefinition>()->name->name();
        registerLocalFunctions(stem);
        resolveMainFunction();
        program.setSymbolTable(table);
    }
    void resolveLocalFunction(FunctionDefinition& function) override {
        resolveParallelInEvalFunction(resolver, table, function, isVariable_, staticLookup_,
                                      imports_);
    }
    void resolveMainFunction() override {
        resolveLocalFunction(*firstElementAs<FunctionDefinition>());
    }

  private:
    IsVariableFcn const& isVariable_;
    StaticLookupFcn const& staticLookup_;
    ImportListPtr imports_;
};

}  // namespace

SymbolTable* runProgramResolver(AbstractNameResolver& resolver, Program& program,
                                std::u16string const& filePath) {
    return ProgramResolver(resolver, program).run(filePath);
}

SymbolTable* runProgramResolverForParallelInEval(AbstractNameResolver& resolver, Program& program,
                                                 IsVariableFcn const& isVariable,
                                                 StaticLookupFcn const& staticLookup,
                                                 ImportListPtr imports) {
    return ProgramResolverForParallelInEval(resolver, program, isVariable, staticLookup,
                                            std::move(imports))
        .run(u"");
}

}  // namespace fe::nr
