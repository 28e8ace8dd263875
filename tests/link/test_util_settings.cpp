// The utility and simulated-generator settings by command: link-dependent starts, standard rates,
// enabling by waveform, the clock-period ladder.
#include <gtest/gtest.h>

#include "core/BitRates.h"
#include "link/InstrumentLink.h"

#include "SimulatorTestSupport.h"

using namespace vt;
using namespace vt::test;

namespace {

struct UtilSettings : TSimulatorShell, ::testing::Test {};

TEST_F(UtilSettings, StartsFollowTheLinkAndTheDefaultsFollowEveryStart) {
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:Ch1").GetItemIndex(), 1);
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:Ch2").GetItemIndex(), 2);
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:Ch1").GetDisabledMask() & 1u, 1u) << "Off hidden from the menu";
    EXPECT_EQ(Setting<TCheckSwHandler>("Util:CalibrWhen").GetMask(), 0u);
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:D:PrbsMode").GetItemIndex(), 1);
    EXPECT_DOUBLE_EQ(Setting<TDoubleEditHandler>("GSS:C:Offset").GetValue(), -0.25);
    EXPECT_TRUE(Setting<TRadioSwHandler>("GSS:A:StdFreq").IsDisabled());
    Exec("GSS:Ch1 Off");
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:Ch1").GetItemIndex(), 0) << "a command may select a disabled item";
    Exec("GSS:Ch2 D");
    EXPECT_EQ(Setting<TRadioSwHandler>("SHADOW:GssSelect").GetItemIndex(), 3) << "the menu shows the routed generator";

    // With an instrument: real channels, the schedule on; switching to it later applies the same.
    TShell& shell = Shell;
    shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(TLinkTiming{})));
    shell.Link()->SetLinkKind(TInstrumentLinkKind::Tcp);
    ApplyGssDefaultsForLink(shell);
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:Ch1").GetItemIndex(), 0);
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:Ch2").GetItemIndex(), 0);
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:Ch2").GetDisabledMask() & 1u, 0u);

    TShell fresh;
    fresh.SetCommandTree(CreateCommandTree());
    fresh.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(TLinkTiming{})));
    fresh.Link()->SetLinkKind(TInstrumentLinkKind::Usb);
    CreateUtilHandlers(fresh);
    EXPECT_EQ(FindSetting<TRadioSwHandler>(fresh.CommandTree(), "GSS:Ch1")->GetItemIndex(), 0);
    EXPECT_EQ(FindSetting<TCheckSwHandler>(fresh.CommandTree(), "Util:CalibrWhen")->GetMask(), 5u);

    fresh.Link()->SetLinkKind(TInstrumentLinkKind::Demo);
    ApplyGssDefaultsForLink(fresh);
    EXPECT_EQ(FindSetting<TRadioSwHandler>(fresh.CommandTree(), "GSS:Ch2")->GetItemIndex(), 2);
    EXPECT_EQ(FindSetting<TCheckSwHandler>(fresh.CommandTree(), "Util:CalibrWhen")->GetMask(), 0u);
}

TEST_F(UtilSettings, StandardRatesWaveformEnablingAndCircuits) {
    Exec("GSS:C:StdFreq " + StandardBitRates().ShortName(10));
    EXPECT_DOUBLE_EQ(Setting<TDoubleEditHandler>("GSS:C:Frequency").GetValue(), StandardBitRates().GetRate(10));
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:C:StdFreq").GetItemIndex(), 11) << "a rate set by the program keeps its name";
    Exec("GSS:C:Frequency 1.5e9");
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:C:StdFreq").GetItemIndex(), 0) << "typed: Custom";

    Exec("GSS:B:Waweform TDR");
    EXPECT_TRUE(Setting<TDoubleEditHandler>("GSS:B:Amplitude").IsDisabled());
    EXPECT_TRUE(Setting<TDoubleEditHandler>("GSS:B:Frequency").IsDisabled());
    EXPECT_TRUE(Setting<TDoubleEditHandler>("GSS:B:RiseTime").IsDisabled());
    Exec("GSS:B:Waweform Pulse");
    EXPECT_FALSE(Setting<TDoubleEditHandler>("GSS:B:Amplitude").IsDisabled());
    EXPECT_FALSE(Setting<TDoubleEditHandler>("GSS:B:PulseWidth").IsDisabled());
    EXPECT_TRUE(Setting<TRadioSwHandler>("GSS:B:PrbsLength").IsDisabled());

    Setting<TRadioSwHandler>("SHADOW:GssSelect").SetItemIndex(1);  // no command reaches SHADOW
    EXPECT_EQ(GetSelectedGssWaveform(Shell), 1);
    Exec("GSS:A:Waweform TDT");
    RestrictGssWaveformsForTdr(Shell, 1);
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:A:Waweform").GetItemIndex(), 3) << "TDT becomes TDR";
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:A:Waweform").GetDisabledMask(), 1u << 4);
    RestrictGssWaveformsForTdr(Shell, 0);
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:A:Waweform").GetDisabledMask(), 0u);

    SetChannelGeneratorFlag(Shell, 3, 7);  // Ch2 shows generator B
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:B:TDRCircuit").GetItemIndex(), 7);
    SetChannelGeneratorFlag2(Shell, 2, 2);
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:A:TDTCircuit").GetItemIndex(), 2);

    Exec("Util:CalibrWhen Period");
    EXPECT_FALSE(Setting<TDoubleEditHandler>("Util:CalPeriod").IsDisabled());
    EXPECT_TRUE(Setting<TDoubleEditHandler>("Util:TempChange").IsDisabled());
    Exec("Util:VCalMode BiMeander");
    EXPECT_EQ(Setting<TDoubleEditHandler>("Util:VCalVolt").MinValue(), 0);
    Setting<TRadioSwHandler>("Shadow:Lang").SetItemIndexFromSwitcher(0);
    EXPECT_FALSE(Shell.LanguageSwitchRequest) << "unchanged";
    Setting<TRadioSwHandler>("Shadow:Lang").SetItems("English,Deutsch");
    Setting<TRadioSwHandler>("Shadow:Lang").SetItemIndexFromSwitcher(1);
    EXPECT_TRUE(Shell.LanguageSwitchRequest);
}

TEST_F(UtilSettings, ClockPeriodMovesAlongItsLadderOnlyByStepping) {
    Exec("Util:HCalMode Clock");
    auto& period = Setting<TDoubleEditHandler>("Util:ClcPeriod");
    EXPECT_FALSE(period.IsDisabled());
    std::vector<double> seen;
    for (int i = 0; i < 6; ++i) {
        period.Step(saCoarseUp);
        period.Step(saEndOfRun);
        seen.push_back(period.GetValue());
    }
    const std::vector<double> ladder = {2e-7, 4e-7, 1e-6, 2e-6, 5e-6, 1e-5};
    for (std::size_t i = 0; i < ladder.size(); ++i) EXPECT_NEAR(seen[i], ladder[i], 1e-12) << i;
    period.Step(saCoarseDown);
    period.Step(saEndOfRun);
    EXPECT_NEAR(period.GetValue(), 5e-6, 1e-12);
    Exec("Util:ClcPeriod 2.8e-7");
    EXPECT_NEAR(period.GetValue(), 2.8e-7, 1e-15) << "a typed value stays";
}

TEST_F(UtilSettings, RefreshAppliesEveryEnablingAndShowsGeneratorAForCh1) {
    Exec("GSS:C:Waweform TDR;Util:HCalMode Clock;Util:CalibrWhen Temperat");
    Setting<TRadioSwHandler>("SHADOW:GssSelect").SetItemIndex(2);
    // Enabling changed behind the callbacks' backs (a recalled setup) is put right by the refresh.
    Setting<TDoubleEditHandler>("GSS:C:Amplitude").SetDisabled(false);
    Setting<TDoubleEditHandler>("Util:TempChange").SetDisabled(true);
    RefreshUtilHandlers(Shell, true);
    EXPECT_TRUE(Setting<TDoubleEditHandler>("GSS:C:Amplitude").IsDisabled());
    EXPECT_FALSE(Setting<TDoubleEditHandler>("Util:TempChange").IsDisabled());
    EXPECT_FALSE(Setting<TDoubleEditHandler>("Util:ClcPeriod").IsDisabled());
    EXPECT_TRUE(Setting<TDoubleEditHandler>("Util:VCalVolt").IsDisabled()) << "calibrator Off";
    EXPECT_EQ(Setting<TRadioSwHandler>("GSS:A:Waweform").GetDisabledMask() & (1u << 3), 1u << 3)
        << "no generators option: no TDR item";
    EXPECT_EQ(Setting<TRadioSwHandler>("SHADOW:GssSelect").GetItemIndex(), 0);
}

}  // namespace
