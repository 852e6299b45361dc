#pragma once
// Where the entry operations hand over to the resolvers of programs,
// functions, scripts and eval bodies. Each resolver's source file defines
// its entries.

#include <cstdint>
#include <memory>
#include <string>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/astapi/Nodes.hpp"
#include "front_end/astapi/ParallelBlockWrapping.hpp"
#include "front_end/name_resolution/include/NameResolver.hpp"

namespace fe::nr {

class SymbolTable;

// A function file, script or (locally) class file: returns its root table.
SymbolTable* runProgramResolver(AbstractNameResolver& resolver, lf::astapi::Program& program,
                                std::u16string const& filePath);

// A body wrapped into the synthetic function of a parallel block.
SymbolTable* runProgramResolverForParallelInEval(
    AbstractNameResolver& resolver, lf::astapi::Program& program, IsVariableFcn const& isVariable,
    StaticLookupFcn const& staticLookup, std::shared_ptr<lf::import::IImportList const> imports);

// One function and its nested functions, under `parent`.
void resolveFunctionFully(NameResolver& resolver, SymbolTable* parent,
                          lf::astapi::FunctionDefinition& function, bool dynamicWorkspace);
void resolveFunctionLocally(LocalNameResolver& resolver, SymbolTable* parent,
                            lf::astapi::FunctionDefinition& function, bool dynamicWorkspace);
void resolveClassMethodLocally(LocalNameResolver& resolver, SymbolTable* parent,
                               lf::astapi::FunctionDefinition& method, bool dynamicWorkspace);

// The statements of a script into its table.
void resolveScriptBody(NameResolver& resolver, SymbolTable* table, lf::astapi::Program& script,
                       std::u16string const& scriptName);
void resolveScriptBody(LocalNameResolver& resolver, SymbolTable* table, lf::astapi::Program& script,
                       std::u16string const& scriptName);

// The values that select how an eval body is classified.
struct EvalBodyVariant {
    bool staticWorkspace;
    std::uint32_t evalContext;
    // The answer of evalSwitchA: an assignment sets aside every function
    // meaning of its name, and static answers are taken without asking
    // whether the workspace holds a variable of that name.
    bool assignmentShadows;
    // The answer of evalSwitchB: the head of a dotted use is asked about
    // once more.
    bool requeriesHead;
};

// Classifies an eval body against the workspace it will run in.
SymbolTable* classifyEvalBody(lf::astapi::Program& body, NameResolver& resolver,
                              StaticLookupFcn const& staticLookup,
                              IsVariableFcn const& isWorkspaceVariable,
                              std::shared_ptr<lf::import::IImportList const> imports,
                              EvalBodyVariant variant);

// The filters placed around the caller's static lookup and variable test.
StaticLookupFcn getStaticClassificationLookupForSection(StaticLookupFcn const& staticLookup);
StaticLookupFcn getStaticClassificationLookupForParallelInEval(StaticLookupFcn const& staticLookup);
IsVariableFcn getIsVariableFcnForParallelInEval(IsVariableFcn const& isWorkspaceVariable,
                                                StaticLookupFcn const& staticLookup);

// Moves the statements of a body that is one parfor or spmd block into a
// synthetic function, and back.
using fe::astapi::unwrapParallelBlock;
using fe::astapi::wrapParallelBlock;

}  // namespace fe::nr
