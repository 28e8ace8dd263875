#include "acq/HistogramObjects.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "acq/SignalObj.h"
#include "core/InternalError.h"
#include "core/Numeric.h"

namespace vt {

namespace {
constexpr const char* UnitName = "_SHELL\\SRC\\HistObj";

constexpr std::size_t LargePage = std::size_t{2} << 20;
// Cells ahead of the map, one cache line: the last is the spare cell of points off the screen.
constexpr std::size_t Lead = 16;

// The zeroed map with its spare cell before it, aligned to large pages and asking the system for them
// before the map is first touched.
std::uint32_t* AllocateMap(std::size_t cells) {
    const std::size_t bytes = (Lead + cells) * sizeof(std::uint32_t);
    void* p = nullptr;
    if (posix_memalign(&p, LargePage, bytes) != 0) throw std::bad_alloc();
    madvise(p, bytes, MADV_HUGEPAGE);  // a hint: without large pages the map works the same
    std::memset(p, 0, bytes);
    return static_cast<std::uint32_t*>(p) + Lead;
}

// Round to nearest, ties to even, as RoundHalfEven, without a library call (|d| < 2^51).
inline double RoundedHalfEven(double d) {
    constexpr double Shift = 6755399441055744.0;  // 1.5 x 2^52
    return (d + Shift) - Shift;
}
}

// ---------------------------------------------------------------- TAxisHist

TAxisHist::TAxisHist(bool vertical) : Vertical_(vertical) {}

int TAxisHist::RowOf(double value) const {
    const double d = (value - ValueOffset_) * RowsPerUnit_;
    // Far values (and NaN) are off the screen; the bound keeps the rounding within range.
    if (!(d > -2 * Rows && d < 2 * Rows)) return -1;
    const std::int64_t row = CentreRow_ - RoundHalfEven(d);
    return row >= 0 && row < Rows ? static_cast<int>(row) : -1;
}

void TAxisHist::CheckPoint(int point) const {
    if (point < 0 || point >= MaxBins) VT_INTERNAL_ERROR(UnitName, "Point index out of range");
}

void TAxisHist::AddSample(std::uint16_t point, double value) {
    const int r = RowOf(value);
    if (r < 0) return;
    CheckPoint(point);
    ++PointsAdded_;
    const auto b = static_cast<std::size_t>(Vertical_ ? r : point);
    ++Bins_[b];
    if (InWindow(point, r)) ++WindowBins_[b];
}

void TAxisHist::AddRowHits(int row, std::uint32_t hits) {
    if (!Vertical_ || row < 0 || row >= Rows) VT_INTERNAL_ERROR(UnitName, "Row hits out of range");
    Bins_[static_cast<std::size_t>(row)] += hits;
    if (row >= WindowTopRow_ && row <= WindowBottomRow_) WindowBins_[static_cast<std::size_t>(row)] += hits;
}

void TAxisHist::SetScale(std::uint16_t binCount, double voltsPerDiv, double valueOffset, double timePerPoint,
                         double timeOffset) {
    const double rowsPerUnit = Rows / (voltsPerDiv * 8);
    bool changed = false;
    auto store = [&changed](auto& field, auto value) {
        if (field != value) field = value, changed = true;
    };
    store(TimeOffset_, timeOffset);
    store(BinCount_, binCount);
    store(TimePerPoint_, timePerPoint);
    store(ValueOffset_, valueOffset);
    store(RowsPerUnit_, rowsPerUnit);
    if (changed) {
        Clear();
        BinCount_ = binCount;
        DeriveBinWindow();
    }
    ++WaveformCount_;
}

void TAxisHist::DeriveBinWindow() {
    WindowLeftBin_ = static_cast<int>(RoundHalfEven(ColumnToBin(WindowLeftColumn_)));
    WindowRightBin_ = static_cast<int>(RoundHalfEven(ColumnToBin(WindowRightColumn_)));
}

void TAxisHist::SetWindow(int left, int top, int bottom, int right) {
    left = std::clamp(left, 0, 4000);
    right = std::clamp(right, left, 4000);
    bottom = std::clamp(bottom, 2, 1022);
    top = std::clamp(top, bottom, 1022);
    if (left == WindowLeftColumn_ && right == WindowRightColumn_ && Rows - top == WindowTopRow_ &&
        Rows - bottom == WindowBottomRow_)
        return;
    WindowLeftColumn_ = left;
    WindowRightColumn_ = right;
    WindowTopRow_ = Rows - top;
    WindowBottomRow_ = Rows - bottom;
    DeriveBinWindow();
    RecomputeWindow();
}

void TAxisHist::SetWindowRaw(int leftBin, int top, int bottom, int rightBin) {
    WindowLeftBin_ = leftBin;
    WindowRightBin_ = rightBin;
    WindowTopRow_ = Rows - top;
    WindowBottomRow_ = Rows - bottom;
    RecomputeWindow();
}

void TAxisHist::Setup(bool vertical, int left, int bottom, int right, int top) {
    Active_ = false;
    SetVertical(vertical);
    SetWindow(left, top, bottom, right);
    ComputeStatistics(true);
}

void TAxisHist::SetActive(bool active) {
    if (Active_ == active) return;
    Active_ = active;
    if (active) RecomputeWindow();
}

void TAxisHist::SetVertical(bool vertical) {
    if (Vertical_ == vertical) return;
    Vertical_ = vertical;
    RecomputeWindow();
}

void TAxisHist::RecomputeWindow() {
    WindowBins_.fill(0);
    const int from = std::max(0, Vertical_ ? WindowTopRow_ : WindowLeftBin_);
    const int to = std::min(Vertical_ ? WindowBottomRow_ : WindowRightBin_, (Vertical_ ? Rows : MaxBins) - 1);
    for (int i = from; i <= to; ++i) WindowBins_[static_cast<std::size_t>(i)] = Bins_[static_cast<std::size_t>(i)];
}

void TAxisHist::Clear() {
    PointsAdded_ = 0;
    BinCount_ = 0;
    WaveformCount_ = 0;
    Bins_.fill(0);
    WindowBins_.fill(0);
}

void TAxisHist::ComputeStatistics(bool useWindow) {
    StatsOnWindow_ = useWindow;
    const auto& bins = useWindow ? WindowBins_ : Bins_;
    const int n = StatBinCount();
    FirstBin_ = n > 0 ? static_cast<std::uint32_t>(n - 1) : 0;
    LastBin_ = 0;
    Mean_ = 0;
    Sigma_ = 0;
    PeakCount_ = 0;
    TotalHits_ = 0;
    int first = -1, last = -1;
    double moment = 0;
    for (int k = 0; k < n; ++k) {
        const std::uint32_t c = bins[static_cast<std::size_t>(k)];
        if (c == 0) continue;
        if (c > PeakCount_) PeakCount_ = c, PeakBin_ = static_cast<std::uint32_t>(k);
        TotalHits_ += c;
        moment += static_cast<double>(k) * c;
        if (first < 0) first = k;
        last = k;
    }
    if (PeakCount_ == 0) return;
    const double total = static_cast<double>(TotalHits_);
    Mean_ = moment / total;
    double spread = 0;
    for (int k = first; k <= last; ++k) {
        const std::uint32_t c = bins[static_cast<std::size_t>(k)];
        if (c > 0) spread += (k - Mean_) * (k - Mean_) * c;
    }
    Sigma_ = std::sqrt(spread / total);
    FirstBin_ = static_cast<std::uint32_t>(first);
    LastBin_ = static_cast<std::uint32_t>(last);
}

int TAxisHist::CopyBins(std::uint32_t* dest, int highest) const {
    const int n = Vertical_ ? (BinCount_ == 0 ? 0 : Rows) : BinCount_;
    const int count = std::min(n, highest + 1);
    for (int i = 0; i < count; ++i) dest[i] = WindowBins_[static_cast<std::size_t>(i)];
    return std::max(count, 0);
}

double TAxisHist::ColumnToBin(double column) const { return column * BinCount_ / 4096.0; }

double TAxisHist::BinToColumn(double bin) const { return BinCount_ == 0 ? 0 : bin * 4096.0 / BinCount_; }

double TAxisHist::BinToValue(double bin) const {
    return Vertical_ ? (CentreRow_ - bin) / RowsPerUnit_ + ValueOffset_ : bin * TimePerPoint_ + TimeOffset_;
}

double TAxisHist::BinSpanToValue(double bins) const { return Vertical_ ? bins / RowsPerUnit_ : bins * TimePerPoint_; }

// Rows grow downwards: the upper edge of a vertical histogram is its first bin.
double TAxisHist::GetMaxValue() const { return BinToValue(Vertical_ ? FirstBin_ : LastBin_); }
double TAxisHist::GetMinValue() const { return BinToValue(Vertical_ ? LastBin_ : FirstBin_); }

int TAxisHist::GetMaxScreenPos() const {
    if (Vertical_) return Rows - static_cast<int>(FirstBin_);
    return static_cast<int>(RoundHalfEven(BinToColumn(LastBin_)));
}

int TAxisHist::GetMinScreenPos() const {
    if (Vertical_) return Rows - static_cast<int>(LastBin_);
    return static_cast<int>(RoundHalfEven(BinToColumn(FirstBin_)));
}

double TAxisHist::GetMidValue() const { return BinToValue((static_cast<double>(FirstBin_) + LastBin_) / 2); }

double TAxisHist::GetMeanScreenPos() const { return Vertical_ ? Rows - Mean_ : BinToColumn(Mean_); }

double TAxisHist::GetSigmaScreen() const { return Vertical_ ? Sigma_ : BinToColumn(Sigma_); }

double TAxisHist::GetPercentWithinSigma(int k) const {
    if (TotalHits_ == 0) return 0;
    const auto& bins = StatsOnWindow_ ? WindowBins_ : Bins_;
    const std::int64_t lo = std::max<std::int64_t>(1, RoundHalfEven(Mean_ - k * Sigma_));
    const std::int64_t hi = std::min<std::int64_t>(StatBinCount() - 1, RoundHalfEven(Mean_ + k * Sigma_));
    std::uint64_t sum = 0;
    for (std::int64_t i = lo; i <= hi; ++i) sum += bins[static_cast<std::size_t>(i)];
    return 100.0 * static_cast<double>(sum) / static_cast<double>(TotalHits_);
}

bool TAxisHist::FindTwoPeaks(int& first, int& second, std::uint32_t& secondCount, std::uint32_t& firstCount) {
    const auto& c = StatsOnWindow_ ? WindowBins_ : Bins_;
    auto count = [&c](int i) { return c[static_cast<std::size_t>(i)]; };
    const int g = std::max(1, Vertical_ ? 30 : BinCount_ / 50);
    const int lo = static_cast<int>(FirstBin_), hi = static_cast<int>(LastBin_);
    if (hi < lo + g) return false;
    int p = lo;
    for (int i = lo; i <= hi; ++i)
        if (count(i) > count(p)) p = i;
    // The lowest ridge between each bin and the first peak: the highest of the g bins next to it on
    // the peak's side, then the running minimum walking away from the peak.
    auto& e = Ridge_;
    for (int i = p - g - 1; i >= lo; --i) {
        std::uint32_t m = 1;
        for (int j = i + 1; j <= i + g; ++j) m = std::max(m, count(j));
        e[static_cast<std::size_t>(i)] = m;
    }
    for (int i = p + g + 1; i <= hi; ++i) {
        std::uint32_t m = 1;
        for (int j = i - g; j <= i - 1; ++j) m = std::max(m, count(j));
        e[static_cast<std::size_t>(i)] = m;
    }
    for (int i = p - g - 2; i >= lo; --i)
        e[static_cast<std::size_t>(i)] = std::min(e[static_cast<std::size_t>(i)], e[static_cast<std::size_t>(i + 1)]);
    for (int i = p + g + 2; i <= hi; ++i)
        e[static_cast<std::size_t>(i)] = std::min(e[static_cast<std::size_t>(i)], e[static_cast<std::size_t>(i - 1)]);
    double best = 1.0;
    int s = -1;
    auto consider = [&](int i) {
        const std::uint32_t ridge = e[static_cast<std::size_t>(i)];
        const double ratio = count(i) > ridge ? static_cast<double>(count(i)) / ridge : 0;
        if (ratio > best) best = ratio, s = i;
    };
    for (int i = p - g - 1; i >= lo; --i) consider(i);
    for (int i = p + g + 1; i <= hi; ++i) consider(i);
    if (!(best > 1.1) || s < 0) return false;
    first = std::min(p, s);
    second = std::max(p, s);
    firstCount = count(first);
    secondCount = count(second);
    if (Vertical_) first = Rows - first, second = Rows - second;
    return true;
}

double TAxisHist::GetPeakSeparation() {
    int a = 0, b = 0;
    std::uint32_t ca = 0, cb = 0;
    if (!FindTwoPeaks(a, b, cb, ca)) return 0;
    return BinSpanToValue(std::abs(a - b));
}

double TAxisHist::GetTwoPeakLevels(double& lower, double& upper) {
    int a = 0, b = 0;
    std::uint32_t ca = 0, cb = 0;
    if (!FindTwoPeaks(a, b, cb, ca)) return 0;
    // Vertical peaks come as positions (1024 - row).
    const double va = BinToValue(Vertical_ ? Rows - a : a);
    const double vb = BinToValue(Vertical_ ? Rows - b : b);
    lower = std::min(va, vb);
    upper = std::max(va, vb);
    return BinSpanToValue(std::abs(a - b));
}

bool TAxisHist::GetTwoPeakScreenPos(int& first, int& second) {
    std::uint32_t ca = 0, cb = 0;
    if (!FindTwoPeaks(first, second, cb, ca)) return false;
    if (!Vertical_) {
        first = static_cast<int>(RoundHalfEven(BinToColumn(first)));
        second = static_cast<int>(RoundHalfEven(BinToColumn(second)));
    }
    return true;
}

double TAxisHist::GetRms() const {
    if (!Vertical_) VT_INTERNAL_ERROR(UnitName, "????????   RMS only for Vertical Hist !!!!!!!!!!!");
    if (TotalHits_ == 0) return 0;
    double sum = 0;
    for (int i = 0; i < Rows; ++i) {
        const std::uint32_t c = WindowBins_[static_cast<std::size_t>(i)];
        if (c == 0) continue;
        const double u = (CentreRow_ - i) / RowsPerUnit_ + ValueOffset_;
        sum += u * u * c;
    }
    return std::sqrt(sum / static_cast<double>(TotalHits_));
}

double TAxisHist::GetAcRms() const {
    if (!Vertical_) VT_INTERNAL_ERROR(UnitName, "????????   RMS only for Vertical Hist !!!!!!!!!!!");
    if (TotalHits_ == 0) return 0;
    const double mean = GetMean();
    double sum = 0;
    for (int i = 0; i < Rows; ++i) {
        const std::uint32_t c = WindowBins_[static_cast<std::size_t>(i)];
        if (c == 0) continue;
        const double u = (CentreRow_ - i) / RowsPerUnit_ + ValueOffset_ - mean;
        sum += u * u * c;
    }
    return std::sqrt(sum / static_cast<double>(TotalHits_));
}

// ---------------------------------------------------------------- TFullHist

TFullHist::TFullHist()
    : TAxisHist(false),
      HitMap_(AllocateMap(MapCells)),
      TouchedBlocks_(static_cast<std::size_t>(BlockColumns) * BlockRows, 0) {
    Active_ = false;
}

void TFullHist::SetExpWeight(int weight) {
    if (ExpWeight_ == weight) return;
    ExpWeight_ = weight;
    RecomputeWindow();
}

void TFullHist::AddSample(std::uint16_t point, double value) {
    const int r = RowOf(value);
    if (r < 0) return;
    CheckPoint(point);
    ++PointsAdded_;
    MapDirty_ = true;
    if (HitMap_[Cell(point, r)]-- == 0) TouchedBlocks_[Block(point, r)] = 1;
    const auto b = static_cast<std::size_t>(Vertical_ ? r : point);
    if (Active_) ++Bins_[b];
    if (InWindow(point, r)) {
        if (ExpWeight_ < 1)
            ++WindowBins_[b];
        else
            ExpBins_[b] += 1.0;
    }
}

void TFullHist::TFreeMap::operator()(std::uint32_t* p) const { std::free(p - Lead); }

// One hit more on a cell kept negated; true on its first. On x86 the decrement and the test are one
// instruction on the cell in memory. The address sanitizer sees no access made in assembly, so its
// builds take the plain decrement.
#if defined(__SANITIZE_ADDRESS__)
#define VT_HIST_PLAIN_DECREMENT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VT_HIST_PLAIN_DECREMENT 1
#endif
#endif
namespace {
inline bool TakeHit(std::uint32_t& cell) {
#if (defined(__x86_64__) || defined(__i386__)) && !defined(VT_HIST_PLAIN_DECREMENT)
    bool borrow;
    asm("subl $1, %0" : "+m"(cell), "=@ccc"(borrow));
    return borrow;
#else
    return cell-- == 0;
#endif
}
}  // namespace

// Out of line, so that the increments keep their registers. Folded cells count from 1; 0 is the
// spare cell, which has no block.
[[gnu::noinline]] void TFullHist::MarkFirstHit(std::uint8_t* touched, std::int32_t cell) {
    if (cell > 0) touched[Block((cell - 1) % RowStride, (cell - 1) / RowStride)] = 1;
}

void TFullHist::AddValues(const double* values, int count) {
    count = std::clamp(count, 0, static_cast<int>(MaxBins));
    const double offset = ValueOffset_, rowsPerUnit = RowsPerUnit_;
    // First every point's cell, counted from the spare cell before the map: 0 off the screen.
    std::array<std::int32_t, MaxBins> cells;
    std::int32_t added = 0;
    int p = 0;
#if defined(__SSE2__)
    // Four points a step without a branch. The conversion rounds as RoundHalfEven does and gives
    // INT_MIN for NaN, infinities and far values; a row is on the screen when it is below Rows
    // unsigned, that is when it has no bit from the eleventh up. Such rows fit 16 bits, so one
    // multiply-add scales them by the row stride.
    static_assert(Rows == 1 << 10);
    const __m128d vOffset = _mm_set1_pd(offset), vScale = _mm_set1_pd(rowsPerUnit);
    const __m128i centre = _mm_set1_epi32(CentreRow_), stride = _mm_set1_epi32(RowStride);
    const __m128i four = _mm_set1_epi32(4), zero = _mm_setzero_si128();
    __m128i point = _mm_setr_epi32(1, 2, 3, 4), on = _mm_setzero_si128();
    const auto rounded = [&](const double* v) {
        return _mm_cvtpd_epi32(_mm_mul_pd(_mm_sub_pd(_mm_loadu_pd(v), vOffset), vScale));
    };
    for (const int whole = count & ~3; p < whole; p += 4) {
        const __m128i r = _mm_sub_epi32(centre, _mm_unpacklo_epi64(rounded(values + p), rounded(values + p + 2)));
        const __m128i inside = _mm_cmpeq_epi32(_mm_srli_epi32(r, 10), zero);
        const __m128i cell = _mm_add_epi32(_mm_madd_epi16(r, stride), point);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(cells.data() + p), _mm_and_si128(cell, inside));
        on = _mm_add_epi32(on, inside);  // less one a point on the screen
        point = _mm_add_epi32(point, four);
    }
    alignas(16) std::array<std::int32_t, 4> lanes;
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes.data()), on);
    added = -(lanes[0] + lanes[1] + lanes[2] + lanes[3]);
#endif
    // Far values (and NaN) stay far through the rounding.
    for (; p < count; ++p) {
        const double row = CentreRow_ - RoundedHalfEven((values[p] - offset) * rowsPerUnit);
        const bool inside = row >= 0 && row < Rows;
        cells[static_cast<std::size_t>(p)] = inside ? static_cast<std::int32_t>(row) * RowStride + p + 1 : 0;
        added += inside;
    }
    if (added == 0) return;
    PointsAdded_ += added;
    MapDirty_ = true;
    // Then the increments, in a loop that does little else: its loads do not wait on each other, so
    // many misses are in flight at once. A cell's block is marked on the cell's first hit, which is
    // rare once the map has built up.
    std::uint32_t* map = HitMap_.get() - 1;
    std::uint8_t* touched = TouchedBlocks_.data();
#pragma GCC unroll 4
    for (int q = 0; q < count; ++q) {
        if (TakeHit(map[cells[static_cast<std::size_t>(q)]])) [[unlikely]]
            MarkFirstHit(touched, cells[static_cast<std::size_t>(q)]);
    }
    // The bins, from the cells alone: a point's row is (cell - 1 - point) / RowStride.
    const bool vertical = Vertical_, weighted = ExpWeight_ >= 1;
    const auto cellAt = [&cells](int q) { return cells[static_cast<std::size_t>(q)]; };
    const auto rowAt = [&cells](int q) { return (cells[static_cast<std::size_t>(q)] - 1 - q) / RowStride; };
    if (Active_) {
        if (vertical) {
            for (int q = 0; q < count; ++q)
                if (cellAt(q) != 0) ++Bins_[static_cast<std::size_t>(rowAt(q))];
        } else {
            for (int q = 0; q < count; ++q) Bins_[static_cast<std::size_t>(q)] += cellAt(q) != 0;
        }
    }
    const int left = std::max(WindowLeftBin_, 0), right = std::min(WindowRightBin_, count - 1);
    const int top = std::max(WindowTopRow_, 0), bottom = std::min(WindowBottomRow_, Rows - 1);
    if (top > bottom) return;
    if (!vertical && !weighted) {
        // Rows top..bottom at point q are cells q + 1 + top..bottom x RowStride; the spare cell lies
        // far below, unsigned far above.
        const auto from = static_cast<std::uint32_t>(top * RowStride + 1);
        const auto span = static_cast<std::uint32_t>((bottom - top) * RowStride);
        for (int q = left; q <= right; ++q)
            WindowBins_[static_cast<std::size_t>(q)] += static_cast<std::uint32_t>(cellAt(q) - q) - from <= span;
        return;
    }
    for (int q = left; q <= right; ++q) {
        if (cellAt(q) == 0) continue;
        const int r = rowAt(q);
        if (r < top || r > bottom) continue;
        const auto b = static_cast<std::size_t>(vertical ? r : q);
        if (weighted) ExpBins_[b] += 1.0;
        else ++WindowBins_[b];
    }
}

void TFullHist::RecomputeWindow() {
    Bins_.fill(0);
    WindowBins_.fill(0);
    ExpBins_.fill(0);
    int p0, p1, r0, r1;
    if (Active_) {
        p0 = 0, p1 = BinCount_ - 1, r0 = 1, r1 = Rows - 1;
    } else {
        p0 = WindowLeftBin_, p1 = WindowRightBin_, r0 = WindowTopRow_, r1 = WindowBottomRow_;
    }
    p0 = std::max(p0, 0), p1 = std::min(p1, MaxBins - 1);
    r0 = std::max(r0, 0), r1 = std::min(r1, Rows - 1);
    // Only the 8 x 8 blocks that were ever hit are visited: the map holds 4 M cells.
    for (int bp = p0 / 8; p0 <= p1 && bp <= p1 / 8; ++bp) {
        for (int br = r0 / 8; r0 <= r1 && br <= r1 / 8; ++br) {
            if (!TouchedBlocks_[static_cast<std::size_t>(bp) * BlockRows + static_cast<std::size_t>(br)]) continue;
            const int pFrom = std::max(p0, bp * 8), pTo = std::min(p1, bp * 8 + 7);
            const int rFrom = std::max(r0, br * 8), rTo = std::min(r1, br * 8 + 7);
            for (int r = rFrom; r <= rTo; ++r) {
                for (int p = pFrom; p <= pTo; ++p) {
                    const std::uint32_t c = Count(Cell(p, r));
                    if (c == 0) continue;
                    const auto b = static_cast<std::size_t>(Vertical_ ? r : p);
                    if (Active_) Bins_[b] += c;
                    if (!Active_ || InWindow(p, r)) WindowBins_[b] += c;
                }
            }
        }
    }
    if (ExpWeight_ > 0) {
        const int n = StatBinCount();
        for (int i = 0; i < n; ++i) ExpBins_[static_cast<std::size_t>(i)] = WindowBins_[static_cast<std::size_t>(i)];
    }
}

void TFullHist::RowCounts(int fromPoint, int toPoint, std::array<std::uint32_t, Rows>& rows) const {
    rows.fill(0);
    fromPoint = std::max(fromPoint, 0), toPoint = std::min(toPoint, MaxBins - 1);
    for (int bp = fromPoint / 8; fromPoint <= toPoint && bp <= toPoint / 8; ++bp) {
        const int pFrom = std::max(fromPoint, bp * 8), pTo = std::min(toPoint, bp * 8 + 7);
        for (int br = 0; br < Rows / 8; ++br) {
            if (!TouchedBlocks_[static_cast<std::size_t>(bp) * BlockRows + static_cast<std::size_t>(br)]) continue;
            for (int r = br * 8; r < br * 8 + 8; ++r)
                for (int p = pFrom; p <= pTo; ++p) rows[static_cast<std::size_t>(r)] += Count(Cell(p, r));
        }
    }
}

void TFullHist::Clear() {
    BinCount_ = 0;
    WaveformCount_ = 0;
    if (MapDirty_) {
        std::fill(HitMap_.get(), HitMap_.get() + MapCells, 0u);
        std::fill(TouchedBlocks_.begin(), TouchedBlocks_.end(), std::uint8_t{0});
        MapDirty_ = false;
    }
    Bins_.fill(0);
    WindowBins_.fill(0);
    ExpBins_.fill(0);
}

void TFullHist::Normalise() {
    const int n = StatBinCount();
    double m = 0;
    for (int i = 0; i < n; ++i) m = std::max(m, ExpBins_[static_cast<std::size_t>(i)]);
    const bool scale = ExpWeight_ < m;
    const double factor = scale ? ExpWeight_ / m : 1;
    for (int i = 0; i < n; ++i) {
        double& v = ExpBins_[static_cast<std::size_t>(i)];
        if (scale) v *= factor;
        WindowBins_[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(RoundHalfEven(v + 0.49));
    }
}

void TFullHist::ComputeStatistics(bool useWindow) {
    if (ExpWeight_ > 0 && useWindow) Normalise();
    TAxisHist::ComputeStatistics(useWindow);
}

int TFullHist::FindMaxPosition() const {
    if (Vertical_) {
        for (int i = std::max(0, WindowLeftBin_); i <= std::min(WindowRightBin_, MaxBins - 1); ++i)
            if (Count(Cell(i, static_cast<int>(FirstBin_))) > 0) return static_cast<int>(RoundHalfEven(BinToColumn(i)));
    } else {
        for (int r = std::max(0, WindowTopRow_); r <= std::min(WindowBottomRow_, Rows - 1); ++r)
            if (Count(Cell(static_cast<int>(LastBin_), r)) > 0) return r;
    }
    VT_INTERNAL_ERROR(UnitName, "Pozition Of Max not Found");
}

int TFullHist::FindMinPosition() const {
    if (Vertical_) {
        for (int i = std::max(0, WindowLeftBin_); i <= std::min(WindowRightBin_, MaxBins - 1); ++i)
            if (Count(Cell(i, static_cast<int>(LastBin_))) > 0) return static_cast<int>(RoundHalfEven(BinToColumn(i)));
    } else {
        for (int r = std::max(0, WindowTopRow_); r <= std::min(WindowBottomRow_, Rows - 1); ++r)
            if (Count(Cell(static_cast<int>(FirstBin_), r)) > 0) return r;
    }
    VT_INTERNAL_ERROR(UnitName, "Pozition Of Min not Found");
}

void AddSignalToHist(TFullHist& hist, const TSignalObj& signal) {
    const int n = std::min(signal.GetDecimatedLength(), TAxisHist::MaxBins);
    if (n <= 0) return;
    hist.SetScale(static_cast<std::uint16_t>(n), signal.GetScale(), signal.GetCentre(), signal.SampleInterval(),
                  signal.ViewIndexToTime(0));
    // A plain record's shown values are its stored points from the view's start.
    if (!signal.IsSpectrum() && (signal.TdrUnit() == tdrNone || signal.Raw()) && signal.ViewStart() + n <= MaxSignalPoints) {
        hist.AddValues(signal.Data1() + signal.ViewStart(), n);
        return;
    }
    for (int i = 0; i < n; ++i) hist.AddSample(static_cast<std::uint16_t>(i), signal.GetDisplayValue(i));
}

}  // namespace vt
