#include "front_end/import/Features.hpp"

#include <atomic>

namespace lf::features {

namespace {
std::atomic<bool> packageImportsOn{false};
}

bool isPackageImportsFeatureOn() {
    return packageImportsOn.load(std::memory_order_relaxed);
}

void setPackageImportsFeature(bool on) {
    packageImportsOn.store(on, std::memory_order_relaxed);
}

}  // namespace lf::features
