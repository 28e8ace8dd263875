#include <benchmark/benchmark.h>

#include "core/GaussianNoise.h"

namespace {

// The simulator draws one value per sample point.
void BM_RandomGaussian(benchmark::State& state) {
    vt::TGaussianRandom random;
    for (auto _ : state) {
        benchmark::DoNotOptimize(random.RandomGaussian(0.01, 0.5));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RandomGaussian);

}  // namespace
