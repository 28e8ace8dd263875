// The mouse on a screen: an overlay dragged at once, a trace moved only at the release, a right press
// that drags nothing, the zoom frame and its zoom, the range drag of timebase AB, a lost mouse, and the
// XY screen that takes no press.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "RecordingSink.h"
#include "acq/SignalSources.h"
#include "display/DisplayPanel.h"
#include "display/MarkerLayers.h"
#include "display/ScreenMouse.h"
#include "display/SignalLayers.h"

using namespace vt;

namespace {

struct TRecordingActions : TScreenMouseActions {
    void StartFlagRegisterReading() override { Calls.push_back("start"); }
    void StopFlagRegisterReading() override { Calls.push_back("stop"); }
    void MoveSignalByDivisions(int source, double dy, double dx) override {
        Calls.push_back("move " + std::to_string(source) + " " + std::to_string(dy) + " " + std::to_string(dx));
    }
    void ShiftTimebaseDelay(int which, double x) override {
        Calls.push_back("shift " + std::to_string(which) + " " + std::to_string(x));
    }
    void DragSignalOnScreen(const std::vector<int>& sources, double h, double b, double w, double x) override {
        std::string s = "zoom";
        for (int n : sources) s += " " + std::to_string(n);
        Calls.push_back(s + " " + std::to_string(h) + " " + std::to_string(b) + " " + std::to_string(w) + " " +
                        std::to_string(x));
    }
    bool IsTimebaseModeAB() const override { return AB; }
    bool IsTimebaseModeB() const override { return false; }
    double SourceZoom(int) const override { return 1; }
    bool SourceIsSpectrum(int) const override { return false; }
    std::vector<std::string> Calls;
    bool AB = false;
};

struct TMouseRig {
    TMouseRig() {
        TScopeCRT::TProgram p;
        p.ClockMs = [] { return std::int64_t{0}; };
        Panel = std::make_unique<TScopeCRT>(std::move(p));
        Panel->SetSink(&Sink);
        Panel->PlacePanel(0, 0, 604, 804);
        Panel->OverlayDrags().WriteSetting = [this](const std::string& header, double value) {
            Writes.push_back(header + "=" + std::to_string(static_cast<int>(value)));
        };
        Trace = Panel->VectorLayer(ssCh1);
        Trace->SetScales(500, 1, 0);
        for (int n = 0; n < 500; ++n) Trace->PutPoint(n, 0);
        Screen = Panel->Screen(1);
        Mouse = std::make_unique<TScreenMouse>(*Panel, *Screen, &Actions);
        // A point of the trace away from everything else.
        X = Trace->PointColumn(50);
        Row = Trace->PointRow(50);
    }
    test::TRecordingSink Sink;
    std::unique_ptr<TScopeCRT> Panel;
    TParentSignalLayer* Trace = nullptr;
    TSignalScreen* Screen = nullptr;
    TRecordingActions Actions;
    std::unique_ptr<TScreenMouse> Mouse;
    std::vector<std::string> Writes;
    int X = 0;
    int Row = 0;
};

std::string Fraction(double v) { return std::to_string(v); }

}  // namespace

TEST(ScreenMouse, OverlaysDragAtOnceTracesAtTheRelease) {
    TMouseRig rig;
    ASSERT_GT(rig.Row, 0);
    TSignalScreen& screen = *rig.Screen;
    // Marker 2's line: a press on it and a move of 55 pixels write the new column's position.
    auto* marker = dynamic_cast<T_X_MarkerLayer*>(rig.Panel->XMarkerLayer(2, ssCh1));
    ASSERT_NE(marker, nullptr);
    marker->SetPosition(2000);
    const int column = marker->Column();
    rig.Mouse->Press(mbLeft, 0, column + ScreenMargin, 100);
    EXPECT_EQ(rig.Mouse->Grabbed(), marker);
    rig.Mouse->Move(mbLeft, 0, column + ScreenMargin + 55, 100);
    rig.Mouse->Release(mbLeft, 0, column + ScreenMargin + 55, 100);
    EXPECT_EQ(rig.Writes, std::vector<std::string>{"Mark:M2:XPos=" + std::to_string(marker->CellToScreenX(column + 55))});
    EXPECT_TRUE(rig.Actions.Calls.empty()) << "an overlay suspends nothing";

    // The trace dragged 40 pixels down: nothing moves before the release, the image only follows.
    const auto composed = screen.CompositionCount();
    rig.Mouse->Press(mbLeft, 0, rig.X + ScreenMargin, rig.Row);
    ASSERT_NE(rig.Mouse->DragImage(), nullptr);
    EXPECT_EQ(rig.Mouse->DragImage()->Pixel(rig.X + ScreenMargin, rig.Row), clWhite);
    rig.Mouse->Move(mbLeft, 0, rig.X + 30 + ScreenMargin, rig.Row + 40);
    EXPECT_EQ(rig.Mouse->DragOffsetX(), 0) << "a plain channel moves vertically only";
    EXPECT_EQ(rig.Mouse->DragOffsetY(), 40);
    EXPECT_EQ(screen.CompositionCount(), composed) << "the screen's picture is not touched";
    EXPECT_EQ(rig.Actions.Calls, std::vector<std::string>{"start"});
    rig.Mouse->Release(mbLeft, 0, rig.X + 30 + ScreenMargin, rig.Row + 40);
    const double dy = (screen.PixelToScreenY(40) - 1024) / 1024.0;
    EXPECT_NEAR(dy, -40.0 / (screen.Height() - 1), 1e-3);
    EXPECT_EQ(rig.Actions.Calls, (std::vector<std::string>{"start", "move 0 " + Fraction(dy) + " " + Fraction(0), "stop"}));
    EXPECT_EQ(rig.Mouse->DragImage(), nullptr);

    // A right press takes the trace but drags nothing; a lost mouse ends a drag, moving nothing.
    rig.Actions.Calls.clear();
    rig.Mouse->Press(mbRight, 0, rig.X + ScreenMargin, rig.Row);
    EXPECT_EQ(rig.Mouse->Grabbed(), rig.Trace);
    EXPECT_EQ(rig.Mouse->DragImage(), nullptr);
    rig.Mouse->Release(mbRight, 0, rig.X + ScreenMargin, rig.Row);
    rig.Mouse->Press(mbLeft, 0, rig.X + ScreenMargin, rig.Row);
    rig.Mouse->Move(mbLeft, 0, rig.X + ScreenMargin, rig.Row + 20);
    rig.Mouse->Cancel();
    EXPECT_EQ(rig.Actions.Calls, (std::vector<std::string>{"start", "stop"}));

    // Timebase AB: a press within 5 pixels of range A drags the range and shifts the delay instead.
    rig.Actions.Calls.clear();
    rig.Actions.AB = true;
    screen.SetIntensifiedRanges(400, 400, 0, 0);
    const int rangeEnd = screen.RangeATo();
    rig.Mouse->Press(mbLeft, 0, rangeEnd + 4 + ScreenMargin, rig.Row);
    EXPECT_EQ(rig.Mouse->DragKind(), 2);
    rig.Mouse->Move(mbLeft, 0, rangeEnd + 24 + ScreenMargin, rig.Row + 30);
    EXPECT_EQ(rig.Mouse->DragOffsetY(), 0) << "a range moves sideways only";
    rig.Mouse->Release(mbLeft, 0, rangeEnd + 24 + ScreenMargin, rig.Row + 30);
    EXPECT_EQ(rig.Actions.Calls,
              (std::vector<std::string>{"start", "shift 0 " + Fraction(screen.PixelToScreenX(20) / 4000.0), "stop"}));
}

TEST(ScreenMouse, ZoomFrameOnlyBeyondTenPixelsAndNoPressOnTheXyScreen) {
    TMouseRig rig;
    TScopeCRT& crt = *rig.Panel;
    // Empty screen: 10 x 40 pixels draws no frame, 60 x 40 does.
    rig.Mouse->Press(mbLeft, 0, 300 + ScreenMargin, 30);
    EXPECT_TRUE(rig.Mouse->FrameArmed());
    rig.Mouse->Move(mbLeft, 0, 310 + ScreenMargin, 70);
    EXPECT_EQ(crt.ExistingFrameLayer(), nullptr);
    rig.Mouse->Move(mbLeft, 0, 360 + ScreenMargin, 70);
    ASSERT_NE(crt.ExistingFrameLayer(), nullptr);
    rig.Mouse->Release(mbLeft, 0, 360 + ScreenMargin, 70);
    EXPECT_EQ(rig.Mouse->Cursor(), crPointing);
    rig.Mouse->Move(0, 0, 500 + ScreenMargin, 200);
    EXPECT_EQ(rig.Mouse->Cursor(), crCross);
    // A press inside zooms into the frame with the traces of this screen.
    const TFrameLayer& frame = *crt.ExistingFrameLayer();
    const double maxX = frame.MaxX(), maxY = frame.MaxY();
    const std::string expected = "zoom 0 " + Fraction(40 / maxY) + " " + Fraction(1 - 70 / maxY) + " " +
                                 Fraction(60 / maxX) + " " + Fraction(300 / maxX);
    rig.Mouse->Press(mbLeft, 0, 330 + ScreenMargin, 50);
    EXPECT_EQ(rig.Actions.Calls, std::vector<std::string>{expected});
    EXPECT_EQ(crt.ExistingFrameLayer(), nullptr);
    EXPECT_EQ(rig.Mouse->Cursor(), crDefault);

    // The XY screen takes no press.
    crt.SetScreenMode(3);
    TSignalScreen* xy = crt.Screen(crt.XYScreenNumber());
    ASSERT_NE(xy, nullptr);
    TScreenMouse mouse(crt, *xy, &rig.Actions);
    mouse.Press(mbLeft, 0, 100, 100);
    EXPECT_FALSE(mouse.FrameArmed() || mouse.Grabbed());
}
