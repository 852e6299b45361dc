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
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace fe::nr {

// The hash that NameMap probes with, from the name's code units, four at a
// time: names are short. Callers that look one name up in several maps
// compute it once.
inline std::size_t hashName(std::u16string_view name) {
    constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15u;
    std::uint64_t hash = name.size() * kMultiplier;
    char16_t const* unit = name.data();
    std::size_t left = name.size();
    for (; left >= 4; left -= 4, unit += 4) {
        std::uint64_t word = 0;
        std::memcpy(&word, unit, sizeof word);
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 32;
    }
    if (left > 0) {
        std::uint64_t word = 0;
        std::memcpy(&word, unit, left * sizeof *unit);
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 32;
    }
    return static_cast<std::size_t>(hash);
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
            if (!slot.occupied || (slot.hash == hash && slot.name.size() == name.size() &&
                                   (slot.name.data() == name.data() || slot.name == name))) {
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
