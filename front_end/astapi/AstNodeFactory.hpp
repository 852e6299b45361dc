#pragma once
// Creates nodes, lists and names in a tree's allocator.

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>

#include "front_end/astapi/AstNodeAllocator.hpp"
#include "front_end/astapi/Nodes.hpp"

namespace fe::astapi {

class AstNodeFactory {
  public:
    AstNodeFactory() : allocator_(std::make_shared<lf::astapi::AstNodeAllocator>()) {}
    explicit AstNodeFactory(std::shared_ptr<lf::astapi::AstNodeAllocator> allocator)
        : allocator_(std::move(allocator)) {}

    std::shared_ptr<lf::astapi::AstNodeAllocator> const& allocator() const { return allocator_; }

    // A node of class T and the given kind; the remaining arguments follow
    // the class's constructor. A kind that T does not stand for is refused.
    template <class T, class... Args>
    T* create(lf::astapi::NodeKind kind, std::uint32_t position, Args&&... args) {
        constexpr bool isExtension = std::is_base_of_v<lf::astapi::ExtensionNode, T>;
        if (isExtension ? kind != lf::astapi::NodeKind::Extension
                        : !lf::astapi::isKindOf<T>(kind)) {
            throw std::invalid_argument("node kind does not match the node class");
        }
        void* memory = allocator_->allocate(sizeof(T), alignof(T));
        T* node = new (memory) T(kind, position, std::forward<Args>(args)...);
        if constexpr (!std::is_trivially_destructible_v<T>) {
            allocator_->addCleanup([node] { node->~T(); });
        }
        return node;
    }

    lf::astapi::Identifier* createIdentifier(std::uint32_t position, std::u16string_view name) {
        return create<lf::astapi::Identifier>(lf::astapi::NodeKind::Identifier, position,
                                              intern(name));
    }

    std::u16string_view intern(std::u16string_view text) { return allocator_->intern(text); }
    // Interns the UTF-16 text that the ASCII text `ascii` widens to.
    std::u16string_view internAscii(std::string_view ascii) {
        return allocator_->internAscii(ascii);
    }

    template <class T>
    lf::astapi::NodeList<T> createList(std::span<T* const> items) {
        if (items.empty()) {
            return {};
        }
        T** array = allocator_->allocateArray<T>(items.size());
        std::copy(items.begin(), items.end(), array);
        return {array, static_cast<std::uint32_t>(items.size())};
    }
    template <class T>
    lf::astapi::NodeList<T> createList(std::initializer_list<T*> items) {
        return createList(std::span<T* const>(items.begin(), items.size()));
    }

  private:
    std::shared_ptr<lf::astapi::AstNodeAllocator> allocator_;
};

}  // namespace fe::astapi

namespace lf::astapi {
using fe::astapi::AstNodeFactory;
}
