#pragma once
// The operands of `@`. An operand names a function, never a variable: `@f`
// takes the function `f` denotes at that place and `@p.q.f` a function
// reached through a package, which becomes one qualified identifier.

#include <functional>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "front_end/astapi/AstNodeFactory.hpp"
#include "front_end/astapi/NodeField.hpp"
#include "front_end/astapi/Nodes.hpp"
#include "front_end/name_resolution/SymbolTable.hpp"
#include "front_end/name_resolution/include/NameResolver.hpp"

namespace fe::nr {

// An operand walked from its slot: the head identifier and the field names
// after it, outermost first.
struct HandleOperand {
    // Null when the chain of field accesses does not end in an identifier.
    lf::astapi::Identifier* head = nullptr;
    std::vector<std::u16string_view> parts;

    std::size_t dotCount() const { return parts.size(); }
};
HandleOperand walkHandleOperand(lf::astapi::Expression* operand);

// The nearest entry for `name` whose kind is one of `kinds`: in `table`, then
// in the enclosing tables up to the nearest root. Entries of other kinds are
// passed over.
ISymbolTable::Classification const* nearestEntryOfKinds(SymbolTable const& table,
                                                        std::u16string_view name,
                                                        std::initializer_list<IdKind> kinds);

class UnaryAtOperandResolver {
  public:
    explicit UnaryAtOperandResolver(fe::astapi::AstNodeFactory& factory) : factory_(factory) {}
    UnaryAtOperandResolver(UnaryAtOperandResolver const&) = delete;
    UnaryAtOperandResolver& operator=(UnaryAtOperandResolver const&) = delete;
    virtual ~UnaryAtOperandResolver() = default;

    // Replaces the operand in `slot` by one external identifier named by the
    // whole dotted text.
    void concatenate(fe::astapi::NodeField<lf::astapi::Expression> slot,
                     HandleOperand const& operand, SymbolTable const& table);

  private:
    fe::astapi::AstNodeFactory& factory_;
};

// Operands in scripts: a name that the file does not define as a function
// is external.
class UnaryAtOperandResolverForScript : public UnaryAtOperandResolver {
  public:
    using UnaryAtOperandResolver::UnaryAtOperandResolver;

    void resolveOperand(fe::astapi::NodeField<lf::astapi::Expression> slot, SymbolTable& table);

  protected:
    virtual void classifyOperand(lf::astapi::Identifier& operand, SymbolTable const& table);
};

// Operands in eval bodies: what the enclosing code knows statically decides.
class UnaryAtOperandResolverForEval final : public UnaryAtOperandResolverForScript {
  public:
    UnaryAtOperandResolverForEval(fe::astapi::AstNodeFactory& factory,
                                  StaticLookupFcn const& staticLookupFcn)
        : UnaryAtOperandResolverForScript(factory), staticLookupFcn_(staticLookupFcn) {}

  protected:
    void classifyOperand(lf::astapi::Identifier& operand, SymbolTable const& table) override;

  private:
    StaticLookupFcn const& staticLookupFcn_;
};

// An operand without dots in a function body: the nearest function of that
// name, a variable of the same name passed over; external when none.
void classifyOperandAsFunctionName(lf::astapi::Identifier& operand, SymbolTable const& table);

}  // namespace fe::nr
