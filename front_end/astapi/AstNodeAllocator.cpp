#include "front_end/astapi/AstNodeAllocator.hpp"

#include <algorithm>
#include <cstdint>

namespace lf::astapi {

AstNodeAllocator::~AstNodeAllocator() {
    while (!cleanups_.empty()) {
        auto cleanup = std::move(cleanups_.back());
        cleanups_.pop_back();
        cleanup();
    }
}

void* AstNodeAllocator::allocate(std::size_t size, std::size_t alignment) {
    auto aligned = [alignment](std::byte* p) {
        auto address = reinterpret_cast<std::uintptr_t>(p);
        return reinterpret_cast<std::byte*>((address + alignment - 1) & ~(alignment - 1));
    };
    bytesAllocated_ += size;
    // Large requests get a block of their own, so that the current block
    // keeps serving small ones.
    if (size > kBlockSize / 4) {
        std::size_t blockSize = size + alignment;
        blocks_.emplace_back(new std::byte[blockSize]);
        return aligned(blocks_.back().get());
    }
    std::byte* start = cursor_ == nullptr ? nullptr : aligned(cursor_);
    if (start == nullptr || start + size > limit_) {
        blocks_.emplace_back(new std::byte[kBlockSize]);
        cursor_ = blocks_.back().get();
        limit_ = cursor_ + kBlockSize;
        start = aligned(cursor_);
    }
    cursor_ = start + size;
    return start;
}

std::u16string_view AstNodeAllocator::intern(std::u16string_view text) {
    if (auto found = names_.find(text); found != names_.end()) {
        return *found;
    }
    auto* copy = static_cast<char16_t*>(
        allocate(std::max<std::size_t>(text.size(), 1) * sizeof(char16_t), alignof(char16_t)));
    std::copy(text.begin(), text.end(), copy);
    std::u16string_view stored(copy, text.size());
    names_.insert(stored);
    return stored;
}

void AstNodeAllocator::addCleanup(std::function<void()> cleanup) {
    cleanups_.push_back(std::move(cleanup));
}

}  // namespace lf::astapi
