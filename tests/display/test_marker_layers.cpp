// The marker and overlay layers: conversions, lines and crosses, the press rules of the windows and
// levels, and where their drags go.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "LayerTestKit.h"
#include "acq/SignalSources.h"
#include "core/InternalError.h"
#include "display/DisplayPanel.h"
#include "display/MarkerLayers.h"
#include "display/SignalLayers.h"

using namespace vt;
using vt::test::TTestScreen;

namespace {

// A screen whose layers have the given max x and max y, with one layer of class TLayer on it.
template <class TLayer>
struct TLayerRig {
    TLayerRig(int maxX, int maxY, bool first = true)
        : T(maxX + 1 + ScreenMargin, maxY + 1, clBlack),
          Layer("layer", false, slMarker1, maxY + 1, maxX + 1, &Drags) {
        Layer.SetFirstMarker(first);
        Layer.SetSignalScreenAndRegisterSelfInIt(&T.Screen);
        Layer.SetLayerColorAndOpacity(TColor(0xFFFFFF00));
        Drags.WriteSetting = [this](const std::string& header, double value) {
            Writes.push_back(header + "=" + std::to_string(static_cast<int>(value)) + (Drags.Dragging ? " drag" : ""));
        };
        Drags.HistAxisKind = [] { return 2; };
        for (TPartDragSink* sink : {&Drags.Meas, &Drags.Fft, &Drags.Tdr}) {
            sink->Grab = [this](int part) { Writes.push_back("grab " + std::to_string(part)); };
            sink->Drag = [this](int part, int x, int y) {
                Writes.push_back(std::to_string(part) + " " + std::to_string(x) + " " + std::to_string(y));
            };
        }
    }
    std::vector<int> Column(int x) const {
        std::vector<int> rows;
        for (int y = 0; y <= Layer.MaxY(); ++y)
            if (Layer.Cell(x, y)) rows.push_back(y);
        return rows;
    }
    int Count() const {
        int n = 0;
        for (int y = 0; y <= Layer.MaxY(); ++y)
            for (int x = 0; x <= Layer.MaxX(); ++x) n += Layer.Cell(x, y) != 0;
        return n;
    }
    TOverlayDrags Drags;
    std::vector<std::string> Writes;
    TTestScreen T;
    TLayer Layer;
};

}  // namespace

TEST(MarkerLayers, ConversionsAndMarkerLinesMoveOnlyTheirCells) {
    TLayerRig<T_X_MarkerLayer> wide(999, 352);
    EXPECT_EQ(wide.Layer.ScreenXToCell(0), 1);
    EXPECT_EQ(wide.Layer.ScreenXToCell(4000), 998);
    EXPECT_EQ(wide.Layer.CellToScreenX(0), wide.Layer.CellToScreenX(1));
    EXPECT_EQ(wide.Layer.CellToScreenX(999), 3996);
    EXPECT_EQ(wide.Layer.CellToScreenY(0), 1023);
    EXPECT_EQ(wide.Layer.CellToScreenY(352), 1);
    EXPECT_TRUE(wide.Layer.Grabbable);
    EXPECT_FALSE(TMarkerLayer("xy", true, slMarker1, 100, 100).Grabbable) << "nothing on the XY screen is dragged";

    // Marker 1 solid over rows 8..H-9; 550 * 120 / 4000 = 16.5 goes to the even 16.
    TLayerRig<T_X_MarkerLayer> m1(550, 352);
    m1.Layer.SetPosition(120);
    EXPECT_EQ(m1.Layer.Column(), 16);
    EXPECT_EQ(m1.Column(16).size(), 352u - 16u);
    EXPECT_EQ(m1.Column(16).front(), 8);
    EXPECT_EQ(m1.T.Pixel(16, 100), TColor(0xFFFF00));
    // Unchanged cells: nothing is composed; a move clears the old line completely.
    const auto before = m1.T.Screen.CompositionCount();
    m1.Layer.SetPosition(119);
    EXPECT_EQ(m1.T.Screen.CompositionCount(), before);
    m1.Layer.SetPosition(2000);
    EXPECT_TRUE(m1.Column(16).empty());
    EXPECT_EQ(m1.T.Pixel(16, 100), clBlack);
    EXPECT_EQ(m1.Count(), 352 - 16);

    // Marker 2 dashed: rows 0..2 of every 8 stay out; Y lines dash by column.
    TLayerRig<T_X_MarkerLayer> m2(550, 352, false);
    m2.Layer.SetPosition(2000);
    for (int y : m2.Column(275)) EXPECT_GE(y % 8, 3) << y;
    EXPECT_EQ(m2.Column(275).size(), 5u * 42u);
    TLayerRig<T_Y_MarkerLayer> y2(550, 352, false);
    EXPECT_EQ(y2.Layer.ScreenYToCell(976), 16);
    y2.Layer.SetPosition(976);
    EXPECT_EQ(y2.Layer.Row(), 16);
    EXPECT_TRUE(y2.Layer.Cell(11, 16) && !y2.Layer.Cell(10, 16) && !y2.Layer.Cell(16, 16));

    // Drags write the marker's setting by header as the user's change; the line follows the pointer.
    m2.Layer.GrabAt(280, 50);
    m2.Layer.DragTo(300, 60);
    y2.Layer.DragTo(300, 176);
    EXPECT_EQ(m2.Writes, std::vector<std::string>{"Mark:M2:XPos=2182 drag"});
    EXPECT_EQ(y2.Writes, std::vector<std::string>{"Mark:M2:YPos=512 drag"});
    EXPECT_FALSE(m2.Drags.Dragging) << "lowered when the write returns";
    m1.T.DumpIfFailed("marker-lines");
}

TEST(MarkerLayers, XyMarkerCrossSitsOnItsPointAndHidesOffThePlot) {
    TScopeCRT::TProgram p;
    p.ClockMs = [] { return std::int64_t{0}; };
    test::TRecordingSink sink;
    TScopeCRT crt(std::move(p));
    crt.SetSink(&sink);
    crt.PlacePanel(0, 0, 604, 804);
    TParentSignalLayer* trace = crt.VectorLayer(ssCh1);
    trace->SetScales(1000, 1, 0);
    for (int n = 0; n < 1000; ++n) trace->PutPoint(n, n < 500 ? 1.0 : -1.0);
    auto* xy = dynamic_cast<T_XY_MarkerLayer*>(crt.XYMarkerLayer(2, ssCh1));
    ASSERT_NE(xy, nullptr);

    const auto [column, row] = trace->PointPosition(100);
    xy->SetPointIndex(100);
    EXPECT_EQ(xy->Column(), column);
    EXPECT_EQ(xy->Row(), row);
    for (int i : {-10, -1, 1, 10}) {
        EXPECT_TRUE(xy->Cell(column + i, row + i) && xy->Cell(column + i, row - i)) << i;
    }
    EXPECT_FALSE(xy->Cell(column + 11, row + 11));
    EXPECT_TRUE(xy->Cell(column, 11) && !xy->Cell(column, 10)) << "marker 2's line is dashed";

    // Beyond the right edge (point 1000 x 500/512 lies on it) and a point never placed hide the marker.
    xy->SetPointIndex(999);
    EXPECT_EQ(xy->Column(), 0);
    int drawn = 0;
    for (int y = 0; y <= xy->MaxY(); ++y)
        for (int x = 0; x <= xy->MaxX(); ++x) drawn += xy->Cell(x, y);
    EXPECT_EQ(drawn, 0);
    EXPECT_FALSE(crt.Screen(1)->SlotOwnsPixels(slMarker2));
    xy->SetPointIndex(-3);
    xy->SetPointIndex(5000);
    EXPECT_EQ(xy->Column(), 0);
    xy->SetPointIndex(0);
    EXPECT_EQ(xy->Column(), trace->PointPosition(0).first);
}

TEST(MarkerLayers, WindowsAndLevelsTakeTheRightPartAndHandItOn) {
    // A window six cells wide pressed in its middle takes the right edge; top and bottom likewise.
    TLayerRig<THistWindowLayer> hist(550, 352);
    hist.Layer.SetBox(100, 50, false, 56, 106);
    hist.Layer.GrabAt(103, 53);
    EXPECT_TRUE(hist.Layer.RightGrabbed() && !hist.Layer.LeftGrabbed());
    EXPECT_TRUE(hist.Layer.BottomGrabbed() && !hist.Layer.TopGrabbed());
    hist.Layer.GrabAt(102, 200);
    EXPECT_TRUE(hist.Layer.LeftGrabbed() && !hist.Layer.TopGrabbed() && !hist.Layer.BottomGrabbed());
    hist.Layer.DragTo(112, 200);
    EXPECT_EQ(hist.Writes, std::vector<std::string>{"Hist:WHor:Left=800 drag"});
    // SetWindow: screen units to cells; the same cells again compose nothing.
    hist.Layer.SetWindow(800, 2000, 800, 200);
    EXPECT_EQ(hist.Layer.BoxLeft(), 110);
    EXPECT_EQ(hist.Layer.BoxTop(), 77);
    const auto composed = hist.T.Screen.CompositionCount();
    hist.Layer.SetWindow(801, 2001, 801, 201);
    EXPECT_EQ(hist.T.Screen.CompositionCount(), composed);
    EXPECT_EQ(hist.Count(), 2 * (275 - 110 + 1) + 2 * (283 - 77 + 1) - 4);

    // Measurement definition: top and base on one row, pressed in the upper half: the base (1).
    TLayerRig<T_Meas_ParamLayer> meas(550, 352);
    meas.Layer.SetParams(400, 3600, 700, 700, 600, 500, 400);
    meas.Layer.GrabAt(300, 110);
    EXPECT_EQ(meas.Layer.GrabbedPart(), mpBase);
    meas.Layer.GrabAt(300, meas.Layer.BoxTop() + 200);
    EXPECT_EQ(meas.Layer.GrabbedPart(), mpRight) << "nothing near: the right margin";
    meas.Layer.GrabAt(meas.Layer.BoxLeft() + 2, 300);
    EXPECT_EQ(meas.Layer.GrabbedPart(), mpLeft);
    meas.Layer.DragTo(100, 176);
    // Threshold lines are dotted in the odd columns strictly inside the margins.
    const int upper = meas.Layer.ScreenYToCell(600);
    EXPECT_TRUE(meas.Layer.Cell(57, upper) && !meas.Layer.Cell(56, upper) && !meas.Layer.Cell(497, upper));
    EXPECT_EQ(meas.Writes, (std::vector<std::string>{"grab 1", "grab 6", "grab 5", "5 727 512"}));

    // FFT: all three not given draws the margins in column 1; a level with margins is refused.
    TLayerRig<T_FFT_Meas_ParamLayer> fft(550, 352);
    fft.Layer.PaintMeas_Params(-1, -1, -1);
    EXPECT_EQ(fft.Column(1).size(), 352u - 8u);
    fft.Layer.PaintMeas_Params(-1, 400, 2000);
    EXPECT_TRUE(fft.Column(1).empty());
    fft.Layer.GrabAt(276, 100);
    fft.Layer.DragTo(280, 100);
    fft.Layer.PaintMeas_Params(512, -1, -1);
    EXPECT_EQ(fft.Count(), 550 - 8);
    fft.Layer.GrabAt(10, 10);
    EXPECT_EQ(fft.Writes, (std::vector<std::string>{"grab 2", "2 2036 733", "grab 0"}));
    try {
        fft.Layer.PaintMeas_Params(512, 100, -1);
        ADD_FAILURE() << "refused";
    } catch (const EInternalError& e) {
        EXPECT_EQ(e.Message(), "??? T_FFT_Meas_ParamLayer.PaintMeas_Params");
    }

    // TDR margins: a left margin of -1 draws nothing; both near in the right half: the left one.
    TLayerRig<T_TDR_MarginsLayer> tdr(550, 352);
    tdr.Layer.SetMargins(-1, 2000);
    EXPECT_EQ(tdr.Count(), 0);
    tdr.Layer.SetMargins(2000, 2020);
    EXPECT_EQ(tdr.Count(), 2 * (352 - 8));
    tdr.Layer.GrabAt(277, 100);
    tdr.Layer.DragTo(290, 100);
    tdr.Layer.GrabAt(100, 100);
    EXPECT_EQ(tdr.Writes, (std::vector<std::string>{"grab 0", "0 2109 733", "grab 1"}));
    tdr.Layer.SetMargins(-1, -1);
    EXPECT_EQ(tdr.Count(), 0);
    meas.T.DumpIfFailed("meas-params");
}
