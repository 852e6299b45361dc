#include "front_end/astapi/AstNodeAllocator.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "foundation/text/Utf.hpp"

namespace lf::astapi {

namespace {

constexpr std::size_t kInitialNameSlots = 256;

// Small enough that the tree of a typical file (a few KB of source, some
// 15 KB of nodes) does not hold memory it never touches: with 64 KB blocks a
// program holding many trees kept four times the memory its nodes needed,
// and walked nodes spread over that much more of the cache and the TLB.
constexpr std::size_t kBlockSize = 16 * 1024;

// Blocks of trees that died on this thread, kept for the next trees made on
// it: a program that parses file after file then builds each tree in memory
// that is mapped and warm in the cache, where malloc might give it blocks
// just returned to the system and so pages that fault when first written.
// Up to 64 MB are kept, enough for the tree of an 8 MB file: trees die one
// after the other, so what is kept is at most what the largest tree needed
// anyway. Sanitizer builds keep none, so that a use of a dead tree is still
// caught.
class BlockPool {
  public:
#if defined(__SANITIZE_ADDRESS__)
    static constexpr std::size_t kCapacity = 0;
#else
    static constexpr std::size_t kCapacity = 64 * 1024 * 1024 / kBlockSize;
#endif

    ~BlockPool() {
        tPoolDestroyed = true;
    }

    // A kept block, or null.
    std::unique_ptr<std::byte[]> take() {
        return count_ == 0 ? nullptr : std::move(blocks_[--count_]);
    }

    // Keeps `block` when there is room; it is freed otherwise.
    void give(std::unique_ptr<std::byte[]> block) {
        if (count_ < kCapacity) {
            blocks_[count_++] = std::move(block);
        }
    }

    // The pool of the calling thread; null while that thread ends, once its
    // pool is gone.
    static BlockPool* ofThisThread() {
        if (tPoolDestroyed) {
            return nullptr;
        }
        thread_local BlockPool pool;
        return &pool;
    }

  private:
    static thread_local bool tPoolDestroyed;

    std::array<std::unique_ptr<std::byte[]>, kCapacity> blocks_;
    std::size_t count_ = 0;
};

thread_local bool BlockPool::tPoolDestroyed = false;

}  // namespace

AstNodeAllocator::~AstNodeAllocator() {
    while (!cleanups_.empty()) {
        auto cleanup = std::move(cleanups_.back());
        cleanups_.pop_back();
        cleanup();
    }
    if (BlockPool* pool = BlockPool::ofThisThread()) {
        for (auto& block : blocks_) {
            pool->give(std::move(block));
        }
    }
}

void* AstNodeAllocator::allocateInNewBlock(std::size_t size, std::size_t alignment) {
    auto aligned = [alignment](std::byte* p) {
        auto address = reinterpret_cast<std::uintptr_t>(p);
        return reinterpret_cast<std::byte*>((address + alignment - 1) & ~(alignment - 1));
    };
    bytesAllocated_ += size;
    // Large requests get a block of their own, so that the current block
    // keeps serving small ones.
    if (size > kBlockSize / 4) {
        largeBlocks_.emplace_back(new std::byte[size + alignment]);
        return aligned(largeBlocks_.back().get());
    }
    BlockPool* pool = BlockPool::ofThisThread();
    std::unique_ptr<std::byte[]> kept = pool != nullptr ? pool->take() : nullptr;
    blocks_.push_back(kept != nullptr ? std::move(kept)
                                      : std::make_unique_for_overwrite<std::byte[]>(kBlockSize));
    std::byte* start = aligned(blocks_.back().get());
    cursor_ = start + size;
    limit_ = blocks_.back().get() + kBlockSize;
    return start;
}

template <class Unit>
std::u16string_view AstNodeAllocator::internUnits(std::basic_string_view<Unit> text,
                                                  std::uint32_t hash) {
    if (names_.empty()) {
        names_.resize(kInitialNameSlots);
    }
    NameSlot* slot = &findName(text, hash);
    if (slot->text != nullptr) {
        return {slot->text, slot->length};
    }
    if ((nameCount_ + 1) * 4 > names_.size() * 3) {
        growNames();
        slot = &findName(text, hash);
    }
    auto* copy = static_cast<char16_t*>(
        allocate(std::max<std::size_t>(text.size(), 1) * sizeof(char16_t), alignof(char16_t)));
    std::copy(text.begin(), text.end(), copy);
    *slot = {copy, static_cast<std::uint32_t>(text.size()), hash};
    ++nameCount_;
    return {copy, text.size()};
}

template <class Unit>
AstNodeAllocator::NameSlot& AstNodeAllocator::findName(std::basic_string_view<Unit> text,
                                                       std::uint32_t hash) {
    std::size_t const mask = names_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        NameSlot& slot = names_[i];
        if (slot.text == nullptr ||
            (slot.hash == hash && slot.length == text.size() &&
             fl::text::sameUnits(std::u16string_view(slot.text, slot.length), text))) {
            return slot;
        }
    }
}

template std::u16string_view AstNodeAllocator::internUnits(std::u16string_view, std::uint32_t);
template std::u16string_view AstNodeAllocator::internUnits(std::string_view, std::uint32_t);

void AstNodeAllocator::growNames() {
    std::vector<NameSlot> old(names_.size() * 2);
    old.swap(names_);
    std::size_t const mask = names_.size() - 1;
    for (NameSlot const& name : old) {
        if (name.text == nullptr) {
            continue;
        }
        std::size_t i = name.hash & mask;
        while (names_[i].text != nullptr) {
            i = (i + 1) & mask;
        }
        names_[i] = name;
    }
}

void AstNodeAllocator::addCleanup(std::function<void()> cleanup) {
    cleanups_.push_back(std::move(cleanup));
}

}  // namespace lf::astapi
