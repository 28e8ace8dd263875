// The jitter analyser's step in its random-part state on a 2,048-point record of one edge (about 170
// samples in the 25-75 % band), and the DDJ-versus-bit plot of a 32,767-bit pattern. The demo delivers
// some 50 M record points a second: a step at that rate (41 µs a record) never holds up the cycle.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "acq/SignalObj.h"
#include "display/DrawingSurfaces.h"
#include "serial/JitterAnalyser.h"
#include "serial/JitterPlots.h"

namespace {

using namespace vt;

// A PRBS 2^5-1 at 1.5 Gbit/s with 169 ps raised-cosine edges and 5 ps of jitter, on the timebase the
// analyser sets (see the analyser's tests for the same model).
struct TBenchHost : TJitterHost {
    std::vector<int> Bits;
    double T = 1 / 1.5e9, Span = 169.4e-12 * 1.5e9;
    int Delay = 0, Length = 512;
    bool Fine = false, Frozen = false;
    double DelayDivisions = 0.1;
    TSignalObj Rec;
    std::mt19937 Rng{5};

    const TSignalObj& Record() const override { return Rec; }
    int PatternDelay() const override { return Delay; }
    void SetPatternDelay(int bits) override { Delay = bits; }
    void SetRecordLength(int points) override { Length = points; }
    void ApplyPatternSettings(double, double, double d) override { Fine = true, DelayDivisions = d; }
    int Bit(long k) const { return Bits[static_cast<std::size_t>(((k % 31) + 31) % 31)]; }
    double Level(double u) const {
        const long k = static_cast<long>(std::floor(u));
        const double x = u - k;
        if (Bit(k) == Bit(k - 1) || x >= Span) return Bit(k) ? 0.25 : -0.25;
        const double s = (1 - std::cos(std::numbers::pi * x / Span)) / 2;
        return -0.25 + 0.5 * (Bit(k - 1) + (Bit(k) - Bit(k - 1)) * s);
    }
    void Acquire() {
        if (Frozen) return;
        const double dt = (Fine ? T / 10 : 5 * T) * 512 / (50.0 * Length);
        const double origin = DelayDivisions * 10 * T;
        Rec.SetLength(Length);
        Rec.SetSampleInterval(dt);
        Rec.SetOrigin(origin);
        Rec.SetVertScale(0.1);
        std::normal_distribution<double> g(0, 5e-12);
        for (int i = 0; i < Length; ++i) Rec.SetPoint(i, Level(Delay - 1.63 + (origin + i * dt + g(Rng)) / T));
    }
};

std::vector<int> Prbs5() {
    std::vector<int> bits;
    unsigned r = 0x1F;
    for (int i = 0; i < 31; ++i) {
        bits.push_back(static_cast<int>(r & 1));
        r = (r >> 1) | ((((r >> 0) ^ (r >> 2)) & 1) << 4);
    }
    return bits;
}

void BM_JitterStepRandomPart(benchmark::State& state) {
    TBenchHost host;
    host.Bits = Prbs5();
    TJ_Obj a(host, 31, host.T, 0);
    for (int s = 0; s < 3000 && a.State != 4; ++s) {
        host.Acquire();
        a.Step();
    }
    if (a.State != 4) {
        state.SkipWithError("the analyser did not reach its random part");
        return;
    }
    host.Acquire();  // one edge's record, kept: each step measures it again
    host.Frozen = true;
    int band = 0;
    for (int i = 0; i < host.Rec.Length(); ++i) band += std::fabs(host.Rec.Data1()[i]) < 0.125;
    for (auto _ : state) {
        a.Step();
        if (a.State == 5) a.Step();
    }
    state.counters["band samples"] = band;
    state.SetItemsProcessed(state.iterations() * host.Rec.Length());
}
BENCHMARK(BM_JitterStepRandomPart)->Unit(benchmark::kMicrosecond);

struct TBenchWindow : TJitterPlotWindow {
    TScanLinesTextScreen Surface_;
    TScanLinesScreen* Surface() override { return &Surface_; }
    bool ResizePending() const override { return false; }
    void SetInfoText(const std::string&) override {}
    int Front() const override { return 2; }
    int Previous() const override { return 1; }
    int Third() const override { return 0; }
    int TakePressedButton() override { return -1; }
    void SetChoiceButtons(const std::array<std::string, 3>&, const std::array<TColor, 3>&, const std::array<bool, 3>&) override {}
};

void BM_DrawDDJvsBit32767(benchmark::State& state) {
    TBenchHost host;
    TJ_Obj a(host, 32767, 1e-9, 0);
    std::mt19937 rng(9);
    std::normal_distribution<double> g(0, 4e-12);
    for (std::size_t p = 0; p < 32767; ++p) a.BitMap[p] = static_cast<std::uint8_t>(rng() & 1);
    a.Histograms[0].SetRange(60e-12);
    for (int p = 0; p < 32767; ++p) {
        const int prev = p == 0 ? 32766 : p - 1;
        if (a.BitMap[static_cast<std::size_t>(p)] == a.BitMap[static_cast<std::size_t>(prev)]) continue;
        const double e = g(rng);
        a.ShownEdgeDeviation[static_cast<std::size_t>(p)] = static_cast<float>(e);
        a.Histograms[0].Add(e);
    }
    TBenchWindow window;
    window.Surface_.Resize(0, 0, 800, 400);
    const TLangText lang = [](std::string_view key) { return key == "n_bit" ? std::string("bit %d") : std::string(key); };
    for (auto _ : state) DrawDDJvsBit(a, window, 0, -1, lang);
    state.SetItemsProcessed(state.iterations() * 32767);
}
BENCHMARK(BM_DrawDDJvsBit32767)->Unit(benchmark::kMillisecond);

}  // namespace
