#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "EyeTestSupport.h"
#include "SerialTestSupport.h"
#include "display/ScreenColors.h"

using namespace vt;
using namespace vt::test;

// A noise-free NRZ eye with its one level at 0.275 V (row 352) and its zero level at 0.25 V (row 320):
// in the eye's middle both rails are single rows, so the eye height is 25 mV exactly and its ratio
// 20 log10(0.275 / 0.25) = 0.8279 dB, written without a prefix ("827.9 mdB" would be wrong).
TEST(EyeStripRows, NamesValuesStatisticsCountsAndRowsAfterARemoval) {
    TEyeRig rig;
    TEyeMeasurement& eye = rig.Eye();
    TLoggedStrip log;
    TNizText& strip = log.Strip;
    static_cast<TScopeSerialServices&>(rig.Shell.Serial()).EyeRows().StripOf = [&strip] { return &strip; };

    rig.Run("Eye:Measure NRZ");
    rig.Run("Eye:Statistic ON");
    rig.Run("Eye:YNRZParam EyeHeight,EyeHeightDB");
    ASSERT_EQ(eye.ParamCount(emNrz), 2);
    EXPECT_TRUE(strip.EyeLabelsDrawn);

    const std::uint32_t ch1 = SourceRGB(ssCh1).Value;
    const TLoggedStrip::TCell& name = log.At(0, 1);
    EXPECT_EQ(name.Text, "Eye Height (Ch1)");
    EXPECT_EQ(name.Colour, ch1);
    EXPECT_EQ(name.Rect.Left, 3);
    EXPECT_EQ(name.Rect.Right, 113);
    EXPECT_EQ(name.Rect.Top, 16);
    EXPECT_EQ(name.Rect.Bottom, 32);
    EXPECT_EQ(log.Text(1, 1), "Eye Height, dB (Ch1)");

    // One cycle with statistics on, then one waveform of the next: one value, 64 + 1 waveforms.
    TEyeWriter writer({.One = 0.275, .Zero = 0.25});
    rig.Acquire(writer, 65);
    ASSERT_EQ(eye.EngineRuns, 1);
    ASSERT_FALSE(eye.State().EyeNotFound);
    const double db = 20 * std::log10(0.275 / 0.25);
    ASSERT_NEAR(db, 0.8279, 5e-5);
    for (int column : {2, 4, 5, 6}) {
        EXPECT_EQ(log.Text(0, column), "25 mV") << column;
        EXPECT_EQ(log.At(0, column).Colour, ch1);
        EXPECT_EQ(log.Text(1, column), "0.8279 dB") << column;
    }
    EXPECT_EQ(log.Text(0, 7), "Undefined");
    EXPECT_EQ(log.Text(1, 7), "Undefined");
    EXPECT_EQ(log.Text(0, 3), "1 / 65");
    EXPECT_EQ(log.At(0, 3).Colour, ch1);

    // Statistics off: the rows are cleared and the mean and deviation stay empty; the count alone.
    rig.Run("Eye:Statistic OFF");
    EXPECT_EQ(log.Text(0, 6), "");
    EXPECT_EQ(log.Text(0, 2), "");
    EXPECT_FALSE(strip.EyeLabelsDrawn);
    rig.Acquire(writer, 65);
    EXPECT_EQ(log.Text(0, 1), "Eye Height (Ch1)");
    EXPECT_EQ(log.Text(0, 2), "25 mV");
    EXPECT_EQ(log.Text(0, 6), "");
    EXPECT_EQ(log.Text(0, 7), "");
    EXPECT_EQ(log.Text(0, 3), "    1");

    // Removing slot 1 moves the ratio up and leaves row 1 empty, values included.
    rig.Run("Eye:YNRZParam EyeHeightDB");
    ASSERT_EQ(eye.ParamCount(emNrz), 1);
    EXPECT_EQ(log.Text(0, 1), "Eye Height, dB (Ch1)");
    EXPECT_EQ(log.Text(0, 2), "0.8279 dB");
    for (int column = 1; column <= 7; ++column) EXPECT_EQ(log.Text(1, column), "") << column;
}

// Rates invert seconds only: with the source's horizontal unit changed to metres the latest bit rate is
// undefined and has no unit, while the statistics still hold the 500 Mbit/s of the first cycle (2000
// columns of 1 ps a bit): their cells and replies keep "Bit/s".
TEST(EyeStripRows, AnUndefinedLatestValueLeavesTheStatisticsTheirUnit) {
    TEyeRig rig;
    TLoggedStrip log;
    static_cast<TScopeSerialServices&>(rig.Shell.Serial()).EyeRows().StripOf = [&log] { return &log.Strip; };
    rig.Run("Eye:Measure NRZ");
    rig.Run("Eye:Statistic ON");
    rig.Run("Eye:XNRZParam BitRate");
    rig.Run("Header OFF");
    TEyeWriter writer({.Noise = 0.002});
    rig.Acquire(writer, 64);
    ASSERT_EQ(rig.Eye().EngineRuns, 1);
    EXPECT_EQ(log.Text(0, 2), "500 MBit/s");
    rig.Ch1().SetHorUnit("m");
    rig.Acquire(writer, 64);
    ASSERT_EQ(rig.Eye().EngineRuns, 2);
    ASSERT_FALSE(rig.Eye().State().EyeNotFound);
    EXPECT_EQ(log.Text(0, 2), "  Undefined");
    for (int column : {4, 5, 6}) EXPECT_EQ(log.Text(0, column), "500 MBit/s") << column;
    EXPECT_EQ(rig.Run("Eye:Res? 1:MIN"), "500 MBit/s");
    EXPECT_EQ(rig.Run("Eye:Res? 1:MEAN"), "500 MBit/s");
    EXPECT_EQ(rig.Run("Eye:Res? 1"), "  Undefined");
}
