#include <benchmark/benchmark.h>

#include "core/Numeric.h"

static void BM_RoundHalfEven(benchmark::State& state) {
    double v = 0.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vt::RoundHalfEven(v));
        v += 0.25;
    }
}
BENCHMARK(BM_RoundHalfEven);
