// The display pass's TDR/TDT measurements of one fresh 4,096-point source: the transmission's
// PropDelay, Gain and DbGain (PropDelay walks the record about four times through the waveform math),
// and the reflection's MinReflect with MaxReflect. Once per source per pass, a small part of a 20 ms pass.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"
#include "serial/TdrSettings.h"

namespace {

using namespace vt;

struct TTdrBench {
    explicit TTdrBench(const char* mode, const char* params) {
        shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>()));
        shell.Link()->SetLinkKind(TInstrumentLinkKind::Demo);
        shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*shell.Link(), "")));
        shell.Identity()->Identity.ModelType = 1;
        shell.Identity()->Identity.Options = optGenerators;
        shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        shell.SetCommandTree(CreateCommandTree());
        shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
        settings.CreateTDRHandlers();
        shell.CommandTree()->ExecuteCommandString(std::string("TDR:Mode ") + mode, false);
        shell.CommandTree()->ExecuteCommandString("TDR:Measure ON", false);
        shell.CommandTree()->ExecuteCommandString(params, false);
        settings.SetCalibrated(TdrChannel1, true);
        shell.Records()->SignalsOn().SetOn(ssCh1, true);
        TSignalObj& r = shell.Records()->Record(ssCh1);
        r.SetLength(4096);
        r.SetSampleInterval(5e-12);
        r.SetTdrScale(0.4);
        for (int i = 0; i < 4096; ++i) r.SetPoint(i, -0.2 + 0.2 * (1 + std::tanh((i - 1500) / 20.0)) + 1e-4 * std::sin(i * 0.37));
    }
    void Pass() {
        shell.Records()->Record(ssCh1).SetChangedFlags();
        settings.RecalcTdrReflections();
    }
    TShell shell;
    TTdrSettings settings{shell};
};

void BM_RecalcTdrReflectionsTransmission(benchmark::State& state) {
    TTdrBench bench("TDT", "TDR:Ch1:TdtParams PropDelay,Gain,DbGain");
    if (bench.settings.Params.Count(TdrSideTransmission) != 3) state.SkipWithError("parameters not listed");
    for (auto _ : state) bench.Pass();
    benchmark::DoNotOptimize(bench.settings.Params.Param(TdrSideTransmission, 0).Value);
}
BENCHMARK(BM_RecalcTdrReflectionsTransmission)->Unit(benchmark::kMicrosecond);

void BM_RecalcTdrReflectionsReflection(benchmark::State& state) {
    TTdrBench bench("TDR", "TDR:Ch1:TdrParams MinReflect,MaxReflect");
    if (bench.settings.Params.Count(TdrSideReflection) != 2) state.SkipWithError("parameters not listed");
    for (auto _ : state) bench.Pass();
    benchmark::DoNotOptimize(bench.settings.Params.Param(TdrSideReflection, 0).Value);
}
BENCHMARK(BM_RecalcTdrReflectionsReflection)->Unit(benchmark::kMicrosecond);

}  // namespace
