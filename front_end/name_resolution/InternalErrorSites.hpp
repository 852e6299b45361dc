#pragma once
// The internal errors of the resolver. Their texts name a source site,
// "Unreachable - <path> line <number>", and callers may match those texts,
// so every site is fixed here once. The numbers belong to the texts: they do
// not follow the lines of our files, and must not be changed when code moves.

#include "front_end/util/InternalError.hpp"

namespace fe::nr {

struct InternalErrorSite {
    char const* path;
    int line;
};

namespace sites {

inline constexpr char const* kEvalBody = "front_end/name_resolution/EvalBodyResolver";
inline constexpr char const* kProgram = "front_end/name_resolution/ProgramResolver";

// The full resolver is handed a class method (class files are refused first).
inline constexpr InternalErrorSite kClassMethodOfFullResolver{
    "front_end/name_resolution/include/NameResolver", 201};
// A member block of a class file of a kind no member block has.
inline constexpr InternalErrorSite kUnknownMemberBlock{kProgram, 164};
// A member of a methods block that is neither a method nor a signature.
inline constexpr InternalErrorSite kUnknownMethodKind{kProgram, 245};
// An assignment target whose head is not a name, an index or a field.
inline constexpr InternalErrorSite kAssignmentTargetHead{"front_end/name_resolution/LvalueResolver",
                                                         318};
// A use code that is the record's own `dynamic` bit.
inline constexpr InternalErrorSite kUseCodeIsDynamicBit{kEvalBody, 435};
// A record whose kind no classification has, met by a use.
inline constexpr InternalErrorSite kRecordKindAtUse{kEvalBody, 470};
// A static answer whose kind no classification has.
inline constexpr InternalErrorSite kStaticAnswerKind{kEvalBody, 498};
// A package import of a name known as a local function, an unsettled
// external, a nested function or a variable.
inline constexpr InternalErrorSite kPackageImportOfLocalFunction{kEvalBody, 518};
inline constexpr InternalErrorSite kPackageImportOfUnsettledExternal{kEvalBody, 647};
inline constexpr InternalErrorSite kPackageImportOfNestedFunction{kEvalBody, 844};
inline constexpr InternalErrorSite kPackageImportOfVariable{kEvalBody, 908};
// A target of a multiple assignment that no target can be.
inline constexpr InternalErrorSite kMultipleAssignmentTarget{kEvalBody, 1533};

}  // namespace sites

[[noreturn]] inline void unreachable(InternalErrorSite site) {
    fe::util::unreachable(site.path, site.line);
}

}  // namespace fe::nr
