#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <numeric>
#include <utility>
#include <vector>

#include "core/RunningStat.h"

using namespace vt;

namespace {

struct Exact {
    double Mean = 0;
    double PopDev = 0;
    double SampleDev = 0;
};

// Two passes in long double: the reference the running figures are held to.
Exact TwoPass(const std::vector<double>& v) {
    long double sum = 0;
    for (double x : v) sum += x;
    const long double mean = sum / static_cast<long double>(v.size());
    long double m2 = 0;
    for (double x : v) m2 += (x - mean) * (x - mean);
    const auto n = static_cast<long double>(v.size());
    return {static_cast<double>(mean), static_cast<double>(std::sqrt(m2 / n)),
            static_cast<double>(std::sqrt(m2 / (n - 1)))};
}

// The values the ring holds, as the statistics see them.
std::vector<double> RingValues(const TModedStat& s) {
    std::vector<double> v;
    for (int i = 0; i < s.Count; ++i) v.push_back(s.Ring()[static_cast<std::size_t>(i)]);
    return v;
}

void ExpectRel(double actual, double expected, double rel) {
    EXPECT_NEAR(actual, expected, std::fabs(expected) * rel) << "expected " << expected;
}

// Values with a large offset and a tiny spread: absolute times of edges, jittering by a picosecond.
double Jittered(int i) { return 1e-3 + (i % 2 ? 1e-12 : -1e-12) + (i % 3) * 0.5e-12; }

}  // namespace

TEST(Stat, FirstValueAndClear) {
    TStat s;
    EXPECT_EQ(s.Count, 0);
    EXPECT_EQ(s.StdDev, 1e101);
    EXPECT_EQ(s.Min, 1e101);
    EXPECT_EQ(s.Max, -1e101);
    s.Add(1, 5);
    EXPECT_EQ(s.Mean, 5);
    EXPECT_EQ(s.Min, 5);
    EXPECT_EQ(s.Max, 5);
    EXPECT_EQ(s.RMS, 5);
    EXPECT_EQ(s.StdDev, 0);
    EXPECT_EQ(s.StdDevP, 0);
    s.Add(1, 7);
    s.Clear();
    // Every readout goes back, none is left over from the values before.
    EXPECT_EQ(s.RMS, 0);
    EXPECT_EQ(s.StdDevP, 1e101);
    EXPECT_EQ(s.StdDev, 1e101);
    EXPECT_EQ(s.Mean, 0);
    EXPECT_EQ(s.SumSq, 0);
    EXPECT_EQ(s.Count, 0);
    s.Add(1, -3);
    EXPECT_EQ(s.Min, -3);
    EXPECT_EQ(s.Max, -3);
}

TEST(Stat, KnownSetOfValues) {
    TStat s;
    TModedStat m;
    for (double x : {2.0, 4.0, 4.0, 4.0, 5.0, 5.0, 7.0, 9.0}) {
        s.Add(1, x);
        m.Add(1, x);
    }
    for (const TStat* t : {static_cast<const TStat*>(&s), static_cast<const TStat*>(&m)}) {
        EXPECT_EQ(t->Count, 8);
        EXPECT_DOUBLE_EQ(t->Mean, 5);
        EXPECT_DOUBLE_EQ(t->StdDevP, 2);
        EXPECT_DOUBLE_EQ(t->StdDev, std::sqrt(32.0 / 7));
        EXPECT_DOUBLE_EQ(t->SumSq, 232);
        EXPECT_EQ(t->Min, 2);
        EXPECT_EQ(t->Max, 9);
    }
    EXPECT_DOUBLE_EQ(s.RMS, std::sqrt(29.0));
}

TEST(Stat, WeightCountsAsRepeatedValues) {
    TStat a, b;
    TModedStat m;
    a.Add(3, 2);
    a.Add(5, -1.5);
    m.Add(3, 2);
    m.Add(5, -1.5);
    for (int i = 0; i < 8; ++i) b.Add(1, i < 3 ? 2 : -1.5);
    for (const TStat* t : {static_cast<const TStat*>(&a), static_cast<const TStat*>(&m)}) {
        EXPECT_EQ(t->Count, 8);
        EXPECT_DOUBLE_EQ(t->Mean, b.Mean);
        EXPECT_DOUBLE_EQ(t->SumSq, b.SumSq);
        EXPECT_DOUBLE_EQ(t->StdDev, b.StdDev);
        EXPECT_DOUBLE_EQ(t->StdDevP, b.StdDevP);
    }
    EXPECT_DOUBLE_EQ(a.RMS, b.RMS);
    a.Add(0, 100);
    a.Add(-2, 100);
    EXPECT_EQ(a.Count, 8);
    EXPECT_EQ(a.Max, 2);
}

TEST(Stat, DeviationOfSmallSpreadOnLargeOffset) {
    std::vector<double> v;
    TStat s;
    TModedStat all;
    for (int i = 0; i < 1000; ++i) {
        v.push_back(Jittered(i));
        s.Add(1, v.back());
        all.Add(1, v.back());
    }
    const Exact e = TwoPass(v);
    ASSERT_GT(e.PopDev, 1e-13);
    for (const TStat* t : {static_cast<const TStat*>(&s), static_cast<const TStat*>(&all)}) {
        ExpectRel(t->StdDevP, e.PopDev, 1e-6);
        ExpectRel(t->StdDev, e.SampleDev, 1e-6);
        ExpectRel(t->Mean, e.Mean, 1e-13);
    }
    // The weighted form adds one large value with weight n: still no cancellation.
    TStat w;
    w.Add(999, 1e-3);
    w.Add(1, 1e-3 + 1e-9);
    ExpectRel(w.StdDevP, 1e-9 * std::sqrt(999.0) / 1000, 1e-6);
}

TEST(ModedStat, SetModeClampsAndClearsOnlyOnChange) {
    TModedStat m;
    EXPECT_EQ(m.Mode, 0);
    EXPECT_EQ(m.N, 128);
    m.SetMode(1, 4);
    EXPECT_EQ(m.N, 8);
    m.SetMode(1, 10000);
    EXPECT_EQ(m.N, 8192);
    m.SetMode(0, 500);
    EXPECT_EQ(m.Mode, 0);
    EXPECT_EQ(m.N, 128);

    m.SetMode(2, 16);
    m.Add(5, 1);
    m.SetMode(2, 16);
    EXPECT_EQ(m.Count, 5);
    m.SetMode(2, 17);
    EXPECT_EQ(m.Count, 0);
    EXPECT_EQ(m.Min, 1e101);

    // A request that clamps to the current setting is no change either.
    m.SetMode(1, 3);
    m.Add(2, 1);
    m.SetMode(1, 3);
    EXPECT_EQ(m.Count, 2);
    m.SetMode(9, 64);
    EXPECT_EQ(m.Mode, 0);
    EXPECT_EQ(m.N, 128);
}

TEST(ModedStat, LastNValuesFollowTheWindow) {
    TModedStat m;
    m.SetMode(1, 8);
    std::deque<double> window;
    for (int i = 0; i < 20; ++i) {
        const double x = (i * 7) % 11;  // 0 7 3 10 6 2 9 5 1 8 4 0 7 ...: extremes leave the window
        m.Add(1, x);
        window.push_back(x);
        if (window.size() > 8) window.pop_front();
        const double sum = std::accumulate(window.begin(), window.end(), 0.0);
        ASSERT_EQ(m.Count, static_cast<std::int64_t>(window.size())) << i;
        ASSERT_EQ(m.RingSum, sum) << i;
        ASSERT_EQ(m.Mean, sum / static_cast<double>(window.size())) << i;
        ASSERT_EQ(m.Min, *std::min_element(window.begin(), window.end())) << i;
        ASSERT_EQ(m.Max, *std::max_element(window.begin(), window.end())) << i;
    }
    EXPECT_EQ(m.Mean, 43.0 / 8);
    EXPECT_EQ(m.Min, 1);
    EXPECT_EQ(m.Max, 10);
    std::vector<double> last(window.begin(), window.end());
    EXPECT_DOUBLE_EQ(m.StdDev, TwoPass(last).SampleDev);
}

TEST(ModedStat, DepartingExtremeIsFoundWhenTheMeanIsZero) {
    // The -4 (or the 4) leaves the ring while the mean is zero.
    for (double sign : {1.0, -1.0}) {
        TModedStat m;
        m.SetMode(1, 8);
        for (double x : {-4.0, 1.0, 1.0, 1.0, 1.0, 0.0, 0.0, 0.0}) m.Add(1, sign * x + 0.0);
        ASSERT_EQ(m.Mean, 0);
        m.Add(1, 0);
        EXPECT_EQ(std::pair(m.Min, m.Max), sign > 0 ? std::pair(0.0, 1.0) : std::pair(-1.0, 0.0)) << sign;
    }
}

TEST(ModedStat, WindowHoldsSinglePrecisionValuesAndFollowsThemExactly) {
    // The extremes and the mean follow each value, not its distance from an earlier one.
    TModedStat m;
    m.SetMode(1, 8);
    m.Add(1, 1e9);
    m.Add(1, 3.0);
    EXPECT_EQ(m.Min, 3);
    EXPECT_EQ(m.Max, 1e9);
    for (int i = 0; i < 7; ++i) m.Add(1, 3.0);  // the 1e9 has left the ring
    EXPECT_EQ(m.Mean, 3);
    EXPECT_EQ(m.Min, 3);
    EXPECT_EQ(m.Max, 3);
    m.Add(1, 1e6);
    for (int i = 0; i < 8; ++i) m.Add(1, 1.234567);
    EXPECT_DOUBLE_EQ(m.Mean, static_cast<double>(1.234567f)) << "the value as held, in single precision";
    EXPECT_EQ(m.StdDevP, 0);

    // A small spread on a large value, as single precision holds it: the sums do not cancel it away.
    TModedStat w;
    w.SetMode(1, 64);
    std::vector<double> v;
    for (int i = 0; i < 1000; ++i) {
        v.push_back(1e6 + (i % 7) * 0.0625);  // steps single precision holds exactly at 1e6
        w.Add(1, v.back());
    }
    const Exact e = TwoPass(std::vector<double>(v.end() - 64, v.end()));
    ExpectRel(w.StdDevP, e.PopDev, 1e-9);
    ExpectRel(w.StdDev, e.SampleDev, 1e-9);
    ExpectRel(w.Mean, e.Mean, 1e-15);
    EXPECT_EQ(RingValues(w).size(), 64u);
}

TEST(ModedStat, WindowStaysConsistentOverLongRuns) {
    TModedStat m;
    m.SetMode(1, 8);
    std::deque<double> window;
    // A count that leaves the ring part way through a turn.
    for (int i = 0; i < 1000003; ++i) {
        // Jumps between two levels far apart, so that the reference is left behind now and then,
        // and lone spikes that dwarf the rest of the ring while they are in it.
        double x = ((i / 100000) % 2 ? 1e6 : 0.0) + 1000 * std::sin(i * 0.7) + 0.1;
        if (i % 1000 == 993) x = 1e9;
        m.Add(1, x);
        window.push_back(x);
        if (window.size() > 8) window.pop_front();
    }
    const std::vector<double> stored = RingValues(m);
    ASSERT_EQ(stored.size(), 8u);
    const Exact e = TwoPass(stored);
    double sumSq = 0;
    for (double x : stored) sumSq += x * x;
    ExpectRel(m.Mean, e.Mean, 1e-13);
    ExpectRel(m.RingSum, 8 * e.Mean, 1e-13);
    ExpectRel(m.SumSq, sumSq, 1e-13);
    ExpectRel(m.StdDevP, e.PopDev, 1e-10);
    ExpectRel(m.StdDev, e.SampleDev, 1e-10);
    EXPECT_EQ(m.Min, *std::min_element(stored.begin(), stored.end()));
    EXPECT_EQ(m.Max, *std::max_element(stored.begin(), stored.end()));
    // And the held values are the values added, to single precision.
    const Exact truth = TwoPass(std::vector<double>(window.begin(), window.end()));
    ExpectRel(m.StdDevP, truth.PopDev, 1e-6);
    ExpectRel(m.Mean, truth.Mean, 1e-7);
}

TEST(ModedStat, WindowExtremesFollowEveryKindOfStream) {
    // Steady, rising, falling, quantised and noisy stretches, each longer or shorter than the
    // window, with ties at the window's edge: after every add the extremes are those of the last N
    // values as single precision holds them, found here by looking at each of them.
    for (int n : {8, 13, 512}) {
        TModedStat m;
        m.SetMode(1, n);
        std::deque<float> window;
        unsigned seed = 12345;
        const auto noise = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return static_cast<double>((seed >> 8) % 1000) / 1000.0;
        };
        int added = 0;
        for (int stretch = 0; stretch < 40; ++stretch) {
            const int length = (stretch * 7 % 5 + 1) * n / 2 + stretch % 3;
            for (int i = 0; i < length; ++i, ++added) {
                double x = 0;
                switch (stretch % 5) {
                    case 0: x = 7.0; break;                           // steady
                    case 1: x = added * 0.5; break;                   // rising
                    case 2: x = -added * 0.25; break;                 // falling
                    case 3: x = std::floor(noise() * 4) - 2; break;   // few levels, many ties
                    default: x = 1e-3 + 1e-12 * noise(); break;       // rounds to one float
                }
                m.Add(1, x);
                window.push_back(static_cast<float>(x));
                if (window.size() > static_cast<std::size_t>(n)) window.pop_front();
                ASSERT_EQ(m.Min, static_cast<double>(*std::min_element(window.begin(), window.end())))
                    << "N " << n << ", value " << added;
                ASSERT_EQ(m.Max, static_cast<double>(*std::max_element(window.begin(), window.end())))
                    << "N " << n << ", value " << added;
            }
        }
        // A cleared window starts again from its next value.
        m.Clear();
        m.Add(1, -3);
        EXPECT_EQ(m.Min, -3);
        EXPECT_EQ(m.Max, -3);
    }
}

TEST(ModedStat, WeightedModeFadesOlderValues) {
    TModedStat m;
    m.SetMode(2, 8);
    for (int i = 0; i < 8; ++i) m.Add(1, 1);
    EXPECT_EQ(m.SumSq, 8);
    EXPECT_EQ(m.StdDev, 0);
    m.Add(1, 0);
    EXPECT_DOUBLE_EQ(m.SumSq, 7);
    EXPECT_DOUBLE_EQ(m.Mean, 0.875);
    // Sum of squares minus mean² × N, with N = 8 as the count.
    EXPECT_DOUBLE_EQ(m.StdDevP, std::sqrt((7 - 0.875 * 0.875 * 8) / 8));
    EXPECT_DOUBLE_EQ(m.StdDev, std::sqrt((7 - 0.875 * 0.875 * 8) / 7));
    m.Add(1, 0);
    EXPECT_DOUBLE_EQ(m.SumSq, 49.0 / 8);
    EXPECT_DOUBLE_EQ(m.Mean, 0.875 * 7 / 8);
    EXPECT_EQ(m.Count, 10);
    EXPECT_EQ(m.Min, 0);
    EXPECT_EQ(m.Max, 1);
}

TEST(ModedStat, WeightedDeviationOfSmallSpreadOnLargeOffset) {
    // The weighted figures do not depend on where the values sit: the same run shifted to zero,
    // where nothing cancels, gives the reference.
    TModedStat m, shifted;
    m.SetMode(2, 32);
    shifted.SetMode(2, 32);
    for (int i = 0; i < 500; ++i) {
        m.Add(1, Jittered(i));
        shifted.Add(1, Jittered(i) - 1e-3);
    }
    ASSERT_GT(shifted.StdDevP, 1e-13);
    ExpectRel(m.StdDevP, shifted.StdDevP, 1e-5);
    ExpectRel(m.StdDev, shifted.StdDev, 1e-5);
    ExpectRel(m.Mean - 1e-3, shifted.Mean, 1e-4);
}

// A value that is no number stays out of every kind of statistics, leading or in the middle: 5, 3 and 4
// give mean 4, squared deviations 1 + 1 + 0 = 2 and (over all values) RMS sqrt((25 + 9 + 16) / 3).
TEST(Stat, ValueThatIsNoNumberIsLeftOutOfEveryKind) {
    const double nan = std::nan("");
    const auto expectFiveThreeFour = [](const TStat& s, const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(s.Count, 3);
        EXPECT_EQ(s.Min, 3);
        EXPECT_EQ(s.Max, 5);
        EXPECT_DOUBLE_EQ(s.Mean, 4);
        EXPECT_DOUBLE_EQ(s.StdDev, 1);
        EXPECT_DOUBLE_EQ(s.StdDevP, std::sqrt(2.0 / 3));
    };
    for (const std::vector<double>& values : {std::vector<double>{5, nan, 3, 4}, {nan, 5, 3, 4}}) {
        TStat all;
        for (double x : values) all.Add(1, x);
        expectFiveThreeFour(all, "all values");
        EXPECT_DOUBLE_EQ(all.RMS, std::sqrt(50.0 / 3));
        TStat weighted;
        for (double x : values) weighted.Add(1, x);
        weighted.Add(4, nan);
        expectFiveThreeFour(weighted, "all values, a weighted no-number");
        for (int mode : {0, 1, 2}) {
            TModedStat m;
            m.SetMode(mode, 8);
            for (double x : values) m.Add(1, x);
            expectFiveThreeFour(m, mode == 0 ? "permanent" : mode == 1 ? "window" : "weight");
        }
    }
    // A full window counts its Nth value once; the no-number neither takes a place in the ring nor
    // pushes an old value out.
    TModedStat window;
    window.SetMode(1, 8);
    for (int i = 1; i <= 8; ++i) window.Add(1, i);
    EXPECT_EQ(window.Count, 8);
    EXPECT_EQ(window.RingSum, 36);
    EXPECT_EQ(window.SumSq, 204);
    EXPECT_EQ(window.Mean, 4.5);
    EXPECT_EQ(window.Position, 0);
    window.Add(1, nan);
    window.Add(1, 9);  // the window holds 2..9: the 9 replaced the 1
    EXPECT_EQ(window.Count, 8);
    EXPECT_EQ(window.Min, 2);
    EXPECT_EQ(window.Max, 9);
    EXPECT_EQ(window.RingSum, 44);
    EXPECT_EQ(window.Mean, 5.5);
}
