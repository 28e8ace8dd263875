#include "acq/AutoscaleSearches.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "acq/HistogramObjects.h"
#include "core/Numeric.h"

namespace vt {

namespace {

constexpr int Rows = TAxisHist::Rows;
constexpr int WindowCount = 49;  // windows of 160 columns at steps of 80

int Nearest(double v) { return static_cast<int>(RoundHalfEven(v)); }

}  // namespace

// ------------------------------------------------------------------------------ trigger-level search

void TTrigLevelSearch::Start() {
    Phase_ = ZeroMinus;
    Current_ = -32;
    Progress_ = 25;
}

void TTrigLevelSearch::Answer(bool triggers) {
    switch (Phase_) {
        case ZeroMinus:
            if (triggers) {
                Phase_ = ZeroPlus;
                Current_ = 32;
                return;
            }
            [[fallthrough]];
        case ZeroPlus:
            if (triggers && Phase_ == ZeroPlus) {
                Lower_ = Upper_ = 0;
                Phase_ = Done;
                Progress_ = 50;
                return;
            }
            Phase_ = Scan;
            Q_ = 1024;
            A_ = Q_ / 2;
            C_ = 0;
            Sign_ = 1;
            NextScanLevel();
            return;
        case Scan:
            if (triggers) {
                Found_ = Current_;
                Progress_ = 34;
                BeginEdge(-1);
                return;
            }
            NextScanLevel();
            return;
        case LowerEdge:
        case UpperEdge:
            if (triggers) Pos_ = Current_;
            NextEdgeLevel();
            return;
        default: return;
    }
}

// Every multiple c of a up to 1000 that is no multiple of q, -c before +c; then the next pass at half.
void TTrigLevelSearch::NextScanLevel() {
    for (;;) {
        if (Sign_ < 0) {
            Sign_ = 1;
            Current_ = C_;
            return;
        }
        C_ += A_;
        while (C_ <= 1000 && C_ % Q_ == 0) C_ += A_;
        if (C_ <= 1000) {
            Sign_ = -1;
            Current_ = -C_;
            Progress_ = 25 + 18 / Nearest(std::sqrt(A_));
            return;
        }
        if (A_ <= 32) {
            Phase_ = Failed;
            return;
        }
        Q_ = A_;
        A_ = Q_ / 2;
        C_ = 0;
        Sign_ = 1;
    }
}

void TTrigLevelSearch::BeginEdge(int direction) {
    Phase_ = direction < 0 ? LowerEdge : UpperEdge;
    Dir_ = direction;
    Pos_ = Found_;
    Dist_ = Q_;
    NextEdgeLevel();
}

void TTrigLevelSearch::NextEdgeLevel() {
    if (Dist_ > 5) {
        Dist_ /= 2;
        Current_ = Pos_ + Dir_ * Dist_;
        Progress_ = (Phase_ == LowerEdge ? 34 : 42) + 16 / std::max(1, Nearest(std::sqrt(Dist_)));
        return;
    }
    if (Phase_ == LowerEdge) {
        Lower_ = Pos_;
        BeginEdge(1);
        return;
    }
    Upper_ = Pos_;
    Phase_ = Done;
    Progress_ = 50;
}

// ---------------------------------------------------------------------------------- period searches

std::uint64_t TAutoScalePeriodSearch::HitsIn(int colFrom, int colTo, int posFrom, int posTo) const {
    std::array<std::uint32_t, Rows> rows{};
    Hist_.RowCounts(Nearest(Hist_.ColumnToBin(colFrom)), Nearest(Hist_.ColumnToBin(colTo)), rows);
    std::uint64_t n = 0;
    for (int pos = std::max(posFrom, 1); pos <= std::min(posTo, Rows - 1); ++pos) n += rows[static_cast<std::size_t>(Rows - pos)];
    return n;
}

bool TAutoScalePeriodSearch::TimesIn(int colFrom, int colTo, int posFrom, int posTo, double& mean,
                                     double& earliest) const {
    const int pFrom = std::max(0, Nearest(Hist_.ColumnToBin(colFrom)));
    const int pTo = std::min(TAxisHist::MaxBins - 1, Nearest(Hist_.ColumnToBin(colTo)));
    double sum = 0, n = 0;
    bool any = false;
    for (int p = pFrom; p <= pTo; ++p) {
        std::uint64_t hits = 0;
        for (int pos = std::max(posFrom, 1); pos <= std::min(posTo, Rows - 1); ++pos) hits += Hist_.Hits(p, Rows - pos);
        if (hits == 0) continue;
        const double t = Hist_.BinToValue(p);
        if (!any) earliest = t;
        any = true;
        sum += t * static_cast<double>(hits);
        n += static_cast<double>(hits);
    }
    mean = any ? sum / n : 0;
    if (!any) earliest = 0;
    return any;
}

double TAutoScalePeriodSearch::MeanValueIn(int colFrom, int colTo, int posFrom, int posTo) const {
    std::array<std::uint32_t, Rows> rows{};
    Hist_.RowCounts(Nearest(Hist_.ColumnToBin(colFrom)), Nearest(Hist_.ColumnToBin(colTo)), rows);
    double sum = 0, n = 0;
    for (int pos = std::max(posFrom, 1); pos <= std::min(posTo, Rows - 1); ++pos) {
        const double hits = rows[static_cast<std::size_t>(Rows - pos)];
        sum += hits * Hist_.RowToValue(Rows - pos);
        n += hits;
    }
    return n > 0 ? sum / n : 0;
}

void TAutoScalePeriodSearch::WholeLevels() {
    std::array<std::uint32_t, Rows> rows{};
    Hist_.RowCounts(0, Nearest(Hist_.ColumnToBin(4000)), rows);
    int lowest = 0, highest = 0;
    for (int pos = 1; pos < Rows; ++pos) {
        if (rows[static_cast<std::size_t>(Rows - pos)] == 0) continue;
        if (lowest == 0) lowest = pos;
        highest = pos;
    }
    Low = Hist_.RowToValue(Rows - lowest);
    High = Hist_.RowToValue(Rows - highest);
}

bool TAutoScalePeriodSearch::AnalyseHistogramLevels(int& code) {
    THistParams whole;
    whole.ComputeWhole(Hist_);
    if (Differs(Global_, whole)) {
        code = 0;
        Mask_ &= ~8;
        return Mask_ != 0;
    }
    code = 2;
    const double upperShare = Global_.N > 0 ? 100.0 * static_cast<double>(Global_.Nu) / static_cast<double>(Global_.N) : 0;
    if (!(Global_.TwoLevels && (upperShare < 40 || upperShare > 60))) {
        std::array<THistParams, 19> windows;
        for (int i = 0; i < 19; ++i) windows[static_cast<std::size_t>(i)].Compute(Hist_, 100 * i, 100 * i + 200, 1, Rows - 1);
        bool differ = false;
        for (std::size_t i = 0; i < windows.size() && !differ; ++i)
            for (std::size_t j = i + 1; j < windows.size() && !differ; ++j)
                differ = Differs(windows[i], windows[j]) || Differs(windows[j], windows[i]);
        Mask_ &= differ ? ~8 : ~(1 | 2 | 4 | 16);
    }
    return Mask_ != 0;
}

// Timed as the mean of the band's hits around each edge; a time that is no time (or two edges too
// close together) is replaced by the earliest hit of the level rows, and then fails the search.
bool TAutoScalePeriodSearch::EdgeTimes(int firstCentre, int secondCentre, int halfWidth, double& t1, double& t2) const {
    auto window = [&](int centre, int& from, int& to) {
        from = std::max(0, centre - halfWidth);
        to = std::min(4000, centre + halfWidth);
    };
    int f1 = 0, e1 = 0, f2 = 0, e2 = 0;
    window(firstCentre, f1, e1);
    window(secondCentre, f2, e2);
    double earliest = 0;
    t1 = t2 = 0;
    if (Global_.TwoLevels && Global_.BandShare > 1) {
        TimesIn(f1, e1, Global_.Bl, Global_.Bu, t1, earliest);
        TimesIn(f2, e2, Global_.Bl, Global_.Bu, t2, earliest);
    }
    auto invalid = [&] { return t1 < 1e-12 || t2 - t1 < 5e-11; };
    if (!invalid()) return true;
    double mean = 0;
    TimesIn(f1, e1, Global_.LevelFrom(), Global_.LevelTo(), mean, t1);
    TimesIn(f2, e2, Global_.LevelFrom(), Global_.LevelTo(), mean, t2);
    return !invalid();
}

bool TAutoScalePeriodSearch::LevelWindowSearch(int& code) {
    THistParams whole;
    whole.ComputeWhole(Hist_);
    code = 0;
    if (Differs(Global_, whole)) return true;
    const double threshold = RoundHalfEven(static_cast<double>((whole.N + 12) / 25) * Global_.LevelShare / 100);
    std::array<bool, WindowCount> occupied{};
    for (int w = 0; w < WindowCount; ++w)
        occupied[static_cast<std::size_t>(w)] =
            static_cast<double>(HitsIn(80 * w, 80 * w + 160, Global_.LevelFrom(), Global_.LevelTo())) >= threshold;
    int rises[2] = {0, 0}, falls[2] = {0, 0}, nr = 0, nf = 0;
    for (int w = 1; w < WindowCount; ++w) {
        const bool was = occupied[static_cast<std::size_t>(w - 1)], is = occupied[static_cast<std::size_t>(w)];
        if (!was && is) {
            if (nr < 2) rises[nr] = w;
            ++nr;
        } else if (was && !is && nr > 0) {
            if (nf < 2) falls[nf] = w;
            ++nf;
        }
    }
    code = nr == 0 ? 0 : nf <= 1 ? 1 : 2;
    if (code != 2) return true;

    Mask_ = Global_.FewLow ? 4 : Global_.FewHigh ? 2 : 17;
    const int p = rises[1] - rises[0];
    const int h = falls[0] - rises[0];
    const int middle = (rises[0] + falls[0] + 1) / 2;
    if (Mask_ == 17) {
        THistParams m;
        m.Compute(Hist_, 80 * middle, 80 * middle + 160, 1, Rows - 1);
        const double upperShare = Global_.N > 0 ? 100.0 * static_cast<double>(Global_.Nu) / static_cast<double>(Global_.N) : 0;
        const bool rz = p / 1.3 > h && h > p / 3.0 && upperShare > 10 && upperShare < 50 && m.S > Global_.S;
        Mask_ = rz ? 16 : 1;
    }
    const int half = (h + 1) / 2;
    double t1 = 0, t2 = 0;
    if (!EdgeTimes(80 * rises[0] + 80, 80 * rises[1] + 80, 80 * half, t1, t2)) return false;
    if (Mask_ == 16) {
        High = MeanValueIn(80 * middle, 80 * middle + 160, Global_.Bu, Rows - 1);
        Low = MeanValueIn(80 * middle, 80 * middle + 160, 1, Global_.Bl);
    } else {
        WholeLevels();
    }
    Period = t2 - t1;
    Edge = t1;
    return true;
}

bool TAutoScalePeriodSearch::DutyWindowSearch(int& code) {
    THistParams whole;
    whole.ComputeWhole(Hist_);
    const std::uint64_t threshold =
        static_cast<std::uint64_t>(RoundHalfEven(static_cast<double>(whole.N) * Global_.BandShare / 100)) / 15;
    std::array<bool, WindowCount> occupied{};
    for (int w = 0; w < WindowCount; ++w)
        occupied[static_cast<std::size_t>(w)] = HitsIn(80 * w, 80 * w + 160, Global_.Bl, Global_.Bu) >= threshold;
    int rises[2] = {0, 0}, nr = 0, nf = 0;
    for (int w = 1; w < WindowCount; ++w) {
        const bool was = occupied[static_cast<std::size_t>(w - 1)], is = occupied[static_cast<std::size_t>(w)];
        if (!was && is) {
            if (nr < 2) rises[nr] = w;
            ++nr;
        } else if (was && !is) {
            ++nf;
        }
    }
    code = nr == 0 && nf == 0 ? 0 : nr >= 2 && nf >= 2 ? 2 : 1;
    if (code != 2) return true;
    // The edges refined over a quarter of their spacing.
    const int spacing = rises[1] - rises[0];
    const int halfWidth = std::max(80, 10 * spacing);
    double t1 = 0, t2 = 0;
    if (!EdgeTimes(80 * rises[0] + 80, 80 * rises[1] + 80, halfWidth, t1, t2)) return false;
    High = MeanValueIn(0, 4000, Global_.Bu, Rows - 1);
    Low = MeanValueIn(0, 4000, 1, Global_.Bl);
    Period = t2 - t1;
    Edge = t1;
    return true;
}

}  // namespace vt
