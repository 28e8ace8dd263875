#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "EyeTestSupport.h"
#include "acq/OEConv.h"
#include "core/Handlers.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"

using namespace vt;
using namespace vt::test;

namespace {
std::uint32_t Mask(TEyeRig& rig, const char* path) { return ReadMaskSetting(rig.Shell.CommandTree(), path, 0); }
}  // namespace

// When the engine runs: with statistics off every sixteenth of a cycle on the growing map, with them
// on once a cycle; a failure shows its hint, keeps the values and restarts the count; a restart on
// the display's clearing and on every source change (fault 11).
TEST(EyeCycle, ComputationsRestartsAndTheNotFoundHint) {
    TEyeRig rig;
    TEyeMeasurement& eye = rig.Eye();
    rig.Run("Eye:YNRZParam EyeAmpl");
    rig.Run("Eye:Measure NRZ");
    EXPECT_EQ(rig.Hints->Top(), "Accumulating the eye diagram...");
    TEyeWriter good({.Noise = 0.003});
    const auto runsAfter = [&](int waveforms) {
        rig.Acquire(good, waveforms);
        return eye.EngineRuns;
    };
    EXPECT_EQ(runsAfter(63), 0);
    EXPECT_EQ(runsAfter(1), 1);
    EXPECT_TRUE(rig.Hints->Hints.empty());
    EXPECT_EQ(runsAfter(3), 1);
    EXPECT_EQ(runsAfter(1), 2);
    EXPECT_EQ(runsAfter(4), 3);
    TParam* amplitude = eye.Slot(emNrz, 1);
    ASSERT_NE(amplitude, nullptr);
    EXPECT_NEAR(amplitude->Value, 0.5, 0.001);
    EXPECT_EQ(amplitude->Stat.Count, 3);

    // Statistics on: the count restarts and the engine runs every 64th waveform.
    rig.Run("Eye:Statistic ON");
    EXPECT_EQ(amplitude->Stat.Count, 0);
    EXPECT_EQ(runsAfter(63), 3);
    EXPECT_EQ(runsAfter(1), 4);
    EXPECT_EQ(runsAfter(64), 5);
    EXPECT_EQ(amplitude->Stat.Count, 2);

    // The display cleared: the map starts over; a flat signal finds no eye, the value stays.
    rig.Shell.Serial().RestartEyeAccumulation();
    EXPECT_EQ(rig.Shell.FullHist()->GetWaveformCount(), 0);
    TEyeWriter flat({.One = 0.05, .Zero = 0.05, .Noise = 0.002});
    rig.Acquire(flat, 64);
    EXPECT_EQ(eye.EngineRuns, 6);
    EXPECT_TRUE(eye.State().EyeNotFound);
    EXPECT_EQ(rig.Hints->Top(), "Eye diagram not found");
    EXPECT_EQ(rig.Hints->Hints.size(), 1u);
    EXPECT_NEAR(amplitude->Value, 0.5, 0.001);
    EXPECT_EQ(eye.State().WfmsThisCycle, 0);
    EXPECT_EQ(eye.State().NextComputeAt, 64);

    // A change to a source that is off still drops the old source's waveforms.
    rig.Acquire(flat, 5);
    EXPECT_GT(rig.Shell.FullHist()->GetWaveformCount(), 0);
    rig.Run("Eye:Source Ch2");
    EXPECT_EQ(eye.Source(), 2);
    EXPECT_EQ(rig.Shell.FullHist()->GetWaveformCount(), 0);
    EXPECT_EQ(eye.State().WfmsThisCycle, 0);
    // A source outside the eye's sources accumulates nothing.
    rig.Acquire(good, 3);
    EXPECT_EQ(rig.Shell.FullHist()->GetWaveformCount(), 0);
}

// The lists and the query as automation drives them.
TEST(EyeCommands, ListsBoundsMasksAndTheResultQuery) {
    TEyeRig rig;
    TEyeMeasurement& eye = rig.Eye();
    // The reply is empty while no mode is chosen.
    EXPECT_EQ(rig.Run("Eye:Res? LIST"), "EYE:RES");  // the header alone
    rig.Run("Eye:Measure NRZ");
    EXPECT_NE(rig.Run("Eye:Res? 1").find("Eye Measure OFF"), std::string::npos);

    // A fifth check pushes slot 1 out, and its check goes with it.
    rig.Run("Eye:XNRZParam Area,BitRate,BitTime,CrossTime");
    EXPECT_EQ(eye.ParamCount(emNrz), 4);
    rig.Run("Eye:XNRZParam Area,BitRate,BitTime,CrossTime,EyeWidth");
    ASSERT_EQ(eye.ParamCount(emNrz), 4);
    EXPECT_EQ(eye.Slot(emNrz, 1)->Kind, 1);
    EXPECT_EQ(eye.Slot(emNrz, 4)->Kind, 7);
    EXPECT_EQ(Mask(rig, "Eye:XNRZParam"), (1u << 1) | (1u << 2) | (1u << 3) | (1u << 7));

    // Remove-all is one undo step.
    eye.RemoveAllEyeParameters();
    EXPECT_EQ(eye.ParamCount(emNrz), 0);
    EXPECT_EQ(Mask(rig, "Eye:XNRZParam"), 0u);
    rig.Undo();
    EXPECT_EQ(eye.ParamCount(emNrz), 4);
    EXPECT_EQ(Mask(rig, "Eye:XNRZParam"), (1u << 1) | (1u << 2) | (1u << 3) | (1u << 7));
    eye.RemoveAllEyeParameters();

    // Without the optics option the extinction-ratio items are unlisted as soon as the masks refresh.
    rig.Run("Eye:YNRZParam EyeAmpl,ExtRatio");
    EXPECT_EQ(eye.ParamCount(emNrz), 2);
    eye.UpdateEyeOptionMasks();
    EXPECT_EQ(eye.ParamCount(emNrz), 1);
    EXPECT_EQ(Mask(rig, "Eye:YNRZParam"), 1u << 8);
    eye.HasOptics = [] { return true; };
    rig.Run("Eye:YNRZParam EyeAmpl,ExtRatio");
    eye.UpdateEyeOptionMasks();
    EXPECT_EQ(eye.ParamCount(emNrz), 2);
    // Unchecking an item that is not listed changes nothing.
    eye.RemoveEyeParameter(emNrz, eaY, 20);
    EXPECT_EQ(eye.ParamCount(emNrz), 2);

    // The bounds stay 2.5 % apart.
    rig.Run("Eye:RightBound 60");
    rig.Run("Eye:LeftBound 60");
    EXPECT_DOUBLE_EQ(ReadRealSetting(rig.Shell.CommandTree(), "Eye:RightBound", 0), 62.5);
    rig.Run("Eye:RightBound 50");
    EXPECT_DOUBLE_EQ(ReadRealSetting(rig.Shell.CommandTree(), "Eye:RightBound", 0), 50);
    EXPECT_DOUBLE_EQ(ReadRealSetting(rig.Shell.CommandTree(), "Eye:LeftBound", 0), 47.5);
    rig.Run("Eye:LeftBound 40;Eye:RightBound 60");

    // Two listed, one measured cycle.
    rig.Run("Eye:YNRZParam ClearALL");
    rig.Run("Eye:XNRZParam EyeWidth,JitterRMS");
    TEyeWriter good({.Noise = 0.003, .Jitter = 2});
    rig.Acquire(good, 64);
    ASSERT_EQ(eye.EngineRuns, 1);
    const std::string list = rig.Run("Eye:Res? LIST");
    EXPECT_NE(list.find("\r\n1  Eye Width (Ch1)\r\n2  Jitter RMS (Ch1)"), std::string::npos) << list;
    EXPECT_NE(rig.Run("Eye:Res? 3").find("INVALID NUMBER OF PARAMETER"), std::string::npos);
    EXPECT_NE(rig.Run("Eye:Res? 0").find("INVALID NUMBER OF PARAMETER"), std::string::npos);
    EXPECT_NE(rig.Run("Eye:Res? 1:BOGUS").find("BAD STATISTIC PARAMETER"), std::string::npos);
    // One value: no deviation, and no unit glued to the undefined text (fault 10).
    const std::string deviation = rig.Run("Eye:Res? 1:stddev");
    EXPECT_NE(deviation.find("Undefined"), std::string::npos) << deviation;
    EXPECT_EQ(deviation.find("Undefineds"), std::string::npos) << deviation;
    EXPECT_NE(rig.Run("Eye:Res? 2:Cycle").find("1"), std::string::npos);
    EXPECT_NE(rig.Run("Eye:Res? 2:Wfm").find("128"), std::string::npos);  // statistics off: the count runs on
    const std::string width = rig.Run("Eye:Res? 1");
    EXPECT_NE(width.find(" ns"), std::string::npos) << width;
}

// The average power per waveform from the converter's stored zero power: a dark-level run's 1000
// counts, no demo reading (no instrument), the fallback gain of 400 V/W without the converter's
// settings: 1000 x 5 V / 65536 counts / 8.4 / 400 V/W = 22.7065 uW, -16.4385 dBm.
TEST(EyeCycle, TheAveragePowerReadsTheConvertersStoredZeroPower) {
    TEyeRig rig;
    TOEConv converter(rig.Shell, nullptr);
    converter.SetStoredZeroPower(1000);
    rig.Eye().HasOptics = [] { return true; };  // an instrument with the converter keeps the items
    rig.Run("Eye:YNRZParam AvgPower,AvgPWdBm");
    rig.Run("Eye:Measure NRZ");
    TEyeWriter good({.Noise = 0.003});
    rig.Acquire(good, 2);
    TParam* power = rig.Eye().Slot(emNrz, 1);
    TParam* dbm = rig.Eye().Slot(emNrz, 2);
    ASSERT_NE(power, nullptr);
    ASSERT_NE(dbm, nullptr);
    EXPECT_NEAR(power->Value, 22.7065e-6, 0.0001e-6);
    EXPECT_NEAR(dbm->Value, -16.4385, 0.0001);
    EXPECT_EQ(power->Stat.Count, 2);
}
