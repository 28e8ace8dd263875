#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "core/RunningStat.h"

namespace {

// Edge times of a jittering signal: a large offset and a small spread, in no order.
std::vector<double> JitteredTimes() {
    std::vector<double> v(1 << 16);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = 1e-3 + 1e-12 * std::sin(static_cast<double>(i) * 0.77);
    return v;
}

}  // namespace

// Target for every stream of the last-N window at N = 8192: at most 50 ns per add.

// Jittered edge times: at single precision they all round to one value, so each departing value
// equals the held extremes.
static void BM_ModedStatAddLastN8192(benchmark::State& state) {
    const auto values = JitteredTimes();
    vt::TModedStat s;
    s.SetMode(1, 8192);
    std::size_t i = 0;
    for (auto _ : state) {
        s.Add(1, values[i]);
        i = (i + 1) & (values.size() - 1);
    }
    benchmark::DoNotOptimize(s.StdDev);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ModedStatAddLastN8192);

// A steady value (a cycle count, a quantised level): every departing value is both extremes.
static void BM_ModedStatAddLastN8192Constant(benchmark::State& state) {
    vt::TModedStat s;
    s.SetMode(1, 8192);
    for (auto _ : state) s.Add(1, 0.25);
    benchmark::DoNotOptimize(s.Max);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ModedStatAddLastN8192Constant);

// A rising value (a drifting delay): every departing value is the minimum.
static void BM_ModedStatAddLastN8192Ramp(benchmark::State& state) {
    vt::TModedStat s;
    s.SetMode(1, 8192);
    double x = 0;
    for (auto _ : state) {
        s.Add(1, x);
        x += 1;
    }
    benchmark::DoNotOptimize(s.Min);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ModedStatAddLastN8192Ramp);
