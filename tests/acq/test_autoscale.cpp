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
