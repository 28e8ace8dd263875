#include "analysis/WaveformMath.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <span>
#include <utility>

#include "acq/RefSineCapture.h"
#include "acq/ReferenceSine.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "acq/WaveformTransfer.h"
#include "acq/ZoomViews.h"
#include "analysis/FftTransform.h"
#include "analysis/Spectra.h"
#include "core/CommandTree.h"
#include "core/DotNumberText.h"
#include "core/EngineeringText.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UserServices.h"

namespace vt {

namespace {

constexpr const char* SourceItems = "Ch1,Ch1B2,Ch2,Ch2B2,F1,F2,F3,F4,M1,M2,M3,M4,S1,S2,XY,DB,Hist,Const,None";
constexpr std::uint32_t Bit(int s) { return 1u << s; }
constexpr std::uint32_t NotRecord = Bit(ssXY) | Bit(ssDB) | Bit(ssHist) | Bit(ssConst) | Bit(ssNone);
constexpr std::uint32_t NotRecordNorConst = NotRecord & ~Bit(ssConst);
constexpr const char* OperatorKeys[MathOperatorCount] = {
    "Add",       "Subtract",    "Multiply",   "Divide",    "Invert",     "Absolute",  "Exponent_e",
    "Exponent10", "Logarithm_e", "Logarithm10", "Differentiate", "Integrate", "InverseFFT", "IntLinear",
    "IntSinx_x", "Smoothing",   "Trend",      "Normalize", "LowJitter"};
constexpr double Tiny = 1e-50;
constexpr double LogOfNothing = -1e10;
constexpr double ExpLimit = 200;
constexpr int InterpolatedPoints = 512;
constexpr int LongestInterpolated = 256;

double Floored(double x) { return std::fabs(x) < Tiny ? (x >= 0 ? Tiny : -Tiny) : x; }

bool HoldsRecord(int source) { return source >= 0 && source < SignalRecordCount; }

// A computation whose target is also its source reads from a copy.
struct TUnaliased {
    TUnaliased(const TSignalObj& source, const TSignalObj& target) : Ref(&source) {
        if (&source != &target) return;
        Copy = std::make_unique<TSignalObj>();
        Copy->AssignWithData(source);
        Ref = Copy.get();
    }
    std::unique_ptr<TSignalObj> Copy;
    const TSignalObj* Ref;
};

}  // namespace

// ------------------------------------------------------------------------------------ arithmetic

double DivisionScale(double scale1, double offset1, double scale2, double offset2) {
    const double numerator = std::max(std::fabs(offset1 + 4 * scale1), std::fabs(offset1 - 4 * scale1));
    int best = 4;
    for (int k = 3; k >= -4; --k)
        if (std::fabs(offset2 + k * scale2) < std::fabs(offset2 + best * scale2)) best = k;
    const int m = best == 4 ? best - 1 : best + 1;
    const double divisor = std::fabs(offset2 + m * scale2);
    return divisor > 0 ? numerator / divisor : scale1;
}

void MathArith(const TSignalObj& source1, const TSignalObj* source2, TSignalObj& target, double constant, int op) {
    const TUnaliased a(source1, target);
    std::unique_ptr<TUnaliased> b = source2 ? std::make_unique<TUnaliased>(*source2, target) : nullptr;
    const TSignalObj& s1 = *a.Ref;
    const TSignalObj* s2 = b ? b->Ref : nullptr;
    if (!s2) {
        target.AssignWithData(s1);
        target.SetMathResult(true);
        const double c = op == moDiv ? Floored(constant) : constant;
        const auto apply = [op, c](double x) {
            switch (op) {
                case moAdd: return x + c;
                case moSub: return x - c;
                case moMult: return x * c;
                default: return x / c;
            }
        };
        double* re = target.Data1();
        double* im = target.Data2();
        const int n = target.Length();
        for (int k = 0; k < n; ++k) re[k] = apply(re[k]);
        // A real constant moves a spectrum's real part only; a product or quotient scales both.
        if (s1.IsSpectrum() && (op == moMult || op == moDiv))
            for (int k = 0; k < n; ++k) im[k] = apply(im[k]);
        return;
    }
    const int l1 = s1.Length(), l2 = s2->Length();
    const int n = std::min(l1, l2);
    const int ratio = n > 0 ? std::max(l1, l2) / n : 1;
    const int step1 = l1 > l2 ? ratio : 1, step2 = l2 > l1 ? ratio : 1;
    const bool complex1 = s1.IsSpectrum(), complex2 = s2->IsSpectrum();
    const bool complex = complex1 || complex2;
    target.Assign(s1);
    target.SetMathResult(true);
    target.SetLength(n);
    target.SetSpectrum(complex);
    target.SetSampleInterval(s1.SampleInterval() * step1);
    const double *re1 = s1.Data1(), *im1 = s1.Data2(), *re2 = s2->Data1(), *im2 = s2->Data2();
    double* re = target.Data1();
    double* im = target.Data2();
    for (int k = 0; k < n; ++k) {
        const double x1 = re1[k * step1], y1 = complex1 ? im1[k * step1] : 0;
        const double x2 = re2[k * step2], y2 = complex2 ? im2[k * step2] : 0;
        double x = 0, y = 0;
        switch (op) {
            case moAdd: x = x1 + x2, y = y1 + y2; break;
            case moSub: x = x1 - x2, y = y1 - y2; break;
            case moMult: x = x1 * x2 - y1 * y2, y = x1 * y2 + x2 * y1; break;
            default:
                if (complex2) {
                    const double d = Floored(x2 * x2 + y2 * y2);
                    x = (x1 * x2 + y1 * y2) / d;
                    y = (x2 * y1 - x1 * y2) / d;
                } else {
                    const double d = Floored(x2);
                    x = x1 / d;
                    y = y1 / d;
                }
        }
        re[k] = x;
        if (complex) im[k] = y;
    }
    const double sc1 = s1.VertScale(), of1 = s1.VertOffset(), sc2 = s2->VertScale(), of2 = s2->VertOffset();
    const std::string &u1 = s1.GetVertUnitRaw(), &u2 = s2->GetVertUnitRaw();
    switch (op) {
        case moAdd:
        case moSub:
            target.SetVertScale(std::max(sc1, sc2));
            target.SetVertOffset(op == moAdd ? of1 + of2 : of1 - of2);
            target.SetVertUnit(u1 == u2 ? u1 : "?");
            break;
        case moMult:
            target.SetVertScale(std::max({sc1 * sc2, sc1 * of2, sc2 * of1}));
            target.SetVertOffset(of1 * of2);
            target.SetVertUnit(!u1.empty() && !u2.empty() ? u1 + "*" + u2 : (u1.empty() ? u2 : u1));
            break;
        default:
            target.SetVertScale(DivisionScale(sc1, of1, sc2, of2));
            target.SetVertOffset(0);
            target.SetVertUnit(u1 != u2 ? u1 + "/ " + u2 : "");
    }
    if (s1.HorUnit() != s2->HorUnit()) target.SetHorUnit("?");
}

// ------------------------------------------------------------------------------------------ unary

bool MathUnaryFunction(const TSignalObj& source, TSignalObj& target, int op) {
    const int n = source.Length();
    if (op == moDifAl && n < 2) return false;
    if (op == moIFFT && !IsFftSize(n)) return false;
    const TUnaliased a(source, target);
    const TSignalObj& s = *a.Ref;
    target.AssignWithData(s);
    target.SetMathResult(true);
    const double* x = s.Data1();
    double* y = target.Data1();
    const double dt = s.SampleInterval();
    const double scale = s.VertScale();
    switch (op) {
        case moInvert:
            for (int k = 0; k < n; ++k) y[k] = -x[k];
            target.SetVertOffset(-s.VertOffset());
            break;
        case moAbs:
            for (int k = 0; k < n; ++k) y[k] = std::fabs(x[k]);
            target.SetVertOffset(std::fabs(s.VertOffset()));
            break;
        case moExpE:
        case moExp10: {
            const double f = op == moExpE ? 1.0 : std::numbers::ln10;
            for (int k = 0; k < n; ++k) y[k] = std::exp(std::clamp(x[k] * f, -ExpLimit, ExpLimit));
            target.SetVertScale(1);
            target.SetVertOffset(4);
            target.SetVertUnit("");
            break;
        }
        case moLogE:
        case moLog10: {
            const double f = op == moLogE ? 1.0 : 1 / std::numbers::ln10;
            for (int k = 0; k < n; ++k) y[k] = (x[k] > 0 ? std::log(x[k]) : LogOfNothing) * f;
            target.SetVertScale(1);
            target.SetVertOffset(0);
            target.SetVertUnit("");
            break;
        }
        case moDifAl:
            y[0] = (x[1] - x[0]) / dt;
            for (int k = 1; k < n - 1; ++k) y[k] = (x[k + 1] - x[k - 1]) / (2 * dt);
            y[n - 1] = (x[n - 1] - x[n - 2]) / dt;
            target.SetVertScale(scale * 5 / (50 * dt));
            target.SetVertOffset(0);
            target.SetVertUnit(s.GetVertUnitRaw() + "/ " + s.HorUnit());
            break;
        case moIntAl:
            if (n > 0) y[0] = 0;
            for (int k = 1; k < n; ++k) y[k] = y[k - 1] + (x[k] + x[k - 1]) * dt / 2;
            target.SetVertScale(scale * 2 * 50 * dt);
            target.SetVertOffset(0);
            target.SetVertUnit(s.GetVertUnitRaw() + "*" + s.HorUnit());
            break;
        case moIFFT: {
            double* im = target.Data2();
            y[0] *= 2;
            im[0] *= 2;
            int status = 0;
            FftTransform(n, true, y, status, im);
            target.SetSpectrum(false);
            target.SetHorUnit(InverseSpectrumHorUnit(s.HorUnit()));
            target.SetSampleInterval(dt != 0 ? 1 / (n * dt) : 0);
            target.SetOrigin(0);
            break;
        }
        default: break;
    }
    return true;
}

void MathInterpolate(const TSignalObj& source, TSignalObj& target, bool sinc) {
    const TUnaliased a(source, target);
    const TSignalObj& s = *a.Ref;
    target.AssignWithData(s);
    target.SetMathResult(true);
    const int n = s.Length();
    if (n < 3 || n > LongestInterpolated) return;
    const int b = InterpolatedPoints / n;
    const auto one = [&](const double* x, double* y) {
        if (!sinc) {
            for (int i = 0; i < n; ++i) {
                const double e = i + 1 < n ? (x[i + 1] - x[i]) / b : 0;
                for (int f = 0; f < b; ++f) y[i * b + f] = x[i] + f * e;
            }
            for (int j = n * b; j < InterpolatedPoints; ++j) y[j] = x[n - 1];
            return;
        }
        // sin(pi (u - k)) = (-1)^k sin(pi u): one sine per point.
        for (int j = 0; j < InterpolatedPoints; ++j) {
            if (j % b == 0 && j / b < n) {
                y[j] = x[j / b];
                continue;
            }
            const double u = static_cast<double>(j) / b;
            double sum = 0;
            for (int k = 0; k < n; k += 2) sum += x[k] / (u - k);
            for (int k = 1; k < n; k += 2) sum -= x[k] / (u - k);
            y[j] = std::sin(std::numbers::pi * u) / std::numbers::pi * sum;
        }
    };
    one(s.Data1(), target.Data1());
    if (s.IsSpectrum()) one(s.Data2(), target.Data2());
    target.SetSampleInterval(s.SampleInterval() / b);
    target.SetLength(InterpolatedPoints);
}

void MathSmooth(const TSignalObj& source, TSignalObj& target, int length) {
    const TUnaliased a(source, target);
    target.AssignWithData(*a.Ref);
    target.SetMathResult(true);
    const int n = target.Length();
    if (n <= 0) return;
    SmoothMovingAverage(std::span<double>(target.Data1(), static_cast<std::size_t>(n)), n - 1, length, 0);
    if (target.IsSpectrum())
        SmoothMovingAverage(std::span<double>(target.Data2(), static_cast<std::size_t>(n)), n - 1, length, 0);
}

// -------------------------------------------------------------------------------------- settings

namespace {

// The operators' items, in the order of their numbers.
std::string OperatorItems() {
    std::string operators;
    for (const char* name : {"Add", "Sub", "Mult", "Div", "Invert", "Abs", "Exp_e", "Exp_10", "Log_e", "Log_10",
                             "Dif_al", "Int_al", "IFFT", "LinInt", "SinInt", "Smooth", "Trend", "nnn", "mmm"})
        operators += (operators.empty() ? "" : ",") + std::string(name);
    return operators;
}

// Stored as k; shown, entered and answered as the window length 2k + 3 (an even one lowered).
TEditConfig SmoothLengthConfig() {
    TEditConfig smooth{.Minimum = 0, .Default = 2, .Maximum = 24, .CoarseStep = 1, .CoarseKind = skLinear,
                       .FineStep = 1, .FineKind = skLinear, .Resolution = 1, .Digits = 3};
    smooth.OnFormat = [](TEditHandler&, double k) { return std::to_string(2 * static_cast<int>(k) + 3); };
    smooth.OnCorrect = [](TEditHandler&, double length) {
        const double odd = std::floor(length) - (static_cast<long long>(std::floor(length)) % 2 == 0 ? 1 : 0);
        return std::clamp(std::floor((odd - 3) / 2), 0.0, 24.0);
    };
    return smooth;
}

std::string FunctionNode(int f) { return "F" + std::to_string(f + 1) + ":"; }

}  // namespace

void TWaveformMath::CreateMathHandlers(TCommandTree& tree) {
    TSpider& root = tree.Root();
    Select_ = &root.AddRadioHandler("SHADOW:FuncSelect", {.Items = "F1,F2,F3,F4"});
    const std::string operators = OperatorItems();
    for (int f = 0; f < MathFunctionCount; ++f) {
        AddFunctionChoices(root, f, operators);
        AddFunctionValues(root, f);
    }
}

void TWaveformMath::AddFunctionChoices(TSpider& root, int f, const std::string& operators) {
    const std::string node = FunctionNode(f);
    const int source = FuncSignalIndex(f);
    THandlers& h = Handlers_[static_cast<std::size_t>(f)];
    h.Display = &root.AddOnOffHandler(node + "Display", {.AfterChange = [this, f, source](THandler& hd) {
                                                              const bool on = static_cast<TOnOffHandler&>(hd).GetOn();
                                                              if (TSignalRecords* r = Shell_.Records())
                                                                  r->SignalsOn().SetOn(source, on);
                                                              if (!on) Withdraw(f);
                                                              Changed(f, false);
                                                          }});
    // The normalized channel and the re-timing are chosen by their features: hidden from the menu.
    h.Operat = &root.AddRadioHandler(node + "Operat", {.Items = operators, .Initial = f,
                                                       .DisabledMask = Bit(moNormalized) | Bit(moRefSine),
                                                       .AfterChange = [this, f](THandler&) {
                                                           Withdraw(f);
                                                           UpdateMathControls(f);
                                                           Changed(f, true);
                                                       }});
    h.Source1 = &root.AddSignalSourceHandler(node + "Source1", {.Items = SourceItems, .Initial = ssCh1,
                                                                .ExcludedMask = NotRecord,
                                                                .AfterChange = [this, f](THandler&) {
                                                                    Withdraw(f);
                                                                    Changed(f, false);
                                                                }});
    h.Source2 = &root.AddSignalSourceHandler(node + "Source2", {.Items = SourceItems, .Initial = ssCh2,
                                                                .ExcludedMask = NotRecordNorConst,
                                                                .AfterChange = [this, f](THandler&) {
                                                                    UpdateMathControls(f);
                                                                    Changed(f, false);
                                                                }});
}

void TWaveformMath::AddFunctionValues(TSpider& root, int f) {
    const std::string node = FunctionNode(f);
    const int source = FuncSignalIndex(f);
    THandlers& h = Handlers_[static_cast<std::size_t>(f)];
    const auto changed = [this, f](THandler&) { Changed(f, false); };
    TEditConfig constant{.Minimum = -1e8, .Default = 0.4, .Maximum = 1e8, .CoarseStep = 1, .CoarseKind = sk125,
                         .FineStep = 0.01, .FineKind = skProportional, .Resolution = 1e-12, .FormatMode = 3,
                         .Digits = 6};
    constant.OnFormat = [this, source](TEditHandler&, double v) {
        const TSignalRecords* r = Shell_.Records();
        return FloatToEngStr(3, 6, false, false, v) + (r ? r->Record(source).GetVertUnit() : std::string());
    };
    h.Const = &root.AddDoubleEditHandler(node + "Const", {.Initial = 0.4, .Config = std::move(constant),
                                                          .ColorSource = source, .AfterChange = changed});
    h.SmoothLen = &root.AddIntEditHandler(node + "SmoothLen", {.Initial = 2, .Config = SmoothLengthConfig(),
                                                               .ColorSource = source, .AfterChange = changed});
    h.TrendMeas = &root.AddRadioHandler(
        node + "TrendMeas", {.Items = "Period,Freq,PosWidth,NegWidth,RiseTime,FallTime,PosDuty,NegDuty",
                             .Initial = f,
                             .AfterChange = [this, f](THandler&) { Changed(f, true); }});
}

int TWaveformMath::Selected() const {
    return Select_ ? std::clamp(Select_->GetItemIndex(), 0, MathFunctionCount - 1) : 0;
}

void TWaveformMath::UpdateMathControls(int function) {
    const THandlers& h = Handlers_.at(static_cast<std::size_t>(function));
    if (!h.Operat) return;
    const int op = h.Operat->GetItemIndex();
    const bool two = op < moInvert;
    h.Source2->SetDisabled(!two);
    h.Const->SetDisabled(!(two && h.Source2->GetSource() == ssConst));
    h.SmoothLen->SetDisabled(op != moSmooth);
    const bool tdr = Tdr && Tdr->UsesFunction(function);
    h.Display->SetDisabled(tdr);
    h.Operat->SetDisabled(tdr);
    h.Source1->SetDisabled(tdr);
}

void TWaveformMath::UpdateAllMathControls() {
    for (int f = 0; f < MathFunctionCount; ++f) UpdateMathControls(f);
}

void TWaveformMath::ResetAllTrendAverages() {
    if (!Trend) return;
    for (int f = 0; f < MathFunctionCount; ++f) Trend->ResetTrendAverage(f);
}

void TWaveformMath::Changed(int function, bool restartTrend) {
    if (restartTrend && Trend) Trend->ResetTrendAverage(function);
    if (SettingsChanged) SettingsChanged();
}

std::string TWaveformMath::OperatorName(int op) const {
    return op >= 0 && op < MathOperatorCount ? Shell_.LangStr(OperatorKeys[op]) : std::string();
}

void TWaveformMath::Withdraw(int function) {
    std::string& kept = Errors_.at(static_cast<std::size_t>(function));
    if (kept.empty()) return;
    const std::string text = std::exchange(kept, std::string());
    // One box stands for a text: it stays while another function still has that cause.
    if (std::find(Errors_.begin(), Errors_.end(), text) == Errors_.end()) Shell_.WithdrawProgramMessage(text);
}

bool TWaveformMath::Report(int function, const std::string& text) {
    std::string& kept = Errors_.at(static_cast<std::size_t>(function));
    if (text.empty()) return true;
    if (text != kept) {
        Withdraw(function);
        kept = text;
        // Found by the acquisition cycle: nothing may wait for a person here.
        Shell_.ShowProgramMessage(text);
    }
    return false;
}

// ------------------------------------------------------------------------------------ evaluation

bool TWaveformMath::Evaluate(int function, TSignalObj& target) {
    const THandlers& h = Handlers_.at(static_cast<std::size_t>(function));
    TSignalRecords& records = *Shell_.Records();
    if (!h.Operat) return false;
    const int op = h.Operat->GetItemIndex();
    const int from = h.Source1->GetSource();
    if (op == moNormalized) return Tdr && Tdr->EvalTdrNormalizedFunction(function == 0 ? 1 : 2, target);
    if (!HoldsRecord(from)) return false;
    const TSignalObj& source = records.Record(from);
    switch (op) {
        case moAdd:
        case moSub:
        case moMult:
        case moDiv: {
            const int second = h.Source2->GetSource();
            if (second == ssConst) MathArith(source, nullptr, target, h.Const->GetValue(), op);
            else if (HoldsRecord(second)) MathArith(source, &records.Record(second), target, 0, op);
            else return false;
            return true;
        }
        case moLinInt:
        case moSinInt: MathInterpolate(source, target, op == moSinInt); return true;
        case moSmooth: MathSmooth(source, target, 2 * h.SmoothLen->GetValue() + 3); return true;
        case moTrend: return Trend && Trend->CalcTrendWaveform(function, from, h.TrendMeas->GetItemIndex());
        case moRefSine: {
            const TRefSine* sine = Capture ? Capture->Sine() : nullptr;
            if (!sine) return false;
            ResampleByRefSine(*sine, source, records.Record(ssCh2), target);
            return true;
        }
        default: break;
    }
    // The unary operators.
    std::string error;
    if (source.IsSpectrum() && op < moIFFT) error = FormatDot(Shell_.LangStr("FuncErr1"), OperatorName(op));
    else if (!source.IsSpectrum() && op == moIFFT)
        error = FormatDot(Shell_.LangStr("FuncErr2"), OperatorName(op), records.Caption(from));
    else if (op == moIFFT && !IsFftSize(source.Length()))
        error = FormatDot(Shell_.LangStr("FFTErr2"), records.Caption(from), std::to_string(source.Length()));
    if (!Report(function, error)) return false;
    return MathUnaryFunction(source, target, op);
}

bool TWaveformMath::EvaluateMathFunction(int source) {
    const int f = source - ssF1;
    TSignalRecords* records = Shell_.Records();
    if (f < 0 || f >= MathFunctionCount || !records) return false;
    TSignalObj& target = records->Record(source);
    ++Evaluations_[static_cast<std::size_t>(f)];
    if (!Evaluate(f, target)) return false;
    Withdraw(f);
    if (target.IsSpectrum()) target.UpdateMagnitudeMax();
    target.SetChangedFlags();
    if (Zoom) Zoom->LimitDerivedSignalZoom(source);
    return true;
}

}  // namespace vt
