#include "front_end/astapi/StackGuard.hpp"

#include <pthread.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <new>

// g++ announces AddressSanitizer with a macro, clang++ as a feature.
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

namespace fe::astapi {

namespace {

// What a walk may use between two checks, and the size of a fresh segment.
// Sanitizer builds have much larger frames.
#if defined(KORVEX_ASAN_FIBERS)
constexpr std::size_t kReserve = std::size_t{1} << 20;
#else
constexpr std::size_t kReserve = std::size_t{256} << 10;
#endif
constexpr std::size_t kSegmentSize = std::size_t{8} << 20;

// The lowest address the walk may reach on the current stack: 0 until
// learned, 1 (never low) when the stack's bounds cannot be learned. Read at
// every node, hence the cheapest thread-local access.
constexpr std::uintptr_t kUnknownLimit = 1;
[[gnu::tls_model("initial-exec")]] thread_local std::uintptr_t tLimit = 0;

// Kept out of line: stackIsLow runs at every node and should stay small.
[[gnu::noinline]] std::uintptr_t threadStackLimit() {
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
    return reinterpret_cast<std::uintptr_t>(lowest) + kReserve;
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

bool stackIsLow() noexcept {
    if (tLimit == 0) [[unlikely]] {
        tLimit = threadStackLimit();
    }
    return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) < tLimit;
}

void runOnFreshStack(void (*body)(void*), void* context) {
    Segment const segment;
    Continuation continuation{body, context, {}, {}, nullptr};
    getcontext(&continuation.segment);
    continuation.segment.uc_stack.ss_sp = segment.base();
    continuation.segment.uc_stack.ss_size = kSegmentSize;
    continuation.segment.uc_link = nullptr;
    makecontext(&continuation.segment, enterSegment, 0);

    std::uintptr_t const savedLimit = tLimit;
    tLimit = reinterpret_cast<std::uintptr_t>(segment.base()) + kReserve;
    tEntering = &continuation;
#if defined(KORVEX_ASAN_FIBERS)
    void* fakeStack = nullptr;
    __sanitizer_start_switch_fiber(&fakeStack, segment.base(), kSegmentSize);
#endif
    swapcontext(&continuation.caller, &continuation.segment);
#if defined(KORVEX_ASAN_FIBERS)
    __sanitizer_finish_switch_fiber(fakeStack, nullptr, nullptr);
#endif
    tLimit = savedLimit;
    if (continuation.error) {
        std::rethrow_exception(continuation.error);
    }
}

}  // namespace fe::astapi
