#include "foundation/output/PrintfIsHot.hpp"

#include <atomic>

namespace {

std::atomic<bool> printfIsHot{false};

}  // namespace

bool utPrintfIsHot() {
    return printfIsHot.load(std::memory_order_relaxed);
}

void setPrintfIsHot(bool hot) {
    printfIsHot.store(hot, std::memory_order_relaxed);
}
