#pragma once
// A map from names to small values for the resolvers' tables: one array of
// slots probed linearly from the name's hash, so that an entry costs no
// allocation of its own and a lookup mostly compares buffer addresses. Most
// scopes have a handful of names, so the first slots live in the map itself
// and a small map allocates nothing.
//
// Invariants:
// - The slot count is a power of two at least twice the entry count, so a
//   probe always ends at a free slot.
// - Names are views: the caller keeps their text alive as long as the map.
// - An entry, once made, is never removed or replaced; its value may be
//   changed through `tryEmplace`'s result until the map next grows.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/text/Utf.hpp"

namespace fe::nr {

// The hash that NameMap probes with. Callers that look one name up in
// several maps compute it once.
inline std::size_t hashName(std::u16string_view name) {
    return fl::text::hashUnits(name);
}

template <class Value>
class NameMap {
  public:
    NameMap() = default;
    NameMap(NameMap const& other) { *this = other; }
    NameMap& operator=(NameMap const& other) {
        inlineSlots = other.inlineSlots;
        heapSlots = other.heapSlots;
        slots = heapSlots.empty() ? inlineSlots.data() : heapSlots.data();
        mask = other.mask;
        count = other.count;
        return *this;
    }

    // The value of `name`, or null; `hash` is hashName(name).
    Value const* find(std::u16string_view name, std::size_t hash) const {
        Slot const& slot = slotOf(name, hash);
        return slot.occupied() ? &slot.value : nullptr;
    }
    Value const* find(std::u16string_view name) const { return find(name, hashName(name)); }

    // Enters `name` with `value` unless it is present; answers the stored
    // value and whether it was entered now.
    std::pair<Value*, bool> tryEmplace(std::u16string_view name, std::size_t hash,
                                       Value const& value) {
        if (2 * (count + 1) > mask + 1) {
            grow();
        }
        Slot& slot = const_cast<Slot&>(slotOf(name, hash));
        if (slot.occupied()) {
            return {&slot.value, false};
        }
        // A default view has no buffer, which would read as a free slot.
        slot =
            Slot{name.data() != nullptr ? name.data() : u"",
                 static_cast<std::uint32_t>(name.size()), static_cast<std::uint32_t>(hash), value};
        ++count;
        return {&slot.value, true};
    }
    std::pair<Value*, bool> tryEmplace(std::u16string_view name, Value const& value) {
        return tryEmplace(name, hashName(name), value);
    }

    std::size_t size() const { return count; }

  private:
    struct Slot {
        // The name's text; null while the slot is free.
        char16_t const* text = nullptr;
        std::uint32_t length = 0;
        // The low half of the name's hash, compared before the text.
        std::uint32_t hash = 0;
        Value value{};

        bool occupied() const { return text != nullptr; }
    };

    // Slots held in the map itself: room for eight names.
    static constexpr std::size_t kInlineSlots = 16;

    // The slot that holds `name`, or the free slot where it would go.
    Slot const& slotOf(std::u16string_view name, std::size_t hash) const {
        auto const shortHash = static_cast<std::uint32_t>(hash);
        for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
            Slot const& slot = slots[index];
            // Names of one tree are interned, so equal text mostly means the
            // same buffer; the text decides for names from elsewhere.
            if (!slot.occupied() || (slot.hash == shortHash && slot.length == name.size() &&
                                     (slot.text == name.data() ||
                                      fl::text::sameUnits({slot.text, slot.length}, name)))) {
                return slot;
            }
        }
    }

    // Doubles the slots; the hash of a name is its low half, which is all
    // that picks a slot.
    void grow() {
        std::vector<Slot> larger(2 * (mask + 1));
        std::size_t const largerMask = larger.size() - 1;
        for (std::size_t i = 0; i <= mask; ++i) {
            if (slots[i].occupied()) {
                std::size_t index = slots[i].hash & largerMask;
                while (larger[index].occupied()) {
                    index = (index + 1) & largerMask;
                }
                larger[index] = slots[i];
            }
        }
        heapSlots = std::move(larger);
        slots = heapSlots.data();
        mask = largerMask;
    }

    // The slots while there are few names.
    std::array<Slot, kInlineSlots> inlineSlots{};
    // The slots once the inline ones are outgrown; empty before. Its size is
    // a power of two.
    std::vector<Slot> heapSlots;
    // The slots in use: the inline ones or the heap ones.
    Slot* slots = inlineSlots.data();
    // The slot count less one.
    std::size_t mask = kInlineSlots - 1;
    // The entries made.
    std::size_t count = 0;
};

}  // namespace fe::nr
