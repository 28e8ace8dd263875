// The demo program, stopped, with real mouse events on its panel: marker 2's line dragged writes its
// position; Ch1 dragged down is shown inverted over the screen, moves nothing until the release and
// then lowers its offset; a right press drags nothing; a frame drawn on empty screen zooms; in
// timebase AB a press on range A shifts the delay. The picture goes to screenshots/markers_demo.png.
#include <gtest/gtest.h>

#include <QDir>
#include <QTest>
#include <filesystem>
#include <vector>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/MarkerLayers.h"
#include "display/ScopeDisplayServices.h"
#include "display/SignalLayers.h"
#include "link/InstrumentLink.h"
#include "ui/DisplayPanelView.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

TEST(MarkersDemo, MarkerAndTraceDragsWithTheMouse) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;

    int written = -1, expected = -2, undone = -1;
    bool suspended = false, bufferKept = false, inverted = false, rightDragged = true;
    double offsetBefore = 0, offsetAfter = 0, scale = 0, dy = 0;
    bool smallFrame = true, bigFrame = false, offsetKept = false;
    int zoomMode = -1, rangeKind = -1;
    double delayBefore = 0, delayAfter = 0;
    bool pressedTrace = false;
    std::uint64_t cancelled = 0;
    QImage shot;
    rig.RunSteps(30000, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        auto& services = dynamic_cast<TScopeDisplayServices&>(shell.Display());
        auto* view = m->findChild<TDisplayPanelWidget*>();
        ASSERT_TRUE(view);
        TScopeCRT& crt = *services.Panel();
        const auto placed = [&crt] {
            int n = 0;
            if (const TParentSignalLayer* trace = crt.SignalLayer(ssCh1))
                for (int k = 0; k < trace->PointCount(); ++k) n += trace->PointRow(k) > 0;
            return n;
        };
        ASSERT_TRUE(rig.Until([&] { return services.SignalLayerDrawn(ssCh1) && placed() >= 16; }));
        // Stopped where a cycle ended: the trace stays as it is, every point placed.
        ASSERT_TRUE(rig.Acquire(2));
        ASSERT_GE(placed(), 16);
        shell.ExecuteCommandString("Mark:Type MX");
        TSignalScreen& screen = *crt.Screen(1);
        const QPoint origin(screen.Left() + ScreenMargin, screen.Top());
        shell.Analysis().UpdateMarkerLayer(1);
        shell.Analysis().UpdateMarkerLayer(2);
        auto* marker = dynamic_cast<T_X_MarkerLayer*>(crt.MarkerLayer(2));
        ASSERT_TRUE(marker);
        // Marker 2's line, 55 pixels to the right.
        const int column = marker->Column();
        QTest::mousePress(view, Qt::LeftButton, {}, origin + QPoint(column, 100));
        QTest::mouseMove(view, origin + QPoint(column + 55, 100));
        QTest::mouseRelease(view, Qt::LeftButton, {}, origin + QPoint(column + 55, 100));
        written = static_cast<int>(ReadRealSetting(shell.CommandTree(), "Mark:M2:XPos", -1));
        expected = marker->CellToScreenX(column + 55);
        // The drag was one undo step.
        shell.CommandTree()->ExecuteCommandString("*Undo Undo", false);
        undone = static_cast<int>(ReadRealSetting(shell.CommandTree(), "Mark:M2:XPos", -1));

        // Ch1 40 pixels down, at one of its points.
        TParentSignalLayer* trace = crt.SignalLayer(ssCh1);
        // A placed point away from both marker lines.
        auto nearMarker = [&crt, trace](int m, int k) {
            const TMarkerLayer* l = crt.MarkerLayer(m);
            return l && l->HitTest(4, trace->PointColumn(k), trace->PointRow(k));
        };
        int n = 0;
        while (n + 1 < trace->PointCount() && (trace->PointRow(n) <= 0 || nearMarker(1, n) || nearMarker(2, n))) ++n;
        const QPoint point = origin + QPoint(trace->PointColumn(n), trace->PointRow(n));
        offsetBefore = ReadRealSetting(shell.CommandTree(), "Ch1:Offset", 0);
        scale = ReadRealSetting(shell.CommandTree(), "Ch1:Scale", 0);
        dy = (screen.PixelToScreenY(40) - screen.PixelToScreenY(0)) / 1024.0;
        const QImage before = screen.Bitmap().Image().copy();
        const QImage plain = view->grab().toImage();
        QTest::mousePress(view, Qt::LeftButton, {}, point);
        pressedTrace = view->PressedMouse() && view->PressedMouse()->DragImage();
        QTest::mouseMove(view, point + QPoint(0, 40));
        suspended = shell.FlagRegisterMode;
        bufferKept = screen.Bitmap().Image() == before;
        inverted = view->grab().toImage() != plain;
        shot = m->grab().toImage();
        QTest::mouseRelease(view, Qt::LeftButton, {}, point + QPoint(0, 40));
        offsetAfter = ReadRealSetting(shell.CommandTree(), "Ch1:Offset", 0);

        // A right press on the trace starts no drag.
        QTest::mousePress(view, Qt::RightButton, {}, point);
        const TScreenMouse* pressed = view->PressedMouse();
        rightDragged = shell.FlagRegisterMode || !pressed || pressed->DragImage();
        QTest::mouseRelease(view, Qt::RightButton, {}, point);

        // Empty screen above the traces: 10 x 40 pixels draws no frame, 60 x 40 does; a press
        // inside zooms into it.
        QTest::mousePress(view, Qt::LeftButton, {}, origin + QPoint(60, 15));
        QTest::mouseMove(view, origin + QPoint(70, 55));
        smallFrame = crt.ExistingFrameLayer() != nullptr;
        QTest::mouseMove(view, origin + QPoint(120, 55));
        bigFrame = crt.ExistingFrameLayer() != nullptr;
        QTest::mouseRelease(view, Qt::LeftButton, {}, origin + QPoint(120, 55));
        QTest::mouseClick(view, Qt::LeftButton, {}, origin + QPoint(90, 35));
        zoomMode = ReadChoiceSetting(shell.CommandTree(), "TB:Mode", -1);

        // Timebase AB: a press on Ch1 within range A shifts the delay, not the trace.
        shell.CommandTree()->ExecuteCommandString("TB:Mode AB", false);
        trace = crt.SignalLayer(ssCh1);
        int inRange = -1;
        for (int k = 0; k < trace->PointCount() && inRange < 0; ++k)
            if (trace->PointRow(k) > 0 && trace->PointColumn(k) >= screen.RangeAFrom() &&
                trace->PointColumn(k) <= screen.RangeATo())
                inRange = k;
        if (inRange >= 0) {
            const QPoint at = origin + QPoint(trace->PointColumn(inRange), trace->PointRow(inRange));
            delayBefore = ReadRealSetting(shell.CommandTree(), "TB:Delay", 0);
            const double offsetThen = ReadRealSetting(shell.CommandTree(), "Ch1:Offset", 0);
            QTest::mousePress(view, Qt::LeftButton, {}, at);
            rangeKind = view->PressedMouse()->DragKind();
            QTest::mouseMove(view, at + QPoint(20, 30));
            QTest::mouseRelease(view, Qt::LeftButton, {}, at + QPoint(20, 30));
            delayAfter = ReadRealSetting(shell.CommandTree(), "TB:Delay", 0);
            offsetKept = ReadRealSetting(shell.CommandTree(), "Ch1:Offset", 0) == offsetThen;
        }
        cancelled = view->CancelledDrags();
    });
    EXPECT_EQ(written, expected);
    EXPECT_EQ(undone, 3000);
    EXPECT_TRUE(pressedTrace) << "the press took Ch1";
    EXPECT_EQ(cancelled, 0u) << "no drag lost the mouse";
    EXPECT_TRUE(suspended) << "the acquisition waits while a trace is dragged";
    EXPECT_TRUE(bufferKept) << "the drag image is painted over the screen, never into it";
    EXPECT_TRUE(inverted);
    // 40 rows down of the 8 divisions (on a screen 321 high an eighth of the height, a division).
    EXPECT_LT(dy, 0);
    EXPECT_NEAR(offsetAfter - offsetBefore, dy * 8 * scale, 1e-9);
    EXPECT_FALSE(rightDragged);
    EXPECT_FALSE(smallFrame);
    EXPECT_TRUE(bigFrame);
    EXPECT_EQ(zoomMode, 2) << "the zoom shows the frame's span in timebase B";
    EXPECT_EQ(rangeKind, 2);
    EXPECT_NE(delayAfter, delayBefore);
    EXPECT_TRUE(offsetKept);
    ASSERT_FALSE(shot.isNull());
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(shot.save(folder + "/markers_demo.png", "PNG"));
}

}  // namespace
}  // namespace vt
