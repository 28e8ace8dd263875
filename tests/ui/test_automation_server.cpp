// The automation server driven by real loopback socket clients.
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "RawSocketClient.h"
#include "UiTestSupport.h"
#include "core/CommandService.h"
#include "core/CommandTree.h"
#include "ui/Automation.h"
#include "ui/AutomationServer.h"

using namespace vt;
using namespace vt::test;

namespace {

class AutomationServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto& root = tree->Root();
        root.AddRadioHandler("Trig:Source", {.Items = "Ch1, Ch2, Ext"});
        root.AddGpibStringHandler("Big", 0, [this](std::string_view, bool, std::uint8_t, std::string& reply) {
            reply.assign(bigSize, 'b');
        });
        root.AddGpibStringHandler("Lines", 0, [](std::string_view, bool, std::uint8_t, std::string& reply) {
            reply = "a\r\nb\nc\r";
        });
        // A command that opens a nested event loop, as a modal dialog or an instrument switch's waits do.
        root.AddGpibStringHandler("Slow", 0, [](std::string_view, bool, std::uint8_t, std::string& reply) {
            RunLoopFor(100);
            reply = "slow done";
        });
        service.OnLog = [this](const std::string& line) { log.push_back(line); };
        ASSERT_TRUE(server.Listen(0)) << server.ErrorText();
        port = server.Port();
    }
    bool Logged(const std::string& text) const {
        return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
    }
    int LogIndex(const std::string& line) const {
        const auto it = std::find(log.begin(), log.end(), line);
        return it == log.end() ? -1 : static_cast<int>(it - log.begin());
    }

    std::unique_ptr<TCommandTree> tree = CreateCommandTree();
    TCOMRC service{*tree};
    TAutomationServer server{service};
    std::vector<std::string> log;
    std::size_t bigSize = 100;
    std::uint16_t port = 0;
};

using Lines = std::vector<std::string>;

TEST_F(AutomationServerTest, EachLineIsOneCommandAnsweredByOneLineInOrder) {
    TRawClient c(port);
    ASSERT_TRUE(c.Connected());
    // Several lines in one packet, LF and CR LF ends, an empty line, a reply with line breaks inside.
    ASSERT_TRUE(c.Send("HEADER?\nHEADER OFF\r\nheader?\n\n  \nLINES?\r\nTRIG:SOURCE CH2;SOURCE?\nNOSUCH?\n"));
    EXPECT_EQ(c.Lines(8), (Lines{"HEADER ON", "", "OFF", "", "ERROR!  Mnemonics is Absent", "a\tb\tc", "CH2", "ERROR"}));
    // A line split over several packets.
    ASSERT_TRUE(c.Send("TRIG:SO"));
    RunLoopFor(20);
    ASSERT_TRUE(c.Send("URCE?\r"));
    RunLoopFor(20);
    ASSERT_TRUE(c.Send("\nHEADER?"));
    RunLoopFor(20);
    ASSERT_TRUE(c.Send("\n"));
    EXPECT_EQ(c.Lines(2), (Lines{"CH2", "OFF"}));
    EXPECT_EQ(server.ClientCount(), 1);
    // Both traffic lines of every command are logged.
    EXPECT_EQ(log[0], "Received --> HEADER?");
    EXPECT_EQ(log[1], "    Returned --> HEADER ON");
    EXPECT_NE(LogIndex("    Returned --> ERROR"), -1);
    c.Close();
    EXPECT_TRUE(RunLoopUntil([&] { return server.ClientCount() == 0; }));
}

TEST_F(AutomationServerTest, LineOfOneMebibyteIsServedALongerOneRepliesErrorAndTheClientIsServedOn) {
    TRawClient other(port);
    TRawClient c(port);
    const std::string prefix = "TRIG:SOURCE ";
    const std::string longest = prefix + std::string(TAutomationServer::MaxLineLength - prefix.size(), 'x');
    ASSERT_TRUE(c.Send(longest + "\r\nTRIG:SOURCE?\n"));
    // The tree ignores an item it does not know: the empty reply is still a line.
    EXPECT_EQ(c.Lines(2), (Lines{"", "TRIG:SOURCE CH1"}));
    EXPECT_EQ(log[0].size(), std::string("Received --> ").size() + longest.size());
    // Replies the client has not read yet are not lost to a long line after them.
    ASSERT_TRUE(c.Send("HEADER?\nHEADER?\nHEADER?\n" + std::string(std::size_t{2} << 20, 'x') + "\nHEADER?\n"));
    EXPECT_EQ(c.Lines(5), (Lines{"HEADER ON", "HEADER ON", "HEADER ON", "ERROR", "HEADER ON"}));
    // Two bytes over, the last in a later packet.
    ASSERT_TRUE(c.Send(longest + "y"));
    RunLoopFor(20);
    ASSERT_TRUE(c.Send("z\nHEADER?\n"));
    EXPECT_EQ(c.Lines(2), (Lines{"ERROR", "HEADER ON"}));
    EXPECT_TRUE(Logged("a line longer than 1 MiB is not run"));
    EXPECT_EQ(server.ClientCount(), 2);
    ASSERT_TRUE(other.Send("HEADER?\n"));
    EXPECT_EQ(other.Lines(1), (Lines{"HEADER ON"}));
}

TEST_F(AutomationServerTest, ClientThatDoesNotReadIsDroppedAndOthersAreServed) {
    server.SetOutputLimit(64 * 1024);
    bigSize = 40 * 1024;  // each reply within the bound; together they are not
    TRawClient slow(port, 4096);
    TRawClient other(port);
    std::string burst;
    for (int i = 0; i < 200; ++i) burst += "BIG?\n";
    ASSERT_TRUE(slow.Send(burst));
    ASSERT_TRUE(RunLoopUntil([&] { return Logged("disconnected: does not read its replies"); }));
    ASSERT_TRUE(other.Send("TRIG:SOURCE?\n"));
    EXPECT_EQ(other.Lines(1), (Lines{"TRIG:SOURCE CH1"}));
    EXPECT_EQ(server.ClientCount(), 1);
    // Far fewer than the 200 commands ran: the rest went with the client.
    EXPECT_LT(std::count(log.begin(), log.end(), std::string("Received --> BIG?")), 200);
}

TEST_F(AutomationServerTest, ClientThatHangsUpDuringAReplyLeavesTheServerWorking) {
    bigSize = 8 * 1024 * 1024;
    {
        TRawClient gone(port, 4096);
        ASSERT_TRUE(gone.Send("BIG?\nBIG?\n"));
        ASSERT_TRUE(RunLoopUntil([&] { return LogIndex("Received --> BIG?") >= 0; }));
    }
    bigSize = 10;
    TRawClient c(port);
    ASSERT_TRUE(c.Send("BIG?\n"));
    EXPECT_EQ(c.Lines(1), (Lines{"BIGbbbbbbbbbb"}));
    EXPECT_TRUE(RunLoopUntil([&] { return server.ClientCount() == 1; }));
}

TEST_F(AutomationServerTest, TwoClientsAtOnceWaitForTheRunningCommandNestedLoopsIncluded) {
    TRawClient a(port);
    TRawClient b(port);
    ASSERT_TRUE(a.Send("SLOW?\nHEADER?\n"));
    ASSERT_TRUE(RunLoopUntil([&] { return LogIndex("Received --> SLOW?") >= 0; }));
    // Arrives while SLOW runs its nested event loop: it waits its turn.
    ASSERT_TRUE(b.Send("TRIG:SOURCE?\n"));
    EXPECT_EQ(b.Lines(1), (Lines{"TRIG:SOURCE CH1"}));
    EXPECT_EQ(a.Lines(2), (Lines{"SLOWslow done", "HEADER ON"}));
    const int slowEnd = LogIndex("    Returned --> SLOWslow done");
    ASSERT_GE(slowEnd, 0);
    EXPECT_EQ(LogIndex("Received --> SLOW?"), slowEnd - 1);
    EXPECT_GT(LogIndex("Received --> TRIG:SOURCE?"), slowEnd);
    EXPECT_GT(LogIndex("Received --> HEADER?"), slowEnd);

    // A command the console runs holds automation lines the same way: the line sent during its
    // nested loop has not run when the loop is about to end.
    std::string consoleReply;
    bool heldDuringConsoleCommand = false;
    QTimer::singleShot(0, [&] { service.Execute("SLOW?", consoleReply); });
    QTimer::singleShot(20, [&] { b.Send("HEADER OFF;HEADER?\n"); });
    QTimer::singleShot(80, [&] {
        heldDuringConsoleCommand = service.Running() && LogIndex("Received --> HEADER OFF;HEADER?") == -1;
    });
    EXPECT_EQ(b.Lines(1), (Lines{"OFF"}));
    EXPECT_TRUE(heldDuringConsoleCommand);
    EXPECT_EQ(consoleReply, "SLOWslow done");
}

// A line whose work runs on (a calibration stepped by the acquisition) gets its reply when the work
// ends: meanwhile the other client is served and the same client's next line waits behind it, so that
// replies keep their lines' order. A client gone before its work ended is closed once it has ended.
TEST_F(AutomationServerTest, AReplyLeftToRunningWorkComesInTurnWhileOtherClientsAreServed) {
    TLaterReply work;
    tree->Root().AddRightCommandHandler("Calibrate", [&](THandler&) { work = service.DeferReply(); });
    TRawClient c(port);
    TRawClient other(port);
    ASSERT_TRUE(c.Send("CALIBRATE\nTRIG:SOURCE?\n"));
    ASSERT_TRUE(RunLoopUntil([&] { return static_cast<bool>(work); }));
    ASSERT_TRUE(other.Send("HEADER?\n"));
    EXPECT_EQ(other.Lines(1), (Lines{"HEADER ON"}));
    EXPECT_EQ(LogIndex("Received --> TRIG:SOURCE?"), -1) << "the client's next line waits";
    work("Calibration canceled.");
    EXPECT_EQ(c.Lines(2), (Lines{"Calibration canceled.", "TRIG:SOURCE CH1"}));
    EXPECT_LT(LogIndex("    Returned --> Calibration canceled."), LogIndex("Received --> TRIG:SOURCE?"));

    work = nullptr;
    ASSERT_TRUE(c.Send("CALIBRATE\n"));
    ASSERT_TRUE(RunLoopUntil([&] { return static_cast<bool>(work); }));
    c.Close();
    // The server has seen the close and keeps the client for the work's end.
    ASSERT_TRUE(RunLoopUntil([&] { return server.EndedClientCount() == 1; }));
    EXPECT_EQ(server.ClientCount(), 2);
    work("too late");
    ASSERT_TRUE(RunLoopUntil([&] { return server.ClientCount() == 1; }));
    ASSERT_TRUE(other.Send("HEADER?\n"));
    EXPECT_EQ(other.Lines(1), (Lines{"HEADER ON"}));
}

// A client that closes its sending side after its last line (as a script piping its lines does) gets
// every reply in order, a held line's too, and then the close.
TEST_F(AutomationServerTest, AClientThatClosesItsSendingSideGetsEveryReplyThenTheClose) {
    for (const int count : {1, 1000}) {
        SCOPED_TRACE(count);
        TRawClient c(port);
        std::string lines;
        for (int i = 0; i < count; ++i) lines += i % 2 ? "TRIG:SOURCE?\n" : "HEADER?\n";
        ASSERT_TRUE(c.Send(lines));
        c.ShutdownSending();
        const Lines replies = c.Lines(static_cast<std::size_t>(count));
        ASSERT_EQ(replies.size(), static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) ASSERT_EQ(replies[static_cast<std::size_t>(i)], i % 2 ? "TRIG:SOURCE CH1" : "HEADER ON");
        EXPECT_TRUE(c.ClosedByServer());
    }
    TLaterReply work;
    tree->Root().AddRightCommandHandler("Calibrate", [&](THandler&) { work = service.DeferReply(); });
    TRawClient held(port);
    TRawClient other(port);
    ASSERT_TRUE(held.Send("CALIBRATE;TRIG:SOURCE?\nHEADER?\n"));
    held.ShutdownSending();
    ASSERT_TRUE(RunLoopUntil([&] { return static_cast<bool>(work); }));
    ASSERT_TRUE(other.Send("TRIG:SOURCE EXT\n"));
    EXPECT_EQ(other.Lines(1), (Lines{""}));
    EXPECT_EQ(server.ClientCount(), 2) << "the held client waits for its reply";
    work("Calibration canceled.");
    EXPECT_EQ(held.Lines(2), (Lines{"Calibration canceled.;TRIG:SOURCE EXT", "HEADER ON"}));
    EXPECT_TRUE(held.ClosedByServer());
    EXPECT_TRUE(RunLoopUntil([&] { return server.ClientCount() == 1; }));
}

TEST_F(AutomationServerTest, PortInUseIsRefusedWithAMessageAndClientsCanBeDisconnected) {
    TCOMRC otherService{*tree};
    TAutomationServer second(otherService);
    EXPECT_FALSE(second.Listen(port));
    EXPECT_NE(second.ErrorText().find("port " + std::to_string(port)), std::string::npos) << second.ErrorText();
    EXPECT_FALSE(second.IsListening());

    TRawClient a(port);
    TRawClient b(port);
    ASSERT_TRUE(RunLoopUntil([&] { return server.ClientCount() == 2; }));
    server.DisconnectAll();
    EXPECT_EQ(server.ClientCount(), 0);
    EXPECT_TRUE(a.ClosedByServer());
    EXPECT_TRUE(b.ClosedByServer());
}

}  // namespace

namespace {

TEST_F(AutomationServerTest, AFloodingClientLeavesOthersTheirTurnAndTheServerStaysWithinOneBound) {
    // A pipelines ten thousand queries; B, arriving meanwhile, is answered long before A's last reply.
    TRawClient a(port);
    std::string flood;
    for (int i = 0; i < 10000; ++i) flood += "HEADER?\n";
    ASSERT_TRUE(a.Send(flood));
    TRawClient b(port);
    QElapsedTimer waited;
    waited.start();
    ASSERT_TRUE(b.Send("TRIG:SOURCE?\n"));
    EXPECT_EQ(b.Lines(1), (Lines{"TRIG:SOURCE CH1"}));
    const qint64 bWaited = waited.elapsed();
    const Lines replies = a.Lines(10000);
    // On a loaded machine everything is slower: then B must still have had its turn well before A's end.
    EXPECT_TRUE(bWaited < 1000 || 2 * bWaited < waited.elapsed())
        << "B waited " << bWaited << " ms of A's " << waited.elapsed() << " ms";
    ASSERT_EQ(replies.size(), 10000u);
    EXPECT_EQ(replies.back(), "HEADER ON");

    // Clients that never read: their unread replies together stay within the one bound.
    // (The system's socket buffers take some megabytes of each connection before anything waits here.)
    server.SetOutputLimit(qint64{16} << 20);
    server.SetTotalOutputLimit(qint64{24} << 20);
    bigSize = 256 * 1024;
    std::vector<std::unique_ptr<TRawClient>> silent;
    std::string burst;
    for (int i = 0; i < 200; ++i) burst += "BIG?\n";
    for (int i = 0; i < 5; ++i) silent.push_back(std::make_unique<TRawClient>(port, 4096));
    // All at once, so that no client's replies pile up alone first.
    for (auto& client : silent) ASSERT_TRUE(client->SendNow(burst));
    // A quarter of a gigabyte of replies: a loaded machine needs longer than the usual wait.
    ASSERT_TRUE(RunLoopUntil([&] { return Logged("the clients together do not read their replies"); }, 30000));
    EXPECT_LE(server.PendingOutput(), (qint64{24} << 20) + bigSize + 1);
    // A reply that would pass the client's own bound is not built at all.
    silent.clear();
    server.SetOutputLimit(qint64{4} << 20);
    bigSize = std::size_t{5} << 20;
    TRawClient greedy(port);
    ASSERT_TRUE(greedy.Send("BIG?\n"));
    EXPECT_TRUE(greedy.ClosedByServer());
    EXPECT_TRUE(Logged("disconnected: reply longer than 4194304 bytes"));
}

// Questions and messages raised while a client's command runs answer in its reply and the log.
TEST_F(AutomationServerTest, AMessageDuringACommandGoesToTheReplyNotToADialog) {
    TScriptedDialogs inner;
    TQuietWhileServingDialogs dialogs(inner, [this] { return &service; });
    tree->Root().AddGpibStringHandler("Fail", 0, [&](std::string_view, bool, std::uint8_t, std::string& reply) {
        dialogs.ShowError(nullptr, QStringLiteral("Error Reading the Individual Information from the Instruments."));
        reply = " NOT DETECTED";
    });
    TRawClient c(port);
    ASSERT_TRUE(c.Send("FAIL?\nHEADER?\n"));
    EXPECT_EQ(c.Lines(2), (Lines{"FAIL NOT DETECTED;Error Reading the Individual Information from the Instruments.",
                                 "HEADER ON"}))
        << "the message belongs to its own command's reply only";
    EXPECT_TRUE(Logged("    Message --> Error Reading the Individual Information"));
    EXPECT_TRUE(inner.Asked.empty());
    // Outside a command the user sees the dialog.
    dialogs.ShowError(nullptr, QStringLiteral("shown"));
    EXPECT_EQ(inner.Asked, std::vector<std::string>{"Error: shown"});
}

}  // namespace
