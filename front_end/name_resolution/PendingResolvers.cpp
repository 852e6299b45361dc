// Stand-ins for the resolvers this build does not contain yet. Each throws
// std::logic_error naming what is missing; a resolver's own source file
// replaces its stand-ins here.

#include <stdexcept>
#include <string>

#include "front_end/name_resolution/ResolverEntries.hpp"

namespace fe::nr {
namespace {

[[noreturn]] void notAvailable(char const* what) {
    throw std::logic_error(std::string(what) + " is not available in this build");
}

}  // namespace

SymbolTable* classifyEvalBody(lf::astapi::Program&, NameResolver&, StaticLookupFcn const&,
                              IsVariableFcn const&, std::shared_ptr<lf::import::IImportList const>,
                              EvalBodyVariant) {
    notAvailable("eval-body classification");
}

SymbolTable* NameResolver::resolveSection(lf::astapi::Program&,
                                          std::shared_ptr<lf::import::IImportList const>,
                                          StaticLookupFcn const&) {
    notAvailable("section resolution");
}

StaticLookupFcn getStaticClassificationLookupForSection(StaticLookupFcn const&) {
    notAvailable("the section lookup");
}

StaticLookupFcn getStaticClassificationLookupForParallelInEval(StaticLookupFcn const&) {
    notAvailable("the parallel-in-eval lookup");
}

IsVariableFcn getIsVariableFcnForParallelInEval(IsVariableFcn const&, StaticLookupFcn const&) {
    notAvailable("the parallel-in-eval variable test");
}

void wrapParallelBlock(lf::astapi::Program&, fe::astapi::AstNodeFactory&) {
    notAvailable("parallel-block wrapping");
}

void unwrapParallelBlock(lf::astapi::Program&, fe::astapi::AstNodeFactory&) {
    notAvailable("parallel-block unwrapping");
}

}  // namespace fe::nr
