// The arithmetic of the TDR/TDT normalization on synthetic records, each result against a value
// worked out by hand or a direct formula: the unit conversions, the level and edge searches, the
// set-up's placement of the edge, the load check and the normalized reference itself.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "acq/SignalObj.h"
#include "acq/TdrUnits.h"
#include "core/InternalError.h"
#include "core/Shell.h"
#include "serial/TdrNormalization.h"
#include "serial/TdrSettings.h"

namespace vt {
namespace {

void Fill(TSignalObj& r, int n, double interval, const std::function<double(int)>& y) {
    r.SetLength(n);
    r.SetSampleInterval(interval);
    r.SetOrigin(0);
    for (int i = 0; i < n; ++i) r.Data1()[i] = y(i);
}

double Phi(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

TEST(TdrNormalizationMath, UnitsLevelsAndEdgesMatchTheHandValues) {
    // The clamp's inverse: 1e6 ohm and anything above read the same rho.
    EXPECT_DOUBLE_EQ(OhmToRho(50), 0);
    EXPECT_NEAR(OhmToRho(1e6), 0.999900005, 1e-9);
    EXPECT_DOUBLE_EQ(OhmToRho(2e6), OhmToRho(1e6));
    EXPECT_NEAR(RhoToOhm(OhmToRho(75)), 75, 1e-9);

    TSignalObj r;
    Fill(r, 1024, 1e-12, [](int i) { return i; });
    // Points 800 .. 1000 of 1024 lie between divisions 8 and 10.
    EXPECT_DOUBLE_EQ(TdrMeanOverDivisions(r, 2, 8), 900);
    try {
        TdrMeanOverDivisions(r, 2, 8.02);
        ADD_FAILURE() << "no assertion";
    } catch (const EInternalError& e) {
        EXPECT_EQ(e.Unit(), "_SHELL\\SRC\\TDR_Normalization");
    }

    double start = 0, end = 0, edge = 0;
    Fill(r, 1000, 1e-12, [](int i) { return std::clamp((i - 200) / 100.0, 0.0, 1.0); });
    ASSERT_TRUE(FindStepLevelsAndEdge(r, start, end, &edge));
    EXPECT_DOUBLE_EQ(start, 0);
    EXPECT_DOUBLE_EQ(end, 1);
    EXPECT_DOUBLE_EQ(edge, 250);
    // No point near the middle: the first one past it, half a point back.
    Fill(r, 1000, 1e-12, [](int i) { return i < 400 ? 0.0 : 1.0; });
    ASSERT_TRUE(FindStepLevelsAndEdge(r, start, end, &edge));
    EXPECT_DOUBLE_EQ(edge, 399.5);
    Fill(r, 1000, 1e-12, [](int) { return 0.3; });
    EXPECT_FALSE(FindStepLevelsAndEdge(r, start, end, &edge));

    Fill(r, 200, 1e-12, [](int) { return 0.0; });
    BuildIdealStep(r, 10, 101, 0, 1);
    EXPECT_NEAR(r.Data1()[110], 0.994766, 1e-6);
    EXPECT_NEAR(r.Data1()[110], Phi(2.56), 1e-12);
}

TEST(TdrNormalizationMath, TheSetUpFindsTheIncidentStepOfEitherPolarity) {
    // The demo's short: 0.233 V incident, 0.128 V once the short's reflection is back; 5 ps a point.
    const auto shortLine = [](double sign) {
        return [sign](int i) { return sign * (i < 400 ? 0.0 : i < 1000 ? 0.233 : 0.128); };
    };
    TSignalObj r;
    Fill(r, 2048, 5e-12, shortLine(1));
    EXPECT_EQ(FindFirstEdge(r, false, false), 999);
    // An inverted step is turned over point by point, so it finds the same place.
    Fill(r, 2048, 5e-12, shortLine(-1));
    EXPECT_EQ(FindFirstEdge(r, true, false), 999);
    EXPECT_EQ(FindFirstEdge(r, false, false), -3);
    // A glitch shorter than 2 ns (400 points) in the plateau does not count.
    Fill(r, 2048, 5e-12, [](int i) { return i < 400 ? 0.0 : i < 1000 ? (i > 420 && i < 440 ? 0.0 : 0.233) : 0.128; });
    EXPECT_EQ(FindFirstEdge(r, false, false), 999);
    // An open: the plateau is below 1.5 x the end level, the search meets the low level first.
    Fill(r, 2048, 5e-12, [](int i) { return i < 400 ? 0.0 : i < 1000 ? 0.233 : 0.338; });
    EXPECT_EQ(FindFirstEdge(r, false, false), -4);
    // The step before the record: the short's level throughout, as early as an edge comes.
    Fill(r, 2048, 5e-12, [](int) { return 0.128; });
    EXPECT_EQ(FindFirstEdge(r, false, false), 0);
    Fill(r, 2048, 5e-12, [](int) { return 0.01; });
    EXPECT_EQ(FindFirstEdge(r, false, false), -2);
    Fill(r, 2048, 5e-12, [](int i) { return i < 1600 ? 0.0 : -0.3; });
    EXPECT_EQ(FindFirstEdge(r, false, false), -3);
    Fill(r, 2048, 5e-12, [](int) { return 0.3; });
    EXPECT_EQ(FindFirstEdge(r, false, true), -1);

    Fill(r, 1000, 1e-12, [](int i) { return i < 300 ? -0.02 : -0.42; });
    EXPECT_EQ(FindTdtEdge(r, true), 299);
    EXPECT_EQ(FindTdtEdge(r, false), -3);

    // User timebase 1e-8, edge at 5e-8: d = 3e-8, (d + 5e-10) / 10 + 1e-8 = 1.305e-8 rounds to 1e-8,
    // below it, so twice the sum: 2e-8; the delay is 3e-8 / 2e-8.
    double timebaseA = 0, delay = 0;
    PlaceEdge(5e-8, 1e-8, 1e-8, timebaseA, delay);
    EXPECT_DOUBLE_EQ(timebaseA, 2e-8);
    EXPECT_DOUBLE_EQ(delay, 1.5);

    // The load against a short of 0.2 V: strictly between 0.3 and 0.5.
    for (const auto& [load, passes] : {std::pair{0.35, true}, std::pair{0.3, false}, std::pair{0.5, false}}) {
        Fill(r, 1000, 1e-12, [load](int) { return load; });
        EXPECT_EQ(CheckLoadLevel(r, false, 0.2), passes) << load;
        // Inverted: both levels below zero compare the same way.
        Fill(r, 1000, 1e-12, [load](int) { return -load; });
        EXPECT_EQ(CheckLoadLevel(r, true, -0.2), passes) << load;
    }
}

TEST(TdrNormalizationMath, TheReferenceNormalizedIsTheIdealStepAndOtherRecordsAreRefused) {
    TShell shell;
    TTdrSettings settings(shell);
    TTdrNormalization normalization(shell, settings);
    // A slow, rounded falling step of 1024 points, 10 ps apart; the rise wanted is 5e-11 s = 5 points.
    constexpr int N = 1024;
    constexpr double Interval = 1e-11;
    TSignalObj step;
    Fill(step, N, Interval, [](int i) { return 0.233 - 0.105 * 0.5 * (1 + std::tanh((i - 300) / 25.0)); });
    ASSERT_TRUE(normalization.StoreReference(TdrChannel1, step, true, false));
    const auto& ref = normalization.Reference(TdrChannel1);
    TSignalObj out;
    ASSERT_TRUE(normalization.ComputeTdrNormalizedSignal(TdrChannel1, step, out));
    ASSERT_EQ(out.Length(), N);
    double worst = 0;
    for (int i = 0; i < N; ++i) {
        const double ideal = ref.StartLevel - Phi((i - (ref.Edge - 1)) / 5.0 * 2.56) * (ref.StartLevel - ref.EndLevel);
        worst = std::max(worst, std::abs(out.Data1()[i] - ideal));
    }
    EXPECT_LT(worst, 1e-6 * 0.105);
    EXPECT_NEAR(ref.Edge, 300, 1);

    // The same step on a distance axis: in TDT the signal passes once, at c (velocity factor 1 in a
    // fresh set-up), so 10 ps per point are 2.997925 mm (2.997925e-3 / 0.3048 ft, / 0.0254 in); the
    // rise wanted is still 5 points.
    for (const auto& [unit, perPoint] : {std::pair{"m", 2.997925e-3}, std::pair{"ft", 2.997925e-3 / 0.3048},
                                         std::pair{"in", 2.997925e-3 / 0.0254}}) {
        TSignalObj far;
        Fill(far, N, perPoint, [](int i) { return 0.233 - 0.105 * 0.5 * (1 + std::tanh((i - 300) / 25.0)); });
        far.SetHorUnit(unit);
        ASSERT_TRUE(normalization.StoreReference(TdrChannel2, far, true, false)) << unit;
        const auto& farRef = normalization.Reference(TdrChannel2);
        TSignalObj farOut;
        ASSERT_TRUE(normalization.ComputeTdrNormalizedSignal(TdrChannel2, far, farOut)) << unit;
        double farWorst = 0;
        for (int i = 0; i < N; ++i) {
            const double ideal =
                farRef.StartLevel - Phi((i - (farRef.Edge - 1)) / 5.0 * 2.56) * (farRef.StartLevel - farRef.EndLevel);
            farWorst = std::max(farWorst, std::abs(farOut.Data1()[i] - ideal));
        }
        EXPECT_LT(farWorst, 1e-6 * 0.105) << unit;
    }

    // Another length or interval than the reference's: no result.
    TSignalObj other;
    Fill(other, 512, Interval, [](int) { return 0.1; });
    EXPECT_FALSE(normalization.ComputeTdrNormalizedSignal(TdrChannel1, other, out));
    Fill(other, N, 2 * Interval, [](int) { return 0.1; });
    EXPECT_FALSE(normalization.ComputeTdrNormalizedSignal(TdrChannel1, other, out));
    // A record whose double length is no transform size gives no reference.
    Fill(other, 1000, Interval, [](int i) { return i < 500 ? 0.0 : 0.2; });
    EXPECT_FALSE(normalization.StoreReference(TdrChannel2, other, true, false));
}

}  // namespace
}  // namespace vt
