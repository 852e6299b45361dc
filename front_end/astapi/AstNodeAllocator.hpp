#pragma once
// Memory of one syntax tree: an arena for nodes, lists and names, the set of
// interned names, and the clean-up functions that must run when the tree
// dies (symbol tables and import lists attached to the tree register there).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "foundation/text/Utf.hpp"

namespace lf::astapi {

class AstNodeAllocator {
  public:
    AstNodeAllocator() = default;
    AstNodeAllocator(AstNodeAllocator const&) = delete;
    AstNodeAllocator& operator=(AstNodeAllocator const&) = delete;
    // Runs the clean-up functions, newest first, then frees the arena: some
    // of its blocks are kept for the next tree made on the same thread.
    ~AstNodeAllocator();

    // Inline because the parser calls it for every node: only a request that
    // does not fit in the current block leaves this function.
    void* allocate(std::size_t size, std::size_t alignment) {
        auto const address = reinterpret_cast<std::uintptr_t>(cursor_);
        auto const start = (address + alignment - 1) & ~(alignment - 1);
        if (cursor_ == nullptr || start + size > reinterpret_cast<std::uintptr_t>(limit_))
            [[unlikely]] {
            return allocateInNewBlock(size, alignment);
        }
        bytesAllocated_ += size;
        cursor_ = reinterpret_cast<std::byte*>(start + size);
        return reinterpret_cast<void*>(start);
    }

    template <class T>
    T** allocateArray(std::size_t count) {
        return static_cast<T**>(allocate(count * sizeof(T*), alignof(T*)));
    }

    // The one arena copy of `text`: equal texts give the same view. Inline,
    // because the parser interns every name it reads and most are met
    // before: a name found in its home slot costs no call.
    std::u16string_view intern(std::u16string_view text) {
        return internHashed(text, fl::text::nameHash(text));
    }
    // The same for the UTF-16 text that the ASCII text `ascii` widens to:
    // a name read from ASCII bytes is the one read from UTF-16.
    std::u16string_view internAscii(std::string_view ascii) {
        return internHashed(ascii, fl::text::nameHash(ascii));
    }

    void addCleanup(std::function<void()> cleanup);

    // Bytes handed out so far, for measurements.
    std::size_t bytesAllocated() const { return bytesAllocated_; }

  private:
    // A slot of the open-addressing table of interned names; empty while
    // `text` is null. Sixteen bytes, so that four share a cache line.
    struct NameSlot {
        char16_t const* text = nullptr;
        std::uint32_t length = 0;
        // The low half of the name's hash, compared before the units.
        std::uint32_t hash = 0;
    };

    // The slot where a name of `hash` belongs, when it holds `text`; null
    // otherwise (the name may still sit further along its probe sequence).
    // The hash is compared first: it settles almost every mismatch.
    template <class Unit>
    NameSlot const* homeSlot(std::basic_string_view<Unit> text, std::uint32_t hash) const {
        if (names_.empty()) {
            return nullptr;
        }
        NameSlot const& slot = names_[hash & (names_.size() - 1)];
        if (slot.hash != hash || slot.length != text.size() || slot.text == nullptr ||
            !std::equal(text.begin(), text.end(), slot.text)) {
            return nullptr;
        }
        return &slot;
    }

    template <class Unit>
    std::u16string_view internHashed(std::basic_string_view<Unit> text, std::uint32_t hash) {
        NameSlot const* slot = homeSlot(text, hash);
        return slot != nullptr ? std::u16string_view(slot->text, slot->length)
                               : internUnits(text, hash);
    }
    void* allocateInNewBlock(std::size_t size, std::size_t alignment);
    // Interns the UTF-16 text that `text` (UTF-16 or ASCII) stands for.
    template <class Unit>
    std::u16string_view internUnits(std::basic_string_view<Unit> text, std::uint32_t hash);
    // The slot that holds `text`, or the empty slot where it belongs.
    template <class Unit>
    NameSlot& findName(std::basic_string_view<Unit> text, std::uint32_t hash);
    void growNames();

    // Blocks of the arena's block size, and the blocks of large requests.
    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    std::vector<std::unique_ptr<std::byte[]>> largeBlocks_;
    std::byte* cursor_ = nullptr;
    std::byte* limit_ = nullptr;
    std::size_t bytesAllocated_ = 0;
    // A power of two in size, at most three quarters full.
    std::vector<NameSlot> names_;
    std::size_t nameCount_ = 0;
    std::vector<std::function<void()>> cleanups_;
};

}  // namespace lf::astapi
