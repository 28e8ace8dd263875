// The channels' rules: scale and offset in the user's units, one channel always acquires, enabled
// states by attenuation unit and TDR state, and the strip's edits.
#include <gtest/gtest.h>

#include "TimebaseChannelsSupport.h"

using namespace vt;
using namespace vt::test;

TEST(ChannelRules, ScaleAndOffsetShowAndTakeUserUnits) {
    TTimebaseChannelsShell t;
    auto& scale = t.Edit("Ch1:Scale");
    auto& offset = t.Edit("Ch1:Offset");
    // Remote values are in the user's units too: 500 mV at the probe's end is 50 mV at the input.
    t.Run("Ch1:Atten:Unit DB;DB 20;:Ch1:Scale 0.5");
    EXPECT_DOUBLE_EQ(scale.GetValue(), 0.05);
    EXPECT_EQ(scale.FormatValue(false), "500 mV/div");
    EXPECT_TRUE(scale.SetValueFromSwitcher(1));
    EXPECT_DOUBLE_EQ(scale.GetValue(), 0.1);
    // Offset is shown negated; a typed offset is negated and divided by the factor.
    offset.SetValueFromSwitcher(2);
    EXPECT_DOUBLE_EQ(offset.GetValue(), -0.2);
    EXPECT_EQ(offset.FormatValue(false), "2 V");
    // The layout's compression doubles what a division holds.
    t.Display->Compression = 2;
    EXPECT_EQ(scale.FormatValue(false), "2 V/div");
    t.Display->Compression = 1;
    t.Run("Ch1:Atten:Unit Ratio;Ratio 10;Dimens Watt");
    EXPECT_EQ(scale.FormatValue(false), "1 W/div");
    // Stored in volts at the input: the setup line is unchanged by the units shown.
    t.Run("Header Off");
    EXPECT_EQ(t.Shell.CommandTree()->ExecuteCommandString("Ch1:Scale?", true), " 100 m(V)");
}

TEST(ChannelRules, OneChannelAlwaysAcquiresAndStatesFollowTheSwitches) {
    TTimebaseChannelsShell t;
    const std::array<std::string, 3> unitDependent = {"Ch1:Atten:Ratio", "Ch1:Atten:DB", "Ch1:Atten:Dimens"};
    for (const std::string& h : unitDependent) EXPECT_TRUE(t.Setting(h).IsDisabled()) << h;
    t.Run("Ch1:Atten:Unit DB");
    EXPECT_TRUE(t.Setting("Ch1:Atten:Ratio").IsDisabled());
    EXPECT_FALSE(t.Setting("Ch1:Atten:DB").IsDisabled());
    EXPECT_FALSE(t.Setting("Ch1:Atten:Dimens").IsDisabled());
    t.Run("Ch1:Atten:Unit Off");
    for (const std::string& h : unitDependent) EXPECT_TRUE(t.Setting(h).IsDisabled()) << h;

    EXPECT_TRUE(t.Setting("Ch1:Acquire").IsDisabled());  // while shown
    t.Run("Ch1:Display Off;Acquire Off");
    EXPECT_FALSE(t.On(ssCh1));
    EXPECT_TRUE(t.Setting("Ch1:Scale").IsDisabled());
    EXPECT_TRUE(t.Setting("Ch1:Band").IsDisabled());
    t.Run("Ch2:Display Off;Acquire Off");
    EXPECT_EQ(t.Run("Ch1:Acquire?"), "CH1:ACQUIRE ON");
    EXPECT_TRUE(t.On(ssCh1));
    EXPECT_FALSE(t.On(ssCh2));
    EXPECT_FALSE(t.Feature->Channels().IsSignalShown(ssCh1));  // acquired, not displayed
    EXPECT_FALSE(t.Setting("Ch1:Scale").IsDisabled());
}

TEST(ChannelRules, TdrStateBindsTheStripToItsScale) {
    TTimebaseChannelsShell t;
    EXPECT_EQ(t.Bindings.Scale[0], "Ch1:Scale");
    EXPECT_EQ(t.Bindings.Offset[1], "Ch2:Offset");
    const std::string voltScale = t.Run("Ch1:Scale?"), voltOffset = t.Run("Ch1:Offset?");
    t.Serial->Ch1State = 1;
    // The hidden volt settings keep replying in volts: rho and ohm have settings of their own.
    EXPECT_EQ(t.Run("Ch1:Scale?"), voltScale);
    EXPECT_EQ(t.Run("Ch1:Offset?"), voltOffset);
    EXPECT_NE(voltScale.find("V/div"), std::string::npos) << voltScale;
    TChannels& ch = t.Feature->Channels();
    ch.UpdateChannelScaleMnemonics(ChannelIndex1);
    EXPECT_EQ(t.Bindings.Scale[0], "Ch1:RhoScale");
    EXPECT_EQ(t.Bindings.Offset[0], "Ch1:RhoOffset");
    EXPECT_EQ(ch.ChannelUnitText(ChannelIndex1), "Rho");
    EXPECT_TRUE(t.Setting("Ch1:Scale").IsDisabled());
    EXPECT_FALSE(t.Setting("Ch1:RhoScale").IsDisabled());
    EXPECT_TRUE(t.Setting("Ch1:OhmScale").IsDisabled());
    EXPECT_EQ(t.Bindings.Refreshed.back(), mkChannels);
}
