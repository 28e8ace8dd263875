// The TDR/TDT readings against values worked out by hand from synthetic records.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "acq/SignalObj.h"
#include "serial/TdrMeasurements.h"

namespace vt {
namespace {

// A record of raw volts shown in the given TDR unit: rho = (v - offset) / scale.
TSignalObj Record(const std::vector<double>& volts, int unit, double scale, double offset, double dt = 1e-11) {
    TSignalObj r;
    r.SetLength(static_cast<int>(volts.size()));
    r.SetSampleInterval(dt);
    r.SetHorUnit("s");
    r.SetTdrUnit(unit);
    r.SetTdrScale(scale);
    r.SetTdrOffset(offset);
    for (int i = 0; i < r.Length(); ++i) r.SetPoint(i, volts[static_cast<std::size_t>(i)]);
    return r;
}

TEST(TdrMeasurements, ExcessInductanceAndCapacitanceOfAStepInRho) {
    // rho 0 then 0.1 for five points: Z 50, S 0.5, e 5e-12, f 1 -> L = 2 e Z f.
    TSignalObj r = Record({0, 0.1, 0.1, 0.1, 0.1, 0.1}, tdrRho, 1, 0);
    TExcessLC x = ComputeExcessLC(r, 0, 5);
    ASSERT_TRUE(x.Valid);
    EXPECT_EQ(x.Letter, 'L');
    EXPECT_NEAR(x.Value, 5.0e-10, 1e-18);
    // Markers given right to left read the same range.
    EXPECT_NEAR(ComputeExcessLC(r, 5, 0).Value, 5.0e-10, 1e-18);

    // Negated: C = 2 |e| f / Z = 2e-13 F. The same rho stored as volts on a 0.2 V scale below -0.2 V.
    TSignalObj c = Record({-0.2, -0.22, -0.22, -0.22, -0.22, -0.22}, tdrRho, 0.2, -0.2);
    x = ComputeExcessLC(c, 0, 5);
    ASSERT_TRUE(x.Valid);
    EXPECT_EQ(x.Letter, 'C');
    EXPECT_NEAR(x.Value, 2.0e-13, 1e-20);

    // From a 75 ohm line (rho 0.2): f = 125^2 / (200 * 75) = 1.0416667, L = 2 * 5e-12 * 75 * f. In ohm units
    // the record is turned back into rho first.
    TSignalObj o = Record({0.2, 0.3, 0.3, 0.3, 0.3, 0.3}, tdrOhm, 1, 0);
    x = ComputeExcessLC(o, 0, 5);
    ASSERT_TRUE(x.Valid);
    EXPECT_EQ(x.Letter, 'L');
    EXPECT_NEAR(x.Value, 2 * 5e-12 * 75 * (125.0 * 125.0 / 15000.0), 1e-17);
    EXPECT_NEAR(x.Value, 7.8125e-10, 1e-15);

    // A distance axis in metres at dielectric constant 4: dt = sqrt(4) * 1e-3 * 2 / c.
    TSignalObj m = Record({0, 0.1, 0.1, 0.1, 0.1, 0.1}, tdrRho, 1, 0, 1e-3);
    m.SetHorUnit("m");
    m.SetDielectric(4);
    EXPECT_NEAR(TdrPointTime(m), 1.334256e-11, 1e-17);
    EXPECT_NEAR(ComputeExcessLC(m, 0, 5).Value, 2 * 0.5 * 1.334256e-11 * 50, 1e-16);
    // Feet and inches are metres first.
    m.SetHorUnit("ft");
    EXPECT_NEAR(TdrPointTime(m), 2 * 0.3048e-3 * 2 / 2.997925e8, 1e-19);
    m.SetHorUnit("in");
    EXPECT_NEAR(TdrPointTime(m), 2 * 0.0254e-3 * 2 / 2.997925e8, 1e-20);

    // A short at the first point (rho -1), markers that meet, and a record in volts give nothing.
    EXPECT_FALSE(ComputeExcessLC(Record({-1, 0, 0}, tdrRho, 1, 0), 0, 2).Valid);
    EXPECT_FALSE(ComputeExcessLC(r, 3, 3).Valid);
    EXPECT_FALSE(ComputeExcessLC(Record({0, 0.1, 0.1}, tdrNone, 1, 0), 0, 2).Valid);
}

TEST(TdrMeasurements, ReflectionExtremesInPercentOfTheReferenceStepWhateverTheDisplayUnit) {
    TTdrReference ref{.Negative = false, .BaseLine = -0.2, .RefAmpl = 0.1, .RefPlane = 2e-11};
    // Points outside the window (0 and 4) would win if the window leaked.
    const std::vector<double> volts{5, -0.2, -0.1, -0.15, -5};
    for (int unit : {int(tdrNone), int(tdrRho), int(tdrOhm)}) {
        SCOPED_TRACE(unit);
        // Shown in rho, -0.2 V is 0 and -0.1 V is 1 on a 0.1 V scale: the reading still comes from volts.
        const TSignalObj r = Record(volts, unit, 0.1, -0.2);
        ref.Negative = false;
        TTdrReading max = ReflectionReading(r, tdrMaxReflect, 1, 3, ref);
        ASSERT_TRUE(max.Valid);
        EXPECT_NEAR(max.Value, 100.0, 1e-9);
        EXPECT_EQ(max.Unit, "%");
        EXPECT_EQ(max.Point, 2);
        EXPECT_NEAR(ReflectionReading(r, tdrMinReflect, 1, 3, ref).Value, 0.0, 1e-9);
        ref.Negative = true;
        EXPECT_NEAR(ReflectionReading(r, tdrMinReflect, 1, 3, ref).Value, -100.0, 1e-9);
        EXPECT_NEAR(ReflectionReading(r, tdrMaxReflect, 1, 3, ref).Value, 0.0, 1e-9);

        // The annotation: the reference plane at the display's reference level, then the extreme as shown.
        ASSERT_EQ(max.AnnotationCount, 3);
        const double refLevel = unit == tdrRho ? 0.0 : unit == tdrOhm ? 50.0 : -0.2;
        EXPECT_EQ(max.Annotation[0].Key, "an_RefPlane");
        EXPECT_DOUBLE_EQ(max.Annotation[0].Time, 2e-11);
        EXPECT_NEAR(max.Annotation[0].Level, refLevel, 1e-12);
        EXPECT_EQ(max.Annotation[2].Key, "anPlusPeak");
        EXPECT_NEAR(max.Annotation[2].Time, 2e-11, 1e-20);
        const double shown = unit == tdrRho ? 1.0 : unit == tdrOhm ? 1e6 : -0.1;
        EXPECT_NEAR(max.Annotation[2].Level, shown, 1e-9);
    }
    // With "Neg" a dip one step below the baseline reads +100 % as the largest reflection.
    ref.Negative = true;
    const TSignalObj dip = Record({-0.2, -0.1, -0.3}, tdrNone, 0.1, -0.2);
    EXPECT_NEAR(ReflectionReading(dip, tdrMaxReflect, 0, 2, ref).Value, 100.0, 1e-9);
    // No reference step, no reading.
    ref.RefAmpl = 0;
    EXPECT_FALSE(ReflectionReading(dip, tdrMaxReflect, 0, 2, ref).Valid);
}

TEST(TdrMeasurements, TransmissionGainAndPropagationDelay) {
    const TTdrReference ref{.RefPlane = 1e-9};
    // Gain: the peak 0.2 V of a 0.4 V stimulus at offset 0 is 0.5, -6.0206 dB.
    TSignalObj g = Record({0, 0.1, 0.2, 0.15, 0.9}, tdrNoUnit, 0.4, 0);
    TTdrReading gain = TransmissionReading(g, tdtGain, 0, 3, ref);
    ASSERT_TRUE(gain.Valid);
    EXPECT_NEAR(gain.Value, 0.5, 1e-12);
    EXPECT_EQ(gain.Unit, "");
    TTdrReading db = TransmissionReading(g, tdtDbGain, 0, 3, ref);
    EXPECT_NEAR(db.Value, 20 * std::log10(0.5), 1e-9);
    EXPECT_NEAR(db.Value, -6.0206, 1e-4);
    EXPECT_EQ(db.Unit, "dB");
    // In gain units the stimulus is marked at 1.
    ASSERT_EQ(gain.AnnotationCount, 3);
    EXPECT_EQ(gain.Annotation[1].Key, "an_Stimulus");
    EXPECT_DOUBLE_EQ(gain.Annotation[1].Level, 1.0);
    EXPECT_NEAR(gain.Annotation[2].Level, 0.5, 1e-12);
    // Nothing through: -4000 dB.
    EXPECT_DOUBLE_EQ(TransmissionReading(Record({0, 0, 0}, tdrNoUnit, 0.4, 0), tdtDbGain, 0, 2, ref).Value, -4000);
    // An inverted stimulus (negative scale) takes its most negative point: -0.3 V of -0.4 V is 0.75.
    EXPECT_NEAR(TransmissionReading(Record({0, -0.3, -0.1}, tdrNoUnit, -0.4, 0), tdtGain, 0, 2, ref).Value, 0.75,
                1e-12);

    // PropDelay: a smooth step centred on point 300 (10 ps points) is steepest there: 3 ns - 1 ns.
    std::vector<double> rise(600), fall(600);
    for (int i = 0; i < 600; ++i) {
        rise[static_cast<std::size_t>(i)] = 0.2 * (1 + std::tanh((i - 300) / 8.0));
        fall[static_cast<std::size_t>(i)] = -rise[static_cast<std::size_t>(i)];
    }
    TTdrReading delay = TransmissionReading(Record(rise, tdrNoUnit, 0.4, 0), tdtPropDelay, 100, 500, ref);
    ASSERT_TRUE(delay.Valid);
    EXPECT_EQ(delay.Point, 300);
    EXPECT_NEAR(delay.Value, 2e-9, 1e-15);
    EXPECT_EQ(delay.Unit, "s");
    EXPECT_EQ(delay.Annotation[1].Key, "an_Edge");
    // A falling step with a negative scale is found the same way; a window short of the edge stops at its end.
    EXPECT_EQ(TransmissionReading(Record(fall, tdrNoUnit, -0.4, 0), tdtPropDelay, 100, 500, ref).Point, 300);
    EXPECT_EQ(TransmissionReading(Record(rise, tdrNoUnit, 0.4, 0), tdtPropDelay, 100, 250, ref).Point, 250);
}

TEST(TdrMeasurements, MarginColumnsBecomeAnOrderedPointRangeWithinTheRecord) {
    TSignalObj r = Record(std::vector<double>(1024, 0.0), tdrNone, 1, 0);
    int first = 0, last = 0;
    // 4096 columns span the 1024 points.
    TdrWindowPoints(r, 3000, 1000, first, last);
    EXPECT_EQ(first, 250);
    EXPECT_EQ(last, 750);
    TdrWindowPoints(r, -500, 9000, first, last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 1023);
}

}  // namespace
}  // namespace vt
