// The markers through the command tree, with the real panel's bottom strip: the texts of each type in
// their cells, the XY steps by whole points, paired motion, undefined ratios, units that differ, the
// reference readouts and the "Mark:Result" query.
#include <gtest/gtest.h>

#include "MeasListTestSupport.h"

#include <QGuiApplication>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/Markers.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/AsciiText.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/EngineeringText.h"
#include "core/Shell.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/DisplaySettings.h"
#include "display/ScopeDisplayServices.h"

using namespace vt;

namespace {

constexpr double Dt = 1e-12;

struct TMarkerRig : test::TPanelRig {
    TMarkerRig() {
        Markers = &dynamic_cast<TScopeAnalysisServices&>(Shell.Analysis()).Markers();
        // Channel 1 a ramp of 1 mV a point, channel 2 level at 0.5 V, both at 0.1 V/div.
        std::vector<double> ramp(1000);
        for (int i = 0; i < 1000; ++i) ramp[static_cast<std::size_t>(i)] = i * 0.001;
        SetRecord(ssCh1, ramp, Dt, 0.1);
        SetRecord(ssCh2, std::vector<double>(1000, 0.5), Dt, 0.1);
        Do("Mark:M2:Source Ch2");
    }
    // Positions are typed as times and values.
    void SetX(int n, int column) {
        char text[80];
        std::snprintf(text, sizeof text, "Mark:M%d:XPos %.17g", n, column / 4096.0 * 1000 * Dt);
        Do(text);
    }
    void SetY(int n, int row) {
        char text[80];
        std::snprintf(text, sizeof text, "Mark:M%d:YPos %.17g", n, (row - 512) / 128.0 * 0.1);
        Do(text);
    }
    int X(int n) {
        return FindSetting<TIntEditHandler>(Shell.CommandTree(), "Mark:M" + std::to_string(n) + ":XPos")->GetValue();
    }
    // The value last written in the marker cell.
    std::string Cell(int row, int column) { return CellAt(MarkerCellRect(row, column, true)); }
    std::string Label(int row, int column) { return CellAt(MarkerCellRect(row, column, false)); }
    void Refresh() {
        Cells.clear();
        Markers->InvalidateMarkerValues();
        Markers->RefreshMarkerReadouts();
    }
    TMarkers* Markers = nullptr;
};

// Time of column c of a 1000-point record at 1 ps per point: c / 4096 x 1000 points.
double TimeOfColumn(int c) { return c / 4096.0 * 1000 * Dt; }
std::string Eng(double v, int digits = 6) { return FloatToEngStr(3, digits, false, false, v); }

}  // namespace

TEST(Markers, ReadoutsAndQueryFollowTheSettings) {
    TMarkerRig rig;
    EXPECT_EQ(rig.Do("Mark:Result? M1"), "Markers OFF");
    EXPECT_EQ(rig.Do("Mark:Result? DM"), "Markers OFF");

    // MX: both times, their difference and its inverse.
    rig.Do("Mark:Type MX");
    rig.Refresh();
    const double x1 = TimeOfColumn(1000), x2 = TimeOfColumn(3000);
    EXPECT_EQ(rig.Label(1, 1), "XM1 =");
    EXPECT_EQ(rig.Cell(1, 1), Eng(x1) + "s");
    EXPECT_EQ(rig.Cell(1, 2), Eng(x2) + "s");
    EXPECT_EQ(rig.Cell(1, 3), Eng(x2 - x1) + "s");
    EXPECT_EQ(rig.Cell(1, 4), Eng(1 / (x2 - x1)) + "Hz");
    EXPECT_EQ(rig.Label(1, 4), "1 / dXM =");
    // The query answers from the settings as they are now, not from the last drawn texts.
    rig.SetX(1, 2000);
    EXPECT_EQ(rig.Do("Mark:Result? m1"), "XM1 = " + std::string(TrimWhite(Eng(TimeOfColumn(2000)) + "s")));
    EXPECT_EQ(rig.Do("Mark:Result? Top"), "Argument Error");
    EXPECT_EQ(rig.Do("Mark:Result? REF"), "Reference OFF");
    rig.Do("Header ON");
    EXPECT_EQ(rig.Do("Mark:Result? m2").rfind("MARK:RESULT:M2  XM2 = ", 0), 0u) << rig.Do("Mark:Result? m2");
    rig.Do("Header OFF");

    // dXM 0: the inverse is undefined.
    rig.SetX(2, 2000);
    rig.Refresh();
    EXPECT_EQ(rig.Cell(1, 4), rig.Shell.LangStr("Undefined"));

    // MY: the values of the rows, 0.1 V per division, 128 rows per division.
    rig.Do("Mark:Type MY");
    rig.Refresh();
    EXPECT_EQ(rig.Cell(2, 1), Eng((300 - 512) / 128.0 * 0.1) + "V");
    EXPECT_EQ(rig.Cell(2, 3), Eng((600 - 300) / 128.0 * 0.1) + "V");
    EXPECT_TRUE(rig.Cell(1, 1).empty());

    // Reference: the current dYM; doubled it reads 200 % and 20 log10 2 dB.
    rig.Do("Mark:Refer ON");
    EXPECT_DOUBLE_EQ(rig.Markers->Reference().second, 0.3 / 1.28 * 1.0);
    rig.SetY(2, 900);
    rig.Refresh();
    EXPECT_EQ(rig.Cell(4, 3), Eng(200, 3) + "%");
    EXPECT_EQ(rig.Cell(4, 4), Eng(20 * std::log10(2.0), 3) + "dB");
    EXPECT_EQ(rig.Do("Mark:Result? REF"), "dYM = " + std::string(TrimWhite(Eng(200, 3) + "%")) + "; dYM = " +
                                              std::string(TrimWhite(Eng(20 * std::log10(2.0), 3) + "dB")));
    rig.Do("Mark:Type MX");
    rig.SetX(2, 2400);
    rig.Do("Mark:SetRef");
    rig.SetX(2, 2800);
    rig.Refresh();
    EXPECT_EQ(rig.Cell(4, 1), Eng(200, 3) + "%");
    EXPECT_EQ(rig.Cell(4, 2), Eng(720, 3) + "\u00b0");
    rig.Do("Mark:Refer OFF");

    // XY on 1000 points: 4 columns a point; +1 steps 4, +10 steps 12; the value is the point's.
    rig.Do("Mark:Type XY");
    rig.SetX(1, 1000);
    rig.SetX(1, 1001);
    EXPECT_EQ(rig.X(1), 1004);
    rig.SetX(1, 1014);
    EXPECT_EQ(rig.X(1), 1016);
    rig.Refresh();
    const int point = static_cast<int>(std::lround(1016 / 4096.0 * 1000));
    EXPECT_EQ(rig.Cell(1, 1), Eng(TimeOfColumn(1016)) + "s");
    EXPECT_EQ(rig.Cell(2, 1), Eng(point * 0.001) + "V");
    EXPECT_EQ(rig.Label(2, 4), "dYM / dXM =");
    EXPECT_EQ(rig.Do("Mark:Result? M1"), "XM1 = " + std::string(TrimWhite(Eng(TimeOfColumn(1016)) + "s")) +
                                             "; YM1 = " + std::string(TrimWhite(Eng(point * 0.001) + "V")));
    rig.SetX(2, 1016);
    rig.Refresh();
    EXPECT_EQ(rig.Cell(2, 4), rig.Shell.LangStr("Undefined")) << "no slope over dXM 0";

    // Paired: M1 takes M2 along; moving M2 changes the distance.
    rig.Do("Mark:Type MX");
    rig.SetX(1, 1000);
    rig.SetX(2, 3000);
    rig.Do("Mark:Motion Paired");
    rig.SetX(1, 1100);
    EXPECT_EQ(rig.X(2), 3100);
    rig.SetX(2, 3300);
    EXPECT_EQ(rig.Markers->PairedDistance().first, 2200);
    rig.SetX(1, 1000);
    EXPECT_EQ(rig.X(2), 3200);
    rig.Do("Mark:Motion Independ");

    // Sources with different horizontal units show no differences.
    TSignalObj& f1 = rig.Shell.Records()->Record(ssF1);
    f1.SetLength(1000);
    f1.SetSampleInterval(1e6);
    f1.SetHorUnit("Hz");
    rig.Shell.Records()->SignalsOn().SetOn(ssF1, true);
    rig.Do("Mark:M2:Source F1");
    rig.Refresh();
    EXPECT_FALSE(rig.Markers->MarkerDeltasShown().first);
    EXPECT_FALSE(rig.Cell(1, 2).empty());
    EXPECT_TRUE(rig.Cell(1, 3).empty() && rig.Label(1, 3).empty());

    // A database on the screen refuses XY.
    TDisplaySettings settings(rig.Shell);
    rig.Display->SetSettings(&settings);
    settings.SetDatabase(true, "db.cgs");
    rig.Do("Mark:Type XY");
    EXPECT_EQ(rig.Do("Mark:Type?"), "MX");
    rig.Display->SetSettings(nullptr);
    rig.Do("Mark:Type Off");
    EXPECT_EQ(rig.Do("Mark:Result? M2"), "Markers OFF");
}
