// Autoscale's analysis of one period step: the level statistics of the whole map, the 19 comparison
// windows and the 49 search windows, on 16 triggered sine waveforms of 1024 points (the search must
// take well under the 2 ms of one acquisition); and the low-jitter re-timing of a 4096-point record.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "acq/Autoscale.h"
#include "acq/HistogramObjects.h"
#include "acq/ReferenceSine.h"
#include "acq/SignalObj.h"

namespace {

using namespace vt;

void FillSine(TFullHist& hist, int waveforms, bool triggered) {
    const double period = 1e-8, dt = 2.5e-11;
    unsigned seed = 1;
    for (int w = 0; w < waveforms; ++w) {
        hist.SetScale(1024, 0.0833, 0, dt, 0);
        for (int i = 0; i < 1024; ++i) {
            seed = seed * 1103515245u + 12345u;
            const double t = triggered ? i * dt : (seed >> 8) * (period / 16777216.0);
            hist.AddSample(static_cast<std::uint16_t>(i), 0.25 * std::sin(2 * M_PI * t / period));
        }
    }
}

void BM_PeriodStepAnalysis(benchmark::State& state) {
    TFullHist hist;
    FillSine(hist, 16, false);
    THistParams global;
    global.ComputeWhole(hist);
    hist.Clear();
    FillSine(hist, 16, true);
    for (auto _ : state) {
        int mask = 31, code = 0;
        TAutoScalePeriodSearch search(hist, global, mask);
        search.AnalyseHistogramLevels(code);
        search.LevelWindowSearch(code);
        benchmark::DoNotOptimize(search.Period);
    }
}
BENCHMARK(BM_PeriodStepAnalysis)->Unit(benchmark::kMicrosecond);

void BM_ResampleByRefSine(benchmark::State& state) {
    const int n = 4096;
    const double f = 1e9, dt = 1e-12;
    std::vector<double> reference(n);
    TSignalObj ch1, ch2, f4;
    for (TSignalObj* s : {&ch1, &ch2, &f4}) s->SetLength(n), s->SetSampleInterval(dt);
    for (int i = 0; i < n; ++i) {
        reference[static_cast<std::size_t>(i)] = std::sin(2 * M_PI * f * i * dt);
        ch2.SetPoint(i, reference[static_cast<std::size_t>(i)]);
        ch1.SetPoint(i, std::sin(2 * M_PI * 3e8 * i * dt));
    }
    const TRefSine sine(reference, 0, dt, f);
    for (auto _ : state) {
        ResampleByRefSine(sine, ch1, ch2, f4);
        benchmark::DoNotOptimize(f4.GetPoint(0));
    }
}
BENCHMARK(BM_ResampleByRefSine)->Unit(benchmark::kMicrosecond);

}  // namespace
