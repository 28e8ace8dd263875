#include <benchmark/benchmark.h>

#include "BenchDisplaySupport.h"

#include <QGuiApplication>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <span>
#include <vector>

#include "acq/SignalSources.h"
#include "display/DisplayPanel.h"

using namespace vt;

namespace {

// A 4096-point sine over the YT screen of a panel (Grid graticule), one sweep per iteration in one
// batch, the trace one row lower or higher each sweep so that every point moves. The points go to the
// layer in runs of 128, as the acquisition hands over the points of each read.
void PlotSweeps(benchmark::State& state, bool vectors) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    bench::TCountingSink sink;
    TScopeCRT crt(TScopeCRT::TProgram{});
    crt.SetSink(&sink);
    crt.PlacePanel(0, 0, height, width);
    TParentSignalLayer* layer = vectors ? crt.VectorLayer(ssCh1) : crt.DotLayer(ssCh1);
    if (!layer) {
        state.SkipWithError("no screen");
        return;
    }
    constexpr int Points = 4096;
    const double perDivision = 0.2;
    layer->SetScales(Points, perDivision, 0);
    std::vector<double> sine(Points);
    for (int i = 0; i < Points; ++i) sine[static_cast<std::size_t>(i)] = 0.6 * std::sin(2 * std::numbers::pi * i / 800.0);
    const double row = 1 / layer->Scale();
    TSignalScreen& screen = *crt.Screen(1);
    constexpr int Run = 128;
    std::vector<double> shifted(Points);
    int sweep = 0;
    for (auto _ : state) {
        const double shift = (sweep++ & 1) * row;
        layer->SetScales(Points, perDivision, 0);
        screen.BeginUpdate();
        for (int i = 0; i < Points; ++i) shifted[static_cast<std::size_t>(i)] = sine[static_cast<std::size_t>(i)] + shift;
        for (int first = 0; first < Points; first += Run)
            layer->PutPoints(first, std::span<const double>(shifted).subspan(static_cast<std::size_t>(first), Run));
        screen.EndUpdate();
    }
    state.SetItemsProcessed(state.iterations() * Points);
    state.counters["copies"] = static_cast<double>(sink.Copies);
}

void BM_DotSweep(benchmark::State& state) { PlotSweeps(state, false); }
void BM_VectorSweep(benchmark::State& state) { PlotSweeps(state, true); }

}  // namespace

// The default window's panel (a 522 x 321 YT screen), and a 1920 x 1080 panel.
BENCHMARK(BM_DotSweep)->Args({548, 450})->Args({1920, 1080});
BENCHMARK(BM_VectorSweep)->Args({548, 450})->Args({1920, 1080});
