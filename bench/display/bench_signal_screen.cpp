#include <benchmark/benchmark.h>

#include "BenchDisplaySupport.h"

#include <QGuiApplication>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "display/ScreenLayers.h"
#include "display/SignalScreen.h"

using namespace vt;

namespace {

class TPlainLayer : public TScreenLayer {
public:
    using TScreenLayer::TScreenLayer;
    TColor CellColor(int, int) const override { return Color(); }
    bool UniformColor() const override { return true; }
};

// One screen of the panel: Grid graticule, a translucent layer over the whole plot and two traces.
struct TLoadedScreen {
    TLoadedScreen(TScreenSink* sink, int width, int height)
        : Screen(sink),
          Grat("grat", false, slGraticule, height, width - ScreenMargin),
          Plot("plot", false, slDatabase, height, width - ScreenMargin),
          Ch1("ch1", false, slCh1, height, width - ScreenMargin),
          Ch2("ch2", false, slCh2, height, width - ScreenMargin) {
        Screen.Resize(0, 0, width, height);
        Screen.SetColor(TColor(0x1F1F00));
        for (TScreenLayer* layer : {static_cast<TScreenLayer*>(&Grat), static_cast<TScreenLayer*>(&Plot),
                                    static_cast<TScreenLayer*>(&Ch1), static_cast<TScreenLayer*>(&Ch2)})
            layer->SetSignalScreenAndRegisterSelfInIt(&Screen);
        Grat.SetLayerColorAndOpacity(TColor(0xFF4F6F00));
        Grat.SetDivisionCount(8);
        Grat.SetStyle(gsGrid);
        Plot.SetLayerColorAndOpacity(TColor(0x40FFFFFF));
        Ch1.SetLayerColorAndOpacity(TColor(0xFF00FFFF));
        Ch2.SetLayerColorAndOpacity(TColor(0xFF00FF00));
        Plot.BeginUpdate();
        for (int y = 1; y < Plot.MaxY(); ++y)
            for (int x = 1; x < Plot.MaxX(); ++x) {
                Plot.SetCell(x, y, 1);
                Plot.SetPixel(x, y);
            }
        Plot.EndUpdate();
        DrawTrace(Ch1, 0.0);
        DrawTrace(Ch2, 1.5);
    }
    static void DrawTrace(TPlainLayer& layer, double phase) {
        layer.BeginUpdate();
        const double mid = layer.MaxY() / 2.0;
        for (int x = 0; x <= layer.MaxX(); ++x) {
            const int y = static_cast<int>(mid + (mid - 1) * std::sin(x * 0.05 + phase));
            layer.SetCell(x, y, 1);
            layer.SetPixel(x, y);
        }
        layer.EndUpdate();
    }
    TSignalScreen Screen;
    TGraticLayer Grat;
    TPlainLayer Plot, Ch1, Ch2;
};

// The four screens of the 4YT layout: 522 x 81 in the default 792 x 575 window; 1672 wide at 1920 x 1080.
// Targets: at most 8 ms at 1672 x 200 (a frame of a 120 Hz display with room to spare), at most 2 ms
// at 522 x 81.
void BM_RedrawAllFourScreens(benchmark::State& state) {
    bench::TCountingSink sink;
    std::vector<std::unique_ptr<TLoadedScreen>> screens;
    for (int i = 0; i < 4; ++i)
        screens.push_back(std::make_unique<TLoadedScreen>(&sink, static_cast<int>(state.range(0)),
                                                          static_cast<int>(state.range(1))));
    for (auto _ : state)
        for (auto& s : screens) s->Screen.RedrawAll();
    state.SetItemsProcessed(state.iterations() * 4 * state.range(0) * state.range(1));
}
BENCHMARK(BM_RedrawAllFourScreens)->Args({522, 81})->Args({1672, 200})->Unit(benchmark::kMillisecond);

// A trace pixel set and cleared again over the graticule and the translucent plot: the cost must
// not depend on the screen's size.
void BM_SetAndClearLayerPixel(benchmark::State& state) {
    bench::TCountingSink sink;
    TLoadedScreen s(&sink, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const int columns = s.Ch1.MaxX() + 1;
    const int y = s.Ch1.MaxY() / 3;
    for (auto _ : state) {
        s.Screen.BeginUpdate();
        for (int x = 0; x < 500; ++x) {
            s.Screen.SetLayerPixel(slCh1, x % columns, y);
            s.Screen.ClearLayerPixel(slCh1, x % columns, y);
        }
        s.Screen.EndUpdate();
    }
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_SetAndClearLayerPixel)->Args({522, 81})->Args({1672, 833});

}  // namespace
