// The sample stream over loopback TCP: chunks, fillers, the end word, the break and the faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "LinkTestSupport.h"
#include "core/InternalError.h"

using namespace vt;
using namespace vt::test;

namespace {

// A link on the fake whose acquisition sends the start's settings just before "ACQ:GO", exempt, as
// the senders of the program do; with BreakOnCommand a command breaks the running acquisition.
struct TStreamOnFake : TLinkOnFake, TLinkAcquisition {
    explicit TStreamOnFake(std::size_t chunkBytes = 1024) : TLinkOnFake(chunkBytes) { Link.SetAcquisition(this); }
    void SendAcquisitionSettings(std::uint8_t ch, std::uint16_t len, std::uint16_t avg, double delay) override {
        Link.SendFloatCommand("TB:DELAY", true, delay);
        Link.SendCommand(ch == 4 ? "Acq:Channels Both" : ch == 3 ? "Acq:Channels Ch2" : "Acq:Channels Ch1", true);
        Link.SendCommand("Acq:RecLen " + std::to_string(len), true);
        Link.SendCommand("Acq:NAvg " + std::to_string(avg), true);
    }
    void BreakAcquisitionHook(bool) override {
        if (BreakOnCommand) Link.BreakRunningAcquisition();
    }
    bool BreakOnCommand = false;
};

struct TAcquired {
    std::vector<std::uint16_t> Samples;
    bool EndSeen = false;
    bool ReadFailed = false;
    int Fillers = 0;
};

// Reads blocks as the acquisition engine does, up to the end word (bounded in reads).
TAcquired ReadAcquisition(TInstrumentLink& link, int maxReads = 200000) {
    TAcquired a;
    for (int r = 0; r < maxReads && !a.EndSeen; ++r) {
        const std::uint16_t* words = nullptr;
        std::uint16_t n = 0;
        if (!link.ReadBinaryBlock(words, n, false)) {
            a.ReadFailed = true;
            break;
        }
        for (std::uint16_t i = 0; i < n; ++i) {
            if (words[i] == FillerWord) {
                ++a.Fillers;
            } else if (words[i] == EndOfAcquisitionWord) {
                a.EndSeen = true;
                break;
            } else {
                a.Samples.push_back(words[i]);
            }
        }
    }
    if (a.EndSeen) link.SetAcquisitionRunning(false);
    return a;
}

std::vector<std::uint16_t> Expected(int points, int channels, int averages, int acquisition) {
    auto w = TFakeInstrument::CleanStream(points, channels, averages, acquisition);
    w.pop_back();
    return w;
}

}  // namespace

TEST(Stream, AWholeAcquisitionArrivesExactlyForEveryChunkSize) {
    TStreamOnFake t;
    ASSERT_TRUE(t.Open());
    t.Fake.SetFaults({.FillerEvery = 97});
    int acquisition = 0;
    for (std::size_t chunk : {1u, 2u, 3u, 7u, 64u, 1000u, 8193u, 16400u, 40000u}) {
        SCOPED_TRACE(chunk);
        t.Fake.SetChunkBytes(chunk);
        const int points = chunk < 8 ? 300 : 4096;
        t.Link.StartAcquisition(4, static_cast<std::uint16_t>(points), 16, 1e-9, true);
        ASSERT_TRUE(t.Link.AcquisitionRunning());
        const TAcquired a = ReadAcquisition(t.Link);
        ++acquisition;
        ASSERT_TRUE(a.EndSeen);
        EXPECT_EQ(a.Samples, Expected(points, 2, 16, acquisition));
        EXPECT_EQ(a.Fillers, points * 2 / 97);
        EXPECT_FALSE(t.Link.CommErrorFlag());
    }
    // The settings went out exempt before each start, in the instrument's order.
    const auto lines = t.Fake.Lines();
    const auto go = std::find(lines.begin(), lines.end(), "ACQ:GO");
    ASSERT_NE(go, lines.end());
    EXPECT_EQ(std::vector<std::string>(go - 4, go),
              (std::vector<std::string>{"TB:DELAY 1E-9", "Acq:Channels Both", "Acq:RecLen 300", "Acq:NAvg 16"}));
}

TEST(Stream, EachChunkIsRequestedAndNoneAfterTheEndWord) {
    TStreamOnFake t(2);  // one word per chunk
    ASSERT_TRUE(t.Open());
    t.Link.StartAcquisition(2, 10, 1, 0, true);
    const TAcquired a = ReadAcquisition(t.Link);
    ASSERT_TRUE(a.EndSeen);
    EXPECT_EQ(a.Samples, Expected(10, 1, 1, 1));
    // 11 chunks (10 samples and the end word): 10 requests.
    t.Link.QueryInt("Info:GetTemp");  // a round trip so that everything sent has arrived
    EXPECT_EQ(t.Fake.ChunkRequests(), 10);
    const std::string bytes = t.Fake.Received();
    EXPECT_NE(bytes.find(std::string("ACQ:GO\r\n\0\r\n", 11)), std::string::npos);
}

TEST(Stream, AStreamLongerThanOneBufferArrivesWhole) {
    TStreamOnFake t(20000);
    ASSERT_TRUE(t.Open());
    t.Fake.SetFaults({.FillerEvery = 10});  // 8192 samples and 819 fillers: more words than the buffer holds
    t.Link.StartAcquisition(4, 4096, 1, 0, true);
    const TAcquired a = ReadAcquisition(t.Link);
    ASSERT_TRUE(a.EndSeen);
    EXPECT_EQ(a.Samples, Expected(4096, 2, 1, 1));
    EXPECT_EQ(a.Fillers, 819);
}

TEST(Stream, FillersOnlyAndFillersAfterTheEndWord) {
    TStreamOnFake t(64);
    ASSERT_TRUE(t.Open());
    t.Fake.SetFaults({.OnlyFillers = true});
    t.Link.StartAcquisition(2, 500, 1, 0, true);
    TAcquired a = ReadAcquisition(t.Link);
    EXPECT_TRUE(a.EndSeen);
    EXPECT_TRUE(a.Samples.empty());
    EXPECT_EQ(a.Fillers, 500);

    t.Fake.SetFaults({.FillersAfterEnd = true});
    t.Fake.SetChunkBytes(1 << 20);  // end word and fillers in one chunk
    t.Link.StartAcquisition(2, 100, 1, 0, true);
    a = ReadAcquisition(t.Link);
    EXPECT_TRUE(a.EndSeen);
    EXPECT_EQ(a.Samples, Expected(100, 1, 1, 2));
    // The fillers behind the end word do not leak into the next reply.
    t.Fake.SetReply("Info:GetTemp?", "31");
    EXPECT_EQ(t.Link.QueryInt("Info:GetTemp"), 31);
}

TEST(Stream, ABreakDrainsTheStreamToItsEndWord) {
    TStreamOnFake t(64);
    t.BreakOnCommand = true;
    ASSERT_TRUE(t.Open());
    t.Link.StartAcquisition(4, 4096, 1, 0, true);
    const std::uint16_t* words = nullptr;
    std::uint16_t n = 0;
    ASSERT_TRUE(t.Link.ReadBinaryBlock(words, n, false));
    // Any command that is not exempt breaks the running acquisition first.
    t.Fake.SetReply("Info:GetTemp?", "25");
    EXPECT_EQ(t.Link.QueryInt("Info:GetTemp"), 25);
    EXPECT_FALSE(t.Link.AcquisitionRunning());
    EXPECT_FALSE(t.Link.BreakModeFlag());
    EXPECT_FALSE(t.Link.CommErrorFlag());
    const auto lines = t.Fake.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "ACQ:BREAK");
    EXPECT_EQ(lines.back(), "Info:GetTemp?");
    // A break with nothing outstanding sends nothing.
    EXPECT_TRUE(t.Link.BreakRunningAcquisition());
    EXPECT_EQ(t.Fake.Lines().size(), lines.size());

    // A break also ends a stream that has no end word.
    t.Fake.SetChunkBytes(256);
    t.Fake.SetFaults({.NoEndWord = true});
    t.Link.StartAcquisition(2, 200, 1, 0, true);
    EXPECT_TRUE(t.Link.BreakRunningAcquisition());
    EXPECT_FALSE(t.Link.CommErrorFlag());
}

TEST(Stream, AStreamWithNoEndWordFallsSilentAndEntersTheErrorState) {
    TStreamOnFake t(256);
    ASSERT_TRUE(t.Open());
    t.Fake.SetFaults({.NoEndWord = true});
    t.Link.StartAcquisition(2, 200, 1, 0, true);
    TAcquired a;
    for (int r = 0; r < 1000 && a.Samples.size() < 200; ++r) {
        const std::uint16_t* words = nullptr;
        std::uint16_t n = 0;
        ASSERT_TRUE(t.Link.ReadBinaryBlock(words, n, false));
        a.Samples.insert(a.Samples.end(), words, words + n);
    }
    EXPECT_EQ(a.Samples, Expected(200, 1, 1, 1));
    const std::uint16_t* words = nullptr;
    std::uint16_t n = 0;
    EXPECT_TRUE(t.Link.ReadBinaryBlock(words, n, false));  // silent, but not yet for long
    EXPECT_EQ(n, 0);
    t.Clock.Now += 501;
    EXPECT_FALSE(t.Link.ReadBinaryBlock(words, n, false));
    EXPECT_TRUE(t.Link.CommErrorFlag());
}

TEST(Stream, ADrainThatNeverEndsIsBoundedAndEntersTheErrorState) {
    TStreamOnFake t(64);
    ASSERT_TRUE(t.Open());
    // The instrument keeps streaming fillers.
    t.Fake.SetFaults({.OnlyFillers = true, .NoEndWord = true, .IgnoreBreak = true});
    t.Clock.AutoAdvanceMs = 5;
    t.Link.StartAcquisition(4, 4096, 1, 0, true);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(t.Link.BreakRunningAcquisition());
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    EXPECT_TRUE(t.Link.CommErrorFlag());
    EXPECT_FALSE(t.Link.BreakModeFlag());
    EXPECT_FALSE(t.Link.AcquisitionRunning());
}

TEST(Stream, AConnectionClosedMidStreamHandsOutWhatCameThenFails) {
    TStreamOnFake t(100);
    ASSERT_TRUE(t.Open());
    t.Fake.SetFaults({.CloseMidStreamAfterWords = 120});
    t.Link.StartAcquisition(2, 1000, 1, 0, true);
    const TAcquired a = ReadAcquisition(t.Link);
    EXPECT_TRUE(a.ReadFailed);
    EXPECT_FALSE(a.EndSeen);
    const auto all = Expected(1000, 1, 1, 1);
    EXPECT_EQ(a.Samples, std::vector<std::uint16_t>(all.begin(), all.begin() + 120));
    EXPECT_TRUE(t.Link.CommErrorFlag());
}

TEST(Stream, StartRules) {
    TStreamOnFake t;
    struct TStartLog : TLinkTexts, TCommErrorReport {
        void Beep() override { ++Beeps; }
        void ReportCommError(std::string_view s) override { Reports.emplace_back(s); }
        int Beeps = 0;
        std::vector<std::string> Reports;
    } log;
    t.Link.SetTexts(&log);
    t.Link.SetCommErrorReport(&log);
    int& beeps = log.Beeps;
    std::vector<std::string>& reports = log.Reports;
    ASSERT_TRUE(t.Open());
    t.Link.StartAcquisition(2, 100, 1, 0, true);
    t.Link.StartAcquisition(2, 100, 1, 0, true);  // still running: only a beep
    EXPECT_EQ(beeps, 1);
    EXPECT_TRUE(ReadAcquisition(t.Link).EndSeen);
    EXPECT_EQ(t.Fake.Acquisitions(), 1);

    const std::uint16_t* words = nullptr;
    std::uint16_t n = 0;
    EXPECT_THROW(t.Link.ReadBinaryBlock(words, n, false), EInternalError);
    EXPECT_TRUE(t.Link.ReadBinaryBlock(words, n, true));

    // A start that cannot be sent enters the error state and reports it.
    t.Fake.DropConnection();
    t.Link.StartAcquisition(2, 100, 1, 0, true);
    for (int i = 0; i < 3 && !t.Link.CommErrorFlag(); ++i) t.Link.StartAcquisition(2, 100, 1, 0, true);
    EXPECT_TRUE(t.Link.CommErrorFlag());
    EXPECT_FALSE(t.Link.AcquisitionRunning());
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), " on start");
}

TEST(Stream, DemoStartsTheSimulatorAndCountsPatternLockStarts) {
    TFakeLinkClock clock;
    TInstrumentLink link(FastTiming(1), &clock);
    link.SetLinkKind(TInstrumentLinkKind::Demo);
    struct TSimulated : TLinkAcquisition {
        void StartSimulatedAcquisition() override { ++Simulated; }
        bool PatternLockActive() override { return Lock; }
        void RecheckPatternLock() override { ++Rechecks; }
        int Simulated = 0;
        int Rechecks = 0;
        bool Lock = false;
    } acquisition;
    link.SetAcquisition(&acquisition);
    int& simulated = acquisition.Simulated;
    int& rechecks = acquisition.Rechecks;
    bool& lock = acquisition.Lock;
    for (int i = 0; i < 10; ++i) {
        link.StartAcquisition(2, 100, 1, 0, false);
        link.SetAcquisitionRunning(false);
    }
    EXPECT_EQ(simulated, 10);
    EXPECT_EQ(rechecks, 0);
    lock = true;
    for (int i = 0; i < 50; ++i) {
        link.StartAcquisition(2, 100, 1, 0, false);
        EXPECT_TRUE(link.AcquisitionRunning());
        link.SetAcquisitionRunning(false);
    }
    EXPECT_EQ(rechecks, 0);
    link.StartAcquisition(2, 100, 1, 0, false);  // the 51st start with the lock on
    EXPECT_EQ(rechecks, 1);
    link.SetAcquisitionRunning(false);
    for (int i = 0; i < 50; ++i) {
        link.StartAcquisition(2, 100, 1, 0, false);
        link.SetAcquisitionRunning(false);
    }
    EXPECT_EQ(rechecks, 1);
    const std::uint16_t* words = nullptr;
    std::uint16_t n = 7;
    link.SetAcquisitionRunning(true);
    EXPECT_TRUE(link.ReadBinaryBlock(words, n, false));
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(link.BreakRunningAcquisition());
    EXPECT_FALSE(link.AcquisitionRunning());
}
