// Autoscale's arithmetic: the amplitude zoom down to failure, the settings from a found period, and
// the trigger-level search run one trial at a time on a clock that only moves when told.
#include <gtest/gtest.h>

#include <vector>

#include "acq/Autoscale.h"

using namespace vt;

namespace {

TEST(Autoscale, AmplitudeZoomsByAtMostEightThenFailsAndAWideSpanFitsAtOnce) {
    // 3 mV at 0.5 V/div: 0.062, 0.008, then too small (3 mV / 6 is below 2 mV).
    TAmplitudeResult r = AutoScaleChannelAmplitude(0.5, 1024, 0.003, 0.0104);
    EXPECT_FALSE(r.Done || r.Failed);
    EXPECT_DOUBLE_EQ(r.Scale, 0.062);
    EXPECT_DOUBLE_EQ(r.Offset, -0.01);
    r = AutoScaleChannelAmplitude(r.Scale, 1024, 0.003, 0.01);
    EXPECT_FALSE(r.Done || r.Failed);
    EXPECT_DOUBLE_EQ(r.Scale, 0.008);
    r = AutoScaleChannelAmplitude(r.Scale, 1024, 0.003, 0.01);
    EXPECT_TRUE(r.Failed);
    // A span of more than a division is scaled to six divisions (at most 0.5 V/div).
    r = AutoScaleChannelAmplitude(0.5, 1024, 0.6, -0.1004);
    EXPECT_TRUE(r.Done && !r.Failed);
    EXPECT_DOUBLE_EQ(r.Scale, 0.1);
    EXPECT_DOUBLE_EQ(r.Offset, 0.1);
    EXPECT_DOUBLE_EQ(AutoScaleChannelAmplitude(0.5, 1024, 7.0, 0).Scale, 0.5);
    // Too few hits on the screen measure nothing: zoomed like a flat line.
    EXPECT_DOUBLE_EQ(AutoScaleChannelAmplitude(0.5, 9, 0.6, 0.2).Scale, 0.062);
}

TEST(Autoscale, FoundPeriodSetsThreePeriodsOrSixForEyes) {
    TFoundSettings f = AutoScaleFoundSettings(1, -0.2, 0.4, 1e-9, 5e-9);
    EXPECT_NEAR(f.Scale, 0.1, 1e-12);
    EXPECT_NEAR(f.Offset, -0.1, 1e-12);
    EXPECT_NEAR(f.ScaleA, 1e-9, 1e-21);
    EXPECT_NEAR(f.ScaleB, 3.333e-10, 1e-13);
    EXPECT_NEAR(f.Delay, (5e-9 - 2 * f.ScaleB) / f.ScaleA, 1e-9);
    for (int mask : {8, 16}) {
        f = AutoScaleFoundSettings(mask, -0.2, 0.4, 1e-9, 1e-10);
        EXPECT_NEAR(f.Scale, 0.15, 1e-12);
        EXPECT_NEAR(f.ScaleA, 5e-10, 1e-21);
        EXPECT_NEAR(f.ScaleB, 1.6667e-10, 1e-14);
        // The edge lies before two divisions: the next period's edge is taken.
        EXPECT_NEAR(f.Delay, (1e-10 + 1e-9 - 2 * f.ScaleB) / f.ScaleA, 1e-9);
    }
}

TEST(Autoscale, TriggerLevelSearchStepsTrialsOnTheClockAndFindsTheMiddle) {
    // The demo's answer: it triggers between 0.125 and 0.375 V; each trial takes 200 ms.
    std::int64_t now = 0, due = 0;
    double level = 0;
    TTrigLevelSearch search;
    search.Start();
    std::vector<int> tried;
    int steps = 0;
    bool running = false;
    while (!search.Ended() && steps < 100000) {
        ++steps;
        now += 10;
        if (!running) {
            level = search.Level() * 1e-3;
            tried.push_back(search.Level());
            due = now + 200;
            running = true;
            continue;
        }
        if (now < due) continue;
        running = false;
        search.Answer(level > 0.125 && level < 0.375);
        EXPECT_GE(search.Progress(), 25);
        EXPECT_LE(search.Progress(), 50);
    }
    ASSERT_TRUE(search.Found());
    ASSERT_GE(tried.size(), 5u);
    EXPECT_EQ(std::vector<int>(tried.begin(), tried.begin() + 5), (std::vector<int>{-32, -512, 512, -256, 256}));
    EXPECT_EQ(search.Lower(), 128);
    EXPECT_EQ(search.Upper(), 372);
    EXPECT_DOUBLE_EQ(search.Result(), 0.25);
    EXPECT_EQ(search.Progress(), 50);
    // Every trial waited its 200 ms: nothing answered early.
    EXPECT_GE(now, static_cast<std::int64_t>(tried.size()) * 200);

    // Nothing triggers: the scan gives up after the pass at 32 mV steps.
    search.Start();
    int trials = 0;
    while (!search.Ended() && trials < 1000) ++trials, search.Answer(false);
    EXPECT_TRUE(search.Ended() && !search.Found());
    EXPECT_EQ(trials, 1 + 2 * (1 + 2 + 4 + 8 + 16));
}

}  // namespace

#include <cmath>
#include <random>

#include "acq/HistogramObjects.h"

namespace {

// A sine of 10 ns, 0.25 V peak, at 0.0833 V/div: untriggered (random times) for the level statistics,
// then triggered at 2.5 ns/div, 1024 points of 25 ps.
TEST(Autoscale, LevelWindowSearchTimesTheSinePeriod) {
    const double period = 1e-8, dt = 2.5e-11, t0 = 3e-9;
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> phase(0, 1);
    std::normal_distribution<double> noise(0, 0.002);
    TFullHist hist;
    auto wave = [&](double t) { return 0.25 * std::sin(2 * M_PI * t / period) + noise(gen); };
    for (int w = 0; w < 16; ++w) {
        hist.SetScale(1024, 0.0833, 0, dt, t0);
        for (int i = 0; i < 1024; ++i) hist.AddSample(static_cast<std::uint16_t>(i), wave(phase(gen) * period));
    }
    THistParams global;
    global.ComputeWhole(hist);
    hist.Clear();
    for (int w = 0; w < 8; ++w) {
        hist.SetScale(1024, 0.0833, 0, dt, t0);
        for (int i = 0; i < 1024; ++i) hist.AddSample(static_cast<std::uint16_t>(i), wave(t0 + i * dt));
    }
    int mask = 31, code = -1;
    TAutoScalePeriodSearch search(hist, global, mask);
    ASSERT_TRUE(search.AnalyseHistogramLevels(code));
    EXPECT_EQ(code, 2);
    ASSERT_TRUE(search.LevelWindowSearch(code));
    EXPECT_EQ(code, 2);
    EXPECT_EQ(mask, 1);
    EXPECT_NEAR(search.Period, period, period / 100);
    EXPECT_NEAR(search.High, 0.25, 0.01);
    EXPECT_NEAR(search.Low, -0.25, 0.01);
}

}  // namespace

#include "TriggerTestSupport.h"
#include "acq/SignalObj.h"
#include "core/EditHandlers.h"
#include "core/UndoBuffer.h"

namespace {

// The run as the program steps it, against the fake instrument on the link clock: the level trials go
// through the trigger (asked twice, 100 ms apart, answered as the demo answers), and a flat line that
// never shows a period grows the search scale up to the timebase's largest and fails there.
TEST(Autoscale, LevelTrialsOnTheLinkClockThenAFlatLineEndsAtTheLargestScale) {
    test::TTrigOnFake t;
    t.Shell.SetFullHist(MakeOwnedPart(std::make_unique<TFullHist>()));
    t.Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
    t.Shell.UndoBuffer()->SetEnabled(true);
    TAutoScale run(t.Shell, t.Trig, &t.Timebase.Timebase());
    run.FillRows(t.Shell);
    t.Run("Ch2:Display OFF");
    t.Run("Trig:ExtLevel 0.1");
    const double scaleBefore = t.Value("Ch1:Scale");
    TSignalObj& ch1 = t.Shell.Records()->Record(ssCh1);
    auto acquire = [&](double amplitude) {
        ch1.SetLength(1024);
        ch1.SetSampleInterval(t.Value("TB:ScaleA") / 102.4);
        ch1.SetVertScale(t.Value("Ch1:Scale"));
        ch1.SetVertOffset(-t.Value("Ch1:Offset"));
        for (int i = 0; i < 1024; ++i) ch1.SetPoint(i, amplitude * std::sin(i * 0.37));
        run.AutoScaleStep();
    };

    // A run that cannot start starts nothing and says so: no channel shown, a calibration running, a
    // run going already.
    t.Run("Ch1:Display OFF");
    EXPECT_FALSE(run.StartAutoScale(askAuto));
    t.Run("Ch1:Display ON");
    t.Shell.CalibrationRunning = true;
    EXPECT_FALSE(run.StartAutoScale(askAuto));
    t.Shell.CalibrationRunning = false;
    EXPECT_FALSE(run.Running());
    ASSERT_TRUE(run.StartAutoScale(askAuto));
    EXPECT_FALSE(run.StartAutoScale(askAuto));
    ASSERT_EQ(run.State(), 1);
    acquire(0.3);
    ASSERT_EQ(run.State(), 2);

    std::vector<int> tried;
    const int asked = t.Count("Trig:GetTrigOn?");
    int steps = 0;
    const std::int64_t start = t.Clock.Now;
    t.Clock.Sleeps.clear();
    while (run.State() == 2 && steps++ < 10000) {
        const double level = t.Value("Trig:ExtLevel");
        t.Fake.SetReply("Trig:GetTrigOn?", level > 0.125 && level < 0.375 ? "TRIG_ON" : "TRIG_OFF");
        run.IdleStep();
        const int now = static_cast<int>(std::lround(t.Value("Trig:ExtLevel") * 1000));
        if (run.State() == 2 && (tried.empty() || tried.back() != now)) tried.push_back(now);
        t.Clock.Now += TAutoScale::IdleStepMs;
    }
    ASSERT_EQ(run.State(), 3) << run.FailureText();
    // -32 fails, the scan's first hit is +256, then the edges by halving: 128 below, 372 above.
    EXPECT_EQ(tried, (std::vector<int>{-32, -512, 512, -256, 256, 0, 128, 64, 96, 112, 120, 124, 512, 384, 320,
                                       352, 368, 376, 372}));
    EXPECT_DOUBLE_EQ(t.Value("Trig:ExtLevel"), 0.25);
    // Two questions per trial, each after its 100 ms on the clock: nothing slept, nothing answered early.
    EXPECT_TRUE(t.Clock.Sleeps.empty());
    EXPECT_GE(t.Clock.Now - start, static_cast<std::int64_t>(tried.size()) * 200);
    EXPECT_TRUE(t.Fake.WaitUntil([&] { return t.Count("Trig:GetTrigOn?") >= asked + 2 * static_cast<int>(tried.size()); }));

    const double largest = FindSetting<TEditHandler>(t.Shell.CommandTree(), "TB:ScaleA")->MaxValue();
    int acquisitions = 0;
    while (run.Running() && acquisitions++ < 1000) acquire(0);
    EXPECT_FALSE(run.Running());
    EXPECT_LT(acquisitions, 16 + 8 * 30);
    EXPECT_EQ(run.FailureText(), t.Shell.LangStr("PeriodNotFound"));
    ASSERT_FALSE(t.User->Boxes.empty());
    EXPECT_EQ(t.User->Boxes.back(), run.FailureText());
    EXPECT_LE(run.SearchTimeScale(), largest);
    EXPECT_GT(run.SearchTimeScale() * 5, largest);
    // Everything the run changed is back.
    EXPECT_DOUBLE_EQ(t.Value("Trig:ExtLevel"), 0.1);
    EXPECT_DOUBLE_EQ(t.Value("Ch1:Scale"), scaleBefore);

    // Another source needs no level: no trial, the level is kept.
    t.Run("Trig:Source ExtHF");
    const int askedBefore = t.Count("Trig:GetTrigOn?");
    run.StartAutoScale(askAuto);
    acquire(0.3);
    EXPECT_EQ(run.State(), 3);
    EXPECT_FALSE(run.IdleStep());
    EXPECT_DOUBLE_EQ(t.Value("Trig:ExtLevel"), 0.1);
    EXPECT_EQ(t.Count("Trig:GetTrigOn?"), askedBefore);
    run.CloseAutoScale(2);
    EXPECT_FALSE(run.Running());

    // A level search that never triggers fails once, told in a box that holds nothing once the run has
    // ended (its progress box has closed).
    t.Run("Trig:Source Direct");
    t.Fake.SetReply("Trig:GetTrigOn?", "TRIG_OFF");
    const std::size_t errors = t.User->Errors.size(), boxes = t.User->Boxes.size();
    bool runningWhenTold = true;
    t.User->WhenBoxShown = [&] {
        runningWhenTold = run.Running();
        for (int i = 0; i < 2000; ++i, t.Clock.Now += TAutoScale::IdleStepMs) run.IdleStep();
    };
    run.StartAutoScale(askAuto);
    acquire(0.3);
    for (steps = 0; run.Running() && steps < 10000; ++steps, t.Clock.Now += TAutoScale::IdleStepMs) run.IdleStep();
    EXPECT_FALSE(run.Running());
    EXPECT_FALSE(runningWhenTold);
    EXPECT_EQ(t.User->Errors.size(), errors) << "nothing waits on the failure";
    ASSERT_EQ(t.User->Boxes.size(), boxes + 1);
    EXPECT_EQ(t.User->Boxes.back(), t.Shell.LangStr("TriggerNotFound"));
}

}  // namespace
