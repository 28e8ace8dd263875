// One eye computation on a map of 1,024 records: the NRZ engine with EyeHeight, EyeWidth, RiseTime
// and CrossPerc listed, and the RZ engine with its edges. The cycle runs it every fourth acquisition
// at 64 waveforms a cycle: 5 ms keeps it near 3 % of a core at 25 passes a second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"
#include "serial/EyeEngine.h"
#include "serial/EyeParameters.h"

namespace {

using namespace vt;

// A PRBS-like eye of 1.5 Gbit/s on 180 ps a division: 1481 columns a bit, raised-cosine edges of
// 300 columns, 5 mV of noise and a few columns of jitter; RZ pulses half a bit wide.
void WriteEye(TSignalObj& r, TFullHist& hist, bool rz, int records) {
    r.SetLength(4096);
    r.SetSampleInterval(0.45e-12);
    r.SetVertScale(0.1);
    r.SetVertUnit("V");
    r.SetHorUnit("s");
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, 1);
    std::bernoulli_distribution coin(0.5);
    // RZ: a longer bit, so that two pulse tops show.
    const double period = rz ? 1800 : 1481, edge = 300, first = rz ? 500 : 1377;
    const auto ramp = [edge](double d) { return d <= -edge / 2 ? 0.0 : d >= edge / 2 ? 1.0 : 0.5 - 0.5 * std::cos(M_PI * (d / edge + 0.5)); };
    for (int n = 0; n < records; ++n) {
        int bits[8];
        for (int& b : bits) b = coin(rng) ? 1 : 0;
        const double j = 3 * noise(rng);
        for (int i = 0; i < 4096; ++i) {
            const double x = i - first - j;
            const int k = static_cast<int>(std::floor(x / period)) + 2;
            const double d = x - (k - 2) * period;
            const auto bit = [&](int b) { return bits[std::clamp(b, 0, 7)]; };
            double level;
            if (!rz) {
                level = d < period / 2 ? bit(k - 1) + (bit(k) - bit(k - 1)) * ramp(d)
                                       : bit(k) + (bit(k + 1) - bit(k)) * ramp(d - period);
            } else {
                level = bit(k) ? std::min(ramp(d), 1 - ramp(d - period / 2)) : 0;
            }
            r.SetPoint(i, -0.25 + 0.5 * level + 0.005 * noise(rng));
        }
        AddSignalToHist(hist, r);
    }
}

struct TEyeMap {
    explicit TEyeMap(bool rz) : Hist(std::make_unique<TFullHist>()), Engine(Hist.get()) {
        Engine.Mode = rz ? emRz : emNrz;
        Engine.ClearAccumulation();
        WriteEye(Record, *Hist, rz, 1024);
    }
    std::unique_ptr<TFullHist> Hist;
    TEyeEngine Engine;
    TSignalObj Record;
};

void BM_NrzEyeComputation(benchmark::State& state) {
    TEyeMap map(false);
    TEyeParamInputs in;
    in.Record = &map.Record;
    TParam height(emNrz, eaY, 9), width(emNrz, eaX, 7), rise(emNrz, eaX, 14), cross(emNrz, eaY, 3);
    for (auto _ : state) {
        if (!map.Engine.RunNrzEyeEngine()) state.SkipWithError("no eye");
        for (TParam* p : {&height, &width, &rise, &cross}) ComputeEyeParameter(map.Engine, in, *p);
        benchmark::DoNotOptimize(height.Value);
    }
}
BENCHMARK(BM_NrzEyeComputation)->Unit(benchmark::kMillisecond);

void BM_RzEyeComputation(benchmark::State& state) {
    TEyeMap map(true);
    for (auto _ : state)
        if (!map.Engine.RunRzEyeEngine()) state.SkipWithError("no eye");
}
BENCHMARK(BM_RzEyeComputation)->Unit(benchmark::kMillisecond);

}  // namespace
