#include "link/DemoSimulator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "core/InternalError.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/InstrumentIdentity.h"
#include "link/FastSine.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr double FineStepSeconds = 1.5e-13;
constexpr double TwoPi = 2 * std::numbers::pi;
// 10-90 % of a raised-cosine edge is this part of its full span.
constexpr double RiseSpanFactor = 0.590334471;
// The optical converter's electrical output: dark-free at this dark-level compensation (percent), and
// the compensation moves it by this much per percent, down as the compensation rises.
constexpr double DemoDarkPoint = 42;
constexpr double DarkVoltsPerPercent = 1e-3;

std::string GenPath(int generator, const char* suffix) {
    std::string path = "GSS:";
    path += static_cast<char>('A' + generator - 1);
    path += ':';
    path += suffix;
    return path;
}

struct TRinging {
    double Overshoot, A, B;
};
constexpr std::array<TRinging, 9> RingingTable = {{{51.5, 3.6, 1.04},
                                                   {40.4, 3.0, 1.04},
                                                   {29.5, 2.5, 1.04},
                                                   {17.8, 2.0, 1.04},
                                                   {7.1, 1.5, 1.04},
                                                   {3.2, 1.25, 0.99},
                                                   {0.9, 1.0, 0.91},
                                                   {0.14, 0.8, 0.81},
                                                   {0.0, 0.6, 0.65}}};

double Reflection(double load, double line) { return line * 1e10 >= load ? (load - line) / (load + line) : 1.0; }

// A raised-cosine segment from level a at time c to level b at time e, for c <= u < e.
double Segment(double a, double b, double c, double e, double u) {
    if (std::fabs(a - b) < 0.001) return a;
    return (a + b) / 2 + ((a - b) / 2) * FastCosOrLibrary(std::numbers::pi * (u - c) / (e - c));
}

double FlooredMod(double x, double m) { return x - std::floor(x / m) * m; }

// Round half to even for the small values of the hot loop (|v| < 2^51), without a library call: in
// the default rounding mode the addition rounds exactly as RoundHalfEven does.
inline double RoundSmall(double v) {
    constexpr double Shift = 0x1.8p52;
    return (v + Shift) - Shift;
}

}  // namespace

TTutorial::TTutorial(TShell& shell) : Shell_(shell), Uniform_(1) {
    Patterns_[0] = std::make_unique<TPSP>(Uniform_);
    Patterns_[1] = std::make_unique<TPSP>(Uniform_);
    DemoInit(false);
}

bool TTutorial::AcquisitionRunning() const {
    const TInstrumentLink* link = Shell_.Link();
    return link ? link->AcquisitionRunning() : OwnRunning_;
}

void TTutorial::SetAcquisitionRunning(bool on) {
    if (TInstrumentLink* link = Shell_.Link()) link->SetAcquisitionRunning(on);
    OwnRunning_ = on;
}

void TTutorial::DemoInit(bool useAdjustment) {
    const TInstrumentIdentityUnit* identity = Shell_.Identity();
    // An unknown model takes the first model line.
    ModelLine_ = identity && identity->Identity.IsModelFamilyB() ? 2 : 1;
    const double modelFine = ModelLine_ == 2 ? 36387 : 18333;
    if (useAdjustment) {
        StrobePeriod_ = ReadRealSetting(Shell_.CommandTree(), "FLASH:Calibr:CoarseTB", 4.6e-9);
        FineCount1_ = FineCount2_ = ReadRealSetting(Shell_.CommandTree(), "FLASH:Calibr:FineTB", modelFine);
        OddPeriodOffset_ = 0;
    } else {
        StrobePeriod_ = 4.6e-9;
        FineCount1_ = 18333;
        FineCount2_ = 36387;
        OddPeriodOffset_ = 1e-12;
    }
    // A period of a few fine steps or less would leave the model without a fine part.
    if (!(StrobePeriod_ > 10 * FineStepSeconds)) StrobePeriod_ = 4.6e-9;
    if (!(FineCount1_ > 0)) FineCount1_ = 18333;
    if (!(FineCount2_ > 0)) FineCount2_ = 36387;
}

void TTutorial::LoadPattern(int index, int generator) {
    TCommandTree* tree = Shell_.CommandTree();
    TPSP& p = *Patterns_[static_cast<std::size_t>(index)];
    static constexpr int Orders[] = {5, 7, 11, 15};
    const int order = Orders[std::clamp(ReadChoiceSetting(tree, GenPath(generator, "PrbsLength"), 0), 0, 3)];
    const bool maxLength = ReadChoiceSetting(tree, GenPath(generator, "PrbsLenMode"), 0) == 0;
    const int length = (1 << order) - (maxLength ? 1 : 0);
    if (p.Order() != order || p.Length() != length) p.SetPrbsOrder(order, maxLength);
    p.SetNrz(ReadChoiceSetting(tree, GenPath(generator, "PrbsMode"), 0) == 0);
    const double f = ReadRealSetting(tree, GenPath(generator, "Frequency"), 1e8);
    // The settings are 10-90 % times; the pattern takes full edge spans.
    p.SetRiseSpan(ReadRealSetting(tree, GenPath(generator, "RiseTime"), 1e-10) * f / RiseSpanFactor);
    p.SetFallSpan(ReadRealSetting(tree, GenPath(generator, "FallTime"), 1e-10) * f / RiseSpanFactor);
    p.SetPulseWidth(ReadRealSetting(tree, GenPath(generator, "PulseWidth"), 1e-9) * f);
    p.SetPosOvershoot(ReadRealSetting(tree, GenPath(generator, "PosOvershot"), 0) / 100);
    p.SetNegOvershoot(ReadRealSetting(tree, GenPath(generator, "NegOvershot"), 0) / 100);
    p.SetDroop(ReadRealSetting(tree, GenPath(generator, "Droop"), 0) / 100);
    p.SetInterSymbolInterference(ReadRealSetting(tree, GenPath(generator, "InterSymbIJ"), 0) / 100);
    p.SetDutyCycleDistortion(ReadRealSetting(tree, GenPath(generator, "DutyCycleDist"), 0) / 100);
    p.SetSubRateJitter(ReadRealSetting(tree, GenPath(generator, "SubRateJit"), 0) / 100);
    p.SetSubRateDivider(static_cast<int>(ReadRealSetting(tree, GenPath(generator, "SubRateDiv"), 0)));
    const bool locked = ReadChoiceSetting(tree, "Trig:PatternLockMode", 0) != 0;
    p.SetLockStride(locked ? static_cast<int>(ReadRealSetting(tree, "Trig:PattLen", 127)) : 977);
}

void TTutorial::DemoSetupPatternGenerators() {
    TCommandTree* tree = Shell_.CommandTree();
    for (int index = 0; index < 2; ++index) {
        const int generator = ReadChoiceSetting(tree, index == 0 ? "GSS:Ch1" : "GSS:Ch2", index + 1);
        if (generator < 1 || generator > 4) continue;
        if (ReadChoiceSetting(tree, GenPath(generator, "Waweform"), 0) == gwPrbs) LoadPattern(index, generator);
    }
}

void TTutorial::DemoSetRandomRange(int patternLength) {
    PatternTrigLength_ = std::max(patternLength, 0);
    RandomBase_ = static_cast<int>(Uniform_.NextInt(static_cast<std::uint32_t>(PatternTrigLength_)));
    StartBit_ = RandomBase_ + static_cast<std::int64_t>(ReadRealSetting(Shell_.CommandTree(), "Trig:PattDelay", 0));
}

void TTutorial::DemoSetRandomSeed(bool patternTriggerOn) {
    PatternTriggerMode_ = patternTriggerOn;
    StartBit_ = Uniform_.NextInt(static_cast<std::uint32_t>(PatternTrigLength_));
}

double TTutorial::DemoGeneratorValue(int channel) const {
    TCommandTree* tree = Shell_.CommandTree();
    int generator = ReadChoiceSetting(tree, channel == 3 ? "GSS:Ch2" : "GSS:Ch1", channel == 3 ? 2 : 1);
    if (generator < 1 || generator > 4) generator = 1;
    return ReadRealSetting(tree, GenPath(generator, "Frequency"), 1e8);
}

bool TTutorial::ChannelAcquired(int index) const {
    if (ChannelsMode_ == chCodeCh1) return index == 0;
    if (ChannelsMode_ == chCodeCh2) return index == 1;
    return true;
}

void TTutorial::SetupChannel(int index) {
    TCommandTree* tree = Shell_.CommandTree();
    TChannel& c = Channels_[static_cast<std::size_t>(index)];
    c.ChannelOffsetCode = ReadRealSetting(tree, index == 0 ? "Ch1:Offset" : "Ch2:Offset", 0) * CodesPerVolt;
    // The converter's output follows its dark-level compensation, as a real converter does, so that
    // the dark-level search narrows to the point where the dark output is zero.
    c.DarkCode = 0;
    if (ReadChoiceSetting(tree, "OEConv:Dest", 0) == index + 1)
        c.DarkCode = (DemoDarkPoint - ReadRealSetting(tree, "FLASH:OECalibr:DarkLvl", DemoDarkPoint)) *
                     DarkVoltsPerPercent * CodesPerVolt;
    c.Generator = ReadChoiceSetting(tree, index == 0 ? "GSS:Ch1" : "GSS:Ch2", index + 1);
    if (c.Generator < 1 || c.Generator > 4) {
        c.Generator = 0;
        return;
    }
    auto num = [&](const char* suffix, double fallback) { return ReadRealSetting(tree, GenPath(c.Generator, suffix), fallback); };
    c.AmpCode = num("Amplitude", 0.5) * CodesPerVolt;
    c.Kind = std::clamp(ReadChoiceSetting(tree, GenPath(c.Generator, "Waweform"), 0), 0, 4);
    c.Frequency = num("Frequency", 1e8);
    if (!(c.Frequency > 0)) c.Frequency = 1e8;
    c.Period = 1 / c.Frequency;
    if (c.Kind <= gwPrbs) {
        const double delta = num("DeltaPhase", 0);
        if (std::fabs(delta) < 1e-15) {
            c.PhaseFraction = num("Phase", 0) / 360;
        } else {
            c.PhaseFraction += delta / 360;
            if (c.PhaseFraction > 1) c.PhaseFraction -= 1;
            if (c.PhaseFraction < -1) c.PhaseFraction += 1;
        }
        c.Jitter = num("Jitter", 2e-12);
        c.PeriodJitterAmp = num("PeriodJitter", 0) * c.Period / 200;
        c.OffsetCode = num("Offset", 0) * CodesPerVolt;
        c.NoiseCode = num("Noise", 0.002) * CodesPerVolt;
    }
    if (c.Kind == gwPulse || c.Kind == gwPrbs) {
        const double r = num("RiseTime", 1e-10) / RiseSpanFactor;
        const double fall = num("FallTime", 1e-10) / RiseSpanFactor;
        const double w = c.Kind == gwPrbs ? c.Period / 2 : num("PulseWidth", 1e-9);
        auto& p = c.P;
        p[0] = 1 + num("PosOvershot", 0) / 100;
        p[1] = r;
        p[2] = p[1] + r * std::sqrt(std::fabs(p[0] - 1) / p[0]);
        p[3] = 1 - num("Droop", 0) / 100;
        p[4] = w - fall / 2 + r / 2;
        p[5] = -num("NegOvershot", 0) / 100;
        p[6] = p[4] + fall;
        const double denominator = p[3] - p[5];
        p[7] = p[6] + (denominator != 0 ? fall * std::sqrt(std::fabs(p[5] / denominator)) : 0);
    }
    if (c.Kind == gwPrbs) {
        c.FrameTrigger = ReadChoiceSetting(tree, GenPath(c.Generator, "PrbsTrigger"), 0) == 1;
        LoadPattern(index, c.Generator);
        double rate = c.Frequency;
        while (rate > 2.5e8) rate /= 2;
        if (rate > 1.25e8) rate /= 2;
        const double threshold = ReadOnOffSetting(tree, "Trig:PattAddDelay", false) ? 9.3e7 : 1.05e8;
        c.ExtraBitProbability = rate <= threshold ? 0 : (rate - threshold) / 9e6;
    }
    if (c.Kind == gwTdr || c.Kind == gwTdt) {
        c.AmpCode = 6720;
        c.OffsetCode = -368;
        c.NoiseCode = 16;
        const double o = std::max(num("TDROvershot", 10), 0.01);
        std::size_t i = 1;
        while (i < 8 && RingingTable[i].Overshoot >= o) ++i;
        const TRinging& lo = RingingTable[i - 1];
        const TRinging& hi = RingingTable[i];
        const double k = (o - lo.Overshoot) / (hi.Overshoot - lo.Overshoot);
        const double a = lo.A + (hi.A - lo.A) * k;
        const double b = lo.B + (hi.B - lo.B) * k;
        c.Omega = b / 9e-11;
        c.Tau = a / c.Omega;
        c.Skol = num("TDRSkol", 5) / 100;
        TCircuit& k2 = c.Circuit;
        k2 = TCircuit{};
        double load = 50;
        if (c.Kind == gwTdr) {
            static constexpr double Loads[] = {0, 1e10, 0, 50, 85, 150, 10000, 0.02};
            static constexpr double Delays[] = {0, 1.5e-9, 1.5e-9, 1.5e-9, 1.5e-9, 2.5e-9, 2.5e-9, 2.5e-9};
            static constexpr double Spacings[] = {0, 0, 0, 0, 0, 1e-9, 5e-12, 5e-12};
            const int circuit = std::clamp(ReadChoiceSetting(tree, GenPath(c.Generator, "TDRCircuit"), 1), 0, 7);
            k2.Off = circuit == 0;
            load = Loads[circuit];
            k2.Delay = Delays[circuit];
            k2.Spacing = Spacings[circuit];
        } else {
            static constexpr double Loads[] = {0, 50, 50, 150, 10000, 0.02};
            static constexpr double Weights[] = {0, 1, 0.5, 1, 1, 1};
            static constexpr double Delays[] = {0, 0, 3e-9, 2e-9, 5e-12, 5e-12};
            const int circuit = std::clamp(ReadChoiceSetting(tree, GenPath(c.Generator, "TDTCircuit"), 1), 0, 5);
            k2.Off = circuit == 0;
            load = Loads[circuit];
            k2.Weight = Weights[circuit];
            k2.Delay = Delays[circuit];
        }
        k2.Rho = Reflection(load, 50);
        k2.RhoBack = Reflection(50, load);
    }
}

void TTutorial::DemoStartAcquisition() {
    if (AcquisitionRunning()) RaiseInternalError("Acquisition is running", "_SHELL\\SRC\\Tutorial", 1014);
    SetAcquisitionRunning(true);
    for (int index = 0; index < 2; ++index)
        if (ChannelAcquired(index)) SetupChannel(index);
    PointCounter_ = 1;
    Pending_ = 0;
    PollCounter_ = 1;
    QueueNext_ = QueueEnd_ = 0;
    const double recordLength = std::max<double>(RecordLength_, 1);
    const double step = TimePerDiv_ * 512 / (50 * recordLength);
    Pacing_ = static_cast<int>(std::clamp<std::int64_t>(RoundHalfEven(step / 1e-8), 0, 1 << 20)) +
              std::max<int>(AverageCount_, 1);
    StepTime_ = static_cast<double>(StepsDelay_) * StrobePeriod_ - 6.5e-9;
    // The model is known only once an instrument started; an unknown one takes the first model line.
    const TInstrumentIdentityUnit* identity = Shell_.Identity();
    ModelLine_ = identity && identity->Identity.IsModelFamilyB() ? 2 : 1;
    FineTB_ = ReadRealSetting(Shell_.CommandTree(), "FLASH:Calibr:FineTB", ModelLine_ == 2 ? 36387 : 18333);
    FineUnit1_ = 4e-9 / FineCount1_;
    // The delay-line model at the delay, stepping by one point.
    const double p = StrobePeriod_;
    FinePerPeriod_ = static_cast<double>(RoundHalfEven(p / FineStepSeconds));
    const std::int64_t whole = Trunc(Delay_ / p);
    N_ = whole + static_cast<std::int64_t>(ReadRealSetting(Shell_.CommandTree(), "FLASH:Calibr:CoarseDelay", 0));
    F_ = static_cast<double>(RoundHalfEven((Delay_ - static_cast<double>(whole) * p) / FineStepSeconds));
    WholeStep_ = Trunc(step / p);
    FineStep_ = (step - static_cast<double>(WholeStep_) * p) / FineStepSeconds;
    SampleTime_ = DelayLineTime(N_, F_);
}

double TTutorial::DelayLineTime(std::int64_t n, double f) const {
    const double p = StrobePeriod_;
    // The four-phase error of the strobe is a bounded skew; growing with n it would scramble long delays.
    const double phase = static_cast<double>(((n % 4) + 4) % 4);
    double t = static_cast<double>(n) * p + (phase - 1.5) * 2e-4 * p;
    if (ModelLine_ == 2) {
        const double q = p / 65535;
        t += FineTB_ * static_cast<double>(RoundHalfEven(f / (q / FineStepSeconds))) * q / FineCount2_;
    } else {
        t += RoundSmall(FineTB_ * std::trunc(f) / 26667) * FineUnit1_;
    }
    if (n & 1) t += OddPeriodOffset_;
    return t;
}

void TTutorial::NextSampleTime() {
    if (AutoscaleUntriggered) {
        SampleTime_ = Uniform_.NextDouble() * 1e-3;
        return;
    }
    F_ += FineStep_;
    if (F_ > FinePerPeriod_) {
        ++N_;
        F_ -= FinePerPeriod_;
    }
    N_ += WholeStep_;
    SampleTime_ = DelayLineTime(N_, F_);
}

bool TTutorial::DemoAcquisitionReady() {
    const int pacing = Pending_ > 0 ? 2 : Pacing_;
    if (PollCounter_ < pacing) {
        ++PollCounter_;
        return false;
    }
    PollCounter_ = 1;
    return true;
}

std::uint16_t TTutorial::DemoNextSample() {
    if (Pending_ > 0) {
        Pending_ = 0;
        return PendingCode_;
    }
    if (PointCounter_ > RecordLength_) return EndOfRecord;
    if (QueueNext_ == QueueEnd_) ProducePoints(1);
    const auto next = static_cast<std::size_t>(QueueNext_++);
    ++PointCounter_;
    const bool ch1 = ChannelAcquired(0);
    if (ch1 && ChannelAcquired(1)) {
        Pending_ = 1;
        PendingCode_ = Queue2_[next];
        return Queue1_[next];
    }
    return ch1 ? Queue1_[next] : Queue2_[next];
}

// A point's samples draw, in this order, the time jitter and, for each channel with a generator, its
// own jitter (not TDR or TDT) and its noise: every draw of a slice is taken at once, in that order.
// The PRBS values, which take uniform draws too, and the sample times go sample by sample as drawn;
// the other kinds then go a channel at a time over the slice.
void TTutorial::ProducePoints(int points) {
    const int averages = std::max<int>(AverageCount_, 1);
    std::array<bool, 2> live{}, prbs{};
    DrawsPerSample_ = 1;
    for (std::size_t i = 0; i < 2; ++i) {
        const TChannel& c = Channels_[i];
        live[i] = ChannelAcquired(static_cast<int>(i)) && c.Generator != 0;
        if (!live[i]) continue;
        prbs[i] = c.Kind == gwPrbs;
        if (c.Kind <= gwPrbs) JitterDraw_[i] = DrawsPerSample_++;
        NoiseDraw_[i] = DrawsPerSample_++;
    }
    const std::array<bool, 2> acquired = {ChannelAcquired(0), ChannelAcquired(1)};
    std::fill_n(Sums1_.begin(), points, 0);
    std::fill_n(Sums2_.begin(), points, 0);
    const auto d = static_cast<std::size_t>(DrawsPerSample_);
    const std::int64_t samples = static_cast<std::int64_t>(points) * averages;
    int point = 0, average = 0;
    for (std::int64_t first = 0; first < samples; first += Slice) {
        const int n = static_cast<int>(std::min<std::int64_t>(Slice, samples - first));
        Gaussian_.Fill(Draws_.data(), static_cast<std::size_t>(n) * d);
        // A pattern that is built and draws nothing itself takes the slice's positions at once.
        std::array<bool, 2> prepared{};
        for (std::size_t i = 0; i < 2; ++i) prepared[i] = prbs[i] && Patterns_[i]->Prepared();
        for (int k = 0; k < n; ++k) {
            const auto kk = static_cast<std::size_t>(k);
            const double* g = &Draws_[kk * d];
            const double t = SampleTime_ + g[0] * 1e-14;
            Times_[kk] = t;
            PointOf_[kk] = point;
            for (std::size_t i = 0; i < 2; ++i)
                if (prbs[i]) {
                    const double bits = PrbsPosition(static_cast<int>(i), t, g[JitterDraw_[i]] * Channels_[i].Jitter);
                    Values_[i][kk] = prepared[i] ? bits : Patterns_[i]->GetValueAt(bits);
                }
            if (++average == averages) {
                average = 0;
                ++point;
                NextSampleTime();
            }
        }
        for (std::size_t i = 0; i < 2; ++i) {
            auto& sums = i == 0 ? Sums1_ : Sums2_;
            if (!live[i]) {
                // A channel routed to no generator reads -1 in every sample.
                if (acquired[i])
                    for (int k = 0; k < n; ++k) sums[static_cast<std::size_t>(PointOf_[static_cast<std::size_t>(k)])] -= 1;
                continue;
            }
            if (prepared[i]) Patterns_[i]->LevelsAt(Values_[i].data(), Values_[i].data(), static_cast<std::size_t>(n));
            if (!prbs[i]) SignalValues(static_cast<int>(i), n);
            const TChannel& c = Channels_[i];
            const double base = c.OffsetCode + c.ChannelOffsetCode + c.DarkCode;
            const auto noise = static_cast<std::size_t>(NoiseDraw_[i]);
            for (int k = 0; k < n; ++k) {
                const auto kk = static_cast<std::size_t>(k);
                double v = base + c.AmpCode * Values_[i][kk] + Draws_[kk * d + noise] * c.NoiseCode;
                if (!(v == v)) v = 0;
                // Clamping first gives the same code: the limits are whole numbers.
                sums[static_cast<std::size_t>(PointOf_[kk])] += static_cast<std::int64_t>(RoundSmall(std::clamp(v, -32760.0, 32760.0)));
            }
        }
    }
    for (std::size_t p = 0; p < static_cast<std::size_t>(points); ++p) {
        std::int64_t sum1 = Sums1_[p], sum2 = Sums2_[p];
        // No division for a single acquisition: an integer division costs more than the rest of a point.
        if (averages > 1) sum1 /= averages, sum2 /= averages;
        Queue1_[p] = static_cast<std::uint16_t>(static_cast<std::int16_t>(sum1));
        Queue2_[p] = static_cast<std::uint16_t>(static_cast<std::int16_t>(sum2));
    }
    QueueNext_ = 0;
    QueueEnd_ = points;
}

// The values of a channel that is not PRBS over the slice's samples.
void TTutorial::SignalValues(int index, int n) {
    const TChannel& c = Channels_[static_cast<std::size_t>(index)];
    auto& x = Values_[static_cast<std::size_t>(index)];
    const auto d = static_cast<std::size_t>(DrawsPerSample_);
    const double* g = Draws_.data() + JitterDraw_[static_cast<std::size_t>(index)];
    switch (c.Kind) {
    case gwSinewave: {
        const double phase = TwoPi * c.PhaseFraction;
        bool inRange = true;
        for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) {
            const double a = TwoPi * (Times_[k] + g[k * d] * c.Jitter) * c.Frequency + phase;
            inRange &= FastSinInRange(a);
            x[k] = 0.5 * FastSin(a);
        }
        if (!inRange)
            for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) {
                const double a = TwoPi * (Times_[k] + g[k * d] * c.Jitter) * c.Frequency + phase;
                if (!FastSinInRange(a)) x[k] = 0.5 * std::sin(a);
            }
        break;
    }
    case gwPulse: {
        const double shift = c.Period * c.PhaseFraction;
        for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k)
            x[k] = PulseShape(c, FlooredMod(g[k * d] * c.Jitter + 2 * c.Period + Times_[k] + shift, c.Period));
        break;
    }
    case gwTdr:
        for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) x[k] = TdrValue(c, Times_[k]);
        break;
    default:
        for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k) x[k] = TdtValue(c, Times_[k]);
        break;
    }
}

double TTutorial::PrbsPosition(int index, double t, double g) {
    const TChannel& c = Channels_[static_cast<std::size_t>(index)];
    TPSP& pattern = *Patterns_[static_cast<std::size_t>(index)];
    // The position in unit intervals; the pattern takes it modulo its length.
    double o = g + t;
    if (c.PeriodJitterAmp != 0) o += c.PeriodJitterAmp * std::sin(TwoPi * Uniform_.NextDouble());
    double bits = o * c.Frequency;
    if (!c.FrameTrigger) {
        if (PatternTriggerMode_) {
            StartBit_ += static_cast<std::int64_t>(Uniform_.NextInt(3)) * PatternTrigLength_;
            while (StartBit_ > pattern.Length()) StartBit_ -= pattern.Length();
            double extra = 0;
            if (c.ExtraBitProbability >= 1 || (c.ExtraBitProbability > 0 && Uniform_.NextDouble() < c.ExtraBitProbability))
                extra = 1;
            bits += static_cast<double>(StartBit_) + extra;
        } else {
            bits += Uniform_.NextInt(static_cast<std::uint32_t>(pattern.Length()));
        }
    }
    return bits;
}

double TTutorial::PulseShape(const TChannel& c, double tau) const {
    const auto& p = c.P;
    if (tau < p[1]) return Segment(0, p[0], 0, p[1], tau);
    if (tau < p[2]) return Segment(p[0], 1, p[1], p[2], tau);
    if (tau < p[4]) return Segment(1, p[3], p[2], p[4], tau);
    if (tau < p[6]) return Segment(p[3], p[5], p[4], p[6], tau);
    if (tau < p[7]) return Segment(p[5], 0, p[6], p[7], tau);
    return 0;
}

double TTutorial::Ringing(const TChannel& c, double u) const {
    if (u < 0) return 0;
    // Far after the step the exponentials are below a double's resolution of 1: skip them.
    const double slow = u < 60 * 1.5e-9 ? 1 - c.Skol * std::exp(-u / 1.5e-9) : 1;
    const double r = u / c.Tau;
    const double ring = r * r < 745 ? FastCosOrLibrary(c.Omega * u) * std::exp(-r * r) : 0;
    return slow * (ring - 1);
}

// Sum over k = 1 .. count of weight x q^(k-1) x R(first - (k-1) x step): the echo ladders. Far after
// the step R is -1 + s x e^(-u / 1.5e-9) (the ringing has died), so those terms are two geometric
// series; only the echoes close to the step are summed one by one. Thousands of echoes of the "Lx"
// and "Cx" circuits would otherwise cost a loop per sample.
double TTutorial::EchoSum(const TChannel& c, double weight, double q, double first, double step, std::int64_t count) const {
    if (count <= 0 || weight == 0) return 0;
    constexpr double SlowTau = 1.5e-9;
    auto geometric = [](double r, std::int64_t n) {
        return std::fabs(1 - r) < 1e-12 ? static_cast<double>(n) : (1 - std::pow(r, static_cast<double>(n))) / (1 - r);
    };
    // The terms at or beyond these distances: no slow part (e^-40), no ringing (e^-40).
    const double tail = 40 * SlowTau;
    const double ringEnd = c.Tau * 6.33;
    auto termsAtOrBeyond = [&](double limit) -> std::int64_t {
        if (step <= 0) return first >= limit ? count : 0;
        if (first < limit) return 0;
        return std::min<std::int64_t>(count, static_cast<std::int64_t>(std::floor((first - limit) / step)) + 1);
    };
    const std::int64_t flat = ringEnd < tail ? termsAtOrBeyond(tail) : 0;
    const std::int64_t smooth = std::max(flat, termsAtOrBeyond(ringEnd));
    double sum = -weight * geometric(q, flat);
    if (smooth > flat) {
        const std::int64_t n = smooth - flat;
        const double qk = std::pow(q, static_cast<double>(flat));
        const double u = first - static_cast<double>(flat) * step;
        const double a = std::exp(step / SlowTau);
        sum += weight * qk * (-geometric(q, n) + c.Skol * std::exp(-u / SlowTau) * geometric(q * a, n));
    }
    double m = weight * std::pow(q, static_cast<double>(smooth));
    for (std::int64_t k = smooth; k < count; ++k) {
        sum += m * Ringing(c, first - static_cast<double>(k) * step);
        m *= q;
    }
    return sum;
}

// How many weights m0 x q^j stay above 1e-5.
std::int64_t TTutorial::WeightsAboveLimit(double m0, double q) {
    constexpr double Limit = 1e-5;
    constexpr std::int64_t Many = std::int64_t{1} << 40;
    if (!(m0 > Limit)) return 0;
    if (!(q > 0)) return 1;
    if (q >= 1) return Many;
    return std::min<std::int64_t>(Many, static_cast<std::int64_t>(std::ceil(std::log(Limit / m0) / std::log(q))));
}

double TTutorial::TdrValue(const TChannel& c, double t) const {
    const TCircuit& k = c.Circuit;
    if (k.Off) return 0;
    const double d = t - StepTime_;
    double x = 0.5 * Ringing(c, d) + 0.25 * k.Rho * Ringing(c, d - 2 * k.Delay);
    // Echoes of the second section, each 2 x spacing later, while their weight lasts and they fall
    // after the step; no spacing, no echoes.
    if (k.Spacing > 0) {
        const double step = 2 * k.Spacing;
        const double first = d - 2 * k.Delay - step;
        const double q = k.RhoBack * k.RhoBack;
        const std::int64_t afterStep = first >= 0 ? static_cast<std::int64_t>(std::floor(first / step)) + 1 : 0;
        const std::int64_t count = std::min(afterStep, WeightsAboveLimit(1 + k.Rho, q));
        x += EchoSum(c, 0.25 * (1 + k.Rho) * (1 + k.RhoBack) * k.RhoBack, q, first, step, count);
    }
    return x;
}

double TTutorial::TdtValue(const TChannel& c, double t) const {
    const TCircuit& k = c.Circuit;
    if (k.Off) return 0;
    const double d = t - StepTime_ - k.Delay;
    // The first pass always counts; each further one comes 2D later, while it falls after the step.
    // Without a delay every echo lands on the first: one term is all.
    const double step = 2 * k.Delay;
    const std::int64_t afterStep = step > 0 && d >= 0 ? static_cast<std::int64_t>(std::floor(d / step)) + 1 : 1;
    const double q = k.Weight * k.Weight * k.RhoBack * k.RhoBack;
    const std::int64_t count = std::min(afterStep, WeightsAboveLimit(1 + k.Rho, q));
    return EchoSum(c, (1 + k.Rho) * k.Weight * (1 + k.RhoBack), q, d, step, count);
}

bool TTutorial::ReadAcqWords(const std::uint16_t*& words, std::uint16_t& count) {
    // The polls, as DemoAcquisitionReady and DemoNextSample take them, first noting what each word is:
    // the second channel's word left from the last read, the end, or a channel of a new point. The
    // new points are then made in one run.
    constexpr int Left = -1, End = -2;
    const bool ch1 = ChannelAcquired(0);
    const bool both = ch1 && ChannelAcquired(1);
    std::array<int, PollsPerRead> what{};
    int points = 0, pollCounter = PollCounter_, pending = Pending_, point = PointCounter_;
    const int pacing = Pacing_, last = RecordLength_;
    std::uint16_t n = 0;
    for (int poll = 0; poll < PollsPerRead; ++poll) {
        if (pollCounter < (pending > 0 ? 2 : pacing)) {
            ++pollCounter;
            continue;
        }
        pollCounter = 1;
        if (pending > 0) {
            pending = 0;
            what[n++] = points > 0 ? 2 * (points - 1) + 1 : Left;
            continue;
        }
        if (point > last) {
            what[n++] = End;
            break;
        }
        ++point;
        what[n++] = 2 * points + (ch1 ? 0 : 1);
        pending = both ? 1 : 0;
        ++points;
    }
    PollCounter_ = pollCounter, Pending_ = pending, PointCounter_ = point;
    count = n;
    if (points > 0) ProducePoints(points);
    for (std::size_t w = 0; w < count; ++w) {
        const int k = what[w];
        Words_[w] = k == Left ? PendingCode_ : k == End ? EndOfRecord : (k & 1 ? Queue2_ : Queue1_)[static_cast<std::size_t>(k >> 1)];
    }
    if (Pending_ > 0 && points > 0) PendingCode_ = Queue2_[static_cast<std::size_t>(points - 1)];
    QueueNext_ = QueueEnd_;
    words = Words_.data();
    return true;
}

}  // namespace vt
