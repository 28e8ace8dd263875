#include "analysis/SignalLevels.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "acq/SignalObj.h"
#include "core/EngineeringText.h"
#include "core/Numeric.h"

namespace vt {

TDisplayedPoints::TDisplayedPoints(const TSignalObj& signal) : Signal_(signal) {
    const bool converted = signal.IsSpectrum() || (signal.TdrUnit() != tdrNone && !signal.Raw());
    if (!converted && signal.ViewStart() + signal.GetDecimatedLength() <= MaxSignalPoints)
        Direct_ = signal.Data1() + signal.ViewStart();
}

double TDisplayedPoints::Value(int i) const { return Signal_.GetDisplayValue(i); }

namespace {

constexpr int FirstCountedBin = 2;
constexpr int LastCountedBin = 254;

// "%4.1f%%" without the locale.
std::string PercentText(double percent) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, percent, std::chars_format::fixed, 1);
    std::string s(buf, r.ptr);
    if (s.size() < 4) s.insert(0, 4 - s.size(), ' ');
    return s + "%";
}

double BinRow(double bin) { return 4 * bin + 1.5; }

// The count-weighted mean bin of peak-2..peak+2, or fallback when those bins are empty.
double RefinePeak(const TLevelHistogram& h, int peak, double fallback) {
    double sum = 0, weighted = 0;
    for (int p = std::max(peak - 2, 0); p <= std::min(peak + 2, LevelBinCount - 1); ++p) {
        sum += h[static_cast<std::size_t>(p)];
        weighted += static_cast<double>(h[static_cast<std::size_t>(p)]) * p;
    }
    return sum > 0 ? weighted / sum : fallback;
}

// The index of the remembered point i on the level; the first point of the record is its own crossing.
double LevelCrossingIndex(const TDisplayedPoints& v, int i, double level) {
    if (i <= 0) return 0;
    const double v1 = v(i);
    const double v0 = v(i - 1);
    if (v1 == v0) return i - 0.5;
    return i - (v1 - level) / (v1 - v0);
}

bool NoEdges(const TSignalObj& signal, const MeasSourceState& state, double fraction) {
    return std::abs(state.Upper - state.Lower) < signal.GetScale() * fraction;
}

double Finish(const TSignalObj& signal, const TDisplayedPoints& v, int remembered, double level,
              TCrossingPlace* place) {
    const double x = LevelCrossingIndex(v, remembered, level);
    if (place && x > 0) {
        place->Column = static_cast<std::int32_t>(RoundHalfEven(signal.ViewIndexToColumn(x)));
    }
    return x;
}

}  // namespace

std::uint16_t LevelHistogram(TLevelHistogram& hist, const TSignalObj& signal, bool windowOnly, int last, int first) {
    hist.fill(0);
    const int n = signal.GetDecimatedLength();
    int from = 0, to = n - 1;
    if (windowOnly) {
        from = std::max(first, 0);
        to = std::min(last, n - 1);
    }
    std::uint32_t count = 0;
    const TDisplayedPoints v(signal);
    // The record's row of a value, computed as ValueToPixel does, without a call per point.
    const double centre = signal.GetCentre(), perScale = 8.0 * signal.GetScale();
    for (int i = from; i <= to; ++i) {
        const double row = (v(i) - centre) * 1024.0 / perScale + 512.0;
        // Rows 8..1019 only: points near and beyond the screen edges are left out.
        if (!(row >= 7.5 && row < 1019.5)) continue;
        // Halves to even as RoundHalfEven, without a library call per point: adding and taking away
        // 1.5 * 2^52 leaves the nearest integer in the default rounding mode.
        const auto bin = static_cast<std::int64_t>((row + 6755399441055744.0) - 6755399441055744.0) / 4;
        if (bin < FirstCountedBin || bin > LastCountedBin) continue;
        ++hist[static_cast<std::size_t>(bin)];
        ++count;
    }
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(count, std::numeric_limits<std::uint16_t>::max()));
}

void FindTopBase(const TLevelHistogram& h, bool histMethod, const TSignalObj& signal, double& base, double& top) {
    int lowest = -1, highest = -1;
    for (int p = FirstCountedBin; p <= LastCountedBin; ++p) {
        if (h[static_cast<std::size_t>(p)] == 0) continue;
        if (lowest < 0) lowest = p;
        highest = p;
    }
    if (lowest < 0) lowest = FirstCountedBin, highest = LastCountedBin;
    double topRow = BinRow(highest), baseRow = BinRow(lowest);
    if (histMethod && highest - lowest >= 3) {
        std::array<double, LevelBinCount> s{};
        auto at = [&h](int p) { return static_cast<double>(h[static_cast<std::size_t>(p)]); };
        for (int p = lowest; p <= highest; ++p)
            s[static_cast<std::size_t>(p)] =
                10 * at(p) + 5 * (at(p - 1) + at(p + 1)) + 2 * (at(p - 2) + at(p + 2));
        const int mid = (highest + lowest) / 2;
        int topPeak = highest;
        for (int p = highest; p >= mid; --p)
            if (s[static_cast<std::size_t>(p)] > s[static_cast<std::size_t>(topPeak)]) topPeak = p;
        int basePeak = lowest;
        for (int p = lowest; p <= mid; ++p)
            if (s[static_cast<std::size_t>(p)] > s[static_cast<std::size_t>(basePeak)]) basePeak = p;
        topRow = BinRow(RefinePeak(h, topPeak, 128));
        baseRow = BinRow(RefinePeak(h, basePeak, 127));
    }
    top = signal.PixelToValue(topRow);
    base = signal.PixelToValue(baseRow);
}

bool FindSignalLevels(MeasSourceState& state, const TSignalObj& signal) {
    state.LevelsMissing = LevelHistogram(state.LevelHist, signal, false, 0, 0) == 0;
    return state.LevelsMissing;
}

void SetLevelMarkers(MeasSourceState& state, const TSignalObj& signal, const TMeasSourceSettings& settings) {
    switch (settings.Method) {
        case 0: FindTopBase(state.LevelHist, true, signal, state.Base, state.Top); break;
        case 1: FindTopBase(state.LevelHist, false, signal, state.Base, state.Top); break;
        default:
            state.Top = signal.PixelToValue(settings.Top);
            state.Base = signal.PixelToValue(settings.Base);
            break;
    }
}

void SetReferenceLevels(MeasSourceState& state, const TSignalObj& signal, const TMeasSourceSettings& settings,
                        TThresholdTexts& texts, const std::string& divText) {
    const double span = state.Top - state.Base;
    auto fractions = [&](double up, double mid, double low) {
        state.Upper = state.Base + up * span;
        state.Middle = state.Base + mid * span;
        state.Lower = state.Base + low * span;
    };
    if (settings.Thresh == 0) {
        fractions(0.9, 0.5, 0.1);
        texts.Upper = "90%", texts.Lower = "10%";
    } else if (settings.Thresh == 1) {
        fractions(0.8, 0.5, 0.2);
        texts.Upper = "80%", texts.Lower = "20%";
    } else if (settings.Unit == 0) {
        fractions(settings.UpThPerc / 100, settings.MidThPerc / 100, settings.LowThPerc / 100);
        texts.Upper = PercentText(settings.UpThPerc);
        texts.Lower = PercentText(settings.LowThPerc);
    } else {
        // Volt and Division both keep the thresholds as rows of the source.
        state.Upper = signal.PixelToValue(settings.UpThresh);
        state.Middle = signal.PixelToValue(settings.MidThresh);
        state.Lower = signal.PixelToValue(settings.LowThresh);
        if (settings.Unit == 1) {
            texts.Upper = FloatToEngStr(0, 3, false, false, state.Upper) + signal.GetDisplayUnit();
            texts.Lower = FloatToEngStr(0, 3, false, false, state.Lower) + signal.GetDisplayUnit();
        } else {
            texts.Upper = FloatToEngStr(0, 3, false, false, settings.UpThresh / 1024 * 8 - 4) + divText;
            texts.Lower = FloatToEngStr(0, 3, false, false, settings.LowThresh / 1024 * 8 - 4) + divText;
        }
    }
}

double ThresholdLevel(const MeasSourceState& state, int sel) {
    return sel == lsUpper ? state.Upper : sel == lsMiddle ? state.Middle : state.Lower;
}

double FindRisingCrossing(const TSignalObj& signal, const MeasSourceState& state, int& start, int sel, bool toEnd,
                          TCrossingPlace* place) {
    const int last = toEnd ? signal.GetDecimatedLength() - 1 : state.RightMargin;
    if (start > last) return -1;
    if (NoEdges(signal, state, 0.1)) return -1;
    const double level = ThresholdLevel(state, sel);
    if (place) place->Row = signal.ValueToPixel(level);
    const TDisplayedPoints values(signal);
    int i = std::max(start, 0);
    while (i <= last && values(i) > state.Lower) ++i;
    bool armed = false;
    int remembered = -1;
    for (; i <= last; ++i) {
        const double v = values(i);
        if (v <= state.Lower) armed = true;
        if (armed && v >= level) remembered = i, armed = false;
        if (v >= state.Upper && remembered >= 0) {
            start = i;
            return Finish(signal, values, remembered, level, place);
        }
    }
    start = i;
    return -1;
}

double FindFallingCrossing(const TSignalObj& signal, const MeasSourceState& state, int& start, int sel, bool toEnd,
                           TCrossingPlace* place) {
    const int last = toEnd ? signal.GetDecimatedLength() - 1 : state.RightMargin;
    if (start > last) return -1;
    if (NoEdges(signal, state, 0.1)) return -1;
    const double level = ThresholdLevel(state, sel);
    if (place) place->Row = signal.ValueToPixel(level);
    const TDisplayedPoints values(signal);
    int i = std::max(start, 0);
    while (i <= last && values(i) < state.Upper) ++i;
    ++i;
    bool armed = true;
    int remembered = -1;
    for (; i <= last; ++i) {
        const double v = values(i);
        if (v >= state.Upper) armed = true;
        if (armed && v <= level) remembered = i, armed = false;
        if (v <= state.Lower && remembered >= 0) {
            start = i;
            return Finish(signal, values, remembered, level, place);
        }
    }
    start = i;
    return -1;
}

int TCrossingTable::NearestTablePoint(int index, bool left) const {
    int best = -1;
    long bestDistance = 0;
    for (int p = 0; p < Size && Entries[static_cast<std::size_t>(p)] != EndMark; ++p) {
        const long d = std::labs(static_cast<long>(index) - Entries[static_cast<std::size_t>(p)]);
        if (best < 0 || d < bestDistance) best = p, bestDistance = d;
    }
    if (best < 0) return left ? 0 : 1000;
    return best;
}

int FindCrossingWindow(const TSignalObj& signal, const MeasSourceState& state, const TMeasSourceSettings& settings,
                       int n, int which, TCrossingTable& table) {
    if (which == 0) table.Entries[0] = TCrossingTable::EndMark;
    if (NoEdges(signal, state, 0.05)) return -1;
    const int length = signal.GetDecimatedLength();
    const TDisplayedPoints values(signal);
    int first = 0;
    while (first < length && values(first) > state.Lower) ++first;
    if (first >= length) return -1;
    if (which == 0) {
        int rising = first, falling = first;
        for (int k = 0; 2 * k < TCrossingTable::Size; ++k) {
            const double r = FindRisingCrossing(signal, state, rising, lsMiddle, true);
            if (r < 0) {
                table.Entries[static_cast<std::size_t>(2 * k)] = TCrossingTable::EndMark;
                break;
            }
            table.Entries[static_cast<std::size_t>(2 * k)] = static_cast<std::uint16_t>(RoundHalfEven(r));
            const double f = FindFallingCrossing(signal, state, falling, lsMiddle, true);
            if (f < 0) {
                table.Entries[static_cast<std::size_t>(2 * k + 1)] = TCrossingTable::EndMark;
                break;
            }
            table.Entries[static_cast<std::size_t>(2 * k + 1)] = static_cast<std::uint16_t>(RoundHalfEven(f));
        }
        return -1;
    }
    const int sel = which == 1 ? settings.LeftTresh : settings.RightTresh;
    const bool rising = n % 2 == 0;
    int start = first;
    double x = -1;
    for (int count = 0; count <= n / 2; ++count) {
        x = rising ? FindRisingCrossing(signal, state, start, sel, false)
                   : FindFallingCrossing(signal, state, start, sel, false);
        if (x < 0) return -1;
    }
    return static_cast<int>(RoundHalfEven(x));
}

void ComputeMargins(MeasSourceState& state, const TSignalObj& signal, const TMeasSourceSettings& settings,
                    TCrossingTable& table) {
    const int length = signal.GetDecimatedLength();
    auto clampIndex = [length](double x) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(RoundHalfEven(x), 0, std::max(length - 1, 0)));
    };
    if (settings.MargMode == 1) {
        state.LeftMargin = clampIndex(signal.ColumnToViewIndex(settings.LeftMarker));
        state.RightMargin = clampIndex(signal.ColumnToViewIndex(settings.RightMarker));
        return;
    }
    state.LeftMargin = 0;
    state.RightMargin = length - 1;
    const int l = FindCrossingWindow(signal, state, settings, settings.LeftSlope, 1, table);
    const int r = FindCrossingWindow(signal, state, settings, settings.RightSlope, 2, table);
    if (l > 0) state.LeftMargin = l - 1;
    if (r >= state.LeftMargin) state.RightMargin = r;
}

}  // namespace vt
