#include <benchmark/benchmark.h>

#include "BenchDisplaySupport.h"

#include <memory>
#include <vector>

#include "acq/SignalSources.h"
#include "display/AnnotationLayer.h"
#include "display/DisplayPanel.h"

using namespace vt;

namespace {

// A shape-0 annotation with a 12-character label moved up and down 100 rows over a drawn trace on
// the default window's screen: each move erases its cells and draws them again from the glyph.
void BM_AnnotationMove(benchmark::State& state) {
    bench::TCountingSink sink;
    TScopeCRT::TProgram program;
    program.ClockMs = [] { return std::int64_t{0}; };
    TScopeCRT panel(std::move(program));
    panel.SetSink(&sink);
    panel.PlacePanel(0, 0, 604, 804);
    TParentSignalLayer* trace = panel.DotLayer(ssCh1);
    trace->BeginUpdate();
    trace->SetScales(500, 1.0, 0.0);
    for (int i = 0; i < 500; ++i) trace->PutPoint(i, 0.3 * ((i % 50) - 25) / 25.0);
    trace->EndUpdate();
    auto* layer = dynamic_cast<TAnnotationLayer*>(panel.AnnotationLayer(1, ssCh1));
    if (!layer) {
        state.SkipWithError("no annotation layer");
        return;
    }
    TAnnLabelParam record;
    record.Kind = 1;
    record.Shown = true;
    record.Source = ssCh1;
    record.Shape = 0;
    record.Text = "Rise Time 12";
    record.X = 2000;
    // The y of each of 100 rows, up and back.
    std::vector<int> ys;
    for (int row = 150; row < 250; ++row)
        for (int y = 0; y <= 1024; ++y)
            if (layer->ScreenYToCell(y) == row) {
                ys.push_back(y);
                break;
            }
    for (int i = static_cast<int>(ys.size()) - 1; i >= 0; --i) ys.push_back(ys[static_cast<std::size_t>(i)]);
    std::size_t step = 0;
    for (auto _ : state) {
        record.Y = ys[step++ % ys.size()];
        layer->SetSlot(1, record);
        bench::ReadFrame(*layer->GetScreen());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["renders"] = layer->GlyphRenders();
}
BENCHMARK(BM_AnnotationMove);

}  // namespace
