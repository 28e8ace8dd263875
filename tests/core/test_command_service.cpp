// The automation command service and the console's send procedure, history, log limits and preview.
#include <gtest/gtest.h>

#include <stdexcept>

#include "core/CommandService.h"
#include "core/ConsoleText.h"
#include "core/CommandTree.h"
#include "core/UndoBuffer.h"

using namespace vt;

namespace {

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree->Root().AddRadioHandler("Trig:Source", {.Items = "Ch1, Ch2, Ext",
                                                     .AfterChange = [this](THandler& h) { who = h.GetWhoChanged(); }});
        tree->Root().AddGpibStringHandler("Wfm:Data", 0, [this](std::string_view, bool, std::uint8_t, std::string& reply) {
            reply = wfm;
        });
        service.OnLog = [this](const std::string& line) { log.push_back(line); };
    }
    std::unique_ptr<TCommandTree> tree = CreateCommandTree();
    TCOMRC service{*tree};
    std::vector<std::string> log;
    TWhoChanged who = wcvUnknown;
    std::string wfm;
};

TEST_F(ServiceTest, ExecCommandRunsAsRemoteLogsBothLinesAndOpensAnUndoStep) {
    TUndoBuffer undo;
    undo.SetEnabled(true);
    tree->SetUndoBuffer(&undo);
    std::string respond = "stale";
    EXPECT_TRUE(service.ExecCommand("trig:source ch2", respond));
    EXPECT_EQ(respond, "");
    EXPECT_EQ(who, wcvRemote);
    EXPECT_FALSE(undo.UndoEmpty());
    EXPECT_TRUE(service.ExecCommand("TRIG:SOURCE?", respond));
    EXPECT_EQ(respond, "TRIG:SOURCE CH2");
    EXPECT_EQ(log, (std::vector<std::string>{"Received --> trig:source ch2", "    Returned --> ",
                                             "Received --> TRIG:SOURCE?", "    Returned --> TRIG:SOURCE CH2"}));
    tree->SetUndoBuffer(nullptr);
}

TEST_F(ServiceTest, RefusedStringAnswersItsFailureTextAndErrorIsASuccessfulReply) {
    std::string respond;
    EXPECT_TRUE(service.ExecCommand("", respond));
    EXPECT_EQ(respond, "");
    EXPECT_FALSE(service.ExecCommand("  ", respond));
    EXPECT_EQ(respond, "ERROR!  Mnemonics is Absent");
    EXPECT_TRUE(service.ExecCommand("NOSUCH:THING?", respond));
    EXPECT_EQ(respond, "ERROR");
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[3], "    Returned --> ERROR!  Mnemonics is Absent");
    EXPECT_EQ(log[5], "    Returned --> ERROR");
    // The console's own run has no traffic lines.
    EXPECT_FALSE(service.Execute("TRIG:SOURCE EXT;;", respond));
    EXPECT_EQ(respond, "ERROR!  Mnemonics is Absent");
    EXPECT_EQ(log.size(), 6u);
}

// A command that holds its reply while the event loop runs lets the console run strings meanwhile:
// each reply carries the messages raised while its own string ran.
TEST_F(ServiceTest, AStringRunInsideAnotherAnswersItsOwnMessages) {
    std::string inner = "stale";
    tree->Root().AddRightCommandHandler("Inner", [this](THandler&) { service.Report("inner refused"); });
    tree->Root().AddRightCommandHandler("Outer", [this, &inner](THandler&) {
        service.Report("outer note");
        service.Execute("INNER", inner);
    });
    std::string outer;
    EXPECT_TRUE(service.ExecCommand("OUTER", outer));
    EXPECT_EQ(inner, "inner refused");
    EXPECT_EQ(outer, "outer note");
    EXPECT_TRUE(service.ExecCommand("INNER;INNER", outer));
    EXPECT_EQ(outer, "inner refused;inner refused");
}

// Work a command leaves running takes the string's reply: the string returns without one, the work's
// end gives it once (after what the string itself replied, then the rest of the string runs), and only
// to a caller that can wait. Work that ends while its string still runs replies with the string; the
// console logs a later reply.
TEST_F(ServiceTest, AReplyLeftToRunningWorkComesOnceWhenTheWorkEnds) {
    TLaterReply work;
    bool endAtOnce = false;
    tree->Root().AddRightCommandHandler("Calibrate", [&](THandler&) {
        work = service.DeferReply();
        if (work && endAtOnce) work("done at once");
    });
    std::vector<std::string> later;
    const auto sink = [&](const std::string& reply) { later.push_back(reply); };

    std::string respond = "stale";
    EXPECT_TRUE(service.ExecCommand("CALIBRATE;TRIG:SOURCE?", respond, 0, sink));
    EXPECT_TRUE(service.Deferred());
    EXPECT_EQ(respond, "");
    ASSERT_TRUE(work);
    EXPECT_TRUE(later.empty());
    // Other strings run and reply while the work runs; the held string's query runs after the work.
    EXPECT_TRUE(service.ExecCommand("TRIG:SOURCE EXT;SOURCE?", respond, 0, sink));
    EXPECT_FALSE(service.Deferred());
    EXPECT_EQ(respond, "TRIG:SOURCE EXT");
    work("Calibration canceled.");
    work("twice");
    EXPECT_EQ(later, std::vector<std::string>{"Calibration canceled.;TRIG:SOURCE EXT"});
    // Logged once: received, then the return by the receiver of the later reply.
    EXPECT_EQ(log[0], "Received --> CALIBRATE;TRIG:SOURCE?");
    EXPECT_EQ(log[1], "Received --> TRIG:SOURCE EXT;SOURCE?");

    // Nobody can wait: no deferral, the work gets nothing to reply to.
    work = nullptr;
    EXPECT_TRUE(service.Execute("CALIBRATE", respond));
    EXPECT_FALSE(service.Deferred());
    EXPECT_FALSE(work);
    // Ended before the string returned: the string's own reply carries it.
    endAtOnce = true;
    later.clear();
    EXPECT_TRUE(service.Execute("CALIBRATE", respond, 0, sink));
    EXPECT_FALSE(service.Deferred());
    EXPECT_EQ(respond, "done at once");
    EXPECT_TRUE(later.empty());

    // The console: nothing logged and no beep at the send; the later reply is logged and announced.
    endAtOnce = false;
    TConsoleSession session(service);
    int announced = 0;
    session.OnLaterReply = [&] { ++announced; };
    const auto sent = session.Send("CALIBRATE");
    EXPECT_TRUE(sent.Later);
    EXPECT_FALSE(sent.Beep);
    EXPECT_EQ(session.Log.Text(), "");
    work("Calibration failed: No acquisition came for 10 s.");
    EXPECT_EQ(session.Log.Text(), "--> Calibration failed: No acquisition came for 10 s.\n");
    EXPECT_EQ(announced, 1);
    // A console gone before the work ended is not written to.
    {
        TConsoleSession gone(service);
        gone.Send("CALIBRATE");
    }
    work("after the console went");
}

// The commands after one that holds the reply run once its work has ended, from the node the line had
// reached, and the reply's pieces keep the order of the line's commands: a second held command holds
// the rest again; work ended within its command lets the line go on at once.
TEST_F(ServiceTest, TheCommandsAfterAHeldOneRunWhenItsWorkHasEndedInTheLinesOrder) {
    int ended = 0;
    bool endAtOnce = false;
    TLaterReply work;
    const auto calibrate = [&](THandler&) {
        work = service.DeferReply();
        if (work && endAtOnce) {
            ++ended;
            work("now");
        }
    };
    tree->Root().AddRightCommandHandler("Calibrate", calibrate);
    tree->Root().AddRightCommandHandler("Trig:Calibrate", calibrate);
    tree->Root().AddGpibStringHandler("Probe", 0, [&](std::string_view, bool, std::uint8_t, std::string& reply) {
        reply = " " + std::to_string(ended);
    });
    const auto end = [&](const std::string& text) {
        ++ended;
        TLaterReply w = std::move(work);
        w(text);
    };
    struct TCase {
        std::string Line;
        bool AtOnce;
        int Works;  // how many works the line leaves running, one after the other
        std::string Reply;
    };
    const std::vector<TCase> cases = {
        {"PROBE?;CALIBRATE;PROBE?", false, 1, "PROBE 0;W1;PROBE 1"},
        {"CALIBRATE;PROBE?;CALIBRATE;PROBE?", false, 2, "W1;PROBE 1;W2;PROBE 2"},
        {"TRIG:CALIBRATE;SOURCE?;:PROBE?", false, 1, "W1;TRIG:SOURCE CH1;\r\nPROBE 1"},
        {"CALIBRATE;", false, 1, "W1;ERROR!  Mnemonics is Absent"},
        {"PROBE?;CALIBRATE;PROBE?", true, 0, "PROBE 0;now;PROBE 1"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Line);
        ended = 0;
        endAtOnce = c.AtOnce;
        std::vector<std::string> later;
        std::string respond;
        service.Execute(c.Line, respond, 0, [&](const std::string& reply) { later.push_back(reply); });
        EXPECT_EQ(service.Deferred(), c.Works > 0);
        for (int k = 1; k <= c.Works; ++k) {
            ASSERT_TRUE(work);
            EXPECT_TRUE(later.empty());
            end("W" + std::to_string(k));
        }
        if (c.Works == 0) later.push_back(respond);
        EXPECT_EQ(later, std::vector<std::string>{c.Reply});
    }

    // Where a server waits for no string to run, the rest runs when it is told to.
    int ready = 0;
    service.OnReady = [&] { ++ready; };
    ended = 0;
    endAtOnce = false;
    std::vector<std::string> later;
    std::string respond;
    service.Execute("CALIBRATE;PROBE?", respond, 0, [&](const std::string& reply) { later.push_back(reply); });
    end("W1");
    EXPECT_EQ(ready, 1);
    EXPECT_TRUE(later.empty());
    service.RunReady();
    EXPECT_EQ(later, std::vector<std::string>{"W1;PROBE 1"});
}

TEST(ConsoleHistory, PresetsThenNewCommandsOnceAndTheOldestGoesBeyondAHundred) {
    TConsoleHistory h;
    ASSERT_EQ(h.Items().size(), 16u);
    EXPECT_EQ(h.Items().front(), "Header Off");
    EXPECT_EQ(h.Items().back(), "Acq:React:ClearAll");
    h.Add("*Run");
    h.Add("Trig:Source?");
    h.Add("Trig:Source?");
    EXPECT_EQ(h.Items().size(), 17u);
    for (int i = 0; h.Items().size() < 100; ++i) h.Add("cmd" + std::to_string(i));
    EXPECT_EQ(h.Items().front(), "Header Off");
    h.Add("one more");
    EXPECT_EQ(h.Items().size(), 100u);
    EXPECT_EQ(h.Items().front(), "Header On");
    EXPECT_EQ(h.Items().back(), "one more");
}

TEST(ConsoleLog, LongLinesAreCutAndEveryAppendStaysWithinTheLimit) {
    TConsoleLog log;
    log.AppendLine("--> ", std::string(30000, 'a'));
    EXPECT_EQ(log.Text(), "--> " + std::string(25000, 'a') + " . . . . . . .\n");
    // A second long line would pass the limit even though the log is below the trim size: the front
    // goes, never a negative amount.
    log.AppendLine("--> ", std::string(30000, 'b'));
    EXPECT_LE(log.Text().size(), TConsoleLog::TrimTo);
    EXPECT_EQ(log.Text().substr(log.Text().size() - 16), "b . . . . . . .\n");
    for (int i = 0; i < 200; ++i) {
        log.AppendLine("    Returned --> ", std::string(static_cast<std::size_t>(i * 37 % 900), 'x'));
        ASSERT_LE(log.Text().size(), TConsoleLog::LogLimit);
    }
    // Small lines far below the limit are kept whole.
    TConsoleLog small;
    small.AppendLine("--> ", "1");
    small.AppendLine("", "two");
    EXPECT_EQ(small.Text(), "--> 1\ntwo\n");
}

TEST(ConsoleLog, CutsNeverSplitACharacter) {
    TConsoleLog log;
    std::string mu;
    for (int i = 0; i < 20000; ++i) mu += "\xC2\xB5";  // 40000 bytes of "µ"
    log.AppendLine("", mu);
    const std::string& t = log.Text();
    EXPECT_EQ(t.size(), 25000 + TConsoleLog::CutMark.size() + 1);
    log.AppendLine("x", mu);
    EXPECT_NE(static_cast<unsigned char>(log.Text()[0]) & 0xC0, 0x80);
    EXPECT_LE(log.Text().size(), TConsoleLog::LogLimit);
}

int WhiteRow(const TWaveformPreview& p, int column) {
    int found = -1;
    for (int r = 0; r < TWaveformPreview::Height; ++r) {
        if (p.White(column, r)) {
            EXPECT_EQ(found, -1) << "two points in column " << column;
            found = r;
        }
    }
    return found;
}

TEST(WaveformPreview, MaximumOnTheFirstRowMinimumOnTheLastAndHeadersAndJunkSkipped) {
    TWaveformPreview p;
    EXPECT_TRUE(p.Draw("WFM:DATA -1, 0, ERROR, 1, 0.5"));
    EXPECT_TRUE(p.Shown());
    // Four numbers: columns 0, 64, 128, 192.
    EXPECT_EQ(WhiteRow(p, 0), 63);
    EXPECT_EQ(WhiteRow(p, 64), 32);
    EXPECT_EQ(WhiteRow(p, 128), 0);
    EXPECT_EQ(WhiteRow(p, 192), 16);
    EXPECT_EQ(WhiteRow(p, 1), -1);

    // Flat data sits on the middle row; a reply with no number draws an empty black preview.
    EXPECT_TRUE(p.Draw("5, 5"));
    EXPECT_EQ(WhiteRow(p, 0), 32);
    EXPECT_EQ(WhiteRow(p, 128), 32);
    EXPECT_TRUE(p.Draw("ERROR"));
    EXPECT_TRUE(p.Shown());
    for (int c = 0; c < TWaveformPreview::Width; ++c) ASSERT_EQ(WhiteRow(p, c), -1);

    EXPECT_FALSE(p.Draw("CH1 SIGNAL IS ABSENT"));
    EXPECT_FALSE(p.Shown());
}

TEST(WaveformPreview, AtMost4096PointsEachInsideTheImage) {
    std::string reply;
    for (int i = 0; i < 5000; ++i) reply += std::to_string((i * 7919) % 1000 - 500) + ", ";
    reply += "1e300, -1e300";
    TWaveformPreview p;
    EXPECT_TRUE(p.Draw(reply));
    int points = 0;
    for (int c = 0; c < TWaveformPreview::Width; ++c)
        for (int r = 0; r < TWaveformPreview::Height; ++r) points += p.White(c, r) ? 1 : 0;
    EXPECT_GT(points, 256);
}

TEST_F(ServiceTest, ConsoleSendBeepsOnEmptyRepliesLogsTheRestAndKeepsThePreviewForFiveSends) {
    TConsoleSession s(service);
    EXPECT_FALSE(s.Send("").Sent);

    auto r = s.Send("Trig:Source Ch2");
    EXPECT_TRUE(r.Beep);
    EXPECT_EQ(s.Log.Text(), "");
    EXPECT_EQ(who, wcvRemote);
    EXPECT_TRUE(log.empty()) << "the console's own sends are not automation traffic";

    r = s.Send("Trig:Source?");
    EXPECT_FALSE(r.Beep);
    EXPECT_EQ(s.Log.Text(), "--> TRIG:SOURCE CH2\n");

    wfm = "1, 2, 3";
    s.Send(" wfm:data? ");
    EXPECT_TRUE(s.Preview.Shown());
    EXPECT_EQ(s.PreviewCountdown(), 4);
    for (int i = 0; i < 3; ++i) s.Send("Trig:Source?");
    EXPECT_TRUE(s.Preview.Shown());
    s.Send("Trig:Source?");
    EXPECT_FALSE(s.Preview.Shown());
    EXPECT_EQ(s.PreviewCountdown(), 0);

    r = s.Send("Trig:Source Ext;;");
    EXPECT_EQ(r.Reply, "ERROR!  Mnemonics is Absent");
    EXPECT_EQ(s.Log.Text().substr(s.Log.Text().size() - 32), "--> ERROR!  Mnemonics is Absent\n");
    EXPECT_EQ(s.History.Items().back(), "Trig:Source Ext;;");

    // A waveform reply of "SIGNAL IS ABSENT" clears the preview without starting the countdown.
    wfm = "SIGNAL IS ABSENT";
    s.Send("Wfm:Data?");
    EXPECT_FALSE(s.Preview.Shown());
    EXPECT_EQ(s.PreviewCountdown(), 0);
}

}  // namespace
