#pragma once

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstddef>
#include <vector>

namespace qvbench {

// Items per second, seconds per item (the "per_item" column) and the item count ("items") for a
// benchmark that handles this many items in each iteration.
inline void ReportItems(benchmark::State& state, std::size_t items) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(items));
    state.counters["items"] = static_cast<double>(items);
    state.counters["per_item"] = benchmark::Counter(static_cast<double>(items),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

// The fastest repetition: on a shared machine the other jobs only ever add time, so the minimum
// is the steadiest figure ("_min" rows, with --benchmark_repetitions).
inline double Fastest(const std::vector<double>& runs) {
    return runs.empty() ? 0.0 : *std::min_element(runs.begin(), runs.end());
}

} // namespace qvbench
