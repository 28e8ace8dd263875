#include "serial/EyeEngine.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "acq/HistogramObjects.h"
#include "core/Numeric.h"

namespace vt {

namespace {
int Round(double x) { return static_cast<int>(RoundHalfEven(x)); }
// Rows the level searches may use: the outermost ten of each edge hold clipped points.
constexpr int LowestRow = 10;
constexpr int HighestRow = 1014;
}  // namespace

std::pair<int, int> EyeBandAround(double x) {
    const double r = std::round(x);
    if (std::abs(x - r) <= 0.2) return {static_cast<int>(r) - 8, static_cast<int>(r) + 8};
    const int t = static_cast<int>(std::trunc(x));
    return {t - 7, t + 8};
}

TEyeEngine::TEyeEngine(TFullHist* hist) : Hist_(hist) { InitEyeDefaults(); }

void TEyeEngine::InitEyeDefaults() {
    State_.Crossing[1] = {100, 0, 100, 100};
    State_.Crossing[2] = {400, 0, 400, 400};
    State_.EyeNotFound = false;
}

TEyeHistStats TEyeEngine::Vertical(int left, int right, int bottom, int top) {
    Hist_->Setup(true, left, bottom, right, top);
    TEyeHistStats s;
    s.Hits = Hist_->GetTotalHits();
    if (s.Hits == 0) return s;
    s.Mean = Hist_->GetMeanScreenPos();
    s.Sigma = Hist_->GetSigmaScreen();
    s.Low = Hist_->GetMinScreenPos();
    s.High = Hist_->GetMaxScreenPos();
    return s;
}

TEyeHistStats TEyeEngine::Horizontal(int left, int right, int bottom, int top) {
    Hist_->Setup(false, left, bottom, right, top);
    TEyeHistStats s;
    s.Hits = Hist_->GetTotalHits();
    if (s.Hits == 0) return s;
    s.Mean = Hist_->GetMeanScreenPos();
    s.Sigma = Hist_->GetSigmaScreen();
    s.Low = Hist_->GetMinScreenPos();
    s.High = Hist_->GetMaxScreenPos();
    return s;
}

std::pair<int, int> TEyeEngine::EyeBoundColumns(double a, double b) const {
    return {Round(a + (b - a) * Settings.LeftBound / 100), Round(a + (b - a) * Settings.RightBound / 100)};
}

bool TEyeEngine::FindEyeLevels(int leftCol, int rightCol, bool searchOnly, int& p, int& q) {
    Hist_->SetVertical(true);
    Hist_->SetExpWeight(0);
    if (searchOnly) {
        Hist_->SetActive(true);
        Hist_->ComputeStatistics(false);
        int a = 0, b = 0;
        const bool two = Hist_->GetTwoPeakScreenPos(a, b);
        Hist_->SetActive(false);
        if (!two) return false;
        p = a, q = b;
        return p - q > 15;
    }
    // The window ends at column 4000, the record's last shown point.
    Hist_->Setup(true, leftCol, LowestRow, rightCol, HighestRow);
    int a = 0, b = 0;
    if (!Hist_->GetTwoPeakScreenPos(a, b)) return false;
    const int m = (a + b + 1) / 2;
    EyeEngineState& s = State_;
    const TEyeHistStats one = Vertical(leftCol, rightCol, m, HighestRow);
    const TEyeHistStats zero = Vertical(leftCol, rightCol, LowestRow, m);
    if (one.Hits == 0 || zero.Hits == 0) return false;
    s.OneLevelRow = one.Mean;
    s.OneSigmaRows = one.Sigma;
    s.OneInnerRow = static_cast<std::int16_t>(Round(s.OneLevelRow - 3 * s.OneSigmaRows) - 10);
    s.OneTopRow = one.High;
    s.OneBottomRow = one.Low;
    s.ZeroLevelRow = zero.Mean;
    s.ZeroSigmaRows = zero.Sigma;
    s.ZeroInnerRow = static_cast<std::int16_t>(Round(s.ZeroLevelRow + 3 * s.ZeroSigmaRows) + 10);
    s.ZeroTopRow = zero.High;
    s.ZeroBottomRow = zero.Low;
    p = Round(s.OneLevelRow);
    q = Round(s.ZeroLevelRow);
    return true;
}

// ------------------------------------------------------------------------------------------------ NRZ

bool TEyeEngine::RunNrzEyeEngine() {
    const bool found = FindNrzEyeCrossings() && RefineNrzCrossings();
    State_.CrossingLevelRow = found ? MeasureNrzCrossing() : UndefinedValue;
    if (!found) CrossingBandValid_ = false;
    return found;
}

bool TEyeEngine::FindNrzEyeCrossings() {
    EyeEngineState& s = State_;
    int p = 0, q = 0;
    if (!FindEyeLevels(0, 4000, true, p, q)) return false;
    Hist_->Setup(false, 0, (2 * p + 3 * q + 1) / 5, 4000, (2 * p + q + 1) / 3);
    int a = 0, b = 0;
    std::uint32_t ca = 0, cb = 0;
    if (!Hist_->FindTwoPeaks(a, b, cb, ca)) return false;
    NeighbourCrossings(a, ca, b, cb);
    const int c1 = Round(Hist_->BinToColumn(a)), c2 = Round(Hist_->BinToColumn(b));
    s.Crossing[1].Mean = c1;
    s.Crossing[2].Mean = c2;
    const int h = static_cast<int>(std::trunc((c2 - c1 + 2) / 4.0));
    s.CrossWindowStart[1] = std::max(c1 - h, 0);
    s.CrossWindowEnd[1] = c1 + h;
    s.CrossWindowStart[2] = c2 - h;
    s.CrossWindowEnd[2] = std::min(c2 + h, 4000);
    const auto [lb, rb] = EyeBoundColumns(c1, c2);
    s.LeftBoundCol = lb, s.RightBoundCol = rb;
    return FindEyeLevels(lb, rb, false, p, q);
}

// A screen may hold more than two crossings, and the two tallest peaks of the band need not be
// neighbours: a pair with another crossing between them spans two or more bits. A crossing between
// them shows in the middle half of their span (the eye's opening holds no hits in the band); while
// one does, the taller of the pair is kept with that one.
void TEyeEngine::NeighbourCrossings(int& a, std::uint32_t& ca, int& b, std::uint32_t& cb) const {
    while (b - a >= 4) {
        const int quarter = (b - a) / 4;
        int m = a + quarter;
        for (int i = m + 1; i <= b - quarter; ++i)
            if (Hist_->WindowBin(i) > Hist_->WindowBin(m)) m = i;
        const std::uint32_t cm = Hist_->WindowBin(m);
        // Stray hits of a noisy opening stay far below a crossing's peak.
        if (cm == 0 || 3 * static_cast<std::uint64_t>(cm) < std::min(ca, cb)) return;
        if (ca >= cb) b = m, cb = cm;
        else a = m, ca = cm;
    }
}

bool TEyeEngine::RefineNrzCrossings() {
    EyeEngineState& s = State_;
    const int zeroInner = s.ZeroInnerRow, oneInner = s.OneInnerRow;
    // A closed eye leaves no room for eleven slices between the inner rows.
    if (oneInner - zeroInner < 11) return false;
    double best = 10000, left = 0, right = 0;
    int counted = 0;
    int previousTop = zeroInner - 1;
    for (int j = 1; j <= 11; ++j) {
        const int lo = previousTop + 1;
        const int hi = Round((j * static_cast<double>(oneInner) + (11 - j) * static_cast<double>(zeroInner)) / 11);
        previousTop = hi;
        if (j == 1 || j == 11 || hi < lo) continue;
        const TEyeHistStats a = Horizontal(s.CrossWindowStart[1], s.CrossWindowEnd[1], lo, hi);
        if (a.Hits < 30) continue;
        const TEyeHistStats b = Horizontal(s.CrossWindowStart[2], s.CrossWindowEnd[2], lo, hi);
        if (b.Hits < 30) continue;
        ++counted;
        const double w = std::sqrt((a.Sigma * a.Sigma + b.Sigma * b.Sigma) / 2);
        if (w < best) best = w, left = a.Mean, right = b.Mean;
    }
    if (counted < 5) return false;
    s.Crossing[1].Mean = left;
    s.Crossing[2].Mean = right;
    s.SelectedCrossing = (right - left) / 2.5 >= left && left <= 4000 - right ? 2 : 1;
    if (OnRemoveHint) OnRemoveHint();
    const auto [lb, rb] = EyeBoundColumns(left, right);
    s.LeftBoundCol = lb, s.RightBoundCol = rb;
    int p = 0, q = 0;
    if (!FindEyeLevels(lb, rb, false, p, q)) return false;
    SetEyeWindow(s.ZeroLevelRow, s.OneLevelRow, right, left);
    return true;
}

double TEyeEngine::MeasureNrzCrossing() {
    EyeEngineState& s = State_;
    const int k = s.SelectedCrossing;
    TEyeEdge& c = s.Crossing[static_cast<std::size_t>(k)];
    CrossingBandValid_ = false;
    const auto [lo, hi] = EyeBandAround(c.Mean);
    if (lo <= 0 || hi > 4000) return UndefinedValue;
    const TEyeHistStats level = Vertical(lo, hi, s.ZeroInnerRow, s.OneInnerRow);
    if (level.Hits == 0) return UndefinedValue;
    const auto [r0, r1] = EyeBandAround(level.Mean);
    const TEyeHistStats band = Horizontal(s.CrossWindowStart[static_cast<std::size_t>(k)],
                                          s.CrossWindowEnd[static_cast<std::size_t>(k)], r0, r1);
    if (band.Hits == 0) return UndefinedValue;
    c.Sigma = band.Sigma;
    c.First = band.Low;
    c.Last = band.High;
    CrossingBandValid_ = true;
    return level.Mean;
}

// ------------------------------------------------------------------------------------------------- RZ

TEyeEdge TEyeEngine::EdgeStats(int left, int right, int bottom, int top, bool& any) {
    const TEyeHistStats h = Horizontal(left, right, bottom, top);
    if (h.Hits == 0) any = false;
    return {h.Mean, h.Sigma, static_cast<double>(h.Low), static_cast<double>(h.High)};
}

bool TEyeEngine::RunRzEyeEngine() {
    EyeEngineState& s = State_;
    int p = 0, q = 0;
    if (!FindEyeLevels(0, 4000, true, p, q)) return false;
    const TEyeHistStats tops = Horizontal(0, 4000, p, HighestRow);
    if (tops.Hits == 0) return false;
    const int lo = tops.Low, hi = tops.High;
    const int g = (lo + hi + 1) / 2;
    const TEyeHistStats t1 = Horizontal(lo, g, p, HighestRow);
    const TEyeHistStats t2 = Horizontal(g, hi, p, HighestRow);
    if (t1.Hits == 0 || t2.Hits == 0) return false;
    const int C1 = Round(t1.Mean), C2 = Round(t2.Mean);
    // Two pulse tops: both means on occupied columns of the band, an empty column between them.
    if (Horizontal(C1, C1, p, HighestRow).Hits == 0 || Horizontal(C2, C2, p, HighestRow).Hits == 0) return false;
    Hist_->Setup(false, C1, p, C2, HighestRow);
    bool gap = false;
    for (int b = Hist_->WindowLeftBin(); b <= Hist_->WindowRightBin() && b < TAxisHist::MaxBins; ++b)
        if (Hist_->WindowBin(b) == 0) gap = true;
    if (!gap) return false;
    const int period = Round(t2.Mean - t1.Mean);
    const int half = period / 2;
    const int w = (4 * p + 5 * q + 4) / 9, v = (5 * p + 4 * q + 4) / 9;
    const TEyeHistStats rise = Horizontal(C1 - half, C1, w, v);
    const TEyeHistStats fall = Horizontal(C1, C1 + half, w, v);
    if (rise.Hits == 0 || fall.Hits == 0) return false;
    s.FirstEdgeRising = 1;
    s.FirstEdgeIndex = 0, s.RiseEdgeIndex = 0, s.FallEdgeIndex = 1;
    auto [lb, rb] = EyeBoundColumns(Round(rise.Mean), Round(fall.Mean));
    if (!FindEyeLevels(lb, rb, false, p, q)) return false;
    {
        const auto [r0, r1] = EyeBandAround((p + q) / 2.0);
        const TEyeHistStats m = Horizontal(C1 - half, C1, r0, r1);
        const TEyeHistStats n = Horizontal(C1, C1 + half, r0, r1);
        if (m.Hits == 0 || n.Hits == 0) return false;
        std::tie(lb, rb) = EyeBoundColumns(m.Mean, n.Mean);
    }
    s.LeftBoundCol = lb, s.RightBoundCol = rb;
    if (!FindEyeLevels(lb, rb, false, p, q)) return false;
    s.CrossingLevelRow = (p + q) / 2.0;
    const auto [r0, r1] = EyeBandAround(s.CrossingLevelRow);
    bool any = true;
    s.Edge[0] = EdgeStats(C1 - half, C1, r0, r1, any);
    s.Edge[1] = EdgeStats(C1, C1 + half, r0, r1, any);
    s.Edge[2] = EdgeStats(C2 - half, C2, r0, r1, any);
    if (!any) return false;
    SetEyeWindow(q, p, s.Edge[2].Mean, s.Edge[0].Mean);
    if (OnRemoveHint) OnRemoveHint();
    return true;
}

// ------------------------------------------------------------------------------------ display record

void TEyeEngine::SetEyeWindow(double bottom, double top, double right, double left) {
    left = std::clamp(left, 0.0, 3999.0);
    if (right <= left) right = left + 1;
    right = std::min(right, 4000.0);
    bottom = std::clamp(bottom, 2.0, 1022.0);
    if (top <= bottom) top = bottom + 1;
    top = std::min(top, 1023.0);
    Draw_.WindowLeft = Round(left);
    Draw_.WindowTop = Round(top);
    Draw_.WindowRight = Round(right);
    Draw_.WindowBottom = Round(bottom);
    UpdateEyeDisplayRecord();
}

void TEyeEngine::UpdateEyeDisplayRecord() {
    const EyeEngineState& s = State_;
    if (Draw_.WindowLeft == 0 && Draw_.WindowRight == 4000) {
        Draw_.LowThreshold = 1, Draw_.HighThreshold = 1023;
        Draw_.LeftBound = 0, Draw_.RightBound = 4000;
    } else {
        const double span = s.OneLevelRow - s.ZeroLevelRow;
        Draw_.LowThreshold = Round(s.ZeroLevelRow + span * Settings.LowerFraction);
        Draw_.HighThreshold = Round(s.ZeroLevelRow + span * Settings.UpperFraction);
        double a, b;
        if (Mode == 1) {
            a = s.Crossing[1].Mean, b = s.Crossing[2].Mean;
        } else {
            const std::size_t i = s.FirstEdgeIndex;
            a = s.FirstEdgeRising ? s.Edge[i].Mean : s.Edge[std::min<std::size_t>(i + 1, 2)].Mean;
            b = s.FirstEdgeRising ? s.Edge[std::min<std::size_t>(i + 1, 2)].Mean
                                  : s.Edge[std::min<std::size_t>(i + 2, 2)].Mean;
        }
        const auto [lb, rb] = EyeBoundColumns(a, b);
        Draw_.LeftBound = lb, Draw_.RightBound = rb;
    }
    if (OnDrawParams) OnDrawParams(Draw_);
}

void TEyeEngine::ClearAccumulation() {
    Hist_->Clear();
    Hist_->SetExpWeight(0);
    SetEyeWindow(1, 1023, 4000, 0);
    InitEyeDefaults();
    CrossingBandValid_ = false;
}

}  // namespace vt
