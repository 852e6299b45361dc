// The operands of `@`. They name functions, so variables of the same name
// are passed over; and since a handle can be taken before the function it
// names is met (a later line may introduce it), the introducers of operands
// that introduced themselves are settled after the body's walk.

#include "front_end/name_resolution/UnaryAtOperandResolver.hpp"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "front_end/name_resolution/Classifications.hpp"
#include "front_end/name_resolution/RvalueResolver.hpp"

namespace fe::nr {

using namespace lf::astapi;
using Classification = ISymbolTable::Classification;

HandleOperand walkHandleOperand(Expression* operand) {
    HandleOperand walked;
    Expression* node = operand;
    while (FieldAccess* access = nodeAs<FieldAccess>(node)) {
        if (access->field == nullptr) {
            return walked;
        }
        walked.parts.push_back(access->field->text);
        node = access->base;
    }
    walked.head = nodeAs<Identifier>(node);
    return walked;
}

Classification const* nearestEntryOfKinds(SymbolTable const& table, std::u16string_view name,
                                          std::initializer_list<IdKind> kinds) {
    for (SymbolTable const* scope = &table; scope != nullptr;
         scope = scope->isRootTable() ? nullptr : scope->parentTable()) {
        Classification const* entry = scope->ownEntry(name);
        if (entry != nullptr && std::ranges::find(kinds, entry->kind) != kinds.end()) {
            return entry;
        }
    }
    return nullptr;
}

void UnaryAtOperandResolver::concatenate(fe::astapi::NodeField<Expression> slot,
                                         HandleOperand const& operand, SymbolTable const& table) {
    Identifier const& head = *operand.head;
    Classification const* headEntry = table.lookup(head.name(), nullptr);
    bool const throughPackage = headEntry != nullptr && isReachedThroughPackageImport(*headEntry);

    std::u16string text(head.name());
    for (auto part = operand.parts.rbegin(); part != operand.parts.rend(); ++part) {
        text += u'.';
        text += *part;
    }
    Identifier* qualified = factory_.createIdentifier(head.position(), text);
    Classification const* known = table.lookup(qualified->name(), nullptr);
    qualified->classify(IdKind::EXTERNAL, known != nullptr && known->kind == IdKind::EXTERNAL
                                              ? known->introducer
                                              : qualified);
    if (throughPackage) {
        qualified->setMark(marks::kPackageImported);
    }
    slot.set(qualified);
}

void UnaryAtOperandResolverForScript::resolveOperand(fe::astapi::NodeField<Expression> slot,
                                                     SymbolTable& table) {
    HandleOperand const operand = walkHandleOperand(slot.get());
    if (operand.head == nullptr) {
        return;
    }
    switch (operand.dotCount()) {
        case 0:
            classifyOperand(*operand.head, table);
            break;
        case 1:
            if (Classification const* found = table.lookup(operand.head->name(), nullptr)) {
                operand.head->classify(found->kind, found->introducer);
            } else {
                operand.head->classify(IdKind::UNKNOWN, operand.head);
            }
            break;
        default:
            concatenate(slot, operand, table);
    }
}

void UnaryAtOperandResolverForScript::classifyOperand(Identifier& operand,
                                                      SymbolTable const& table) {
    if (Classification const* found = nearestEntryOfKinds(
            table, operand.name(), {IdKind::LOCAL_FUNCTION, IdKind::EXTERNAL})) {
        operand.classify(found->kind, found->introducer);
    } else {
        operand.classify(IdKind::EXTERNAL, &operand);
    }
}

void UnaryAtOperandResolverForEval::classifyOperand(Identifier& operand, SymbolTable const& table) {
    if (Classification const* found =
            nearestEntryOfKinds(table, operand.name(), {IdKind::EXTERNAL})) {
        operand.classify(found->kind, found->introducer);
        return;
    }
    auto const known = staticLookupFcn_(operand.name());
    if (known && known->kind == IdKind::NESTED_FUNCTION) {
        operand.classify(IdKind::NESTED_FUNCTION, &operand);
        return;
    }
    if (known && known->kind == IdKind::LOCAL_FUNCTION) {
        operand.setMark(marks::kEnclosingLocalFunction);
    }
    operand.classify(IdKind::EXTERNAL, &operand);
}

void classifyOperandAsFunctionName(Identifier& operand, SymbolTable const& table) {
    if (Classification const* found = nearestEntryOfKinds(
            table, operand.name(),
            {IdKind::NESTED_FUNCTION, IdKind::LOCAL_FUNCTION, IdKind::EXTERNAL})) {
        copyClassification(operand, *found);
    } else {
        operand.classify(IdKind::EXTERNAL, &operand);
    }
}

void finalizeDeferredOperands(std::span<fe::astapi::NodeField<Expression> const> operands,
                              SymbolTable& table) {
    std::map<std::pair<std::u16string_view, IdKind>, Identifier const*> firstOperands;
    for (fe::astapi::NodeField<Expression> const& slot : operands) {
        Identifier* head = walkHandleOperand(slot.get()).head;
        if (head == nullptr || head->introducer() != head) {
            continue;
        }
        Classification const* entry = table.lookup(head->name(), nullptr);
        if (entry != nullptr && entry->kind == head->idKind()) {
            head->classify(head->idKind(), entry->introducer);
            continue;
        }
        auto [first, inserted] = firstOperands.try_emplace({head->name(), head->idKind()}, head);
        if (!inserted) {
            head->classify(head->idKind(), first->second);
        }
    }
}

}  // namespace fe::nr
