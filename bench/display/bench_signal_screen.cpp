#include <benchmark/benchmark.h>

#include "BenchDisplaySupport.h"

#include <QGuiApplication>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "acq/SignalSources.h"
#include "display/PersistenceLayers.h"
#include "display/ScreenColors.h"
#include "display/ScreenLayers.h"
#include "display/SignalScreen.h"

using namespace vt;

namespace {

// What the traces show: the two channels in the default style (variable persistence) with a noisy
// sine each; the first channel over the whole plot, colour graded or in persistence (a noise record
// that has visited every cell); or the default traces with two intensified ranges.
enum TScreenState { scDefaultTraces, scGradedOverPlot, scPersistenceOverPlot, scIntensifiedRange, scStateCount };
const char* const StateNames[] = {"persistence traces (default)", "colour grade over the plot",
                                  "persistence over the plot", "intensified ranges"};

constexpr int RecordPoints = 2048;
constexpr int Sweeps = 24;

// One screen of the panel built from the program's own layers: Grid graticule and two trace layers
// in the program's colours, fed sweep by sweep as the acquisition feeds them.
struct TLoadedScreen {
    TLoadedScreen(TScreenSink* sink, int width, int height, TScreenState state)
        : Screen(sink), Grat("grat", false, slGraticule, height, width - ScreenMargin) {
        Screen.Resize(0, 0, width, height);
        Screen.SetColor(TColor(0x1F1F00));
        Grat.SetSignalScreenAndRegisterSelfInIt(&Screen);
        Grat.SetLayerColorAndOpacity(TColor(0xFF4F6F00));
        Grat.SetDivisionCount(8);
        Grat.SetStyle(gsGrid);
        const int columns = width - ScreenMargin;
        if (state == scGradedOverPlot) {
            auto graded = std::make_unique<TColorGrSignalLayer>("ch1", false, slCh1, height, columns);
            graded->SetClockSource(&Clock);
            Ch1 = std::move(graded);
        } else {
            auto persist = std::make_unique<TPersistSignalLayer>("ch1", false, slCh1, height, columns);
            persist->SetClockSource(&Clock);
            persist->SetPersistTime(10);
            Ch1 = std::move(persist);
        }
        auto ch2 = std::make_unique<TPersistSignalLayer>("ch2", false, slCh2, height, columns);
        ch2->SetClockSource(&Clock);
        ch2->SetPersistTime(10);
        Ch2 = std::move(ch2);
        Ch1->SetSource(ssCh1);
        Ch2->SetSource(ssCh2);
        for (TParentSignalLayer* layer : {Ch1.get(), Ch2.get()}) {
            layer->SetSignalScreenAndRegisterSelfInIt(&Screen);
            layer->SetLayerColorAndOpacity(SourceColor(layer->GetSource()).WithAlpha(0xFF));
        }
        if (auto* graded = dynamic_cast<TColorGrSignalLayer*>(Ch1.get()))
            for (int k = 1; k <= GradeCount; ++k)
                graded->SetGradeColor(k, TColor(InitialGradeColors[static_cast<std::size_t>(GradeCount - k)]));
        const bool overPlot = state == scGradedOverPlot || state == scPersistenceOverPlot;
        // A noise record steps every point through every row, one row a sweep.
        const int noiseSweeps = overPlot ? height - 1 : 0;
        std::mt19937 random(7);
        std::normal_distribution<double> noise(0, 0.05);
        for (int sweep = 0; sweep < Sweeps + noiseSweeps; ++sweep) {
            ++Clock;
            const bool noiseSweep = sweep < noiseSweeps;
            for (TParentSignalLayer* layer : {Ch1.get(), Ch2.get()}) {
                const double phase = layer == Ch1.get() ? 0.0 : 1.5;
                layer->SetScales(RecordPoints, 1.0, 0.0);
                Screen.BeginUpdate();
                for (int n = 0; n < RecordPoints; ++n) {
                    double value = 3 * std::sin(n * 0.01 + phase) + noise(random);
                    if (noiseSweep && layer == Ch1.get()) {
                        const int row = 1 + (n * 37 + sweep) % (height - 2);
                        value = (layer->HalfHeight() - row) / layer->Scale();
                    }
                    layer->PutPoint(n, value);
                }
                Screen.EndUpdate();
            }
        }
        if (state == scIntensifiedRange) Screen.SetIntensifiedRanges(600, 800, 2400, 900);
    }
    ~TLoadedScreen() {
        for (TParentSignalLayer* layer : {Ch1.get(), Ch2.get()}) {
            layer->Erase();
            layer->Unregister();
        }
    }
    TSignalScreen Screen;
    TGraticLayer Grat;
    std::uint32_t Clock = 1;
    std::unique_ptr<TParentSignalLayer> Ch1, Ch2;
};

// The four screens of the 4YT layout: 522 x 81 in the default 792 x 575 window; 1672 wide at 1920 x 1080.
// Targets: at most 8 ms at 1672 x 200 (a frame of a 120 Hz display with room to spare), at most 2 ms
// at 522 x 81, in every state.
void BM_RedrawAllFourScreens(benchmark::State& state) {
    bench::TCountingSink sink;
    const auto screenState = static_cast<TScreenState>(state.range(2));
    std::vector<std::unique_ptr<TLoadedScreen>> screens;
    for (int i = 0; i < 4; ++i)
        screens.push_back(std::make_unique<TLoadedScreen>(&sink, static_cast<int>(state.range(0)),
                                                          static_cast<int>(state.range(1)), screenState));
    std::int64_t owned = 0;
    for (auto& s : screens)
        for (int y = 0; y < s->Screen.Height(); ++y)
            for (int x = s->Screen.FirstLayerX(); x < s->Screen.Width() + s->Screen.FirstLayerX(); ++x)
                owned += s->Screen.OwnerWord(x, y) != 0;
    for (auto _ : state)
        for (auto& s : screens) s->Screen.RedrawAll();
    state.SetItemsProcessed(state.iterations() * 4 * state.range(0) * state.range(1));
    state.SetLabel(StateNames[screenState]);
    state.counters["owned_pixels"] = static_cast<double>(owned);
}
// A tenth of a second each even in a brief run: the figure is a redraw of warm screens, as the running
// program redraws them, not the first touch of a few megabytes.
BENCHMARK(BM_RedrawAllFourScreens)
    ->ArgsProduct({{522}, {81}, {scDefaultTraces, scGradedOverPlot, scPersistenceOverPlot, scIntensifiedRange}})
    ->ArgsProduct({{1672}, {200}, {scDefaultTraces, scGradedOverPlot, scPersistenceOverPlot, scIntensifiedRange}})
    ->MinTime(0.1)
    ->Unit(benchmark::kMillisecond);

// A trace pixel set and cleared again over the graticule and the traces: the cost must not depend on
// the screen's size.
void BM_SetAndClearLayerPixel(benchmark::State& state) {
    bench::TCountingSink sink;
    TLoadedScreen s(&sink, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), scDefaultTraces);
    const int columns = s.Ch1->MaxX() + 1;
    const int y = s.Ch1->MaxY() / 3;
    for (auto _ : state) {
        s.Screen.BeginUpdate();
        for (int x = 0; x < 500; ++x) {
            s.Screen.SetLayerPixel(slCh1, x % columns, y);
            s.Screen.ClearLayerPixel(slCh1, x % columns, y);
        }
        s.Screen.EndUpdate();
        bench::ReadFrame(s.Screen);
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_SetAndClearLayerPixel)->Args({522, 81})->Args({1672, 833});

}  // namespace
