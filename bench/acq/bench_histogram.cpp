// The shared histogram: one displayed waveform added per acquisition, and a window rebuilt from a
// sparse hit map (only the blocks ever hit are visited).
#include <benchmark/benchmark.h>

#include <cmath>

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
