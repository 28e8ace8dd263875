// Edge jitter over many acquisitions in the shared hit map: each waveform steps from -1 V to +1 V
// through one point at 0 V, which alone lies in the band around the middle threshold (0.01171875 V,
// row 513.5), so the band's hits are exactly the known edge points.
#include <gtest/gtest.h>

#include <cmath>

#include "MeasTestSupport.h"
#include "core/Numeric.h"

using namespace vt;
using namespace vt::test;

namespace {

constexpr double Dt = 1e-11;

std::vector<double> Step(int edge, double low = -1) {
    return Points(512, [edge, low](int i) { return i < edge ? low : i == edge ? 0.0 : 1.0; });
}

}  // namespace

TEST(EdgeJitter, AccumulatesFiftyWaveformsThenReadsTheBand) {
    TMeasRig rig;
    TParameterOfMeas pp = Param(mgX, xkPosJitterPp, ssCh1), rms = Param(mgX, xkPosJitterRMS, ssCh1);
    rig.Calc->ResetJitterColumnRanges();
    int lastLeft = 4096, lastRight = -1;
    std::vector<int> edges;
    for (int w = 0; w < 60; ++w) {
        const int edge = 248 + w % 5;
        edges.push_back(edge);
        rig.SetRecord(ssCh1, Step(edge), Dt);
        rig.Calc->UpdateSignalMeasurements(ssCh1, 1);
        rig.Calc->RaiseJitterRestart();
        const double p = rig.Calc->CalcMeasurement(pp);
        const double r = rig.Calc->CalcMeasurement(rms);
        if (w < 49) {
            ASSERT_TRUE(IsUndefinedValue(p)) << w;
            ASSERT_TRUE(IsUndefinedValue(r)) << w;
            continue;
        }
        if (w == 49) {
            // The first reading measures around its own edge, 252 +- 2: the hits at 250, 251, 252.
            EXPECT_NEAR(p, 2 * Dt, 1e-24);
            EXPECT_NEAR(r, std::sqrt(2.0 / 3) * Dt, 1e-22);
            continue;
        }
        // Then every edge point lies in the range: peak to peak from the first to the last edge point,
        // RMS the population sigma of the edge points.
        EXPECT_NEAR(p, (252 - 248) * Dt, 1e-24) << w;
        double mean = 0, sq = 0;
        for (int e : edges) mean += e;
        mean /= static_cast<double>(edges.size());
        for (int e : edges) sq += (e - mean) * (e - mean);
        EXPECT_NEAR(r, std::sqrt(sq / static_cast<double>(edges.size())) * Dt, 1e-22) << w;
        // The measured range only widens.
        const auto range = rig.Calc->Jitter().Range(true);
        EXPECT_LE(range.Left, lastLeft);
        EXPECT_GE(range.Right, lastRight);
        lastLeft = range.Left, lastRight = range.Right;
    }
    // Rise 1.6 points gives a half-width of 2; after the first reading the half-width is the spread, 4.
    EXPECT_EQ(lastLeft, 248 - 4);
    EXPECT_EQ(lastRight, 252 + 4);
    EXPECT_EQ(rig.Calc->Jitter().HalfWidth(), 4);
    rig.Calc->ResetJitterColumnRanges();
    EXPECT_GT(rig.Calc->Jitter().Range(true).Left, rig.Calc->Jitter().Range(true).Right);
}

TEST(EdgeJitter, MiddleRowNearTheBottomKeepsTheBandOnTheScreen) {
    TMeasRig rig;
    TMeasSourceSettings& s = rig.SourceSettings(ssCh1);
    s.Thresh = 2;  // Custom, in divisions: rows
    s.Unit = 2;
    s.UpThresh = 20;
    s.MidThresh = 2;
    s.LowThresh = 1;
    TParameterOfMeas pp = Param(mgX, xkPosJitterPp, ssCh1);
    for (int w = 0; w < 50; ++w) {
        rig.SetRecord(ssCh1, Step(250, -4.1), Dt);  // the low level lies below the screen
        rig.Calc->UpdateSignalMeasurements(ssCh1, 1);
        rig.Calc->RaiseJitterRestart();
        rig.Calc->CalcMeasurement(pp);
    }
    // Row 2 is raised to 5: the band covers rows 1..9 from the bottom (hit-map rows 1015..1023).
    EXPECT_EQ(rig.Shell.FullHist()->WindowTopRow(), 1024 - 9);
    EXPECT_EQ(rig.Shell.FullHist()->WindowBottomRow(), 1024 - 1);
    EXPECT_FALSE(rig.Shell.FullHist()->Vertical());
}
