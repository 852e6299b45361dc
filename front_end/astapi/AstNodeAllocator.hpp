#pragma once
// Memory of one syntax tree: an arena for nodes, lists and names, the set of
// interned names, and the clean-up functions that must run when the tree
// dies (symbol tables and import lists attached to the tree register there).

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace lf::astapi {

class AstNodeAllocator {
  public:
    AstNodeAllocator() = default;
    AstNodeAllocator(AstNodeAllocator const&) = delete;
    AstNodeAllocator& operator=(AstNodeAllocator const&) = delete;
    // Runs the clean-up functions, newest first, then frees the arena.
    ~AstNodeAllocator();

    void* allocate(std::size_t size, std::size_t alignment);

    template <class T>
    T** allocateArray(std::size_t count) {
        return static_cast<T**>(allocate(count * sizeof(T*), alignof(T*)));
    }

    // The one arena copy of `text`: equal texts give the same view.
    std::u16string_view intern(std::u16string_view text);

    void addCleanup(std::function<void()> cleanup);

    // Bytes handed out so far, for measurements.
    std::size_t bytesAllocated() const { return bytesAllocated_; }

  private:
    static constexpr std::size_t kBlockSize = 64 * 1024;

    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    std::byte* cursor_ = nullptr;
    std::byte* limit_ = nullptr;
    std::size_t bytesAllocated_ = 0;
    std::unordered_set<std::u16string_view> names_;
    std::vector<std::function<void()>> cleanups_;
};

}  // namespace lf::astapi
