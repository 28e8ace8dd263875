// Spectrum kinds on spectra made in the test by a direct DFT of windowed tones (forward scaling: 2/N
// beside the DC bin, so a tone of amplitude A reads A at its bin).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "MeasTestSupport.h"
#include "acq/SignalObj.h"
#include "analysis/SpectrumMeasurements.h"
#include "core/Numeric.h"

using namespace vt;
using namespace vt::test;

namespace {

constexpr int N = 512;
constexpr double Df = 1e6;  // Hz per bin

struct TTone {
    double Bin;
    double Amplitude;
};

// The window of the record's FFT, value w, at point i.
double Window(int w, int i) {
    const double t = 2 * std::numbers::pi * (i - (N - 1) / 2.0) / N;
    switch (w) {
        case 1: return 0.543478 + 0.456522 * std::cos(t);
        case 2: return 0.5 + 0.5 * std::cos(t);
        case 3: return 0.281 + 0.521 * std::cos(t) + 0.198 * std::cos(2 * t);
        case 4: return 0.35875 + 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) + 0.01168 * std::cos(3 * t);
        case 5: return 0.40243 + 0.49804 * std::cos(t) + 0.09831 * std::cos(2 * t) + 0.00122 * std::cos(3 * t);
        default: return 1;
    }
}

class SpectrumKinds : public ::testing::Test {
protected:
    void MakeSpectrum(int window, const std::vector<TTone>& tones) {
        std::vector<double> x(N);
        for (int i = 0; i < N; ++i) {
            double v = 0;
            for (const TTone& t : tones) v += t.Amplitude * std::cos(2 * std::numbers::pi * t.Bin * i / N);
            x[static_cast<std::size_t>(i)] = v * Window(window, i);
        }
        TSignalObj& s = Rig.Shell.Records()->Record(ssS1);
        s.SetLength(N);
        s.SetSpectrum(true);
        s.SetWindow(window);
        s.SetSampleInterval(Df);
        for (int k = 0; k < N; ++k) {
            double re = 0, im = 0;
            for (int i = 0; i < N; ++i) {
                const double a = 2 * std::numbers::pi * k * i / N;
                re += x[static_cast<std::size_t>(i)] * std::cos(a);
                im -= x[static_cast<std::size_t>(i)] * std::sin(a);
            }
            const double scale = k == 0 ? 1.0 / N : 2.0 / N;
            s.SetPoint(k, re * scale);
            s.SetSecondPoint(k, im * scale);
        }
        Rig.Shell.Records()->SignalsOn().SetOn(ssS1, true);
    }
    double Freq() { return Rig.Measure(mgXFft, xfFreq, ssS1); }
    double Magn() { return Rig.Measure(mgYFft, yfMagn, ssS1); }
    TMeasRig Rig;
};

}  // namespace

TEST_F(SpectrumKinds, HarmonicsInterpolationWindowsAndPeakMethod) {
    // A DC level above the fundamental: the search starts at bin 1.
    MakeSpectrum(0, {{0, 2.0}, {50, 1.0}, {100, 0.1}, {150, 0.05}});
    EXPECT_NEAR(Freq(), 50 * Df, 1e-6);
    EXPECT_NEAR(Magn(), 1.0, 1e-9);
    EXPECT_NEAR(Rig.Measure(mgYFft, yfTDH, ssS1), 100 * std::sqrt(0.1 * 0.1 + 0.05 * 0.05), 1e-5);  // 11.18034 %
    EXPECT_NEAR(Rig.Measure(mgXFft, xfDFreq, ssS1), (150 - 50) * Df, 1e-6);  // harmonics 1 and 3
    EXPECT_NEAR(Rig.Measure(mgYFft, yfDMagn, ssS1), 1.0 - 0.05, 1e-9);

    // Between bins, the window's interpolation and amplitude correction.
    MakeSpectrum(2, {{60.25, 1.0}});
    EXPECT_NEAR(Freq() / Df, 60.25, 0.005);
    EXPECT_NEAR(Magn(), 1.0, 1e-4);
    const double harmonicFreq = Freq();
    TMeasSourceSettings& s = Rig.SourceSettings(ssS1);
    s.FFTMethod = 1;  // Peak: the first region above -20 dB
    EXPECT_DOUBLE_EQ(Freq(), harmonicFreq);
    s.PeakLevel = 10;  // above every bin
    EXPECT_TRUE(IsUndefinedValue(Freq()));
    EXPECT_TRUE(IsUndefinedValue(Magn()));
    EXPECT_TRUE(IsUndefinedValue(Rig.Measure(mgYFft, yfDMagn, ssS1)));
    s = TMeasSourceSettings{};

    MakeSpectrum(4, {{60.25, 1.0}});
    EXPECT_NEAR(Magn(), 1.0, 5e-4);

    // A position below bin 2 pairs bins 1 and 2; a pair whose lower bin is empty peaks at the upper one.
    MakeSpectrum(0, {{11, 0.5}});
    const TSignalObj& spectrum = Rig.Shell.Records()->Record(ssS1);
    EXPECT_EQ(RefinePeakBin(spectrum, 0.3), 1);
    EXPECT_EQ(RefinePeakBin(spectrum, N / 2 + 1), -1);
    TSignalObj lone;
    lone.Assign(spectrum);
    for (int k = 0; k < N; ++k) lone.SetPoint(k, k == 11 ? 0.5 : 0.0), lone.SetSecondPoint(k, 0);
    const TSpectrumPeak peak = InterpolatePeak(lone, 10);
    EXPECT_TRUE(peak.Found);
    EXPECT_EQ(peak.Bin, 11);
    EXPECT_EQ(peak.Amplitude, 0.5);

    // On-bin tones read exactly at their bin through the windows with three-term peak constants.
    for (int window : {3, 5}) {
        MakeSpectrum(window, {{50, 1.0}});
        EXPECT_NEAR(Freq() / Df, 50, 1e-9) << window;
        EXPECT_NEAR(Magn(), 1.0, 1e-9) << window;
    }
}
