// What a command-prompt section and a parfor or spmd block inside eval text
// take from the caller, and the wrapping that lets such a block be resolved
// like a function (see fe::astapi::wrapParallelBlock).
//
// A section trusts only what the caller knows for certain (settled answers,
// and local functions always). A parallel block runs as a function of its
// own: the caller's static knowledge is taken only where it names a function,
// and a workspace variable that the caller knows as a local function is not a
// variable there.

#include "front_end/name_resolution/ResolverEntries.hpp"

namespace fe::nr {

using namespace lf::astapi;

StaticLookupFcn getStaticClassificationLookupForSection(StaticLookupFcn const& staticLookup) {
    return [&staticLookup](std::u16string_view name) -> qzboost::optional<ClassificationData> {
        auto answer = staticLookup(name);
        if (answer && (answer->kind == IdKind::LOCAL_FUNCTION || answer->unsettled == 0)) {
            return answer;
        }
        return qzboost::none;
    };
}

StaticLookupFcn getStaticClassificationLookupForParallelInEval(
    StaticLookupFcn const& staticLookup) {
    return [&staticLookup](std::u16string_view name) -> qzboost::optional<ClassificationData> {
        auto answer = staticLookup(name);
        if (answer &&
            (answer->kind == IdKind::NESTED_FUNCTION || answer->kind == IdKind::LOCAL_FUNCTION)) {
            return answer;
        }
        return qzboost::none;
    };
}

IsVariableFcn getIsVariableFcnForParallelInEval(IsVariableFcn const& isWorkspaceVariable,
                                                StaticLookupFcn const& staticLookup) {
    return [&isWorkspaceVariable, &staticLookup](std::u16string_view name) {
        if (!isWorkspaceVariable(name)) {
            return false;
        }
        auto const answer = staticLookup(name);
        return !(answer && answer->kind == IdKind::LOCAL_FUNCTION);
    };
}

}  // namespace fe::nr
