#pragma once
// Compile-time dispatch over node kinds.
//
// A visitor V derives from AstDispatcher<V, ...> (or FieldVisitor<V>) with
// itself as argument and declares `visit(T&)` for the node classes it
// handles. `dispatch` switches on the kind byte: a handled class goes to the
// visitor's handler, which sees none of the node's children unless it walks
// them (`walkChildren`); any other node has its children walked in field
// order, skipping absent links. No virtual call and no allocation is made per
// node; the walk is plain recursion, and it continues on a fresh stack
// segment when the stack runs low, so trees of any depth can be walked
// (StackGuard.hpp).
//
// FieldVisitor additionally walks children through their slots: for a child
// held in a field declared as S, a handler `traverse(T&, NodeField<S>)`
// receives the node with its concrete class T and the slot, so that it can
// replace the node.

#include <stdexcept>
#include <type_traits>

#include "front_end/astapi/NodeField.hpp"
#include "front_end/astapi/Nodes.hpp"
#include "front_end/astapi/StackGuard.hpp"

namespace fe::astapi {

// The tree family a dispatcher walks; Korvex has one.
struct KorvexTree {};

struct NonConst {};
struct Const {};

[[noreturn]] inline void throwUnhandledNodeKind() {
    throw std::logic_error("Unhandled node kind encountered in AstDispatcher");
}
[[noreturn]] inline void throwFieldTypeMismatch() {
    throw std::logic_error("Unreachable: traverse(T, NodeField<S>) where T is not a subtype of S");
}
// For handlers a visitor must declare but that its kind of body never reaches.
[[noreturn]] inline void throwUnreachableFunction() {
    throw std::logic_error("Unreachable function");
}

template <class V, class FE = KorvexTree, class Mode = NonConst, class Result = void>
class AstDispatcher {
    static_assert(std::is_void_v<Result>, "handlers return nothing");

  protected:
    static constexpr bool kConst = std::is_same_v<Mode, Const>;
    template <class T>
    using Ref = std::conditional_t<kConst, T const&, T&>;

  public:
    void dispatch(Ref<lf::astapi::Node> node) {
        withEnoughStack([&] { dispatchHere(node); });
    }

    // The default walk of a node: every child in field order.
    template <class T>
    void walkChildren(T& node) {
        std::remove_cv_t<T>::forEachField(node, [this](auto& field) { self().walkField(field); });
    }

    // One field of the default walk; FieldVisitor walks through slots instead.
    template <class S>
    void walkField(S* const& link) {
        if (link != nullptr) {
            dispatch(*link);
        }
    }
    template <class S>
    void walkField(lf::astapi::NodeList<S> const& list) {
        for (S* element : list) {
            dispatch(*element);
        }
    }

  protected:
    V& self() { return static_cast<V&>(*this); }

    void dispatchHere(Ref<lf::astapi::Node> node) {
        switch (node.kindByte()) {
#define KORVEX_NODE_KIND(number, name, cls) \
    case number:                            \
        return visitAs<lf::astapi::cls>(node);
#include "front_end/astapi/NodeKinds.def"
#undef KORVEX_NODE_KIND
            default:
                throwUnhandledNodeKind();
        }
    }

    template <class T>
    void visitAs(Ref<lf::astapi::Node> node) {
        auto& typed = static_cast<Ref<T>>(node);
        if constexpr (requires(V & v) { v.visit(typed); }) {
            self().visit(typed);
        } else {
            self().walkChildren(typed);
        }
    }
};

template <class V>
class FieldVisitor : public AstDispatcher<V, KorvexTree, NonConst, void> {
  public:
    // Visits the node held in a field declared as S.
    template <class S>
    void dispatchField(NodeField<S> field) {
        withEnoughStack([&] { dispatchFieldHere(field); });
    }

    template <class S>
    void walkField(S*& link) {
        if (link != nullptr) {
            dispatchField(NodeField<S>(link));
        }
    }
    template <class S>
    void walkField(lf::astapi::NodeList<S>& list) {
        for (std::uint32_t i = 0; i < list.size(); ++i) {
            dispatchField(NodeField<S>(list.slot(i)));
        }
    }

  private:
    template <class S>
    void dispatchFieldHere(NodeField<S> field) {
        lf::astapi::Node& node = *field;
        switch (node.kindByte()) {
#define KORVEX_NODE_KIND(number, name, cls) \
    case number:                            \
        return traverseAs<lf::astapi::cls>(node, field);
#include "front_end/astapi/NodeKinds.def"
#undef KORVEX_NODE_KIND
            default:
                throwUnhandledNodeKind();
        }
    }

    template <class T, class S>
    void traverseAs(lf::astapi::Node& node, NodeField<S> field) {
        if constexpr (!std::is_base_of_v<S, T>) {
            throwFieldTypeMismatch();
        } else if constexpr (requires(V & v, T & typed) { v.traverse(typed, field); }) {
            this->self().traverse(static_cast<T&>(node), field);
        } else {
            this->template visitAs<T>(node);
        }
    }
};

// Read-only walks.
template <class V, class FE = KorvexTree, class Mode = Const>
class Visitor : public AstDispatcher<V, FE, Mode, void> {};

// A read-only walk that also visits the identifiers the resolver linked from
// text literals (imported names, variables created by `load`), right after
// the literal.
template <class V, class Mode = Const>
class AnnotatedAstVisitor : public Visitor<V, KorvexTree, Mode> {
    using Base = Visitor<V, KorvexTree, Mode>;

  public:
    template <class T>
    void walkChildren(T& node) {
        Base::walkChildren(node);
        if constexpr (std::is_same_v<std::remove_cv_t<T>, lf::astapi::TextLiteral>) {
            if (node.linked != nullptr) {
                this->dispatch(*node.linked);
            }
        }
    }
};

}  // namespace fe::astapi
