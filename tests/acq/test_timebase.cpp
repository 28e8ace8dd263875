// The timebase's rules: the B scale and delay rooms follow the A scale, the intensified zone, unit
// scales against time scales, and the calibration curve text.
#include <gtest/gtest.h>

#include "core/BitRates.h"
#include "TimebaseChannelsSupport.h"

using namespace vt;
using namespace vt::test;

TEST(TimebaseRules, ScaleBAndDelayRoomsFollowScaleA) {
    TTimebaseChannelsShell t;
    auto& a = t.Edit("TB:ScaleA");
    auto& b = t.Edit("TB:ScaleB");
    auto& delay = t.Edit("TB:Delay");
    auto& delta = t.Edit("TB:DeltaDel");
    // No instrument: the largest time scale of the new firmware.
    EXPECT_DOUBLE_EQ(a.MaxValue(), 5e-2);
    EXPECT_EQ(t.Run("TB:ScaleA 1"), "");
    EXPECT_DOUBLE_EQ(a.GetValue(), 5e-2);

    EXPECT_EQ(t.Run("TB:ScaleA 1e-6"), "");
    EXPECT_DOUBLE_EQ(b.MinValue(), 1e-10);
    EXPECT_DOUBLE_EQ(b.MaxValue(), 1e-6);
    t.Run("TB:ScaleA 5e-8");
    EXPECT_DOUBLE_EQ(b.MinValue(), 1e-11);
    EXPECT_DOUBLE_EQ(b.MaxValue(), 5e-8);

    t.Run("TB:ScaleA 1e-8;ScaleB 1e-8");
    EXPECT_DOUBLE_EQ(delay.MaxValue(), 0);
    EXPECT_DOUBLE_EQ(delay.DefaultValue(), 0);
    EXPECT_DOUBLE_EQ(delay.GetValue(), 0);
    EXPECT_DOUBLE_EQ(delta.MaxValue(), 0);
    EXPECT_DOUBLE_EQ(delta.MinValue(), 0);

    // Remote delays are typed in the unit shown: 20 ns are 2 divisions of 10 ns.
    t.Run("TB:ScaleB 1e-9;Delay 2e-8");
    EXPECT_DOUBLE_EQ(delay.GetValue(), 2);
    EXPECT_DOUBLE_EQ(delay.MaxValue(), 9);
    EXPECT_DOUBLE_EQ(delay.DefaultValue(), 5);
    EXPECT_DOUBLE_EQ(delta.MaxValue(), 7);
    EXPECT_DOUBLE_EQ(delta.DefaultValue(), 5);  // 1-2-5 rounding of 3.5

    // The intensified zone only in mode AB.
    t.Run("TB:Mode B");
    EXPECT_EQ(t.Display->Ranges, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(t.Bindings.HorScale, "TB:ScaleB");
    EXPECT_EQ(t.Bindings.HorCaption, "SCALE B");
    t.Run("TB:Mode AB");
    EXPECT_EQ(t.Display->Ranges, (std::array<int, 4>{400, 800, 0, 0}));
    t.Run("TB:DualDel On;DeltaDel 3e-8");
    EXPECT_EQ(t.Display->Ranges, (std::array<int, 4>{400, 800, 2000, 400}));
    EXPECT_FALSE(delta.IsDisabled());
    // Delay changes leave the zone alone while Run is on.
    t.Shell.RunOn = true;
    t.Run("TB:Delay 1e-8");
    EXPECT_EQ(t.Display->Ranges[1], 800);
    t.Shell.RunOn = false;
    t.Run("TB:Mode A");
    EXPECT_TRUE(delay.IsDisabled());
    EXPECT_TRUE(delta.IsDisabled());
    EXPECT_EQ(t.Bindings.HorScale, "TB:ScaleA");
    EXPECT_EQ(t.Bindings.Delay, "TB:Delay");
}

TEST(TimebaseRules, BitUnitKeepsBitScalesWhenTheRateChanges) {
    TTimebaseChannelsShell t;
    const TBitRateValue& rates = StandardBitRates();
    t.Run("TB:ScaleA 2e-8;ScaleB 4e-9");
    EXPECT_NEAR(t.Edit("TB:BitScaleA").GetValue(), 2e-8 * rates.GetRate(7), 1e-6);
    t.Run("TB:Units Bit");
    EXPECT_TRUE(t.Edit("TB:ScaleA").IsDisabled());
    EXPECT_FALSE(t.Edit("TB:BitScaleA").IsDisabled());
    EXPECT_EQ(t.Bindings.HorScale, "TB:BitScaleA");
    t.Run("TB:BitScaleA 2;BitScaleB 0.5");
    EXPECT_NEAR(t.Edit("TB:ScaleA").GetValue(), 2 / rates.GetRate(7), 1e-15);

    // A program change of the time scale in unit Bits keeps the value it was given.
    t.Feature->Timebase().SetTimebaseValue(0, 3.3e-8);
    EXPECT_DOUBLE_EQ(t.Edit("TB:ScaleA").GetValue(), 3.3e-8);
    EXPECT_NEAR(t.Edit("TB:BitScaleA").GetValue(), 3.3e-8 * rates.GetRate(7), 1e-6);
    t.Run("TB:BitScaleA 2");

    t.Run("TB:BitRate 1G25000");
    EXPECT_DOUBLE_EQ(t.Edit("TB:BitScaleA").GetValue(), 2);
    EXPECT_DOUBLE_EQ(t.Edit("TB:BitScaleB").GetValue(), 0.5);
    EXPECT_NEAR(t.Edit("TB:ScaleA").GetValue(), 1.6e-9, 1e-15);
    EXPECT_NEAR(t.Edit("TB:ScaleB").GetValue(), 4e-10, 1e-15);
    // The delay shows and takes bits: 2 bit/div × 1 division.
    t.Run("TB:Delay 2");
    EXPECT_DOUBLE_EQ(t.Edit("TB:Delay").GetValue(), 1);
    t.Run("Header Off");
    EXPECT_EQ(t.Run("TB:Delay?"), "2 bit");

    // A program change of the time scale moves the bit scales along.
    t.Run("TB:Units Time");
    t.Feature->Timebase().SetTimebaseValue(0, 8e-9);
    EXPECT_NEAR(t.Edit("TB:BitScaleA").GetValue(), 10, 1e-6);
    EXPECT_EQ(t.Run("TB:Delay?"), "8 ns");
}

TEST(TimebaseRules, CalibrationCurveTextsAndFallBack) {
    TTimebaseChannelsShell t;
    TTimebase& tb = t.Feature->Timebase();
    EXPECT_TRUE(tb.SetTimebaseCalCurve(68267, "2 0 FFFF"));
    EXPECT_EQ(tb.TimebaseCalCurveText(), "2 0 FFFF");
    EXPECT_TRUE(tb.SetTimebaseCalCurve(70000, "  3 0 1a ffff"));
    EXPECT_EQ(tb.TimebaseCalCurveText(), "3 0 1A FFFF");
    EXPECT_EQ(tb.Calibration().Interval, 70000);
    std::string count41 = "41";
    for (int i = 0; i < 65; ++i) count41 += " " + std::to_string(i + 1);
    for (const std::string text : {"2 10 10", "1 0", "2 0 1FFFF", "2 0 G", count41.c_str(), ""}) {
        tb.SetTimebaseCalCurve(70000, "3 0 1 2");
        EXPECT_FALSE(tb.SetTimebaseCalCurve(70000, text)) << text;
        EXPECT_EQ(tb.TimebaseCalCurveText(), "2 0 FFFF") << text;
        EXPECT_EQ(tb.Calibration().Interval, 68267) << text;
    }
    EXPECT_FALSE(tb.SetTimebaseCalCurve(0, "2 0 FFFF"));
}

TEST(TimebaseRules, ModeBSwitchesTheDelayedSourcesAndUndoKeepsItsDelays) {
    TTimebaseChannelsShell t;
    TTimebase& tb = t.Feature->Timebase();
    t.Run("Ch2:Display Off;Acquire Off");
    t.Run("TB:Mode B");
    EXPECT_TRUE(t.On(ssCh1B2));
    EXPECT_FALSE(t.On(ssCh2B2));
    EXPECT_DOUBLE_EQ(tb.ChannelTimeOrigin(false, 1e-9), 1e-8 * 2 + 1e-9);
    EXPECT_DOUBLE_EQ(tb.ChannelTimeOrigin(true, 0), 1e-8 * 5);
    t.Run("TB:Mode A");
    EXPECT_FALSE(t.On(ssCh1B2));
    EXPECT_DOUBLE_EQ(tb.ChannelTimeOrigin(false, 1e-9), 1e-9);

    // An undo step that set the delay keeps its value; the other delay goes back.
    tb.SaveTimebaseDelays();
    t.Shell.CommandTree()->ExecuteCommandString("TB:Delay 4", true);
    t.Run("TB:DeltaDel 1e-8");
    tb.RestoreTimebaseDelays();
    EXPECT_DOUBLE_EQ(t.Edit("TB:Delay").GetValue(), 4);
    EXPECT_DOUBLE_EQ(t.Edit("TB:DeltaDel").GetValue(), 3);

    tb.ShiftTimebaseDelay(0, -0.1);
    EXPECT_DOUBLE_EQ(t.Edit("TB:Delay").GetValue(), 3);
}
