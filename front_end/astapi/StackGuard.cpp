#include "front_end/astapi/StackGuard.hpp"

#include <pthread.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <limits>
#include <new>

// g++ announces the sanitizers with macros, clang++ as features.
#if defined(__SANITIZE_ADDRESS__)
#define KORVEX_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEX_ASAN_FIBERS 1
#endif
#endif
#if defined(KORVEX_ASAN_FIBERS)
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif

#if defined(__SANITIZE_THREAD__)
#define KORVEX_TSAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KORVEX_TSAN_FIBERS 1
#endif
#endif
#if defined(KORVEX_TSAN_FIBERS)
#include <sanitizer/tsan_interface.h>
#endif

namespace fe::astapi {

namespace {

// What a walk may use between two checks, and the size of a fresh segment.
// Sanitizer builds have much larger frames.
#if defined(KORVEX_ASAN_FIBERS) || defined(KORVEX_TSAN_FIBERS)
constexpr std::size_t kReserve = std::size_t{1} << 20;
#else
constexpr std::size_t kReserve = std::size_t{256} << 10;
#endif
constexpr std::size_t kSegmentSize = std::size_t{8} << 20;

// How deep a walk may go on one stack before it moves to a fresh segment.
// The thread sanitizer records the calls of each stack (each fiber) and
// cannot keep more than 65536 of them: at 16 bytes or more a frame, half a
// megabyte stays below that. Elsewhere only the stack's size bounds a walk.
#if defined(KORVEX_TSAN_FIBERS)
constexpr std::size_t kDepthBudget = std::size_t{512} << 10;
#else
constexpr std::size_t kDepthBudget = std::numeric_limits<std::size_t>::max();
#endif

// The limit of a walk that starts at `start` on a stack whose reserve ends
// at `reserveEnd`.
std::uintptr_t walkLimit(std::uintptr_t reserveEnd, std::uintptr_t start) {
    return start > reserveEnd && start - reserveEnd > kDepthBudget ? start - kDepthBudget
                                                                   : reserveEnd;
}

// The limit before the thread's stack is learned (every address is below
// it), and when its bounds cannot be learned (no address is).
constexpr std::uintptr_t kUnlearnedLimit = std::numeric_limits<std::uintptr_t>::max();
constexpr std::uintptr_t kUnknownLimit = 0;

std::uintptr_t threadStackLimit(std::uintptr_t start) {
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) {
        return kUnknownLimit;
    }
    void* lowest = nullptr;
    std::size_t size = 0;
    int const status = pthread_attr_getstack(&attributes, &lowest, &size);
    pthread_attr_destroy(&attributes);
    if (status != 0 || size <= kReserve) {
        return kUnknownLimit;
    }
    return walkLimit(reinterpret_cast<std::uintptr_t>(lowest) + kReserve, start);
}

// The hand-over between a walk and the segment it continues on.
struct Continuation {
    void (*body)(void*);
    void* context;
    ucontext_t caller;
    ucontext_t segment;
    std::exception_ptr error;
    void const* callerBottom = nullptr;
    std::size_t callerSize = 0;
#if defined(KORVEX_TSAN_FIBERS)
    // The thread sanitizer's view of the caller's stack, to switch back to.
    void* callerFiber = nullptr;
#endif
};

// makecontext passes int arguments only; the segment is entered on the
// thread that hands it over, right after this is set.
thread_local Continuation* tEntering = nullptr;

void enterSegment() {
    Continuation& continuation = *tEntering;
#if defined(KORVEX_ASAN_FIBERS)
    __sanitizer_finish_switch_fiber(nullptr, &continuation.callerBottom, &continuation.callerSize);
#endif
    try {
        continuation.body(continuation.context);
    } catch (...) {
        continuation.error = std::current_exception();
    }
#if defined(KORVEX_ASAN_FIBERS)
    __sanitizer_start_switch_fiber(nullptr, continuation.callerBottom, continuation.callerSize);
#endif
#if defined(KORVEX_TSAN_FIBERS)
    __tsan_switch_to_fiber(continuation.callerFiber, 0);
#endif
    setcontext(&continuation.caller);
}

// A stack segment, mapped on demand: only the pages a walk touches cost
// memory.
class Segment {
  public:
    Segment()
        : base_(mmap(nullptr, kSegmentSize, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0)) {
        if (base_ == MAP_FAILED) {
            throw std::bad_alloc();
        }
    }
    ~Segment() {
#if defined(KORVEX_ASAN_FIBERS)
        __asan_unpoison_memory_region(base_, kSegmentSize);
#endif
        munmap(base_, kSegmentSize);
    }
    Segment(Segment const&) = delete;
    Segment& operator=(Segment const&) = delete;

    void* base() const {
        return base_;
    }

  private:
    void* base_;
};

}  // namespace

namespace detail {

constinit thread_local std::uintptr_t tStackLimit = kUnlearnedLimit;

bool stackIsLowPastLimit() noexcept {
    auto const frame = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (tStackLimit == kUnlearnedLimit) [[unlikely]] {
        tStackLimit = threadStackLimit(frame);
    }
    return frame < tStackLimit;
}

}  // namespace detail

void runOnFreshStack(void (*body)(void*), void* context) {
    Segment const segment;
    Continuation continuation{body, context, {}, {}, nullptr};
    getcontext(&continuation.segment);
    continuation.segment.uc_stack.ss_sp = segment.base();
    continuation.segment.uc_stack.ss_size = kSegmentSize;
    continuation.segment.uc_link = nullptr;
    makecontext(&continuation.segment, enterSegment, 0);

    std::uintptr_t const savedLimit = detail::tStackLimit;
    auto const base = reinterpret_cast<std::uintptr_t>(segment.base());
    detail::tStackLimit = walkLimit(base + kReserve, base + kSegmentSize);
    tEntering = &continuation;
#if defined(KORVEX_ASAN_FIBERS)
    void* fakeStack = nullptr;
    __sanitizer_start_switch_fiber(&fakeStack, segment.base(), kSegmentSize);
#endif
#if defined(KORVEX_TSAN_FIBERS)
    continuation.callerFiber = __tsan_get_current_fiber();
    void* const segmentFiber = __tsan_create_fiber(0);
    __tsan_switch_to_fiber(segmentFiber, 0);
#endif
    swapcontext(&continuation.caller, &continuation.segment);
#if defined(KORVEX_TSAN_FIBERS)
    __tsan_destroy_fiber(segmentFiber);
#endif
#if defined(KORVEX_ASAN_FIBERS)
    __sanitizer_finish_switch_fiber(fakeStack, nullptr, nullptr);
#endif
    detail::tStackLimit = savedLimit;
    if (continuation.error) {
        std::rethrow_exception(continuation.error);
    }
}

}  // namespace fe::astapi
