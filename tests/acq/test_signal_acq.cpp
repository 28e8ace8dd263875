// The engine on scripted words: slots, end word, fillers, surplus words, the store modes, the scaling,
// the pass's timing and the order of the end-of-cycle hooks.
#include <gtest/gtest.h>

#include "acq/EngineTestSupport.h"

using namespace vt;
using namespace vt::test;

TEST(SignalAcq, TheStreamFillsTheSlotsUntilItsEndWord) {
    TEngineRig c(true);
    c.Cmd("ACQ:SAMPL SIMULT");
    // Shared pass: interleaved words, Ch1 first; fillers alone keep the pass reading.
    c.Script.Blocks = {{Code(0.1), Code(0.2), FillerWord, Code(0.3)}, {FillerWord, FillerWord}, {Code(0.4), 0x8000}};
    c.RunSingle();
    EXPECT_EQ(c.Acq.PassChannels(), chCodeBoth);
    EXPECT_EQ(c.Acq.PointsReceived(), 2);
    EXPECT_EQ(c.Script.Reads, 3);
    EXPECT_DOUBLE_EQ(c.Point(ssCh1, 0), 0.1);
    EXPECT_DOUBLE_EQ(c.Point(ssCh1, 1), 0.3);
    EXPECT_DOUBLE_EQ(c.Point(ssCh2, 0), 0.2);
    EXPECT_DOUBLE_EQ(c.Point(ssCh2, 1), 0.4);
    EXPECT_EQ(c.Shell.Records()->State(ssCh1), srcUpToDate) << "the cycle's hooks ran";
    EXPECT_FALSE(c.Acq.AcqReading());

    // Surplus words are dropped with one beep, and the end word in the same block still ends the pass.
    c.Shell.Records()->SignalsOn().SetOn(ssCh2, false);
    c.Cmd("ACQ:CH1:RECLEN 32");
    std::vector<std::uint16_t> block(40, Code(0.5));
    block.push_back(0x8000);
    c.Script.Blocks = {block};
    c.RunSingle();
    EXPECT_EQ(c.Acq.PassChannels(), chCodeCh1);
    EXPECT_EQ(c.Acq.PointsReceived(), 32);
    EXPECT_EQ(c.User->Beeps, 1);
    EXPECT_FALSE(c.Shell.SingleOn);

    // 4096 points store 0..4095; the interval follows the length, the wait the points and the holdoff.
    c.Cmd("ACQ:CH1:RECLEN 4096");
    block.clear();
    for (int i = 0; i < 4096; ++i) block.push_back(static_cast<std::uint16_t>(i));
    block.push_back(0x8000);
    c.Script.Blocks = {block};
    c.RunSingle();
    EXPECT_EQ(c.Acq.PointsReceived(), 4096);
    EXPECT_DOUBLE_EQ(c.Point(ssCh1, 4095), 4095 * 6.25e-5);
    EXPECT_EQ(c.Acq.LastWaitMs(), 20);
    EXPECT_DOUBLE_EQ(c.Shell.Records()->Record(ssCh1).SampleInterval(), 1e-8 / 50 * 512 / 4096);

    c.Cmd("ACQ:CH1:RECLEN 512");
    c.Script.Blocks = {{0x8000}};
    c.RunSingle();
    EXPECT_EQ(c.Acq.LastWaitMs(), 3);
    EXPECT_DOUBLE_EQ(c.Shell.Records()->Record(ssCh1).SampleInterval(), 2e-10);
    c.Shell.AppActive = false;
    c.Script.Blocks = {{0x8000}};
    c.RunSingle();
    EXPECT_EQ(c.Acq.LastWaitMs(), 15);
    c.Cmd("ACQ:CH1:RECLEN 1024");
    c.Script.Blocks = {{0x8000}};
    c.RunSingle();
    EXPECT_DOUBLE_EQ(c.Shell.Records()->Record(ssCh1).SampleInterval(), 1e-10);
}

TEST(SignalAcq, StoreModesAccumulateAcrossTheStepsOfACycle) {
    TEngineRig c;
    c.Values->Offset1 = 0.1;
    c.Script.Blocks = {{16000, 0x8000}};
    c.RunSingle();
    EXPECT_DOUBLE_EQ(c.Acq.ScaleRawValue(2, 16000), 0.9);
    EXPECT_DOUBLE_EQ(c.Acq.ScaleRawValue(2, static_cast<std::uint16_t>(-8000)), -0.5 - 0.1);
    c.Values->Offset1 = 0;
    c.Values->Ratio = 10;
    c.Script.Blocks = {{0x8000}};
    c.RunSingle();
    EXPECT_DOUBLE_EQ(c.Acq.ScaleRawValue(2, 16000), 10.0);
    c.Values->Ratio = 1;

    // AvgStab over 4: the running average deepens with each step.
    c.Cmd("ACQ:CH1:MODE AVGSTAB;:ACQ:CH1:NAVG 4");
    c.Shell.SingleOn = true;
    const double passes[] = {1, 0, 0};
    const double expected[] = {1, 0.5, 1.0 / 3};
    for (int k = 0; k < 3; ++k) {
        const int before = c.Script.Reads;
        c.Script.Blocks = {{Code(passes[k]), 0x8000}};
        for (int i = 0; i < 50 && c.Script.Reads == before; ++i) c.Steps(1);
        EXPECT_NEAR(c.Point(ssCh1, 0), expected[k], 1e-4) << "pass " << k;
    }

    // EnvMinMax: the first step fills each pair with the value, later steps widen it.
    c.Cmd("*STOPSINGLE STOP");
    c.Cmd("ACQ:CH1:MODE ENVMINMAX;:ACQ:CH1:NENV 2");
    c.Script.Blocks = {{Code(0.2), Code(0.5), 0x8000}, {Code(0.1), Code(0.3), 0x8000}};
    c.RunSingle();
    EXPECT_DOUBLE_EQ(c.Point(ssCh1, 0), 0.1);
    EXPECT_DOUBLE_EQ(c.Point(ssCh1, 1), 0.5);
    EXPECT_EQ(c.Acq.AccumCount(2), 2);
}

TEST(SignalAcq, HooksRunInOrderAndARowMayEndTheList) {
    TEngineRig c;
    std::vector<std::string> order;
    bool autoscaleTakesOver = false;
    c.Shell.AcqCycle.Add(TAcqCycleRow::AutoScaleStep, [&](TShell&) {
        order.push_back("autoscale");
        return autoscaleTakesOver;
    });
    c.Shell.AcqCycle.Add(TAcqCycleRow::StepPatternScanDelay, [&](TShell&) {
        order.push_back("scan");
        return false;
    });
    c.Shell.IdleHousekeeping.Add(TIdleHousekeepingRow::FileRequests, [&](TShell&) {
        order.push_back("files");
        return false;
    });
    c.Script.Blocks = {{0x8000}};
    c.RunSingle();
    EXPECT_EQ(order, (std::vector<std::string>{"autoscale", "scan", "files"}));
    EXPECT_EQ(c.Acq.AcqCount(2), 0) << "a stopped cycle leaves no count behind";

    order.clear();
    autoscaleTakesOver = true;
    c.Script.Blocks = {{0x8000}};
    c.RunSingle();
    EXPECT_EQ(order, std::vector<std::string>{"autoscale"});

    // Peak detection over a long interval starts nothing: no new data, and Run waits between cycles.
    autoscaleTakesOver = false;
    c.Cmd("ACQ:CH1:MODE PEAK;:ACQ:CH1:PKINTERVAL 2E-11");
    c.Shell.Records()->SetState(ssCh1, srcUpToDate);
    c.Shell.RunOn = true;
    const int reads = c.Script.Reads;
    for (int i = 0; i < 8; ++i) c.Acq.AcquisitionIdleStep();
    EXPECT_EQ(c.Script.Reads, reads);
    EXPECT_FALSE(c.Acq.NewData(2, 0));
    EXPECT_EQ(c.Shell.IdleWakeAfterMs, TSignalAcq::PollWakeMs);
    EXPECT_FALSE(c.Acq.AcquisitionIdleStep()) << "waiting, not spinning";
}

TEST(SignalAcq, EachStoredPointIsPlottedAndMaskTestedAndTheXYScreenFollows) {
    struct TPlotSpy : TDisplayServices {
        void BeginSignalLayersUpdate() override { ++Open; }
        void EndSignalLayersUpdate() override { --Open; }
        void PutAcqPoint(int source, int i, double v) override { Plotted.push_back({source, i, v}); }
        void PutXYPoint(int, double, double) override { ++XYPoints; }
        struct TPoint {
            int Source, Index;
            double Value;
            bool operator==(const TPoint&) const = default;
        };
        std::vector<TPoint> Plotted;
        int Open = 0, XYPoints = 0;
    };
    struct TMaskSpy : TSerialServices {
        void MaskTestSample(int source, int i) override { Tested.push_back(source * 10000 + i); }
        std::vector<int> Tested;
    };
    TEngineRig c;
    auto plot = std::make_unique<TPlotSpy>();
    auto mask = std::make_unique<TMaskSpy>();
    TPlotSpy& p = *plot;
    TMaskSpy& m = *mask;
    c.Shell.SetDisplayServices(std::move(plot));
    c.Shell.SetSerialServices(std::move(mask));
    c.Values->Mask = true;
    c.Values->Format = 3;
    c.Script.Blocks = {{Code(0.1), Code(0.2)}, {Code(0.3), 0x8000}};
    c.RunSingle();
    EXPECT_EQ(p.Plotted, (std::vector<TPlotSpy::TPoint>{{0, 0, 0.1}, {0, 1, 0.2}, {0, 2, 0.3}}));
    EXPECT_EQ(m.Tested, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(p.Open, 0) << "every block's layers were closed";
    EXPECT_EQ(p.XYPoints, 512) << "the XY screen plots the shorter of its two records";
    EXPECT_EQ(c.Shell.Records()->XYState(), srcUpToDate);

    // Envelope pairs are plotted and tested once both halves are in, minimum first.
    p.Plotted.clear();
    m.Tested.clear();
    c.Cmd("ACQ:CH1:MODE ENVMINMAX;:ACQ:CH1:NENV 2");
    c.Script.Blocks = {{Code(0.4), Code(0.1), Code(0.2), 0x8000}, {Code(0.3), Code(0.3), 0x8000}};
    c.RunSingle();
    EXPECT_EQ(p.Plotted, (std::vector<TPlotSpy::TPoint>{{0, 0, 0.1}, {0, 1, 0.4}, {0, 0, 0.1}, {0, 1, 0.4}}));
    EXPECT_EQ(m.Tested, (std::vector<int>{0, 1, 0, 1}));
    EXPECT_DOUBLE_EQ(c.Point(ssCh1, 2), 0.2) << "the unpaired last point of the first step";

    // A channel whose trace is not shown is not plotted, and a mask on the other channel tests nothing.
    p.Plotted.clear();
    m.Tested.clear();
    c.Cmd("ACQ:CH1:MODE SAMPLE");
    c.Shell.Records()->SignalsOn().SetOn(ssCh2, true);
    c.Cmd("ACQ:SAMPL ALTERN");
    c.Shell.Records()->SignalsOn().SetOn(ssCh1, false);
    c.Script.Blocks = {{Code(0.1), 0x8000}};
    c.RunSingle();
    EXPECT_EQ(p.Plotted, (std::vector<TPlotSpy::TPoint>{{2, 0, 0.1}}));
    EXPECT_TRUE(m.Tested.empty());
}
