// The trend of a time measurement on pulse trains whose every crossing is worked out by hand, and the
// scale a math function learns from its first eleven trends, through the math settings.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/MeasCalc.h"
#include "analysis/ScopeAnalysisServices.h"
#include "analysis/SignalLevels.h"
#include "analysis/TrendWaveform.h"
#include "analysis/WaveformMath.h"
#include "core/CommandTree.h"
#include "core/Shell.h"

using namespace vt;

namespace {

constexpr double Dt = 1e-10;
constexpr int Points = 512;

// Pulses of +-1 V at 1 V/div: per cycle `low` points of -1 V, a rise of 8 points in steps of 0.25 V
// (-0.75 .. 1), 24 points of 1 V, a fall of 8 points (0.75 .. -1); the lows repeat in turn. shift
// drops the first points, so a record can begin inside a pulse.
void PulseTrain(TSignalObj& r, const std::vector<int>& lows, int shift = 0) {
    std::vector<double> v;
    for (std::size_t c = 0; static_cast<int>(v.size()) < Points + shift; ++c) {
        v.insert(v.end(), static_cast<std::size_t>(lows[c % lows.size()]), -1.0);
        for (int k = 1; k <= 8; ++k) v.push_back(-1 + 0.25 * k);
        v.insert(v.end(), 24, 1.0);
        for (int k = 1; k <= 8; ++k) v.push_back(1 - 0.25 * k);
    }
    r.SetLength(Points);
    for (int i = 0; i < Points; ++i) r.SetPoint(i, v[static_cast<std::size_t>(i + shift)]);
    r.SetSampleInterval(Dt);
    r.SetVertScale(1);
    r.SetVertOffset(0);
    r.SetVertUnit("V");
    r.SetHorUnit("s");
}

// The 10-50-90 % thresholds of the record, as the measurement engine finds them.
MeasSourceState Levels(const TSignalObj& r) {
    MeasSourceState st;
    TThresholdTexts texts;
    FindSignalLevels(st, r);
    SetLevelMarkers(st, r, TMeasSourceSettings{});
    SetReferenceLevels(st, r, TMeasSourceSettings{}, texts, "div");
    return st;
}

struct TTrendResult {
    bool Written = false;
    TSignalObj Record;
};

// The trend of kind on a copy of the source that keeps 1 V/div, 0 V offset and unit "V".
std::unique_ptr<TTrendResult> Trend(const TSignalObj& source, const TEdgeTable& table, int kind, TTrendAverage& avg) {
    auto out = std::make_unique<TTrendResult>();
    out->Record.AssignWithData(source);
    out->Written = CalcTrendWaveform(out->Record, table, kind, avg);
    return out;
}

}  // namespace

TEST(TrendWaveform, EachCycleOfAKnownPulseTrainOverThePointsItCovers) {
    // Levels by hand: -1 V lies on row 384 (bin 96), +1 V on row 640 (bin 160); a bin's row is
    // 4 bin + 1.5, so base = (385.5 - 512) / 128 = -0.98828125 V and top = 1.01171875 V, middle
    // 0.01171875, upper base + 1.8, lower base + 0.2. On a rise of 0.25 V per point starting at
    // point p (-0.75 V): lower crossing p - 0.153125, middle p + 3.046875, upper p + 6.246875; on a
    // fall starting at q (0.75 V): upper q - 0.246875, middle q + 2.953125, lower q + 6.153125.
    auto source = std::make_unique<TSignalObj>();
    PulseTrain(*source, {24});  // rises start at 24 + 64 k, falls at 56 + 64 k: 8 cycles of 64 points
    auto table = std::make_unique<TEdgeTable>();
    FindEdges(*source, Levels(*source), *table);
    for (int k = 0; k < 8; ++k) {
        const TEdgeEntry& e = (*table)[static_cast<std::size_t>(k)];
        const double p = 24 + 64 * k, q = 56 + 64 * k;
        EXPECT_NEAR(e[0], p - 0.153125, 1e-4) << k;
        EXPECT_FLOAT_EQ(e[1], static_cast<float>(p + 3.046875)) << k;
        EXPECT_NEAR(e[2], p + 6.246875, 1e-4) << k;
        EXPECT_NEAR(e[3], q - 0.246875, 1e-4) << k;
        EXPECT_FLOAT_EQ(e[4], static_cast<float>(q + 2.953125)) << k;
        EXPECT_NEAR(e[5], q + 6.153125, 1e-4) << k;
    }
    for (float x : (*table)[8]) EXPECT_EQ(x, -1.0f);

    // Rise to rise 64 points: the Period trend is flat, every point written, and that is a result
    // although the flat trend teaches no scale.
    TTrendAverage avg;
    auto period = Trend(*source, *table, tkPeriod, avg);
    EXPECT_TRUE(period->Written);
    for (int i = 0; i < Points; ++i) ASSERT_DOUBLE_EQ(period->Record.GetPoint(i), 6.4e-9) << i;
    EXPECT_EQ(period->Record.GetVertUnitRaw(), "s");
    EXPECT_EQ(avg.Count, 0);
    EXPECT_EQ(period->Record.VertScale(), 1);
    EXPECT_EQ(period->Record.VertOffset(), 0);
    auto freq = Trend(*source, *table, tkFreq, avg);
    EXPECT_TRUE(freq->Written);
    for (int i = 0; i < Points; ++i) ASSERT_DOUBLE_EQ(freq->Record.GetPoint(i), 1 / 6.4e-9) << i;
    EXPECT_EQ(freq->Record.GetVertUnitRaw(), "Hz");
    // Middle to middle: 27.046875 .. 58.953125, that is 31.90625 of 64 points high.
    auto duty = Trend(*source, *table, tkPosDuty, avg);
    EXPECT_TRUE(duty->Written);
    for (int i = 0; i < Points; ++i) ASSERT_DOUBLE_EQ(duty->Record.GetPoint(i), 31.90625 / 64 * 100) << i;
    EXPECT_EQ(duty->Record.GetVertUnitRaw(), "%");
    auto negDuty = Trend(*source, *table, tkNegDuty, avg);
    for (int i = 0; i < Points; ++i) ASSERT_DOUBLE_EQ(negDuty->Record.GetPoint(i), 32.09375 / 64 * 100) << i;
    EXPECT_EQ(avg.Count, 0);

    // 10 to 90 % of 2 V at 0.25 V a point: 6.4 points, held to the falling middle crossing of each
    // cycle; single-precision indexes make the cycles differ in the last digits, so the scale learns
    // from them: (max - min) / 3 rounds to a scale far below the values, the offset is their middle.
    auto rise = Trend(*source, *table, tkRiseTime, avg);
    EXPECT_TRUE(rise->Written);
    for (int i = 0; i < Points; ++i) ASSERT_NEAR(rise->Record.GetPoint(i), 6.4e-10, 1e-14) << i;
    EXPECT_EQ(rise->Record.GetVertUnitRaw(), "s");
    EXPECT_EQ(avg.Count, 1);
    EXPECT_LT(rise->Record.VertScale(), 1e-14);
    EXPECT_NEAR(rise->Record.VertOffset(), 6.4e-10, 1e-14);

    // The record begins inside a pulse: entry 0 holds the leading fall only (fall at -8), and the
    // Period walk starts at entry 1, the first rise at 56, still writing from point 0.
    PulseTrain(*source, {24}, 32);
    FindEdges(*source, Levels(*source), *table);
    const TEdgeEntry& first = (*table)[0];
    EXPECT_EQ(first[0], -1.0f);
    EXPECT_EQ(first[1], -1.0f);
    EXPECT_EQ(first[2], -1.0f);
    EXPECT_NEAR(first[3], 24 - 0.246875, 1e-4);
    EXPECT_FLOAT_EQ(first[4], 26.953125f);
    EXPECT_NEAR(first[5], 24 + 6.153125, 1e-4);
    EXPECT_FLOAT_EQ((*table)[1][1], 59.046875f);
    TTrendAverage fresh;
    period = Trend(*source, *table, tkPeriod, fresh);
    EXPECT_TRUE(period->Written);
    for (int i = 0; i < Points; ++i) ASSERT_DOUBLE_EQ(period->Record.GetPoint(i), 6.4e-9) << i;
    // NegWidth uses the leading fall: 26.953125 to 59.046875, held up to point 59.
    auto low = Trend(*source, *table, tkNegWidth, fresh);
    for (int i = 0; i < Points; ++i) ASSERT_DOUBLE_EQ(low->Record.GetPoint(i), 32.09375 * Dt) << i;

    // No edges: nothing written, no result, the scale left alone.
    for (int i = 0; i < Points; ++i) source->SetPoint(i, 0.3);
    FindEdges(*source, Levels(*source), *table);
    for (float x : (*table)[0]) EXPECT_EQ(x, -1.0f);
    TTrendAverage none;
    none.Count = 3, none.SumMin = 1, none.SumMax = 2;
    for (int kind = 0; kind < TrendKindCount; ++kind) {
        auto flat = Trend(*source, *table, kind, none);
        EXPECT_FALSE(flat->Written) << kind;
        EXPECT_EQ(flat->Record.GetPoint(100), 0.3);
        EXPECT_EQ(flat->Record.VertScale(), 1);
        EXPECT_EQ(flat->Record.GetVertUnitRaw(), "V");
    }
    EXPECT_EQ(none.Count, 3);
}

TEST(TrendWaveform, FunctionLearnsItsScaleFromElevenTrendsThroughMath) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    shell.SetCommandTree(std::make_unique<TCommandTree>());
    TScopeAnalysisServices services(shell);
    TWaveformMath& math = services.Math();
    math.CreateMathHandlers(*shell.CommandTree());
    const auto run = [&](const std::string& line) { shell.CommandTree()->ExecuteCommandString(line, false); };
    run("F1:Operat Trend");
    run("F1:Source1 Ch1");
    TSignalObj& ch1 = shell.Records()->Record(ssCh1);
    TSignalObj& f1 = shell.Records()->Record(ssF1);
    const TTrendAverage& avg = services.Trend().Average(0);

    // Rise to rise is 40 points plus the low before the next rise: lows of 24 and 40 points give
    // periods of 64 and 80 points, lows of 24 and 56 give 64 and 96.
    const std::vector<int> shortAndMid{24, 40}, shortAndLong{24, 56};
    PulseTrain(ch1, shortAndMid);
    ASSERT_TRUE(math.EvaluateMathFunction(ssF1));
    EXPECT_EQ(f1.GetVertUnitRaw(), "s");
    double lo = 1, hi = 0;
    for (int i = 0; i < Points; ++i) lo = std::min(lo, f1.GetPoint(i)), hi = std::max(hi, f1.GetPoint(i));
    EXPECT_DOUBLE_EQ(lo, 64 * Dt);
    EXPECT_DOUBLE_EQ(hi, 80 * Dt);
    // (8.0 - 6.4) ns / 3 = 0.533 ns: 500 ps/div around (8.0 + 6.4) / 2 ns.
    EXPECT_DOUBLE_EQ(f1.VertScale(), 5e-10);
    EXPECT_NEAR(f1.VertOffset(), 7.2e-9, 1e-20);
    PulseTrain(ch1, shortAndLong);
    ASSERT_TRUE(math.EvaluateMathFunction(ssF1));
    // Means 6.4 and (8.0 + 9.6) / 2 = 8.8 ns: 0.8 ns / 3 rounds to 1 ns/div, offset 7.6 ns.
    EXPECT_DOUBLE_EQ(f1.VertScale(), 1e-9);
    EXPECT_NEAR(f1.VertOffset(), 7.6e-9, 1e-20);
    for (int call = 3; call <= 11; ++call) {
        PulseTrain(ch1, call % 2 ? shortAndMid : shortAndLong);
        ASSERT_TRUE(math.EvaluateMathFunction(ssF1));
    }
    EXPECT_EQ(avg.Count, 11);
    // Six maxima of 8.0 ns and five of 9.6 ns: mean 96/11 ns; 2.33 ns / 3 rounds to 1 ns/div.
    const double learnt = (6.4e-9 + 96e-9 / 11) / 2;
    EXPECT_DOUBLE_EQ(f1.VertScale(), 1e-9);
    EXPECT_NEAR(f1.VertOffset(), learnt, 1e-20);

    // The 12th trend, with periods of 64 and 384 points, would move the offset to 8.8 ns; the scale
    // stays fixed until the averaging restarts.
    PulseTrain(ch1, {24, 24, 344});
    ASSERT_TRUE(math.EvaluateMathFunction(ssF1));
    EXPECT_DOUBLE_EQ(f1.GetPoint(0), 64 * Dt);
    EXPECT_DOUBLE_EQ(f1.GetPoint(Points - 1), 384 * Dt);
    EXPECT_EQ(avg.Count, 11);
    EXPECT_DOUBLE_EQ(f1.VertScale(), 1e-9);
    EXPECT_NEAR(f1.VertOffset(), learnt, 1e-20);
    // The clear of the display restarts it: 32 ns / 3 rounds to 10 ns/div around 22.4 ns.
    services.ResetAllTrendAverages();
    EXPECT_EQ(avg.Count, 0);
    ASSERT_TRUE(math.EvaluateMathFunction(ssF1));
    EXPECT_DOUBLE_EQ(f1.VertScale(), 1e-8);
    EXPECT_NEAR(f1.VertOffset(), 2.24e-8, 1e-20);

    // A new measurement kind restarts the function's averaging too: 1 / 6.4 ns and 1 / 38.4 ns.
    run("F1:TrendMeas Freq");
    EXPECT_EQ(avg.Count, 0);
    ASSERT_TRUE(math.EvaluateMathFunction(ssF1));
    EXPECT_EQ(f1.GetVertUnitRaw(), "Hz");
    EXPECT_DOUBLE_EQ(f1.GetPoint(0), 1 / (64 * Dt));
    EXPECT_DOUBLE_EQ(f1.GetPoint(Points - 1), 1 / (384 * Dt));
    EXPECT_EQ(avg.Count, 1);

    // A source without edges: nothing computed, the function's record and scale kept.
    for (int i = 0; i < Points; ++i) ch1.SetPoint(i, 0.3);
    const double kept = f1.GetPoint(0), keptScale = f1.VertScale();
    EXPECT_FALSE(math.EvaluateMathFunction(ssF1));
    EXPECT_EQ(f1.GetPoint(0), kept);
    EXPECT_EQ(f1.VertScale(), keptScale);
}
