// The engine against the fake instrument over loopback: alternate and dual-delay passes, a connection
// lost in the middle of a stream, the break, and run-until with saves.
#include <gtest/gtest.h>

#include <filesystem>

#include "acq/EngineTestSupport.h"

using namespace vt;
using namespace vt::test;

namespace {
double Value(int point, int channel, int acquisition) {
    return TFakeInstrument::SampleWord(point, channel, 1, acquisition) * 6.25e-5;
}
}  // namespace

TEST(AcqEngineLink, AlternateAndDualDelayPassesFillTheirRecords) {
    TEngineOnFake c;
    ASSERT_TRUE(c.Open());
    c.Shell.Records()->SignalsOn().SetOn(ssCh2, true);
    c.Cmd("ACQ:SAMPL ALTERN;:ACQ:CH1:MODE ENVMAX;:ACQ:CH1:NENV 2;:ACQ:CH2:MODE ENVMAX;:ACQ:CH2:NENV 2");
    c.Shell.SingleOn = true;
    ASSERT_TRUE(c.StepUntil([&] { return !c.Shell.SingleOn; }));
    ASSERT_TRUE(c.Fake.WaitUntil([&] { return c.Fake.Acquisitions() == 4; }));
    const std::vector<std::string> step = {"Acq:Channels Ch1", "ACQ:GO", "Acq:Channels Ch2", "ACQ:GO"};
    std::vector<std::string> expected = step;
    expected.insert(expected.end(), step.begin(), step.end());
    EXPECT_EQ(c.LinesLike("Acq:Channels", "ACQ:GO"), expected);
    EXPECT_EQ(c.Acq.AcqCount(2), 0) << "stopped after the cycle";

    // Dual delay, shared: one step makes a sweep on A (records 0 and 2), then one on B (1 and 3).
    c.Cmd("ACQ:SAMPL SIMULT;:ACQ:CH1:MODE SAMPLE");
    c.Values->Dual = true;
    c.Shell.SingleOn = true;
    ASSERT_TRUE(c.StepUntil([&] { return !c.Shell.SingleOn; }));
    EXPECT_EQ(c.Fake.Acquisitions(), 6);

    EXPECT_DOUBLE_EQ(c.Shell.Records()->Record(ssCh1).GetPoint(7), Value(7, 0, 5));
    EXPECT_DOUBLE_EQ(c.Shell.Records()->Record(ssCh2).GetPoint(7), Value(7, 1, 5));
    EXPECT_DOUBLE_EQ(c.Shell.Records()->Record(ssCh1B2).GetPoint(7), Value(7, 0, 6));
    EXPECT_DOUBLE_EQ(c.Shell.Records()->Record(ssCh2B2).GetPoint(7), Value(7, 1, 6));
    EXPECT_FALSE(c.Shell.Link()->CommErrorFlag());
}

TEST(AcqEngineLink, ALostConnectionIsProbedAfterItsGraceAndRunResumes) {
    TEngineOnFake c;
    ASSERT_TRUE(c.Open());
    c.Cmd("ACQ:CH1:RECLEN 4096");
    TFakeFaults faults;
    faults.CloseMidStreamAfterWords = 1000;
    c.Fake.SetFaults(faults);
    c.Shell.RunOn = true;
    TInstrumentLink& link = *c.Shell.Link();
    ASSERT_TRUE(c.StepUntil([&] { return link.CommErrorFlag(); }));
    c.Fake.SetFaults({});
    c.Fake.SetRefusing(true);
    const int connections = c.Fake.Connections();
    for (int i = 0; i < 200; ++i) {
        EXPECT_FALSE(c.Acq.AcquisitionIdleStep());
        if (i < 199) {
            EXPECT_EQ(c.Shell.IdleWakeAfterMs, TSignalAcq::PollWakeMs);
        }
    }
    EXPECT_EQ(c.Shell.IdleWakeAfterMs, link.Timing().TcpProbeTimeoutMs) << "then probes no closer than a probe takes";
    EXPECT_EQ(c.Fake.Connections(), connections) << "no probe during the grace";
    EXPECT_FALSE(c.Acq.CycleOpen()) << "the half-filled pass closed no cycle as complete";
    EXPECT_EQ(c.Shell.Records()->State(ssCh1), srcOff);
    c.Fake.SetRefusing(false);
    ASSERT_TRUE(c.StepUntil([&] { return !link.CommErrorFlag(); }, 50));
    EXPECT_TRUE(c.Shell.RunOn);
    const int before = c.Fake.Acquisitions();
    ASSERT_TRUE(c.StepUntil([&] { return c.Shell.Records()->State(ssCh1) == srcUpToDate; }));
    EXPECT_GT(c.Fake.Acquisitions(), before);
    EXPECT_DOUBLE_EQ(c.Shell.Records()->Record(ssCh1).GetPoint(4095),
                     TFakeInstrument::SampleWord(4095, 0, 1, c.Fake.Acquisitions()) * 6.25e-5);

    // A break in the middle of a pass drains the stream to its end and closes the cycle.
    ASSERT_TRUE(c.StepUntil([&] { return c.Acq.AcqReading(); }));
    c.Shell.RunOn = false;
    c.Shell.Link()->BreakAcquisition(true);
    EXPECT_FALSE(c.Acq.AcqReading());
    EXPECT_FALSE(c.Acq.CycleOpen());
    EXPECT_FALSE(link.CommErrorFlag());
    EXPECT_TRUE(c.Fake.WaitForLine("ACQ:BREAK"));
    EXPECT_EQ(c.Acq.AcqCount(2), 0) << "a stop leaves no cycle count for the next Run";
}

TEST(AcqEngineLink, RunUntilFiveSavesEachCycleBeepsAndStops) {
    TEngineOnFake c;
    ASSERT_TRUE(c.Open());
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("vt_rununtil_" + std::to_string(c.Fake.Port()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    c.Shell.Records()->SignalsOn().SetOn(ssCh2, true);
    c.Cmd("ACQ:FILENAME " + (dir / "shot").string() + ";:ACQ:RUNUNTIL NACQ;:ACQ:NACQ 5;:ACQ:REACT BEEP,SAVE");
    const int beeps = c.User->Beeps;
    c.Shell.RunOn = true;
    ASSERT_TRUE(c.StepUntil([&] { return !c.Shell.RunOn; }));
    for (int n = 1; n <= 5; ++n)
        for (int ch = 1; ch <= 2; ++ch)
            EXPECT_TRUE(std::filesystem::exists(dir / ("shot_0000" + std::to_string(n) + "_Ch" + std::to_string(ch) + ".wfm")))
                << n << " " << ch;
    EXPECT_FALSE(std::filesystem::exists(dir / "shot_00006_Ch1.wfm"));
    EXPECT_EQ(c.User->Beeps, beeps + 1);
    EXPECT_EQ(c.Fake.Acquisitions(), 5);
    EXPECT_TRUE(c.User->Errors.empty());

    // A save that fails stops Run at once and says so once.
    std::filesystem::remove_all(dir);
    c.Shell.RunOn = true;
    ASSERT_TRUE(c.StepUntil([&] { return !c.Shell.RunOn; }));
    EXPECT_EQ(c.User->Errors.size(), 1u);
    EXPECT_EQ(c.User->Errors.front().rfind("Write Error to file \"", 0), 0u);
}

TEST(AcqEngineLink, ABreakWhoseDrainFailsProbesOnceAndLeavesTheErrorState) {
    TEngineOnFake c;
    ASSERT_TRUE(c.Open());
    c.Cmd("ACQ:CH1:RECLEN 4096");
    TFakeFaults faults;
    faults.IgnoreBreak = true;
    faults.CloseMidStreamAfterWords = 3000;
    c.Fake.SetFaults(faults);
    c.Shell.RunOn = true;
    ASSERT_TRUE(c.StepUntil([&] { return c.Acq.AcqReading(); }));
    const int connections = c.Fake.Connections();
    c.Shell.Link()->BreakAcquisition(true);
    EXPECT_TRUE(c.Shell.Link()->CommErrorFlag());
    EXPECT_FALSE(c.Acq.CycleOpen());
    EXPECT_TRUE(c.Fake.WaitUntil([&] { return c.Fake.Connections() == connections + 1; }));
    EXPECT_EQ(c.Fake.Connections(), connections + 1) << "one probe";
}
