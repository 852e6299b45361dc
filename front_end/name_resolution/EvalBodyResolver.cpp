// Classification of eval bodies and command-prompt sections.
//
// Such a body runs in a workspace that exists only at run time, so its
// assignments alone cannot say what a name is: the workspace may already hold
// a variable, `load` may make one, and the enclosing code may know the name
// statically as a local, nested or external function. Every name of the body
// therefore gets one record that combines three sources: what the body does
// with the name, the caller's static answer, and whether the workspace holds a
// variable of that name.
//
// The order of the work matters. The usage walk first records every use of
// every name (assignments, indexing, field references, calls), because a use
// anywhere in the body changes what the name means everywhere in it; the
// imports and the `load` calls add their uses next, since they make names
// functions, packages or variables for the whole body. Conflicts are raised
// and shadowing warnings logged as uses are recorded, once per name. Only
// then does the annotation walk write a classification on every identifier,
// read from the finished records; the operands of `@` are settled last,
// against the body's table.

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "foundation/i18n/Messages.hpp"
#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/import/ImportList.hpp"
#include "front_end/name_resolution/AnonymousFunctionFinalizer.hpp"
#include "front_end/name_resolution/Classifications.hpp"
#include "front_end/name_resolution/DottedNameBuilder.hpp"
#include "front_end/name_resolution/ExternalResolver.hpp"
#include "front_end/name_resolution/FunctionResolver.hpp"
#include "front_end/name_resolution/ImportResolver.hpp"
#include "front_end/name_resolution/InternalErrorSites.hpp"
#include "front_end/name_resolution/LoadCall.hpp"
#include "front_end/name_resolution/LvalueResolver.hpp"
#include "front_end/name_resolution/ResolverEntries.hpp"
#include "front_end/name_resolution/RvalueResolver.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/name_resolution/UnaryAtOperandResolver.hpp"
#include "front_end/util/FrontEndUserException.hpp"
#include "front_end/util/WarningLog.hpp"

namespace fe::nr {
namespace {

using namespace lf::astapi;
using fe::astapi::NodeField;
using fe::util::raiseAt;
using Classification = ISymbolTable::Classification;
namespace lang_msg = KORVEX::lang;

// Where the body runs; see EvalBodyVariant for how the caller's values map.
enum EvalContext : int {
    kPromptStaticWorkspace = 0,
    kPromptDynamicWorkspace = 1,
    kPlainEval = 2,
    kSection = 3,
};

// What the body does with a name; each is the number of a bit of a record.
enum UseCode : std::uint32_t {
    kAssigned = 0,
    kImportedFunction = 1,
    kIndexed = 2,  // brace-indexed, or paren-indexed with a whole-dimension ':'
    kFieldReferenced = 3,
    kCalled = 4,  // the name of a statement in command syntax
    kImportedPackage = 5,
};
// Set once the name was found to be, or may be, a run-time variable: its
// static meaning is set aside and no further shadowing warning is logged.
constexpr std::uint32_t kDynamicBit = 6;
constexpr std::uint32_t kRecordBits = 7;

constexpr std::uint32_t bit(std::uint32_t number) {
    return std::uint32_t{1} << number;
}

// The meaning of a name without a record or a static answer.
constexpr ClassificationData kUnknownName{IdKind::UNKNOWN, 0, 1};

// Rejects a use code that no record has room for.
void checkUseCode(std::uint32_t code) {
    if (code >= kRecordBits) {
        throw std::out_of_range("invalid bitset position");
    }
    if (code == kDynamicBit) {
        unreachable(sites::kUseCodeIsDynamicBit);
    }
}

struct NameRecord {
    std::uint32_t uses = 0;  // bits of UseCode, and kDynamicBit
    ClassificationData data;
    // Where the name was first indexed (with use kIndexed), for an import
    // that makes it a package afterwards.
    std::uint32_t indexedAt = 0;

    bool has(std::uint32_t code) const { return (uses & bit(code)) != 0; }
    bool isDynamic() const { return has(kDynamicBit); }
};

// Hashes a node by its address (FNV-1a over the address's bytes).
struct NodeAddressHash {
    std::size_t operator()(Node const* node) const {
        auto address = reinterpret_cast<std::uintptr_t>(node);
        std::uint64_t hash = 0xcbf29ce484222325u;
        for (std::size_t i = 0; i < sizeof(address); ++i) {
            hash = (hash ^ ((address >> (8 * i)) & 0xffu)) * 0x100000001b3u;
        }
        return static_cast<std::size_t>(hash);
    }
};

// ------------------------------------------------ classification managers

class ClassificationManagerForAnonFunction;

// Keeps the records of a body's names and decides, use by use, what each
// name is.
class IClassificationManager {
  public:
    IClassificationManager() = default;
    IClassificationManager(IClassificationManager const&) = delete;
    IClassificationManager& operator=(IClassificationManager const&) = delete;

    // Records that the body uses `name` as `code` at `position` (of the
    // identifier, or of the literal that made the name); may raise a
    // conflict or log a shadowing warning.
    virtual void noteUse(std::u16string_view name, std::uint32_t code, std::uint32_t position) = 0;
    // What the name is, after every use recorded so far.
    virtual ClassificationData classify(std::u16string_view name) = 0;
    // The manager of an anonymous function of this body, made on first request.
    virtual ClassificationManagerForAnonFunction& managerForAnonymousFunction(
        AnonymousFunction const& node) = 0;
    virtual bool hasUse(std::u16string_view name, std::uint32_t code) const = 0;
    virtual ~IClassificationManager() = default;
};

// The managers of the anonymous functions met in a scope, by node.
class AnonymousFunctionManagers {
  public:
    ClassificationManagerForAnonFunction& managerFor(AnonymousFunction const& node,
                                                     IClassificationManager& parent);

  private:
    std::unordered_map<Node const*, std::unique_ptr<ClassificationManagerForAnonFunction>,
                       NodeAddressHash>
        managers_;
};

// An anonymous function's parameters are its own variables; every other name
// is the enclosing body's.
class ClassificationManagerForAnonFunction final : public IClassificationManager {
  public:
    explicit ClassificationManagerForAnonFunction(IClassificationManager& parent)
        : parent_(parent) {}

    // Makes `name` a parameter, with no uses yet; false when it already was.
    bool addParameter(std::u16string_view name) { return parameterUses_.emplace(name, 0).second; }

    void noteUse(std::u16string_view name, std::uint32_t code, std::uint32_t position) override {
        checkUseCode(code);
        if (auto found = parameterUses_.find(name); found != parameterUses_.end()) {
            found->second |= bit(code);
            return;
        }
        parent_.noteUse(name, code, position);
    }
    ClassificationData classify(std::u16string_view name) override {
        if (parameterUses_.contains(name)) {
            return {IdKind::VARIABLE, 0, 1};
        }
        return parent_.classify(name);
    }
    ClassificationManagerForAnonFunction& managerForAnonymousFunction(
        AnonymousFunction const& node) override {
        return anonymousFunctions_.managerFor(node, *this);
    }
    bool hasUse(std::u16string_view name, std::uint32_t code) const override {
        if (auto found = parameterUses_.find(name); found != parameterUses_.end()) {
            return (found->second & bit(code)) != 0;
        }
        return parent_.hasUse(name, code);
    }

  private:
    IClassificationManager& parent_;
    std::map<std::u16string_view, std::uint32_t, CodeUnitOrder> parameterUses_;
    AnonymousFunctionManagers anonymousFunctions_;
};

ClassificationManagerForAnonFunction& AnonymousFunctionManagers::managerFor(
    AnonymousFunction const& node, IClassificationManager& parent) {
    std::unique_ptr<ClassificationManagerForAnonFunction>& manager = managers_[&node];
    if (manager == nullptr) {
        manager = std::make_unique<ClassificationManagerForAnonFunction>(parent);
    }
    return *manager;
}

// Records nothing: it lets a section's imports build the section's import
// list without their names counting as uses.
class DummyClassificationManagerForImportResolverInSection final : public IClassificationManager {
  public:
    void noteUse(std::u16string_view, std::uint32_t, std::uint32_t) override {}
    ClassificationData classify(std::u16string_view) override { return kUnknownName; }
    ClassificationManagerForAnonFunction& managerForAnonymousFunction(
        AnonymousFunction const& node) override {
        return anonymousFunctions_.managerFor(node, *this);
    }
    bool hasUse(std::u16string_view, std::uint32_t) const override { return false; }

  private:
    AnonymousFunctionManagers anonymousFunctions_;
};

// The manager of a body. `AssignmentShadows` (the caller's first eval
// switch): an assignment sets aside every function meaning of its name, and
// static answers are taken without asking the workspace. `Warns`: shadowing
// warnings are logged (not for a body that is one anonymous function).
template <int Context, bool AssignmentShadows, bool Warns>
class ClassificationManager final : public IClassificationManager {
    static_assert(Context != kSection || !AssignmentShadows, "sections always check the workspace");

  public:
    ClassificationManager(StaticLookupFcn const& staticLookup,
                          IsVariableFcn const& isWorkspaceVariable,
                          fe::util::IFrontEndWarningLog& warningLog)
        : staticLookup_(staticLookup),
          isWorkspaceVariable_(isWorkspaceVariable),
          warningLog_(warningLog) {}

    void noteUse(std::u16string_view name, std::uint32_t code, std::uint32_t position) override {
        checkUseCode(code);
        NameRecord& record = recordOf(name);
        if (record.has(code)) {
            return;
        }
        if (record.data.kind > IdKind::EXTERNAL) {
            unreachable(sites::kRecordKindAtUse);
        }
        switch (code) {
            case kAssigned:
                return noteAssigned(record, name, position);
            case kImportedFunction:
                return noteImportedFunction(record, name, position);
            case kIndexed:
                return noteIndexed(record, name, position);
            case kFieldReferenced:
                return noteFieldReferenced(record, name, position);
            case kCalled:
                return noteCalled(record, name, position);
            default:
                return noteImportedPackage(record, name, position);
        }
    }

    ClassificationData classify(std::u16string_view name) override {
        if (auto found = records_.find(name); found != records_.end()) {
            return found->second.data;
        }
        auto const answer = staticLookup_(name);
        if (!answer) {
            return kUnknownName;
        }
        NameRecord record{0, *answer, 0};
        if (record.data.kind > IdKind::EXTERNAL) {
            unreachable(sites::kStaticAnswerKind);
        }
        if constexpr (!AssignmentShadows) {
            checkWorkspaceShadowing(record, name);
        }
        return records_.emplace(name, record).first->second.data;
    }

    ClassificationManagerForAnonFunction& managerForAnonymousFunction(
        AnonymousFunction const& node) override {
        return anonymousFunctions_.managerFor(node, *this);
    }

    bool hasUse(std::u16string_view name, std::uint32_t code) const override {
        auto found = records_.find(name);
        return found != records_.end() && found->second.has(code);
    }

  private:
    // The record of `name`, made from the static answer at first contact.
    NameRecord& recordOf(std::u16string_view name) {
        if (auto found = records_.find(name); found != records_.end()) {
            return found->second;
        }
        auto const answer = staticLookup_(name);
        return records_.emplace(name, NameRecord{0, answer ? *answer : kUnknownName, 0})
            .first->second;
    }

    // The name may be a run-time variable: its static meaning no longer holds.
    static void setAside(NameRecord& record) {
        record.uses |= bit(kDynamicBit);
        record.data.kind = IdKind::UNKNOWN;
    }
    // A caller answer with `info` set may be dropped quietly.
    static void setAsideUnlessInfo(NameRecord& record) {
        if (record.data.info != 0) {
            record.data.kind = IdKind::UNKNOWN;
        } else {
            setAside(record);
        }
    }
    // Sets the static meaning aside with warning `Warning`, once per name;
    // an answer with `info` set is dropped without one.
    template <class Warning>
    void warnAndSetAside(NameRecord& record, std::u16string_view name, std::uint32_t position) {
        if (record.data.info != 0) {
            record.data.kind = IdKind::UNKNOWN;
            return;
        }
        if (record.isDynamic()) {
            return;
        }
        if constexpr (Warns) {
            fe::util::warnAt<Warning>(warningLog_, position, name);
        }
        setAside(record);
    }

    void noteAssigned(NameRecord& record, std::u16string_view name, std::uint32_t position) {
        if (record.has(kImportedFunction)) {
            raiseAt<lang_msg::ImportedFunctionAndVariableHaveSameName>(position, name);
        }
        if (record.has(kImportedPackage)) {
            raiseAt<lang_msg::ImportedPackageAndVariableHaveSameName>(position, name);
        }
        record.uses |= bit(kAssigned);
        ClassificationData& data = record.data;
        switch (data.kind) {
            case IdKind::NESTED_FUNCTION:
                if constexpr (AssignmentShadows) {
                    setAside(record);
                }
                return;
            case IdKind::LOCAL_FUNCTION:
                if constexpr (Context == kPromptStaticWorkspace) {
                    raiseAt<lang_msg::LocalFunctionAssignmentEval>(position, name);
                }
                return setAsideFunctionMeaning(record);
            case IdKind::EXTERNAL:
                if (data.unsettled != 0) {
                    return setAsideFunctionMeaning(record);
                }
                // Known through an import of the caller.
                if (data.info == 0) {
                    raiseAt<lang_msg::ImportedPackageAndVariableHaveSameName>(position, name);
                }
                data.unsettled = 1;
                data.kind = IdKind::UNKNOWN;
                return;
            default:
                return;
        }
    }

    static void setAsideFunctionMeaning(NameRecord& record) {
        if constexpr (AssignmentShadows) {
            setAside(record);
        } else {
            setAsideUnlessInfo(record);
        }
    }

    void noteImportedFunction(NameRecord& record, std::u16string_view name,
                              std::uint32_t position) {
        if (record.has(kAssigned)) {
            raiseAt<lang_msg::ImportedFunctionAndVariableHaveSameName>(position, name);
        }
        record.uses |= bit(kImportedFunction);
        switch (record.data.kind) {
            case IdKind::VARIABLE:
                warnAndSetAside<lang_msg::VariableShadowedInEval>(record, name, position);
                break;
            case IdKind::NESTED_FUNCTION:
                warnAndSetAside<lang_msg::NestedFunctionShadowedInEval>(record, name, position);
                break;
            case IdKind::LOCAL_FUNCTION:
                warnAndSetAside<lang_msg::LocalFunctionShadowedInEval>(record, name, position);
                break;
            case IdKind::EXTERNAL:
                record.data.unsettled = 1;
                break;
            default:
                break;
        }
        record.data.kind = IdKind::EXTERNAL;
    }

    // Indexing or a field reference: the name is used like a variable.
    void noteUsedLikeVariable(NameRecord& record, std::u16string_view name,
                              std::uint32_t position) {
        if (record.data.kind == IdKind::NESTED_FUNCTION) {
            warnAndSetAside<lang_msg::NestedFunctionShadowedInEval>(record, name, position);
        } else if (record.data.kind == IdKind::LOCAL_FUNCTION) {
            warnAndSetAside<lang_msg::LocalFunctionShadowedInEval>(record, name, position);
        }
    }

    void noteIndexed(NameRecord& record, std::u16string_view name, std::uint32_t position) {
        record.uses |= bit(kIndexed);
        record.indexedAt = position;
        ClassificationData& data = record.data;
        if (data.kind != IdKind::EXTERNAL) {
            return noteUsedLikeVariable(record, name, position);
        }
        if (data.unsettled != 0) {
            return warnAndSetAside<lang_msg::ExternalShadowedInEval>(record, name, position);
        }
        if (data.info == 0) {
            raiseAt<lang_msg::UnsupportedIndexingIntoImportedPackage>(position, name);
        }
        data.unsettled = 1;
        data.kind = IdKind::UNKNOWN;
    }

    void noteFieldReferenced(NameRecord& record, std::u16string_view name, std::uint32_t position) {
        record.uses |= bit(kFieldReferenced);
        noteUsedLikeVariable(record, name, position);
    }

    void noteCalled(NameRecord& record, std::u16string_view name, std::uint32_t position) {
        record.uses |= bit(kCalled);
        if (record.data.kind == IdKind::VARIABLE) {
            warnAndSetAside<lang_msg::VariableShadowedInEval>(record, name, position);
        }
    }

    void noteImportedPackage(NameRecord& record, std::u16string_view name, std::uint32_t position) {
        if constexpr (Context == kPromptStaticWorkspace || Context == kPromptDynamicWorkspace) {
            raiseAt<lang_msg::PackageNotImportedAtCommandPrompt>(position, name);
        }
        if (record.has(kAssigned) || isWorkspaceVariable_(name)) {
            raiseAt<lang_msg::ImportedPackageAndVariableHaveSameName>(position, name);
        }
        // The text's imports are resolved after its uses were recorded: an
        // indexing met before is checked now, at its own position.
        if (record.has(kIndexed)) {
            raiseAt<lang_msg::UnsupportedIndexingIntoImportedPackage>(record.indexedAt, name);
        }
        record.uses |= bit(kImportedPackage);
        ClassificationData& data = record.data;
        switch (data.kind) {
            case IdKind::UNKNOWN:
                data.kind = IdKind::EXTERNAL;
                data.unsettled = 0;
                return;
            case IdKind::VARIABLE:
                unreachable(sites::kPackageImportOfVariable);
            case IdKind::NESTED_FUNCTION:
                unreachable(sites::kPackageImportOfNestedFunction);
            case IdKind::LOCAL_FUNCTION:
                unreachable(sites::kPackageImportOfLocalFunction);
            default:
                if (data.unsettled != 0) {
                    unreachable(sites::kPackageImportOfUnsettledExternal);
                }
        }
    }

    // A static answer met for the first time by a classification request: a
    // function the workspace holds a variable of is set aside. No identifier
    // is at hand, so a warning has no position.
    void checkWorkspaceShadowing(NameRecord& record, std::u16string_view name) {
        ClassificationData& data = record.data;
        bool const localFunction = data.kind == IdKind::LOCAL_FUNCTION;
        bool const unsettledExternal = data.kind == IdKind::EXTERNAL && data.unsettled != 0;
        if ((localFunction && Context != kPromptStaticWorkspace) || unsettledExternal) {
            if (data.info != 0) {
                data.kind = IdKind::UNKNOWN;
                return;
            }
            if (record.isDynamic() || !isWorkspaceVariable_(name)) {
                return;
            }
            if constexpr (Warns) {
                localFunction ? fe::util::warnAt<lang_msg::PoofedVariableShadowsLocalFunction>(
                                    warningLog_, 0, name)
                              : fe::util::warnAt<lang_msg::PoofedVariableShadowsExternal>(
                                    warningLog_, 0, name);
            }
            setAside(record);
        } else if (data.kind == IdKind::EXTERNAL && data.info == 1 && isWorkspaceVariable_(name)) {
            data.kind = IdKind::UNKNOWN;
        }
    }

    StaticLookupFcn const& staticLookup_;
    IsVariableFcn const& isWorkspaceVariable_;
    fe::util::IFrontEndWarningLog& warningLog_;
    std::map<std::u16string_view, NameRecord, CodeUnitOrder> records_;
    AnonymousFunctionManagers anonymousFunctions_;
};

// ------------------------------------------------------------ usage walk

// What the usage walk collected besides the uses.
struct BodyContents {
    std::vector<Node*> imports;
    std::vector<CommandSyntax*> loadCommands;
    std::vector<Index*> loadAssignments;
};

// The value of `x = load(...)`, a call without ':' arguments, or null.
Index* loadCallAssigned(Expression* value) {
    Index* call = nodeAs<Index>(value);
    if (call == nullptr || call->kind() != NodeKind::ParenIndex || hasWholeDimensionColon(*call)) {
        return nullptr;
    }
    Identifier const* head = nodeAs<Identifier>(call->head);
    return head != nullptr && head->name() == u"load" ? call : nullptr;
}

// Records the use of every name of a body with its manager.
class UsageWalker : public fe::astapi::AstDispatcher<UsageWalker> {
  public:
    UsageWalker(IClassificationManager& manager, BodyContents& contents)
        : manager_(manager), contents_(contents) {}

    void walkStatements(NodeList<Node> const& statements) {
        for (Node* statement : statements) {
            dispatch(*statement);
        }
    }

    void visit(Assignment& assignment) {
        if (assignment.target != nullptr) {
            note(*assignment.target, kAssigned);
        }
        if (Index* call = loadCallAssigned(assignment.value)) {
            contents_.loadAssignments.push_back(call);
        }
        walkField(assignment.value);
    }
    void visit(IndexedAssignment& assignment) {
        walkTarget(*assignment.target);
        walkField(assignment.value);
    }
    void visit(MultipleAssignment& assignment) {
        for (Expression* target : assignment.targets) {
            switch (target->kind()) {
                case NodeKind::Identifier:
                    note(static_cast<Identifier&>(*target), kAssigned);
                    break;
                case NodeKind::Ignored:
                    break;
                case NodeKind::BraceIndex:
                case NodeKind::FieldAccess:
                case NodeKind::DynamicFieldAccess:
                case NodeKind::ParenIndex:
                    walkTarget(*target);
                    break;
                default:
                    unreachable(sites::kMultipleAssignmentTarget);
            }
        }
        walkField(assignment.value);
    }
    void visit(ForStatement& loop) {
        if (loop.variable != nullptr) {
            note(*loop.variable, kAssigned);
        }
        walkField(loop.range);
        walkStatements(loop.body);
    }
    void visit(Declaration& declaration) {
        for (Identifier* declared : declaration.names) {
            rejectVariableArgumentDeclaration(*declared);
            note(*declared, kAssigned);
        }
    }
    void visit(CatchClause& clause) {
        if (clause.identifier != nullptr) {
            note(*clause.identifier, kAssigned);
        }
        walkStatements(clause.body);
    }
    void visit(CommandSyntax& command) {
        if (command.output != nullptr) {
            note(*command.output, kAssigned);
        }
        if (command.command == nullptr) {
            return;
        }
        note(*command.command, kCalled);
        if (command.command->name() == u"load") {
            contents_.loadCommands.push_back(&command);
        }
    }
    void visit(ImportStatement& statement) {
        if (statement.name != nullptr) {
            note(*statement.name, kAssigned);
        }
        contents_.imports.push_back(&statement);
    }

    void visit(Index& index) {
        if (Identifier* head = nodeAs<Identifier>(index.head)) {
            if (index.kind() == NodeKind::BraceIndex || hasWholeDimensionColon(index)) {
                note(*head, kIndexed);
            }
        } else {
            walkField(index.head);
        }
        walkField(index.arguments);
    }
    void visit(FieldAccess& access) {
        noteFieldReference(access.base);
        walkField(access.base);
    }
    void visit(DynamicFieldAccess& access) {
        noteFieldReference(access.base);
        walkField(access.base);
        walkField(access.field);
    }

    void visit(AnonymousFunction& function) {
        ClassificationManagerForAnonFunction& manager =
            manager_.managerForAnonymousFunction(function);
        for (InputArgument const* input : function.inputs) {
            if (input->identifier == nullptr && input->ignored == nullptr) {
                throw std::logic_error("InputArgument has neither an Identifier nor an Ignored");
            }
            if (input->identifier != nullptr && !manager.addParameter(input->identifier->name())) {
                raiseAt<KORVEX::front_end::tal_error_repeated_input>(input->identifier->position(),
                                                                     input->identifier->name());
            }
        }
        UsageWalker body(manager, contents_);
        body.walkField(function.body);
    }

    // Definitions are scopes of their own, not statements of the body.
    void visit(FunctionDefinition&) {}
    void visit(ClassDefinition&) {}

  private:
    void note(Identifier const& identifier, UseCode code) {
        manager_.noteUse(identifier.name(), code, identifier.position());
    }

    // The innermost identifier of an assignment target is assigned; the
    // indices and dynamic field names on the way are uses.
    void walkTarget(Expression& target) {
        Expression* node = &target;
        for (;;) {
            if (Index* index = nodeAs<Index>(node)) {
                walkField(index->arguments);
                node = index->head;
            } else if (FieldAccess* access = nodeAs<FieldAccess>(node)) {
                node = access->base;
            } else if (DynamicFieldAccess* dynamic = nodeAs<DynamicFieldAccess>(node)) {
                walkField(dynamic->field);
                node = dynamic->base;
            } else {
                break;
            }
        }
        if (Identifier* assigned = nodeAs<Identifier>(node)) {
            note(*assigned, kAssigned);
        } else if (node != nullptr) {
            dispatch(*node);
        }
    }

    // `a.b.c` and `a.(n)` reference a field of `a`.
    void noteFieldReference(Expression* base) {
        while (FieldAccess* inner = nodeAs<FieldAccess>(base)) {
            base = inner->base;
        }
        if (Identifier* head = nodeAs<Identifier>(base)) {
            note(*head, kFieldReferenced);
        }
    }

    IClassificationManager& manager_;
    BodyContents& contents_;
};

// ------------------------------------------------------------- imports

// Introduces the names the body's imports bring in as uses of the body.
template <int Context>
class ImportResolverForEval : public ImportResolver {
  public:
    ImportResolverForEval(AbstractNameResolver& nameResolver, IClassificationManager& manager)
        : ImportResolver(nameResolver), manager_(manager) {}

  protected:
    void declareImportedName(TextLiteral& argument, std::u16string_view name,
                             ImportKind kind) override {
        if (manager_.hasUse(name, kImportedFunction) || manager_.hasUse(name, kImportedPackage)) {
            return;
        }
        rejectAns(argument, name);
        Identifier& imported = createImportedNameIdentifier(argument, name, kind);
        manager_.noteUse(imported.name(),
                         kind == ImportKind::Package ? kImportedPackage : kImportedFunction,
                         argument.position());
    }

  private:
    IClassificationManager& manager_;
};

// The second run of a section's imports over the caller's list: the first
// run reported every invalid argument already.
class ImportResolverForEvalWithoutError final : public ImportResolverForEval<kSection> {
  public:
    using ImportResolverForEval::ImportResolverForEval;

  protected:
    void reportInvalidEntry(lf::import::InvalidImportEntry const& invalid, std::uint32_t) override {
        static_cast<void>(invalid.getMsgHolder());
    }
};

// ------------------------------------------------------------ load calls

// Makes the variables that the body's `load` calls create into assigned
// names, unless `load` is not the built-in one here.
void recordLoadedVariables(BodyContents const& contents, IClassificationManager& manager,
                           fe::astapi::AstNodeFactory& factory) {
    if (manager.hasUse(u"load", kImportedFunction) || manager.hasUse(u"load", kImportedPackage) ||
        manager.classify(u"load").kind == IdKind::VARIABLE) {
        return;
    }
    auto create = [&](TextLiteral& literal, std::u16string_view name) {
        Identifier* variable = factory.createIdentifier(0, name);
        variable->setMark(marks::kCreatedByLoad);
        manager.noteUse(variable->name(), kAssigned, literal.position());
        literal.linked = variable;
    };
    for (CommandSyntax* command : contents.loadCommands) {
        std::vector<Node*> const words(command->words.begin(), command->words.end());
        forEachLoadedVariable(words, LoadVariableLiterals::CharacterArrays, create);
    }
    if (manager.hasUse(u"load", kAssigned)) {
        return;
    }
    for (Index* call : contents.loadAssignments) {
        std::vector<Node*> const arguments(call->arguments.begin(), call->arguments.end());
        forEachLoadedVariable(arguments, LoadVariableLiterals::AnyText, create);
    }
}

// -------------------------------------------------------- annotation walk

// The tables an annotation walk looks names up in: the body's, and the own
// table of the anonymous function being walked (the body's outside one).
struct SymbolTableManager {
    SymbolTable& body;
    SymbolTable& own;

    Classification const* lookup(std::u16string_view name) const {
        return own.lookup(name, nullptr);
    }
};

// Writes the classification of every identifier of a body from the
// records. `RequeriesHead`: the caller's second eval switch.
template <int Context, bool RequeriesHead>
class ClassificationAnotator final
    : public DottedNameBuilder,
      public fe::astapi::FieldVisitor<ClassificationAnotator<Context, RequeriesHead>> {
  public:
    struct Shared {
        NameResolver& nameResolver;
        IsVariableFcn const& isWorkspaceVariable;
        ExternalResolver& importMapping;
        UnaryAtOperandResolverForEval& operandResolver;
        // The operands of `@`, in walk order, settled after the walk.
        std::vector<NodeField<Expression>> handleOperands;
    };

    ClassificationAnotator(Shared& shared, IClassificationManager& manager,
                           SymbolTableManager tables)
        : DottedNameBuilder(shared.nameResolver.factory()),
          shared_(shared),
          manager_(manager),
          tables_(tables) {}

    void walkStatements(NodeList<Node>& statements) { this->walkField(statements); }

    template <class S>
    void traverse(Identifier&, NodeField<S> slot) {
        resolveIdentifier(slot);
    }

    template <class S>
    void traverse(FieldAccess& access, NodeField<S> slot) {
        traverseFieldAccess(*this, access, slot);
    }

    void visit(UnaryOperation& operation) {
        if (operation.op != UnaryOperator::FunctionHandle || operation.operand == nullptr) {
            this->walkChildren(operation);
            return;
        }
        NodeField<Expression> const operand(operation.operand);
        if (walkHandleOperand(operand.get()).head == nullptr) {
            this->dispatchField(operand);
            return;
        }
        shared_.operandResolver.resolveOperand(operand, tables_.own);
        shared_.handleOperands.push_back(operand);
    }

    void visit(AnonymousFunction& function) {
        function.setStaticImports(shared_.importMapping.importList(), *factory().allocator());
        // A provisional table while the body is walked; the function keeps a
        // root table of its own with what the walk found.
        SymbolTable* provisional = createAnonymousFunctionTable(function, tables_.own);
        if (function.body != nullptr) {
            ClassificationAnotator body(shared_, manager_.managerForAnonymousFunction(function),
                                        {tables_.body, *provisional});
            body.dispatchField(NodeField<Expression>(function.body));
        }
        function.setSymbolTable(
            buildAnonymousFunctionTableForEval(factory(), function, *provisional));
    }

    // A variable that a `load` makes is classified where its literal is.
    void visit(TextLiteral& literal) {
        if (literal.linked != nullptr && literal.linked->hasMark(marks::kCreatedByLoad)) {
            literal.linked->classify(manager_.classify(literal.linked->name()).kind, nullptr);
        }
    }

    // The imported names were classified when the imports were resolved.
    void visit(ImportStatement&) {}
    void visit(FunctionDefinition&) {}
    void visit(ClassDefinition&) {}

  protected:
    DottedHeadResult resolveDottedHead(Identifier& head,
                                       std::span<std::u16string_view const>) override {
        std::u16string_view const name = head.name();
        if (manager_.hasUse(name, kAssigned) || shared_.isWorkspaceVariable(name)) {
            return {};
        }
        if constexpr (RequeriesHead) {
            static_cast<void>(shared_.isWorkspaceVariable(name));
        }
        // Only a package or class known through an import can start a
        // qualified name; a settled answer of another kind names no package.
        ClassificationData const data = manager_.classify(name);
        bool const imported = data.kind == IdKind::EXTERNAL && data.unsettled == 0;
        return {imported, data.kind, imported};
    }

    Identifier* resolveDottedPrefix(std::u16string_view text, std::uint32_t position,
                                    DottedHeadResult const& head) override {
        std::u16string_view const mapped = shared_.importMapping.importedNameOf(text);
        if (mapped.empty()) {
            return nullptr;
        }
        Identifier* qualified = factory().createIdentifier(position, mapped);
        if (Classification const* found = tables_.body.lookup(qualified->name(), nullptr)) {
            copyClassification(*qualified, *found);
            return qualified;
        }
        tables_.body.addEntry(qualified->name(), {IdKind::EXTERNAL, qualified});
        qualified->classify(IdKind::EXTERNAL, qualified);
        if (head.headImportedPackage) {
            qualified->setMark(marks::kPackageImported);
        }
        return qualified;
    }

    void resolveIdentifier(ExpressionSlot slot) override {
        Identifier& identifier = static_cast<Identifier&>(*slot.get());
        std::u16string_view const name = identifier.name();
        if (Classification const* found = tables_.lookup(name)) {
            copyClassification(identifier, *found);
            return;
        }
        if constexpr (Context == kSection) {
            identifier.classify(manager_.classify(name).kind, nullptr);
        } else {
            bool const external = !manager_.hasUse(name, kAssigned) &&
                                  !shared_.isWorkspaceVariable(name) && isImportedOrExternal(name);
            ClassificationData const data = manager_.classify(name);
            identifier.classify(external ? IdKind::EXTERNAL : data.kind, nullptr);
        }
    }

    void resolveImportedPackageName(Identifier& identifier) override {
        identifier.setMark(marks::kPackageImported);
        if (Classification const* found = tables_.lookup(identifier.name())) {
            copyClassification(identifier, *found);
            return;
        }
        tables_.body.addEntry(identifier.name(), {IdKind::EXTERNAL, &identifier});
        identifier.classify(IdKind::EXTERNAL, &identifier);
    }

    void visitOther(ExpressionSlot slot) override {
        slot.visit([this](auto const& field) { this->dispatchField(field); });
    }

  private:
    // Whether the import mapping answers the name itself, or a qualified
    // name that does not start with a name the imports introduce.
    bool isImportedOrExternal(std::u16string_view name) {
        std::u16string_view const mapped = shared_.importMapping.importedNameOf(name);
        if (mapped.empty()) {
            return false;
        }
        return mapped == name || !shared_.importMapping.importsFirstComponentOf(mapped);
    }

    Shared& shared_;
    IClassificationManager& manager_;
    SymbolTableManager tables_;
};

// ---------------------------------------------------------------- driver

// What one classification works with.
struct EvalBodyInputs {
    Program& body;
    NameResolver& nameResolver;
    StaticLookupFcn const& staticLookup;
    IsVariableFcn const& isWorkspaceVariable;
    ImportListPtr callerImports;
};

// Resolves the body's imports into a list over the caller's, recording the
// names they bring in; null when the body imports nothing.
template <int Context>
ImportListPtr resolveBodyImports(EvalBodyInputs const& inputs, BodyContents const& contents,
                                 IClassificationManager& manager) {
    if (contents.imports.empty()) {
        return inputs.callerImports;
    }
    std::shared_ptr<lf::import::IImportList> list =
        lf::import::createImportList(inputs.callerImports);
    if constexpr (Context == kSection) {
        if (inputs.callerImports == nullptr) {
            ImportResolverForEval<kSection>(inputs.nameResolver, manager)
                .runImportStatements(contents.imports, *list);
            inputs.body.setStaticImports(list, *inputs.nameResolver.factory().allocator());
            return list;
        }
        // The section's list is built without the names counting as uses;
        // then the names are recorded, without reporting the same invalid
        // arguments again.
        DummyClassificationManagerForImportResolverInSection recordsNothing;
        ImportResolverForEval<kSection>(inputs.nameResolver, recordsNothing)
            .runImportStatements(contents.imports, *list);
        ImportResolverForEvalWithoutError(inputs.nameResolver, manager)
            .runImportStatements(contents.imports, *list);
    } else {
        ImportResolverForEval<Context>(inputs.nameResolver, manager)
            .runImportStatements(contents.imports, *list);
    }
    inputs.body.setStaticImports(list, *inputs.nameResolver.factory().allocator());
    return list;
}

template <int Context, bool AssignmentShadows, bool Warns, bool RequeriesHead>
SymbolTable* classify(EvalBodyInputs const& inputs) {
    fe::astapi::AstNodeFactory& factory = inputs.nameResolver.factory();
    ClassificationManager<Context, AssignmentShadows, Warns> manager(
        inputs.staticLookup, inputs.isWorkspaceVariable, inputs.nameResolver.warningLog());
    SymbolTable* table = SymbolTable::create(inputs.body, factory);

    BodyContents contents;
    UsageWalker(manager, contents).walkStatements(inputs.body.elements);
    ImportListPtr const imports = resolveBodyImports<Context>(inputs, contents, manager);
    recordLoadedVariables(contents, manager, factory);

    ResolutionCache cache;
    ExternalResolver importMapping(inputs.nameResolver, imports, cache);
    UnaryAtOperandResolverForEval operandResolver(factory, inputs.staticLookup);
    typename ClassificationAnotator<Context, RequeriesHead>::Shared shared{
        inputs.nameResolver, inputs.isWorkspaceVariable, importMapping, operandResolver, {}};
    ClassificationAnotator<Context, RequeriesHead>(shared, manager, {*table, *table})
        .walkStatements(inputs.body.elements);
    finalizeDeferredOperands(shared.handleOperands, *table);

    inputs.body.setSymbolTable(table);
    return table;
}

// Turns the run-time choices into the variant's template arguments.
template <int Context>
SymbolTable* classifyInContext(EvalBodyInputs const& inputs, bool assignmentShadows, bool warns,
                               bool requeriesHead) {
    auto withHead = [&]<bool Shadows, bool Warn>() {
        if constexpr (Context == kSection) {
            return classify<Context, Shadows, Warn, false>(inputs);
        } else {
            return requeriesHead ? classify<Context, Shadows, Warn, true>(inputs)
                                 : classify<Context, Shadows, Warn, false>(inputs);
        }
    };
    auto withWarnings = [&]<bool Shadows>() {
        return warns ? withHead.template operator()<Shadows, true>()
                     : withHead.template operator()<Shadows, false>();
    };
    if constexpr (Context == kSection) {
        return withWarnings.template operator()<false>();
    } else {
        return assignmentShadows ? withWarnings.template operator()<true>()
                                 : withWarnings.template operator()<false>();
    }
}

// A body that is one anonymous function logs no shadowing warning.
bool isLoneAnonymousFunction(Program const& body) {
    return body.elements.size() == 1 && body.elements[0]->kind() == NodeKind::AnonymousFunction;
}

}  // namespace

SymbolTable* classifyEvalBody(Program& body, NameResolver& resolver,
                              StaticLookupFcn const& staticLookup,
                              IsVariableFcn const& isWorkspaceVariable, ImportListPtr imports,
                              EvalBodyVariant variant) {
    EvalBodyInputs const inputs{body, resolver, staticLookup, isWorkspaceVariable,
                                std::move(imports)};
    bool const warns = !isLoneAnonymousFunction(body);
    if (variant.evalContext == 0) {
        return classifyInContext<kPlainEval>(inputs, variant.assignmentShadows, warns,
                                             variant.requeriesHead);
    }
    if (variant.staticWorkspace) {
        return classifyInContext<kPromptStaticWorkspace>(inputs, variant.assignmentShadows, warns,
                                                         variant.requeriesHead);
    }
    return classifyInContext<kPromptDynamicWorkspace>(inputs, variant.assignmentShadows, warns,
                                                      variant.requeriesHead);
}

SymbolTable* NameResolver::resolveSection(Program& section, ImportListPtr imports,
                                          StaticLookupFcn const& staticLookup) {
    // A section never takes a name for a workspace variable through this test.
    IsVariableFcn const noWorkspaceVariables = [](std::u16string_view) { return false; };
    EvalBodyInputs const inputs{section, *this, staticLookup, noWorkspaceVariables,
                                std::move(imports)};
    return classifyInContext<kSection>(inputs, false, !isLoneAnonymousFunction(section), false);
}

}  // namespace fe::nr
