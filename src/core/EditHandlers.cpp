#include "core/EditHandlers.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/InternalError.h"
#include "core/DotNumberText.h"
#include "core/Numeric.h"
#include "core/EngineeringText.h"
#include "core/StepSeries.h"
#include "core/CommandTree.h"

namespace vt {

namespace {
// Setup lines keep at least this many significant digits, so that a recall restores the value the
// grid allows and not only the digits the control shows.
constexpr int SaveDigits = 15;

bool StartsWithText(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool IsNumberChar(char c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
}

double Multiplier(std::string_view rest) {
    // The first up to three non-blank characters after the number choose the multiplier.
    std::string p;
    for (char c : rest) {
        if (c == ' ') continue;
        p += c;
        if (p.size() == 3) break;
    }
    if (p.empty()) return 1;
    const unsigned char c0 = static_cast<unsigned char>(p[0]);
    // The micro sign (C2 B5), the Greek mu (CE BC), or the single Latin-1 byte of older setup files.
    const unsigned char c1 = p.size() > 1 ? static_cast<unsigned char>(p[1]) : 0;
    if (c0 == 0xB5 || (c0 == 0xC2 && c1 == 0xB5) || (c0 == 0xCE && c1 == 0xBC)) return 1e-6;
    switch (c0) {
        case 'F': case 'f': return 1e-15;
        case 'P': case 'p': return 1e-12;
        case 'N': case 'n': return 1e-9;
        case 'U': case 'u': return 1e-6;
        case 'M': case 'm': return (p.size() == 3 && SameText(p.substr(1), "EG")) ? 1e6 : 1e-3;
        case 'K': case 'k': return 1e3;
        case 'G': case 'g': return 1e9;
        case 'T': case 't': return 1e12;
        default: return 1;
    }
}

double SnapCoarse(int kind, double step, double v) {
    switch (kind) {
        case skGrid: return step != 0 ? RoundToMultiple(step, v) : v;
        case sk125: return CorrectNewVal1_2_5(v);
        case skPowerOf2: return RoundToPowerOf2(v);
        case skDbLadder: return RoundDbStep(v);
        default: return v;
    }
}
}  // namespace

bool ParseNumberWithMultiplier(std::string_view text, double& value) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (text.empty()) return false;
    const char first = text.front();
    if (!((first >= '0' && first <= '9') || first == '+' || first == '-' || first == '.')) return false;
    std::size_t n = 0;
    while (n < text.size() && IsNumberChar(text[n])) ++n;
    // A lone trailing exponent letter belongs to the prefix/unit text, not to the number.
    std::string_view number = text.substr(0, n);
    if (!number.empty() && (number.back() == 'e' || number.back() == 'E')) {
        number.remove_suffix(1);
        --n;
    }
    if (!number.empty() && number.front() == '+') number.remove_prefix(1);
    double v = 0;
    if (number.empty() || !TryStrToFloatDot(number, v)) return false;
    if (!std::isfinite(v)) return false;
    value = v * Multiplier(text.substr(n));
    return std::isfinite(value);
}

// ---------------------------------------------------------------------------------------------------
TEditHandler::TEditHandler(const TEditOptions& o, bool integer) : ColorSource_(o.ColorSource) {
    OnBeforeChange_ = o.BeforeChange;
    OnAfterChange_ = o.AfterChange;
    ApplyConfig(o.Config, integer);
    if (!(Min_ <= Max_))
        VT_INTERNAL_ERROR(SpiderUnitName, "ERROR!  Minimum above Maximum");
}

TEditHandler::~TEditHandler() = default;

void TEditHandler::ApplyConfig(const TEditConfig& c, bool integer) {
    Min_ = c.Minimum;
    Default_ = c.Default;
    Max_ = c.Maximum;
    CoarseStep_ = c.CoarseStep;
    CoarseKind_ = c.CoarseKind;
    FineStep_ = c.FineStep;
    FineKind_ = c.FineKind;
    Snapped_ = CoarseKind_ == skSnapped125;
    Resolution_ = integer ? 1.0 : (c.Resolution == 0 ? 1e-15 : std::fabs(c.Resolution));
    Units_ = c.Units;
    FormatMode_ = c.FormatMode;
    Digits_ = c.Digits;
    OnCorrect_ = c.OnCorrect;
    OnFormat_ = c.OnFormat;
}

void TEditHandler::Configure(const TEditConfig& config) {
    if (!(config.Minimum <= config.Maximum)) VT_INTERNAL_ERROR(SpiderUnitName, "ERROR!  Minimum above Maximum");
    ApplyConfig(config, IsInteger());
    if (!IsInteger()) {
        if (FineStep_ > 0 && Resolution_ > FineStep_ / 2) Resolution_ = FineStep_ / 2;
        const double floor = 1e-12 * std::max(std::fabs(Min_), std::fabs(Max_));
        if (Resolution_ < floor) Resolution_ = floor;
    }
    SetValue(GetValueAsDouble());
    NotifySwitchers();
}

void TEditHandler::BindColors() {
    UnbindColors();
    IColorSettings* colors = Tree_ ? Tree_->ColorSettings() : nullptr;
    if (colors != nullptr && ColorSource_ != NoColorSource) {
        if (THandler* h = colors->TraceColorHandler(ColorSource_)) h->RegisterSwitcher(ColorFollower_);
        if (THandler* h = colors->BackgroundColorHandler(); h && h != colors->TraceColorHandler(ColorSource_))
            h->RegisterSwitcher(ColorFollower_);
    }
    UpdateMyColors();
}

void TEditHandler::UnbindColors() {
    const std::vector<THandler*> bound = ColorFollower_.BoundHandlers();
    for (THandler* h : bound) h->UnregisterSwitcher(ColorFollower_);
}

void TEditHandler::UpdateMyColors() {
    TColor text = clWhite;
    TColor back = clBlack;
    IColorSettings* colors = Tree_ ? Tree_->ColorSettings() : nullptr;
    if (colors != nullptr && ColorSource_ != NoColorSource) {
        text = TColor(colors->TraceColor(ColorSource_).Value & 0x00FFFFFFu);
        back = TColor(colors->BackgroundColor().Value & 0x00FFFFFFu);
    } else if (Highlighted_) {
        text = clYellow;
        back = clRed;
    }
    if (text == TextColor_ && back == BackColor_) return;
    TextColor_ = text;
    BackColor_ = back;
    NotifySwitchers();
}

void TEditHandler::SetColorSource(int source) {
    ColorSource_ = source;
    BindColors();
}

void TEditHandler::SetHighlighted(bool on) {
    Highlighted_ = on;
    UpdateMyColors();
}

void TEditHandler::SetUnits(std::string units) {
    Units_ = std::move(units);
    NotifySwitchers();
}

void TEditHandler::SetOnFormat(TFormatCallback cb) {
    OnFormat_ = std::move(cb);
    NotifySwitchers();
}

void TEditHandler::SetCoarseStepKind(int kind) {
    CoarseKind_ = kind;
    Snapped_ = kind == skSnapped125;
}

void TEditHandler::SetMaxValue(double value) {
    Max_ = value;
    if (Min_ > Max_) Min_ = Max_;
    const double v = GetValueAsDouble();
    if (v > Max_ || v < Min_) SetValue(v);
}

void TEditHandler::SetMinValue(double value) {
    Min_ = value;
    if (Max_ < Min_) Max_ = Min_;
    const double v = GetValueAsDouble();
    if (v > Max_ || v < Min_) SetValue(v);
}

std::string TEditHandler::FormatValue(bool internal) const {
    const double v = GetValueAsDouble();
    if (!internal) return FormatShown(v);
    std::string s = FloatToEngStr(FormatMode_, std::max(Digits_, SaveDigits), IsInteger(), true, v);
    if (!Units_.empty()) {
        s += '(';
        s += Units_;
        s += ')';
    }
    return s;
}

std::string TEditHandler::FormatShown(double value) const {
    if (OnFormat_) return OnFormat_(const_cast<TEditHandler&>(*this), value);
    return FloatToEngStr(FormatMode_, Digits_, IsInteger(), false, value) + Units_;
}

void TEditHandler::ExecuteCommand(std::string_view parameter, bool isQuery, std::string& reply, bool internal) {
    TWhoScope who(*this, internal ? wcvCommandList : wcvRemote);
    // A query that carries a parameter applies it first, then replies.
    ApplyParameter(parameter, internal);
    if (!isQuery) return;
    if (QueryBlank(internal)) reply += ' ';
    reply += FormatValue(internal);
}

void TEditHandler::ApplyParameter(std::string_view parameter, bool internal) {
    std::string_view p = parameter;
    while (!p.empty() && p.front() == ' ') p.remove_prefix(1);
    while (!p.empty() && p.back() == ' ') p.remove_suffix(1);
    if (p.empty()) return;
    if (SameText(p, "MIN")) {
        SetValueCore(Min_);
        return;
    }
    if (SameText(p, "MID")) {
        SetValueCore(std::clamp(Default_, Min_, std::max(Min_, Max_)));
        return;
    }
    if (SameText(p, "MAX")) {
        SetValueCore(Max_);
        return;
    }
    if (StartsWithText(p, "UP") || StartsWithText(p, "DOWN") || StartsWithText(p, "STEPCOARSE") ||
        StartsWithText(p, "STEPFINE"))
        return;
    double v = 0;
    if (!ParseNumberWithMultiplier(p, v)) return;
    if (!internal && OnCorrect_) v = OnCorrect_(*this, v);
    SetValueCore(v);
}

bool TEditHandler::SetValueFromSwitcher(double value) {
    TWhoScope who(*this, wcvSwitcher);
    double v = OnCorrect_ ? OnCorrect_(*this, value) : value;
    if (FineKind_ == skNone) v = SnapCoarse(CoarseKind_, CoarseStep_, v);
    return SetValueCore(v);
}

bool TEditHandler::SetSpecialValue(int which) {
    TWhoScope who(*this, wcvSwitcher);
    switch (which) {
        case 0: return SetValueCore(Min_);
        case 1: return SetValueCore(std::clamp(Default_, Min_, std::max(Min_, Max_)));
        case 2: return SetValueCore(Max_);
        default: return false;
    }
}

double TEditHandler::StepValue(double v, bool fine, bool up) {
    int kind = fine ? FineKind_ : CoarseKind_;
    double s = fine ? FineStep_ : CoarseStep_;
    const double f = FineStep_;
    const double r = Resolution_;
    if (!fine && kind == skSnapped125 && (FineKind_ == skGrid || FineKind_ == skLinear) && v < f / 2 + r) {
        kind = skGrid;
        s = f;
    }
    double q = v;
    switch (kind) {
        case skGrid:
            if (s == 0) return v;
            q = RoundToMultiple(s, v);
            if (up) {
                if (q < v + r || Snapped_) q += s;
            } else {
                if (q > v - r || Snapped_) q -= s;
            }
            return q;
        case skLinear: return up ? v + s : v - s;
        case skProportional: {
            const double edge = up ? v + r : v - r;
            double p = CorrectNewVal1_2_5(s * std::fabs(v));
            if (edge * s < p) p = CorrectNewVal1_2_5(p / 2);
            if (p < r) p = 2 * r;
            q = RoundToMultiple(p, v);
            if (up) {
                if (q < v + r) q += p;
            } else {
                if (q > v - r) q -= p;
            }
            return q;
        }
        case sk125:
            q = CorrectNewVal1_2_5(v);
            if (up) {
                if (q / v < 1.0050000001) q = CorrectNewVal1_2_5(2 * q);
            } else {
                if (q / v > 0.995) q = CorrectNewVal1_2_5(q / 2);
            }
            return q;
        case skPowerOf2:
            if (up) {
                if (v < 0.99 * f) return v + f;
                q = RoundToPowerOf2(v);
                if (q < v + r) q = RoundToPowerOf2(2 * q);
            } else {
                if (v < 1.01 * f) return v - f;
                q = RoundToPowerOf2(v);
                if (q > v - r) q = RoundToPowerOf2(q / 2);
            }
            return q;
        case skDouble: return up ? 2 * v : v / 2;
        case skDbLadder:
            q = RoundDbStep(v);
            if (up) {
                if (q < v + r) q = RoundDbStep(q + 5);
            } else {
                if (q > v - r) q = RoundDbStep(q - 5);
            }
            return q;
        case skSnapped125:
            if (f == 0) return v;
            if (up) return f * static_cast<double>(RoundHalfEven(CorrectNewVal1_2_5(2 * v) / f));
            return std::max(f * static_cast<double>(RoundHalfEven(CorrectNewVal1_2_5(v / 2) / f)), r);
        default: return v;
    }
}

void TEditHandler::Step(int action) {
    if (action >= saEndOfRun || action < 0) {
        Run_ = false;
        return;
    }
    int a = action;
    if (a == saRepeat) {
        if (LastAction_ < 0) return;
        a = LastAction_;
    } else {
        LastAction_ = a;
    }
    const bool fine = a >= saFineUp;
    const bool up = a == saCoarseUp || a == saFineUp;
    TWhoScope who(*this, wcvSwitcher);
    FineFlag_ = fine;
    const double v = GetValueAsDouble();
    double q = v;
    if (!(OnStep_ && OnStep_(*this, v, fine, up))) {
        q = StepValue(v, fine, up);
        TResetOnExit<int> direction(Direction_, 0);
        Direction_ = up ? 1 : 2;
        SetValueCore(q);
    }
    // A held key records one undo step: the repeats that follow record nothing.
    Run_ = true;
}

// ---------------------------------------------------------------------------------------------------
namespace {
// The grid point nearest a value clamped to a limit that is off the grid may lie beyond that limit:
// take the neighbour inside, or the fallback when no grid point lies between the limits. The slack
// keeps limits on the grid (0.3 against 3 * 0.1) where they are.
double KeepInsideLimits(double snapped, double grid, double fallback, double lo, double hi) {
    const double slack = grid * 1e-6;
    if (snapped > hi + slack)
        snapped -= grid;
    else if (snapped < lo - slack)
        snapped += grid;
    return (snapped > hi + slack || snapped < lo - slack) ? fallback : snapped;
}

std::int32_t ToInt32(double v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        RoundHalfEven(v), std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}
}  // namespace

TIntEditHandler::TIntEditHandler(const TEditOptions& o) : TEditHandler(o, true), Value_(ToInt32(o.Initial)) {}

bool TIntEditHandler::SetValue(double value) {
    TWhoScope who(*this, wcvProgram);
    return SetValueCore(value);
}

bool TIntEditHandler::SetValueCore(double value) {
    if (std::isnan(value)) return false;
    const double hi = std::max(MinValue(), MaxValue());
    const double c = std::clamp(value, MinValue(), hi);
    const double whole = static_cast<double>(RoundHalfEven(c));
    const std::int32_t nv = ToInt32(KeepInsideLimits(whole, 1.0, whole, MinValue(), hi));
    const std::int32_t old = Value_;
    return RunSetStep(
        nv != old, RecordUndo(), [&] { return std::to_string(old); }, [&] { Value_ = nv; });
}

TDoubleEditHandler::TDoubleEditHandler(const TEditOptions& o) : TEditHandler(o, false), Value_(o.Initial) {}

bool TDoubleEditHandler::SetValue(double value) {
    TWhoScope who(*this, wcvProgram);
    return SetValueCore(value);
}

bool TDoubleEditHandler::SetValueCore(double value) {
    if (std::isnan(value)) return false;
    const double hi = std::max(MinValue(), MaxValue());
    const double c = std::clamp(value, MinValue(), hi);
    double v = c;
    const double grid = (Snapped() && FineStep() > 0) ? FineStep() : Resolution();
    if (grid > 0 && std::fabs(v / grid) < 2147483647.0)
        v = KeepInsideLimits(grid * static_cast<double>(RoundHalfEven(v / grid)), grid, c, MinValue(), hi);
    const double old = Value_;
    const bool changed = std::fabs(v - old) > grid / 2;
    return RunSetStep(
        changed, RecordUndo(), [&] { return FloatToStrDot(old); }, [&] { Value_ = v; });
}

}  // namespace vt
