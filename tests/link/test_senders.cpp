// The instrument command senders against the fake instrument's byte log.
#include <gtest/gtest.h>

#include "core/InternalError.h"
#include "link/CommandSenders.h"
#include "link/InstrumentIdentity.h"

#include "LinkTestSupport.h"

using namespace vt;
using namespace vt::test;

namespace {

struct TSimLog : TSimulatorSettingsSink {
    std::vector<std::string> Log;
    void SetRecordLength(std::uint16_t v) override { Log.push_back("len " + std::to_string(v)); }
    void SetAverages(std::uint16_t v) override { Log.push_back("avg " + std::to_string(v)); }
    void SetChannels(std::uint8_t v) override { Log.push_back("ch " + std::to_string(v)); }
    void SetTimeDiv(double v) override { Log.push_back("div " + TInstrumentLink::InstrumentFloatText(v)); }
    void SetTimebaseDelay(double v) override { Log.push_back("delay " + TInstrumentLink::InstrumentFloatText(v)); }
    void SetGenStepDelay(std::int64_t v) override { Log.push_back("step " + std::to_string(v)); }
};

struct TSendersOnFake : TLinkOnFake, TLinkAcquisition {
    explicit TSendersOnFake(std::uint8_t options = optGenerators) : Senders(Link, Identity) {
        Identity.ModelType = 4;
        Identity.Options = options;
        Senders.Simulator = &Sim;
        Link.SetAcquisition(this);
    }
    void BreakAcquisitionHook(bool) override { ++Breaks; }
    // Everything the fake received after the identity query of the opening, as one text.
    std::string Sent() {
        const std::string all = Fake.Received();
        const std::string opening = "Info:IndivData?\r\n";
        return all.rfind(opening, 0) == 0 ? all.substr(opening.size()) : all;
    }
    // Waits until the fake has logged `lines` lines after the opening.
    bool WaitLines(std::size_t lines) {
        return Fake.WaitUntil([&] { return Fake.Lines().size() >= lines + 1; });
    }

    TInstrumentIdentity Identity;
    TSimLog Sim;
    TInstrumentSenders Senders;
    int Breaks = 0;
};

}  // namespace

TEST(Senders, TriggerChannelAndGeneratorLinesAreExact) {
    TSendersOnFake t;
    ASSERT_TRUE(t.Open());
    auto& s = t.Senders;
    s.SendTrigHoldOff(1.4e-5);
    s.SendTrigIntRate(1.0 / 3.0 * 1e-5);
    for (int i = 0; i < 4; ++i) s.SendTrigSource(i);
    s.SendTrigMode(1);
    s.SendTrigMode(0);
    s.SendTrigLevel(-0.25);
    s.SendTrigSlope(0);
    s.SendTrigSlope(1);
    s.SendTrigHysteresis(0);
    s.SendTrigHysteresis(1);
    s.SendChannelBand(chCodeCh1, 0);
    s.SendChannelBand(chCodeCh2, 1);
    s.SendChannelComp(chCodeCh1, -0.1234567891);
    s.SendChannelComp(chCodeCh2, 1e-20);
    for (int m = 0; m < 6; ++m) s.SendGenMode(m);
    s.SendGenPeriod(4000);
    s.SendGenStepDelay(-3);
    s.SendGenDelay(12);
    s.SendGenWidth(0);
    for (int i = 0; i < 4; ++i) s.SendGenPatternLength(i);
    s.SendGenTrigger(0);
    s.SendGenTrigger(1);
    s.SendGenPolarity(1, 0);
    s.SendGenPolarity(2, 1);
    s.SendGenDeskew(2, -7);
    for (int m = 0; m < 3; ++m) s.SendGenOffsetMode(1, m);
    ASSERT_TRUE(t.WaitLines(39));
    EXPECT_EQ(t.Sent(),
              "Trig:HoldOff 1.4E-5\r\nTrig:IntRate 3.3333333E-6\r\n"
              "Trig:Source DIRECT\r\nTrig:Source HF\r\nTrig:Source INT\r\nTrig:Source CDR\r\n"
              "Trig:Mode Trig\r\nTrig:Mode Free\r\nTrig:Level -0.25\r\nTrig:Slope Pos\r\nTrig:Slope Neg\r\n"
              "Trig:Hister Norm\r\nTrig:Hister HighSens\r\n"
              "Ch1:Band Full\r\nCh2:Band Narrow\r\nCh1:Comp -0.12345679\r\nCh2:Comp 1E-20\r\n"
              "Gen:Mode Off\r\nGen:Mode TDRTDT\r\nGen:Mode CoarseTB\r\nGen:Mode Pulse\r\nGen:Mode NRZ\r\nGen:Mode RZ\r\n"
              "Gen:Period 4000\r\nGen:StepDly -3\r\nGen:Delay 12\r\nGen:Width 0\r\n"
              "Gen:Length p2e7m1\r\nGen:Length p2e10m1\r\nGen:Length p2e11m1\r\nGen:Length p2e15m1\r\n"
              "Gen:Trigger Clock\r\nGen:Trigger Pattern\r\nGen:Out1:Polarity Pos\r\nGen:Out2:Polarity Neg\r\n"
              "Gen:Out2:Deskew -7\r\nGen:Out1:OfsMode Pos,\r\nGen:Out1:OfsMode Neg\r\nGen:Out1:OfsMode Var\r\n");
    // Every one of them breaks a running acquisition first.
    EXPECT_EQ(t.Breaks, 39);
    EXPECT_EQ(t.Sim.Log, (std::vector<std::string>{"step -3"}));
}

TEST(Senders, ValuesOutsideTheirListsAreInternalErrors) {
    TSendersOnFake t;
    EXPECT_THROW(t.Senders.SendTrigSource(4), EInternalError);
    EXPECT_THROW(t.Senders.SendTrigSource(-1), EInternalError);
    EXPECT_THROW(t.Senders.SendGenMode(6), EInternalError);
    EXPECT_THROW(t.Senders.SendGenPatternLength(4), EInternalError);
    EXPECT_THROW(t.Senders.SendGenOffsetMode(1, 3), EInternalError);
    EXPECT_THROW(t.Senders.SendGenPolarity(3, 0), EInternalError);
    EXPECT_THROW(t.Senders.SendGenOffset(0, 1), EInternalError);
}

TEST(Senders, WithoutTheGeneratorOptionNoGeneratorCommandGoesOut) {
    TSendersOnFake t(optOptics | optLAN);
    ASSERT_TRUE(t.Open());
    auto& s = t.Senders;
    s.SendGenMode(1);
    s.SendGenPeriod(1);
    s.SendGenStepDelay(250);
    s.SendGenDelay(1);
    s.SendGenWidth(1);
    s.SendGenPatternLength(1);
    s.SendGenTrigger(1);
    s.SendGenPolarity(1, 1);
    s.SendGenDeskew(1, 1);
    s.SendGenOffsetMode(2, 2);
    s.SendGenOffset(2, 5);
    s.SendTrigSlope(0);
    ASSERT_TRUE(t.WaitLines(1));
    EXPECT_EQ(t.Sent(), "Trig:Slope Pos\r\n");
    EXPECT_EQ(t.Breaks, 1);
    // The simulator's step generator follows the setting anyway.
    EXPECT_EQ(t.Sim.Log, (std::vector<std::string>{"step 250"}));
}

TEST(Senders, TheOffsetReplyIsReadAndDropped) {
    TSendersOnFake t;
    ASSERT_TRUE(t.Open());
    t.Senders.SendGenOffset(1, 150);
    t.Fake.SetReply("Info:Unit?", "UNIT");
    EXPECT_EQ(t.Link.QueryCommand("Info:Unit?").Text, "UNIT");
    EXPECT_EQ(t.Sent(), "Gen:Out1:Offset? 150\r\nInfo:Unit?\r\n");
}

TEST(Senders, AveragesCarryTheModeOnlyWhenItChanges) {
    TSendersOnFake t;
    ASSERT_TRUE(t.Open());
    auto& s = t.Senders;
    s.SendAcqAverages(1);
    s.SendAcqAverages(16);
    s.SendAcqAverages(32);
    s.SendAcqAverages(32);
    s.SendAcqAverages(1);
    ASSERT_TRUE(t.WaitLines(4));
    EXPECT_EQ(t.Sent(), "Acq:NAvg 1;Mode Norm\r\nAcq:NAvg 16;Mode Avg\r\nAcq:NAvg 32\r\nAcq:NAvg 1;Mode Norm\r\n");
    EXPECT_EQ(t.Sim.Log, (std::vector<std::string>{"avg 1", "avg 16", "avg 32", "avg 1"}));
    EXPECT_EQ(t.Breaks, 4);
}

TEST(Senders, TheCacheSkipsRepeatsAndASkippedValueBreaksNothing) {
    TSendersOnFake t;
    ASSERT_TRUE(t.Open());
    auto& s = t.Senders;
    s.SendTimeDiv(1e-9);
    s.SendTimeDiv(1e-9 + 5e-16);
    s.SendTimeDiv(2e-9);
    s.SendTimebaseDelay(3e-8);
    s.SendTimebaseDelay(3e-8 + 5e-16);
    s.SendTimebaseDelay(3e-8 - 9e-16);
    s.SendTimebaseDelay(3.1e-8);
    s.SendTimebaseDelay(0);
    s.SendTimebaseDelay(5e-16);
    s.SendTimebaseDelay(2e-15);
    s.SendAcqRecordLength(1024);
    s.SendAcqRecordLength(1024);
    s.SendAcqRecordLength(512);
    s.SendAcqChannels(chCodeBoth);
    s.SendAcqChannels(chCodeBoth);
    s.SendAcqChannels(chCodeCh2);
    s.SendAcqChannels(chCodeCh1);
    s.SendAcqChannels(0);  // any other code reads as Ch1
    ASSERT_TRUE(t.WaitLines(12));
    EXPECT_EQ(t.Sent(),
              "TB:TIMEDIV 1E-9\r\nTB:TIMEDIV 2E-9\r\nTB:DELAY 3E-8\r\nTB:DELAY 3.1E-8\r\nTB:DELAY 0\r\nTB:DELAY 2E-15\r\n"
              "Acq:RecLen 1024\r\nAcq:RecLen 512\r\nAcq:Channels Both\r\nAcq:Channels Ch2\r\nAcq:Channels Ch1\r\n"
              "Acq:Channels Ch1\r\n");
    EXPECT_EQ(t.Breaks, 12);
    EXPECT_EQ(t.Sim.Log, (std::vector<std::string>{"div 1E-9", "div 2E-9", "delay 3E-8", "delay 3.1E-8", "delay 0",
                                                   "delay 2E-15", "len 1024",
                                                   "len 512", "ch 4", "ch 3", "ch 2", "ch 0"}));
}
