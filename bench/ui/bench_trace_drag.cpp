// One pointer move of a dragged full-width vector trace, from the move to the painted frame of the
// panel widget (the screen copied, the trace's image inverted over it). Pointer moves come every 8 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <memory>

#include "BenchApp.h"
#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "display/NoMouseActions.h"
#include "display/SignalLayers.h"
#include "ui/DisplayPanelView.h"

namespace {

using namespace vt;

void BM_TraceDragMove(benchmark::State& state) {
    BenchApp();
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    TDisplayFeature().FillRows(shell);
    auto& services = dynamic_cast<TScopeDisplayServices&>(shell.Display());
    test::TNoMouseActions actions;
    services.MouseActions = &actions;
    QWidget window;
    window.resize(1940, 1100);
    GiveDisplayView(shell, window);
    services.CreatePanel();
    // A panel whose one screen is 1872 x 897 pixels: the layout places rows by 32, the nearest size at
    // or above 1850 x 880.
    services.PlacePanel(0, 0, 1026, 1878);
    services.SetPanelVisible(true);
    window.show();
    QApplication::processEvents();
    TScopeCRT& crt = *services.Panel();
    TSignalScreen& screen = *crt.Screen(1);
    TParentSignalLayer* trace = crt.VectorLayer(ssCh1);
    trace->SetScales(4096, 1, 0);
    for (int n = 0; n < 4096; ++n) trace->PutPoint(n, 3.5 * ((n / 64) % 2 ? 1 : -1));
    auto* view = window.findChild<TDisplayPanelWidget*>();
    const QPoint origin(screen.Left() + ScreenMargin, screen.Top());
    const QPoint point = origin + QPoint(trace->PointColumn(100), trace->PointRow(100));
    QMouseEvent press(QEvent::MouseButtonPress, point, view->mapToGlobal(point), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(view, &press);
    TScreenMouse* mouse = view->PressedMouse();
    if (!mouse || !mouse->DragImage()) {
        state.SkipWithError("the press took no trace");
        return;
    }
    const auto paintsBefore = view->PaintEvents();
    int step = 0;
    for (auto _ : state) {
        const QPoint at = point + QPoint(0, (++step % 2) ? 30 : 31);
        QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(view, &move);
        view->repaint();
    }
    state.counters["paints"] = static_cast<double>(view->PaintEvents() - paintsBefore) / static_cast<double>(state.iterations());
    state.counters["width"] = screen.Width();
    state.counters["height"] = screen.Height();
    view->CancelDrag();
}
BENCHMARK(BM_TraceDragMove)->Unit(benchmark::kMillisecond);

}  // namespace
