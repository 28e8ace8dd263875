// The shared histogram: one displayed waveform added per acquisition, and a window rebuilt from a
// sparse hit map (only the blocks ever hit are visited).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"

namespace {

void FillSine(vt::TSignalObj& s) {
    s.SetLength(4096);
    for (int i = 0; i < 4096; ++i) s.SetPoint(i, 0.3 * std::sin(i * 0.01));
}

void BM_AddSignalToHist(benchmark::State& state) {
    vt::TFullHist hist;
    vt::TSignalObj signal;
    FillSine(signal);
    for (auto _ : state) vt::AddSignalToHist(hist, signal);
    state.SetItemsProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_AddSignalToHist);

void BM_RecomputeWindowSparse(benchmark::State& state) {
    vt::TFullHist hist;
    vt::TSignalObj signal;
    FillSine(signal);
    for (int i = 0; i < 16; ++i) vt::AddSignalToHist(hist, signal);
    hist.SetWindow(0, 1022, 2, 4000);
    bool vertical = false;
    for (auto _ : state) {
        vertical = !vertical;
        hist.SetVertical(vertical);  // each change rebuilds the bins from the map
    }
}
BENCHMARK(BM_RecomputeWindowSparse);

}  // namespace

namespace {

// Records of an NRZ eye (a random bit per point, noise) folded into a map left as the eye engine
// leaves it: not active, plain counts, a horizontal window over a band of rows.
void BM_EyeFold(benchmark::State& state) {
    vt::TFullHist hist;
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0, 0.005);
    std::bernoulli_distribution coin(0.5);
    constexpr int Records = 16;
    std::vector<vt::TSignalObj> records(Records);
    for (vt::TSignalObj& s : records) {
        s.SetLength(4096);
        s.SetVertScale(0.1);
        for (int i = 0; i < 4096; ++i) s.SetPoint(i, (coin(rng) ? 0.25 : -0.25) + noise(rng));
    }
    vt::AddSignalToHist(hist, records[0]);
    hist.Setup(false, 0, 400, 4000, 600);
    std::size_t n = 0;
    for (auto _ : state) vt::AddSignalToHist(hist, records[n++ % Records]);
    state.SetItemsProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_EyeFold);

}  // namespace
