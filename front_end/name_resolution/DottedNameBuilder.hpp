#pragma once
// Collapsing dotted uses such as `a.b.c` into qualified identifiers. The
// visitors that classify uses in function bodies, scripts and eval bodies
// share the driver and differ in the hooks.

#include <boost/container/small_vector.hpp>

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/astapi/NodeField.hpp"
#include "front_end/astapi/Nodes.hpp"

namespace fe::nr {

// A child slot holding an expression, whatever node type its field is
// declared with: a statement list, an expression field or an identifier field.
class ExpressionSlot {
  public:
    using Field = std::variant<fe::astapi::NodeField<lf::astapi::Node>,
                               fe::astapi::NodeField<lf::astapi::Expression>,
                               fe::astapi::NodeField<lf::astapi::Identifier>>;

    template <class S>
    ExpressionSlot(fe::astapi::NodeField<S> field) : field_(field) {}

    lf::astapi::Node* get() const {
        return std::visit([](auto const& field) -> lf::astapi::Node* { return field.get(); },
                          field_);
    }
    // Puts `replacement` where the slot's node was.
    void replace(lf::astapi::Identifier& replacement) const {
        std::visit([&](auto const& field) { field.set(&replacement); }, field_);
    }
    // Calls `f` with the typed field.
    template <class F>
    void visit(F&& f) const {
        std::visit(std::forward<F>(f), field_);
    }

  private:
    Field field_;
};

// What the head of a dotted use allows.
struct DottedHeadResult {
    // The head may start a qualified name.
    bool continueDotted = false;
    // The kind a scope gives the head, if any.
    std::optional<lf::astapi::IdKind> headKind;
    // The head is a name imported as a package.
    bool headImportedPackage = false;
};

// The field names of a dotted use, gathered from the right. Most uses have a
// few; those stay off the heap.
using DottedParts = boost::container::small_vector<std::u16string_view, 8>;

class DottedNameBuilder {
  public:
    // A qualified identifier that replaced the leading part of a dotted use.
    struct Collapse {
        // Field accesses above the current one still covered by `identifier`.
        std::uint32_t dotsToConsume;
        lf::astapi::Identifier* identifier;
    };

    explicit DottedNameBuilder(fe::astapi::AstNodeFactory& factory) : factory_(factory) {}
    DottedNameBuilder(DottedNameBuilder const&) = delete;
    DottedNameBuilder& operator=(DottedNameBuilder const&) = delete;
    virtual ~DottedNameBuilder() = default;

    // Resolves the dotted use held in `slot`. `parts` gathers the field names
    // from the right; the longest prefix of at least two components that the
    // hooks accept replaces the field accesses it covers. Without a collapse
    // the head identifier (or the innermost other node) goes to the hooks.
    std::optional<Collapse> buildDottedName(ExpressionSlot slot, DottedParts& parts);

    // What a visitor does at a field access: resolve the dotted use it ends,
    // or, when the access lacks its base or field name, walk its children.
    template <class Walker, class S>
    void traverseFieldAccess(Walker& walker, lf::astapi::FieldAccess& access,
                             fe::astapi::NodeField<S> slot) {
        if (access.field == nullptr || access.base == nullptr) {
            walker.walkChildren(access);
            return;
        }
        DottedParts parts;
        buildDottedName(slot, parts);
    }

  protected:
    // Classifies the head identifier and says whether it may start a
    // qualified name; `parts` are the field names after it, from the right.
    virtual DottedHeadResult resolveDottedHead(lf::astapi::Identifier& head,
                                               std::span<std::u16string_view const> parts) = 0;
    // The qualified identifier for `text`, or null when it names nothing.
    virtual lf::astapi::Identifier* resolveDottedPrefix(std::u16string_view text,
                                                        std::uint32_t position,
                                                        DottedHeadResult const& head) = 0;
    // The head of a dotted use that did not collapse.
    virtual void resolveIdentifier(ExpressionSlot slot) = 0;
    // A qualified identifier for a whole dotted use under an imported package.
    virtual void resolveImportedPackageName(lf::astapi::Identifier& identifier) = 0;
    // A base that is not part of a name (a call, an indexing, a literal).
    virtual void visitOther(ExpressionSlot slot) = 0;

    fe::astapi::AstNodeFactory& factory() const { return factory_; }

  private:
    std::optional<Collapse> collapseLongestPrefix(lf::astapi::Identifier& head,
                                                  std::span<std::u16string_view const> parts,
                                                  DottedHeadResult const& headResult);

    fe::astapi::AstNodeFactory& factory_;
};

}  // namespace fe::nr
