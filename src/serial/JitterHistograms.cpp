#include "serial/JitterHistograms.h"

#include <algorithm>
#include <cmath>

#include "core/Numeric.h"
#include "core/StepSeries.h"

namespace vt {

void TJitterHist::SetRange(double x) {
    HalfRange = x / 2;
    BinWidth = x / BinCount;
}

bool TJitterHist::Add(double x) {
    Stat.Add(1, x);
    if (!(HalfRange > 1e-15)) {
        if (OnError) OnError(Name + " - Time Scale undefined");
        return false;
    }
    const double position = (x + HalfRange) / BinWidth;
    const auto bin = static_cast<int>(std::clamp<double>(static_cast<double>(RoundHalfEven(std::clamp(position, -1.0, 1e6))),
                                                         0, BinCount - 1));
    const std::int32_t n = ++Counts[static_cast<std::size_t>(bin)];
    PeakCount = std::max(PeakCount, n);
    return true;
}

void TJitterHist::Clear() {
    Counts.fill(0);
    PeakCount = 0;
    Stat.Clear();
}

TJitterRanges JitterHistogramRanges(double c, double s) {
    const auto snap = [](double v) { return CorrectValueE12(-1, v); };
    const double o = snap((c + s) * 2.2);
    TJitterRanges r{o, o, o};
    if (c < s / 4)
        r.DataDependent = snap(c * 2.2);
    else if (c / 4 > s)
        r.Random = snap(s * 2.2);
    return r;
}

std::array<TJitterResult, JitterParamCount> ComputeJitterResults(const std::array<TJitterHist, 7>& h) {
    std::array<TJitterResult, JitterParamCount> r;
    for (TJitterResult& x : r) x = {UndefinedValue, ""};
    r[jpTotal] = {h[4].Sigma(), "s"};
    r[jpDataDepend] = {h[0].Max() - h[0].Min(), "s"};
    r[jpRandom] = {h[3].Sigma(), "s"};
    r[jpDutyCycleDist] = {std::fabs(h[1].Mean() - h[2].Mean()), "s"};
    r[jpInterSymbol] = {std::max(h[2].Max() - h[2].Min(), h[1].Max() - h[1].Min()), "s"};
    return r;
}

namespace {
void ClampToPattern(TBitZoom& z, int patternLength, int span) {
    if (z.Last > patternLength - 1) {
        z.Last = patternLength - 1;
        z.First = patternLength - span + 1;
    }
}
}  // namespace

void ZoomIn(TBitZoom& z, int patternLength, int f, int w) {
    const int shown = (patternLength + 1) / z.Factor;
    if (shown < 33 || w <= 0) return;
    const int k = shown == 64 ? 2 : 4;
    z.Factor *= k;
    f = std::clamp(f, 0, w);
    const int centre = z.First + static_cast<int>(std::lround(static_cast<double>(shown) * f / w));
    const int span = shown / k;
    z.First = std::max(0, centre - span / 2);
    z.Last = z.First + span - 2;
    ClampToPattern(z, patternLength, span);
}

void ZoomOut(TBitZoom& z, int patternLength) {
    if (z.Factor <= 1) return;
    const bool quarter = z.Factor == 4 || z.Factor == 16 || z.Factor == 64 || z.Factor == 256 || z.Factor == 1024;
    z.Factor /= quarter ? 4 : 2;
    const int centre = z.First + (z.Last - z.First) / 2;
    const int shown = (patternLength + 1) / z.Factor;
    z.First = std::max(0, centre - shown / 2);
    z.Last = z.First + shown - 2;
    ClampToPattern(z, patternLength, shown);
}

}  // namespace vt
