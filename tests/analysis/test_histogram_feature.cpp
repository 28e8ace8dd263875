// The waveform histogram through the command tree, with the real panel and its bottom strip and a
// record filled by hand: readouts and queries against values worked out from the record, the window's
// pairing and units, run-until, orientation, the exponential weight, a scale change, a window drag,
// and the shared hit map left alone by settings while the histogram is off.
#include <gtest/gtest.h>

#include "MeasListTestSupport.h"

#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/HistogramFeature.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/AsciiText.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/MarkerLayers.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenLayers.h"

using namespace vt;

namespace {

constexpr int Points = 1000;

struct THistRig : test::TPanelRig {
    THistRig() {
        Hist = &dynamic_cast<TScopeAnalysisServices&>(Shell.Analysis()).Histogram();
        // Two levels: +1 V for the first half, -1 V for the second.
        std::vector<double> levels(Points, -1.0);
        std::fill_n(levels.begin(), Points / 2, 1.0);
        SetRecord(ssCh1, levels);
        Display->Panel()->StyleLayer(ssCh1, 0);
    }
    TSignalObj& Record() { return Shell.Records()->Record(ssCh1); }
    TFullHist& Full() { return *Shell.FullHist(); }
    int Setting(const std::string& path) { return static_cast<int>(ReadRealSetting(Shell.CommandTree(), path, -1)); }
    std::string Cell(int row, int column) { return CellAt(HistCellRect(row, column, true)); }
    std::string Label(int row, int column) { return CellAt(HistCellRect(row, column, false)); }
    void Acquire(int n = 1) {
        for (int i = 0; i < n; ++i) Shell.Analysis().UpdateHistogram(1);
    }

    THistogramFeature* Hist = nullptr;
};

std::string Eng(double v, int digits) { return FloatToEngStr(3, digits, false, false, v); }

}  // namespace

TEST(HistogramFeature, ReadoutsQueriesWindowsAndAccumulation) {
    THistRig rig;
    rig.Do("Hist:Axis Vert");
    rig.Acquire();
    TFullHist& h = rig.Full();
    // 500 points at +1 V, then -1 V; the default window ends at column 4000, the point
    // 4000 / 4096 x 1000 = 976.6, rounded: points 0..977 count. The two levels are 2 V apart and every
    // point lies within 2 sigma of the mean.
    const std::uint64_t inBox = static_cast<std::uint64_t>(std::lround(4000.0 * Points / 4096)) + 1;
    EXPECT_EQ(h.GetTotalHits(), inBox);
    EXPECT_EQ(rig.Label(3, 1), rig.Shell.LangStr("HitsInBox"));
    EXPECT_EQ(rig.Cell(3, 1), "= " + Eng(static_cast<double>(inBox), 6) + "Hits");
    EXPECT_EQ(rig.Cell(4, 1), "= " + Eng(1, 6) + "Wfms");
    EXPECT_EQ(rig.Cell(1, 2), "= " + Eng(500, 6) + "Hits");
    EXPECT_EQ(rig.Cell(5, 3), "= " + Eng(1.0, 5) + "V");
    EXPECT_EQ(rig.Cell(5, 1), "= " + Eng(-1.0, 5) + "V");
    EXPECT_EQ(rig.Cell(5, 2), "= " + Eng(2.0, 5) + "V");
    EXPECT_EQ(rig.Label(3, 3), "Mean \u00B12 Sigma");
    // Linear auto scale: 20 % of the peak per division.
    EXPECT_EQ(rig.Cell(1, 1), "= " + Eng(500 * 0.2, 3) + "Hits/");
    EXPECT_EQ(rig.Do("Hist:Res? MEAN2S"), Eng(100, 5) + "%");
    EXPECT_EQ(rig.Do("Hist:Res? max"), Eng(1.0, 5) + "V");
    EXPECT_EQ(rig.Do("Hist:Res? Max-Max"), Eng(2.0, 5) + "V");
    EXPECT_EQ(rig.Do("Hist:Res? PP"), Eng(2.0, 5) + "V");
    EXPECT_EQ(rig.Do("Hist:Res? Kurtosis"), "BAD PARAMETER");
    rig.Do("Header ON");
    EXPECT_NE(rig.Do("Hist:Res? Max").find(":Max " + Eng(1.0, 5) + "V"), std::string::npos) << rig.Do("Hist:Res? Max");
    rig.Do("Header OFF");
    EXPECT_EQ(rig.Do("Hist:Data? VERT"), "");
    EXPECT_EQ(rig.Do("Hist:Data? Diagonal"), " ERROR");

    // The bars: the copied window bins with the peak as divisor.
    ASSERT_NE(rig.Display->Panel()->ExistingHistLayer(), nullptr);
    EXPECT_NE(dynamic_cast<THistWindowLayer*>(rig.Display->Panel()->MarkerLayer(1)), nullptr);

    // The window editors read in percent of the screen or in the source's units.
    EXPECT_DOUBLE_EQ(rig.Hist->WindowReading(1, heTop), 3.9921875);  // 511 rows of 128 per volt
    rig.Do("Hist:Units Percent");
    EXPECT_DOUBLE_EQ(rig.Hist->WindowReading(1, heTop), 99.90234375);

    // Paired edges keep the remembered width; independent ones move alone (percent of 4000 columns).
    rig.Do("Hist:WHor:Left 25");
    rig.Do("Hist:WHor:Right 75");
    rig.Do("Hist:WHor:Left 37.5");
    EXPECT_EQ(rig.Setting("Hist:WHor:Left"), 1500);
    EXPECT_EQ(rig.Setting("Hist:WHor:Right"), 3500);
    rig.Do("Hist:Limits Independ");
    rig.Do("Hist:WHor:Left 25");
    rig.Do("Hist:WHor:Right 75");
    rig.Do("Hist:WHor:Left 37.5");
    EXPECT_EQ(rig.Setting("Hist:WHor:Left"), 1500);
    EXPECT_EQ(rig.Setting("Hist:WHor:Right"), 3000);

    // Vert to Horiz keeps the hits: over the whole height, columns 1500..3000 of the 1000-point record
    // hold points 366..732, each hit once.
    rig.Do("Hist:WHor:Top 99.9");
    rig.Do("Hist:WHor:Bottom 0.1");
    rig.Do("Hist:Axis Horiz");
    const std::uint64_t expected = h.WindowRightBin() - h.WindowLeftBin() + 1;
    EXPECT_EQ(h.GetTotalHits(), expected);
    EXPECT_EQ(h.GetWaveformCount(), 1);

    // A drag of the box's left edge writes the horizontal set.
    auto* box = dynamic_cast<THistWindowLayer*>(rig.Display->Panel()->MarkerLayer(1));
    ASSERT_NE(box, nullptr);
    const int x = box->ScreenXToCell(1500), y = box->ScreenYToCell(512);
    box->GrabAt(x, y);
    ASSERT_TRUE(box->LeftGrabbed());
    box->DragTo(x + 20, y);
    EXPECT_EQ(rig.Setting("Hist:WHor:Left"), box->CellToScreenX(x + 20 + (box->ScreenXToCell(1500) - x)));
    EXPECT_GT(rig.Setting("Hist:WHor:Left"), 1500);

    // A change of the source's scale empties the histogram: the next waveform is the first.
    rig.Do("Hist:Axis Vert");
    rig.Record().SetVertScale(0.5);
    rig.Acquire();
    EXPECT_EQ(h.GetWaveformCount(), 1);
    EXPECT_EQ(h.GetTotalHits(), inBox);

    // Run until 10 waveforms: the 11th is not added.
    rig.Do("Hist:RunUntil Wfms");
    rig.Acquire(10);
    EXPECT_EQ(h.GetWaveformCount(), 10);
    EXPECT_EQ(h.GetTotalHits(), 10 * inBox);
    EXPECT_EQ(rig.Cell(4, 1), "= " + Eng(10, 6) + "Wfms");
    rig.Do("Hist:RunUntil StopSingle");

    // Exponential weight 8: the peak stays at 8 however many waveforms come.
    rig.Do("Hist:Mode Exponent");
    rig.Do("Hist:Weight 8");
    rig.Acquire(5);
    EXPECT_EQ(h.GetPeakCount(), 8u);
    EXPECT_EQ(h.ExpWeight(), 8);
}

TEST(HistogramFeature, SettingsWhileOffLeaveTheSharedHitMapAlone) {
    THistRig rig;
    std::vector<std::string> setup;
    rig.Do("Hist:Units Percent");
    rig.Do("Hist:WVert:Left 10");
    rig.Do("Hist:Mode Exponent");
    rig.Do("Hist:Axis Horiz");
    rig.Do("Hist:Axis Off");
    rig.Shell.CommandTree()->Root().SaveAllSettings(setup);
    std::vector<std::string> histLines;
    for (const std::string& line : setup)
        if (UpperCase(line).rfind("HIST:", 0) == 0) histLines.push_back(line);
    ASSERT_GE(histLines.size(), 25u);
    rig.Do("Hist:WVert:Left 0");
    rig.Do("Hist:Mode Normal");

    // Another user (autoscale, the eye) fills the map with its own window and orientation.
    TFullHist& h = rig.Full();
    AddSignalToHist(h, rig.Record());
    AddSignalToHist(h, rig.Record());
    h.SetVertical(true);
    h.SetWindow(0, 1000, 10, 2000);
    h.ComputeStatistics(true);
    const int left = h.WindowLeftBin(), right = h.WindowRightBin(), top = h.WindowTopRow();
    const auto hits = h.GetTotalHits();
    const int weight = h.ExpWeight();
    ASSERT_GT(hits, 0u);

    rig.Shell.CommandTree()->ApplyUnchangedValues = true;
    rig.Shell.CommandTree()->Root().LoadAllSettings(histLines);
    rig.Shell.CommandTree()->ApplyUnchangedValues = false;
    rig.Shell.Analysis().UpdateHistControls();
    h.ComputeStatistics(true);
    EXPECT_EQ(h.GetWaveformCount(), 2);
    EXPECT_EQ(h.GetTotalHits(), hits);
    EXPECT_TRUE(h.Vertical());
    EXPECT_EQ(h.ExpWeight(), weight);
    EXPECT_EQ(h.WindowLeftBin(), left);
    EXPECT_EQ(h.WindowRightBin(), right);
    EXPECT_EQ(h.WindowTopRow(), top);
    EXPECT_EQ(rig.Setting("Hist:WVert:Left"), 400);
}
