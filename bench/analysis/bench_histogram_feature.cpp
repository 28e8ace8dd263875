// The histogram's work in one acquisition cycle: a new 4,096-point Ch1 record (noise over the whole
// screen, so each point is a random write into the 16 MiB hit map) added with the vertical axis and the
// default window, the statistics, the bars and the fifteen readouts in the bottom strip. Budget: 1 ms a
// cycle (5 % of a pass at 50 passes a second) and at least 100 M points/s accumulated.
#include <benchmark/benchmark.h>


#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"

using namespace vt;

namespace {

constexpr int Points = 4096;

struct THistogramShell {
    THistogramShell() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.SetFullHist(MakeOwnedPart(std::make_unique<TFullHist>()));
        TDisplayFeature().FillRows(Shell);
        TAnalysisFeature().FillRows(Shell);
        RegisterAllCommandHandlers(Shell);
        ConnectSignalEnablity(Shell.Records()->SignalsOn(), Shell.CommandTree()->SignalEnablity());
        auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell.Display());
        display->CreatePanel();
        display->PlacePanel(0, 0, 600, 800);
        display->Panel()->StyleLayer(ssCh1, 0);
        TSignalObj& r = Shell.Records()->Record(ssCh1);
        r.SetLength(Points);
        r.SetSampleInterval(1e-12);
        r.SetVertScale(0.1);
        std::mt19937 rng(3);
        std::uniform_real_distribution<double> level(-0.39, 0.39);
        for (int i = 0; i < Points; ++i) r.SetPoint(i, level(rng));
        Shell.Records()->SignalsOn().SetOn(ssCh1, true);
        Shell.CommandTree()->ExecuteCommandString("Hist:Axis Vert", false);
    }
    TShell Shell;
};

void BM_HistogramCycle(benchmark::State& state) {
    THistogramShell h;
    for (auto _ : state) h.Shell.Analysis().UpdateHistogram(1);
    benchmark::DoNotOptimize(h.Shell.FullHist()->GetTotalHits());
    state.SetItemsProcessed(state.iterations() * Points);
}
BENCHMARK(BM_HistogramCycle)->Unit(benchmark::kMicrosecond);

// The accumulation alone, into the map as the histogram sets it up.
void BM_HistogramAccumulation(benchmark::State& state) {
    THistogramShell h;
    TFullHist& hist = *h.Shell.FullHist();
    const TSignalObj& r = h.Shell.Records()->Record(ssCh1);
    for (auto _ : state) AddSignalToHist(hist, r);
    state.SetItemsProcessed(state.iterations() * Points);
}
BENCHMARK(BM_HistogramAccumulation)->Unit(benchmark::kMicrosecond);

}  // namespace
