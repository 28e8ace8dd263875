#include "analysis/MeasAlgorithms.h"

#include <algorithm>
#include <cmath>

#include "acq/SignalObj.h"
#include "core/Numeric.h"

namespace vt {

namespace {

constexpr double TwoPi = 6.283185307179586;

// The edge searches of one source inside its window, at the middle threshold unless told.
struct TEdges {
    const TSignalObj& S;
    const MeasSourceState& St;
    TDisplayedPoints V;
    TEdges(const TMeasSourceView& v) : S(*v.Signal), St(*v.State), V(*v.Signal) {}
    double Rising(int& start, int sel = lsMiddle) const { return FindRisingCrossing(S, St, start, sel, false); }
    double Falling(int& start, int sel = lsMiddle) const { return FindFallingCrossing(S, St, start, sel, false); }
    double Edge(bool rising, int& start, int sel = lsMiddle) const {
        return rising ? Rising(start, sel) : Falling(start, sel);
    }
    // The first edge of a direction from the left margin.
    double First(bool rising) const {
        int start = St.LeftMargin;
        return Edge(rising, start);
    }
    // The last edge of a direction in the window.
    double Last(bool rising) const {
        int start = St.LeftMargin;
        double last = -1;
        for (double x; (x = Edge(rising, start)) >= 0;) last = x;
        return last;
    }
    double Time(double x) const { return S.ViewIndexToTime(x); }
    double Span(double dx) const { return dx * S.SampleInterval(); }
    std::int32_t Column(double x) const { return static_cast<std::int32_t>(RoundHalfEven(S.ViewIndexToColumn(x))); }
    std::int32_t Row(double v) const { return static_cast<std::int32_t>(RoundHalfEven(S.ValueToPixel(v))); }
};

// The cycle walk: the first edge fixes the direction; each further edge of that direction counts one
// period. Pulse widths of the asked polarity (0 none, 1 positive, 2 negative) are summed on the way.
struct TCycleWalk {
    bool Found = false;
    bool Rising = true;
    double First = -1, Last = -1;
    double Second = -1;  // the edge that ends the first period
    int Periods = 0;
    double WidthSum = 0;
    int Widths = 0;
    double PulseFrom = -1, PulseTo = -1;  // the first complete pulse of the asked polarity
};

TCycleWalk WalkCycles(const TEdges& e, int polarity) {
    TCycleWalk w;
    int rs = e.St.LeftMargin, fs = e.St.LeftMargin;
    const double r = e.Rising(rs), f = e.Falling(fs);
    if (r < 0 || f < 0) return w;
    w.Found = true;
    w.Rising = r < f;
    w.First = w.Last = std::min(r, f);
    int start = w.Rising ? rs : fs;
    // A pulse from a rising to the following falling edge is positive.
    const bool firstPulsePositive = w.Rising;
    auto addPulse = [&](double from, double to, bool positive) {
        if ((polarity == 1 && positive) || (polarity == 2 && !positive)) {
            if (w.Widths == 0) w.PulseFrom = from, w.PulseTo = to;
            w.WidthSum += to - from, ++w.Widths;
        }
    };
    for (;;) {
        double opposite = -1;
        if (polarity != 0) {
            opposite = e.Edge(!w.Rising, start);
            if (opposite < 0) break;
            addPulse(w.Last, opposite, firstPulsePositive);
        }
        const double next = e.Edge(w.Rising, start);
        if (next < 0) break;
        if (polarity != 0) addPulse(opposite, next, !firstPulsePositive);
        if (++w.Periods == 1) w.Second = next;
        w.Last = next;
    }
    return w;
}

void MarkEdges(const TEdges& e, TAnnLabelArray& ann, double first, double last, const std::string& text, int count) {
    const std::int32_t row = e.Row(e.St.Middle);
    SetAnnotationPoint(ann, 1, e.Column(first), row);
    SetAnnotationPoint(ann, 2, e.Column(last), row);
    SetAnnotationTextNumbered(ann, 1, text, count);
}

double Period(const TEdges& e, TAnnLabelArray& ann, const TMeasAnnotationTexts& texts) {
    const TCycleWalk w = WalkCycles(e, 0);
    if (w.Periods == 0) return UndefinedValue;
    MarkEdges(e, ann, w.First, w.Last, texts.RisingCross, w.Periods + 1);
    return e.Span((w.Last - w.First) / w.Periods);
}

double Width(const TEdges& e, bool positive, TAnnLabelArray& ann, const TMeasAnnotationTexts& texts) {
    int start = e.St.LeftMargin;
    double sum = 0, first = -1, last = -1;
    int pairs = 0;
    for (;;) {
        const double a = e.Edge(positive, start);
        if (a < 0) break;
        const double b = e.Edge(!positive, start);
        if (b < 0) break;
        if (pairs == 0) first = a;
        last = b;
        sum += b - a;
        ++pairs;
    }
    if (pairs == 0) return UndefinedValue;
    MarkEdges(e, ann, first, last, texts.RisingCross, 2 * pairs);
    return e.Span(sum / pairs);
}

double Transition(const TEdges& e, bool rising, TAnnLabelArray& ann, const TMeasAnnotationTexts& texts) {
    int start = e.St.LeftMargin;
    double sum = 0, firstLow = -1, firstUp = -1;
    int edges = 0;
    for (;;) {
        int lowStart = start, upStart = start;
        const double low = e.Edge(rising, lowStart, lsLower);
        const double up = e.Edge(rising, upStart, lsUpper);
        if (low < 0 || up < 0) break;
        if (edges == 0) firstLow = low, firstUp = up;
        sum += rising ? up - low : low - up;
        ++edges;
        start = std::max(lowStart, upStart);
    }
    if (edges == 0) return UndefinedValue;
    SetAnnotationPoint(ann, 1, e.Column(firstLow), e.Row(e.St.Lower));
    SetAnnotationPoint(ann, 2, e.Column(firstUp), e.Row(e.St.Upper));
    SetAnnotationText(ann, 1, texts.Thresholds.Lower);
    SetAnnotationText(ann, 2, texts.Thresholds.Upper);
    return e.Span(sum / edges);
}

double Duty(const TEdges& e, bool positive, TAnnLabelArray& ann, const TMeasAnnotationTexts& texts) {
    const TCycleWalk w = WalkCycles(e, positive ? 1 : 2);
    if (w.Periods == 0 || w.Widths == 0) return UndefinedValue;
    MarkEdges(e, ann, w.First, w.Last, texts.RisingCross, w.Periods + 1);
    // The width: the two ends of the first pulse counted.
    const std::int32_t row = e.Row(e.St.Middle);
    SetAnnotationPoint(ann, 3, e.Column(w.PulseFrom), row);
    SetAnnotationPoint(ann, 4, e.Column(w.PulseTo), row);
    return (w.WidthSum / w.Widths) / ((w.Last - w.First) / w.Periods) * 100;
}

double Cross(const TEdges& e, bool rising, TAnnLabelArray& ann) {
    const double x = e.First(rising);
    if (x < 0) return UndefinedValue;
    SetAnnotationPoint(ann, 1, e.Column(x), e.Row(e.St.Middle));
    return e.Time(x);
}

double BurstWidth(const TEdges& e, TAnnLabelArray& ann) {
    const double lastRising = e.Last(true), lastFalling = e.Last(false);
    if (lastRising < 0 || lastFalling < 0) return UndefinedValue;
    const double firstRising = e.First(true), firstFalling = e.First(false);
    const double end = std::max(lastRising, lastFalling);
    const double start = firstFalling >= 0 && firstFalling < firstRising ? firstFalling : firstRising;
    const std::int32_t row = e.Row(e.St.Middle);
    SetAnnotationPoint(ann, 1, e.Column(start), row);
    SetAnnotationPoint(ann, 2, e.Column(end), row);
    return e.Span(end - start);
}

// The first extreme point of the window.
int ExtremeIndex(const TEdges& e, bool largest) {
    int best = e.St.LeftMargin;
    double extreme = e.V(best);
    for (int i = e.St.LeftMargin + 1; i <= e.St.RightMargin; ++i) {
        const double v = e.V(i);
        if (largest ? v > extreme : v < extreme) best = i, extreme = v;
    }
    return best;
}

// Sums over whole cycles: interval means weighted by the part of the interval that lies in the span.
struct TCycleSums {
    bool Found = false;
    double Span = 0;
    int Cycles = 0;
    double Sum = 0;
    double SumSquares = 0;
    int Start = 0;     // round(s)
    double End = 0;    // the last edge moved by the start's rounding
    double FirstEdge = -1, LastEdge = -1;  // s and the last edge as found
    double Mean() const { return Sum / Span; }
};

template <class F>
void ForEachInterval(const TEdges& e, int i0, double end, F visit) {
    const int last = static_cast<int>(std::floor(end));
    // The shifted end may pass the last point by less than one: that point then ends the interval.
    const int lastPoint = e.S.GetDecimatedLength() - 1;
    for (int i = i0; i <= last; ++i) {
        const double f = i < last ? 1.0 : end - i;
        if (f <= 0) break;
        const double following = e.V(std::min(i + 1, lastPoint));
        const double next = f >= 1.0 ? following : e.V(i) + f * (following - e.V(i));
        visit(f, (e.V(i) + next) / 2);
    }
}

TCycleSums WholeCycles(const TEdges& e) {
    TCycleSums c;
    int rs = e.St.LeftMargin, fs = e.St.LeftMargin;
    const double r = e.Rising(rs), f = e.Falling(fs);
    const double s = std::min(r, f);
    if (s < 1) return c;
    const bool rising = r < f;
    int start = rising ? rs : fs;
    double end = -1;
    for (double x; (x = e.Edge(rising, start)) >= 0;) end = x, ++c.Cycles;
    if (c.Cycles == 0) return c;
    const auto i0 = static_cast<int>(RoundHalfEven(s));
    const double endShifted = end + (i0 - s);
    c.Span = endShifted - i0;
    c.Start = i0;
    c.End = endShifted;
    c.FirstEdge = s;
    c.LastEdge = end;
    if (c.Span <= 0) return c;
    c.Found = true;
    ForEachInterval(e, i0, endShifted, [&c](double w, double m) {
        c.Sum += w * m;
        c.SumSquares += w * m * m;
    });
    return c;
}

double CycAcRms(const TEdges& e, const TCycleSums& c) {
    if (!c.Found) return UndefinedValue;
    const double mean = c.Mean();
    double sum = 0;
    ForEachInterval(e, c.Start, c.End, [&](double w, double m) { sum += w * (m - mean) * (m - mean); });
    return std::sqrt(sum / c.Span);
}

void LevelLine(const TEdges& e, TAnnLabelArray& ann, double value) { SetAnnotationY(ann, 1, e.Row(value)); }

// A level over whole cycles: the line spans the cycles from their first to their last edge.
void CycleLine(const TEdges& e, TAnnLabelArray& ann, const TCycleSums& c, double value) {
    SetAnnotationPoint(ann, 1, e.Column(c.FirstEdge), e.Row(value));
    SetAnnotationX2(ann, 1, e.Column(c.LastEdge));
}

}  // namespace

double CalcXKind(int kind, const TMeasSourceView& src, TAnnLabelArray& ann, const TMeasAnnotationTexts& texts) {
    const TEdges e(src);
    switch (kind) {
        case xkPeriod: return Period(e, ann, texts);
        case xkFreq: {
            const double p = Period(e, ann, texts);
            return IsUndefinedValue(p) || p == 0 ? UndefinedValue : 1 / p;
        }
        case xkPosWidth: return Width(e, true, ann, texts);
        case xkNegWidth: return Width(e, false, ann, texts);
        case xkRise: return Transition(e, true, ann, texts);
        case xkFall: return Transition(e, false, ann, texts);
        case xkPosDuty: return Duty(e, true, ann, texts);
        case xkNegDuty: return Duty(e, false, ann, texts);
        case xkPosCross: return Cross(e, true, ann);
        case xkNegCross: return Cross(e, false, ann);
        case xkBurstWidth: return BurstWidth(e, ann);
        case xkCycles: {
            const TCycleWalk w = WalkCycles(e, 0);
            if (w.Periods == 0) return UndefinedValue;
            MarkEdges(e, ann, w.First, w.Last, texts.RisingCross, w.Periods + 1);
            return w.Periods;
        }
        case xkTimeOfMax:
        case xkTimeOfMin: {
            if (e.St.RightMargin < e.St.LeftMargin) return UndefinedValue;
            const int i = ExtremeIndex(e, kind == xkTimeOfMax);
            SetAnnotationPoint(ann, 1, e.Column(i), e.Row(e.V(i)));
            return e.Time(i);
        }
        default: return UndefinedValue;
    }
}

double CalcYKind(int kind, const TMeasSourceView& src, TAnnLabelArray& ann) {
    const TEdges e(src);
    const MeasSourceState& st = e.St;
    const int left = st.LeftMargin, right = st.RightMargin;
    if (right < left) return UndefinedValue;
    const int n = right - left + 1;
    auto extremes = [&](double& mx, double& mn, int& imx, int& imn) {
        imx = ExtremeIndex(e, true);
        imn = ExtremeIndex(e, false);
        mx = e.V(imx);
        mn = e.V(imn);
    };
    auto sum = [&] {
        double s = 0;
        for (int i = left; i <= right; ++i) s += e.V(i);
        return s;
    };
    const double amplitude = st.WindowTop - st.WindowBase;
    switch (kind) {
        case ykMax:
        case ykMin:
        case ykPP:
        case ykMiddle:
        case ykPosOver:
        case ykNegOver: {
            double mx, mn;
            int imx, imn;
            extremes(mx, mn, imx, imn);
            if (kind == ykMax || kind == ykPP) SetAnnotationPoint(ann, 1, e.Column(imx), e.Row(mx));
            if (kind == ykMin) SetAnnotationPoint(ann, 1, e.Column(imn), e.Row(mn));
            if (kind == ykPP) SetAnnotationPoint(ann, 2, e.Column(imn), e.Row(mn));
            if (kind == ykMax) return mx;
            if (kind == ykMin) return mn;
            if (kind == ykPP) return mx - mn;
            if (kind == ykMiddle) {
                LevelLine(e, ann, (mx + mn) / 2);
                return (mx + mn) / 2;
            }
            if (std::abs(amplitude) < 1e-30) return UndefinedValue;
            SetAnnotationY(ann, 1, e.Row(st.WindowTop));
            SetAnnotationY(ann, 2, e.Row(st.WindowBase));
            if (kind == ykPosOver) SetAnnotationPoint(ann, 3, e.Column(imx), e.Row(mx));
            else SetAnnotationPoint(ann, 3, e.Column(imn), e.Row(mn));
            return kind == ykPosOver ? (mx - st.WindowTop) * 100 / amplitude : (st.WindowBase - mn) * 100 / amplitude;
        }
        case ykTop: LevelLine(e, ann, st.WindowTop); return st.WindowTop;
        case ykBase: LevelLine(e, ann, st.WindowBase); return st.WindowBase;
        case ykAmpl:
            SetAnnotationY(ann, 1, e.Row(st.WindowTop));
            SetAnnotationY(ann, 2, e.Row(st.WindowBase));
            return amplitude;
        case ykMean: {
            const double mean = sum() / n;
            LevelLine(e, ann, mean);
            return mean;
        }
        case ykDcRMS: {
            double sq = 0;
            for (int i = left; i <= right; ++i) sq += e.V(i) * e.V(i);
            const double rms = std::sqrt(sq / n);
            LevelLine(e, ann, rms);
            return rms;
        }
        case ykAcRMS: {
            const double mean = sum() / n;
            double sq = 0;
            for (int i = left; i <= right; ++i) sq += (e.V(i) - mean) * (e.V(i) - mean);
            const double rms = std::sqrt(sq / n);
            LevelLine(e, ann, rms);
            return rms;
        }
        case ykArea: return e.Span(sum());
        case ykCycMean:
        case ykCycDcRMS:
        case ykCycArea: {
            const TCycleSums c = WholeCycles(e);
            if (!c.Found) return UndefinedValue;
            if (kind == ykCycArea) {
                const std::int32_t row = e.Row(st.Middle);
                SetAnnotationPoint(ann, 1, e.Column(c.FirstEdge), row);
                SetAnnotationPoint(ann, 2, e.Column(c.LastEdge), row);
                return e.Span(c.Sum) / c.Cycles;
            }
            const double v = kind == ykCycMean ? c.Mean() : std::sqrt(c.SumSquares / c.Span);
            CycleLine(e, ann, c, v);
            return v;
        }
        case ykCycAcRMS: {
            const TCycleSums c = WholeCycles(e);
            const double v = CycAcRms(e, c);
            if (!IsUndefinedValue(v)) CycleLine(e, ann, c, v);
            return v;
        }
        default: return UndefinedValue;
    }
}

double CalcXDualKind(int kind, const TMeasSourceView& src, const TMeasSourceView& second, TAnnLabelArray& ann) {
    if (!second.Signal || !second.State) return UndefinedValue;
    const TEdges e(src), e2(second);
    double t1 = -1, t2 = -1, x1 = -1, x2 = -1;
    double period = 0, crossing2 = -1;
    if (kind < xdPhaseDeg) {
        const bool secondRising = (kind & 1) == 0;
        x2 = kind >= 4 ? e2.Last(secondRising) : e2.First(secondRising);
        x1 = e.First((kind & 2) == 0);
    } else {
        const TCycleWalk w = WalkCycles(e, 0);
        if (w.Periods == 0) return UndefinedValue;
        period = (w.Last - w.First) / w.Periods * e.S.SampleInterval();
        crossing2 = w.Second;
        x1 = e.First(w.Rising);
        x2 = e2.First(w.Rising);
    }
    if (x1 < 0 || x2 < 0) return UndefinedValue;
    t1 = e.Time(x1);
    t2 = e2.Time(x2);
    SetAnnotationPoint(ann, 1, e.Column(x1), e.Row(e.St.Middle));
    SetAnnotationPoint(ann, 2, e2.Column(x2), e2.Row(e2.St.Middle));
    // The phase's period ends at the source's second crossing of the direction.
    if (crossing2 >= 0) SetAnnotationPoint(ann, 3, e.Column(crossing2), e.Row(e.St.Middle));
    switch (kind) {
        case xdPhaseDeg: return (t2 - t1) / period * 360;
        case xdPhaseRad: return (t2 - t1) / period * TwoPi;
        case xdPhasePerc: return (t2 - t1) / period * 100;
        default: return t2 - t1;
    }
}

double CalcYDualKind(int kind, const TMeasSourceView& src, const TMeasSourceView& second, TAnnLabelArray& ann) {
    if (!second.Signal || !second.State) return UndefinedValue;
    const TEdges e(src), e2(second);
    SetAnnotationY(ann, 1, e.Row(src.State->WindowTop));
    SetAnnotationY(ann, 2, e.Row(src.State->WindowBase));
    SetAnnotationY(ann, 3, e2.Row(second.State->WindowTop));
    SetAnnotationY(ann, 4, e2.Row(second.State->WindowBase));
    const double a1 = src.State->WindowTop - src.State->WindowBase;
    const double a2 = second.State->WindowTop - second.State->WindowBase;
    if (std::abs(a1) < 1e-30) return UndefinedValue;
    const double gain = a2 / a1;
    if (kind == ydGain) return gain;
    return gain < 1e-200 ? -4000 : 20 * std::log10(gain);
}

}  // namespace vt
