// The measurement pass after an acquisition: Ch1 (4,096 points, a 64-period square wave with 2 mV of
// noise) and Ch2 (a 4,096-point sine) both new, ten listed kinds on each source. Budget: 0.5 ms a pass
// in a release build (50 passes a second leave 20 ms each for acquisition, drawing and analysis).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "acq/SignalSources.h"
#include "analysis/MeasCalc.h"
#include "core/GaussianNoise.h"
#include "core/Shell.h"

using namespace vt;

namespace {

struct TSettings : TMeasSettings {
    TMeasGlobalSettings Global() const override {
        TMeasGlobalSettings g;
        g.Display = 1;
        return g;
    }
    TMeasSourceSettings Source(int) const override { return {}; }
};

struct TPanel : TDisplayServices {
    bool PanelExists() const override { return true; }
};

class TList : public TMeasListHooks {
public:
    explicit TList(TMeasCalc& calc) : Calc_(calc) {
        const int x[] = {xkPeriod, xkFreq, xkPosWidth, xkRise, xkFall, xkPosDuty, xkCycles};
        const int y[] = {ykMax, ykAmpl, ykAcRMS};
        for (int source : {ssCh1, ssCh2}) {
            for (int k : x) Add(mgX, k, source);
            for (int k : y) Add(mgY, k, source);
        }
    }
    bool IsSourceMeasured(int source) override { return source == ssCh1 || source == ssCh2; }
    void MeasureSlotsOfSource(int source) override {
        for (TParameterOfMeas& p : Slots_)
            if (p.Source == source) Calc_.CalcMeasurement(p);
    }

private:
    void Add(int group, int kind, int source) {
        TParameterOfMeas p;
        p.Group = group;
        p.Kind = kind;
        p.Source = source;
        Slots_.push_back(std::move(p));
    }
    TMeasCalc& Calc_;
    std::vector<TParameterOfMeas> Slots_;
};

void BM_MeasureAcquisition(benchmark::State& state) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    shell.SetDisplayServices(std::make_unique<TPanel>());
    TMeasCalc calc(shell);
    calc.SetSettings(std::make_unique<TSettings>());
    TList list(calc);
    calc.SetListHooks(&list);
    TGaussianRandom noise;
    TSignalRecords& records = *shell.Records();
    for (int source : {ssCh1, ssCh2}) {
        TSignalObj& r = records.Record(source);
        r.SetLength(4096);
        r.SetVertScale(0.2);
        r.SetSampleInterval(1e-11);
        for (int i = 0; i < 4096; ++i) {
            const double v = source == ssCh1 ? ((i / 32) % 2 ? 0.5 : -0.5) + noise.RandomGaussian(0.002, 0)
                                             : 0.5 * std::sin(2 * std::numbers::pi * i / 256.0);
            r.SetPoint(i, v);
        }
        records.SignalsOn().SetOn(source, true);
    }
    for (auto _ : state) {
        records.Record(ssCh1).SetChangedFlags();
        records.Record(ssCh2).SetChangedFlags();
        calc.MeasureAcquisition();
    }
}
BENCHMARK(BM_MeasureAcquisition)->Unit(benchmark::kMicrosecond);

}  // namespace
