// The engine on scripted words: slots, end word, fillers, surplus words, store modes, scaling, the
// pass's timing, the plotting and mask test of each point, and the order of the end-of-cycle hooks.
#include <gtest/gtest.h>

#include <cmath>

#include "acq/EngineTestSupport.h"

using namespace vt;
using namespace vt::test;

namespace {
// Plotted points (source, index, value to 0.1 mV); mask-tested indexes.
struct TPlotSpy : TDisplayServices {
    void BeginSignalLayersUpdate() override { ++Open; }
    void EndSignalLayersUpdate() override { --Open; }
    void PutAcqPoint(int s, int i, double v) override { Plotted.push_back({double(s), double(i), std::round(v * 1e4) / 1e4}); }
    void PutXYPoint(int, double, double) override { ++XYPoints; }
    std::vector<std::vector<double>> Plotted;
    int Open = 0, XYPoints = 0;
};
struct TMaskSpy : TSerialServices {
    void MaskTestSample(int, int i) override { Tested.push_back(i); }
    std::vector<int> Tested;
};
}  // namespace

TEST(SignalAcq, TheStreamFillsTheSlotsUntilItsEndWord) {
    TEngineRig c;
    c.Shell.Records()->SignalsOn().SetOn(ssCh2, true);
    // Shared pass: interleaved words, Ch1 first; fillers alone keep the pass reading.
    c.Script.Blocks = {{Code(0.1), Code(0.2), FillerWord, Code(0.3)}, {FillerWord, FillerWord}, {Code(0.4), 0x8000}};
    c.RunSingle();
    EXPECT_EQ(c.Script.Reads, 3);
    EXPECT_EQ(std::vector<double>({c.Point(ssCh1, 0), c.Point(ssCh1, 1), c.Point(ssCh2, 0), c.Point(ssCh2, 1)}),
              std::vector<double>({0.1, 0.3, 0.2, 0.4}));
    EXPECT_EQ(c.Shell.Records()->State(ssCh1), srcUpToDate) << "the cycle's hooks ran";

    // Surplus words are dropped with one beep; the end word in the same block still ends the pass.
    c.Shell.Records()->SignalsOn().SetOn(ssCh2, false);
    c.Cmd("ACQ:CH1:RECLEN 32");
    std::vector<std::uint16_t> block(40, Code(0.5));
    block.push_back(0x8000);
    c.Script.Blocks = {block};
    c.RunSingle();
    EXPECT_EQ(c.Acq.PointsReceived(), 32);
    EXPECT_EQ(c.User->Beeps, 1);

    // 4096 points store 0..4095; the interval follows the length, the wait the points and the holdoff.
    c.Cmd("ACQ:CH1:RECLEN 4096");
    block.clear();
    for (int i = 0; i < 4096; ++i) block.push_back(static_cast<std::uint16_t>(i));
    block.push_back(0x8000);
    c.Script.Blocks = {block};
    c.RunSingle();
    EXPECT_DOUBLE_EQ(c.Point(ssCh1, 4095), 4095 * 6.25e-5);
    EXPECT_EQ(c.Acq.LastWaitMs(), 20);
    for (int length : {512, 1024}) {
        c.Cmd("ACQ:CH1:RECLEN " + std::to_string(length));
        c.Script.Blocks = {{0x8000}};
        c.RunSingle();
        EXPECT_DOUBLE_EQ(c.Shell.Records()->Record(ssCh1).SampleInterval(), 1e-8 / 50 * 512 / length);
        EXPECT_EQ(c.Acq.LastWaitMs(), length == 512 ? 3 : 5);
    }
    c.Shell.AppActive = false;
    c.Cmd("ACQ:CH1:RECLEN 512");
    c.RunSingle();
    EXPECT_EQ(c.Acq.LastWaitMs(), 15) << "3 ms when active, times five when not";
}

TEST(SignalAcq, ScalingAndStoreModesPlottedAndMaskTestedPointByPoint) {
    TEngineRig c;
    c.Shell.SetDisplayServices(std::make_unique<TPlotSpy>());
    c.Shell.SetSerialServices(std::make_unique<TMaskSpy>());
    auto& p = static_cast<TPlotSpy&>(c.Shell.Display());
    auto& m = static_cast<TMaskSpy&>(c.Shell.Serial());
    c.Values->Offset1 = 0.1;
    c.Values->Mask = true;
    c.Values->Format = 3;
    c.Script.Blocks = {{Code(1.1), Code(0.3)}, {Code(0.4), 0x8000}};
    c.RunSingle();
    EXPECT_DOUBLE_EQ(c.Acq.ScaleRawValue(2, static_cast<std::uint16_t>(-8000)), -0.6);
    EXPECT_EQ(p.Plotted, (std::vector<std::vector<double>>{{0, 0, 1.0}, {0, 1, 0.2}, {0, 2, 0.3}}));
    EXPECT_EQ(m.Tested, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(std::vector<int>({p.Open, p.XYPoints}), std::vector<int>({0, 512})) << "layers closed; XY plotted";
    c.Values->Offset1 = 0;
    c.Values->Ratio = 10;
    c.RunSingle();
    EXPECT_DOUBLE_EQ(c.Acq.ScaleRawValue(2, 16000), 10.0);
    c.Values->Ratio = 1;

    // AvgStab over 4: the running average deepens with each step.
    c.Cmd("ACQ:CH1:MODE AVGSTAB;:ACQ:CH1:NAVG 4");
    c.Shell.SingleOn = true;
    const double passes[] = {1, 0, 0}, expected[] = {1, 0.5, 1.0 / 3};
    for (int k = 0; k < 3; ++k) {
        const int before = c.Script.Reads;
        c.Script.Blocks = {{Code(passes[k]), 0x8000}};
        c.StepUntil([&] { return c.Script.Reads > before; });
        EXPECT_NEAR(c.Point(ssCh1, 0), expected[k], 1e-4) << "pass " << k;
    }

    // EnvMinMax: the first step fills each pair with the value, later steps widen it; a pair is plotted
    // and tested once both halves are in.
    c.Shell.SingleOn = false;
    c.Acq.BreakAcquisitionHook(true);
    p.Plotted.clear();
    m.Tested.clear();
    c.Cmd("ACQ:CH1:MODE ENVMINMAX;:ACQ:CH1:NENV 2");
    c.Script.Blocks = {{Code(0.5), Code(0.2), Code(0.25), 0x8000}, {Code(0.1), Code(0.3), 0x8000}};
    c.RunSingle();
    EXPECT_EQ(p.Plotted, (std::vector<std::vector<double>>{{0, 0, 0.2}, {0, 1, 0.5}, {0, 0, 0.1}, {0, 1, 0.5}}));
    EXPECT_EQ(m.Tested, (std::vector<int>{0, 1, 0, 1}));
    EXPECT_DOUBLE_EQ(c.Point(ssCh1, 2), 0.25) << "the unpaired last point of the first step";
}

TEST(SignalAcq, HooksRunInOrderAndARowMayEndTheList) {
    TEngineRig c;
    std::vector<std::string> order;
    bool autoscaleTakesOver = false, no = false;
    auto spy = [&](const char* name, bool& ends) { return [&, name](TShell&) { return order.push_back(name), ends; }; };
    c.Shell.AcqCycle.Add(TAcqCycleRow::AutoScaleStep, spy("autoscale", autoscaleTakesOver));
    c.Shell.AcqCycle.Add(TAcqCycleRow::StepPatternScanDelay, spy("scan", no));
    c.Shell.IdleHousekeeping.Add(TIdleHousekeepingRow::FileRequests, spy("files", no));
    c.Script.Blocks = {{0x8000}};
    c.RunSingle();
    EXPECT_EQ(order, (std::vector<std::string>{"autoscale", "scan", "files"}));
    EXPECT_EQ(c.Acq.AcqCount(2), 0) << "a stopped cycle leaves no count behind";
    order.clear();
    autoscaleTakesOver = true;
    c.RunSingle();
    EXPECT_EQ(order, std::vector<std::string>{"autoscale"});

    // Peak detection over a long interval starts nothing: no new data, and Run waits between cycles.
    autoscaleTakesOver = false;
    c.Cmd("ACQ:CH1:MODE PEAK;:ACQ:CH1:PKINTERVAL 2E-11");
    c.Shell.RunOn = true;
    const int reads = c.Script.Reads;
    for (int i = 0; i < 8; ++i) c.Acq.AcquisitionIdleStep();
    EXPECT_EQ(c.Script.Reads, reads);
    EXPECT_FALSE(c.Acq.NewData(2, 0));
    c.Shell.TakeIdleWake();
    EXPECT_FALSE(c.Acq.AcquisitionIdleStep()) << "waiting, not spinning";
    EXPECT_EQ(c.Shell.TakeIdleWake(), TSignalAcq::PollWakeMs);
}

namespace {
struct TEyeRestartSpy : TSerialServices {
    void RestartEyeAccumulation() override { ++Restarts; }
    int Restarts = 0;
};
}  // namespace

// After a break the eye starts over whenever it measures: it has switched the histogram off itself.
TEST(SignalAcq, ABreakRestartsTheEyeWhileItMeasures) {
    TEngineRig c;
    auto spy = std::make_unique<TEyeRestartSpy>();
    TEyeRestartSpy& eye = *spy;
    c.Shell.SetSerialServices(std::move(spy));
    TRadioSwHandler& measure = c.Tree().Root().AddRadioHandler("Eye:Measure", {.Items = "Off,NRZ,RZ"});
    c.Acq.AfterAcquisitionBreak();
    EXPECT_EQ(eye.Restarts, 0);
    measure.SetItemIndex(1);
    c.Acq.AfterAcquisitionBreak();
    EXPECT_EQ(eye.Restarts, 1);
}
