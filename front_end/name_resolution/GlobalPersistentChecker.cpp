// The order rule of `persistent`: its names may not be used before the
// declaration. The use pass meets statements in order, so a declaration is
// pending until its statement is reached, and a use whose introducer is a
// pending declaration is the error.

#include "front_end/name_resolution/GlobalPersistentChecker.hpp"

#include "foundation/i18n/Messages.hpp"
#include "front_end/astapi/AstDispatcher.hpp"
#include "front_end/util/FrontEndUserException.hpp"

namespace fe::nr {
namespace {

using namespace lf::astapi;

// The arguments of a `load` call from which the lvalue pass linked the
// variables that the call creates.
template <class T>
void forEachLoadCreatedVariable(NodeList<T> const& arguments, auto&& f) {
    for (T const* argument : arguments) {
        if (TextLiteral const* literal = nodeAs<TextLiteral>(argument);
            literal != nullptr && literal->linked != nullptr) {
            f(*literal->linked);
        }
    }
}

// The call of `load` that is the value of `x = load(...)`, if it is one.
Index const* loadCallOf(Assignment const& statement) {
    Index const* call =
        statement.value != nullptr && statement.value->kind() == NodeKind::ParenIndex
            ? static_cast<Index const*>(statement.value)
            : nullptr;
    Identifier const* callee = call != nullptr ? nodeAs<Identifier>(call->head) : nullptr;
    return callee != nullptr && callee->name() == u"load" ? call : nullptr;
}

bool isLoadCommand(CommandSyntax const& statement) {
    return statement.command != nullptr && statement.command->name() == u"load";
}

// The contents of a parfor or spmd statement, in statement order.
class ParallelStatementChecker
    : public fe::astapi::AstDispatcher<ParallelStatementChecker, fe::astapi::KorvexTree,
                                       fe::astapi::Const> {
  public:
    explicit ParallelStatementChecker(GlobalPersistentChecker& checker) : checker_(checker) {}

    void visit(Identifier const& identifier) {
        if (identifier.idKind() == IdKind::VARIABLE) {
            checker_.checkIntroducer(identifier.introducer());
        }
    }
    void visit(Assignment const& statement) {
        checker_.onLoadAssignment(statement);
        walkChildren(statement);
    }
    void visit(CommandSyntax const& statement) {
        checker_.onLoadCall(statement);
        walkChildren(statement);
    }
    void visit(Declaration const& statement) {
        if (statement.kind() == NodeKind::Persistent) {
            checker_.onPersistentStatement(statement);
        }
    }
    void visit(FunctionDefinition const&) {}

  private:
    GlobalPersistentChecker& checker_;
};

}  // namespace

void GlobalPersistentChecker::checkIntroducer(Identifier const* introducer) const {
    if (introducer != nullptr && pending_.contains(introducer)) {
        fe::util::raiseAt<KORVEX::front_end::tal_error_persistent_must_be_first>(
            introducer->position(), introducer->name());
    }
}

void GlobalPersistentChecker::onPersistentStatement(Declaration const& statement) {
    for (Identifier const* declared : statement.names) {
        pending_.erase(declared);
    }
}

void GlobalPersistentChecker::onParallelStatement(Node const& statement) {
    ParallelStatementChecker(*this).dispatch(statement);
}

void GlobalPersistentChecker::onLoadCall(CommandSyntax const& statement) const {
    if (isLoadCommand(statement)) {
        forEachLoadCreatedVariable(statement.words, [this](Identifier const& created) {
            checkIntroducer(created.introducer());
        });
    }
}

void GlobalPersistentChecker::onLoadAssignment(Assignment const& statement) const {
    if (Index const* call = loadCallOf(statement)) {
        forEachLoadCreatedVariable(call->arguments, [this](Identifier const& created) {
            checkIntroducer(created.introducer());
        });
    }
}

}  // namespace fe::nr
