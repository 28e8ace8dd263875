// The readouts of the listed measurements on the panel's bottom strip, from the engine's pass over
// records whose values are known: the value cells of Param, the statistic cells of Statistic with the
// limit test's "N / A", a value that cannot be formed, the popup of a cell; and the levels and
// thresholds written back into the settings.
#include <gtest/gtest.h>

#include "MeasListTestSupport.h"
#include "analysis/MeasurementReadouts.h"
#include "core/Numeric.h"
#include "display/AnnotationLayer.h"
#include "display/AnnotationState.h"
#include "display/MarkerLayers.h"
#include "display/NoMouseActions.h"
#include "display/SignalScreen.h"

using namespace vt;
using namespace vt::test;

namespace {

// A square wave between -1 V and 1 V: 100 points a period, the first half low.
std::vector<double> Square(int n = 1000) {
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = (i % 100) < 50 ? -1.0 : 1.0;
    return v;
}

double Read(TShell& shell, const std::string& path) { return ReadRealSetting(shell.CommandTree(), path, -12345); }

}  // namespace

TEST(MeasurementReadouts, CellsOfBothDisplaysFromThePass) {
    TMeasListRig rig;
    rig.SetRecord(ssCh1, Square());
    rig.SetRecord(ssCh2, Square());
    rig.Do("Meas:Display Param");
    for (const char* c : {"Meas:Ch1:XParam Period ON", "Meas:Ch1:YParam Max ON", "Meas:Ch1:YParam Min ON",
                          "Meas:Ch1:YParam PP ON", "Meas:Ch2:XParam PosWidth ON", "Meas:Ch1:YDualPar Gain ON"})
        rig.Do(c);
    // The gain needs the levels of Ch2, which its first pass finds after Ch1's: a second pass.
    rig.Pass();
    rig.Do("Meas:SingleMeas");
    rig.Pass();
    // 100 points of 1 ps a period; the extremes 1 V and -1 V. The levels are the middles of their
    // four-row bins: top (641.5 - 512) / 128, base (385.5 - 512) / 128, so the middle level is
    // 0.01171875 V; the high half runs from crossing 49 + (mid + 1) / 2 to 99 + (1 - mid) / 2, that is
    // 50 - mid points. The same wave on Ch2: gain 1.
    const std::vector<std::string> expected = {"100 ps", "1 V", "-1 V", "2 V", "49.99 ps", "1 "};
    for (int slot = 0; slot < 6; ++slot) {
        EXPECT_EQ(rig.Cell(ParamCellRect(slot, true)), expected[static_cast<std::size_t>(slot)]) << slot;
        EXPECT_EQ(rig.Cell(ParamCellRect(slot, false)), rig.List().GetMeasLabel(slot));
    }
    EXPECT_TRUE(rig.Readouts().MeasurementsUpdated());

    // Statistic: four rows with headers; one value gives no deviation.
    rig.Limits.On = true;
    rig.Limits.InactiveSlot = 1;
    rig.Cells.clear();
    rig.Do("Meas:Display Statistic");
    EXPECT_EQ(rig.Cell(NizCellRect(-1, 2)), "Current");
    EXPECT_EQ(rig.Cell(NizCellRect(-1, 4)), "Tested Wfms") << "the limit test's headers";
    EXPECT_EQ(rig.Cell(NizCellRect(0, 1)), "Period (Ch1)");
    rig.Shell.Analysis().RestartMeasStatistics();
    rig.Cells.clear();
    rig.Pass();
    EXPECT_EQ(rig.Cell(NizCellRect(0, 2)), "100 ps");
    EXPECT_EQ(rig.Cell(NizCellRect(0, 3)), "    1");
    EXPECT_EQ(rig.Cell(NizCellRect(0, 6)), "100 ps");
    EXPECT_EQ(rig.Cell(NizCellRect(0, 7)), "Undefined");
    EXPECT_EQ(rig.Cell(NizCellRect(1, 4)), "N / A");
    EXPECT_EQ(rig.Cell(NizCellRect(1, 5)), "N / A");
    EXPECT_EQ(rig.Cell(NizCellRect(0, 4)), "<none>") << "an active slot's counts are the limit test's";
    EXPECT_EQ(rig.List().Count(), 4) << "no fifth row";

    // A value that cannot be formed (a flat record has no period) leaves the statistic cells.
    rig.Limits.On = false;
    rig.SetRecord(ssCh1, std::vector<double>(1000, 0.0));
    rig.Cells.clear();
    rig.Do("Meas:SingleMeas");
    rig.Pass();
    EXPECT_EQ(rig.Cell(NizCellRect(0, 2)), "  Undefined");
    EXPECT_EQ(rig.Cell(NizCellRect(0, 3)), "<none>");
    EXPECT_EQ(rig.Cell(NizCellRect(0, 7)), "<none>");
    EXPECT_EQ(rig.Cell(NizCellRect(1, 3)), "    2") << "Max of the flat record is defined";
    EXPECT_EQ(rig.Cell(NizCellRect(1, 4)), " 0 V") << "the flat record's maximum is the lesser";
    EXPECT_EQ(rig.Cell(NizCellRect(1, 5)), "1 V");

    // The popup of the annotated first slot, its source defined on the screen.
    rig.Readouts().HandleMeasPopupCommand("Annot", 0);
    const TStripMenu menu = rig.Readouts().BuildMeasPopupMenu(0);
    std::vector<std::string> model;
    for (const TStripMenuItem& i : menu)
        model.push_back(i.Separator ? "-" : i.Command + (i.Checked ? "+" : "") + (i.Enabled ? "" : "!") + (i.Default ? "*" : ""));
    EXPECT_EQ(model, (std::vector<std::string>{"AllVisible+*", "-", "Histic", "-", "Annot+!", "DelAnnot", "-",
                                               "DefParam+!", "DelDefParam", "-", "Remove", "RemoveAll"}));
    EXPECT_EQ(menu.front().Caption, "Period (Ch1)");
    rig.Readouts().HandleMeasPopupCommand("Histic", 0);
    EXPECT_TRUE(rig.List().Slot(0)->HisticonOn);
    rig.Readouts().HandleMeasPopupCommand("Remove", 0);
    EXPECT_EQ(rig.List().GetMeasLabel(0), "Maximum (Ch1)");
    EXPECT_EQ(rig.Mask("Meas:Ch1:XParam"), 0u);
    EXPECT_EQ(rig.Display->Annotations().AnnotatedMeas, -1) << "the annotated slot went with it";
    rig.Undo();
    EXPECT_EQ(rig.List().GetMeasLabel(0), "Period (Ch1)") << "the removal is its own undo step, back in its slot";
}

TEST(MeasurementReadouts, LevelsAndThresholdsIntoTheSettings) {
    TMeasListRig rig;
    rig.Do("Meas:Display Param");
    TMeasReadouts& readouts = rig.Readouts();

    // Flat: no span, so the percentages are 70, 50 and 30.
    rig.SetRecord(ssCh1, std::vector<double>(1000, 0.0));
    rig.Shell.Analysis().MeasureAcquisition();
    readouts.LevelsToThresholdPercents(ssCh1);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:UpThPerc"), 70);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:MidThPerc"), 50);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:LowThPerc"), 30);

    // Top 1, base -1 with the 10-90 thresholds 0.8, 0 and -0.8: 90, 50 and 10.
    rig.SetRecord(ssCh1, Square());
    rig.Do("Meas:SingleMeas");
    rig.Shell.Analysis().MeasureAcquisition();
    readouts.LevelsToThresholdPercents(ssCh1);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:UpThPerc"), 90);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:MidThPerc"), 50);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:LowThPerc"), 10);
    // Their rows: the levels are the bin middles 641.5 and 385.5, so the thresholds lie at rows
    // 385.5 + 0.9, 0.5 and 0.1 of 256: 615.9, 513.5 and 411.1, rounded to 616, 514 (to even) and 411.
    readouts.ThresholdsToRows(ssCh1);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:UpThresh"), 616);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:MidThresh"), 514);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:LowThresh"), 411);

    // The top of the extremes is the middle of its four rows: 641.5, 1.01171875 V, placed at row 642.
    rig.Do("Meas:Ch1:Method MinMax");
    std::vector<double> v(1000, -1.0);
    for (int i = 500; i < 1000; ++i) v[static_cast<std::size_t>(i)] = 1.0;
    rig.SetRecord(ssCh1, v);
    rig.Do("Meas:SingleMeas");
    rig.Shell.Analysis().MeasureAcquisition();
    readouts.PlaceLevelMarkers(ssCh1);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:Top"), 642);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:Base"), 386) << "385.5 to the even row";
    // The histogram's top between bins 159 and 160 in the ratio 1 : 3 is row 640.5 (1.00390625 V): 640.
    rig.Do("Meas:Ch1:Method Hist");
    for (int i = 500; i < 625; ++i) v[static_cast<std::size_t>(i)] = (636.0 - 512) / 128;
    rig.SetRecord(ssCh1, v);
    rig.Do("Meas:SingleMeas");
    rig.Shell.Analysis().MeasureAcquisition();
    readouts.PlaceLevelMarkers(ssCh1);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:Top"), 640);

    // A drag of a threshold writes the row and its percentage of the measured levels, here the
    // marker levels at rows 600 and 400.
    rig.Do("Meas:DisplSrc Ch1");
    rig.Do("Meas:Ch1:Method Marker");
    FindSetting<TEditHandler>(rig.Shell.CommandTree(), "Meas:Ch1:Top")->SetValue(600);
    FindSetting<TEditHandler>(rig.Shell.CommandTree(), "Meas:Ch1:Base")->SetValue(400);
    rig.Do("Meas:SingleMeas");
    rig.Shell.Analysis().MeasureAcquisition();
    readouts.DragMeasPart(mpMiddle, 1000, 550);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:MidThresh"), 550);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:MidThPerc"), 75) << "(550 - 400) / (600 - 400)";
    EXPECT_EQ(ReadChoiceSetting(rig.Shell.CommandTree(), "Meas:Ch1:Thresh", -1), 2);
}

// The annotation of each kind that marks more than its edges, on a square wave whose crossings and
// levels are known: a 1 V square of 100 points a period (low first) on Ch1, a 0.5 V one on Ch2.
// A record of 1000 points spans 4000 screen units over 1000 x 500 / 512 points: column = 4.096 x
// index. Rows are 512 + 128 x value. The Hist levels of the 1 V wave are the middles of their
// four-row bins, 641.5 and 385.5 (1.01171875 V and -0.98828125 V), so the middle threshold is
// 0.01171875 V at row 513.5 (514, halves to even); the rising crossings lie at 49 + (mid + 1) / 2 =
// 49.505859375 plus whole periods, the falling ones at 99 + (1 - mid) / 2 = 99.494140625.
TEST(MeasurementReadouts, AnnotationsMarkEveryPointTheirKindShowsAndNoOther) {
    TMeasListRig rig;
    std::vector<double> half = Square();
    for (double& v : half) v *= 0.5;
    rig.SetRecord(ssCh1, Square());
    rig.SetRecord(ssCh2, half);
    rig.Do("Meas:Display Param");
    auto column = [](double index) { return static_cast<int>(RoundHalfEven(index * 4.096)); };
    const double rise = 49.505859375, fall = 99.494140625;
    TScopeCRT& panel = *rig.Display->Panel();
    // The traces the annotation layers follow.
    panel.DotLayer(ssCh1);
    panel.DotLayer(ssCh2);
    // Only the records asked are drawn, on the layer of the source named; the rest are not drawn.
    auto drawn = [&](int layer, const std::string& source, std::vector<int> records) {
        auto* l = dynamic_cast<TAnnotationLayer*>(panel.ExistingAnnotationLayer(layer));
        if (!l) return std::string("no layer ") + std::to_string(layer);
        std::string got = l->Name() + ":";
        for (int n = 1; n <= AnnotationRecordCount; ++n)
            if (l->State(n).Drawn) got += " " + std::to_string(n);
        std::string want = "Ann.Lyr" + std::to_string(layer) + "_" + source + ":";
        for (int n : records) want += " " + std::to_string(n);
        return got == want ? std::string("ok") : got + " instead of " + want;
    };
    auto listOne = [&](const char* command) {
        rig.Do("Meas:ClearAll");
        rig.Do(command);
        rig.Do("Meas:SingleMeas");
        rig.Pass();
        rig.Do("Meas:SingleMeas");
        rig.Pass();
        return rig.List().Slot(0);
    };
    auto at = [](const TParameterOfMeas* p, int n) { return std::pair(p->Annotation[n].X, p->Annotation[n].Y); };

    // Gain of Ch2 over Ch1: top and base of Ch1 as points (layer 1), of Ch2 as levels (layer 2). The
    // 0.5 V levels lie in the bins from rows 576 and 448: 577.5 and 449.5, rows 578 and 450.
    const TParameterOfMeas* p = listOne("Meas:Ch1:YDualPar Gain ON");
    ASSERT_NE(p, nullptr);
    EXPECT_NEAR(p->Value, (577.5 - 449.5) / (641.5 - 385.5), 1e-12);
    EXPECT_EQ(drawn(1, "Ch1", {1, 2}), "ok");
    EXPECT_EQ(drawn(2, "Ch2", {3, 4}), "ok");
    EXPECT_EQ(p->Annotation[1].Y, 642);
    EXPECT_EQ(p->Annotation[2].Y, 386);
    EXPECT_EQ(p->Annotation[3].Y, 578);
    EXPECT_EQ(p->Annotation[4].Y, 450);
    EXPECT_EQ(p->Annotation[1].Text, "Top 1");
    EXPECT_EQ(p->Annotation[4].Text, "Base 2");

    // Positive duty: the crossings of the walk, and the width arrows at both ends of the first pulse.
    p = listOne("Meas:Ch1:XParam PosDuty ON");
    EXPECT_EQ(drawn(1, "Ch1", {1, 2, 3, 4}), "ok");
    EXPECT_EQ(at(p, 3), std::pair(column(rise), 514));
    EXPECT_EQ(at(p, 4), std::pair(column(fall), 514));
    EXPECT_EQ(p->Annotation[3].Text, " + Width");

    // Positive overshoot: the window's top and base lines and the first maximum (index 50, 1 V).
    p = listOne("Meas:Ch1:YParam PosOver ON");
    EXPECT_EQ(drawn(1, "Ch1", {1, 2, 3}), "ok");
    EXPECT_EQ(p->Annotation[1].Y, 642);
    EXPECT_EQ(p->Annotation[2].Y, 386);
    EXPECT_EQ(at(p, 3), std::pair(column(50), 640));
    // Negative overshoot: the first minimum, index 0 at -1 V.
    p = listOne("Meas:Ch1:YParam NegOver ON");
    EXPECT_EQ(at(p, 3), std::pair(column(0), 384));

    // Phase: the first rising crossings of both sources and, as the second crossing, the next rising
    // crossing of Ch1 one period on. Ch2's middle is (0.51171875 - 0.48828125) / 2, again row 514;
    // its crossing 49 + (0.01171875 + 0.5) = 49.51171875 falls on the column of Ch1's.
    p = listOne("Meas:Ch1:XDualPar PhaseDeg ON");
    EXPECT_EQ(drawn(1, "Ch1", {1, 3}), "ok");
    EXPECT_EQ(drawn(2, "Ch2", {2}), "ok");
    EXPECT_EQ(at(p, 3), std::pair(column(rise + 100), 514));
    EXPECT_EQ(at(p, 2), std::pair(column(49.51171875), 514));

    // A level over whole cycles spans them: from the first rising crossing to the last one (nine
    // periods on), at the cycle mean. The cycle area marks the same two crossings.
    p = listOne("Meas:Ch1:YParam CycMean ON");
    EXPECT_EQ(drawn(1, "Ch1", {1}), "ok");
    EXPECT_EQ(p->Annotation[1].X, column(rise));
    EXPECT_EQ(p->Annotation[1].X2, column(rise + 900));
    p = listOne("Meas:Ch1:YParam CycArea ON");
    EXPECT_EQ(drawn(1, "Ch1", {1, 2}), "ok");
    EXPECT_EQ(at(p, 1), std::pair(column(rise), 514));
    EXPECT_EQ(at(p, 2), std::pair(column(rise + 900), 514));

    // A value that cannot be formed places nothing and draws nothing: a flat Ch1.
    rig.SetRecord(ssCh1, std::vector<double>(1000, 0.0));
    p = listOne("Meas:Ch1:XParam PosDuty ON");
    auto* l = dynamic_cast<TAnnotationLayer*>(panel.ExistingAnnotationLayer(1));
    for (int n = 1; l && n <= AnnotationRecordCount; ++n) EXPECT_FALSE(l->State(n).Drawn) << n;
}


// The dotted upper threshold of Ch1's rise, dragged 8 pixels up with the mouse, stays where it was
// dropped after the next acquisition: its percentage is taken of the Hist levels the source is
// measured with (rows 641.5 and 385.5 of the 1 V square), not of the unused marker levels.
TEST(MeasurementReadouts, AThresholdDraggedWithTheMouseStaysWhereItWasDropped) {
    TMeasListRig rig;
    TScopeCRT& panel = *rig.Display->Panel();
    panel.DotLayer(ssCh1);
    rig.SetRecord(ssCh1, Square());
    for (const char* c : {"Meas:Display Param", "Meas:Ch1:XParam Rise ON", "Meas:View ON", "Meas:DisplSrc Ch1"})
        rig.Do(c);
    rig.Pass();
    auto* layer = dynamic_cast<T_Meas_ParamLayer*>(panel.MeasParamsLayer(ssCh1));
    ASSERT_NE(layer, nullptr);
    // 10-90: the upper threshold at 385.5 + 0.9 x 256 = 615.9, row 616 of the screen units.
    const int row = layer->ScreenYToCell(616);
    const int column = 2 * (layer->ScreenXToCell(2000) / 2) + 1;  // a dot of the line
    ASSERT_EQ(layer->Cell(column, row), 1);
    test::TNoMouseActions actions;
    TScreenMouse mouse(panel, *panel.Screen(1), &actions);
    mouse.Press(mbLeft, 0, column + ScreenMargin, row);
    ASSERT_EQ(mouse.Grabbed(), layer);
    EXPECT_EQ(layer->GrabbedPart(), mpUpper);
    mouse.Move(mbLeft, 0, column + ScreenMargin, row - 8);
    mouse.Release(mbLeft, 0, column + ScreenMargin, row - 8);

    const int y = layer->CellToScreenY(row - 8);
    ASSERT_GT(y, 616);
    EXPECT_EQ(ReadChoiceSetting(rig.Shell.CommandTree(), "Meas:Ch1:Thresh", -1), 2) << "Custom";
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:UpThresh"), y);
    EXPECT_NEAR(Read(rig.Shell, "Meas:Ch1:UpThPerc"), (y - 385.5) / 256 * 100, 0.001);
    EXPECT_EQ(Read(rig.Shell, "Meas:Ch1:LowThPerc"), 10) << "the other thresholds stay";

    rig.Do("Meas:SingleMeas");
    rig.Pass();
    const TSignalObj& r = rig.Shell.Records()->Record(ssCh1);
    EXPECT_NEAR(r.ValueToPixel(rig.Services->Meas().State(ssCh1).Upper), y, 0.01);
    EXPECT_EQ(layer->Cell(column, row - 8), 1) << "the line is drawn where it was dropped";
    EXPECT_EQ(layer->Cell(column, row), 0);
}
