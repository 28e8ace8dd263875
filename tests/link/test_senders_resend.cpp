// The acquisition start, the resend of every setting, the forgetting of the cache and the queries.
#include <gtest/gtest.h>

#include "link/CommandSenders.h"
#include "link/InstrumentIdentity.h"

#include "LinkTestSupport.h"

using namespace vt;
using namespace vt::test;

namespace {

// Settings as the feature units will hold them: each set runs an after-change callback that sends
// the instrument command (the timebase in the delayed mode: time per division from scale B, delay
// from scale A times the delay).
struct TFakeSettings : TInstrumentSettingsAccess {
    explicit TFakeSettings(TInstrumentSenders& s) : Senders(s) {}
    double ChannelOffset(int channel) const override { return channel == chCodeCh1 ? Offset1 : Offset2; }
    double TrigHoldoff() const override { return Holdoff; }
    void SetTrigHoldoff(double v) override {
        Holdoff = v;
        Senders.SendTrigHoldOff(v);
    }
    double TBScaleA() const override { return ScaleA; }
    double TBScaleB() const override { return ScaleB; }
    double TBDelay() const override { return Delay; }
    void SetTBScaleA(double v) override {
        ScaleA = v;
        SendTimebase();
    }
    void SetTBScaleB(double v) override {
        ScaleB = v;
        SendTimebase();
    }
    void SetTBDelay(double v) override {
        Delay = v;
        SendTimebase();
    }
    int TrigSource() const override { return Source; }
    void SetTrigSource(int v) override {
        Source = v;
        Senders.SendTrigSource(v);
    }
    void SendTimebase() {
        Senders.SendTimeDiv(ScaleB);
        Senders.SendTimebaseDelay(ScaleA * Delay);
    }

    TInstrumentSenders& Senders;
    double Offset1 = 0.25;
    double Offset2 = -0.5;
    double Holdoff = 1e-5;
    double ScaleA = 2e-9;
    double ScaleB = 1e-10;
    double Delay = 3;
    int Source = 2;
};

// The acquisition as it will start: its settings go out through the senders.
struct TResendOnFake : TLinkOnFake, TLinkAcquisition {
    TResendOnFake() : Senders(Link, Identity), Settings(Senders) {
        Senders.Settings = &Settings;
        Link.SetAcquisition(this);
    }
    void BreakAcquisitionHook(bool) override { ++Breaks; }
    void SendAcquisitionSettings(std::uint8_t channels, std::uint16_t recordLength, std::uint16_t averages,
                                 double delay) override {
        Senders.SendAcquisitionSettings(channels, recordLength, averages, delay);
    }
    std::string Sent() {
        const std::string all = Fake.Received();
        return all.substr(Skip);
    }
    // Forgets what was received so far.
    void Mark(std::size_t lines) {
        ASSERT_TRUE(Fake.WaitUntil([&] { return Fake.Lines().size() >= lines; }));
        Skip = Fake.Received().size();
        Breaks = 0;
    }
    bool WaitFor(const std::string& text) {
        return Fake.WaitUntil([&] { return Sent().size() >= text.size(); });
    }

    TInstrumentIdentity Identity;
    TInstrumentSenders Senders;
    TFakeSettings Settings;
    std::size_t Skip = 0;
    int Breaks = 0;
};

}  // namespace

TEST(Resend, TheStartSendsItsFourSettingsExemptAndOnlyWhereChanged) {
    TResendOnFake t;
    ASSERT_TRUE(t.Open());
    t.Mark(1);
    t.Link.StartAcquisition(chCodeBoth, 1024, 4, 2e-9, false);
    t.Link.SetAcquisitionRunning(false);
    t.Link.StartAcquisition(chCodeBoth, 1024, 8, 2e-9, false);
    const std::string expected = "TB:DELAY 2E-9\r\nAcq:Channels Both\r\nAcq:RecLen 1024\r\nAcq:NAvg 4;Mode Avg\r\n"
                                 "Acq:NAvg 8\r\n";
    ASSERT_TRUE(t.WaitFor(expected));
    EXPECT_EQ(t.Sent(), expected);
    EXPECT_EQ(t.Breaks, 0);
}

TEST(Resend, EverySettingGoesOutInItsOrderAndTheNextStartSendsItsFour) {
    TResendOnFake t;
    ASSERT_TRUE(t.Open());
    t.Senders.SendAcqSampleMode(1);
    t.Settings.SendTimebase();
    t.Link.StartAcquisition(chCodeCh1, 500, 1, 6e-9, false);
    t.Link.SetAcquisitionRunning(false);
    t.Mark(7);

    EXPECT_TRUE(t.Senders.ResendInstrumentSettings());
    const std::string resend =
        "Ch1:Comp -0.25\r\nCh2:Comp 0.5\r\n"
        // hold-off 1e-5 is below 1.2e-5: away to 1.4e-5 and back
        "Trig:HoldOff 1.4E-5\r\nTrig:HoldOff 1E-5\r\n"
        // scale A 2e-9 is not below 1e-9: both scales away to 8e-10, delay 0, then back
        "TB:DELAY 2.4E-9\r\nTB:TIMEDIV 8E-10\r\nTB:DELAY 0\r\nTB:TIMEDIV 1E-10\r\nTB:DELAY 6E-9\r\n"
        "Trig:Source DIRECT\r\nTrig:Source INT\r\nAcq:SmplMode LFFB\r\n";
    ASSERT_TRUE(t.WaitFor(resend));
    EXPECT_EQ(t.Sent(), resend);
    EXPECT_EQ(t.Settings.Holdoff, 1e-5);
    EXPECT_EQ(t.Settings.ScaleA, 2e-9);
    EXPECT_EQ(t.Settings.ScaleB, 1e-10);
    EXPECT_EQ(t.Settings.Delay, 3);
    EXPECT_EQ(t.Settings.Source, 2);
    EXPECT_EQ(t.Senders.LastSent().Delay, -1.0);

    // The same start as before sends all four again.
    t.Mark(19);
    t.Link.StartAcquisition(chCodeCh1, 500, 1, 6e-9, false);
    const std::string start = "TB:DELAY 6E-9\r\nAcq:Channels Ch1\r\nAcq:RecLen 500\r\nAcq:NAvg 1\r\n";
    ASSERT_TRUE(t.WaitFor(start));
    EXPECT_EQ(t.Sent(), start);
}

TEST(Resend, TheOtherWayAwayForSmallValuesAndSourceZero) {
    TResendOnFake t;
    t.Settings.Holdoff = 1.3e-5;
    t.Settings.ScaleA = 5e-10;
    t.Settings.ScaleB = 5e-10;
    t.Settings.Delay = 0;
    t.Settings.Source = 0;
    ASSERT_TRUE(t.Open());
    t.Mark(1);
    EXPECT_TRUE(t.Senders.ResendInstrumentSettings());
    // No sampling mode was ever sent: none is resent.
    const std::string resend = "Ch1:Comp -0.25\r\nCh2:Comp 0.5\r\nTrig:HoldOff 1E-5\r\nTrig:HoldOff 1.3E-5\r\n"
                               "TB:TIMEDIV 5E-10\r\nTB:DELAY 0\r\nTB:TIMEDIV 1.2E-9\r\nTB:TIMEDIV 5E-10\r\n"
                               "Trig:Source HF\r\nTrig:Source DIRECT\r\n";
    ASSERT_TRUE(t.WaitFor(resend));
    EXPECT_EQ(t.Sent(), resend);

    // Without settings only the caches are reset; a link error is reported.
    t.Senders.Settings = nullptr;
    t.Fake.DropConnection();
    t.Link.QueryCommand("Info:GetTemp?");
    ASSERT_TRUE(t.Link.CommErrorFlag());
    EXPECT_FALSE(t.Senders.ResendInstrumentSettings());
}

TEST(Resend, ClearingTheCacheMakesTheNextPassSendEverything) {
    TResendOnFake t;
    ASSERT_TRUE(t.Open());
    auto& s = t.Senders;
    s.SendAcqSampleModeIfChanged(0);
    s.SendAcqSampleModeIfChanged(0);
    s.SendTimeDiv(1e-9);
    s.SendAcquisitionSettings(chCodeCh2, 256, 2, 1e-9);
    t.Mark(7);

    s.ClearCommandCache();
    EXPECT_EQ(s.LastSent().TimeDiv, kNothingSent);
    s.SendAcqSampleModeIfChanged(0);
    s.SendAcqSampleModeIfChanged(0);
    s.SendTimeDiv(1e-9);
    s.SendAcquisitionSettings(chCodeCh2, 256, 2, 1e-9);
    const std::string again = "Acq:SmplMode SIMPLE\r\nTB:TIMEDIV 1E-9\r\nTB:DELAY 1E-9\r\nAcq:Channels Ch2\r\n"
                              "Acq:RecLen 256\r\nAcq:NAvg 2;Mode Avg\r\n";
    ASSERT_TRUE(t.WaitFor(again));
    EXPECT_EQ(t.Sent(), again);

    // A cleared cache still resends the sampling mode.
    t.Mark(13);
    s.ClearCommandCache();
    t.Senders.Settings = nullptr;
    EXPECT_TRUE(s.ResendInstrumentSettings());
    ASSERT_TRUE(t.WaitFor("Acq:SmplMode SIMPLE\r\n"));
    EXPECT_EQ(t.Sent(), "Acq:SmplMode SIMPLE\r\n");

    // A mode the instrument does not know is not sent and changes nothing.
    s.SendAcqSampleMode(kSampleModeNoneSent);
    EXPECT_EQ(s.LastSent().SampleMode, 0);
}

TEST(Queries, TriggerPresenceAndTemperature) {
    TResendOnFake t;
    ASSERT_TRUE(t.Open());
    t.Mark(1);
    t.Fake.SetReply("Trig:GetTrigOn?", "TRIG_ON");
    EXPECT_TRUE(t.Senders.ReadTrigOn(true));
    EXPECT_EQ(t.Breaks, 0);
    t.Fake.SetReply("Trig:GetTrigOn?", "TRIG_OFF");
    EXPECT_FALSE(t.Senders.ReadTrigOn());
    EXPECT_EQ(t.Breaks, 1);

    t.Fake.SetReply("Info:GetTemp?", "36.75");
    EXPECT_EQ(t.Senders.ReadInstrumentTemperature(), 36.75);
    t.Fake.SetReply("Info:GetTemp?", "hot");
    EXPECT_EQ(t.Senders.ReadInstrumentTemperature(true), 0.0);
    EXPECT_EQ(t.Breaks, 2);
    EXPECT_EQ(t.Sent(), "Trig:GetTrigOn?\r\nTrig:GetTrigOn?\r\nInfo:GetTemp?\r\nInfo:GetTemp?\r\n");
}

TEST(Queries, WithoutAnInstrumentTheValuesAreMadeUp) {
    TLinkOnFake t;
    TInstrumentIdentity id;
    TInstrumentSenders s(t.Link, id);
    t.Link.SetLinkKind(TInstrumentLinkKind::Demo);
    std::vector<int> asked;
    int next = 0;
    s.RandomInt = [&](int n) {
        asked.push_back(n);
        return next;
    };
    EXPECT_EQ(s.ReadInstrumentTemperature(), 20.0);
    next = 79;
    EXPECT_EQ(s.ReadInstrumentTemperature(), 39.75);
    next = 29;
    EXPECT_EQ(s.RandomDemoValue(), 114);
    EXPECT_EQ(asked, (std::vector<int>{80, 80, 30}));
    EXPECT_FALSE(s.ReadTrigOn());

    // The built-in generator stays in range.
    s.RandomInt = nullptr;
    for (int i = 0; i < 200; ++i) {
        const int v = s.RandomDemoValue();
        ASSERT_TRUE(v >= 85 && v <= 114) << v;
        const double temp = s.ReadInstrumentTemperature();
        ASSERT_TRUE(temp >= 20.0 && temp <= 39.75) << temp;
    }
    EXPECT_TRUE(t.Fake.Lines().empty());
}
