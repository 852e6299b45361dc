#pragma once
// Walks of deep trees. A chain of left-associative operators, as code
// generators write them, makes a tree as deep as the chain is long, and the
// walks recurse along it. Instead of limiting the depth, a walk that finds
// its stack running low continues on a fresh stack segment and comes back
// to the old one when that part of the walk is done.

#include <cstdint>
#include <type_traits>
#include <utility>

namespace fe::astapi {

namespace detail {
// The lowest address a walk may reach on the stack it runs on. Until the
// thread's stack bounds are learned it is the highest address, so that the
// first check takes the out-of-line path that learns them. Read at every
// node, hence the cheapest thread-local access.
[[gnu::tls_model("initial-exec")]] extern constinit thread_local std::uintptr_t tStackLimit;

// The check past the limit: learns the limit on the thread's first check,
// then compares again.
bool stackIsLowPastLimit() noexcept;
}  // namespace detail

// Whether less than the reserve a walk keeps for one level (a few hundred
// kilobytes) is left on the stack of the calling thread. One comparison
// once the thread's stack is known.
inline bool stackIsLow() noexcept {
    if (reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) < detail::tStackLimit)
        [[unlikely]] {
        return detail::stackIsLowPastLimit();
    }
    return false;
}

// Runs `body(context)` on a fresh stack segment of the calling thread and
// returns when it returns; an exception it throws is rethrown here.
void runOnFreshStack(void (*body)(void*), void* context);

// Calls `step()`, on a fresh stack segment when the current one runs low.
template <class Step>
void withEnoughStack(Step&& step) {
    if (stackIsLow()) [[unlikely]] {
        using S = std::remove_reference_t<Step>;
        runOnFreshStack([](void* context) { (*static_cast<S*>(context))(); }, &step);
    } else {
        std::forward<Step>(step)();
    }
}

}  // namespace fe::astapi
