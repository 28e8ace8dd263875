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
