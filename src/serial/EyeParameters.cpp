#include "serial/EyeParameters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"

namespace vt {

namespace {

using U = TEyeUnit;

constexpr std::array<TEyeParamDef, 15> XNrz{{
    {"Area", "Area", U::VuHu},
    {"BitRate", "BitRate", U::Text, "Bit/s"},
    {"BitTime", "BitTime", U::Hu},
    {"CrossTime", "CrossingTime", U::Hu},
    {"CycleArea", "CycleArea", U::VuHu},
    {"DutCycDistP", "DutCycDistPerc", U::Text, "%"},
    {"DutCycDistS", "DutCycDist_s", U::Hu},
    {"EyeWidth", "EyeWidth", U::Hu},
    {"EyeWidthP", "EyeWidthPerc", U::Text, "%"},
    {"FallTime", "FallTime", U::Hu},
    {"Freq", "Frequency", U::Text, "Hz"},
    {"JitterPP", "JitterPp", U::Hu},
    {"JitterRMS", "JitterRMS", U::Hu},
    {"Period", "Period", U::Hu},
    {"RiseTime", "RiseTime", U::Hu},
}};

constexpr std::array<TEyeParamDef, 27> YNrz{{
    {"AcRMS", "acRMS", U::Vu},
    {"AvgPower", "AvgPower", U::Text, "W"},
    {"AvgPWdBm", "AvgPower_dBm", U::Text, "dBm"},
    {"CrossPerc", "CrossingPerc", U::Text, "%"},
    {"CrossLevel", "CrossingLevel", U::Vu},
    {"ExtRatioDB", "ExtRatio_dB", U::Text, "dB"},
    {"ExtRatioP", "ExtRatioPerc", U::Text, "%"},
    {"ExtRatio", "ExtRatio", U::None},
    {"EyeAmpl", "EyeAmplitude", U::Vu},
    {"EyeHeight", "EyeHeight", U::Vu},
    {"EyeHeightDB", "EyeHeight_dB", U::Text, "dB"},
    {"Max", "Maximum", U::Vu},
    {"Mean", "Mean", U::Vu},
    {"Mid", "Mid", U::Vu},
    {"Min", "Minimum", U::Vu},
    {"NegOver", "NegOvershoot", U::Text, "%"},
    {"PPNoiseOne", "NoisePpOne", U::Vu},
    {"PPNoiseZero", "NoisePpZero", U::Vu},
    {"RMSNoiseOne", "NoiseRMS_One", U::Vu},
    {"RMSNoiseZero", "NoiseRMS_Zero", U::Vu},
    {"OneLevel", "OneLevel", U::Vu},
    {"PeakPeak", "PeakPeak", U::Vu},
    {"PosOver", "PosOvershoot", U::Text, "%"},
    {"RMS", "RMS", U::Vu},
    {"SNRaio", "S_N_Ratio", U::None},
    {"SNRaioDB", "S_N_Ratio_dB", U::Text, "dB"},
    {"ZeroLevel", "ZeroLevel", U::Vu},
}};

constexpr std::array<TEyeParamDef, 17> XRz{{
    {"Area", "Area", U::VuHu},
    {"BitRate", "BitRate", U::Text, "Bit/s"},
    {"BitTime", "BitTime", U::Hu},
    {"CycleArea", "CycleArea", U::VuHu},
    {"EyeWidth", "EyeWidth", U::Hu},
    {"EyeWidthP", "EyeWidthPerc", U::Text, "%"},
    {"FallTime", "FallTime", U::Hu},
    {"JittPpFall", "JitterPpFall", U::Hu},
    {"JittPpRise", "JitterPpRise", U::Hu},
    {"JittRMSFall", "JitterRMS_Fall", U::Hu},
    {"JittRMSRise", "JitterRMS_Rise", U::Hu},
    {"NegCross", "NegCrossing", U::Hu},
    {"PosCross", "PosCrossing", U::Hu},
    {"PosDutyCyc", "PosDutyCycle", U::Text, "%"},
    {"PulseSymm", "PulseSymmetry", U::Text, "%"},
    {"PulseWidth", "PulseWidth", U::Hu},
    {"RiseTime", "RiseTime", U::Hu},
}};

// The contrast ratio's dB and percent forms carry their units.
constexpr std::array<TEyeParamDef, 26> YRz{{
    {"AcRMS", "ACRMS", U::Vu},
    {"AvgPower", "AvgPower", U::Text, "W"},
    {"AvgPWdBm", "AvgPower_dBm", U::Text, "dBm"},
    {"Contrast", "ContrastRatio", U::None},
    {"ContrastBb", "ContrastRatio_dB", U::Text, "dB"},
    {"ContrastP", "ContrastRatioPerc", U::Text, "%"},
    {"ExtRatioDB", "ExtRatio_dB", U::Text, "dB"},
    {"ExtRatioP", "ExtRatioPerc", U::Text, "%"},
    {"ExtRatio", "ExtRatio", U::None},
    {"EyeAmpl", "EyeAmplitude", U::Vu},
    {"EyeHeight", "EyeHeight", U::Vu},
    {"EyeHeightDB", "EyeHeight_dB", U::Text, "dB"},
    {"EyeOpenFact", "EyeOpening", U::None},
    {"Max", "Maximum", U::Vu},
    {"Mean", "Mean", U::Vu},
    {"Mid", "Mid", U::Vu},
    {"Min", "Minimum", U::Vu},
    {"PPNoiseOne", "NoisePpOne", U::Vu},
    {"PPNoiseZero", "NoisePpZero", U::Vu},
    {"RmsNoiseOne", "NoiseRMS_One", U::Vu},
    {"RMSNoiseZero", "NoiseRMS_Zero", U::Vu},
    {"OneLevel", "OneLevel", U::Vu},
    {"PeakPeak", "PeakPeak", U::Vu},
    {"RMS", "RMS", U::Vu},
    {"SignToNoise", "SignaltoNoise", U::None},
    {"ZeroLevel", "ZeroLevel", U::Vu},
}};

enum XNrzKind { xnArea, xnBitRate, xnBitTime, xnCrossTime, xnCycleArea, xnDutCycDistP, xnDutCycDistS, xnEyeWidth,
                xnEyeWidthP, xnFallTime, xnFreq, xnJitterPP, xnJitterRMS, xnPeriod, xnRiseTime };
enum YNrzKind { ynAcRms, ynAvgPower, ynAvgPWdBm, ynCrossPerc, ynCrossLevel, ynExtRatioDB, ynExtRatioP, ynExtRatio,
                ynEyeAmpl, ynEyeHeight, ynEyeHeightDB, ynMax, ynMean, ynMid, ynMin, ynNegOver, ynPPNoiseOne,
                ynPPNoiseZero, ynRmsNoiseOne, ynRmsNoiseZero, ynOneLevel, ynPeakPeak, ynPosOver, ynRms, ynSN, ynSNdB,
                ynZeroLevel };
enum XRzKind { xrArea, xrBitRate, xrBitTime, xrCycleArea, xrEyeWidth, xrEyeWidthP, xrFallTime, xrJittPpFall,
               xrJittPpRise, xrJittRmsFall, xrJittRmsRise, xrNegCross, xrPosCross, xrPosDutyCyc, xrPulseSymm,
               xrPulseWidth, xrRiseTime };
enum YRzKind { yrAcRms, yrAvgPower, yrAvgPWdBm, yrContrast, yrContrastDb, yrContrastP, yrExtRatioDB, yrExtRatioP,
               yrExtRatio, yrEyeAmpl, yrEyeHeight, yrEyeHeightDB, yrEyeOpen, yrMax, yrMean, yrMid, yrMin,
               yrPPNoiseOne, yrPPNoiseZero, yrRmsNoiseOne, yrRmsNoiseZero, yrOneLevel, yrPeakPeak, yrRms, yrSN,
               yrZeroLevel };

constexpr double Undef = UndefinedValue;
constexpr int LowestRow = 10;
constexpr int HighestRow = 1014;

bool Defined(double v) { return !IsUndefinedValue(v) && std::isfinite(v); }
int Round(double x) { return static_cast<int>(RoundHalfEven(x)); }

double Div(double a, double b) {
    if (!Defined(a) || !Defined(b) || std::abs(b) <= 1e-30) return Undef;
    return a / b;
}
// k log10 of a ratio; a ratio at or below 0 has no logarithm.
double LogOf(double k, double ratio) { return Defined(ratio) && ratio > 0 ? k * std::log10(ratio) : Undef; }
double Scaled(double v, double k) { return Defined(v) ? v * k : Undef; }

// One computation: the engine, the record's conversions and the parameter's annotation records.
class TCalc {
public:
    TCalc(TEyeEngine& engine, const TEyeParamInputs& in, TParam& param)
        : E_(engine), S_(engine.State()), R_(*in.Record), In_(in), A_(param.Annotations) {}

    double v(double row) const { return R_.PixelToValue(row); }
    double t(double column) const { return R_.ColumnToTime(column); }
    double RowOfValue(double value) const { return R_.ValueToPixel(value); }
    bool Watts() const { return R_.GetVertUnit() == "W"; }
    double One() const { return S_.OneLevelRow; }
    double Zero() const { return S_.ZeroLevelRow; }
    double X() const { return S_.CrossingLevelRow; }
    bool XDefined() const { return Defined(S_.CrossingLevelRow); }
    int Lb() const { return S_.LeftBoundCol; }
    int Rb() const { return S_.RightBoundCol; }

    void Point(int n, double x, double y) {
        SetAnnotationPoint(A_, n, Round(std::clamp(x, -1e6, 1e6)), Round(std::clamp(y, -1e6, 1e6)));
    }
    void Label(int n, double percent) {
        char text[32];
        std::snprintf(text, sizeof text, " %4.1f%% ", percent);
        SetAnnotationText(A_, n, text);
    }

    double Amplitude(double k) {
        const double hi = One() - k * S_.OneSigmaRows, lo = Zero() + k * S_.ZeroSigmaRows;
        Point(1, Lb(), hi), Point(2, Rb(), hi), Point(3, Lb(), lo), Point(4, Rb(), lo);
        return v(hi) - v(lo);
    }
    double EyeHeightDb() {
        Amplitude(3);
        return LogOf(Watts() ? 10 : 20, Div(v(One() - 3 * S_.OneSigmaRows), v(Zero() + 3 * S_.ZeroSigmaRows)));
    }
    double ExtRatio() {
        Amplitude(0);
        Point(5, Lb(), RowOfValue(0));
        const double zero = v(Zero());
        if (zero <= 1e-30) return Undef;
        return std::pow(10.0, In_.ExtRatioCorrectionDb / 10) * v(One()) / zero;
    }
    double Level(double row) {
        Point(1, Lb(), row), Point(2, Rb(), row);
        return v(row);
    }
    double NoisePp(bool one) {
        const int top = one ? S_.OneTopRow : S_.ZeroTopRow, bottom = one ? S_.OneBottomRow : S_.ZeroBottomRow;
        Point(1, Lb(), bottom), Point(2, Rb(), top);
        return v(top) - v(bottom);
    }
    double NoiseRms(bool one) {
        if (!XDefined()) return Undef;
        const int x = Round(X());
        const TEyeHistStats h = one ? E_.Vertical(Lb(), Rb(), x, HighestRow) : E_.Vertical(Lb(), Rb(), LowestRow, x);
        if (h.Hits == 0) return Undef;
        const double rms = E_.Hist().GetAcRms();
        const double level = v(one ? One() : Zero());
        Point(1, Lb(), RowOfValue(level - rms / 2)), Point(2, Rb(), RowOfValue(level + rms / 2));
        return rms;
    }
    double SignalToNoise() {
        Point(1, Lb(), Zero()), Point(2, Rb(), One());
        Point(3, Lb(), One() - S_.OneSigmaRows), Point(4, Rb(), Zero() + S_.ZeroSigmaRows);
        return Div(One() - Zero(), S_.OneSigmaRows + S_.ZeroSigmaRows);
    }
    double EyeOpening() {
        SignalToNoise();
        return Div((One() - S_.OneSigmaRows) - (Zero() + S_.ZeroSigmaRows), One() - Zero());
    }
    // The screen's extremes; false without hits.
    bool Extremes(int& top, int& topCol, int& bottom, int& bottomCol) {
        const TEyeHistStats h = E_.Vertical(0, 4000, LowestRow, HighestRow);
        if (h.Hits == 0) return false;
        top = h.High, bottom = h.Low;
        topCol = E_.Hist().FindMaxPosition();
        bottomCol = E_.Hist().FindMinPosition();
        return true;
    }
    double Max() {
        int top, tc, bottom, bc;
        if (!Extremes(top, tc, bottom, bc)) return Undef;
        Point(1, tc, top);
        return v(top);
    }
    double Min() {
        int top, tc, bottom, bc;
        if (!Extremes(top, tc, bottom, bc)) return Undef;
        Point(1, bc, bottom);
        return v(bottom);
    }
    double Mid() {
        int top, tc, bottom, bc;
        if (!Extremes(top, tc, bottom, bc)) return Undef;
        Point(1, 0, (top + bottom) / 2.0);
        return v((top + bottom) / 2.0);
    }
    double PeakPeak() {
        int top, tc, bottom, bc;
        if (!Extremes(top, tc, bottom, bc)) return Undef;
        Point(1, tc, top), Point(2, bc, bottom);
        return v(top) - v(bottom);
    }
    std::pair<int, int> Cycle() const {
        if (S_.Crossing[1].Mean == 0 && S_.Edge[0].Mean == 0) return {0, 0};
        return E_.Mode == emNrz ? std::pair{Round(S_.Crossing[1].Mean), Round(S_.Crossing[2].Mean)}
                                : std::pair{Round(S_.Edge[0].Mean), Round(S_.Edge[2].Mean)};
    }
    // 0 mean, 1 RMS, 2 AC RMS over the cycle.
    double CycleLevel(int which) {
        const auto [l, r] = Cycle();
        const TEyeHistStats h = E_.Vertical(l, r, LowestRow, HighestRow);
        if (h.Hits == 0) return Undef;
        const double value = which == 0 ? E_.Hist().GetMean() : which == 1 ? E_.Hist().GetRms() : E_.Hist().GetAcRms();
        Point(1, 0, RowOfValue(value));
        return value;
    }
    double Area() {
        const TEyeHistStats h = E_.Vertical(0, 4000, LowestRow, HighestRow);
        if (h.Hits == 0) return Undef;
        return E_.Hist().GetMean() * (t(4001) - t(0));
    }
    double CycleArea() {
        const auto [l, r] = Cycle();
        const TEyeHistStats h = E_.Vertical(l, r, LowestRow, HighestRow);
        if (h.Hits == 0) return Undef;
        Point(1, l, X()), Point(2, r, X());
        return E_.Hist().GetMean() * (t(r + 1) - t(l));
    }
    std::pair<double, double> CycleEdges() const {
        return E_.Mode == emNrz ? std::pair{S_.Crossing[1].Mean, S_.Crossing[2].Mean}
                                : std::pair{S_.Edge[0].Mean, S_.Edge[2].Mean};
    }
    double BitTime() {
        const auto [a, b] = CycleEdges();
        Point(1, a, X()), Point(2, b, X());
        return t(b) - t(a);
    }
    // Rates invert a time: only when the horizontal unit is seconds.
    double BitRate() { return R_.HorUnit() == "s" ? Div(1, BitTime()) : (BitTime(), Undef); }
    double AvgPower() const {
        return Div((In_.StoredZeroPower - In_.DemoValue) * 5 / 65536 / 8.4, In_.ConversionGain);
    }

    // --- NRZ
    const TEyeEdge& Ck() const { return S_.Crossing[S_.SelectedCrossing == 2 ? 2 : 1]; }
    bool CkValid() const { return XDefined() && E_.CrossingBandValid(); }
    double CrossingLevel() {
        Amplitude(0);
        Point(5, Round(S_.Crossing[1].Mean), X());
        return XDefined() ? v(X()) : Undef;
    }
    double CrossingPerc() {
        Amplitude(0);
        Point(5, Round(S_.Crossing[1].Mean), X());
        return XDefined() ? Div((X() - Zero()) * 100, One() - Zero()) : Undef;
    }
    double Overshoot(bool positive) {
        int top, tc, bottom, bc;
        Amplitude(0);
        if (!Extremes(top, tc, bottom, bc)) return Undef;
        if (positive) Point(5, tc, top);
        else Point(5, bc, bottom);
        return Scaled(Div(positive ? top - One() : Zero() - bottom, One() - Zero()), 100);
    }
    double EyeWidth(bool percent) {
        if (!CkValid()) return Undef;
        const double sk = Ck().Sigma, c1 = S_.Crossing[1].Mean, c2 = S_.Crossing[2].Mean;
        Point(1, c1 + 3 * sk, X()), Point(2, c2 - 3 * sk, X());
        return percent ? Scaled(Div((c2 - 3 * sk) - (c1 + 3 * sk), c2 - c1), 100) : t(c2 - 3 * sk) - t(c1 + 3 * sk);
    }
    double JitterPp() {
        if (!CkValid()) return Undef;
        Point(1, Ck().First, X()), Point(2, Ck().Last, X());
        return t(Ck().Last) - t(Ck().First);
    }
    double JitterRms() {
        if (!CkValid()) return Undef;
        const double m = Ck().Mean, s = Ck().Sigma;
        Point(1, m - s / 2, X()), Point(2, m + s / 2, X());
        return t(m + s / 2) - t(m - s / 2);
    }
    double DutCycDist(bool percent) {
        if (!XDefined()) return Undef;
        const double mid = Round((One() + Zero()) / 2);
        const auto [l50, r50] = SplitCrossingAt(E_, mid);
        if (!Defined(l50) || !Defined(r50)) return Undef;
        Point(1, l50, mid), Point(2, r50, mid);
        return percent ? Scaled(Div(r50 - l50, S_.Crossing[2].Mean - S_.Crossing[1].Mean), 100) : t(r50) - t(l50);
    }
    std::pair<double, double> Thresholds() const {
        const double span = One() - Zero();
        return {Zero() + span * E_.Settings.UpperFraction, Zero() + span * E_.Settings.LowerFraction};
    }
    double RiseFallNrz(bool rise) {
        if (!XDefined()) return Undef;
        const auto [upper, lower] = Thresholds();
        const auto [lu, ru] = SplitCrossingAt(E_, upper);
        const auto [ll, rl] = SplitCrossingAt(E_, lower);
        if (!Defined(lu) || !Defined(ru) || !Defined(ll) || !Defined(rl)) return Undef;
        double from, to, fromRow, toRow;
        const double x = X();
        if (x <= lower) {
            from = rise ? rl : lu, to = rise ? ru : ll;
        } else if (x >= upper) {
            from = rise ? ll : ru, to = rise ? lu : rl;
        } else {
            from = rise ? ll : lu, to = rise ? ru : rl;
        }
        fromRow = rise ? lower : upper, toRow = rise ? upper : lower;
        Point(1, from, fromRow), Point(2, to, toRow);
        Label(1, rise ? E_.Settings.LowerFraction * 100 : E_.Settings.UpperFraction * 100);
        Label(2, rise ? E_.Settings.UpperFraction * 100 : E_.Settings.LowerFraction * 100);
        return t(to) - t(from);
    }

    // --- RZ
    const TEyeEdge& Ed(int i) const { return S_.Edge[static_cast<std::size_t>(i)]; }
    double EdgeTime(int i) {
        Point(1, Ed(i).Mean, X());
        return t(Ed(i).Mean);
    }
    double PulseWidth() {
        Point(3, Ed(0).Mean, X()), Point(4, Ed(1).Mean, X());
        return t(Ed(1).Mean) - t(Ed(0).Mean);
    }
    double EyeWidthRz() {
        const double a = Ed(0).Mean + 3 * Ed(0).Sigma, b = Ed(1).Mean - 3 * Ed(1).Sigma;
        Point(3, a, X()), Point(4, b, X());
        return t(b) - t(a);
    }
    double PulseSymmetry() {
        const int l = Round(Ed(0).Mean), r = Round(Ed(1).Mean);
        const TEyeHistStats h = E_.Vertical(l, r, LowestRow, HighestRow);
        if (h.Hits == 0) return Undef;
        const int a = E_.Hist().FindMaxPosition();
        Point(1, l, X()), Point(2, r, X()), Point(3, a, h.High);
        return Scaled(Div(a - Ed(0).Mean, Ed(1).Mean - Ed(0).Mean), 100);
    }
    double EdgeJitterPp(int i) {
        Point(1, Ed(i).First, X()), Point(2, Ed(i).Last, X());
        return t(Ed(i).Last) - t(Ed(i).First);
    }
    double EdgeJitterRms(int i) {
        const double m = Ed(i).Mean, s = Ed(i).Sigma;
        Point(1, m - s / 2, X()), Point(2, m + s / 2, X());
        return t(m + s / 2) - t(m - s / 2);
    }
    double Contrast() {
        Level(One());
        const int r = Round((Ed(2).Mean - Ed(0).Mean) / 2);
        const int x = Round(X());
        const TEyeHistStats a = E_.Vertical(Lb(), Rb(), LowestRow, x);
        const TEyeHistStats b = E_.Vertical(Lb() + r, Rb() + r, LowestRow, x);
        const auto na = static_cast<std::int64_t>(a.Hits), nb = static_cast<std::int64_t>(b.Hits);
        // The shifted window must hold more hits than the first, and at least 5 % more.
        if (nb <= na || nb - na < nb / 20) return Undef;
        const double level = (static_cast<double>(nb) * b.Mean - static_cast<double>(na) * a.Mean) / static_cast<double>(nb - na);
        Point(3, Lb() + r, Round(level)), Point(4, Rb() + r, Round(level));
        return Div(v(One()), std::max(v(level), 1e-30));
    }
    // The position of an RZ edge at a threshold row.
    double EdgeAt(int i, double row) {
        const double m = Ed(i).Mean;
        const double before = i == 0 ? Ed(2).Mean - Ed(1).Mean : Ed(i).Mean - Ed(i - 1).Mean;
        const double after = i < 2 ? Ed(i + 1).Mean - Ed(i).Mean : Ed(1).Mean - Ed(0).Mean;
        const int l = std::max(Round(m - before / 2), 1), r = std::min(Round(m + after / 2), 4000);
        const auto [r0, r1] = EyeBandAround(row);
        const TEyeHistStats h = E_.Horizontal(l, r, r0, r1);
        return h.Hits == 0 ? Undef : h.Mean;
    }
    double RiseFallRz(bool rise) {
        const auto [upper, lower] = Thresholds();
        const int i = rise ? 0 : 1;
        const double atUpper = EdgeAt(i, upper), atLower = EdgeAt(i, lower);
        if (!Defined(atUpper) || !Defined(atLower)) return Undef;
        const double from = rise ? atLower : atUpper, to = rise ? atUpper : atLower;
        Point(1, from, rise ? lower : upper), Point(2, to, rise ? upper : lower);
        Label(1, rise ? E_.Settings.LowerFraction * 100 : E_.Settings.UpperFraction * 100);
        Label(2, rise ? E_.Settings.UpperFraction * 100 : E_.Settings.LowerFraction * 100);
        return t(to) - t(from);
    }

private:
    TEyeEngine& E_;
    EyeEngineState& S_;
    const TSignalObj& R_;
    const TEyeParamInputs& In_;
    TAnnLabelArray& A_;
};

std::string UnitText(const TEyeParamDef& def, const TSignalObj& record) {
    switch (def.Unit) {
        case U::Vu: return record.GetDisplayUnit();
        case U::Hu: return record.HorUnit();
        case U::VuHu: return record.GetDisplayUnit() + "\u00B7" + record.HorUnit();
        case U::Text: return def.UnitText;
        case U::None: break;
    }
    return {};
}

}  // namespace

std::span<const TEyeParamDef> EyeParamList(int mode, int axis) {
    if (mode == emRz) return axis == eaX ? std::span<const TEyeParamDef>(XRz) : std::span<const TEyeParamDef>(YRz);
    return axis == eaX ? std::span<const TEyeParamDef>(XNrz) : std::span<const TEyeParamDef>(YNrz);
}

bool IsEyePowerParam(int axis, int kind) { return axis == eaY && (kind == ynAvgPower || kind == ynAvgPWdBm); }

std::pair<double, double> CrossingBandStats(TEyeEngine& engine) {
    const EyeEngineState& s = engine.State();
    if (!Defined(s.CrossingLevelRow)) return {Undef, Undef};
    const std::size_t k = s.SelectedCrossing == 2 ? 2 : 1;
    const auto [r0, r1] = EyeBandAround(s.CrossingLevelRow);
    const TEyeHistStats h = engine.Horizontal(s.CrossWindowStart[k], s.CrossWindowEnd[k], r0, r1);
    if (h.Hits == 0) return {Undef, Undef};
    return {h.Mean, h.Sigma};
}

std::pair<double, double> SplitCrossingAt(TEyeEngine& engine, double y) {
    const EyeEngineState& s = engine.State();
    const auto [mx, sx] = CrossingBandStats(engine);
    if (!Defined(mx)) return {Undef, Undef};
    const std::size_t k = s.SelectedCrossing == 2 ? 2 : 1;
    const int start = s.CrossWindowStart[k], end = s.CrossWindowEnd[k];
    const auto [r0, r1] = EyeBandAround(y);
    const TEyeHistStats at = engine.Horizontal(start, end, r0, r1);
    if (at.Hits == 0) return {Undef, Undef};
    const double my = at.Mean, sy = at.Sigma;
    if (sy > 2 * sx || sx < std::abs(mx - my)) {
        const int split = static_cast<int>(std::trunc((mx + my) / 2));
        const TEyeHistStats left = engine.Horizontal(start, split, r0, r1);
        const TEyeHistStats right = engine.Horizontal(split, end, r0, r1);
        return {left.Hits ? left.Mean : Undef, right.Hits ? right.Mean : Undef};
    }
    const double d = sx <= sy ? std::sqrt(sy * sy - sx * sx) : 0;
    return {my - d, my + d};
}

double ComputeNrzParameter(TEyeEngine& engine, const TEyeParamInputs& in, TParam& param) {
    TCalc c(engine, in, param);
    if (param.Axis == eaX) {
        switch (param.Kind) {
            case xnArea: return c.Area();
            case xnBitRate: return c.BitRate();
            case xnBitTime: return c.BitTime();
            case xnCrossTime: c.Point(1, engine.State().Crossing[1].Mean, c.X()); return c.t(engine.State().Crossing[1].Mean);
            case xnCycleArea: return c.CycleArea();
            case xnDutCycDistP: return c.DutCycDist(true);
            case xnDutCycDistS: return c.DutCycDist(false);
            case xnEyeWidth: return c.EyeWidth(false);
            case xnEyeWidthP: return c.EyeWidth(true);
            case xnFallTime: return c.RiseFallNrz(false);
            case xnFreq: return Scaled(c.BitRate(), 0.5);
            case xnJitterPP: return c.JitterPp();
            case xnJitterRMS: return c.JitterRms();
            case xnPeriod: return Scaled(c.BitTime(), 2);
            case xnRiseTime: return c.RiseFallNrz(true);
            default: return Undef;
        }
    }
    switch (param.Kind) {
        case ynAcRms: return c.CycleLevel(2);
        case ynAvgPower: return c.AvgPower();
        case ynAvgPWdBm: return LogOf(10, Div(c.AvgPower(), 0.001));
        case ynCrossPerc: return c.CrossingPerc();
        case ynCrossLevel: return c.CrossingLevel();
        case ynExtRatioDB: return LogOf(10, c.ExtRatio());
        case ynExtRatioP: return Div(100, c.ExtRatio());
        case ynExtRatio: return c.ExtRatio();
        case ynEyeAmpl: return c.Amplitude(0);
        case ynEyeHeight: return c.Amplitude(3);
        case ynEyeHeightDB: return c.EyeHeightDb();
        case ynMax: return c.Max();
        case ynMean: return c.CycleLevel(0);
        case ynMid: return c.Mid();
        case ynMin: return c.Min();
        case ynNegOver: return c.Overshoot(false);
        case ynPPNoiseOne: return c.NoisePp(true);
        case ynPPNoiseZero: return c.NoisePp(false);
        case ynRmsNoiseOne: return c.NoiseRms(true);
        case ynRmsNoiseZero: return c.NoiseRms(false);
        case ynOneLevel: return c.Level(c.One());
        case ynPeakPeak: return c.PeakPeak();
        case ynPosOver: return c.Overshoot(true);
        case ynRms: return c.CycleLevel(1);
        case ynSN: return c.SignalToNoise();
        case ynSNdB: return LogOf(c.Watts() ? 10 : 20, c.SignalToNoise());
        case ynZeroLevel: return c.Level(c.Zero());
        default: return Undef;
    }
}

double ComputeRzParameter(TEyeEngine& engine, const TEyeParamInputs& in, TParam& param) {
    TCalc c(engine, in, param);
    if (param.Axis == eaX) {
        switch (param.Kind) {
            case xrArea: return c.Area();
            case xrBitRate: return c.BitRate();
            case xrBitTime: return c.BitTime();
            case xrCycleArea: return c.CycleArea();
            case xrEyeWidth: return c.EyeWidthRz();
            case xrEyeWidthP: {
                const EyeEngineState& st = engine.State();
                const double width = c.EyeWidthRz();
                c.Point(1, st.Edge[0].Mean, c.X()), c.Point(2, st.Edge[2].Mean, c.X());
                return Scaled(Div(width, c.t(st.Edge[2].Mean) - c.t(st.Edge[0].Mean)), 100);
            }
            case xrFallTime: return c.RiseFallRz(false);
            case xrJittPpFall: return c.EdgeJitterPp(1);
            case xrJittPpRise: return c.EdgeJitterPp(0);
            case xrJittRmsFall: return c.EdgeJitterRms(1);
            case xrJittRmsRise: return c.EdgeJitterRms(0);
            case xrNegCross: return c.EdgeTime(1);
            case xrPosCross: return c.EdgeTime(0);
            case xrPosDutyCyc: {
                const double width = c.PulseWidth();
                return Scaled(Div(width, c.BitTime()), 100);
            }
            case xrPulseSymm: return c.PulseSymmetry();
            case xrPulseWidth: return c.PulseWidth();
            case xrRiseTime: return c.RiseFallRz(true);
            default: return Undef;
        }
    }
    switch (param.Kind) {
        case yrAcRms: return c.CycleLevel(2);
        case yrAvgPower: return c.AvgPower();
        case yrAvgPWdBm: return LogOf(10, Div(c.AvgPower(), 0.001));
        case yrContrast: return c.Contrast();
        case yrContrastDb: return LogOf(10, c.Contrast());
        case yrContrastP: return Div(100, c.Contrast());
        case yrExtRatioDB: return LogOf(10, c.ExtRatio());
        case yrExtRatioP: return Div(100, c.ExtRatio());
        case yrExtRatio: return c.ExtRatio();
        case yrEyeAmpl: return c.Amplitude(0);
        case yrEyeHeight: return c.Amplitude(3);
        case yrEyeHeightDB: return c.EyeHeightDb();
        case yrEyeOpen: return c.EyeOpening();
        case yrMax: return c.Max();
        case yrMean: return c.CycleLevel(0);
        case yrMid: return c.Mid();
        case yrMin: return c.Min();
        case yrPPNoiseOne: return c.NoisePp(true);
        case yrPPNoiseZero: return c.NoisePp(false);
        case yrRmsNoiseOne: return c.NoiseRms(true);
        case yrRmsNoiseZero: return c.NoiseRms(false);
        case yrOneLevel: return c.Level(c.One());
        case yrPeakPeak: return c.PeakPeak();
        case yrRms: return c.CycleLevel(1);
        case yrSN: return c.SignalToNoise();
        case yrZeroLevel: return c.Level(c.Zero());
        default: return Undef;
    }
}

void ComputeEyeParameter(TEyeEngine& engine, const TEyeParamInputs& in, TParam& param) {
    double value = Undef;
    if (in.Record) value = param.Mode == emRz ? ComputeRzParameter(engine, in, param) : ComputeNrzParameter(engine, in, param);
    if (!Defined(value)) value = Undef;
    const auto list = EyeParamList(param.Mode, param.Axis);
    param.Value = value;
    param.Unit = Defined(value) && in.Record && param.Kind < list.size() ? UnitText(list[param.Kind], *in.Record) : "";
    if (Defined(value)) param.StatUnit = param.Unit;
}

}  // namespace vt
