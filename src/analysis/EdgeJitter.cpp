#include "analysis/EdgeJitter.h"

#include <algorithm>

#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"
#include "core/Numeric.h"

namespace vt {

namespace {

constexpr int MinWaveforms = 50;
constexpr std::uint64_t MinHits = 10;
constexpr int BandHalfRows = 4;

}  // namespace

void TEdgeJitter::ResetColumnRanges() { Ranges_.fill(TRange{}); }

double TEdgeJitter::Compute(int kind, const TMeasSourceView& src, TFullHist& hist, TAnnLabelArray& ann,
                            const TJitterTexts& texts, const TMeasAnnotationTexts& measTexts) {
    const TSignalObj& s = *src.Signal;
    const MeasSourceState& st = *src.State;
    const bool rising = kind == xkPosJitterPp || kind == xkPosJitterRMS;
    const bool peakToPeak = kind == xkPosJitterPp || kind == xkNegJitterPp;
    if (Restart_) {
        HalfWidth_ = 0;
        hist.SetVertical(false);
        hist.SetActive(false);
        AddSignalToHist(hist, s);
        Restart_ = false;
    }
    if (hist.GetWaveformCount() < MinWaveforms) return UndefinedValue;
    TAnnLabelArray scratch = ann;
    const double t = CalcXKind(rising ? xkPosCross : xkNegCross, src, scratch, measTexts);
    if (IsUndefinedValue(t)) return UndefinedValue;
    const auto c = static_cast<int>(RoundHalfEven(s.TimeToViewIndex(t)));
    const auto row = static_cast<int>(std::clamp<std::int64_t>(RoundHalfEven(s.ValueToPixel(st.Middle)), 5, 1019));
    const double dt = s.SampleInterval();
    const double transition = CalcXKind(rising ? xkRise : xkFall, src, scratch, measTexts);
    int w = HalfWidth_;
    if (!IsUndefinedValue(transition) && dt > 0)
        w = std::max(w, static_cast<int>(std::clamp<std::int64_t>(RoundHalfEven(transition / dt), 0, INT_MAX / 2)));
    const int left = std::max(c - w, static_cast<int>(st.LeftMargin));
    const int right = std::min(c + w, static_cast<int>(st.RightMargin));
    TRange& range = Ranges_[rising ? 0 : 1];
    range.Left = std::min(range.Left, left);
    range.Right = std::max(range.Right, right);
    hist.SetVertical(false);
    hist.SetActive(false);
    hist.SetWindowRaw(range.Left, row + BandHalfRows, row - BandHalfRows, range.Right);
    hist.ComputeStatistics(true);
    if (hist.GetTotalHits() < MinHits) return UndefinedValue;
    if (dt > 0)
        HalfWidth_ = static_cast<int>(std::clamp<std::int64_t>(RoundHalfEven(hist.GetPeakToPeak() / dt), 0, INT_MAX / 2));
    double value, low, high;
    std::string label;
    if (peakToPeak) {
        value = hist.GetPeakToPeak();
        low = hist.GetMinValue();
        high = hist.GetMaxValue();
        label = texts.PeakToPeak;
    } else {
        value = hist.GetSigma();
        low = hist.GetMean() - value / 2;
        high = hist.GetMean() + value / 2;
        label = texts.Rms;
    }
    const std::int32_t annRow = row;
    SetAnnotationPoint(ann, 1, s.TimeToColumn(low), annRow);
    SetAnnotationPoint(ann, 2, s.TimeToColumn(high), annRow);
    SetAnnotationText(ann, 1, texts.Left + label);
    SetAnnotationText(ann, 2, texts.Right + label);
    return value;
}

}  // namespace vt
