#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "acq/HistogramLevelStatistics.h"
#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"
#include "core/InternalError.h"

using namespace vt;

namespace {

// 0.125 V/div: 1024 rows per volt, so a value lands on row 512 - 1024 v.
double ValueOfRow(int row) { return (512 - row) / 1024.0; }

void Hit(TAxisHist& h, int row, int times, std::uint16_t point = 0) {
    for (int i = 0; i < times; ++i) h.AddSample(point, ValueOfRow(row));
}

}  // namespace

// A vertical histogram read the way the measurements read it: empty statistics, tie of maxima, the
// two-level search with its guard band and its 10 % ridge, levels counted upwards, and the rescale.
TEST(HistogramObjects, VerticalStatisticsAndTheTwoPeakSearch) {
    TAxisHist h(true);
    h.SetScale(1000, 0.125, 0, 1e-12, 0);
    h.SetWindow(0, 1022, 2, 4000);  // rows 2..1022
    h.ComputeStatistics(true);
    EXPECT_EQ(h.GetPeakCount(), 0u);
    EXPECT_EQ(h.GetTotalHits(), 0u);
    EXPECT_EQ(h.FirstBin(), 1023u);
    EXPECT_EQ(h.LastBin(), 0u);
    EXPECT_EQ(h.GetPercentWithinSigma(1), 0);

    h.AddSample(0, 5.0);  // beyond the screen: not accumulated at all
    EXPECT_EQ(h.PointsAdded(), 0);

    // Two levels: 100 hits on row 800 (-0.28125 V) and 60 on row 300 (0.20703125 V), a thin ridge.
    Hit(h, 800, 100);
    Hit(h, 300, 60);
    for (int r = 400; r < 700; r += 10) Hit(h, r, 2);
    Hit(h, 790, 100);  // a tie of maxima: the lower bin wins
    h.ComputeStatistics(true);
    EXPECT_EQ(h.PeakBin(), 790u);
    EXPECT_EQ(h.FirstBin(), 300u);
    EXPECT_EQ(h.LastBin(), 800u);
    int first = 0, second = 0;
    std::uint32_t firstCount = 0, secondCount = 0;
    ASSERT_TRUE(h.FindTwoPeaks(first, second, secondCount, firstCount));
    EXPECT_EQ(std::make_pair(first, second), std::make_pair(724, 234)) << "positions 1024 - row, lower row first";
    EXPECT_EQ(std::make_pair(firstCount, secondCount), std::make_pair(60u, 100u));
    double lower = 0, upper = 0;
    EXPECT_DOUBLE_EQ(h.GetTwoPeakLevels(lower, upper), 490 / 1024.0);
    EXPECT_DOUBLE_EQ(lower, ValueOfRow(790));
    EXPECT_DOUBLE_EQ(upper, ValueOfRow(300));
    EXPECT_DOUBLE_EQ(h.GetMaxValue(), ValueOfRow(300));
    EXPECT_EQ(h.GetMaxScreenPos(), 724);

    // A rescale empties it and counts one waveform; the same scale keeps the data.
    h.SetScale(1000, 0.125, 0, 1e-12, 0);
    EXPECT_EQ(h.GetWaveformCount(), 2);
    h.SetScale(1000, 0.25, 0, 1e-12, 0);
    EXPECT_EQ(h.GetWaveformCount(), 1);
    EXPECT_EQ(h.PointsAdded(), 0);
    h.SetScale(1000, 0.125, 0, 1e-12, 0);

    // The second hump rises less than 10 % above the ridge between it and the main peak.
    Hit(h, 800, 100);
    for (int r = 301; r < 800; ++r) Hit(h, r, 56);
    Hit(h, 300, 60);
    h.ComputeStatistics(true);
    EXPECT_FALSE(h.FindTwoPeaks(first, second, secondCount, firstCount));
    EXPECT_EQ(h.GetPeakSeparation(), 0);

    // Narrower than the 30-bin guard band: no second peak.
    h.Clear();
    h.SetScale(1000, 0.125, 0, 1e-12, 0);
    Hit(h, 500, 10);
    Hit(h, 520, 5);
    h.ComputeStatistics(true);
    EXPECT_FALSE(h.FindTwoPeaks(first, second, secondCount, firstCount));
    EXPECT_NEAR(h.GetPercentWithinSigma(1), 100.0 * 10 / 15, 1e-9);
    EXPECT_THROW((void)TAxisHist(false).GetRms(), EInternalError);
}

// The shared histogram keeps every point: any window or orientation is rebuilt from the hit map, and
// the exponential mode decays older hits so the window's peak stays at the weight.
TEST(HistogramObjects, FullHistRebuildsFromTheHitMapAndDecaysInExponentialMode) {
    TFullHist h;
    h.SetScale(4096, 0.125, 0, 1e-12, 0);
    h.SetWindow(0, 1022, 2, 4000);
    // Three waveforms: point p on row 100 + p % 700 (and a second copy on row 900 for even p).
    std::map<std::pair<int, int>, int> hits;
    for (int w = 0; w < 3; ++w) {
        for (int p = 0; p < 4096; p += 7) {
            const int row = 100 + p % 700;
            h.AddSample(static_cast<std::uint16_t>(p), ValueOfRow(row));
            ++hits[{p, row}];
            if (p % 2 == 0) h.AddSample(static_cast<std::uint16_t>(p), ValueOfRow(900)), ++hits[{p, 900}];
        }
    }
    // A narrower window, then vertical: counts equal a recount of every point so far.
    h.SetWindow(1000, 1024 - 200, 1024 - 950, 3000);
    h.SetVertical(true);
    std::map<int, int> expected;
    for (const auto& [cell, n] : hits)
        if (cell.first >= 1000 && cell.first <= 3000 && cell.second >= 200 && cell.second <= 950) expected[cell.second] += n;
    for (int r = 0; r < 1024; ++r) ASSERT_EQ(h.WindowBin(r), static_cast<std::uint32_t>(expected[r])) << "row " << r;
    h.ComputeStatistics(true);
    auto firstPointOnRow = [&hits](std::uint32_t row) {
        for (int p = 1000; p <= 3000; ++p)
            if (hits.count({p, static_cast<int>(row)})) return p;
        return -1;
    };
    EXPECT_EQ(h.FindMaxPosition(), firstPointOnRow(h.FirstBin())) << "the topmost row";
    EXPECT_EQ(h.FindMinPosition(), firstPointOnRow(h.LastBin()));
    EXPECT_EQ(h.LastBin(), 900u);

    // Exponential mode, weight 8: 40 hits on row 100 and 1 on row 200 scale by 0.2.
    h.Clear();
    h.SetScale(4096, 0.125, 0, 1e-12, 0);
    h.SetWindow(0, 1022, 2, 4000);
    h.SetExpWeight(8);
    auto add = [&h](int row, int n) {
        for (int i = 0; i < n; ++i) h.AddSample(5, ValueOfRow(row));
    };
    add(100, 40);
    add(200, 1);
    h.ComputeStatistics(true);
    EXPECT_EQ(h.WindowBin(100), 8u);
    EXPECT_EQ(h.WindowBin(200), 1u) << "0.2 shows 1";
    add(100, 32);  // 40 again: 0.2 becomes 0.04, which still shows 1
    h.ComputeStatistics(true);
    EXPECT_EQ(h.WindowBin(200), 1u);
    add(100, 32);  // 0.008 shows 0
    h.ComputeStatistics(true);
    EXPECT_EQ(h.WindowBin(100), 8u);
    EXPECT_EQ(h.WindowBin(200), 0u);
    EXPECT_NEAR(h.ExpBin(200), 0.008, 1e-12);
}

namespace {

// 1,024 points, each with the row the function gives.
void Map(TFullHist& h, int (*row)(int point)) {
    h.Clear();
    h.SetScale(1024, 0.125, 0, 1e-12, 0);
    for (int p = 0; p < 1024; ++p) h.AddSample(static_cast<std::uint16_t>(p), ValueOfRow(row(p)));
}

}  // namespace

// Level statistics of hand-built maps: an even two-level signal, one whose low level is rare, and a
// single level; then the comparison autoscale uses to see whether two windows show the same signal.
TEST(HistogramObjects, LevelStatisticsFindTheLevelsTheBandAndTheRareLevel) {
    TFullHist h;
    THistParams even;
    Map(h, [](int p) { return (p % 2 == 0 ? 312 : 712) + (p / 2) % 3 - 1; });  // positions 711..713, 311..313
    even.ComputeWhole(h);
    EXPECT_EQ(even.N, 1024u);
    ASSERT_TRUE(even.TwoLevels);
    EXPECT_TRUE(even.P1 >= 711 && even.P1 <= 713 && even.P2 >= 311 && even.P2 <= 313) << even.P1 << " " << even.P2;
    EXPECT_NEAR(even.Mu, 712, 0.01);
    EXPECT_NEAR(even.Ml, 312, 0.01);
    EXPECT_EQ(std::make_pair(even.Nu, even.Nl), std::make_pair(std::uint64_t{512}, std::uint64_t{512}));
    EXPECT_EQ(std::make_pair(even.Bl, even.Bu), std::make_pair(315, 709)) << "4 sigma inside each level";
    EXPECT_EQ(even.BandShare, 0);
    EXPECT_FALSE(even.FewLow || even.FewHigh);
    EXPECT_EQ(even.LevelRow, 513);
    EXPECT_DOUBLE_EQ(even.LevelShare, 50);

    THistParams rareLow;
    Map(h, [](int p) { return p % 10 == 0 ? 712 : 312; });
    rareLow.ComputeWhole(h);
    ASSERT_TRUE(rareLow.TwoLevels);
    EXPECT_TRUE(rareLow.FewLow);
    EXPECT_FALSE(rareLow.FewHigh);
    EXPECT_EQ(std::make_pair(rareLow.LevelFrom(), rareLow.LevelTo()), std::make_pair(1, 512));
    EXPECT_NEAR(rareLow.LevelShare, 100.0 * 103 / 1024, 1e-9);
    THistParams rareHigh;
    Map(h, [](int p) { return p % 10 == 0 ? 312 : 712; });
    rareHigh.ComputeWhole(h);
    ASSERT_TRUE(rareHigh.TwoLevels);
    EXPECT_TRUE(rareHigh.FewHigh && !rareHigh.FewLow);
    EXPECT_EQ(std::make_pair(rareHigh.LevelFrom(), rareHigh.LevelTo()), std::make_pair(512, 1023));
    EXPECT_NEAR(rareHigh.LevelShare, 100.0 * 103 / 1024, 1e-9);

    THistParams one;
    Map(h, [](int p) { return 510 + p % 5; });
    one.ComputeWhole(h);
    EXPECT_FALSE(one.TwoLevels);
    EXPECT_EQ(one.UpperTail + one.LowerTail, 0);
    EXPECT_EQ(one.LevelRow, 513) << "M + S: 512 + 1.41";
    EXPECT_EQ(std::make_pair(one.Lowest, one.Highest), std::make_pair(510, 514));

    EXPECT_FALSE(Differs(even, even));
    THistParams flat = even;
    flat.S = 0;
    EXPECT_TRUE(Differs(flat, even));
    THistParams wider = even;
    wider.S = even.S * 1.6;
    EXPECT_TRUE(Differs(even, wider));
    EXPECT_TRUE(Differs(even, one));
}

// A record folded at once counts exactly as its points added one by one: ties of rounding, values off
// the screen, the window and the active bins alike.
TEST(HistogramObjects, ARecordFoldedAtOnceCountsAsItsPointsOneByOne) {
    TSignalObj record;
    record.SetLength(4096);
    record.SetVertScale(0.125);  // 1024 rows a volt
    for (int i = 0; i < 4096; ++i) record.SetPoint(i, ((i * 37) % 1100 - 550) / 1024.0 + (i % 3 == 0 ? 0.5 / 1024 : 0));
    record.SetPoint(7, 5.0);
    record.SetPoint(8, -1e300);
    record.SetPoint(9, std::numeric_limits<double>::quiet_NaN());
    record.SetPoint(4095, 511.5 / 1024);  // row 0, the map's first cell of the last point
    auto folded = std::make_unique<TFullHist>(), single = std::make_unique<TFullHist>();
    const auto same = [&] {
        EXPECT_EQ(folded->PointsAdded(), single->PointsAdded());
        for (int i = 0; i < 4096; ++i) {
            ASSERT_EQ(folded->Bin(i), single->Bin(i)) << i;
            ASSERT_EQ(folded->WindowBin(i), single->WindowBin(i)) << i;
            ASSERT_EQ(folded->ExpBin(i), single->ExpBin(i)) << i;
        }
    };
    for (TFullHist* h : {folded.get(), single.get()}) {
        h->SetScale(4096, 0.125, 0, 0, 0);
        h->Setup(false, 100, 300, 3000, 700);
        h->SetActive(true);
    }
    AddSignalToHist(*folded, record);
    for (int i = 0; i < 4096; ++i) single->AddSample(static_cast<std::uint16_t>(i), record.GetPoint(i));
    same();
    EXPECT_EQ(folded->Hits(4095, 0), 1u);
    for (int p = 0; p < 4096; p += 17)
        for (int r = 0; r < 1024; ++r) ASSERT_EQ(folded->Hits(p, r), single->Hits(p, r)) << p << " " << r;
    // The bins rebuilt from the map find every block the record hit; then the decaying window and
    // the vertical bins, folded again.
    for (TFullHist* h : {folded.get(), single.get()}) h->SetVertical(true);
    same();
    for (TFullHist* h : {folded.get(), single.get()}) h->SetExpWeight(5);
    AddSignalToHist(*folded, record);
    for (int i = 0; i < 4096; ++i) single->AddSample(static_cast<std::uint16_t>(i), record.GetPoint(i));
    same();
}

// A record whose length is no multiple of four, its points on the map's edge rows, just past them, on
// ties at the edges and far beyond the integer range: folded at once it counts as point by point, in
// every bin set and in every cell of the map.
TEST(HistogramObjects, AShortRecordFoldsItsEdgeRowsAsPointByPoint) {
    constexpr int Length = 1003;
    const double inf = std::numeric_limits<double>::infinity();
    // In rows: 0 and 1023, -1 and 1024 (off), ties rounding onto row 0 (on) and 1024 (off), row 1022
    // from a tie, and values whose row no 32-bit integer holds.
    const std::vector<double> edges = {ValueOfRow(0),         ValueOfRow(1023),      ValueOfRow(-1),
                                       ValueOfRow(1024),      511.5 / 1024,          512.5 / 1024,
                                       -511.5 / 1024,         -510.5 / 1024,         513.5 / 1024,
                                       2147483648.0 / 1024,   -2147483648.0 / 1024,  -2147483649.0 / 1024,
                                       3e9,                   -inf,                  inf,
                                       std::numeric_limits<double>::quiet_NaN()};
    TSignalObj record;
    record.SetLength(Length);
    record.SetVertScale(0.125);
    for (int i = 0; i < Length; ++i) record.SetPoint(i, i % 5 == 0 ? ValueOfRow(300 + i % 400) : edges[i % edges.size()]);
    // The last three points, past the last whole group of four, take the edges too.
    for (int i = 0; i < 3; ++i) record.SetPoint(Length - 3 + i, edges[static_cast<std::size_t>(i) * 5]);

    auto folded = std::make_unique<TFullHist>(), single = std::make_unique<TFullHist>();
    const auto fold = [&] {
        AddSignalToHist(*folded, record);
        single->SetScale(Length, 0.125, 0, 0, 0);
        for (int i = 0; i < Length; ++i) single->AddSample(static_cast<std::uint16_t>(i), record.GetPoint(i));
    };
    const auto same = [&](const char* what) {
        SCOPED_TRACE(what);
        ASSERT_EQ(folded->PointsAdded(), single->PointsAdded());
        for (int i = 0; i < 4096; ++i) {
            ASSERT_EQ(folded->Bin(i), single->Bin(i)) << i;
            ASSERT_EQ(folded->WindowBin(i), single->WindowBin(i)) << i;
            ASSERT_EQ(folded->ExpBin(i), single->ExpBin(i)) << i;
        }
        for (int p = 0; p < Length; ++p)
            for (int r = 0; r < 1024; ++r) ASSERT_EQ(folded->Hits(p, r), single->Hits(p, r)) << p << " " << r;
    };
    for (TFullHist* h : {folded.get(), single.get()}) {
        h->SetScale(Length, 0.125, 0, 0, 0);
        h->Setup(false, 0, 1, 4000, 1023);  // the window: rows 2 to 1022, points 0 to 980
        h->SetActive(true);
    }
    fold();
    same("horizontal");
    // Points 0 (row 300), 1 (row 1023), 3 (row 1024: off), 4 (a tie onto row 0), and the first of
    // the last three (row 0).
    EXPECT_EQ(folded->Hits(0, 300), 1u);
    EXPECT_EQ(folded->Hits(1, 1023), 1u);
    EXPECT_EQ(folded->Hits(3, 0) + folded->Hits(3, 1023), 0u);
    EXPECT_EQ(folded->Hits(4, 0), 1u);
    EXPECT_EQ(folded->Hits(Length - 3, 0), 1u);

    for (TFullHist* h : {folded.get(), single.get()}) h->SetVertical(true);
    fold();
    same("vertical");
    for (TFullHist* h : {folded.get(), single.get()}) h->SetExpWeight(3);
    fold();
    same("vertical, decaying");
    // 16 edge values a cycle, every fifth point on the screen anyway: on the screen are the points on
    // rows 0, 1023, the two ties onto row 0, the tie onto 1022, and the fifths.
    std::int64_t onScreen = 0;
    for (int i = 0; i < Length; ++i) {
        const double v = record.GetPoint(i);
        for (int r : {0, 1023, 1022})
            if (v == ValueOfRow(r) || (r == 0 && (v == 511.5 / 1024 || v == 512.5 / 1024)) || (r == 1022 && v == -510.5 / 1024))
                ++onScreen;
        if (i % 5 == 0 && i < Length - 3) ++onScreen;
    }
    EXPECT_EQ(folded->PointsAdded(), 3 * onScreen);
}
