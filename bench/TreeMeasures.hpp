#pragma once
// Measures that the benchmarks report about syntax trees and the process.

#include <sys/resource.h>

#include <cstddef>

#include "front_end/astapi/AstDispatcher.hpp"

namespace korvex::bench {

// A bare walk: visits every node of a tree once with the tree's dispatcher,
// counting them.
class NodeCounter
    : public fe::astapi::AstDispatcher<NodeCounter, fe::astapi::KorvexTree, fe::astapi::Const> {
  public:
    template <class T>
    void visit(T const& node) {
        ++count;
        walkChildren(node);
    }
    std::size_t count = 0;
};

// The process's peak resident size so far.
inline double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

}  // namespace korvex::bench
