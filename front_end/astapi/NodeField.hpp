#pragma once
// A handle on one child slot whose declared node type is S: the place a
// visitor can read the node from and a rewriter can put a new node into.

#include "front_end/astapi/Nodes.hpp"

namespace fe::astapi {

template <class S>
class NodeField {
  public:
    explicit NodeField(S*& slot) : slot_(&slot) {}

    S* get() const { return *slot_; }
    S& operator*() const { return **slot_; }
    S* operator->() const { return *slot_; }
    void set(S* node) const { *slot_ = node; }

  private:
    S** slot_;
};

}  // namespace fe::astapi
