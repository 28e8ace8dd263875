// The waveform transfer of the demo program read right after a change of record length and timebase:
// the preamble and the points describe one acquisition, the one last stored, until the first pass at
// the new settings is stored.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "acq/ReplyNumbers.h"
#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "link/InstrumentLink.h"

namespace vt {
namespace {

std::vector<double> Numbers(const std::string& reply) { return test::ReplyNumbers(reply); }

// The least-squares fit of c + a sin(w t) + b cos(w t) over t = i * dt: the amplitude and the RMS of
// what the fit leaves.
struct TSineFit {
    double Amplitude = 0, Residual = 0;
};
TSineFit FitSine(const std::vector<double>& v, double dt, double frequency) {
    // Normal equations of the three functions, solved by Cramer's rule.
    double m[3][3] = {}, r[3] = {};
    auto basis = [&](std::size_t i, double f[3]) {
        const double x = 2 * std::numbers::pi * frequency * dt * static_cast<double>(i);
        f[0] = 1, f[1] = std::sin(x), f[2] = std::cos(x);
    };
    for (std::size_t i = 0; i < v.size(); ++i) {
        double f[3];
        basis(i, f);
        for (int j = 0; j < 3; ++j) {
            r[j] += f[j] * v[i];
            for (int k = 0; k < 3; ++k) m[j][k] += f[j] * f[k];
        }
    }
    auto det = [](double a[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    double c[3];
    for (int j = 0; j < 3; ++j) {
        double a[3][3];
        for (int p = 0; p < 3; ++p)
            for (int q = 0; q < 3; ++q) a[p][q] = q == j ? r[p] : m[p][q];
        c[j] = det(a) / d;
    }
    double sum = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        double f[3];
        basis(i, f);
        const double e = v[i] - (c[0] * f[0] + c[1] * f[1] + c[2] * f[2]);
        sum += e * e;
    }
    return {std::hypot(c[1], c[2]), std::sqrt(sum / static_cast<double>(v.size()))};
}

// A read's preamble and a sine of Ch1 in its data, with that many points dt apart.
void ExpectRead(test::TProgramRig& rig, const std::vector<double>& data, const std::string& preamble, std::size_t points,
                double dt) {
    EXPECT_EQ(rig.Command("WFM:PREAMB?"), preamble);
    ASSERT_EQ(data.size(), points);
    const TSineFit fit = FitSine(data, dt, 1e8);
    EXPECT_NEAR(fit.Amplitude, 0.25, 0.03);
    EXPECT_LT(fit.Residual, 0.03);
}

// Ch1 of the demo is its sine of 100 MHz and 0.5 V peak to peak. At 10 ns/div a 512-point record
// holds a point every 10 ns / 50 = 0.2 ns; at 1 ns/div a 4096-point record one every
// 1 ns / 50 * 512 / 4096 = 2.5 ps.
TEST(WaveformTransferDemo, PreambleAndDataTellTheLastStoredRecordUntilTheNewOneIsStored) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    const auto data = [&] { return Numbers(rig.Command("WFM:DATA?")); };
    rig.RunSteps(120000, [&] {
        for (const char* line : {"HEADER OFF", "TB:SCALEA 1E-8", "ACQ:CH1:RECLEN 512"}) rig.Command(line);
        ASSERT_TRUE(rig.CountOn(2));
        // A whole acquisition at 512 points is stored.
        rig.Command("TB:SCALEA 1E-9");
        rig.Command("ACQ:CH1:RECLEN 4096");
        const std::vector<double> atOnce = data();
        ExpectRead(rig, atOnce, "512, 2E-10, 0, s, V", 512, 2e-10);
        // The first pass at the new settings has set up its record and is reading its points: both
        // reads before the new record is stored are the same acquisition.
        ASSERT_TRUE(rig.Until(
            [&] { return shell.Records()->Record(ssCh1).Length() == 4096 && shell.Link()->AcquisitionRunning(); }));
        EXPECT_EQ(rig.Command("WFM:PREAMB?"), "512, 2E-10, 0, s, V");
        EXPECT_EQ(data(), atOnce);
        ASSERT_TRUE(rig.CountOn(2));
        ExpectRead(rig, data(), "4096, 2.5E-12, 0, s, V", 4096, 2.5e-12);
    });
}

}  // namespace
}  // namespace vt
