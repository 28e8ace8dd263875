#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <string>

#include "EyeTestSupport.h"
#include "core/Numeric.h"
#include "serial/EyeEngine.h"
#include "serial/EyeParameters.h"

using namespace vt;
using namespace vt::test;

namespace {

constexpr double Und = UndefinedValue;
constexpr double Ps = 1e-12;

// An eye written into a fresh map and measured once.
struct TMeasuredEye {
    TMeasuredEye(TEyeShape shape, const char* vu = "V", const char* hu = "s", int waveforms = 160)
        : Hist(std::make_unique<TFullHist>()), Engine(Hist.get()), Writer(shape) {
        SetUpEyeRecord(Record, vu, hu);
        Engine.Mode = shape.Rz ? emRz : emNrz;
        Engine.ClearAccumulation();
        Writer.Write(Record, *Hist, waveforms);
        Found = shape.Rz ? Engine.RunRzEyeEngine() : Engine.RunNrzEyeEngine();
        In.Record = &Record;
        In.StoredZeroPower = 1000, In.DemoValue = 100, In.ConversionGain = 0.5;
    }
    // Value and unit of one item, checked; tolerance 0 asks for the undefined value.
    void Check(int axis, int kind, double expected, double tolerance, const std::string& unit) {
        const int mode = Engine.Mode;
        TParam p(mode, axis, kind);
        ComputeEyeParameter(Engine, In, p);
        const std::string what = std::string(EyeParamList(mode, axis)[static_cast<std::size_t>(kind)].Item);
        if (IsUndefinedValue(expected)) {
            EXPECT_TRUE(IsUndefinedValue(p.Value)) << what << " = " << p.Value;
            EXPECT_EQ(p.Unit, "") << what;
            return;
        }
        EXPECT_NEAR(p.Value, expected, tolerance) << what;
        EXPECT_EQ(p.Unit, unit) << what;
    }
    void Check(int axis, std::initializer_list<int> kinds, double expected, double tolerance, const std::string& unit) {
        for (int kind : kinds) Check(axis, kind, expected, tolerance, unit);
    }
    std::unique_ptr<TFullHist> Hist;
    TEyeEngine Engine;
    TEyeWriter Writer;
    TSignalObj Record;
    TEyeParamInputs In;
    bool Found = false;
};

const std::string VS = "V\u00B7s";
const double Power = 900.0 * 5 / 65536 / 8.4 / 0.5;  // (P - D) x 5 / 65536 / 8.4 / G

}  // namespace

// Every item of the four lists on clean, noisy and optical eyes, against values derived from the
// written signal: sums over the written points, the ramp's geometry, or undefined.
TEST(EyeParameterTable, EveryItemOfTheFourLists) {
    // Clean NRZ: ramps of 400 columns at 1000 and 3000; the band of 17 rows at the crossing holds
    // 11 columns of each edge (sigma sqrt(10)); 20-80 % of a ramp is 240 columns.
    TMeasuredEye nrz({});
    ASSERT_TRUE(nrz.Found);
    const double sk = std::sqrt(10.0);
    const auto whole = nrz.Writer.Sums(0, 4000);
    const auto cycle = nrz.Writer.Sums(1000, 3000);
    {
        auto& e = nrz;
        e.Check(eaX, 0, whole.Mean() * 4001 * Ps, 1e-15, VS);
        e.Check(eaX, 1, 5e8, 5e5, "Bit/s");
        e.Check(eaX, 2, 2000 * Ps, 1 * Ps, "s");
        e.Check(eaX, 3, 1000 * Ps, 1 * Ps, "s");
        e.Check(eaX, 4, cycle.Mean() * 2001 * Ps, 2e-15, VS);
        e.Check(eaX, 5, 0, 0.1, "%");
        e.Check(eaX, 6, 0, 0.5 * Ps, "s");
        e.Check(eaX, 7, (2000 - 6 * sk) * Ps, 1 * Ps, "s");
        e.Check(eaX, 8, (2000 - 6 * sk) / 20, 0.05, "%");  // clean: EyeWidthPerc from the crossings' spread
        e.Check(eaX, 9, 240 * Ps, 2 * Ps, "s");
        e.Check(eaX, 10, 2.5e8, 2.5e5, "Hz");
        e.Check(eaX, 11, 10 * Ps, 0.5 * Ps, "s");
        e.Check(eaX, 12, sk * Ps, 0.05 * Ps, "s");
        e.Check(eaX, 13, 4000 * Ps, 2 * Ps, "s");
        e.Check(eaX, 14, 240 * Ps, 2 * Ps, "s");
        e.Check(eaY, 0, cycle.AcRms(), 2e-3, "V");
        e.Check(eaY, 1, Power, 1e-12, "W");
        e.Check(eaY, 2, 10 * std::log10(Power / 0.001), 1e-9, "dBm");
        e.Check(eaY, 3, 50, 0.1, "%");
        e.Check(eaY, 4, 0, 2e-4, "V");
        e.Check(eaY, {5, 6, 7}, Und, 0, "");  // the zero level is negative: no extinction ratio (fault 7)
        e.Check(eaY, {8, 9}, 0.5, 1e-9, "V");  // clean: the height is the amplitude
        e.Check(eaY, 10, Und, 0, "");  // a negative inner zero level has no logarithm (fault 6)
        e.Check(eaY, 11, whole.Max, 1e-6, "V");
        e.Check(eaY, 12, cycle.Mean(), 2e-3, "V");
        e.Check(eaY, 13, (whole.Max + whole.Min) / 2, 1e-6, "V");
        e.Check(eaY, 14, whole.Min, 1e-6, "V");
        e.Check(eaY, 15, 0, 1e-9, "%");
        e.Check(eaY, {16, 17, 18, 19}, 0, 1e-9, "V");
        e.Check(eaY, 20, 0.25, 1e-9, "V");
        e.Check(eaY, 21, whole.Max - whole.Min, 1e-6, "V");
        e.Check(eaY, 22, 0, 1e-9, "%");
        e.Check(eaY, 23, cycle.Rms(), 2e-3, "V");
        e.Check(eaY, {24, 25}, Und, 0, "");  // clean: no noise to divide by
        e.Check(eaY, 26, -0.25, 1e-9, "V");
    }
    {
        // Noise of 5 mV: 6.4 rows each level; S/N 640 / 12.8.
        TMeasuredEye e({.Noise = 0.005});
        ASSERT_TRUE(e.Found);
        const EyeEngineState& s = e.Engine.State();
        const auto one = e.Writer.Sums(s.LeftBoundCol, s.RightBoundCol, static_cast<int>(std::nearbyint(s.CrossingLevelRow)));
        const auto top = e.Writer.Sums(s.LeftBoundCol, s.RightBoundCol, (833 + 192) / 2);
        e.Check(eaY, 9, 0.5 - 6 * 0.005, 0.003, "V");
        e.Check(eaY, 16, top.Max - top.Min, 1e-6, "V");
        e.Check(eaY, 18, one.AcRms(), 1e-5, "V");
        e.Check(eaY, 24, 50, 2.5, "");
        e.Check(eaY, 25, 20 * std::log10(50), 0.45, "dB");
    }
    {
        // An optical eye in watts: 0.1 and 0.3 W, 2 mV of noise; the dB forms take 10 log10.
        TMeasuredEye e({.One = 0.3, .Zero = 0.1, .Noise = 0.002}, "W");
        ASSERT_TRUE(e.Found);
        e.Check(eaY, 7, 3, 0.01, "");
        e.Check(eaY, 5, 10 * std::log10(3), 0.02, "dB");
        e.Check(eaY, 6, 100.0 / 3, 0.1, "%");
        e.Check(eaY, 10, 10 * std::log10(0.294 / 0.106), 0.1, "dB");
        e.Check(eaY, 25, 10 * std::log10(0.2 / 0.004), 0.3, "dB");
    }
    {
        // Rates invert seconds only (fault 8).
        TMeasuredEye e({}, "V", "Bit");
        ASSERT_TRUE(e.Found);
        e.Check(eaX, 1, Und, 0, "");
        e.Check(eaX, 10, Und, 0, "");
        e.Check(eaX, 2, 2000 * Ps, 1 * Ps, "Bit");
    }
    // Clean RZ: pulses 500..1500 every 2000 columns; the top is reached 200 columns after the edge.
    TMeasuredEye rz({.Rz = true, .First = 500});
    ASSERT_TRUE(rz.Found);
    {
        auto& e = rz;
        const auto rzWhole = e.Writer.Sums(0, 4000);
        const auto rzCycle = e.Writer.Sums(500, 2500);
        e.Check(eaX, 0, rzWhole.Mean() * 4001 * Ps, 1e-15, VS);
        e.Check(eaX, 1, 5e8, 5e5, "Bit/s");
        e.Check(eaX, 2, 2000 * Ps, 1 * Ps, "s");
        e.Check(eaX, 3, rzCycle.Mean() * 2001 * Ps, 3e-15, VS);
        e.Check(eaX, 4, (1000 - 6 * sk) * Ps, 1 * Ps, "s");
        e.Check(eaX, 5, (1000 - 6 * sk) / 20, 0.1, "%");
        e.Check(eaX, 6, 240 * Ps, 2 * Ps, "s");
        e.Check(eaX, {7, 8}, 10 * Ps, 0.5 * Ps, "s");
        e.Check(eaX, {9, 10}, sk * Ps, 0.05 * Ps, "s");
        e.Check(eaX, 11, 1500 * Ps, 1 * Ps, "s");
        e.Check(eaX, 12, 500 * Ps, 1 * Ps, "s");
        e.Check(eaX, 13, 50, 0.1, "%");
        e.Check(eaX, 14, 20, 0.2, "%");
        e.Check(eaX, 15, 1000 * Ps, 1 * Ps, "s");
        e.Check(eaX, 16, 240 * Ps, 2 * Ps, "s");
        e.Check(eaY, 0, rzCycle.AcRms(), 2e-3, "V");
        e.Check(eaY, 1, Power, 1e-12, "W");
        e.Check(eaY, 2, 10 * std::log10(Power / 0.001), 1e-9, "dBm");
        e.Check(eaY, {3, 4, 5, 6, 7, 8}, Und, 0, "");  // the level between pulses is negative
        e.Check(eaY, {9, 10}, 0.5, 1e-9, "V");
        e.Check(eaY, 11, Und, 0, "");
        e.Check(eaY, 12, 1, 1e-9, "");
        e.Check(eaY, 13, rzWhole.Max, 1e-6, "V");
        e.Check(eaY, 14, rzCycle.Mean(), 2e-3, "V");
        e.Check(eaY, 15, (rzWhole.Max + rzWhole.Min) / 2, 1e-6, "V");
        e.Check(eaY, 16, rzWhole.Min, 1e-6, "V");
        e.Check(eaY, {17, 18, 19, 20}, 0, 1e-9, "V");
        e.Check(eaY, 21, 0.25, 1e-9, "V");
        e.Check(eaY, 22, rzWhole.Max - rzWhole.Min, 1e-6, "V");
        e.Check(eaY, 23, rzCycle.Rms(), 2e-3, "V");
        e.Check(eaY, 24, Und, 0, "");
        e.Check(eaY, 25, -0.25, 1e-9, "V");
    }
    {
        // Optical RZ: the level between pulses is the zero level, 0.1 W; contrast 3 (dB and % carry units).
        TMeasuredEye e({.Rz = true, .One = 0.3, .Zero = 0.1, .First = 500}, "W");
        ASSERT_TRUE(e.Found);
        e.Check(eaY, 3, 3, 0.01, "");
        e.Check(eaY, 4, 10 * std::log10(3), 0.02, "dB");
        e.Check(eaY, 5, 100.0 / 3, 0.1, "%");
        // Pulses in 4 % of the slots: fewer than 5 % extra hits between the pulses.
        TMeasuredEye rare({.Rz = true, .One = 0.3, .Zero = 0.1, .First = 500, .OneProbability = 0.04}, "W", "s", 240);
        ASSERT_TRUE(rare.Found);
        rare.Check(eaY, 3, Und, 0, "");
    }
}

// A crossing band off the screen leaves the crossing level undefined, and with it every parameter
// that reads the selected crossing's spread (fault 4).
TEST(EyeParameterTable, CrossingBandOffTheScreenVoidsTheCrossingParameters) {
    TMeasuredEye e({.First = 300});
    ASSERT_TRUE(e.Found);
    // Move the selected crossing past the edge as a later failed run would leave it.
    EyeEngineState& s = e.Engine.State();
    s.Crossing[s.SelectedCrossing].Mean = 3995;
    s.CrossingLevelRow = UndefinedValue;
    for (int kind : {5, 6, 7, 8, 9, 11, 12, 14}) e.Check(eaX, kind, Und, 0, "");
    e.Check(eaY, {3, 4}, Und, 0, "");
}
