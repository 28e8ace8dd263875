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
    TEngineRig c(true);
    c.Shell.Records()->SignalsOn().SetOn(ssCh2, true);
    c.Cmd("ACQ:SAMPL ALTERN;:ACQ:CH1:MODE ENVMAX;:ACQ:CH1:NENV 2;:ACQ:CH2:MODE ENVMAX;:ACQ:CH2:NENV 2");
    c.RunSingle();
    ASSERT_TRUE(c.Fake->WaitUntil([&] { return c.Fake->Acquisitions() == 4; }));
    std::vector<std::string> lines, step = {"Acq:Channels Ch1", "ACQ:GO", "Acq:Channels Ch2", "ACQ:GO"};
    for (const std::string& line : c.Fake->Lines())
        if (line.rfind("Acq:Channels", 0) == 0 || line == "ACQ:GO") lines.push_back(line);
    std::vector<std::string> twoSteps = step;
    twoSteps.insert(twoSteps.end(), step.begin(), step.end());
    EXPECT_EQ(lines, twoSteps) << "per step: Ch1 then Ch2";

    // Dual delay, shared: one step makes a sweep on A (records 0 and 2), then one on B (1 and 3).
    c.Cmd("ACQ:SAMPL SIMULT;:ACQ:CH1:MODE SAMPLE");
    c.Values->Dual = true;
    c.RunSingle();
    EXPECT_EQ(c.Fake->Acquisitions(), 6);
    EXPECT_EQ(std::vector<double>({c.Point(ssCh1, 7), c.Point(ssCh2, 7), c.Point(ssCh1B2, 7), c.Point(ssCh2B2, 7)}),
              std::vector<double>({Value(7, 0, 5), Value(7, 1, 5), Value(7, 0, 6), Value(7, 1, 6)}));
}

TEST(AcqEngineLink, ALostConnectionIsProbedAfterItsGraceAndRunResumes) {
    TEngineRig c(true);
    c.Cmd("ACQ:CH1:RECLEN 4096");
    c.Fake->SetFaults({.CloseMidStreamAfterWords = 1000});
    c.Shell.RunOn = true;
    TInstrumentLink& link = *c.Shell.Link();
    ASSERT_TRUE(c.StepUntil([&] { return link.CommErrorFlag(); }));
    c.Fake->SetFaults({});
    c.Fake->SetRefusing(true);
    const int connections = c.Fake->Connections();
    c.Shell.TakeIdleWake();
    for (int i = 0; i < 200; ++i) {
        EXPECT_FALSE(c.Acq.AcquisitionIdleStep());
        EXPECT_EQ(c.Shell.TakeIdleWake(), i < 199 ? TSignalAcq::PollWakeMs : link.Timing().TcpProbeTimeoutMs);
    }
    EXPECT_EQ(c.Fake->Connections(), connections) << "no probe during the grace";
    EXPECT_FALSE(c.Acq.CycleOpen()) << "the half-filled pass closed no cycle as complete";
    EXPECT_EQ(c.Shell.Records()->State(ssCh1), srcOff);
    c.Fake->SetRefusing(false);
    ASSERT_TRUE(c.StepUntil([&] { return !link.CommErrorFlag(); }, 50));
    ASSERT_TRUE(c.StepUntil([&] { return c.Shell.Records()->State(ssCh1) == srcUpToDate; }));
    EXPECT_DOUBLE_EQ(c.Point(ssCh1, 4095), Value(4095, 0, c.Fake->Acquisitions()));

    // A stop and a break in the middle of a pass drain the stream and leave no cycle count behind.
    ASSERT_TRUE(c.StepUntil([&] { return c.Acq.AcqReading(); }));
    c.Shell.RunOn = false;
    link.BreakAcquisition(true);
    EXPECT_FALSE(c.Acq.AcqReading() || c.Acq.CycleOpen() || link.CommErrorFlag());
    EXPECT_EQ(c.Acq.AcqCount(2), 0);

    // A break whose drain fails probes the link once and leaves it in the error state.
    c.Fake->SetFaults({.CloseMidStreamAfterWords = 3000, .IgnoreBreak = true});
    c.Shell.RunOn = true;
    ASSERT_TRUE(c.StepUntil([&] { return c.Acq.AcqReading(); }));
    const int before = c.Fake->Connections();
    link.BreakAcquisition(true);
    EXPECT_TRUE(link.CommErrorFlag());
    EXPECT_TRUE(c.Fake->WaitUntil([&] { return c.Fake->Connections() == before + 1; }));
}

TEST(AcqEngineLink, RunUntilFiveSavesEachCycleBeepsAndStops) {
    TEngineRig c(true);
    const auto dir = std::filesystem::temp_directory_path() / ("vt_rununtil_" + std::to_string(c.Fake->Port()));
    std::filesystem::create_directories(dir);
    c.Shell.Records()->SignalsOn().SetOn(ssCh2, true);
    c.Cmd("ACQ:FILENAME " + (dir / "shot").string() + ";:ACQ:RUNUNTIL NACQ;:ACQ:NACQ 5;:ACQ:REACT BEEP,SAVE");
    const int beeps = c.User->Beeps;
    c.Shell.RunOn = true;
    ASSERT_TRUE(c.StepUntil([&] { return !c.Shell.RunOn; }));
    for (int n = 1; n <= 6; ++n)
        for (int ch = 1; ch <= 2; ++ch)
            EXPECT_EQ(std::filesystem::exists(dir / ("shot_0000" + std::to_string(n) + "_Ch" + std::to_string(ch) + ".wfm")),
                      n <= 5);
    EXPECT_EQ(c.User->Beeps, beeps + 1);
    EXPECT_TRUE(c.User->Errors.empty());

    // A save that fails stops Run at once and says so once, in a box that holds nothing.
    std::filesystem::remove_all(dir);
    c.Shell.RunOn = true;
    ASSERT_TRUE(c.StepUntil([&] { return !c.Shell.RunOn; }));
    EXPECT_TRUE(c.User->Errors.empty());
    ASSERT_EQ(c.User->Boxes.size(), 1u);
    EXPECT_EQ(c.User->Boxes.front().rfind("Write Error to file \"", 0), 0u);
}
