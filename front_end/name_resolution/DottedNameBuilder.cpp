// The driver that collapses dotted uses. It walks a chain of field accesses
// down to its head first, because only the head's classification says
// whether the chain can name something outside the file at all; then it
// tries the prefixes from the longest to the shortest, so that `p.q.f`
// becomes one identifier when the whole name is known and `p.q` with a field
// `f` when only the package is.

#include "front_end/name_resolution/DottedNameBuilder.hpp"

#include <string_view>

namespace fe::nr {

using namespace lf::astapi;
using fe::astapi::NodeField;

std::optional<DottedNameBuilder::Collapse> DottedNameBuilder::buildDottedName(ExpressionSlot slot,
                                                                              DottedParts& parts) {
    Node* node = slot.get();
    if (Identifier* head = nodeAs<Identifier>(node)) {
        DottedHeadResult const headResult = resolveDottedHead(*head, {parts.data(), parts.size()});
        if (headResult.continueDotted) {
            parts.push_back(head->name());
            if (auto collapse =
                    collapseLongestPrefix(*head, {parts.data(), parts.size()}, headResult)) {
                if (collapse->dotsToConsume == 0) {
                    slot.replace(*collapse->identifier);
                }
                return collapse;
            }
        }
        resolveIdentifier(slot);
        return std::nullopt;
    }
    FieldAccess* access = nodeAs<FieldAccess>(node);
    if (access == nullptr || access->field == nullptr || access->base == nullptr) {
        visitOther(slot);
        return std::nullopt;
    }
    parts.push_back(access->field->text);
    auto collapse = buildDottedName(NodeField<Expression>(access->base), parts);
    if (collapse && collapse->dotsToConsume > 0 && --collapse->dotsToConsume == 0) {
        slot.replace(*collapse->identifier);
    }
    return collapse;
}

std::optional<DottedNameBuilder::Collapse> DottedNameBuilder::collapseLongestPrefix(
    Identifier& head, std::span<std::u16string_view const> parts,
    DottedHeadResult const& headResult) {
    // The parts run from the right: the head is the last one. Most dotted
    // names are short; their text stays off the heap.
    boost::container::small_vector<char16_t, 64> text;
    boost::container::small_vector<std::size_t, 8> prefixEnds;
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        if (!text.empty()) {
            text.push_back(u'.');
        }
        text.insert(text.end(), part->begin(), part->end());
        prefixEnds.push_back(text.size());
    }
    for (std::size_t components = parts.size(); components >= 2; --components) {
        std::u16string_view const prefix(text.data(), prefixEnds[components - 1]);
        if (Identifier* qualified = resolveDottedPrefix(prefix, head.position(), headResult)) {
            return Collapse{static_cast<std::uint32_t>(components - 1), qualified};
        }
    }
    if (!headResult.headImportedPackage) {
        return std::nullopt;
    }
    Identifier* whole =
        factory_.createIdentifier(head.position(), std::u16string_view(text.data(), text.size()));
    resolveImportedPackageName(*whole);
    return Collapse{static_cast<std::uint32_t>(parts.size() - 1), whole};
}

}  // namespace fe::nr
