// The value of the time, amplitude and dual measurement kinds on records whose answers are derived by
// hand (1 V/div around 0, so top and base of a +-1 V record read 1.01171875 and -0.98828125 and the
// middle threshold 0.01171875).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "MeasTestSupport.h"
#include "core/Numeric.h"

using namespace vt;
using namespace vt::test;

namespace {

constexpr double Dt = 1e-11;

class MeasurementKinds : public ::testing::Test {
protected:
    void Prepare(int source, const std::vector<double>& values) {
        Rig.SetRecord(source, values, Dt);
        Rig.Calc->UpdateSignalMeasurements(source, 1);
    }
    double X(int kind, int source, int source2 = ssCh2) { return Rig.Measure(mgX, kind, source, source2); }
    double Y(int kind, int source) { return Rig.Measure(mgY, kind, source); }
    TMeasRig Rig;
};

double Ramp(int i) {
    if (i <= 100) return -1;
    if (i >= 108) return 1;
    return -1 + 0.25 * (i - 100);
}

}  // namespace

TEST_F(MeasurementKinds, RampEdgeAndAmplitudeKinds) {
    Prepare(ssCh1, Points(512, Ramp));
    // Window 0..500 (column 4000 of 512 points). Lower -0.78828125 between points 100 and 101,
    // upper 0.81171875 between 107 and 108: 100.846875 and 107.246875.
    EXPECT_NEAR(X(xkRise, ssCh1), 6.4e-11, 1e-24);
    // Middle between 104 (0 V) and 105 (0.25 V): 104.046875.
    EXPECT_NEAR(X(xkPosCross, ssCh1), 1.04046875e-9, 1e-22);
    EXPECT_NEAR(Y(ykMean, ssCh1), 292.0 / 501, 1e-15);  // 0.5828343313373253
    EXPECT_NEAR(Y(ykAcRMS, ssCh1), 0.8061172993419887, 1e-12);
    EXPECT_NEAR(Y(ykPosOver, ssCh1), -0.5859375, 1e-12);
    EXPECT_NEAR(Y(ykNegOver, ssCh1), 0.5859375, 1e-12);
    EXPECT_DOUBLE_EQ(Y(ykMax, ssCh1), 1.0);
    EXPECT_DOUBLE_EQ(Y(ykAmpl, ssCh1), 2.0);
    // One rising edge and no falling one: no complete pulse, no period.
    EXPECT_TRUE(IsUndefinedValue(X(xkPosWidth, ssCh1)));
    EXPECT_TRUE(IsUndefinedValue(X(xkPeriod, ssCh1)));
    EXPECT_TRUE(IsUndefinedValue(X(xkNegCross, ssCh1)));

    // Rise annotation: its two ends at the threshold crossings, labelled with the threshold texts.
    TParameterOfMeas rise = Param(mgX, xkRise, ssCh1);
    Rig.Calc->CalcMeasurement(rise);
    EXPECT_EQ(rise.Annotation[1].X, static_cast<int>(RoundHalfEven(100.846875 * 8)));
    EXPECT_EQ(rise.Annotation[2].X, static_cast<int>(RoundHalfEven(107.246875 * 8)));
    EXPECT_EQ(rise.Annotation[1].Text, "10%");
    EXPECT_EQ(rise.Annotation[2].Text, "90%");
}

TEST_F(MeasurementKinds, WholeCyclesCountsAndDelays) {
    // 48 points of 1 + sin(2 pi i / 10): whole cycles average exactly 1 V.
    Prepare(ssCh1B2, Points(48, [](int i) { return 1 + std::sin(2 * std::numbers::pi * i / 10); }));
    EXPECT_NEAR(Y(ykCycMean, ssCh1B2), 1.0, 1e-12);
    EXPECT_NEAR(Y(ykCycArea, ssCh1B2), 1e-10, 1e-22);  // 10 points x 1 V x dt per cycle
    // The first falling crossing (near 5) starts four whole cycles: the interval means of points 5..45.
    double sq = 0;
    for (int i = 5; i < 45; ++i) {
        const double m = (std::sin(2 * std::numbers::pi * i / 10) + std::sin(2 * std::numbers::pi * (i + 1) / 10)) / 2;
        sq += m * m;
    }
    EXPECT_NEAR(Y(ykCycAcRMS, ssCh1B2), std::sqrt(sq / 40), 1e-12);

    // 3.5 periods (rising at 5, 15, 25, 35): 3 whole periods of 10 points.
    Prepare(ssCh1B2, Points(45, [](int i) { return (i / 5) % 2 ? 1.0 : -1.0; }));
    EXPECT_EQ(X(xkCycles, ssCh1B2), 3);
    EXPECT_NEAR(X(xkPeriod, ssCh1B2), 10 * Dt, 1e-24);
    // Rising crossings at i - 0.494140625, falling ones at i - 0.505859375: pulses 4.98828125 points.
    EXPECT_NEAR(X(xkPosDuty, ssCh1B2), 49.8828125, 1e-9);
    EXPECT_NEAR(X(xkPosWidth, ssCh1B2), 4.98828125 * Dt, 1e-24);
    EXPECT_NEAR(X(xkNegWidth, ssCh1B2), 5.01171875 * Dt, 1e-24);
    // From the first rising crossing (4.505859375) to the later of the last edges (falling, 39.494140625).
    EXPECT_NEAR(X(xkBurstWidth, ssCh1B2), 34.98828125 * Dt, 1e-24);
    EXPECT_NEAR(X(xkTimeOfMax, ssCh1B2), 5 * Dt, 1e-24);
    // The same square two points later: 2 of 10 points, 72 degrees.
    Prepare(ssM1, Points(45, [](int i) { return i >= 2 && ((i - 2) / 5) % 2 ? 1.0 : -1.0; }));
    EXPECT_NEAR(Rig.Measure(mgXDual, xdPhaseDeg, ssCh1B2, ssM1), 72, 1e-9);
    EXPECT_NEAR(Rig.Measure(mgXDual, xdPhasePerc, ssCh1B2, ssM1), 20, 1e-9);

    // Delays from the ramp's rising middle crossing (104.046875) to Ch2's steps up at 150 and 350
    // (crossings at i - 0.494140625): Del1R1R takes the first, Del1RnR the last.
    Prepare(ssCh1, Points(512, Ramp));
    Prepare(ssCh2, Points(512, [](int i) { return (i >= 150 && i < 250) || (i >= 350 && i < 450) ? 1.0 : -1.0; }));
    EXPECT_NEAR(Rig.Measure(mgXDual, 0, ssCh1, ssCh2), (149.505859375 - 104.046875) * Dt, 1e-22);
    EXPECT_NEAR(Rig.Measure(mgXDual, 4, ssCh1, ssCh2), (349.505859375 - 104.046875) * Dt, 1e-22);
    EXPECT_DOUBLE_EQ(Rig.Measure(mgYDual, ydGain, ssCh1, ssCh2), 1.0);
    // The second source off: undefined, not the stale state it kept.
    Rig.Shell.Records()->SignalsOn().SetOn(ssCh2, false);
    EXPECT_TRUE(IsUndefinedValue(Rig.Measure(mgYDual, ydGain, ssCh1, ssCh2)));
    EXPECT_TRUE(IsUndefinedValue(Rig.Measure(mgXDual, 0, ssCh1, ssCh2)));

    // A flat window: top equals base.
    Prepare(ssCh2B2, Points(512, [](int) { return 0.5; }));
    EXPECT_TRUE(IsUndefinedValue(Y(ykPosOver, ssCh2B2)));
    EXPECT_TRUE(IsUndefinedValue(Y(ykNegOver, ssCh2B2)));
    EXPECT_TRUE(IsUndefinedValue(Rig.Measure(mgYDual, ydGain, ssCh2B2, ssCh1)));
}
