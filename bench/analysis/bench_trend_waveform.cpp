// The trend of a math function: the edge table of a 4,096-point record of 128 cycles and the Period
// trend over it. Budget: 100 us (math may run four trends a pass, 50 passes a second).
#include <benchmark/benchmark.h>

#include <memory>

#include "acq/SignalObj.h"
#include "analysis/SignalLevels.h"
#include "analysis/TrendWaveform.h"

using namespace vt;

namespace {

void BM_TrendPeriod4096Points128Cycles(benchmark::State& state) {
    auto source = std::make_unique<TSignalObj>();
    source->SetLength(MaxSignalPoints);
    source->SetSampleInterval(1e-11);
    source->SetVertScale(0.1);
    // 32 points a cycle: 10 low, a rise of 6, 8 to 10 high, a fall of 6, the rest low: the width wanders.
    for (int i = 0; i < MaxSignalPoints; ++i) {
        const int j = i % 32, c = i / 32;
        const int high = 8 + c % 3;
        double v = -0.3;
        if (j >= 10 && j < 16) v = -0.3 + 0.1 * (j - 9);
        else if (j >= 16 && j < 16 + high) v = 0.3;
        else if (j >= 16 + high && j < 22 + high) v = 0.3 - 0.1 * (j - 15 - high);
        source->SetPoint(i, v);
    }
    MeasSourceState levels;
    TThresholdTexts texts;
    FindSignalLevels(levels, *source);
    SetLevelMarkers(levels, *source, TMeasSourceSettings{});
    SetReferenceLevels(levels, *source, TMeasSourceSettings{}, texts, "div");
    auto target = std::make_unique<TSignalObj>();
    target->AssignWithData(*source);
    auto table = std::make_unique<TEdgeTable>();
    int entries = 0;
    for (auto _ : state) {
        FindEdges(*source, levels, *table);
        TTrendAverage average;
        benchmark::DoNotOptimize(CalcTrendWaveform(*target, *table, tkPeriod, average));
        benchmark::ClobberMemory();
    }
    while (entries < EdgeTableSize && (*table)[static_cast<std::size_t>(entries)][1] >= 0) ++entries;
    state.counters["cycles"] = entries;
}
BENCHMARK(BM_TrendPeriod4096Points128Cycles)->Unit(benchmark::kMicrosecond);

}  // namespace
