// The math operators on hand-built records, checked against values worked out from the inputs, and the
// functions' settings and errors through the command tree.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <random>
#include <vector>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/Spectra.h"
#include "analysis/WaveformMath.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/UserServices.h"

using namespace vt;

namespace {

void Fill(TSignalObj& r, const std::vector<double>& v, double dt = 1, const char* unit = "V", const char* hor = "s") {
    r.SetLength(static_cast<int>(v.size()));
    for (std::size_t i = 0; i < v.size(); ++i) r.SetPoint(static_cast<int>(i), v[i]);
    r.SetSampleInterval(dt);
    r.SetVertUnit(unit);
    r.SetHorUnit(hor);
    r.SetVertScale(1);
    r.SetVertOffset(0);
}

std::vector<double> Values(const TSignalObj& r) { return {r.Data1(), r.Data1() + r.Length()}; }

struct TCountingUser : TUserServices {
    // The cycle's messages hold nothing: a modal error here would be a fault.
    void ShowNonModalError(const std::string& text) override { Errors.push_back(text); }
    void CloseNonModalError(const std::string& text) override { Closed.push_back(text); }
    std::vector<std::string> Errors;
    std::vector<std::string> Closed;
};

struct TMathRig {
    TMathRig() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        auto user = std::make_unique<TCountingUser>();
        User = user.get();
        Shell.SetUserServices(std::move(user));
        Shell.SetCommandTree(std::make_unique<TCommandTree>());
        Math.CreateMathHandlers(*Shell.CommandTree());
        Math.UpdateAllMathControls();
    }
    std::string Run(const std::string& line) {
        return Shell.CommandTree()->ExecuteCommandString(line, false);
    }
    TSignalObj& Record(int s) { return Shell.Records()->Record(s); }
    TShell Shell;
    TCountingUser* User = nullptr;
    TWaveformMath Math{Shell};
};

}  // namespace

TEST(WaveformMath, ArithmeticOfTwoSourcesAndOfAConstant) {
    // 4,096 + 1,024 points: the longer one stepped by 4, at 4 dt.
    TSignalObj ch1, ch2, f;
    std::vector<double> a(4096), b(1024);
    for (int i = 0; i < 4096; ++i) a[static_cast<std::size_t>(i)] = std::sin(0.01 * i);
    for (int i = 0; i < 1024; ++i) b[static_cast<std::size_t>(i)] = 0.001 * i;
    Fill(ch1, a, 1e-12);
    Fill(ch2, b, 4e-12);
    MathArith(ch1, &ch2, f, 0, moAdd);
    ASSERT_EQ(f.Length(), 1024);
    for (int k = 0; k < 1024; ++k) ASSERT_DOUBLE_EQ(f.GetPoint(k), a[static_cast<std::size_t>(4 * k)] + b[static_cast<std::size_t>(k)]);
    EXPECT_DOUBLE_EQ(f.SampleInterval(), 4e-12);
    EXPECT_EQ(f.GetVertUnitRaw(), "V");
    MathArith(ch1, &ch2, f, 0, moMult);
    EXPECT_EQ(f.GetVertUnitRaw(), "V*V");
    ch2.SetVertUnit("A");
    MathArith(ch1, &ch2, f, 0, moDiv);
    EXPECT_EQ(f.GetVertUnitRaw(), "V/ A");
    // Quotient scale: |0 +- 4 x 1| / |0 + m x 0.5|, the line nearest 0 being k = 0, so m = 1.
    ch2.SetVertScale(0.5);
    MathArith(ch1, &ch2, f, 0, moDiv);
    EXPECT_DOUBLE_EQ(f.VertScale(), 8);
    EXPECT_DOUBLE_EQ(DivisionScale(1, 0, 0.25, -1), 4 / 0.25);  // nearest line k = 4: m = 3, |-1 + 0.75|
    EXPECT_DOUBLE_EQ(DivisionScale(2, 0, 1, -1), 8);             // nearest k = 1: m = 2, |-1 + 2| = 1
    // Division by 0 divides by 1e-50; a zero point of the divisor alike.
    MathArith(ch2, nullptr, f, 0, moDiv);
    EXPECT_DOUBLE_EQ(f.GetPoint(3), 0.003 * 1e50);
    MathArith(ch1, &ch2, f, 0, moDiv);
    EXPECT_DOUBLE_EQ(f.GetPoint(0), a[0] * 1e50);

    // Complex product and quotient of two spectra; a real constant moves the real part only.
    TSignalObj s1, s2;
    Fill(s1, {1, 2, -3, 0.5});
    Fill(s2, {0.5, -1, 2, 4});
    s1.SetSpectrum(true);
    s2.SetSpectrum(true);
    const double i1[] = {2, 0, 1, -1}, i2[] = {-1, 3, 0.25, 2};
    for (int k = 0; k < 4; ++k) {
        s1.SetSecondPoint(k, i1[k]);
        s2.SetSecondPoint(k, i2[k]);
    }
    MathArith(s1, &s2, f, 0, moMult);
    ASSERT_TRUE(f.IsSpectrum());
    for (int k = 0; k < 4; ++k) {
        const std::complex<double> p = std::complex<double>(s1.GetPoint(k), i1[k]) * std::complex<double>(s2.GetPoint(k), i2[k]);
        EXPECT_DOUBLE_EQ(f.GetPoint(k), p.real());
        EXPECT_DOUBLE_EQ(f.GetSecondPoint(k), p.imag());
    }
    MathArith(s1, &s2, f, 0, moDiv);
    for (int k = 0; k < 4; ++k) {
        const std::complex<double> q = std::complex<double>(s1.GetPoint(k), i1[k]) / std::complex<double>(s2.GetPoint(k), i2[k]);
        EXPECT_NEAR(f.GetPoint(k), q.real(), 1e-15);
        EXPECT_NEAR(f.GetSecondPoint(k), q.imag(), 1e-15);
    }
    // A waveform minus a spectrum: the imaginary part negated.
    MathArith(ch2, &s2, f, 0, moSub);
    EXPECT_TRUE(f.IsSpectrum());
    EXPECT_DOUBLE_EQ(f.GetSecondPoint(1), -3);
    MathArith(s1, nullptr, f, 0.5, moAdd);
    EXPECT_DOUBLE_EQ(f.GetPoint(0), 1.5);
    EXPECT_DOUBLE_EQ(f.GetSecondPoint(0), 2);
    MathArith(s1, nullptr, f, 2, moMult);
    EXPECT_DOUBLE_EQ(f.GetSecondPoint(3), -2);
}

TEST(WaveformMath, UnaryOperatorsInterpolationAndSmoothing) {
    TSignalObj x, y;
    Fill(x, {0, 1, 4, 9});
    ASSERT_TRUE(MathUnaryFunction(x, y, moDifAl));
    EXPECT_EQ(Values(y), (std::vector<double>{1, 2, 4, 5}));
    EXPECT_EQ(y.GetVertUnitRaw(), "V/ s");
    ASSERT_TRUE(MathUnaryFunction(x, y, moIntAl));
    EXPECT_EQ(Values(y), (std::vector<double>{0, 0.5, 3, 9.5}));
    EXPECT_EQ(y.GetVertUnitRaw(), "V*s");
    // In place: the target is its own source.
    ASSERT_TRUE(MathUnaryFunction(y, y, moInvert));
    EXPECT_EQ(Values(y), (std::vector<double>{0, -0.5, -3, -9.5}));
    TSignalObj one;
    Fill(one, {3});
    EXPECT_FALSE(MathUnaryFunction(one, y, moDifAl));
    Fill(one, {});
    EXPECT_FALSE(MathUnaryFunction(one, y, moDifAl));

    Fill(x, {1e-8, 0, -2, std::exp(1.5)});
    ASSERT_TRUE(MathUnaryFunction(x, y, moLogE));
    EXPECT_DOUBLE_EQ(y.GetPoint(0), std::log(1e-8));
    EXPECT_EQ(y.GetPoint(1), -1e10);
    EXPECT_EQ(y.GetPoint(2), -1e10);
    EXPECT_DOUBLE_EQ(y.GetPoint(3), 1.5);
    ASSERT_TRUE(MathUnaryFunction(x, y, moLog10));
    EXPECT_NEAR(y.GetPoint(0), -8, 1e-14);
    Fill(x, {2, 1000, -1000});
    ASSERT_TRUE(MathUnaryFunction(x, y, moExp10));
    EXPECT_NEAR(y.GetPoint(0), 100, 1e-12);
    EXPECT_DOUBLE_EQ(y.GetPoint(1), std::exp(200.0));
    EXPECT_DOUBLE_EQ(y.GetPoint(2), std::exp(-200.0));

    // LinInt: 128 points to 512, 4 per interval, at dt / 4; 300 points stay as they are.
    std::vector<double> v(128);
    for (int i = 0; i < 128; ++i) v[static_cast<std::size_t>(i)] = i * i * 0.01;
    Fill(x, v, 1e-9);
    MathInterpolate(x, y, false);
    ASSERT_EQ(y.Length(), 512);
    EXPECT_DOUBLE_EQ(y.SampleInterval(), 0.25e-9);
    EXPECT_DOUBLE_EQ(y.GetPoint(4 * 7 + 1), v[7] + (v[8] - v[7]) / 4);
    EXPECT_DOUBLE_EQ(y.GetPoint(511), v[127]);
    Fill(x, std::vector<double>(300, 0.5));
    MathInterpolate(x, y, false);
    EXPECT_EQ(y.Length(), 300);

    // SinInt of 100 points (b = 5, 500 points from the record, 12 summed on) against the literal sum.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-1, 1);
    std::vector<double> w(100);
    for (double& e : w) e = value(random);
    Fill(x, w);
    MathInterpolate(x, y, true);
    ASSERT_EQ(y.Length(), 512);
    for (int j = 0; j < 512; ++j) {
        if (j % 5 == 0 && j / 5 < 100) {
            ASSERT_EQ(y.GetPoint(j), w[static_cast<std::size_t>(j / 5)]);
            continue;
        }
        double sum = 0;
        for (int k = 0; k < 100; ++k) {
            const double d = (static_cast<double>(j) / 5 - k) * M_PI;
            sum += w[static_cast<std::size_t>(k)] * std::sin(d) / d;
        }
        ASSERT_NEAR(y.GetPoint(j), sum, 1e-12) << j;
    }

    // Smooth over 3 points: the ends padded with their own values.
    Fill(x, {3, 0, 6, 3, 0});
    MathSmooth(x, y, 3);
    EXPECT_EQ(Values(y), (std::vector<double>{2, 3, 3, 3, 1}));

    // The spectrum of a record and its inverse give the record back, in its own unit.
    std::vector<double> r(256);
    for (double& e : r) e = value(random);
    Fill(x, r, 1e-3, "V", "m");
    TSignalObj spectrum;
    ASSERT_TRUE(ComputeSpectrum(spectrum, x, 0, "Spectrum"));
    EXPECT_EQ(spectrum.HorUnit(), "1/m");
    ASSERT_TRUE(MathUnaryFunction(spectrum, y, moIFFT));
    EXPECT_FALSE(y.IsSpectrum());
    EXPECT_EQ(y.HorUnit(), "m");
    EXPECT_NEAR(y.SampleInterval(), 1e-3, 1e-18);
    for (int i = 0; i < 256; ++i) ASSERT_NEAR(y.GetPoint(i), r[static_cast<std::size_t>(i)], 1e-14);
}

TEST(WaveformMath, FunctionsFromTheirSettingsReportEachErrorOnce) {
    TMathRig m;
    Fill(m.Record(ssCh1), {1, 2, 3, 4});
    Fill(m.Record(ssCh2), {0.5, 0.5, 0.5, 0.5});
    EXPECT_TRUE(m.Math.EvaluateMathFunction(ssF1));
    EXPECT_EQ(Values(m.Record(ssF1)), (std::vector<double>{1.5, 2.5, 3.5, 4.5}));
    m.Run("F1:Source2 Const");
    m.Run("F1:Const 2");
    EXPECT_FALSE(m.Math.Handlers(0).Const->IsDisabled());
    EXPECT_TRUE(m.Math.EvaluateMathFunction(ssF1));
    EXPECT_EQ(Values(m.Record(ssF1)), (std::vector<double>{3, 4, 5, 6}));
    // The smoothing length: entered and answered as 2k + 3, an even one lowered.
    EXPECT_EQ(m.Run("F1:SmoothLen?"), "F1:SMOOTHLEN 7");
    m.Run("F1:SmoothLen 10");
    EXPECT_EQ(m.Math.Handlers(0).SmoothLen->GetValue(), 3);
    EXPECT_EQ(m.Run("F1:SmoothLen?"), "F1:SMOOTHLEN 9");
    EXPECT_TRUE(m.Math.Handlers(0).SmoothLen->IsDisabled());
    m.Run("F1:Operat Smooth");
    EXPECT_FALSE(m.Math.Handlers(0).SmoothLen->IsDisabled());
    EXPECT_TRUE(m.Math.Handlers(0).Source2->IsDisabled());

    // Abs of a spectrum and IFFT of a waveform: each told once, then not again while it stays.
    m.Record(ssS1).SetSpectrum(true);
    Fill(m.Record(ssS1), {1, 2, 3, 4});
    m.Run("F2:Operat Abs");
    m.Run("F2:Source1 S1");
    for (int pass = 0; pass < 3; ++pass) EXPECT_FALSE(m.Math.EvaluateMathFunction(ssF2));
    m.Run("F2:Operat IFFT");
    m.Run("F2:Source1 Ch1");
    for (int pass = 0; pass < 3; ++pass) EXPECT_FALSE(m.Math.EvaluateMathFunction(ssF2));
    ASSERT_EQ(m.User->Errors.size(), 2u);
    EXPECT_EQ(m.User->Errors[0], "Absolute cannot be applied to a spectrum");
    EXPECT_NE(m.User->Errors[1].find("needs a spectrum"), std::string::npos);
    // A success empties the kept error: the same fault is told again later.
    m.Run("F2:Source1 S1");
    EXPECT_TRUE(m.Math.EvaluateMathFunction(ssF2));
    EXPECT_TRUE(m.Math.KeptError(1).empty());
    m.Run("F2:Source1 Ch1");
    EXPECT_FALSE(m.Math.EvaluateMathFunction(ssF2));
    EXPECT_EQ(m.User->Errors.size(), 3u);
    // Trend, the normalized channel and the re-timing: not computed while their parts are absent.
    for (const char* op : {"Trend", "nnn", "mmm"}) {
        m.Run(std::string("F3:Operat ") + op);
        EXPECT_FALSE(m.Math.EvaluateMathFunction(ssF3)) << op;
    }
    EXPECT_EQ(m.User->Errors.size(), 3u);
}

// A function's message box closes once its cause has gone: the function switched off, its operation
// or source changed, or the function computed; one text kept by two functions stays until both lose it.
TEST(WaveformMath, TheBoxOfAFunctionsFaultClosesWhenItsCauseHasGone) {
    TMathRig m;
    Fill(m.Record(ssCh1), {1, 2, 3, 4});
    m.Record(ssS1).SetSpectrum(true);
    Fill(m.Record(ssS1), {1, 2, 3, 4});
    const auto fault = [&](const char* function, const char* source) {
        for (const std::string& line : std::vector<std::string>{"Operat IFFT", std::string("Source1 ") + source, "Display ON"})
            m.Run(std::string(function) + ":" + line);
        EXPECT_FALSE(m.Math.EvaluateMathFunction(function[1] == '1' ? ssF1 : ssF2));
        return m.User->Errors.back();
    };
    const std::string ch1 = fault("F1", "Ch1");
    EXPECT_NE(ch1.find("needs a spectrum"), std::string::npos) << ch1;
    m.Run("F1:Display OFF");
    EXPECT_EQ(m.User->Closed, (std::vector<std::string>{ch1}));
    EXPECT_TRUE(m.Math.KeptError(0).empty());
    m.Run("F1:Display OFF");
    EXPECT_EQ(m.User->Closed.size(), 1u) << "nothing left to close";

    // Told again when switched on; a changed operation closes it.
    EXPECT_EQ(fault("F1", "Ch1"), ch1);
    m.Run("F1:Operat Invert");
    EXPECT_EQ(m.User->Closed.size(), 2u);
    // A changed source closes the old text before the new one is told.
    fault("F1", "Ch1");
    m.Run("F1:Source1 Ch2");
    ASSERT_EQ(m.User->Closed.size(), 3u);
    EXPECT_EQ(m.User->Closed.back(), ch1);
    // The same fault in two functions: one box, closed once neither has it.
    fault("F1", "Ch1");
    EXPECT_EQ(fault("F2", "Ch1"), ch1);
    m.Run("F1:Display OFF");
    EXPECT_EQ(m.User->Closed.size(), 3u) << "F2 still has the cause";
    m.Run("F2:Source1 S1");
    ASSERT_EQ(m.User->Closed.size(), 4u);
    EXPECT_EQ(m.User->Closed.back(), ch1);
    // A function that computes has no fault left: its source became a spectrum.
    fault("F1", "Ch1");
    m.Record(ssCh1).SetSpectrum(true);
    EXPECT_TRUE(m.Math.EvaluateMathFunction(ssF1));
    EXPECT_EQ(m.User->Closed.size(), 5u);
}
