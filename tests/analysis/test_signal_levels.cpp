// Levels, thresholds and edges of a source, and the measurement pass that keeps them: the values are
// derived by hand from the records (1 V/div: row = 128 V + 512, bins of 4 rows).
#include <gtest/gtest.h>

#include "MeasTestSupport.h"
#include "acq/SignalObj.h"
#include "analysis/SignalLevels.h"
#include "core/Numeric.h"

using namespace vt;
using namespace vt::test;

TEST(SignalLevels, SquareRecordTwoBinHistogramAndClippedRecord) {
    TSignalObj r;
    r.SetLength(512);
    r.SetVertScale(1);
    for (int i = 0; i < 512; ++i) r.SetPoint(i, i < 256 ? -1.0 : 1.0);
    MeasSourceState st;
    EXPECT_FALSE(FindSignalLevels(st, r));
    TMeasSourceSettings settings;
    SetLevelMarkers(st, r, settings);
    // -1 V: row 384, bin 96; +1 V: row 640, bin 160; levels at 4 bin + 1.5.
    EXPECT_DOUBLE_EQ(st.Top, 1.01171875);
    EXPECT_DOUBLE_EQ(st.Base, -0.98828125);
    TThresholdTexts texts;
    texts.Upper = texts.Lower = "";
    SetReferenceLevels(st, r, settings, texts, "div");
    EXPECT_DOUBLE_EQ(st.Upper, 0.81171875);
    EXPECT_DOUBLE_EQ(st.Middle, 0.01171875);
    EXPECT_DOUBLE_EQ(st.Lower, -0.78828125);
    EXPECT_EQ(texts.Upper, "90%");
    EXPECT_EQ(texts.Lower, "10%");

    // Populated bins fewer than three apart: the extremes even under the histogram method.
    TLevelHistogram h{};
    h[100] = 7;
    h[102] = 3;
    double base = 0, top = 0;
    FindTopBase(h, true, r, base, top);
    EXPECT_DOUBLE_EQ(top, (409.5 - 512) / 128);
    EXPECT_DOUBLE_EQ(base, (401.5 - 512) / 128);

    // Edges at the lower threshold: a record that starts exactly on it crosses it at point 0.
    for (int i = 0; i < 512; ++i) r.SetPoint(i, i < 1 ? st.Lower : 1.0);
    st.RightMargin = 511;
    int start = 0;
    EXPECT_EQ(FindRisingCrossing(r, st, start, lsLower, false), 0.0);
    EXPECT_EQ(start, 1);
    start = 0;
    EXPECT_DOUBLE_EQ(FindRisingCrossing(r, st, start, lsMiddle, false), 1 - (1 - 0.01171875) / (1 - st.Lower));

    // Every point beyond rows 8..1019 is left out.
    for (int i = 0; i < 512; ++i) r.SetPoint(i, i % 2 ? 4.0 : -3.97);
    EXPECT_TRUE(FindSignalLevels(st, r));
}

TEST(MeasurementPass, RequestsModesClippingLimitHookSlopesAndFullCrossingTable) {
    TMeasRig rig;
    auto square = [](int i) { return (i / 20) % 2 ? 1.0 : -1.0; };  // rising at 20, 60, ...; falling at 40, 80, ...
    rig.SetRecord(ssCh1, Points(512, square));
    rig.List->Add(mgY, ykMax, ssCh1);
    int limitRuns = 0;
    rig.Calc->LimitTestAcquisition = [&limitRuns] { ++limitRuns; };

    rig.Calc->MeasureAcquisition();
    ASSERT_EQ(rig.List->SlotPasses, 1);
    EXPECT_DOUBLE_EQ(rig.List->Slots[0].Value, 1.0);
    EXPECT_EQ(limitRuns, 0);  // the limit test is off
    EXPECT_FALSE(rig.Shell.Records()->Record(ssCh1).ChangedFlag(0));

    // A level-marker and a margin request raised together: both apply in one pass without new data.
    TMeasSourceSettings& s = rig.SourceSettings(ssCh1);
    s.Method = 2;  // Marker
    s.Top = 640 + 64;
    s.Base = 384 - 64;
    s.LeftMarker = 800;  // point 100
    rig.Calc->RequestMargins(ssCh1);
    rig.Calc->RequestLevelMarkers(ssCh1);
    rig.Calc->MeasureAcquisition();
    EXPECT_DOUBLE_EQ(rig.Calc->State(ssCh1).Top, 1.5);
    EXPECT_DOUBLE_EQ(rig.Calc->State(ssCh1).Base, -1.5);
    EXPECT_EQ(rig.Calc->State(ssCh1).LeftMargin, 100);

    // The limit hook runs only when slots were computed with the test on.
    rig.Settings->Global_.LimitTestOn = true;
    rig.Calc->MeasureAcquisition();  // nothing new, nothing requested
    EXPECT_EQ(limitRuns, 0);
    rig.Shell.Records()->Record(ssCh1).SetChangedFlags();
    rig.Calc->MeasureAcquisition();
    EXPECT_EQ(limitRuns, 1);

    // Single: new data alone measures nothing; the measure-now request does.
    rig.Settings->Global_.Mode = 1;
    const int passes = rig.List->SlotPasses;
    rig.Shell.Records()->Record(ssCh1).SetChangedFlags();
    rig.Calc->MeasureAcquisition();
    EXPECT_EQ(rig.List->SlotPasses, passes);
    rig.Calc->RequestMeasureNow();
    rig.Calc->MeasureAcquisition();
    EXPECT_EQ(rig.List->SlotPasses, passes + 1);
    EXPECT_FALSE(rig.Calc->MeasureNowRequested());

    // A clipped record makes the slots of the source undefined, not stale.
    rig.Settings->Global_.Mode = 0;
    rig.SetRecord(ssCh1, Points(512, [](int) { return 5.0; }));
    rig.Calc->MeasureAcquisition();
    EXPECT_TRUE(IsUndefinedValue(rig.List->Slots[0].Value));

    // Slope margins: LeftSlope 0, 1, 2 = first rising, first falling, second rising edge; the margin
    // is one point before the rounded crossing (middle 0.01171875: 19.5059, 39.4941, 59.5059).
    rig.SetRecord(ssCh1, Points(512, square));
    s = TMeasSourceSettings{};
    s.MargMode = 0;
    s.RightSlope = 9;
    const int expected[] = {19, 38, 59};
    for (int slope = 0; slope < 3; ++slope) {
        s.LeftSlope = slope;
        rig.Calc->UpdateSignalMeasurements(ssCh1, 1);
        EXPECT_EQ(rig.Calc->State(ssCh1).LeftMargin, expected[slope]) << slope;
    }
    // RightSlope 9: the fifth falling edge, at 199.4941.
    EXPECT_EQ(rig.Calc->State(ssCh1).RightMargin, 199);

    // Period two over 4,096 points: 2,048 edges each way fill the table without an end mark, and every
    // scan stays inside it.
    rig.SetRecord(ssCh2, Points(4096, [](int i) { return i % 2 ? 1.0 : -1.0; }));
    rig.Calc->UpdateSignalMeasurements(ssCh2, 1);
    rig.Calc->FindCrossingWindow(ssCh2, 0, 0);
    const TCrossingTable& table = rig.Calc->CrossingTable();
    for (int k = 0; k < TCrossingTable::Size; ++k) ASSERT_EQ(table.Entries[k], 2 * (k / 2) + 1) << k;
    EXPECT_EQ(rig.Calc->NearestTablePoint(4095, false), 2048);
    EXPECT_EQ(rig.Calc->NearestTablePoint(2, true), 0);

    // No rising edge: the slope window falls back to the first and the last edge number.
    rig.SetRecord(ssCh2, Points(512, [](int i) { return i < 100 ? 1.0 : -1.0; }));
    rig.Calc->UpdateSignalMeasurements(ssCh2, 1);
    rig.Calc->TrackCrossingWindow(ssCh2);
    EXPECT_EQ(rig.Calc->CrossingTable().Entries[0], TCrossingTable::EndMark);
    EXPECT_EQ(rig.SourceSettings(ssCh2).LeftSlope, 0);
    EXPECT_EQ(rig.SourceSettings(ssCh2).RightSlope, MaxSlopeSetting);
}
