#include "acq/HistogramLevelStatistics.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "acq/HistogramObjects.h"
#include "core/Numeric.h"

namespace vt {

namespace {

constexpr int Rows = TAxisHist::Rows;

struct TRange {
    std::uint64_t N = 0;
    double Mean = 0, Spread = 0;
};

// Counts per position (index = position 0..1023).
using TCounts = std::array<std::uint32_t, Rows>;

TRange Measure(const TCounts& c, int from, int to) {
    from = std::max(from, 0), to = std::min(to, Rows - 1);
    TRange r;
    double sum = 0;
    for (int i = from; i <= to; ++i) r.N += c[static_cast<std::size_t>(i)], sum += static_cast<double>(i) * c[static_cast<std::size_t>(i)];
    if (r.N == 0) return r;
    r.Mean = sum / static_cast<double>(r.N);
    double spread = 0;
    for (int i = from; i <= to; ++i) spread += (i - r.Mean) * (i - r.Mean) * c[static_cast<std::size_t>(i)];
    r.Spread = std::sqrt(spread / static_cast<double>(r.N));
    return r;
}

std::uint64_t Hits(const TCounts& c, std::int64_t from, std::int64_t to) {
    from = std::max<std::int64_t>(from, 0), to = std::min<std::int64_t>(to, Rows - 1);
    std::uint64_t n = 0;
    for (std::int64_t i = from; i <= to; ++i) n += c[static_cast<std::size_t>(i)];
    return n;
}

int Nearest(double v) { return static_cast<int>(RoundHalfEven(v)); }

}  // namespace

void THistParams::Compute(const TFullHist& hist, int colFrom, int colTo, int rowFrom, int rowTo) {
    *this = THistParams{};
    TCounts byRow{};
    hist.RowCounts(static_cast<int>(RoundHalfEven(hist.ColumnToBin(colFrom))),
                   static_cast<int>(RoundHalfEven(hist.ColumnToBin(colTo))), byRow);
    TCounts c{};
    rowFrom = std::max(rowFrom, 1), rowTo = std::min(rowTo, Rows - 1);
    for (int pos = rowFrom; pos <= rowTo; ++pos) c[static_cast<std::size_t>(pos)] = byRow[static_cast<std::size_t>(Rows - pos)];

    // (1) the window as a whole
    const TRange all = Measure(c, rowFrom, rowTo);
    M = all.Mean, S = all.Spread, N = all.N;
    for (int pos = rowFrom; pos <= rowTo; ++pos) {
        if (c[static_cast<std::size_t>(pos)] == 0) continue;
        if (Highest == 0) Lowest = pos;
        Highest = pos;
    }
    if (N == 0) return;

    // (2) two levels: the histogram objects' two-peak search over the rows
    TAxisHist levels(true);
    levels.SetWindowRaw(0, Rows - 1, 1, TAxisHist::MaxBins - 1);
    for (int pos = rowFrom; pos <= rowTo; ++pos) levels.AddRowHits(Rows - pos, c[static_cast<std::size_t>(pos)]);
    levels.ComputeStatistics(true);
    std::uint32_t c1 = 0, c2 = 0;
    TwoLevels = levels.FindTwoPeaks(P1, P2, c2, c1);

    // (3) the levels and the band between them
    if (TwoLevels) {
        const int split = (P1 + P2 + 1) / 2;
        const TRange upper = Measure(c, split, Rows - 1);
        const TRange lower = Measure(c, 1, split);
        Mu = upper.Mean, Su = upper.Spread, Nu = upper.N;
        Ml = lower.Mean, Sl = lower.Spread, Nl = lower.N;
        const double k = (Mu - Ml) / (Su + Sl) > 5 ? 4 : 3.5;
        Bu = Nearest(Mu - k * Su);
        Bl = Nearest(Ml + k * Sl);
        if (Bu - Bl < 32) {
            const int mid = (Bu + Bl + 1) / 2;
            Bu = mid + 16;
            Bl = mid - 16;
        }
        BandShare = 100.0 * static_cast<double>(Hits(c, Bl, Bu)) / static_cast<double>(N);
    }

    // (4) the tails beyond 3.5 sigma
    UpperTail = 100.0 * static_cast<double>(Hits(c, RoundHalfEven(M + 3.5 * S), Rows - 1)) / static_cast<double>(N);
    LowerTail = 100.0 * static_cast<double>(Hits(c, 1, RoundHalfEven(M - 3.5 * S))) / static_cast<double>(N);

    // (5) which level is the rare one
    const bool tails = UpperTail + LowerTail > 0.5;
    FewLow = TwoLevels ? Nl < Nu / 7 : tails && LowerTail > UpperTail;
    FewHigh = TwoLevels ? Nu < Nl / 7 : tails && UpperTail > LowerTail;

    // (6) the level window
    if (TwoLevels) {
        const int mid = Nearest((Mu + Ml) / 2);
        LevelRow = FewLow ? mid - Nearest(Sl) : mid + Nearest(Su);
    } else if (!tails) {
        LevelRow = Nearest(M + S);
    } else {
        LevelRow = Nearest(FewLow ? M - 3.5 * S : M + 3.5 * S);
    }
    LevelShare = 100.0 * static_cast<double>(Hits(c, LevelFrom(), LevelTo())) / static_cast<double>(N);
}

bool Differs(const THistParams& a, const THistParams& b) {
    if (a.S < 1e-30) return true;
    const double ratio = b.S / a.S;
    if (ratio > 1.5 || ratio < 0.67) return true;
    const double apart = std::fabs(a.M - b.M);
    if (apart > a.S / 2 || apart > b.S / 2) return true;
    auto lopsided = [](double x, double y) { return x + y > 0.5 && (x > 5 * y || y > 5 * x); };
    return lopsided(a.UpperTail, b.UpperTail) || lopsided(a.LowerTail, b.LowerTail);
}

}  // namespace vt
