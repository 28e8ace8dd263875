// The demo simulator's codes, seeded: the five kinds, framing, clamp, noise, pacing and time axis.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "core/InternalError.h"
#include "core/RunningStat.h"
#include "link/FastSine.h"

#include "SimulatorTestSupport.h"

using namespace vt;
using namespace vt::test;

namespace {

struct DemoSimulator : TSimulatorShell, ::testing::Test {
    DemoSimulator() {
        // Generator A on Ch1 alone: 1 V, no offset, the least noise and jitter.
        Exec("GSS:A:Amplitude 1;GSS:A:Offset 0;GSS:A:Noise 0.0001;GSS:A:Jitter 1e-14;GSS:A:Frequency 1e8");
        Sim().SetChannels(chCodeCh1);
        Sim().Gaussian().SetSeed(3);
        Sim().Uniform().SetSeed(11);
    }
    double Sigma(const std::vector<std::int16_t>& codes) {
        double mean = 0, square = 0;
        for (auto c : codes) mean += c;
        mean /= static_cast<double>(codes.size());
        for (auto c : codes) square += (c - mean) * (c - mean);
        return std::sqrt(square / static_cast<double>(codes.size()));
    }
};

TEST_F(DemoSimulator, SineAndPulseAtTheirSettings) {
    Sim().SetTimeDiv(1e-9);
    Sim().SetRecordLength(1024);
    auto codes = Acquire();
    ASSERT_EQ(codes.size(), 1024u);
    EXPECT_NEAR(codes[0], 0, 15);
    EXPECT_NEAR(codes[250], 8000, 15);
    EXPECT_NEAR(codes[500], 0, 15);
    EXPECT_NEAR(codes[750], -8000, 15);

    Exec("GSS:A:Waweform Pulse");
    Sim().SetTimeDiv(2e-10);
    codes = Acquire();
    int above50 = 0, first10 = -1, first90 = -1;
    for (int i = 0; i < 1024; ++i) {
        above50 += codes[static_cast<std::size_t>(i)] >= 8000;
        if (first10 < 0 && codes[static_cast<std::size_t>(i)] >= 1600) first10 = i;
        if (first90 < 0 && codes[static_cast<std::size_t>(i)] >= 14400) first90 = i;
    }
    EXPECT_NEAR(above50, 500, 1) << "50 % width = the pulse width";
    EXPECT_NEAR(first90 - first10, 50, 1) << "10-90 % = the rise time";
}

TEST_F(DemoSimulator, TdrCircuitsAndTdtStep) {
    Exec("GSS:A:Waweform TDR;GSS:A:TDROvershot 10;GSS:A:TDRSkol 5");
    Sim().SetTimeDiv(2e-9);
    Sim().SetAverages(64);
    // 4e-11 s per point from about 0: the step is at 7.3e-9 s, d = 10 ns at point 433.
    const std::pair<const char*, int> circuits[] = {{"Open", -5407}, {"Short", -2049}, {"R50", -3728}, {"Rx", -4163}};
    for (const auto& [name, code] : circuits) {
        Exec(std::string("GSS:A:TDRCircuit ") + name);
        const auto codes = Acquire();
        EXPECT_NEAR(codes[433], code, 8) << name;
        EXPECT_NEAR(codes[100], -368, 8) << name << " before the step";
    }
    Exec("GSS:A:Waweform TDT;GSS:A:TDTCircuit Stimul");
    EXPECT_NEAR(Acquire()[433], -7088, 8);
}

// The echo ladders summed term by term as documented, against the simulator's codes.
TEST_F(DemoSimulator, EchoLaddersMatchTheirTermByTermSums) {
    const double omega = 1.04 / 9e-11;
    const double tau = (2.0 - 0.5 * (10 - 17.8) / (7.1 - 17.8)) / omega;  // overshoot 10 %
    auto r = [&](double u) {
        return u < 0 ? 0 : (1 - 0.05 * std::exp(-u / 1.5e-9)) * (std::cos(omega * u) * std::exp(-(u / tau) * (u / tau)) - 1);
    };
    auto rho = [](double load, double line) { return line * 1e10 >= load ? (load - line) / (load + line) : 1.0; };
    auto tdr = [&](double d, double z, double h, double spacing) {
        const double p = rho(z, 50), pb = rho(50, z);
        double x = 0.5 * r(d) + 0.25 * p * r(d - 2 * h);
        double m = 1 + p, dd = d - 2 * h;
        while (m > 1e-5) {
            dd -= 2 * spacing;
            if (dd < 0) break;
            x += 0.25 * m * (1 + pb) * pb * r(dd);
            m *= pb * pb;
        }
        return x;
    };
    auto tdt = [&](double d, double z, double w, double delay) {
        const double pb = rho(50, z);
        double e = 1 + rho(z, 50), x = 0;
        d -= delay;
        while (e > 1e-5) {
            x += e * w * (1 + pb) * r(d);
            d -= 2 * delay;
            if (d < 0) break;
            e *= w * w * pb * pb;
        }
        return x;
    };
    Exec("GSS:A:Waweform TDR;GSS:A:TDROvershot 10;GSS:A:TDRSkol 5");
    Sim().SetTimeDiv(2e-9);
    Sim().SetAverages(64);
    const double stepTime = 3 * 4.6e-9 - 6.5e-9;
    struct TCase {
        const char* Kind;
        const char* Circuit;
        std::function<double(double)> X;
    };
    const TCase cases[] = {
        {"TDR", "RR5015050", [&](double d) { return tdr(d, 150, 2.5e-9, 1e-9); }},
        {"TDR", "Lx", [&](double d) { return tdr(d, 10000, 2.5e-9, 5e-12); }},
        {"TDR", "Cx", [&](double d) { return tdr(d, 0.02, 2.5e-9, 5e-12); }},
        {"TDT", "DB6NS3", [&](double d) { return tdt(d, 50, 0.5, 3e-9); }},
        {"TDT", "RR5015050", [&](double d) { return tdt(d, 150, 1, 2e-9); }},
        {"TDT", "Lx", [&](double d) { return tdt(d, 10000, 1, 5e-12); }},
        {"TDT", "Cx", [&](double d) { return tdt(d, 0.02, 1, 5e-12); }},
    };
    for (const TCase& c : cases) {
        Exec(std::string("GSS:A:Waweform ") + c.Kind);
        Exec(std::string("GSS:A:") + c.Kind + "Circuit " + c.Circuit);
        const auto codes = Acquire();
        for (int i : {250, 330, 433, 511}) {
            const double t = i * 4e-11;  // give or take the strobe's picoseconds of skew
            EXPECT_NEAR(codes[static_cast<std::size_t>(i)], -368 + 6720 * c.X(t - stepTime), 12) << c.Kind << " " << c.Circuit << " " << i;
        }
    }
}

TEST_F(DemoSimulator, FrameTriggeredPrbsAndDeltaPhase) {
    Exec("GSS:A:Waweform PRBS;GSS:A:PrbsLength 7;GSS:A:PrbsTrigger Kadr;GSS:A:Frequency 1e9");
    Sim().SetTimeDiv(1e-9);
    Sim().SetRecordLength(1024);
    const auto codes = Acquire();
    for (int bit = 0; bit < 10; ++bit)
        EXPECT_NEAR(codes[static_cast<std::size_t>(50 + 100 * bit)], bit < 7 ? 16000 : 0, 15) << bit;

    Exec("GSS:A:Waweform Sinewave;GSS:A:Frequency 1e8;GSS:A:DeltaPhase 5");
    for (int k = 1; k <= 12; ++k)
        EXPECT_NEAR(Acquire()[0], 8000 * std::sin(5.0 * k * std::numbers::pi / 180), 15) << k;
}

TEST_F(DemoSimulator, FramingClampOffNoiseAndSeeds) {
    Exec("GSS:A:Waweform Pulse;GSS:A:Amplitude 2;GSS:A:Offset 1;GSS:Ch2 Off");
    Sim().SetChannels(chCodeBoth);
    Sim().SetTimeDiv(2e-10);
    Sim().SetRecordLength(64);
    Sim().DemoStartAcquisition();
    std::vector<std::uint16_t> words;
    for (int i = 0; i < 2 * 64 + 3; ++i) words.push_back(Sim().DemoNextSample());
    Sim().SetAcquisitionRunning(false);
    for (int i = 0; i < 64; ++i) {
        EXPECT_LE(static_cast<std::int16_t>(words[2 * i]), 32760);
        EXPECT_EQ(static_cast<std::int16_t>(words[2 * i + 1]), -1) << "Ch2 routed Off";
    }
    EXPECT_EQ(static_cast<std::int16_t>(words[20]), 32760) << "clamped, never the end word";
    EXPECT_EQ(words[128], TTutorial::EndOfRecord);
    EXPECT_EQ(words[130], TTutorial::EndOfRecord);

    Exec("GSS:A:Waweform Sinewave;GSS:A:Frequency 50;GSS:A:Amplitude 0.001;GSS:A:Offset 0;GSS:A:Noise 0.01");
    Sim().SetChannels(chCodeCh1);
    Sim().SetRecordLength(4096);
    EXPECT_NEAR(Sigma(Acquire()), 160, 12);
    Sim().SetAverages(16);
    EXPECT_NEAR(Sigma(Acquire()), 40, 5);

    Exec("GSS:A:Waweform PRBS;GSS:A:PeriodJitter 10");
    Sim().SetAverages(1);
    Sim().Gaussian().SetSeed(42);
    Sim().Uniform().SetSeed(42);
    Sim().DemoSetRandomRange(127);
    Sim().DemoSetRandomSeed(true);
    const auto first = Acquire();
    Sim().Gaussian().SetSeed(42);
    Sim().Uniform().SetSeed(42);
    Sim().DemoSetRandomRange(127);
    Sim().DemoSetRandomSeed(true);
    EXPECT_EQ(Acquire(), first) << "equal seeds, equal codes";
}

// Every point of a two-channel record read in runs, against the sine at each point's time taken word
// by word: the least noise (1.6 codes, at most four of its sigma) and jitter move a code by under 8.
TEST_F(DemoSimulator, RecordReadInRunsIsTheSineAtEachPoint) {
    Exec("GSS:Ch2 A;GSS:A:Frequency 3.3e8;GSS:A:Phase 33");
    Sim().SetChannels(chCodeBoth);
    Sim().SetTimeDiv(2e-9);
    Sim().SetTimebaseDelay(4e-8);
    Sim().SetRecordLength(1000);
    Sim().DemoStartAcquisition();
    std::vector<double> times;
    for (int i = 0; i < 1000; ++i) {
        times.push_back(Sim().CurrentSampleTime());
        Sim().DemoNextSample();
        Sim().DemoNextSample();
    }
    Sim().SetAcquisitionRunning(false);
    const auto codes = Acquire();
    ASSERT_EQ(codes.size(), 2000u);
    for (std::size_t i = 0; i < 1000; ++i) {
        const double expected = 8000 * std::sin(2 * std::numbers::pi * (3.3e8 * times[i] + 33.0 / 360));
        ASSERT_NEAR(codes[2 * i], expected, 8) << i;
        ASSERT_NEAR(codes[2 * i + 1], expected, 8) << i;
    }
}

// The loops' sine and cosine against the library's, over the quarter turns and up to their range.
TEST(FastSine, AgreesWithTheLibrary) {
    const struct {
        double From, To;
    } spans[] = {{-1e-300, 1e-300}, {-7, 7}, {0, std::numbers::pi}, {-2e3, 2e3}, {1e6, 1.4e6}, {-1.4e6, -1.3e6}};
    for (const auto& s : spans)
        for (int k = 0; k <= 20000; ++k) {
            const double x = s.From + (s.To - s.From) * k / 20000;
            ASSERT_NEAR(FastSin(x), std::sin(x), 4e-16) << x;
            ASSERT_NEAR(FastCos(x), std::cos(x), 4e-16) << x;
        }
    // At each quarter turn, where the reduction changes polynomial.
    for (int q = -40; q <= 40; ++q)
        for (double e : {-1e-12, 0.0, 1e-12}) {
            const double x = q * std::numbers::pi / 2 + e;
            ASSERT_NEAR(FastSin(x), std::sin(x), 4e-16) << q;
        }
    EXPECT_FALSE(FastSinInRange(1.6e6));
    EXPECT_FALSE(FastSinInRange(std::nan("")));
    EXPECT_EQ(FastCosOrLibrary(1e7), std::cos(1e7));
}

TEST_F(DemoSimulator, PacingAndTimeAxis) {
    Sim().SetTimeDiv(1e-5);  // 2e-7 s per point: 20 polls of 1e-8 s, and one per average
    Sim().DemoStartAcquisition();
    EXPECT_EQ(Sim().PacingCount(), 21);
    int polls = 1;
    while (!Sim().DemoAcquisitionReady()) ++polls;
    EXPECT_EQ(polls, 21);
    EXPECT_THROW(Sim().DemoStartAcquisition(), EInternalError) << "one acquisition at a time";
    Sim().SetAcquisitionRunning(false);

    // At a long delay the points still follow each other one step apart (give or take the strobe's
    // four-phase skew and odd-period offset), and the sine is in place.
    Sim().SetTimeDiv(1e-9);
    Sim().SetRecordLength(1024);
    Sim().SetTimebaseDelay(1e-4);
    Sim().DemoStartAcquisition();
    double last = Sim().CurrentSampleTime();
    EXPECT_NEAR(last, 1e-4, 3e-12);
    for (int i = 0; i < 1023; ++i) {
        Sim().DemoNextSample();
        const double t = Sim().CurrentSampleTime();
        ASSERT_GT(t, last) << i;
        ASSERT_NEAR(t - last, 1e-11, 4e-12) << i;
        last = t;
    }
    Sim().SetAcquisitionRunning(false);
    const auto codes = Acquire();
    EXPECT_NEAR(codes[0], 0, 25);
    EXPECT_NEAR(codes[250], 8000, 25);
}

}  // namespace
