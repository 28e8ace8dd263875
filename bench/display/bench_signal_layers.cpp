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
// layer in runs of 128, as the acquisition hands over the points of each read. The window reads the
// screen once a frame: after every sweep (about as many acquisitions a second as frames), or after
// every fourth (short records acquired faster than the window paints).
void PlotSweeps(benchmark::State& state, bool vectors) {
    const int sweepsAFrame = static_cast<int>(state.range(2));
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
        screen.BeginUpdate();
        for (int k = 0; k < sweepsAFrame; ++k) {
            const double shift = (sweep++ & 1) * row;
            layer->SetScales(Points, perDivision, 0);
            screen.BeginUpdate();
            for (int i = 0; i < Points; ++i) shifted[static_cast<std::size_t>(i)] = sine[static_cast<std::size_t>(i)] + shift;
            for (int first = 0; first < Points; first += Run)
                layer->PutPoints(first, std::span<const double>(shifted).subspan(static_cast<std::size_t>(first), Run));
            screen.EndUpdate();
        }
        screen.EndUpdate();
        bench::ReadFrame(screen);
    }
    state.SetItemsProcessed(state.iterations() * sweepsAFrame * Points);
    state.counters["copies"] = static_cast<double>(sink.Copies);
}

void BM_DotSweep(benchmark::State& state) { PlotSweeps(state, false); }
void BM_VectorSweep(benchmark::State& state) { PlotSweeps(state, true); }

}  // namespace

// The default window's panel (a 522 x 321 YT screen), and a 1920 x 1080 panel; sweeps a frame.
BENCHMARK(BM_DotSweep)->ArgsProduct({{548}, {450}, {1, 4}})->ArgsProduct({{1920}, {1080}, {1, 4}});
BENCHMARK(BM_VectorSweep)->ArgsProduct({{548}, {450}, {1, 4}})->ArgsProduct({{1920}, {1080}, {1, 4}});
