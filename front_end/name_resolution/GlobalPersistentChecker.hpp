#pragma once
// The rules of `global` and `persistent` declarations that the use pass
// enforces: a persistent variable must be declared before anything uses it.

#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/ResolutionTypes.hpp"

namespace fe::nr {

// Follows a function body in statement order: the `persistent` identifiers
// still pending are those whose statement has not been reached yet, and a use
// introduced by one of them is an error reported at the declaration.
class GlobalPersistentChecker {
  public:
    explicit GlobalPersistentChecker(PendingPersistentSet& pending) : pending_(pending) {}

    // A use classified with `introducer` (null for none).
    void checkIntroducer(lf::astapi::Identifier const* introducer) const;
    void onPersistentStatement(lf::astapi::Declaration const& statement);
    // The statement had its own pass; checks its contents in order.
    void onParallelStatement(lf::astapi::Node const& statement);
    // A statement in command syntax: `load` uses the variables it creates.
    void onLoadCall(lf::astapi::CommandSyntax const& statement) const;
    // `x = load(...)` inside a parallel block: the same for the variables
    // the call creates.
    void onLoadAssignment(lf::astapi::Assignment const& statement) const;

  private:
    PendingPersistentSet& pending_;
};

// For passes in which no `persistent` declaration can be pending.
class DummyGlobalPersistentChecker {
  public:
    void checkIntroducer(lf::astapi::Identifier const*) const {}
    void onPersistentStatement(lf::astapi::Declaration const&) {}
    void onParallelStatement(lf::astapi::Node const&) {}
    void onLoadCall(lf::astapi::CommandSyntax const&) const {}
};

}  // namespace fe::nr
