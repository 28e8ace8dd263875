#include "analysis/SpectrumMeasurements.h"

#include <cmath>
#include <numbers>

#include "acq/SignalObj.h"
#include "analysis/FftWindowConstants.h"
#include "core/Numeric.h"

namespace vt {

namespace {

constexpr int HarmonicMethod = 0;
constexpr int HighestTdhHarmonic = 10;

int Half(const TSignalObj& s) { return s.Length() / 2; }
double M(const TSignalObj& s, int j) { return s.GetMagnitude(j); }

// The first bin of largest magnitude in [lo, hi].
int LargestBin(const TSignalObj& s, int lo, int hi) {
    int best = lo;
    for (int j = lo + 1; j <= hi; ++j)
        if (M(s, j) > M(s, best)) best = j;
    return best;
}

TSpectrumPeak PeakAt(const TSignalObj& s, double x) {
    const int k = RefinePeakBin(s, x);
    return k < 0 ? TSpectrumPeak{} : InterpolatePeak(s, k);
}

double Fundamental(const TSignalObj& s, const TMeasSourceSettings& settings, int* coarse) {
    const int half = Half(s);
    auto lo = static_cast<int>(RoundHalfEven(s.ColumnToIndex(settings.FFTLeft)));
    auto hi = static_cast<int>(RoundHalfEven(s.ColumnToIndex(settings.FFTRight)));
    lo = std::max(lo, 1);
    hi = std::min(hi, half);
    if (hi < lo) return -1;
    const int peak = LargestBin(s, lo, hi);
    if (coarse) *coarse = peak;
    const TSpectrumPeak p = PeakAt(s, peak);
    return p.Found ? p.Bin : -1;
}

// The m-th region of bins at or above the level (Peak method).
TSpectrumPeak NthPeak(const TSignalObj& s, double levelDb, int m) {
    const double level = std::pow(10.0, levelDb / 20);
    const int half = Half(s);
    int regions = 0;
    bool inside = false;
    int first = -1, last = -1;
    for (int j = 1; j <= half; ++j) {
        const bool above = M(s, j) >= level;
        if (above && !inside) {
            ++regions;
            if (regions == m) first = j;
        }
        if (!above && inside && regions == m) {
            last = j - 1;
            break;
        }
        inside = above;
    }
    if (first < 0) return {};
    if (last < 0) last = half;
    return PeakAt(s, LargestBin(s, first, last));
}

TSpectrumPeak NumberedPeak(const TSignalObj& s, const TMeasSourceSettings& settings, int number, double f0) {
    if (settings.FFTMethod == HarmonicMethod) return f0 < 0 ? TSpectrumPeak{} : PeakAt(s, number * f0);
    return NthPeak(s, settings.PeakLevel, number);
}

void Mark(const TSignalObj& s, TAnnLabelArray& ann, int n, const TSpectrumPeak& p, const std::string& text,
          int number) {
    SetAnnotationVisible(ann, n, p.Found);
    if (!p.Found) return;
    SetAnnotationPoint(ann, n, static_cast<std::int32_t>(RoundHalfEven(s.IndexToColumn(p.Bin))),
                       static_cast<std::int32_t>(RoundHalfEven(s.ValueToPixel(p.Amplitude))));
    SetAnnotationText(ann, n, text + std::to_string(number));
}

}  // namespace

int RefinePeakBin(const TSignalObj& s, double x) {
    const int half = Half(s);
    const std::int64_t k = RoundHalfEven(x);
    if (k > half) return -1;
    if (k < 2) return 1;
    if (k >= half) return half - 1;
    const int ki = static_cast<int>(k);
    return M(s, ki + 1) >= M(s, ki - 1) ? ki : ki - 1;
}

TSpectrumPeak InterpolatePeak(const TSignalObj& s, int k) {
    TSpectrumPeak p;
    if (k < 0 || k + 1 >= s.Length()) return p;
    p.Found = true;
    const double m0 = M(s, k), m1 = M(s, k + 1);
    if (m1 == 0) {
        p.Bin = k;
        p.Amplitude = WindowCorrectedAmplitude(s, m0, 0);
        return p;
    }
    if (m0 == 0) {
        p.Bin = k + 1;
        p.Amplitude = WindowCorrectedAmplitude(s, m1, 0);
        return p;
    }
    const double r = m1 / m0;
    const double a = FftWindowPeakConst(s, 0), b = FftWindowPeakConst(s, 1), c = FftWindowPeakConst(s, 2);
    double h = (a * r - b) / (r * c + 1);
    p.Bin = k + h;
    double amplitude = m0;
    if (m1 >= m0) {
        amplitude = m1;
        if (h > 0.5) h = 1 - h;
    }
    if (h >= 0.01) amplitude *= std::numbers::pi * h / std::sin(std::numbers::pi * h);
    p.Amplitude = WindowCorrectedAmplitude(s, amplitude, h);
    return p;
}

double WindowCorrectedAmplitude(const TSignalObj& s, double amplitude, double h) {
    const auto terms = static_cast<int>(FftWindowCoef(s, 4));
    if (terms <= 0) return amplitude;
    // The window's response at offset h relative to a plain sinc: c0 + sum c_k h^2 / (h^2 - k^2).
    const double h2 = h * h;
    double response = FftWindowCoef(s, 0);
    for (int k = 1; k <= terms; ++k) response += FftWindowCoef(s, k) * h2 / (h2 - k * k);
    return std::abs(amplitude / response);
}

double CalcSpectrumKind(bool xGroup, int kind, const TSignalObj& s, const TMeasSourceSettings& settings,
                        TAnnLabelArray& ann, const TSpectrumTexts& texts) {
    if (s.Length() < 4) return UndefinedValue;
    const double step = s.SampleInterval();
    int coarse = -1;
    const double f0 = Fundamental(s, settings, &coarse);
    if (!xGroup && kind == yfTDH) {
        if (f0 < 0) return UndefinedValue;
        const TSpectrumPeak first = PeakAt(s, f0);
        if (!first.Found || first.Amplitude == 0) return UndefinedValue;
        SetAnnotationPoint(ann, 3, static_cast<std::int32_t>(RoundHalfEven(s.IndexToColumn(first.Bin))),
                           static_cast<std::int32_t>(RoundHalfEven(s.ValueToPixel(first.Amplitude))));
        double sum = 0;
        for (int m = 2; m <= HighestTdhHarmonic; ++m) {
            const TSpectrumPeak p = PeakAt(s, m * f0);
            if (p.Found) sum += p.Amplitude * p.Amplitude;
        }
        return std::sqrt(sum) / first.Amplitude * 100;
    }
    const bool harmonic = settings.FFTMethod == HarmonicMethod;
    const TSpectrumPeak left = NumberedPeak(s, settings, settings.PeakLeft, f0);
    const bool needsSecond = kind == 1;  // DFreq, DMagn
    const TSpectrumPeak right = needsSecond ? NumberedPeak(s, settings, settings.PeakRight, f0) : TSpectrumPeak{};
    Mark(s, ann, 1, left, texts.PeakLeft, settings.PeakLeft);
    if (needsSecond) Mark(s, ann, 2, right, texts.PeakRight, settings.PeakRight);
    if (harmonic && coarse >= 0) {
        SetAnnotationPoint(ann, 3, static_cast<std::int32_t>(RoundHalfEven(s.IndexToColumn(coarse))),
                           static_cast<std::int32_t>(RoundHalfEven(s.ValueToPixel(M(s, coarse)))));
    }
    if (!harmonic) SetAnnotationVisible(ann, 3, false);
    if (!left.Found || (needsSecond && !right.Found)) return UndefinedValue;
    if (xGroup) return kind == xfFreq ? left.Bin * step : (right.Bin - left.Bin) * step;
    return kind == yfMagn ? left.Amplitude : left.Amplitude - right.Amplitude;
}

}  // namespace vt
