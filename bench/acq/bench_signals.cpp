#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "acq/SignalSources.h"
#include "acq/WaveformTransfer.h"

using namespace vt;

namespace {

std::unique_ptr<TSignalObj> FullRecord(bool spectrum) {
    auto r = std::make_unique<TSignalObj>();
    r->SetLength(MaxSignalPoints);
    r->SetSpectrum(spectrum);
    r->SetVertUnit("V");
    r->SetHorUnit(spectrum ? "Hz" : "s");
    r->SetSampleInterval(spectrum ? 1e6 : 1e-11);
    for (int i = 0; i < MaxSignalPoints; ++i) {
        r->SetPoint(i, std::sin(i * 0.013) * 0.3 + 0.01 * (i % 7));
        r->SetSecondPoint(i, std::cos(i * 0.029) * 0.2 - 0.02);
    }
    if (spectrum) r->UpdateMagnitudeMax();
    return r;
}

// The views a record is drawn in: 0 waveform, 1 rho, 2 ohm, then spectrum magnitude, magnitude in
// dB, gated phase, real and imaginary part.
void ChooseView(TSignalObj& r, int view) {
    switch (view) {
        case 1: r.SetTdrUnit(tdrRho); break;
        case 2: r.SetTdrUnit(tdrOhm); break;
        case 4: r.SetDbOn(true); break;
        case 5:
            r.SetComplexScale(csPhase);
            r.SetPhaseGate(true);
            r.SetPhaseGateLevel(-40);
            break;
        case 6: r.SetComplexScale(csReal); break;
        case 7: r.SetComplexScale(csImaginary); break;
        default: break;
    }
    r.SetTdrScale(0.4);
    r.SetTdrOffset(-0.05);
}

void BM_GetDisplayValue(benchmark::State& state) {
    const int view = static_cast<int>(state.range(0));
    auto r = FullRecord(view >= 3);
    ChooseView(*r, view);
    for (auto _ : state) {
        double sum = 0;
        for (int i = 0; i < MaxSignalPoints; ++i) sum += r->GetDisplayValue(i);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * MaxSignalPoints);
}
BENCHMARK(BM_GetDisplayValue)->DenseRange(0, 7)->ArgNames({"view"});

std::filesystem::path BenchFile(const char* name) { return std::filesystem::temp_directory_path() / name; }

void BM_SaveTextSpectrum(benchmark::State& state) {
    auto r = FullRecord(true);
    const auto file = BenchFile("vt_bench_acq_save.txt");
    for (auto _ : state) benchmark::DoNotOptimize(r->SaveText(file, false));
    std::filesystem::remove(file);
}
BENCHMARK(BM_SaveTextSpectrum)->Unit(benchmark::kMicrosecond);

void BM_LoadTextSpectrum(benchmark::State& state) {
    auto r = FullRecord(true);
    const auto file = BenchFile("vt_bench_acq_load.txt");
    if (!r->SaveText(file, false)) state.SkipWithError("cannot write the file");
    for (auto _ : state) {
        const bool ok = r->LoadText(file);
        if (!ok) state.SkipWithError("cannot read the file");
        benchmark::DoNotOptimize(ok);
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_LoadTextSpectrum)->Unit(benchmark::kMicrosecond);

void BM_WfmDataReply(benchmark::State& state) {
    auto recs = std::make_unique<TSignalRecords>();
    recs->Record(ssCh1).AssignWithData(*FullRecord(false));
    for (auto _ : state) benchmark::DoNotOptimize(WfmDataReply(*recs, ssCh1, wfmMod, true));
    state.SetItemsProcessed(state.iterations() * MaxSignalPoints);
}
BENCHMARK(BM_WfmDataReply)->Unit(benchmark::kMicrosecond);

}  // namespace
