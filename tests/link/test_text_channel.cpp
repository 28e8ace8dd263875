// The text channel over loopback TCP against the fake instrument.
#include <gtest/gtest.h>

#include <clocale>
#include <thread>

#include "core/InternalError.h"

#include "LinkTestSupport.h"

using namespace vt;
using namespace vt::test;

TEST(TextChannel, OpenSendsTheIdentityQueryAndCommandsGoOutWithCrLf) {
    TLinkOnFake t;
    TStatusLog texts;
    t.Link.SetTexts(&texts);
    const std::vector<std::string>& status = texts.Status;
    ASSERT_TRUE(t.Open());
    EXPECT_EQ(t.Link.LinkKind(), TInstrumentLinkKind::Tcp);
    EXPECT_TRUE(t.Link.TcpConnectedFlag());
    EXPECT_TRUE(t.Link.IsInstrumentConnected());
    // The two fixed waits before the socket opens go through the clock.
    EXPECT_EQ(t.Clock.Sleeps, (std::vector<int>{200, 200}));
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0], "Wait few second for established TCP-IP connection...");

    EXPECT_TRUE(t.Link.SendCommand("Trig:Slope Pos"));
    t.Link.SendIntCommand("Acq:RecLen", -12);
    t.Link.SendOnOffCommand("Gen:Out1:On", false);
    t.Link.SendFloatCommand("TB:DELAY", false, 0.000000025);
    t.Link.SendFloatCommand("Trig:Level", false, 1.0 / 3.0);
    ASSERT_TRUE(t.Fake.WaitForLine("Trig:Level 0.33333333"));
    EXPECT_EQ(t.Fake.Received(),
              "Info:IndivData?\r\nTrig:Slope Pos\r\nAcq:RecLen -12\r\nGen:Out1:On Off\r\nTB:DELAY 2.5E-8\r\n"
              "Trig:Level 0.33333333\r\n");
}

TEST(TextChannel, RealsUseEightDigitsAndADotWhateverTheLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no comma locale";
    EXPECT_EQ(TInstrumentLink::InstrumentFloatText(0.000000025), "2.5E-8");
    EXPECT_EQ(TInstrumentLink::InstrumentFloatText(1234.56789), "1234.5679");
    EXPECT_EQ(TInstrumentLink::InstrumentFloatText(-1.5), "-1.5");
    EXPECT_EQ(TInstrumentLink::InstrumentFloatText(123456789.0), "1.2345679E8");
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(TextChannel, RepliesLoseTheirLineEndAndKeepMarksOtherwise) {
    TLinkOnFake t;
    ASSERT_TRUE(t.Open());
    t.Fake.SetReply("Trig:GetTrigOn?", "TRIG_ON");
    EXPECT_EQ(t.Link.QueryCommand("Trig:GetTrigOn?").Text, "TRIG_ON");
    EXPECT_EQ(t.Link.QueryUpperText("info:getver:fpgafw").Text, "1.0");
    t.Fake.SetReply("Info:Name?", "abc");
    EXPECT_EQ(t.Link.QueryUpperText("Info:Name").Text, "ABC");

    t.Fake.SetFaults({.LfOnly = true});  // lF alone: the last byte becomes the end mark and stays
    EXPECT_EQ(t.Link.QueryCommand("Info:GetTemp?").Text, "0\xC2\xB6");
    EXPECT_EQ(t.Link.QueryInt("Info:GetTemp"), QueryFailedInt);

    t.Fake.SetFaults({.HighBytes = true});  // bytes above 0x7F read as "_"
    t.Fake.SetReply("Info:Unit?", "12.5");
    EXPECT_EQ(t.Link.QueryCommand("Info:Unit?").Text, "12.5__");
    EXPECT_FALSE(t.Link.CommErrorFlag());
}

TEST(TextChannel, ReplyBytesToTextMarksTheEnd) {
    auto text = [](std::string_view s) {
        return TInstrumentLink::ReplyBytesToText({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
    };
    EXPECT_EQ(text("12.5\r\n"), "12.5\xC2\xAC\xC2\xB6");
    EXPECT_EQ(text("\n"), "\xC2\xB6");
    EXPECT_EQ(text("\r\n"), "\xC2\xAC\xC2\xB6");
    EXPECT_EQ(text("a\xE9z"), "a_\xC2\xB6");
    EXPECT_EQ(text(""), "");
}

TEST(TextChannel, AReplyInFragmentsOrLateIsCompleteAtItsLineEnd) {
    TLinkOnFake t;
    ASSERT_TRUE(t.Open());
    t.Fake.SetReply("Info:GetTemp?", "12.5");
    t.Fake.SetFaults({.ReplyFragmentBytes = 1, .FragmentGapMs = 5});
    EXPECT_DOUBLE_EQ(t.Link.QueryFloat("Info:GetTemp"), 12.5);

    t.Fake.SetFaults({.ReplyDelayMs = 100});  // within the reply time-out of the test timing
    EXPECT_DOUBLE_EQ(t.Link.QueryFloat("Info:GetTemp"), 12.5);
}

TEST(TextChannel, TypedQueriesParseTheWholeReply) {
    TLinkOnFake t;
    ASSERT_TRUE(t.Open());
    t.Fake.SetReply("A?", "42");
    t.Fake.SetReply("B?", "-7");
    t.Fake.SetReply("C?", "4x");
    t.Fake.SetReply("D?", "2147483648");
    t.Fake.SetReply("E?", "1.5E-3");
    t.Fake.SetReply("F?", "abc");
    EXPECT_EQ(t.Link.QueryInt("A"), 42);
    EXPECT_EQ(t.Link.QueryInt("B"), -7);
    EXPECT_EQ(t.Link.QueryInt("C"), QueryFailedInt);
    EXPECT_EQ(t.Link.QueryInt("D"), QueryFailedInt);
    EXPECT_EQ(t.Link.QueryInt("A?", 0, true), 42);
    EXPECT_DOUBLE_EQ(t.Link.QueryFloat("E"), 1.5e-3);
    EXPECT_EQ(t.Link.QueryFloat("F"), QueryFailedFloat);
    // A value query carries "? " and the value; the fake answers the value it stored.
    EXPECT_EQ(t.Link.QueryIntParam("Calibr:Gain", 1234), 1234);
    EXPECT_DOUBLE_EQ(t.Link.QueryFloatParam("Calibr:Ofs", 0.25), 0.25);
    ASSERT_TRUE(t.Fake.WaitForLine("Calibr:Ofs? 0.25"));
    EXPECT_TRUE(t.Fake.WaitForLine("Calibr:Gain? 1234"));
    // The query waits the given time before reading (through the clock).
    t.Clock.Sleeps.clear();
    EXPECT_EQ(t.Link.QueryInt("A", 30), 42);
    EXPECT_EQ(t.Clock.Sleeps, std::vector<int>{30});
}

TEST(TextChannel, NoReplyIsTimeoutWithoutTheErrorState) {
    TLinkOnFake t;
    ASSERT_TRUE(t.Open());
    t.Fake.SetFaults({.NoReply = true});
    EXPECT_TRUE(t.Link.QueryCommand("Info:GetTemp?").TimedOut());
    EXPECT_EQ(t.Link.QueryInt("Info:GetTemp"), QueryFailedInt);
    EXPECT_EQ(t.Link.QueryFloat("Info:GetTemp"), QueryFailedFloat);
    EXPECT_FALSE(t.Link.CommErrorFlag());
}

TEST(TextChannel, AReplyTooLateForItsQueryDoesNotAnswerTheNextOne) {
    TLinkOnFake t;
    ASSERT_TRUE(t.Open());
    t.Fake.SetReply("A?", "1");
    t.Fake.SetReply("B?", "2");
    t.Fake.SetFaults({.ReplyDelayMs = 800});  // later than the 500 ms reply time-out
    EXPECT_EQ(t.Link.QueryInt("A"), QueryFailedInt);
    t.Fake.SetFaults({});
    std::this_thread::sleep_for(std::chrono::milliseconds(700));  // the late "1" arrives meanwhile
    EXPECT_EQ(t.Link.QueryInt("B"), 2);
}

TEST(TextChannel, WithoutAnInstrumentQueriesGiveZeroAndNothingIsSent) {
    TFakeLinkClock clock;
    TInstrumentLink link(FastTiming(1), &clock);
    for (auto kind : {TInstrumentLinkKind::None, TInstrumentLinkKind::Demo}) {
        link.SetLinkKind(kind);
        EXPECT_FALSE(link.IsInstrumentConnected());
        EXPECT_TRUE(link.SendCommand("Trig:Mode Free"));
        EXPECT_EQ(link.ReadReply().Status, TReplyStatus::NoInstrument);
        EXPECT_EQ(link.QueryInt("Info:GetTemp"), 0);
        EXPECT_EQ(link.QueryFloat("Info:GetTemp"), 0.0);
        EXPECT_TRUE(link.RecheckInstrumentLink());
    }
}

TEST(TextChannel, EveryCommandButTheExemptOnesBreaksTheAcquisitionFirst) {
    TLinkOnFake t;
    struct TBreakLog : TLinkAcquisition {
        void BreakAcquisitionHook(bool afterBreak) override {
            EXPECT_TRUE(afterBreak);
            Order.push_back("break");
        }
        std::vector<std::string> Order;
    } acquisition;
    t.Link.SetAcquisition(&acquisition);
    const std::vector<std::string>& order = acquisition.Order;
    ASSERT_TRUE(t.Open());
    EXPECT_TRUE(order.empty());  // the identity query of the opening is exempt
    t.Link.SendCommand("ACQ:GO", true);
    t.Link.SendFloatCommand("TB:DELAY", true, 1e-9);
    EXPECT_TRUE(order.empty());
    t.Link.SendCommand("Trig:Mode Free");
    t.Link.QueryInt("Info:GetTemp");
    t.Link.SendFloatCommand("TB:DELAY", false, 2e-9);
    EXPECT_EQ(order.size(), 3u);
}

TEST(TextChannel, TheIdentityAnsweredTimeoutFailsTheOpeningButKeepsTheKind) {
    TLinkOnFake t;
    t.Fake.SetFaults({.IdentityTimeout = true});
    EXPECT_FALSE(t.Open());
    EXPECT_TRUE(t.Link.CommErrorFlag());
    EXPECT_EQ(t.Link.LinkKind(), TInstrumentLinkKind::Tcp);
    t.Fake.SetFaults({});  // a retry closes the earlier connection first and connects anew
    EXPECT_TRUE(t.Open());
    EXPECT_TRUE(t.Fake.WaitUntil([&] { return t.Fake.Connections() == 2; }));
}

TEST(TextChannel, ARefusedConnectionReportsNotFound) {
    TFakeInstrument fake;
    fake.SetRefusing(true);
    TFakeLinkClock clock;
    TInstrumentLink link(FastTiming(fake.Port()), &clock);
    TStatusLog texts;
    texts.Product = "Scope";
    link.SetTexts(&texts);
    const std::vector<std::string>& status = texts.Status;
    EXPECT_FALSE(link.OpenInstrumentLink(false, Loopback()));
    EXPECT_FALSE(link.TcpConnectedFlag());
    EXPECT_EQ(link.LinkKind(), TInstrumentLinkKind::None);
    ASSERT_EQ(status.size(), 2u);
    EXPECT_EQ(status[1], "Scope not found0");
    TIpAddress invalid;
    EXPECT_THROW(link.ConnectTcp(invalid), EInternalError);
}

TEST(TextChannel, AConnectionClosedMidReplyEntersTheErrorStateAtOnce) {
    TLinkOnFake t;
    ASSERT_TRUE(t.Open());
    t.Fake.SetReply("Info:GetTemp?", "12.5");
    t.Fake.SetFaults({.CloseMidReplyAfter = 2});
    EXPECT_EQ(t.Link.QueryCommand("Info:GetTemp?").Text, "1\xC2\xB6");
    EXPECT_TRUE(t.Link.CommErrorFlag());
    // Sending over the dead connection fails instead of reporting success.
    EXPECT_FALSE(t.Link.SendCommand("Trig:Mode Free"));
}
