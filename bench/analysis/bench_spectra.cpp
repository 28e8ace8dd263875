// The spectrum of a 4,096-point record per window against the same job done with FFTW (complex double
// plan made with FFTW_MEASURE outside the loop, the same window and scaling); budget: at most 3 x
// FFTW's time. The raw 4,096-point transforms beside it, and SinInt of 256 points to 512 (budget
// 0.25 ms).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <vector>

#include "acq/SignalObj.h"
#include "analysis/FftTransform.h"
#include "analysis/Spectra.h"
#include "analysis/WaveformMath.h"

#if VT_BENCH_FFTW
#include <fftw3.h>
#endif

using namespace vt;

namespace {

constexpr int Points = 4096;

TSignalObj& Source() {
    static TSignalObj source = [] {
        TSignalObj s;
        s.SetLength(Points);
        s.SetSampleInterval(1e-11);
        s.SetHorUnit("s");
        for (int i = 0; i < Points; ++i)
            s.SetPoint(i, 0.3 * std::sin(2 * std::numbers::pi * 37.3 * i / Points) + 0.01 * std::cos(0.9 * i));
        return s;
    }();
    return source;
}

// Each pass from the same input (the scaled output fed back would sink into denormal numbers).
void BM_FftTransformComplex(benchmark::State& state) {
    std::vector<double> input(Points), re(Points), im(Points);
    for (int i = 0; i < Points; ++i) input[static_cast<std::size_t>(i)] = Source().GetPoint(i);
    int status = 0;
    for (auto _ : state) {
        std::copy(input.begin(), input.end(), re.begin());
        std::fill(im.begin(), im.end(), 0.0);
        FftTransform(Points, false, re.data(), status, im.data());
        benchmark::DoNotOptimize(re.data());
    }
}
BENCHMARK(BM_FftTransformComplex);

#if VT_BENCH_FFTW
// FFTW doing the spectrum: window, complex transform, the same scaling into two arrays.
struct TFftwSpectrum {
    TFftwSpectrum() {
        In = fftw_alloc_complex(Points);
        Out = fftw_alloc_complex(Points);
        Plan = fftw_plan_dft_1d(Points, In, Out, FFTW_FORWARD, FFTW_MEASURE);
    }
    ~TFftwSpectrum() {
        fftw_destroy_plan(Plan);
        fftw_free(In);
        fftw_free(Out);
    }
    void Run(const TSignalObj& source, int window, double* re, double* im) {
        const std::span<const double> w = FftWindowWeights(Points, window);
        for (int i = 0; i < Points; ++i) {
            In[i][0] = source.Data1()[i] * (w.empty() ? 1.0 : w[static_cast<std::size_t>(i)]);
            In[i][1] = 0;
        }
        fftw_execute(Plan);
        re[0] = Out[0][0] / Points;
        im[0] = Out[0][1] / Points;
        for (int i = 1; i < Points; ++i) {
            re[i] = Out[i][0] * 2 / Points;
            im[i] = Out[i][1] * 2 / Points;
        }
    }
    fftw_complex* In;
    fftw_complex* Out;
    fftw_plan Plan;
};

void BM_FftwComplexRaw(benchmark::State& state) {
    TFftwSpectrum f;
    for (int i = 0; i < Points; ++i) f.In[i][0] = Source().GetPoint(i), f.In[i][1] = 0;
    for (auto _ : state) {
        fftw_execute(f.Plan);
        benchmark::DoNotOptimize(f.Out);
    }
}
BENCHMARK(BM_FftwComplexRaw);

// Ours and FFTW's spectrum in turns, each timed; the ratio is ours over FFTW's.
void BM_SpectrumAgainstFftw(benchmark::State& state) {
    const int window = static_cast<int>(state.range(0));
    TFftwSpectrum fftw;
    TSignalObj target;
    std::vector<double> re(Points), im(Points);
    double ours = 0, theirs = 0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        ComputeSpectrum(target, Source(), window, "Spectrum");
        benchmark::DoNotOptimize(target.Data1());
        const auto t1 = Clock::now();
        fftw.Run(Source(), window, re.data(), im.data());
        benchmark::DoNotOptimize(re.data());
        const auto t2 = Clock::now();
        ours += std::chrono::duration<double, std::micro>(t1 - t0).count();
        theirs += std::chrono::duration<double, std::micro>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_us"] = ours / n;
    state.counters["fftw_us"] = theirs / n;
    state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
    state.SetLabel(FftWindowName(window));
}
BENCHMARK(BM_SpectrumAgainstFftw)->DenseRange(0, 5);
#else
void BM_ComputeSpectrum(benchmark::State& state) {
    TSignalObj target;
    for (auto _ : state) {
        ComputeSpectrum(target, Source(), static_cast<int>(state.range(0)), "Spectrum");
        benchmark::DoNotOptimize(target.Data1());
    }
}
BENCHMARK(BM_ComputeSpectrum)->DenseRange(0, 5);
#endif

void BM_SinInt256To512(benchmark::State& state) {
    TSignalObj source, target;
    source.SetLength(256);
    for (int i = 0; i < 256; ++i) source.SetPoint(i, std::sin(0.3 * i));
    for (auto _ : state) {
        MathInterpolate(source, target, true);
        benchmark::DoNotOptimize(target.Data1());
    }
}
BENCHMARK(BM_SinInt256To512)->Unit(benchmark::kMicrosecond);

}  // namespace
