// The generator settings against the fake instrument with the generators option: clock counts, the
// enabling that follows the mode, the coupling with the trigger, the output conversions and the zeros
// kept with the calibration values.
#include <gtest/gtest.h>

#include <cmath>

#include "OptionsOnFakeSupport.h"
#include "acq/Generator.h"
#include "acq/Trigger.h"
#include "core/AsciiText.h"
#include "link/AdjustmentCommands.h"

using namespace vt;
using namespace vt::test;

namespace {

struct TGenOnFake : TOptionsOnFake {
    TGenOnFake() : TOptionsOnFake(251) { Start({&Trig, &Gen, &Acq}, {.HasOptGenerators = true}); }
    std::vector<std::string> GenLines(const std::string& last) { return Since(last, "Gen:"); }

    TCalibrAdjust Calibration{Shell};
    TTrigger Trig{Shell, nullptr};
    TGenerator Gen{Shell, &Calibration};
    TSignalAcq Acq;
};

using TLines = std::vector<std::string>;

}  // namespace

TEST(Generator, RefreshResendsTheWholeStateInTheInstrumentsOrder) {
    TGenOnFake t;
    t.Seen = 0;
    EXPECT_EQ(t.GenLines("Gen:Out2:Offset? 1500"),
              (TLines{"Gen:Mode Off", "Gen:StepDly 3", "Gen:Delay 0", "Gen:Width 1", "Gen:Length p2e7m1",
                      "Gen:Trigger Clock", "Gen:Out1:Polarity Pos", "Gen:Out1:Deskew 26864", "Gen:Out1:OfsMode Pos,",
                      "Gen:Out1:Offset? 1500", "Gen:Out2:Polarity Pos", "Gen:Out2:Deskew 26864",
                      "Gen:Out2:OfsMode Pos,", "Gen:Out2:Offset? 1500"}));
    // The zeros are calibration values: a setup never holds them.
    std::vector<std::string> setup;
    t.Shell.CommandTree()->Root().SaveAllSettings(setup);
    ASSERT_FALSE(setup.empty());
    for (const std::string& line : setup) EXPECT_EQ(UpperCase(line).find("FLASH:GEN"), std::string::npos) << line;
}

TEST(Generator, ModesSendClockCountsAndTakeTheTriggerOver) {
    TGenOnFake t;
    // Pulse at 32 ns: 4 counts, the period goes as 2; a width needs 5 counts, a delay 4.
    t.Run("Gen:Mode Pulse");
    EXPECT_EQ(t.GenLines("Gen:Width 1"), (TLines{"Gen:Mode Pulse", "Gen:Period 2", "Gen:Width 1"}));
    EXPECT_TRUE(t.Setting("Gen:PulseWidth").IsDisabled() && !t.Setting("Gen:Delay").IsDisabled());
    EXPECT_TRUE(t.Edit("Gen:PulseWidth").MaxValue() == 1.6e-8 && std::fabs(t.Edit("Gen:Delay").MaxValue() - 1.6e-8) < 1e-20);
    for (const char* h : {"Trig:Source", "Trig:ExtLevel", "Trig:IntRate", "Trig:Slope"})
        EXPECT_TRUE(t.Setting(h).IsDisabled()) << h;
    // RZ at 48 ns: 6 counts, the period as 4 and half the clock as the width.
    t.Run("Gen:Mode RZ;:Gen:RzClock 4.8e-8");
    EXPECT_EQ(t.GenLines("Gen:Width 2"),
              (TLines{"Gen:Mode RZ", "Gen:Period 0", "Gen:Width 0", "Gen:Period 4", "Gen:Width 2"}));
    EXPECT_FALSE(t.Setting("Gen:Length").IsDisabled());
    // NRZ at one clock would be a period of -1: the instrument gets 0.
    t.Run("Gen:TrigPRBS Pattern;:Gen:Mode NRZ");
    EXPECT_EQ(t.GenLines("Gen:Width 1"), (TLines{"Gen:Trigger Pattern", "Gen:Mode NRZ", "Gen:Period 0", "Gen:Width 1"}));
    t.Run("Gen:NrzClock 1e-6");
    EXPECT_TRUE(t.Setting("Gen:Delay").IsDisabled());  // the pattern triggers, not the clock
    // Step raises a short step delay and hands the trigger back on the internal clock.
    dynamic_cast<TIntEditHandler&>(t.Setting("Gen:StepsDelay")).SetValue(0);
    t.Run("Gen:Mode Step");
    EXPECT_EQ(t.Edit("Gen:StepsDelay").GetValueAsDouble(), 2);
    EXPECT_EQ(t.Edit("Gen:StepsDelay").FormatValue(false), "9.2 ns");  // two coarse steps of 4.6 ns
    EXPECT_TRUE(!t.Setting("Trig:Source").IsDisabled() && !t.Setting("Trig:IntRate").IsDisabled());
    EXPECT_EQ(t.Choice("Trig:Source"), tsIntClock);
    EXPECT_TRUE(t.Setting("Gen:PulsePeriod").IsDisabled());
}

TEST(Generator, OutputsConvertPercentAndVoltsAndZerosTakeTheInstrumentsValue) {
    TGenOnFake t;
    EXPECT_EQ(t.Edit("Gen:Out1:Deskew").FormatValue(false), "50 %");
    t.Run("GEN:OUT1:DESKEW 25");
    EXPECT_EQ(t.Edit("Gen:Out1:Deskew").GetValueAsDouble(), 14082);
    t.Run("GEN:OUT1:OFFSET 0.5");
    EXPECT_EQ(t.Edit("Gen:Out1:Offset").GetValueAsDouble(), 6554);
    // Only Var offers the offset, each zero only with its own polarity.
    t.Run("Gen:Out2:ModeOffset Neg");
    EXPECT_TRUE(t.Setting("Gen:Out2:Offset").IsDisabled() && t.Setting("FLASH:Gen:Out2:PositiveZero").IsDisabled() &&
                !t.Setting("FLASH:Gen:Out2:NegativeZero").IsDisabled());

    t.Fake.SetReply("Gen:Out1:PosZero? 100", "120");
    t.Fake.SetReply("Gen:Out1:PosZero? 200", "garbled");
    t.Run("FLASH:Gen:Out1:PositiveZero 100");
    EXPECT_EQ(t.Edit("FLASH:Gen:Out1:PositiveZero").GetValueAsDouble(), 120);
    EXPECT_TRUE(t.Calibration.FlashChange().CalibrChanged());
    t.Run("FLASH:Gen:Out1:PositiveZero 200");  // an unreadable reply is no value
    EXPECT_EQ(t.Edit("FLASH:Gen:Out1:PositiveZero").GetValueAsDouble(), 200);

    t.Calibration.FlashChange().SetCalibrChanged(false);
    t.Shell.Link()->DisconnectInstrument(true);
    const auto before = t.Fake.Lines().size();
    t.Run("FLASH:Gen:Out1:NegativeZero 300");
    EXPECT_TRUE(t.Calibration.FlashChange().CalibrChanged());
    EXPECT_EQ(t.Fake.Lines().size(), before);
}
