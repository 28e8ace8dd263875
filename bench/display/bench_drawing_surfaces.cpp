#include <benchmark/benchmark.h>

#include "BenchDisplaySupport.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdint>
#include <memory>

#include "core/Color.h"
#include "display/DrawingSurfaces.h"
#include "display/InvertedCopy.h"

using namespace vt;

namespace {

// A plotted trace: every pixel of a 1000 x 800 screen written inside one batch.
void BM_PutPixelInBatch(benchmark::State& state) {
    bench::TCountingSink sink;
    TScanLinesScreen screen(&sink);
    screen.Resize(0, 0, 1000, 800);
    std::uint32_t c = 0;
    for (auto _ : state) {
        screen.BeginUpdate();
        for (int y = 0; y < 800; ++y)
            for (int x = 0; x < 1000; ++x) screen.PutPixel(x, y, TColor(c + static_cast<std::uint32_t>(x)));
        screen.EndUpdate();
        ++c;
    }
    state.SetItemsProcessed(state.iterations() * 1000 * 800);
    benchmark::DoNotOptimize(sink.Copies);
}
BENCHMARK(BM_PutPixelInBatch)->Unit(benchmark::kMillisecond);

void BM_Clear(benchmark::State& state) {
    bench::TCountingSink sink;
    TScanLinesScreen screen(&sink);
    screen.Resize(0, 0, 1000, 800);
    for (auto _ : state) {
        screen.Clear();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1000 * 800);
}
BENCHMARK(BM_Clear)->Unit(benchmark::kMicrosecond);

// The inverted copy of a full-HD screen.
void BM_InvertedCapture(benchmark::State& state) {
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.fill(QColor(0x20, 0x40, 0x80));
    for (auto _ : state) {
        InvertAgainstScreenColor(image, image.rect(), clBlack);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}
BENCHMARK(BM_InvertedCapture)->Unit(benchmark::kMillisecond);

}  // namespace
