// The trigger settings against the fake instrument (given its options by the identity reply) and a
// clock that only moves when told: holdoff limits, start bits, sources, pattern lock and the indicator.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "TriggerTestSupport.h"
#include "acq/Trigger.h"
#include "core/SettingReaders.h"
#include "core/temp_folder.h"
#include "link/DemoSimulator.h"
#include "link/UtilSettings.h"

using namespace vt;
using namespace vt::test;

TEST(Trigger, HoldoffFollowsTheTimebaseTheAcquisitionAndTheFirmware) {
    TTrigOnFake t;
    t.Run("TB:ScaleA 1e-6");
    EXPECT_DOUBLE_EQ(t.Value("Trig:Holdoff"), 1.5e-5);
    t.Run("TB:ScaleA 1e-8");
    EXPECT_DOUBLE_EQ(t.Value("Trig:Holdoff"), 5e-6);
    EXPECT_DOUBLE_EQ(t.Trig.Holdoff()->MaxValue(), 1.0);

    TTrigOnFake older("3.10.1");
    older.Run("Acq:FitTo Single");
    EXPECT_DOUBLE_EQ(older.Trig.Holdoff()->MinValue(), 5e-5);
    TTrigOnFake oldest("3.7.3");
    EXPECT_DOUBLE_EQ(oldest.Trig.Holdoff()->MaxValue(), 0.03072);
}

TEST(Trigger, StartBitLimitsDisplayAndScan) {
    TTrigOnFake t;
    EXPECT_DOUBLE_EQ(t.Trig.PattDelay()->MaxValue(), 126);
    t.Run("Trig:PattDelay 200");
    EXPECT_EQ(t.Trig.PattDelay()->FormatValue(false), "126 bit");
    t.Run("Trig:PattLen 100");
    t.Run("Trig:ExtDivider 8");
    EXPECT_DOUBLE_EQ(t.Trig.PattDelay()->MaxValue(), 12);
    EXPECT_EQ(t.Trig.PattDelay()->FormatValue(false), "96 bit");
    t.Run("Trig:PattDelay 48");  // typed bits are divided by the dividers
    EXPECT_EQ(t.Trig.PattDelay()->GetValue(), 6);
    EXPECT_EQ(PatternInstrumentStartBit(5, 127, 8), 80);
    EXPECT_EQ(PatternInstrumentStartBit(3, 127, 256), 65);

    for (const char* c : {"Trig:ExtDivider 1", "Trig:PattLen 127", "Trig:PattDelay 3", "Trig:PattScanBits 2"}) t.Run(c);
    std::vector<int> positions;
    for (int i = 0; i < 3; ++i) t.Trig.StepPatternScanDelay(), positions.push_back(t.Trig.ScanPosition());
    EXPECT_EQ(positions, (std::vector<int>{4, 3, 4}));
    EXPECT_TRUE(t.Sent("Pattern:Delay 4"));
    EXPECT_TRUE(t.Sent("Pattern:Length 254"));
}

TEST(Trigger, SourcesSetTheirControlsAndTheStripsLevelEdit) {
    TTrigOnFake t;
    t.Run("Trig:Source ExtHF");
    EXPECT_TRUE(t.Sent("Trig:Source HF"));
    EXPECT_FALSE(t.Setting("Trig:HeadPower").IsDisabled());
    for (const char* h : {"Trig:ExtLevel", "Trig:Hister", "Trig:Slope", "Trig:Atten:Unit", "Trig:Atten:Ratio",
                          "Trig:Atten:DB", "Trig:IntRate"})
        EXPECT_TRUE(t.Setting(h).IsDisabled()) << h;
    EXPECT_EQ(t.Bindings.Level, "Trig:ExtLevel");
    t.Run("Trig:Source IntClock");
    EXPECT_EQ(t.Bindings.Level, "Trig:IntRate");
    EXPECT_TRUE(t.Setting("Trig:Mode").IsDisabled());
    for (const char* c : {"Trig:Source Direct", "Trig:Atten:Unit DB", "Trig:Atten:DB 20", "Trig:ExtLevel 0.5"}) t.Run(c);
    EXPECT_NEAR(t.Value("Trig:ExtLevel"), 0.05, 1e-12);  // typed at the probe: the input sees a tenth
    EXPECT_TRUE(t.Setting("Trig:Atten:Ratio").IsDisabled());
}

TEST(Trigger, PatternLockFollowsTheTriggerFrequency) {
    TTrigOnFake t;
    t.Fake.SetReply("Pattern:TrigFreq?", "1.25e8");
    t.Run("Trig:PatternLockMode Manual");
    EXPECT_TRUE(t.Sent("Pattern:On On"));
    EXPECT_EQ(t.Value("Trig:IntDivider"), 1);
    EXPECT_DOUBLE_EQ(t.Trig.DataRate(), 1.25e8);
    EXPECT_DOUBLE_EQ(t.Timebase.Timebase().Scale(huTime, 0)->MaxValue(), 1e-5);
    EXPECT_DOUBLE_EQ(t.Trig.Holdoff()->MaxValue(), 1.5e-4);

    t.Fake.SetReply("Pattern:TrigFreq?", "6e8");
    t.Trig.RecheckPatternLock(false);
    EXPECT_EQ(t.Value("Trig:IntDivider"), 4);
    t.Run("Trig:Source ExtHF");
    t.Trig.RecheckPatternLock(false);
    EXPECT_EQ(t.Value("Trig:IntDivider"), 32 * 4);
    EXPECT_DOUBLE_EQ(t.Trig.DataRate(), 32 * 6e8);

    // The link re-checks before every 50th start through the engine's answers.
    const int before = t.Count("Pattern:TrigFreq?");
    for (int i = 0; i < 51; ++i) {
        t.Shell.Link()->StartAcquisition(chCodeCh1, 512, 1, 0, false);
        t.Shell.Link()->SetAcquisitionRunning(false);
    }
    t.Fake.SetReply("Pattern:TrigFreq?", "garbage");
    t.Trig.RecheckPatternLock(false);  // unreadable: -22222, below the lowest rate
    EXPECT_EQ(t.Count("Pattern:TrigFreq?"), before + 2);
    EXPECT_EQ(t.Trig.PatternLockMode()->GetItemIndex(), plmOff);
    EXPECT_DOUBLE_EQ(t.Trig.Holdoff()->MaxValue(), 1.0);

    // AutoDetect with an empty list goes Off; its message waits for the ready user interface.
    t.Run("Trig:Source Direct");
    t.Fake.SetReply("Pattern:TrigFreq?", "1.25e8");
    t.Run("Trig:PatternLockMode AutoDetect");
    EXPECT_EQ(t.Trig.PatternLockMode()->GetItemIndex(), plmOff);
    EXPECT_TRUE(t.User->Errors.empty());
    t.GuiReady->SetOn(true);
    t.Run("Trig:PatternLockMode AutoDetect");
    EXPECT_EQ(t.User->Errors, std::vector<std::string>{t.Shell.LangStr("PatLengthListEmpty")});
    double searched = 0;
    t.Trig.PatternLengthListEmpty = [] { return false; };
    t.Trig.FindPatternTrigger = [&](double rate) { searched = rate; };
    t.Run("Trig:PatternLockMode AutoDetect");
    EXPECT_DOUBLE_EQ(searched, 1.25e8);
}

TEST(Trigger, TheDemoPatternRateIsTheGeneratorFrequency) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>()));
    shell.Link()->SetLinkKind(TInstrumentLinkKind::Demo);
    shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*shell.Link(), "")));
    shell.Identity()->Identity.ModelType = 2;
    shell.Identity()->Identity.Options = optPatSyncTrig;
    shell.SetSimulator(MakeOwnedPart(std::make_unique<TTutorial>(shell)));
    TTrigger trig(shell, nullptr);
    trig.FillRows(shell);
    shell.Registration.Add(TRegistrationRow::CreateUtilHandlers, [](TShell& s) { CreateUtilHandlers(s); });
    RegisterAllCommandHandlers(shell);
    shell.ExecuteCommandString("GSS:A:Frequency 1.5e9");
    shell.ExecuteCommandString("Trig:PatternLockMode Manual");
    EXPECT_DOUBLE_EQ(trig.DataRate(), 1.5e9);
    EXPECT_EQ(ReadRealSetting(shell.CommandTree(), "Trig:IntDivider", 0), 1);
    TTrigLevelTrial low, inside;
    trig.StartTryTrigLevel(low, 0.125);
    trig.StartTryTrigLevel(inside, 0.2);
    EXPECT_TRUE(low.State() == TTrigLevelTrial::Done && !low.Result() && inside.Result());
}

TEST(Trigger, IndicatorAndLevelTrialsRunOnTheLinkClock) {
    TTrigOnFake t;
    t.Run("Trig:Mode Trig");
    std::vector<int>& states = t.Display->States;
    states.clear();
    for (int n : {5, 0, -1}) t.Trig.ShowTrigPresence(n), t.Clock.Now += 500;
    EXPECT_EQ(states, (std::vector<int>{1, 2}));

    states.clear();
    const int before = t.Count("Trig:GetTrigOn?");
    // Twice within a second: asked once.
    for (const char* c : {"Trig:Mode Trig", "Trig:Mode Trig", "Trig:Mode Free", "Trig:Mode Free", "Trig:Source ExtHF"})
        t.Run(c), t.Trig.RefreshTrigIndicator(0), t.Clock.Now += 500;
    EXPECT_EQ(states, (std::vector<int>{2, 3, 0}));
    EXPECT_EQ(t.Count("Trig:GetTrigOn?"), before + 3);

    t.Run("Trig:Source Direct");
    t.Fake.SetReply("Trig:GetTrigOn?", "TRIG_ON");
    t.Clock.Sleeps.clear();
    TTrigLevelTrial trial;
    t.Trig.StartTryTrigLevel(trial, 0.03);
    EXPECT_TRUE(t.Sent("Trig:Level 0.03"));
    std::vector<int> steps;
    for (int ms : {0, 100, 100}) t.Clock.Now += ms, t.Trig.StepTryTrigLevel(trial), steps.push_back(trial.State());
    EXPECT_EQ(steps, (std::vector<int>{TTrigLevelTrial::WaitBeforeQuestion, TTrigLevelTrial::WaitBeforeAnswer,
                                       TTrigLevelTrial::Done}));
    EXPECT_TRUE(trial.Result());
    EXPECT_TRUE(t.Clock.Sleeps.empty());
}
