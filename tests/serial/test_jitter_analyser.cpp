// The jitter analyser's pieces and its states on a synthetic NRZ signal whose pattern, edge shape,
// random jitter and duty-cycle distortion are known: every figure is compared with what those
// imply, worked out here by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "acq/SignalObj.h"
#include "serial/JitterAnalyser.h"
#include "serial/JitterHistograms.h"

namespace vt {
namespace {

constexpr double Ps = 1e-12;

// A pattern sent at bit period T: raised-cosine edges of `span` UI starting at the bit boundary,
// falling edges `dcd` UI late, Gaussian time jitter per sample. The timebase follows what the
// analyser writes: 5 T a division until the pattern is known, then T / 10 and the delay it gives.
struct TSynthetic : TJitterHost {
    std::vector<int> Bits;
    double T = 1 / 1.5e9;
    double Span = 169.4e-12 * 1.5e9;
    double Jitter = 0;       // s
    double Dcd = 0;          // UI
    double Drift = 0;        // s, added to every sample's time once state 4 is reached
    double High = 0.25, Low = -0.25;
    int Delay = 0;
    int Length = 512;
    bool Fine = false;
    double DelayDivisions = 0.1;
    std::vector<int> Delays;
    std::vector<double> Manual;  // when set: the record's values as they stand
    int Messages = 0;
    int Errors = 0;
    TSignalObj Rec;
    std::mt19937 Rng{11};
    const TJ_Obj* Analyser = nullptr;

    const TSignalObj& Record() const override { return Rec; }
    int PatternDelay() const override { return Delay; }
    void SetPatternDelay(int bits) override {
        Delay = bits;
        Delays.push_back(bits);
    }
    void SetRecordLength(int points) override { Length = points; }
    void ApplyPatternSettings(double, double, double delayDivisions) override {
        Fine = true;
        DelayDivisions = delayDivisions;
    }
    void ShowBitMapError() override { ++Messages; }
    void ReportError(const std::string&) override { ++Errors; }

    int Bit(long k) const {
        const long n = static_cast<long>(Bits.size());
        return Bits[static_cast<std::size_t>(((k % n) + n) % n)];
    }
    // The level at u bits from the trigger.
    double Level(double u) const {
        const long k = static_cast<long>(std::floor(u));
        double level = Bit(k);
        for (long j = k - 1; j <= k; ++j) {
            if (Bit(j) == Bit(j - 1)) continue;
            const double start = j + (Bit(j) == 0 ? Dcd : 0);
            const double x = u - start;
            if (x < 0 && j == k) level = Bit(j - 1);
            else if (x >= 0 && x < Span) level = Bit(j - 1) + (Bit(j) - Bit(j - 1)) * (1 - std::cos(std::numbers::pi * x / Span)) / 2;
            else if (x >= 0 && j == k) level = Bit(j);
        }
        return Low + (High - Low) * level;
    }
    void Acquire() {
        const double tpd = Fine ? T / 10 : 5 * T;
        const double dt = tpd * 512 / (50.0 * Length);
        const double origin = DelayDivisions * 10 * T;
        Rec.SetLength(Length);
        Rec.SetSampleInterval(dt);
        Rec.SetOrigin(origin);
        Rec.SetVertScale(0.1);
        Rec.SetVertOffset(0);
        std::normal_distribution<double> g(0, 1);
        const double drift = Analyser && Analyser->State >= 4 ? Drift : 0;
        for (int i = 0; i < Length; ++i) {
            if (!Manual.empty()) {
                Rec.SetPoint(i, Manual[static_cast<std::size_t>(i) % Manual.size()]);
                continue;
            }
            const double t = origin + i * dt + Jitter * g(Rng) + drift;
            Rec.SetPoint(i, Level(Delay - 0.63 - 1 + t / T));
        }
    }
    void Run(TJ_Obj& a, int steps) {
        for (int s = 0; s < steps; ++s) {
            Acquire();
            a.Step();
        }
    }
    // Steps until the analyser is in the state (at most `limit` acquisitions).
    bool RunTo(TJ_Obj& a, int state, int limit = 5000) {
        for (int s = 0; s < limit && a.State != state; ++s) {
            Acquire();
            a.Step();
        }
        return a.State == state;
    }
};

std::vector<int> Prbs5() {  // x^5 + x^3 + 1
    std::vector<int> bits;
    unsigned r = 0x1F;
    for (int i = 0; i < 31; ++i) {
        bits.push_back(static_cast<int>(r & 1));
        const unsigned fb = ((r >> 0) ^ (r >> 2)) & 1;
        r = (r >> 1) | (fb << 4);
    }
    return bits;
}

TEST(JitterPieces, CodesLevelsRangesResultsZoomAndBins) {
    const std::uint8_t map[7] = {1, 1, 1, 0, 1, 0, 0};
    std::vector<int> codes;
    for (int p = 0; p < 7; ++p) codes.push_back(JitterEdgeCode(map, 7, p));
    EXPECT_EQ(codes, (std::vector<int>{5, 17, 17, 6, 15, 12, 16}));
    EXPECT_EQ(BitLength(127), 7);
    EXPECT_EQ(JitterPointClass(0.3, 0.2, -0.2), 0);
    EXPECT_EQ(JitterPointClass(-0.2, 0.2, -0.2), 2);
    EXPECT_EQ(JitterPointClass(-0.21, 0.2, -0.2), 1);

    // Levels -0.2 / 0.2: the band -0.1 .. 0.1, bins 0.02 V wide centred at -0.09 + 0.02 k.
    const auto centres = JitterBinCentres(-0.1, 0.2);
    EXPECT_NEAR(centres[0], -0.09, 1e-12);
    EXPECT_NEAR(centres[9], 0.09, 1e-12);
    std::array<double, 10> times{};
    for (int k = 0; k < 10; ++k) times[static_cast<std::size_t>(k)] = 10 * k * Ps;
    EXPECT_NEAR(JitterLevelTime(-0.045, -0.1, 0.2, centres, times), 22.5 * Ps, 1e-16);
    EXPECT_NEAR(JitterLevelTime(-0.1, -0.1, 0.2, centres, times), -5 * Ps, 1e-16);
    EXPECT_NEAR(JitterLevelTime(0.095, -0.1, 0.2, centres, times), 92.5 * Ps, 1e-16);

    const auto ranges = [](double c, double s) {
        const TJitterRanges r = JitterHistogramRanges(c * Ps, s * Ps);
        return std::array<double, 3>{r.DataDependent / Ps, r.Random / Ps, r.Common / Ps};
    };
    const auto near = [](std::array<double, 3> a, std::array<double, 3> b) {
        for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(a[i], b[i], 1e-6) << i;
    };
    near(ranges(13, 15), {60, 60, 60});
    near(ranges(1.3, 15), {2.5, 30, 30});
    near(ranges(13, 2), {30, 4.0, 30});

    // Results from histograms of known contents.
    std::array<TJitterHist, 7> h;
    for (double v : {1.0, 3.0}) h[1].Add(v * Ps), h[0].Add(v * Ps);
    for (double v : {-2.0, 0.0}) h[2].Add(v * Ps), h[0].Add(v * Ps);
    for (double v : {-1.0, 1.0}) h[3].Add(v * Ps);
    for (double v : {-2.0, 2.0}) h[4].Add(v * Ps);
    const auto r = ComputeJitterResults(h);
    EXPECT_NEAR(r[jpTotal].Value / Ps, 2, 1e-9);
    EXPECT_NEAR(r[jpDataDepend].Value / Ps, 5, 1e-9);
    EXPECT_NEAR(r[jpRandom].Value / Ps, 1, 1e-9);
    EXPECT_NEAR(r[jpDutyCycleDist].Value / Ps, 3, 1e-9);
    EXPECT_NEAR(r[jpInterSymbol].Value / Ps, 2, 1e-9);
    EXPECT_EQ(r[jpTotal].Unit, "s");
    for (int i : {jpPeriodSs, jpPeriodRms, jpDetermin}) EXPECT_EQ(r[static_cast<std::size_t>(i)].Unit, "") << i;
    // Values before a range count in the statistics only, and say so once each.
    int errors = 0;
    TJitterHist named("RJ");
    std::string said;
    named.OnError = [&](const std::string& t) { ++errors, said = t; };
    EXPECT_FALSE(named.Add(1e-12));
    EXPECT_EQ(said, "RJ - Time Scale undefined");
    EXPECT_EQ(named.PeakCount, 0);
    // Half a bin rounds to even: 256.5 goes to 256.
    named.SetRange(5.13e-10);
    EXPECT_TRUE(named.Add(0));
    EXPECT_EQ(named.Counts[256], 1);
    EXPECT_EQ(named.Count(), 2);

    // Zoom of the DDJ-versus-bit plot, clicks in the middle of a 400-pixel plot.
    TBitZoom z{0, 126, 1};
    ZoomIn(z, 127, 200, 400);
    EXPECT_EQ(z.Factor, 4);
    EXPECT_EQ(z.First, 48);
    EXPECT_EQ(z.Last, 78);
    ZoomIn(z, 127, 200, 400);  // 128 / 4 = 32 bits: no further
    EXPECT_EQ(z.First, 48);
    EXPECT_EQ(z.Factor, 4);
    ZoomOut(z, 127);
    EXPECT_EQ(z.First, 0);
    EXPECT_EQ(z.Last, 126);
    ZoomOut(z, 127);
    EXPECT_EQ(z.Factor, 1);
    TBitZoom y{0, 62, 1};
    ZoomIn(y, 63, 200, 400);
    EXPECT_EQ(y.Factor, 2);
    EXPECT_EQ(y.Last - y.First, 30);
    TBitZoom k{0, 1022, 1};
    std::vector<std::pair<int, int>> seen;
    for (int i = 0; i < 3; ++i) {
        ZoomIn(k, 1023, 200, 400);
        seen.emplace_back(k.First, k.Last);
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{384, 638}, {480, 542}, {496, 526}}));
    ZoomOut(k, 1023);
    EXPECT_EQ(std::make_pair(k.First, k.Last), std::make_pair(479, 541));
    EXPECT_EQ(k.Factor, 16);
}

TEST(JitterAnalyserSteps, DelaysThresholdsAndTheMendedFaults) {
    // Arrays follow the pattern length, up to the longest the trigger takes.
    {
        TSynthetic host;
        TJ_Obj big(host, 65535, 1e-9, 0);
        EXPECT_GE(big.BitMap.size(), 65535u + 47u);
        EXPECT_EQ(big.EdgeMeanDeviation.size(), 65535u);
    }
    // A 127-bit pattern: eight edge-scan passes at delays 0..7, then reading at 0, 48, 96, 126.
    {
        TSynthetic host;
        std::mt19937 rng(3);
        for (int i = 0; i < 127; ++i) host.Bits.push_back(static_cast<int>(rng() & 1));
        TJ_Obj a(host, 127, host.T, 0);
        host.Analyser = &a;
        ASSERT_TRUE(host.RunTo(a, 2, 40));
        EXPECT_EQ(host.Delays, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0, 48, 96, 126, host.Delays.back()}));
        for (int p = 0; p < 127; ++p) ASSERT_EQ(a.BitMap[static_cast<std::size_t>(p)], host.Bit(p)) << p;
        EXPECT_EQ(host.Length, 2048);
    }
    // The 7-bit map 1,1,1,0,1,0,0: edge shapes at 0, 3, 5, 4, and the sample counts that complete a
    // code (4097), an edge mean (31) and an edge's random part (301).
    TSynthetic host;
    host.Bits = {1, 1, 1, 0, 1, 0, 0};
    TJ_Obj a(host, 7, host.T, 0);
    host.Analyser = &a;
    ASSERT_TRUE(host.RunTo(a, 2, 40));
    EXPECT_EQ(host.Delay, 0);
    EXPECT_EQ(a.CurrentCode, 5);
    // Band -0.125 .. 0.125 (levels -0.25 / 0.25): values in bins 2 and 7 only, 2048 a record.
    const double inBin2 = a.BinCentre[2], inBin7 = a.BinCentre[7], outside = 0.2;
    host.Manual.assign(2048, outside);
    for (int i = 0; i < 1024; ++i) host.Manual[static_cast<std::size_t>(i)] = inBin2;
    host.Run(a, 1);  // one bin only so far: the code keeps collecting past any count
    host.Run(a, 4);
    EXPECT_EQ(a.CurrentCode, 5);
    EXPECT_EQ(host.Delay, 0);
    for (int i = 1024; i < 2048; ++i) host.Manual[static_cast<std::size_t>(i)] = i < 1024 + 1 ? inBin7 : outside;
    // 5 × 1024 + 1 band values now: complete, bins 3..6 on the line through bins 2 and 7.
    host.Run(a, 1);
    EXPECT_EQ(a.CurrentCode, 6);
    EXPECT_EQ(host.Delay, 3);
    const auto& t5 = a.CodeTable[5].BinTime;
    EXPECT_NEAR(t5[4], t5[2] + (t5[7] - t5[2]) * 2 / 5, 1e-18);
    EXPECT_NEAR(t5[9], t5[2] + (t5[7] - t5[2]) * 7 / 5, 1e-18);
    // Code 6: 2 × 2048 = 4096 band values wait, one more completes.
    for (int i = 0; i < 2048; ++i) host.Manual[static_cast<std::size_t>(i)] = i % 2 ? inBin7 : inBin2;
    host.Run(a, 2);
    EXPECT_EQ(a.CurrentCode, 6);
    host.Manual.assign(2048, outside);
    host.Manual[0] = inBin2;
    host.Run(a, 1);
    EXPECT_EQ(a.CurrentCode, 12);
    EXPECT_EQ(host.Delay, 5);
    // State 3 (records of 512): 30 band values wait, the 31st completes the edge; state 4 (2048): 300.
    for (const auto& [state, steps, length, waiting] : {std::array{3, 400, 512, 30}, std::array{4, 100, 2048, 300}}) {
        host.Manual.clear();
        ASSERT_TRUE(host.RunTo(a, state, steps));
        EXPECT_EQ(host.Length, length);
        const auto delays = host.Delays.size();
        host.Manual.assign(static_cast<std::size_t>(length), outside);
        for (int i = 0; i < waiting; ++i) host.Manual[static_cast<std::size_t>(i)] = inBin2;
        host.Run(a, 1);
        EXPECT_EQ(host.Delays.size(), delays) << state;
        host.Manual.assign(static_cast<std::size_t>(length), outside);
        host.Manual[0] = inBin7;
        host.Run(a, 1);
        EXPECT_EQ(host.Delays.size(), delays + 1) << state;
    }
    EXPECT_EQ(host.Errors, 0);

    // Too few bit centres (a record holding only a few edges) start the edge scan again at delay 0.
    {
        TSynthetic slow;
        slow.Bits = {1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0};
        slow.Span = 0.2;
        TJ_Obj b(slow, 11, slow.T, 0);
        slow.Manual.assign(512, 0.25);
        for (int i = 100; i < 300; ++i) slow.Manual[static_cast<std::size_t>(i)] = -0.25;
        slow.Run(b, 5);  // delays 0..4 (the bit length of 11 is 4)
        EXPECT_EQ(b.State, 0);
        EXPECT_EQ(slow.Delay, 0);
        EXPECT_EQ(slow.Delays.back(), 0);
        EXPECT_EQ(std::count(b.EdgeZone.begin(), b.EdgeZone.end(), 1), 0);
    }
    // A repeat that does not match: one message, then reading again from delay 0 with empty sums.
    {
        TSynthetic odd;
        odd.Bits = Prbs5();
        TJ_Obj c(odd, 31, odd.T, 0);
        odd.Analyser = &c;
        ASSERT_TRUE(odd.RunTo(c, 1, 20));
        odd.Run(c, 1);  // the first block
        EXPECT_EQ(odd.Delay, 30);
        odd.Bits[0] ^= 1, odd.Bits[1] ^= 1;  // what the last block reads again differs
        odd.Run(c, 1);
        EXPECT_EQ(odd.Messages, 1);
        EXPECT_EQ(c.State, 1);
        EXPECT_EQ(odd.Delay, 0);
        EXPECT_EQ(c.HighCount + c.LowCount, 0);
    }
}

TEST(JitterAnalyserSteps, RandomAndDeterministicPartsOfAKnownSignal) {
    TSynthetic host;
    host.Bits = Prbs5();
    host.Jitter = 5 * Ps;
    host.Dcd = 0.03;  // falling edges 20 ps late
    host.Drift = 3 * Ps;
    TJ_Obj a(host, 31, host.T, 0);
    host.Analyser = &a;
    ASSERT_TRUE(host.RunTo(a, 4, 2000));
    // The edge means: two groups 20 ps apart.
    EXPECT_NEAR((a.MaxEdgeMean - a.MinEdgeMean) / Ps, 20, 3);
    const double overall3 = a.OverallEdgeMean;
    ASSERT_TRUE(host.RunTo(a, 5, 500));
    const double dcd = 0.03 * host.T;
    const auto value = [&](int p) { return a.GetResult(p).Value / Ps; };
    EXPECT_NEAR(value(jpRandom), 5, 0.5);
    EXPECT_NEAR(value(jpDutyCycleDist), dcd / Ps, 1);
    EXPECT_NEAR(value(jpTotal), std::hypot(5, dcd / Ps / 2), 0.1 * std::hypot(5, dcd / Ps / 2));
    EXPECT_GT(value(jpDataDepend), dcd / Ps - 0.5);
    EXPECT_LT(value(jpDataDepend), dcd / Ps + 3);
    // Sampling 3 ps later since the edge means shows every edge 3 ps earlier: the overall mean moves
    // once by that, and a further round leaves it there.
    EXPECT_NEAR((a.OverallEdgeMean - overall3) / Ps, -3, 0.6);
    const std::vector<float> shown = a.ShownEdgeDeviation;
    EXPECT_EQ(std::count(shown.begin(), shown.end(), -2.0f), 31 - 16);  // 16 edges in the PRBS 2^5-1
    a.Step();  // state 5 shows and starts the next round; the plot keeps the finished one
    EXPECT_EQ(a.State, 4);
    EXPECT_EQ(std::count(a.EdgeMeanDeviation.begin(), a.EdgeMeanDeviation.end(), -2.0f), 31);
    EXPECT_EQ(a.ShownEdgeDeviation, shown);
    ASSERT_TRUE(host.RunTo(a, 5, 500));
    EXPECT_NEAR((a.OverallEdgeMean - overall3) / Ps, -3, 0.6);
    // Per-edge means sit on the DCD groups: edges into a 1 early, into a 0 late.
    EXPECT_NEAR(a.Histograms[2].Mean() - a.Histograms[1].Mean(), dcd, 1.5 * Ps);
}

}  // namespace
}  // namespace vt
