// The rasterised mask's point test and the per-sample counting of the test run, against polygons
// whose insides are known by construction.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <memory>
#include <vector>

#include "MaskTestSupport.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "serial/CurrentMask.h"
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

// The inside of one polygon as the rule says, edge by edge: vertices rounded to columns and 1/32 rows,
// an edge counts at a column in (left X, right X] when its crossing there (truncated towards its left
// end's row) lies strictly below the row; inside is an odd count.
bool PlainInside(const std::vector<double>& xs, const std::vector<double>& ys, int column, int row32) {
    const std::size_t n = xs.size();
    int count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        long long xa = RoundHalfEven(std::clamp(xs[i], 0.0, 4000.0)), ya = RoundHalfEven(32 * std::clamp(ys[i], 0.0, 1024.0));
        long long xb = RoundHalfEven(std::clamp(xs[j], 0.0, 4000.0)), yb = RoundHalfEven(32 * std::clamp(ys[j], 0.0, 1024.0));
        if (xa == xb) continue;
        if (xa > xb) std::swap(xa, xb), std::swap(ya, yb);
        if (column <= xa || column > xb) continue;
        if (ya + (column - xa) * (yb - ya) / (xb - xa) < row32) ++count;
    }
    return count % 2 == 1;
}

// A stored eye mask and a pulse mask (a centre hexagon between two bands, with margins) at several
// places and sizes: the point test agrees with the edge-by-edge rule at every row of a grid of
// columns through each vertex and its neighbours, and at each vertex's own 1/32 row.
TEST(MaskObject, PointTestFollowsTheEdgesOfStandardMasksWhereverTheyStand) {
    const std::vector<std::vector<TMaskVertex>> eye = {
        {{0.25, 0.5}, {0.4, 0.75}, {0.6, 0.75}, {0.75, 0.5}, {0.6, 0.25}, {0.4, 0.25}},
        {{-0.5, 1.2}, {1.5, 1.2}, {1.5, 2.5}, {-0.5, 2.5}},
        {{-0.5, -0.2}, {1.5, -0.2}, {1.5, -1.5}, {-0.5, -1.5}}};
    const std::vector<std::vector<TMaskVertex>> pulse = {
        {{0.1, 0.45}, {0.3, 0.7}, {0.7, 0.7}, {0.9, 0.45}, {0.7, 0.2}, {0.3, 0.2}},
        {{-0.2, 1.15}, {0.35, 1.1}, {1.4, 1.3}, {1.4, 2.0}, {-0.2, 2.0}},
        {{-0.2, -0.1}, {1.4, -0.15}, {1.4, -0.6}, {0.5, -0.3}, {-0.2, -0.6}}};
    struct TPlace {
        int Kind, MarginType, Margin;
        double BitP, TB;
        int X0;
        double VDiv, V0;
    };
    const TPlace places[] = {
        {mkStdEye, mtSquare, 10, 0, 0, 0, 0, 0},
        {mkStdEye, mtHexagon, -8, 0, 0, 0, 0, 0},
        {mkStdPulse, mtPolar, 12, 1e-9, 1e-9, 300, 0.25, 0},
        {mkStdPulse, mtSquare, 5, 2.5e-9, 1e-9, 1517, 0.1, 0.3},   // moved, wider and taller
        {mkStdPulse, mtNoMargin, 0, 7e-10, 1e-9, 2950, 0.07, -0.05},  // partly off the screen
    };
    for (const TPlace& at : places) {
        TCurrentMask m;
        m.SetKind(at.Kind);
        m.SetMarginType(at.MarginType);
        m.BitP = at.BitP, m.TB = at.TB, m.X0 = static_cast<std::uint16_t>(at.X0), m.VDiv = at.VDiv, m.V0 = at.V0;
        const auto& shapes = at.Kind == mkStdEye ? eye : pulse;
        for (int n = 1; n <= 3; ++n) {
            const auto& v = shapes[static_cast<std::size_t>(n - 1)];
            m.StorePolygon(n, v, 0, static_cast<int>(v.size()));
            if (at.Margin != 0) m.StorePolygon(n, v, at.Margin, static_cast<int>(v.size()));
        }
        TMask_Obj obj;
        obj.SetMarginsOn(at.Margin != 0);
        obj.SetInnerMargins(at.Margin < 0);
        std::vector<std::vector<double>> xs(6), ys(6);  // mask polygons 0..2, margin polygons 3..5
        std::set<int> columns, rows32;
        for (int k = 0; k < (at.Margin != 0 ? 6 : 3); ++k) {
            const auto slot = static_cast<std::size_t>(k < 3 ? k : k + 1);
            CountedVertices(m.Polygons[slot], xs[static_cast<std::size_t>(k)], ys[static_cast<std::size_t>(k)]);
            const auto& x = xs[static_cast<std::size_t>(k)];
            const auto& y = ys[static_cast<std::size_t>(k)];
            obj.AddPolygon(k < 3 ? 0 : 1, static_cast<int>(x.size()), y.data(), x.data());
            for (std::size_t i = 0; i < x.size(); ++i) {
                const auto c = static_cast<int>(RoundHalfEven(x[i]));
                const auto r = static_cast<int>(RoundHalfEven(32 * y[i]));
                columns.insert({c - 1, c, c + 1});
                rows32.insert({r - 1, r, r + 1});
            }
        }
        for (int c = 0; c <= 4000; c += 47) columns.insert(c);
        for (int r = 0; r <= 1024; ++r) rows32.insert(r * 32);
        int disagreements = 0;
        for (int c : columns)
            for (int r32 : rows32) {
                std::uint8_t mask = 0, margin = 0;
                for (std::size_t k = 0; k < 3; ++k) {
                    if (PlainInside(xs[k], ys[k], c, r32)) mask = static_cast<std::uint8_t>(mask | (1u << k));
                    if (at.Margin != 0 && PlainInside(xs[k + 3], ys[k + 3], c, r32)) margin = static_cast<std::uint8_t>(margin | (1u << k));
                }
                const int expected = mask == 0 ? (margin != 0 ? 2 : 0) : (margin != 0 && at.Margin < 0 ? 2 : 1);
                if (obj.TestPoint(c, r32) != expected && ++disagreements <= 5)
                    ADD_FAILURE() << "kind " << at.Kind << " x0 " << at.X0 << ": column " << c << ", row32 " << r32;
                if (r32 % 32 == 0 && obj.HitMask(c, r32 / 32) != (mask | margin << 4) && ++disagreements <= 5)
                    ADD_FAILURE() << "kind " << at.Kind << " x0 " << at.X0 << ": hits at column " << c << ", row " << r32 / 32;
            }
        EXPECT_EQ(disagreements, 0);
    }
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
