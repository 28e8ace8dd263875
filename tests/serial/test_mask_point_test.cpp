// The rasterised mask's point test and the per-sample counting of the test run, against polygons
// whose insides are known by construction.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <memory>
#include <vector>

#include "MaskTestSupport.h"
#include "core/SettingReaders.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "serial/MaskObject.h"

namespace vt::test {
namespace {

void AddBox(TMask_Obj& obj, int set, double x1, double y1, double x2, double y2) {
    const double xs[] = {x1, x2, x2, x1}, ys[] = {y1, y1, y2, y2};
    obj.AddPolygon(set, 4, ys, xs);
}

// A closed square, ends included on the right and top, open on the left and bottom: columns count
// the edges whose (X1, X2] holds them, rows count edges strictly below.
TEST(MaskObject, PointsInAndOutOfSquaresMarginsAndEmptySets) {
    TMask_Obj square;
    EXPECT_EQ(square.HitMask(2000, 512), 0);  // an empty set hits nothing
    AddBox(square, 0, 1000, 256, 3000, 768);
    for (auto [x, y] : {std::pair{2000, 512}, {3000, 512}, {2000, 768}}) EXPECT_EQ(square.HitMask(x, y), 1) << x << "," << y;
    for (auto [x, y] : {std::pair{1000, 512}, {2000, 256}, {3001, 512}, {0, 0}, {4000, 1023}}) EXPECT_EQ(square.HitMask(x, y), 0) << x << "," << y;
    EXPECT_EQ(square.HitMask(4001, 512), 0);
    // A triangle: the point test follows the slanted edge (row 256 + (x - 1000) / 4 at column x).
    TMask_Obj triangle;
    const double xs[] = {1000, 3000, 3000}, ys[] = {256, 256, 756};
    triangle.AddPolygon(0, 3, ys, xs);
    EXPECT_EQ(triangle.HitMask(2000, 500), 1);
    EXPECT_EQ(triangle.HitMask(2000, 507), 0);
    EXPECT_TRUE(triangle.PointInPolygon(0, 0, 505 * 32, 2000));
    EXPECT_FALSE(triangle.PointInPolygon(0, 0, 507 * 32, 2000));

    int cx = 0, cy = 0;
    TMask_Obj centre;
    AddBox(centre, 0, 100, 200, 301, 300);
    centre.GetPolygonCenter(1, cx, cy);
    EXPECT_EQ(std::make_pair(cx, cy), std::make_pair(200, 250));
    centre.GetPolygonCenter(2, cx, cy);
    EXPECT_EQ(std::make_pair(cx, cy), std::make_pair(0, 0));

    // Inner margins: the margin box inside the mask box; inside both gives 2, the mask alone 1.
    TMask_Obj inner;
    inner.SetMarginsOn(true);
    inner.SetInnerMargins(true);
    AddBox(inner, 0, 1000, 256, 3000, 768);
    AddBox(inner, 1, 1500, 400, 2500, 600);
    EXPECT_EQ(inner.TestPoint(2000, 512 * 32), 2);
    EXPECT_EQ(inner.TestPoint(1200, 300 * 32), 1);
    EXPECT_EQ(inner.TestPoint(500, 300 * 32), 0);
    EXPECT_EQ(inner.HitMask(2000, 512), 0x11);
    inner.SetInnerMargins(false);
    EXPECT_EQ(inner.TestPoint(2000, 512 * 32), 1);
}

// Samples of Ch1 (1280 rows a volt, a column a point) against a box over the top rows and one over
// the bottom rows (from row 0: a box's bottom edge is outside it): a value off
// the screen is tested at row 1023, a point past column 4000 is not tested, and an index stored twice
// in one waveform (an accumulating mode) counts once in every counter.
TEST(MaskRun, SamplesCountOncePerWaveformAndTheRepliesNameThem) {
    TMaskRig rig;
    rig.Load("#Poly=2,BitP=0,TB=0,X0=0,VDiv=0,V0=0,StdI=0,MskI=0,MskNm=,Marg=0,Kind=4,"
             "\"Poly1=100,1000_3999,1000_3999,1023_100,1023_\",\"Poly2=0,0_3999,0_3999,20_0,20_\"");
    rig.Run("Mask:Test ON");
    rig.Run("Header OFF");
    ASSERT_EQ(rig.Run("Mask:Test?"), "ON");
    for (int i = 0; i < 4096; ++i) rig.Ch1().SetPoint(i, 0);
    rig.Ch1().SetPoint(200, 5.0);    // far above the screen: row 1023
    rig.Ch1().SetPoint(300, 0.4);    // row 1024 -> 1023
    rig.Ch1().SetPoint(4050, 5.0);   // column 4050: not tested
    rig.Ch1().SetPoint(50, 5.0);     // left of the box
    rig.Ch1().SetPoint(60, -5.0);    // row 1: polygon 2
    for (int pass = 0; pass < 3; ++pass)
        for (int i = 0; i < 4096; ++i) rig.Shell.Serial().MaskTestSample(ssCh1, i);
    rig.Shell.Serial().MaskTestSample(ssCh2, 200);  // not the compared channel
    rig.Shell.Serial().MaskTestStep();
    const TMaskCounters& c = rig.Mask().Counters();
    EXPECT_EQ(c.TestedWaveforms, 1u);
    EXPECT_EQ(c.FailedWaveforms, 1u);
    EXPECT_EQ(c.Samples, 4096u);
    EXPECT_EQ(c.FailedSamples, 3u);
    EXPECT_EQ(c.Polygon[0], 2u);
    EXPECT_EQ(c.Polygon[1], 1u);
    // The next waveform counts the same indices again.
    for (int i = 0; i < 4096; ++i) rig.Shell.Serial().MaskTestSample(ssCh1, i);
    rig.Shell.Serial().MaskTestStep();
    EXPECT_EQ(c.FailedSamples, 6u);
    // A step without a new waveform counts nothing.
    rig.Shell.Serial().MaskTestStep();
    EXPECT_EQ(c.TestedWaveforms, 2u);

    rig.Run("Header OFF");
    EXPECT_EQ(rig.Run("Mask:Res? AllWfm"), "2");
    EXPECT_EQ(rig.Run("Mask:Res? FAILSMPL"), "6");
    EXPECT_EQ(rig.Run("Mask:Res? Poly1"), "4");
    EXPECT_EQ(rig.Run("Mask:Res? Poly9"), "BAD POLYGON'S NUMBER");
    EXPECT_EQ(rig.Run("Mask:Res? Poly0"), "BAD POLYGON'S NUMBER");
    EXPECT_EQ(rig.Run("Mask:Res? Foo"), "BAD PARAMETR");
    rig.Run("Header ON");
    EXPECT_EQ(rig.Run("Mask:Res? AllSmpl"), "MASK:RES:AllSmpl 8192");
    EXPECT_EQ(rig.Run("Mask:Res? foo"), "MASK:RES:foo BAD PARAMETR");

    // Counters are 64 bits: past 2^32 waveforms and samples they go on.
    rig.Mask().Counters().TestedWaveforms = 0xFFFFFFFFull;
    rig.Mask().Counters().Samples = 0xFFFFFFFFull;
    for (int i = 0; i < 4096; ++i) rig.Shell.Serial().MaskTestSample(ssCh1, i);
    rig.Shell.Serial().MaskTestStep();
    rig.Run("Header OFF");
    EXPECT_EQ(rig.Run("Mask:Res? AllWfm"), "4294967296");
    EXPECT_EQ(rig.Run("Mask:Res? AllSmpl"), std::to_string(0xFFFFFFFFull + 4096));

    // Clearing the mask switches the test off; the test cannot go on without one.
    rig.Run("Mask:EraseMask");
    EXPECT_EQ(rig.Run("Mask:Test?"), "OFF");
    rig.Run("Mask:Test ON");
    EXPECT_EQ(rig.Run("Mask:Test?"), "OFF");
}

// With margins a polygon's total is its mask hits plus its margin hits: a sample inside both counts
// in each, and twice in the total; the failed samples count it once. The results table's first column
// shows the total, the second the mask hits (the total again while the margin is not positive), the
// third the margin hits.
TEST(MaskRun, APolygonsTotalAddsItsMaskAndMarginHits) {
    struct TCase {
        const char* State;
        std::uint64_t Mask, Margin, Failed;
        bool PositiveMargin;
    };
    // Row 512 (0 V) over columns 0..4000: the mask box holds columns 1001..3000. An inner margin box
    // holds 1501..2500 (all of them in the mask too); an outer one shifted right holds 2001..3500:
    // 1001..2000 in the mask alone, 2001..3000 in both, 3001..3500 in the margin alone.
    const TCase cases[] = {
        {"#Poly=1,BitP=0,TB=0,X0=0,VDiv=0,V0=0,StdI=0,MskI=0,MskNm=,Marg=-10,Kind=4,"
         "\"Poly1=1000,256_3000,256_3000,768_1000,768_\",#MgPly=1,\"MgPly1=1500,400_2500,400_2500,600_1500,600_\"",
         2000, 1000, 2000, false},
        {"#Poly=1,BitP=0,TB=0,X0=0,VDiv=0,V0=0,StdI=0,MskI=0,MskNm=,Marg=20,Kind=4,"
         "\"Poly1=1000,256_3000,256_3000,768_1000,768_\",#MgPly=1,\"MgPly1=2000,300_3500,300_3500,700_2000,700_\"",
         2000, 1500, 2500, true},
    };
    for (const TCase& k : cases) {
        SCOPED_TRACE(k.State);
        TMaskRig rig;
        rig.Shell.SetDisplayServices(std::make_unique<TScopeDisplayServices>(rig.Shell));
        auto& display = dynamic_cast<TScopeDisplayServices&>(rig.Shell.Display());
        display.CreatePanel();
        display.PlacePanel(4, 60, 450, 548);
        std::map<std::pair<int, int>, std::string> cells;
        display.Panel()->BottomStrip().TextWatch = [&cells](const TPixelRect& r, const std::string& t, TColor) {
            cells[{r.Top, r.Left}] = t;
        };
        const auto cell = [&cells](int row, int column) {
            const TPixelRect r = MaskCellRect(row, column, true);
            return cells[{r.Top, r.Left}];
        };
        rig.Load(k.State);
        rig.Run("Mask:Test ON");
        for (int i = 0; i < 4096; ++i) rig.Ch1().SetPoint(i, 0);
        for (int i = 0; i < 4096; ++i) rig.Shell.Serial().MaskTestSample(ssCh1, i);
        rig.Shell.Serial().MaskTestStep();
        // The counts wait in the strip's delayed slots behind the first drawing: let them through.
        TNizText& strip = display.Panel()->BottomStrip();
        for (int slot = 0; slot < DelayedTextSlotCount; ++slot)
            if (strip.Slot(slot).Timer) strip.FlushDelayedText(strip.Slot(slot).Timer.get());
        rig.Run("Header OFF");
        const std::uint64_t total = k.Mask + k.Margin;
        EXPECT_EQ(rig.Run("Mask:Res? Poly1"), std::to_string(k.Mask));
        EXPECT_EQ(rig.Run("Mask:Res? Poly1MAR"), std::to_string(k.Margin));
        EXPECT_EQ(rig.Run("Mask:Res? Poly1ALL"), std::to_string(total));
        EXPECT_EQ(rig.Run("Mask:Res? FailSmpl"), std::to_string(k.Failed));
        EXPECT_EQ(cell(3, 1), std::to_string(total) + " Hits");
        EXPECT_EQ(cell(3, 2), std::to_string(k.PositiveMargin ? k.Mask : total) + " Hits");
        EXPECT_EQ(cell(3, 3), std::to_string(k.Margin) + " Hits");
        EXPECT_EQ(cell(2, 1), std::to_string(k.Failed) + " hits");
    }
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

struct TSaveAnswers : TUserServices {
    bool ExecSaveDialog(TSaveDialogRequest& request) override {
        Asked.push_back(request);
        if (!Answer) return false;
        request.Name = "/data/runs/failing";
        request.FilterIndex = 1;
        return true;
    }
    void Beep() override { ++Beeps; }
    std::vector<TSaveDialogRequest> Asked;
    bool Answer = false;
    int Beeps = 0;
};

// Save switched on at the menu asks for the file (Cancel leaves Save off); by a remote command it asks
// nothing and takes the default name; Beep alone never touches the file settings.
TEST(MaskRun, TheSaveActionAsksForItsFileOnlyAtTheMenu) {
    TMaskRig rig;
    auto answers = std::make_unique<TSaveAnswers>();
    TSaveAnswers& user = *answers;
    rig.Shell.SetUserServices(std::move(answers));
    rig.Shell.Folders.MaskTestFolder = "/data/mask/";
    auto* action = FindSetting<TCheckSwHandler>(rig.Shell.CommandTree(), "Mask:Action");
    ASSERT_NE(action, nullptr);
    action->SetBitFromSwitcher(1, true);
    ASSERT_EQ(user.Asked.size(), 1u);
    EXPECT_EQ(user.Asked[0].Title, "Save Waveform As");
    EXPECT_EQ(user.Asked[0].Filter, "Binary format (*.wfm)|*.wfm|Verbose format (*.txt)|*.txt|Y values formats (*.txty)|*.txty");
    EXPECT_EQ(action->GetMask(), 0u);  // cancelled
    user.Answer = true;
    action->SetBitFromSwitcher(1, true);
    EXPECT_EQ(action->GetMask(), 2u);
    EXPECT_EQ(user.Beeps, 1);
    rig.Run("Header OFF");
    EXPECT_EQ(rig.Run("Mask:FileFormat?"), "VERBOSE");
    EXPECT_EQ(rig.Mask().NextFailedFileName(), "/data/runs/failing.txt");
    action->SetBitFromSwitcher(1, false);
    action->SetBitFromSwitcher(0, true);
    EXPECT_EQ(user.Asked.size(), 2u);
    rig.Run("Mask:Action Save");
    EXPECT_EQ(user.Asked.size(), 2u);
    EXPECT_EQ(rig.Mask().NextFailedFileName(), "/data/runs/failing.txt");
    rig.Run("Mask:FileName /data/other/run7.wfm");
    EXPECT_EQ(rig.Run("Mask:FileName?"), "/data/other/run7.txt");
}

}  // namespace
}  // namespace vt::test
