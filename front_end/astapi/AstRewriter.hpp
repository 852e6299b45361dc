#pragma once
// Replaces nodes held in the slots of a tree.

#include <span>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/astapi/NodeField.hpp"

namespace fe::astapi {

class AstRewriter {
  public:
    explicit AstRewriter(AstNodeFactory& factory) : factory_(factory) {}

    // Puts `replacement` where the field's node was.
    template <class S>
    void replace(NodeField<S> field, S& replacement) {
        field.set(&replacement);
    }

    template <class T>
    void replace(lf::astapi::NodeList<T>& list, std::uint32_t index, T& replacement) {
        list.slot(index) = &replacement;
    }

    // Gives the list new contents, of any length.
    template <class T>
    void replaceAll(lf::astapi::NodeList<T>& list, std::span<T* const> items) {
        list = factory_.createList(items);
    }

    AstNodeFactory& factory() { return factory_; }

  private:
    AstNodeFactory& factory_;
};

}  // namespace fe::astapi
