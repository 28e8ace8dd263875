// The transform against a long-double DFT, the spectra of known signals, their units and errors, and
// the error function against the standard library.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/FftTransform.h"
#include "analysis/Spectra.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/UserServices.h"

using namespace vt;

namespace {

// The DFT scaled as the spectra show it: bin 0 x 1/n, the others x 2/n.
struct TReferenceDft {
    explicit TReferenceDft(int n) : N(n), C(static_cast<std::size_t>(n)), S(static_cast<std::size_t>(n)) {
        const long double pi = 3.141592653589793238462643383279502884L;
        for (int m = 0; m < n; ++m) {
            C[static_cast<std::size_t>(m)] = std::cos(2 * pi * m / n);
            S[static_cast<std::size_t>(m)] = -std::sin(2 * pi * m / n);
        }
    }
    void Bin(const std::vector<double>& re, const std::vector<double>& im, int k, double& outRe, double& outIm) const {
        long double sr = 0, si = 0;
        const std::size_t mask = static_cast<std::size_t>(N - 1);
        std::size_t m = 0;
        for (std::size_t j = 0; j < static_cast<std::size_t>(N); ++j, m = (m + static_cast<std::size_t>(k)) & mask) {
            const long double x = re[j], y = im[j];
            sr += x * C[m] - y * S[m];
            si += x * S[m] + y * C[m];
        }
        const long double f = (k == 0 ? 1.0L : 2.0L) / N;
        outRe = static_cast<double>(sr * f);
        outIm = static_cast<double>(si * f);
    }
    int N;
    std::vector<long double> C, S;
};

std::vector<int> BinsToCheck(int n) {
    std::vector<int> bins;
    if (n <= 1024) {
        for (int k = 0; k < n; ++k) bins.push_back(k);
        return bins;
    }
    for (int i = 0; i < 64; ++i) bins.push_back(static_cast<int>((static_cast<long long>(i) * 2654435761LL) % n));
    return bins;
}

struct TCountingUser : TUserServices {
    // The cycle's messages hold nothing: a modal error here would be a fault.
    void ShowNonModalError(const std::string& text) override { Errors.push_back(text); }
    std::vector<std::string> Errors;
};

}  // namespace

// Both compiled copies of the stages, whatever this processor has: the plain one runs on every
// machine, so it is checked here even where the program takes the vector copy; the vector copy must
// give the very same numbers.
TEST(FftTransform, MatchesTheReferenceDftAtEverySizeAndComesBack) {
    std::vector<TFftKernel> kernels{TFftKernel::Plain};
    if (FftKernelAvailable(TFftKernel::Avx2)) kernels.push_back(TFftKernel::Avx2);
    std::mt19937_64 random(45);
    std::uniform_real_distribution<double> value(-1, 1);
    for (int n = 2; n <= FftMaxPoints; n *= 2) {
        std::vector<double> re(static_cast<std::size_t>(n)), im(re.size()), real(re.size()), zero(re.size(), 0.0);
        for (std::size_t i = 0; i < re.size(); ++i) {
            re[i] = value(random);
            im[i] = value(random);
            real[i] = value(random);
        }
        const TReferenceDft dft(n);
        double peak = 0, realPeak = 0;
        std::vector<std::array<double, 4>> expected;
        for (int k : BinsToCheck(n)) {
            std::array<double, 4> e{};
            dft.Bin(re, im, k, e[0], e[1]);
            dft.Bin(real, zero, k, e[2], e[3]);
            peak = std::max({peak, std::fabs(e[0]), std::fabs(e[1])});
            realPeak = std::max({realPeak, std::fabs(e[2]), std::fabs(e[3])});
            expected.push_back(e);
        }
        const std::vector<int> bins = BinsToCheck(n);
        std::vector<std::vector<double>> outputs;
        for (TFftKernel kernel : kernels) {
            const int copy = static_cast<int>(kernel);
            std::vector<double> fr = re, fi = im;
            int status = -1;
            FftTransform(kernel, n, false, fr.data(), status, fi.data());
            ASSERT_EQ(status, FftDone) << n;
            // The real-input path against the DFT of the real record.
            std::vector<double> rr = real, ri(re.size(), 7.0);
            ASSERT_TRUE(FftRealForward(kernel, n, rr.data(), ri.data()));
            for (std::size_t b = 0; b < bins.size(); ++b) {
                const std::size_t k = static_cast<std::size_t>(bins[b]);
                EXPECT_NEAR(fr[k], expected[b][0], 1e-12 * peak) << n << " bin " << k << " copy " << copy;
                EXPECT_NEAR(fi[k], expected[b][1], 1e-12 * peak) << n << " bin " << k << " copy " << copy;
                EXPECT_NEAR(rr[k], expected[b][2], 1e-12 * realPeak) << n << " real bin " << k << " copy " << copy;
                EXPECT_NEAR(ri[k], expected[b][3], 1e-12 * realPeak) << n << " real bin " << k << " copy " << copy;
            }
            outputs.push_back(fr);
            outputs.back().insert(outputs.back().end(), fi.begin(), fi.end());
            outputs.back().insert(outputs.back().end(), rr.begin(), rr.end());
            outputs.back().insert(outputs.back().end(), ri.begin(), ri.end());
            // Bin 0 doubled, the inverse gives the record back.
            fr[0] *= 2;
            fi[0] *= 2;
            FftTransform(kernel, n, true, fr.data(), status, fi.data());
            ASSERT_EQ(status, FftDone);
            for (std::size_t i = 0; i < re.size(); ++i) {
                EXPECT_NEAR(fr[i], re[i], 1e-13) << n << " copy " << copy;
                EXPECT_NEAR(fi[i], im[i], 1e-13) << n << " copy " << copy;
            }
        }
        if (outputs.size() == 2) {
            EXPECT_EQ(outputs[0], outputs[1]) << n;
        }
        // The calls without a kernel take the best copy.
        std::vector<double> fr = re, fi = im;
        int status = -1;
        FftTransform(n, false, fr.data(), status, fi.data());
        fr.insert(fr.end(), fi.begin(), fi.end());
        EXPECT_TRUE(std::equal(fr.begin(), fr.end(), outputs.back().begin())) << n;
    }
    // Unsupported sizes leave the arrays alone.
    std::vector<double> re(16384, 0.25), im(16384, -0.5);
    for (const auto& [n, expectedStatus] :
         std::vector<std::pair<int, int>>{{0, FftTooShort}, {1, FftTooShort}, {1000, FftUnsupported}, {16384, FftUnsupported}}) {
        int status = -1;
        FftTransform(n, false, re.data(), status, im.data());
        EXPECT_EQ(status, expectedStatus) << n;
        FftTransform(n, true, re.data(), status, im.data());
        EXPECT_EQ(status, expectedStatus) << n;
    }
    for (std::size_t i = 0; i < re.size(); ++i) ASSERT_TRUE(re[i] == 0.25 && im[i] == -0.5);
}

TEST(FftTransform, SpectraOfKnownSignalsTheirUnitsAndErrors) {
    // A sine of amplitude 1 at bin 10: 1 there, nothing on the other bins below half the rate.
    TSignalObj sine, spectrum;
    sine.SetLength(1024);
    sine.SetSampleInterval(1e-11);
    sine.SetHorUnit("s");
    sine.SetVertUnit("V");
    for (int i = 0; i < 1024; ++i) sine.SetPoint(i, std::sin(2 * M_PI * 10 * i / 1024.0 + 0.7));
    ASSERT_TRUE(ComputeSpectrum(spectrum, sine, 0, "Spectrum"));
    EXPECT_TRUE(spectrum.IsSpectrum());
    EXPECT_NEAR(spectrum.GetMagnitude(10), 1.0, 1e-12);
    for (int k = 0; k <= 512; ++k) {
        if (k != 10) {
            EXPECT_LT(spectrum.GetMagnitude(k), 1e-9) << k;
        }
    }
    EXPECT_EQ(spectrum.HorUnit(), "Hz");
    EXPECT_EQ(spectrum.GetVertUnitRaw(), "V");
    EXPECT_DOUBLE_EQ(spectrum.SampleInterval(), 1 / (1024 * 1e-11));
    EXPECT_EQ(spectrum.Name(), "Spectrum");

    // A constant 1: 1 at point 0.
    for (int i = 0; i < 1024; ++i) sine.SetPoint(i, 1);
    sine.SetHorUnit("Bit");
    ASSERT_TRUE(ComputeSpectrum(spectrum, sine, 0, "Spectrum"));
    EXPECT_NEAR(spectrum.GetPoint(0), 1, 1e-15);
    EXPECT_EQ(spectrum.HorUnit(), "");
    EXPECT_EQ(SpectrumHorUnit("in"), "1/in");
    EXPECT_EQ(SpectrumHorUnit("m"), "1/m");
    EXPECT_EQ(InverseSpectrumHorUnit("1/ft"), "ft");
    EXPECT_EQ(InverseSpectrumHorUnit("Hz"), "s");

    // Hanning at 4 points: 0.5 + 0.5 cos(2 pi (i - 1.5) / 4).
    const std::span<const double> hanning = FftWindowWeights(4, 2);
    ASSERT_EQ(hanning.size(), 4u);
    EXPECT_NEAR(hanning[0], 0.14644660940672627, 1e-16);
    EXPECT_NEAR(hanning[1], 0.8535533905932737, 1e-16);
    EXPECT_NEAR(hanning[3], 0.14644660940672627, 1e-16);
    // The window applied: a constant 1 under Hanning gives the window's mean at point 0.
    sine.SetLength(4);
    ASSERT_TRUE(ComputeSpectrum(spectrum, sine, 2, "Spectrum"));
    EXPECT_NEAR(spectrum.GetPoint(0), 0.5, 1e-15);

    // S1 of a 1,000-point memory: not computed, told once in three passes; a spectrum source alike.
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    auto user = std::make_unique<TCountingUser>();
    TCountingUser& told = *user;
    shell.SetUserServices(std::move(user));
    shell.SetCommandTree(std::make_unique<TCommandTree>());
    TSpectra spectra(shell);
    spectra.CreateFFTHandlers(*shell.CommandTree());
    TSignalObj& m1 = shell.Records()->Record(ssM1);
    m1.SetLength(1000);
    shell.CommandTree()->ExecuteCommandString("Spectr1:Source M1", false);
    ASSERT_EQ(GetSource(spectra.Handlers(0).Source), ssM1);
    shell.Records()->Record(ssS1).SetLength(64);
    for (int pass = 0; pass < 3; ++pass) EXPECT_FALSE(spectra.CalcSpectrum(ssS1));
    ASSERT_EQ(told.Errors.size(), 1u);
    EXPECT_NE(told.Errors[0].find("1000"), std::string::npos) << told.Errors[0];
    EXPECT_EQ(shell.Records()->Record(ssS1).Length(), 64);
    // A memory that holds a stored spectrum (a spectrum itself is no source of a spectrum).
    shell.CommandTree()->ExecuteCommandString("Spectr1:Source M2", false);
    shell.Records()->Record(ssM2).SetLength(1024);
    shell.Records()->Record(ssM2).SetSpectrum(true);
    for (int pass = 0; pass < 3; ++pass) EXPECT_FALSE(spectra.CalcSpectrum(ssS1));
    ASSERT_EQ(told.Errors.size(), 2u);
    EXPECT_NE(told.Errors[1].find("is a spectrum"), std::string::npos) << told.Errors[1];
    // Switching the display empties the kept error: told again.
    shell.CommandTree()->ExecuteCommandString("Spectr1:Display On", false);
    EXPECT_TRUE(spectra.KeptError(0).empty());
    EXPECT_FALSE(spectra.CalcSpectrum(ssS1));
    EXPECT_EQ(told.Errors.size(), 3u);
}

TEST(FftTransform, ErrorFunctionAgainstTheStandardLibrary) {
    for (double x = -6; x <= 6; x += 0.001) ASSERT_NEAR(ErrorFunction(x), std::erf(x), 1e-15) << x;
    EXPECT_NEAR(ErrorFunction(0.4999), 0.5204119951613866, 1e-15);
    for (double x = 0.5; x < 10; x += 0.001)
        ASSERT_NEAR(ErrorFunctionComplement(x) / std::erfc(x), 1, 2e-8) << x;
    EXPECT_NEAR(ErrorFunctionComplement(-1), 2 - std::erfc(1), 1e-8);
    EXPECT_EQ(ErrorFunctionComplement(10), 0);
    EXPECT_NEAR(NormalCdf(1), 0.8413447460685429, 1e-15);
    EXPECT_EQ(NormalCdf(0), 0.5);
}
