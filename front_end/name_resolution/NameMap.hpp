#pragma once
// A map from names to small values for the resolvers' tables: one array of
// slots probed linearly from the name's hash, so that an entry costs no
// allocation of its own and a lookup mostly compares buffer addresses.
//
// Invariants:
// - The slot count is zero or a power of two at least twice the entry
//   count, so a probe always ends at a free slot.
// - Names are views: the caller keeps their text alive as long as the map.
// - An entry, once made, is never removed or replaced; its value may be
//   changed through `tryEmplace`'s result until the map next grows.

#include <cstddef>
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
    // The value of `name`, or null; `hash` is hashName(name).
    Value const* find(std::u16string_view name, std::size_t hash) const {
        if (slots.empty()) {
            return nullptr;
        }
        Slot const& slot = slotOf(name, hash);
        return slot.occupied ? &slot.value : nullptr;
    }
    Value const* find(std::u16string_view name) const { return find(name, hashName(name)); }

    // Enters `name` with `value` unless it is present; answers the stored
    // value and whether it was entered now.
    std::pair<Value*, bool> tryEmplace(std::u16string_view name, std::size_t hash,
                                       Value const& value) {
        if (2 * (count + 1) > slots.size()) {
            grow();
        }
        Slot& slot = const_cast<Slot&>(slotOf(name, hash));
        if (slot.occupied) {
            return {&slot.value, false};
        }
        slot = Slot{name, hash, value, true};
        ++count;
        return {&slot.value, true};
    }
    std::pair<Value*, bool> tryEmplace(std::u16string_view name, Value const& value) {
        return tryEmplace(name, hashName(name), value);
    }

    std::size_t size() const { return count; }

  private:
    struct Slot {
        std::u16string_view name;
        std::size_t hash = 0;
        Value value{};
        bool occupied = false;
    };

    // The slot that holds `name`, or the free slot where it would go; there
    // must be slots.
    Slot const& slotOf(std::u16string_view name, std::size_t hash) const {
        std::size_t const mask = slots.size() - 1;
        for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
            Slot const& slot = slots[index];
            // Names of one tree are interned, so equal text mostly means the
            // same buffer; the text decides for names from elsewhere.
            if (!slot.occupied ||
                (slot.hash == hash && slot.name.size() == name.size() &&
                 (slot.name.data() == name.data() || fl::text::sameUnits(slot.name, name)))) {
                return slot;
            }
        }
    }

    void grow() {
        std::vector<Slot> old(slots.size() < 8 ? 16 : 2 * slots.size());
        old.swap(slots);
        std::size_t const mask = slots.size() - 1;
        for (Slot const& moved : old) {
            if (moved.occupied) {
                std::size_t index = moved.hash & mask;
                while (slots[index].occupied) {
                    index = (index + 1) & mask;
                }
                slots[index] = moved;
            }
        }
    }

    std::vector<Slot> slots;
    // The entries made.
    std::size_t count = 0;
};

}  // namespace fe::nr
