#include <benchmark/benchmark.h>

#include "BenchDisplaySupport.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "acq/SignalSources.h"
#include "display/DisplayPanel.h"
#include "display/PersistenceLayers.h"

using namespace vt;

namespace {

// Every plot cell of the layer marked and lit, with a stamp that spreads the cells over 100 values.
template <class TBase>
struct TFilledLayer : TBase {
    using TBase::TBase;
    void Fill(std::uint32_t base) {
        this->BeginUpdate();
        for (int y = 1; y < this->MaxY(); ++y)
            for (int x = 1; x < this->MaxX(); ++x) {
                this->Stamps_[static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * static_cast<std::size_t>(this->Columns())] =
                    base + static_cast<std::uint32_t>((x * 7 + y) % 100);
                this->MarkCell(x, y);
                this->SetPixel(x, y);
            }
        this->EndUpdate();
        // The filled picture reaches the window here, outside the timed ticks.
        bench::ReadFrame(*this->GetScreen());
    }
};

template <class TLayer>
struct TLayerRig {
    TLayerRig(int width, int height) : Screen(&Sink), Layer("bench", false, slCh1, height, width - ScreenMargin) {
        Screen.Resize(0, 0, width, height);
        Screen.Clear();
        Layer.SetClockSource(&Clock);
        Layer.SetSignalScreenAndRegisterSelfInIt(&Screen);
        Layer.SetLayerColorAndOpacity(TColor(0xFF00FF00));
    }
    ~TLayerRig() {
        Layer.Erase();
        Layer.Unregister();
    }
    bench::TCountingSink Sink;
    TSignalScreen Screen;
    TLayer Layer;
    std::uint32_t Clock = 0;
};

// Each tick expires the 1 % of the cells whose stamp the clock has just passed.
void BM_AgeCells(benchmark::State& state) {
    TLayerRig<TFilledLayer<TPersistSignalLayer>> rig(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    auto& layer = rig.Layer;
    layer.SetPersistTime(0);
    std::uint32_t base = 1;
    layer.Fill(base);
    for (auto _ : state) {
        if (rig.Clock >= base + 100) {
            state.PauseTiming();
            base = rig.Clock;
            layer.Fill(base);
            state.ResumeTiming();
        }
        rig.Clock = rig.Clock < base ? base + 1 : rig.Clock + 1;
        layer.AgeCells(false);
        bench::ReadFrame(rig.Screen);
    }
    state.counters["cells"] = static_cast<double>(layer.MarkedCount());
}

// Every cell regraded, half of them changing level each time.
void BM_RegradeAll(benchmark::State& state) {
    TLayerRig<TFilledLayer<TColorGrSignalLayer>> rig(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    auto& layer = rig.Layer;
    layer.Fill(1);
    std::uint32_t n = 100;
    for (auto _ : state) {
        n = n == 100 ? 200 : 100;
        layer.SetLimits(n);
        bench::ReadFrame(rig.Screen);
    }
}

// Sweeps of a 4096-point sine moving one row each time, after 1,000 sweeps that fill the history.
void PlotHistory(benchmark::State& state, int style) {
    bench::TCountingSink sink;
    TScopeCRT crt(TScopeCRT::TProgram{});
    crt.SetSink(&sink);
    crt.PlacePanel(0, 0, static_cast<int>(state.range(1)), static_cast<int>(state.range(0)));
    TParentSignalLayer* layer = crt.StyleLayer(ssCh1, style);
    if (!layer) {
        state.SkipWithError("no screen");
        return;
    }
    constexpr int Points = 4096;
    std::vector<double> sine(Points);
    for (int i = 0; i < Points; ++i) sine[static_cast<std::size_t>(i)] = 0.6 * std::sin(2 * std::numbers::pi * i / 800.0);
    layer->SetScales(Points, 0.2, 0);
    const double row = 1 / layer->Scale();
    TSignalScreen& screen = *crt.Screen(1);
    int sweep = 0;
    const auto plot = [&] {
        const double shift = (sweep++ % 7) * row;
        layer->SetScales(Points, 0.2, 0);
        screen.BeginUpdate();
        for (int i = 0; i < Points; ++i) layer->PutPoint(i, sine[static_cast<std::size_t>(i)] + shift);
        screen.EndUpdate();
        bench::ReadFrame(screen);
    };
    for (int k = 0; k < 1000; ++k) plot();
    for (auto _ : state) plot();
    state.SetItemsProcessed(state.iterations() * Points);
}

void BM_PersistSweep(benchmark::State& state) { PlotHistory(state, 2); }
void BM_ColorGradeSweep(benchmark::State& state) { PlotHistory(state, 6); }

}  // namespace

// The default window's YT screen (522 x 321), and a 1920 x 1080 screen.
BENCHMARK(BM_AgeCells)->Args({522, 321})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegradeAll)->Args({522, 321})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PersistSweep)->Args({548, 450})->Args({1920, 1080});
BENCHMARK(BM_ColorGradeSweep)->Args({548, 450})->Args({1920, 1080});
