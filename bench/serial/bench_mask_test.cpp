// The mask test's two hot spots. The point test runs for every stored sample while the test is on:
// 4,096 samples x 2 channels x 50 passes a second is 0.4 M samples/s, and the engine ingests 80-150 M
// words/s without waiting on it, so it should manage 30 M samples/s. The mask template is rebuilt in
// the busy state on every mask change and resize: 8 ms at 501 x 321 cells, 60 ms at 1,850 x 880.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "display/DrawingSurfaces.h"
#include "display/MaskLayers.h"
#include "display/SignalScreen.h"
#include "serial/CurrentMask.h"
#include "serial/MaskObject.h"

namespace {

using namespace vt;

// An eye mask of three polygons (centre hexagon, bands above and below) with 10 % square margins.
std::unique_ptr<TMask_Obj> EyeMask() {
    TCurrentMask m;
    m.SetKind(mkStdEye);
    m.SetMarginType(mtSquare);
    const std::vector<std::vector<TMaskVertex>> polygons = {
        {{0.25, 0.5}, {0.4, 0.75}, {0.6, 0.75}, {0.75, 0.5}, {0.6, 0.25}, {0.4, 0.25}},
        {{-0.5, 1.2}, {1.5, 1.2}, {1.5, 2.5}, {-0.5, 2.5}},
        {{-0.5, -0.2}, {1.5, -0.2}, {1.5, -1.5}, {-0.5, -1.5}}};
    for (int n = 1; n <= 3; ++n) {
        const auto& v = polygons[static_cast<std::size_t>(n - 1)];
        m.StorePolygon(n, v, 0, static_cast<int>(v.size()));
        m.StorePolygon(n, v, 10, static_cast<int>(v.size()));
    }
    auto obj = std::make_unique<TMask_Obj>();
    obj->SetMarginsOn(true);
    for (int set = 0; set < 2; ++set)
        for (int n = 0; n < 3; ++n) {
            std::vector<double> xs, ys;
            CountedVertices(m.Polygons[static_cast<std::size_t>(set * 4 + n)], xs, ys);
            obj->AddPolygon(set, static_cast<int>(xs.size()), ys.data(), xs.data());
        }
    return obj;
}

// An NRZ eye of 4,096 points: two bits across the screen between rows 320 and 704, raised-cosine
// edges of 400 columns, a little noise.
std::vector<std::pair<int, int>> NrzEye() {
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0, 6);
    std::bernoulli_distribution coin(0.5);
    std::vector<std::pair<int, int>> points;
    int bits[4] = {coin(rng), coin(rng), coin(rng), coin(rng)};
    for (int i = 0; i < 4096; ++i) {
        const double x = i * 4000.0 / 4096;
        const int k = static_cast<int>(x / 1200 + 0.5);
        const double d = x - (k * 1200.0 - 400);
        const double a = bits[std::min(k, 3)], b = bits[std::min(k + 1, 3)];
        const double t = std::clamp(d / 400, 0.0, 1.0);
        const double level = a + (b - a) * (0.5 - 0.5 * std::cos(M_PI * t));
        points.emplace_back(static_cast<int>(x), static_cast<int>(320 + 384 * level + noise(rng)));
    }
    return points;
}

void BM_HitMask(benchmark::State& state) {
    const auto mask = EyeMask();
    const auto points = NrzEye();
    int hits = 0;
    for (auto _ : state) {
        for (const auto& [x, y] : points) hits += mask->HitMask(x, y) != 0;
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(points.size()));
}
BENCHMARK(BM_HitMask);

// What a mask change costs the test: the object built from the polygons and its first sample tested.
void BM_MaskObjectBuild(benchmark::State& state) {
    for (auto _ : state) {
        const auto mask = EyeMask();
        benchmark::DoNotOptimize(mask->HitMask(2000, 512));
    }
}
BENCHMARK(BM_MaskObjectBuild)->Unit(benchmark::kMillisecond);

struct TNoSink : TScreenSink {
    void CopyToWindow(const TScanLinesScreen&, const TPixelRect&) override {}
};

void BM_MaskLayerRebuild(benchmark::State& state) {
    const int columns = static_cast<int>(state.range(0)), rows = static_cast<int>(state.range(1));
    const auto mask = EyeMask();
    TNoSink sink;
    TSignalScreen screen(&sink, false);
    screen.Resize(0, 0, columns + ScreenMargin, rows);
    for (auto _ : state) {
        state.PauseTiming();
        auto layer = std::make_unique<TMaskLayer>("Mask Layer", false, slMaskTemplate, rows, columns,
                                                  [&mask]() -> const TMaskPointTest* { return mask.get(); });
        layer->SetSignalScreenAndRegisterSelfInIt(&screen);
        layer->SetLayerColorAndOpacity(TColor(0x16FFFFFF));
        state.ResumeTiming();
        layer->Rebuild();
        state.PauseTiming();
        layer->Unregister();
        layer.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MaskLayerRebuild)->Args({501, 321})->Args({1850, 880})->Unit(benchmark::kMillisecond);

}  // namespace
