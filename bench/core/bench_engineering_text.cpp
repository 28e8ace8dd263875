#include <benchmark/benchmark.h>

#include "core/EngineeringText.h"

namespace {

// Readouts and setting texts are formatted many times per screen refresh.
void BM_FloatToEngStr(benchmark::State& state) {
    const double values[] = {0.0005, 1500, -2.5e-9, 4.2e9, 3.3, 0.0, 1e20, 123.456e-12};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(vt::FloatToEngStr(3, 4, false, true, values[i++ & 7]));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FloatToEngStr);

}  // namespace
