#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <utility>

#include "LayerTestKit.h"
#include "display/PersistenceLayers.h"

using namespace vt;

namespace {

constexpr TColor Back{0x101010};

// The layer reading the clock here.
template <class TLayer>
struct TRig : vt::test::TLayerOnScreen<TLayer> {
    explicit TRig(TColor colour) : vt::test::TLayerOnScreen<TLayer>(colour) {
        this->L.SetClockSource(&this->Clock);
        this->L.SetScales(4096, 1, 0);
    }
};

}  // namespace

TEST(PersistenceLayers, LeftCellsStayInTheOldColourUntilTheyExpireAndRevisitsStartAgain) {
    TRig<TPersistSignalLayer> r(TColor(0xFF00FF00));
    TPersistSignalLayer& l = r.L;
    EXPECT_EQ(l.OldColor(), TColor(0xFF00B600));
    l.SetPersistTime(1000000);
    EXPECT_EQ(l.PersistTime(), 16000000u) << "capped at 160000 s";
    l.SetPersistTime(2);
    // A cell left at clock 0 is still a remembered cell, which the erase clears.
    l.PutPoint(50, 0.9);
    const int y0 = l.PointRow(50);
    const int x0 = l.PointColumn(50);
    l.PutPoint(50, 0.8);
    EXPECT_EQ(r.T.Pixel(x0, y0), TColor(0x00B600));
    l.Erase();
    EXPECT_EQ(r.T.Pixel(x0, y0), Back);
    r.Clock = 1000;
    l.PutPoint(0, 0.5);
    const int a = l.PointRow(0);
    l.PutPoint(0, -0.5);
    l.PutPoint(100, 0.3);
    const int b = l.PointRow(100);
    const int xb = l.PointColumn(100);
    l.PutPoint(100, -0.3);
    EXPECT_EQ(r.T.Pixel(1, a), TColor(0x00B600));
    r.Clock = 1100;
    l.PutPoint(100, 0.3);  // back on its cell: no longer ageing
    EXPECT_EQ(r.T.Pixel(xb, b), TColor(0x00FF00));
    r.Clock = 1150;
    l.PutPoint(100, -0.3);
    r.Clock = 1200;
    l.AgeCells(false);
    EXPECT_EQ(r.T.Pixel(1, a), TColor(0x00B600)) << "stamp 1000 is not below 1000";
    r.Clock = 1201;
    l.AgeCells(false);
    EXPECT_EQ(r.T.Pixel(1, a), Back);
    EXPECT_EQ(r.T.Pixel(xb, b), TColor(0x00B600)) << "left again at 1150";
    // A colour change recolours the remembered cells.
    l.SetLayerColorAndOpacity(TColor(0xFF0000FF));
    EXPECT_EQ(r.T.Pixel(xb, b), TColor(0x0000B6));
    r.Clock = 1351;
    l.AgeCells(false);
    EXPECT_EQ(r.T.Pixel(xb, b), Back);
    EXPECT_EQ(l.MarkedCount(), 0);
}

// Points moving at chosen times under ticks, persistence times that change and clock jumps far past
// the persistence time: after each tick the remembered cells are exactly those a point left (and has
// not come back to) whose stamp is not below the clock less the persistence time.
TEST(PersistenceLayers, TicksExpireExactlyTheCellsLeftLongerAgoThanThePersistenceTime) {
    TRig<TPersistSignalLayer> r(TColor(0xFF00FF00));
    TPersistSignalLayer& l = r.L;
    std::mt19937 rng(7);
    constexpr int Points = 10;
    std::map<std::pair<int, int>, std::uint32_t> left;  // cell -> clock it was left at (at least 1)
    std::array<std::pair<int, int>, Points> at{};
    std::array<bool, Points> placed{};
    double seconds = 0.3;
    l.SetPersistTime(seconds);
    for (int step = 0; step < 1500; ++step) {
        if (step % 300 == 150) {
            seconds = std::array{0.02, 12.0, 40.0, 2.0, 0.0}[static_cast<std::size_t>(step / 300)];
            l.SetPersistTime(seconds);
        }
        const std::uint32_t persist = static_cast<std::uint32_t>(std::lround(seconds * 100));
        r.Clock += step % 97 == 40 ? 6000 : std::uniform_int_distribution<std::uint32_t>(0, 30)(rng);
        const int p = std::uniform_int_distribution<int>(0, Points - 1)(rng);
        const int index = 400 * p + 7;
        l.PutPoint(index, std::uniform_int_distribution<int>(-6, 6)(rng) * 0.13);
        const std::pair<int, int> cell{l.PointColumn(index), l.PointRow(index)};
        if (placed[static_cast<std::size_t>(p)] && at[static_cast<std::size_t>(p)] != cell)
            left[at[static_cast<std::size_t>(p)]] = std::max<std::uint32_t>(r.Clock, 1);
        left.erase(cell);
        at[static_cast<std::size_t>(p)] = cell;
        placed[static_cast<std::size_t>(p)] = true;
        if (step % 3 == 0) continue;
        l.AgeCells(false);
        if (r.Clock > persist)
            std::erase_if(left, [&](const auto& e) { return e.second < r.Clock - persist; });
        ASSERT_EQ(l.MarkedCount(), static_cast<int>(left.size())) << "step " << step;
        for (const auto& [xy, stamp] : left) {
            ASSERT_TRUE(l.Marked(xy.first, xy.second)) << "step " << step << " left at " << stamp;
            ASSERT_EQ(r.T.Pixel(xy.first, xy.second), TColor(0x00B600)) << "step " << step;
        }
    }
    // Expiring all clears every remembered cell whatever its age.
    l.AgeCells(true);
    EXPECT_EQ(l.MarkedCount(), 0);
}

TEST(ColorGradeLayers, LimitsLevelsEdgesColoursAndRefresh) {
    TRig<TColorGrSignalLayer> r(TColor(0xFFFFFFFF));
    TColorGrSignalLayer& l = r.L;
    EXPECT_EQ(l.FewestPointsPerColumn(), 7) << "4096 points on 550 columns";
    const std::array<std::pair<std::uint32_t, std::array<std::uint32_t, 5>>, 6> table = {
        {{1, {0, 0, 0, 0, 1}}, {3, {0, 0, 1, 2, 3}}, {6, {1, 2, 3, 4, 6}}, {10, {1, 2, 3, 6, 10}},
         {16, {1, 2, 4, 8, 16}}, {100, {6, 12, 25, 50, 100}}}};
    for (const auto& [n, limits] : table) {
        l.SetLimits(n);
        for (int k = 1; k <= 5; ++k) EXPECT_EQ(l.Limit(k), limits[static_cast<std::size_t>(k - 1)]) << n << " k " << k;
    }
    l.SetLimits(16);
    for (const auto& [n, level] : {std::pair{0u, 1}, {3u, 3}, {8u, 4}, {9u, 5}}) EXPECT_EQ(l.GradeLevel(0, n).first, level);
    EXPECT_EQ(l.GradeLevel(5, 2), std::make_pair(2, true)) << "steps down";
    l.Erase();
    // Single hits in a column of the fewest points (normalised count 1): every left cell shows grade
    // 5. The two top and bottom rows are never counted.
    int j = 0;
    while (l.PointsPerColumn(l.PointColumn(j)) != 7) ++j;
    const int x = l.PointColumn(j);
    l.SetGradeColor(5, TColor(0x00AE00));
    l.PutPoint(j, 0.5);
    const int row = l.PointRow(j);
    l.PutPoint(j, -0.5);
    EXPECT_EQ(l.Limit(5), 1u);
    EXPECT_EQ(l.Level(x, row), 5);
    EXPECT_EQ(r.T.Pixel(x, row), TColor(0x00AE00));
    l.PutPoint(1, 1e9);
    EXPECT_EQ(l.PointRow(1), 1);
    EXPECT_EQ(l.Hits(1, 1), 0u);
    l.PutPoint(1, 0);
    EXPECT_FALSE(l.Marked(1, 1));
    EXPECT_EQ(r.T.Pixel(1, 1), Back);
    // Refresh 20 s: more than 20 s since the last restart, at the start of a sweep.
    l.SetRefreshTime(20);
    const auto sweepAt = [&](std::uint32_t clock) {
        r.Clock = clock;
        l.SetScales(4096, 1, 0);
        const bool restarted = l.Limit(5) == 0;
        l.PutPoint(j, 0.1);
        l.PutPoint(j, -0.1);
        return restarted;
    };
    EXPECT_FALSE(sweepAt(2000));
    EXPECT_TRUE(sweepAt(2001));
    EXPECT_FALSE(sweepAt(4001));
    EXPECT_TRUE(sweepAt(4002));
}

TEST(ColorGradeLayers, TheXYCountSaturatesAt32Bits) {
    TColorGrSignalLayer l("xy", true, 8, 300, 300);
    l.SetXYScales(1, 1, 1, 0, 1, 0);
    for (int k = 0; k < 160000; ++k) l.PutXYPoint(0, k % 2 ? 0.1 : -0.1, 0);
    const auto [x, y] = l.PointPosition(0);
    EXPECT_EQ(l.Hits(x, y), 80000u);
    EXPECT_EQ(l.Limit(5), 0xFFFFFFFFu);
}
