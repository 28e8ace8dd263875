#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "EyeTestSupport.h"
#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"
#include "core/Numeric.h"
#include "serial/EyeEngine.h"
#include "serial/EyeParameters.h"

using namespace vt;
using namespace vt::test;

namespace {

struct TEngineRig {
    TEngineRig() : Hist(std::make_unique<TFullHist>()), Engine(Hist.get()) {
        SetUpEyeRecord(Record);
        Engine.ClearAccumulation();
    }
    std::unique_ptr<TFullHist> Hist;
    TEyeEngine Engine;
    TSignalObj Record;
};

}  // namespace

// Known eyes through the real hit map: levels, spreads, crossings and edges found where they were
// written; the closed, flat and wrongly-topped eyes are not found.
TEST(EyeEngineSynthetic, NrzAndRzEyesOfKnownGeometry) {
    {
        TEngineRig rig;
        const EyeDrawParams full{0, 1023, 4000, 2, 1, 1023, 0, 4000};
        EXPECT_EQ(rig.Engine.DrawParams(), full);
        // Noise 5 mV (6.4 rows), no jitter: crossings at 1000 and 3000.
        TEyeWriter w({.Noise = 0.005});
        w.Write(rig.Record, *rig.Hist, 160);
        ASSERT_TRUE(rig.Engine.RunNrzEyeEngine());
        const EyeEngineState& s = rig.Engine.State();
        EXPECT_NEAR(s.OneLevelRow, 832, 0.5);
        EXPECT_NEAR(s.ZeroLevelRow, 192, 0.5);
        EXPECT_NEAR(s.OneSigmaRows, 6.4, 0.64);
        EXPECT_NEAR(s.ZeroSigmaRows, 6.4, 0.64);
        EXPECT_NEAR(s.Crossing[1].Mean, 1000, 1);
        EXPECT_NEAR(s.Crossing[2].Mean, 3000, 1);
        EXPECT_NEAR(s.CrossingLevelRow, 512, 1);
        EXPECT_EQ(s.SelectedCrossing, 1);
        EXPECT_NEAR(s.LeftBoundCol, 1800, 1);
        EXPECT_NEAR(s.RightBoundCol, 2200, 1);
        EXPECT_EQ(s.OneInnerRow, static_cast<int>(std::nearbyint(s.OneLevelRow - 3 * s.OneSigmaRows)) - 10);
        // Thresholds at 20 and 80 % of the levels, bounds over the crossings.
        const EyeDrawParams& d = rig.Engine.DrawParams();
        EXPECT_NEAR(d.WindowLeft, 1000, 1);
        EXPECT_NEAR(d.WindowRight, 3000, 1);
        EXPECT_NEAR(d.LowThreshold, 192 + 128, 1);
        EXPECT_NEAR(d.HighThreshold, 192 + 512, 1);
        rig.Engine.ClearAccumulation();
        EXPECT_EQ(rig.Engine.DrawParams(), full);
        EXPECT_EQ(rig.Engine.State().Crossing[1].Mean, 100);
    }
    {
        // The left crossing near the left edge, more room on the right: the right one is measured.
        TEngineRig rig;
        TEyeWriter w({.First = 300, .Noise = 0.003, .Jitter = 2});
        w.Write(rig.Record, *rig.Hist, 120);
        ASSERT_TRUE(rig.Engine.RunNrzEyeEngine());
        EXPECT_NEAR(rig.Engine.State().Crossing[1].Mean, 300, 1);
        EXPECT_NEAR(rig.Engine.State().Crossing[2].Mean, 2300, 1);
        EXPECT_EQ(rig.Engine.State().SelectedCrossing, 2);
    }
    {
        // RZ: pulses from 500 to 1500 every 2000 columns.
        TEngineRig rig;
        TEyeWriter w({.Rz = true, .First = 500, .Noise = 0.002});
        w.Write(rig.Record, *rig.Hist, 160);
        ASSERT_TRUE(rig.Engine.RunRzEyeEngine());
        const EyeEngineState& s = rig.Engine.State();
        EXPECT_NEAR(s.Edge[0].Mean, 500, 1);
        EXPECT_NEAR(s.Edge[1].Mean, 1500, 1);
        EXPECT_NEAR(s.Edge[2].Mean, 2500, 1);
        EXPECT_NEAR(s.OneLevelRow, 832, 0.5);
        EXPECT_NEAR(s.ZeroLevelRow, 192, 0.5);
        EXPECT_EQ(s.CrossingLevelRow, 512);
        EXPECT_EQ(s.FirstEdgeRising, 1);
        EXPECT_EQ(s.FallEdgeIndex, 1);
    }
    const auto notFound = [](TEyeShape shape, bool rz) {
        TEngineRig rig;
        TEyeWriter w(shape);
        w.Write(rig.Record, *rig.Hist, 80);
        return !(rz ? rig.Engine.RunRzEyeEngine() : rig.Engine.RunNrzEyeEngine());
    };
    EXPECT_TRUE(notFound({.One = 0.1, .Zero = 0.1, .Noise = 0.003}, false));                     // flat
    EXPECT_TRUE(notFound({.Noise = 0.09}, false));                                               // closed
    EXPECT_TRUE(notFound({.Rz = true, .First = 1500, .Period = 4000, .OneProbability = 1}, true));  // one top
    EXPECT_TRUE(notFound({.Rz = true, .First = 300, .Period = 1300, .Ramp = 100, .PulseWidth = 650, .OneProbability = 1},
                         true));  // three tops
}

// A window ending at the screen's right edge ends at column 4000 whatever the record's length: on a
// 512-point record (8 columns a point) the levels come from points 125..500 of the window, not from
// the left column alone. Even points are ones (0.3 V before point 200, 0.25 V after), odd ones zeros.
TEST(EyeEngineSynthetic, TheLevelWindowReachesTheRightEdgeOfAShortRecord) {
    TEngineRig rig;
    rig.Record.SetLength(512);
    for (int i = 0; i < 512; ++i) rig.Record.SetPoint(i, i % 2 == 1 ? -0.25 : i < 200 ? 0.3 : 0.25);
    AddSignalToHist(*rig.Hist, rig.Record);
    int p = 0, q = 0;
    ASSERT_TRUE(rig.Engine.FindEyeLevels(1000, 4000, false, p, q));
    // Even points 126..500: 37 at row 512 + 0.3 x 1280 = 896, 151 at 832; the zeros at row 192.
    const double n = 188, share = 37 / n;
    const EyeEngineState& s = rig.Engine.State();
    EXPECT_NEAR(s.OneLevelRow, (37 * 896 + 151 * 832) / n, 1e-9);
    EXPECT_NEAR(s.OneSigmaRows, 64 * std::sqrt(share * (1 - share)), 1e-9);
    EXPECT_EQ(s.OneTopRow, 896);
    EXPECT_EQ(s.OneBottomRow, 832);
    EXPECT_NEAR(s.ZeroLevelRow, 192, 1e-9);
    EXPECT_EQ(p, 845);
    EXPECT_EQ(q, 192);
}

// A screen of 2.7 bit periods holds three crossings, at 250, 1731.5 and 3213 (1481.5 columns of 1 ps a
// bit). Whichever two of them stand tallest, the eye is measured between neighbours: a bit time of
// 1481.5 ps (674.99 Mbit/s), and the opening between them 0.5 V less six noise deviations of 5 mV.
TEST(EyeEngineSynthetic, ThreeCrossingsOnTheScreenAreMeasuredBetweenNeighbours) {
    constexpr double period = 1481.5, first = 250;
    for (unsigned seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE(seed);
        TEngineRig rig;
        TEyeWriter w({.First = first, .Period = period, .Ramp = 300, .Noise = 0.005, .Jitter = 2}, seed);
        w.Write(rig.Record, *rig.Hist, 48);
        ASSERT_TRUE(rig.Engine.RunNrzEyeEngine());
        const EyeEngineState& s = rig.Engine.State();
        const double c1 = s.Crossing[1].Mean, c2 = s.Crossing[2].Mean;
        EXPECT_NEAR(c2 - c1, period, 1.5);
        EXPECT_TRUE(std::abs(c1 - first) <= 1.5 || std::abs(c1 - (first + period)) <= 1.5) << c1 << ", " << c2;
        TEyeParamInputs in;
        in.Record = &rig.Record;
        TParam rate(emNrz, eaX, 1), height(emNrz, eaY, 9);
        ComputeEyeParameter(rig.Engine, in, rate);
        ComputeEyeParameter(rig.Engine, in, height);
        EXPECT_NEAR(rate.Value, 1 / (period * 1e-12), 6.75e8 * 1e-3);
        EXPECT_NEAR(height.Value, 0.5 - 6 * 0.005, 0.004);
    }
}
