#include "display/PersistenceLayers.h"

#include <algorithm>
#include <cmath>

#include "core/InternalError.h"
#include "core/Numeric.h"
#include "display/SignalScreen.h"

namespace vt {

namespace {

std::uint32_t HundredthsOf(double seconds) {
    const double s = std::clamp(seconds, 0.0, static_cast<double>(MaxStoredSeconds));
    return static_cast<std::uint32_t>(RoundHalfEven(s * 100));
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
TComplicatedSignalLayer::TComplicatedSignalLayer(std::string name, bool marginFlag, int slot, int rows, int columns)
    : TParentSignalLayer(std::move(name), marginFlag, slot, rows, columns) {
    Stamps_.assign(Grid_.size(), 0);
    // One block and one band more than the last column and row need: every cell has its bits.
    Width_ = static_cast<std::size_t>(columns);
    KC_ = static_cast<std::size_t>(MaxX()) / 8 + 1;
    KR_ = static_cast<std::size_t>(MaxY()) / 8 + 1;
    Kv_.assign(KC_ * KR_, 0);
    Band_.assign(Width_ * KR_, 0);
}

bool TComplicatedSignalLayer::Marked(int x, int y) const {
    const std::size_t i = static_cast<std::size_t>(x) + static_cast<std::size_t>(y >> 3) * Width_;
    return i < Band_.size() && ((Band_[i] >> (y & 7)) & 1) != 0;
}

void TComplicatedSignalLayer::MarkCell(int x, int y) {
    const auto k = static_cast<std::size_t>(y >> 3);
    const std::size_t i = static_cast<std::size_t>(x) + k * Width_;
    if (x < 0 || y < 0 || i >= Band_.size()) VT_INTERNAL_ERROR(SignalLayersUnitName, "Vot ono BAND");
    if (Band_[i] == 0) {
        const std::size_t kv = static_cast<std::size_t>(x >> 3) + k * KC_;
        if (kv >= Kv_.size()) VT_INTERNAL_ERROR(SignalLayersUnitName, "Vot ono Kv");
        Kv_[kv] = static_cast<std::uint8_t>(Kv_[kv] | (1u << (x & 7)));
    }
    const auto bit = static_cast<std::uint8_t>(1u << (y & 7));
    if ((Band_[i] & bit) != 0) return;
    Band_[i] = static_cast<std::uint8_t>(Band_[i] | bit);
    if (!Filed_.empty() && (Filed_[i] & bit) == 0) CellMarked(static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * Width_);
}

void TComplicatedSignalLayer::SetFiled(int x, int y, bool on) {
    std::uint8_t& bits = Filed_[static_cast<std::size_t>(x) + static_cast<std::size_t>(y >> 3) * Width_];
    const auto bit = static_cast<std::uint8_t>(1u << (y & 7));
    bits = static_cast<std::uint8_t>(on ? bits | bit : bits & ~bit);
}

void TComplicatedSignalLayer::UnmarkCell(int x, int y) {
    const auto k = static_cast<std::size_t>(y >> 3);
    const std::size_t i = static_cast<std::size_t>(x) + k * Width_;
    if (x < 0 || y < 0 || i >= Band_.size()) VT_INTERNAL_ERROR(SignalLayersUnitName, "Vot ono BAND");
    const std::uint8_t was = Band_[i];
    if (was == 0) return;
    Band_[i] = static_cast<std::uint8_t>(was & ~(1u << (y & 7)));
    if (Band_[i] == 0) {
        const std::size_t kv = static_cast<std::size_t>(x >> 3) + k * KC_;
        if (kv >= Kv_.size()) VT_INTERNAL_ERROR(SignalLayersUnitName, "Vot ono Kv");
        Kv_[kv] = static_cast<std::uint8_t>(Kv_[kv] & ~(1u << (x & 7)));
    }
}

void TComplicatedSignalLayer::ClearPlanes() {
    std::fill(Band_.begin(), Band_.end(), std::uint8_t{0});
    std::fill(Kv_.begin(), Kv_.end(), std::uint8_t{0});
}

int TComplicatedSignalLayer::MarkedCount() const {
    int n = 0;
    ForEachMarked([&n](int, int) { ++n; });
    return n;
}

void TComplicatedSignalLayer::Repaint() {
    if (!GetScreen()) return;
    BeginUpdate();
    TParentSignalLayer::Repaint();
    ForEachMarked([this](int x, int y) { SetPixel(x, y); });
    EndUpdate();
}

void TComplicatedSignalLayer::Erase() {
    BeginUpdate();
    // The marked cells are the ones the base knows nothing of; the point cells go with the base.
    SweepMarked([this](int x, int y, std::size_t) {
        ClearPixel(x, y);
        return true;
    });
    TParentSignalLayer::Erase();
    std::fill(Stamps_.begin(), Stamps_.end(), 0u);
    ClearPlanes();
    EndUpdate();
}

void TComplicatedSignalLayer::CopyToMonoBitmap(TSLBMP& bitmap, bool withMargin) const {
    TParentSignalLayer::CopyToMonoBitmap(bitmap, withMargin);
    ForEachMarked([&bitmap](int x, int y) { bitmap.SetPixel(x + MarkerColumns, y, clWhite); });
}

// ---------------------------------------------------------------------------------------------------
TColor TPersistSignalLayer::CellColor(int x, int y) const {
    if (x < 0 || Cell(x, y) != 0) return Color();
    return OldColour_;
}

void TPersistSignalLayer::CellColors(int y, int firstX, std::span<const std::uint16_t> columns, TColor* colours) const {
    ValuesOfCells(y, firstX, columns, colours, Color(), [this](std::size_t) { return OldColour_; });
}

void TPersistSignalLayer::CellPixels(int y, int firstX, std::span<const std::uint16_t> columns, std::uint32_t* row,
                                     TColor opaqueBackground) const {
    PixelsOwnOrOther(y, firstX, columns, row, opaqueBackground, OldColour_);
}

void TPersistSignalLayer::SetLayerColorAndOpacity(TColor colour) {
    if (colour == Color()) return;
    // The base repaints: the dimmer colour must be in place first.
    OldColour_ = DivideColor(colour, 1.4);
    TComplicatedSignalLayer::SetLayerColorAndOpacity(colour);
}

void TPersistSignalLayer::SetPersistTime(double seconds) {
    PersistTime_ = HundredthsOf(seconds);
    const std::uint32_t grain = PersistTime_ / (ExpirySlots / 2) + 1;
    if (grain == Grain_) return;
    Grain_ = grain;
    RefileMarked();
}

void TPersistSignalLayer::UnplotCell(int x, int y, std::size_t cellIndex) {
    // Never 0: a cell left at clock 0 is still a remembered cell.
    Stamps_[cellIndex] = std::max<std::uint32_t>(ClockNow(), 1);
    SetPixel(x, y);
    MarkCell(x, y);
}

TPersistSignalLayer::TPersistSignalLayer(std::string name, bool marginFlag, int slot, int rows, int columns)
    : TComplicatedSignalLayer(std::move(name), marginFlag, slot, rows, columns), Expiry_(ExpirySlots) {
    AllocateFiledPlane();
}

// A cell still filed (marked before, then plotted over) is not heard of: its slot comes no later
// than its new stamp's.
void TPersistSignalLayer::CellMarked(std::size_t cellIndex) { File(static_cast<std::uint32_t>(cellIndex)); }

void TPersistSignalLayer::File(std::uint32_t cellIndex) {
    const auto width = static_cast<std::uint32_t>(Columns());
    SetFiled(static_cast<int>(cellIndex % width), static_cast<int>(cellIndex / width), true);
    Expiry_[KeyOf(Stamps_[cellIndex]) % ExpirySlots].push_back(cellIndex);
}

void TPersistSignalLayer::RefileMarked() {
    for (auto& slot : Expiry_) slot.clear();
    ClearFiledPlane();
    NextKey_ = 0;
    const auto width = static_cast<std::size_t>(Columns());
    ForEachMarked([&](int x, int y) { File(static_cast<std::uint32_t>(static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * width)); });
}

void TPersistSignalLayer::AgeCells(bool expireAll) {
    const std::uint32_t clock = ClockNow();
    const std::uint32_t limit = clock > PersistTime_ ? clock - PersistTime_ : 0;
    if (!expireAll && limit == 0) return;
    bool opened = false;
    const auto open = [&] {
        if (opened) return;
        BeginUpdate();
        opened = true;
    };
    if (expireAll) {
        // The filed cells left behind are unmarked: their slots drop them when they come up.
        SweepMarked([&](int x, int y, std::size_t i) {
            open();
            ClearPixel(x, y);
            Stamps_[i] = 0;
            return true;
        });
        if (opened) EndUpdate();
        return;
    }
    // Stamps below the limit expire: the slots up to the last such stamp's, the last one only in part
    // (it is visited again next time). The clock going back leaves the keys where they were.
    const std::uint32_t first = NextKey_;
    const std::uint32_t last = std::max((limit - 1) / Grain_, first);
    NextKey_ = last;
    const std::uint32_t count = std::min(last - first, ExpirySlots - 1) + 1;
    const auto width = static_cast<std::size_t>(Columns());
    for (std::uint32_t n = 0; n < count; ++n) {
        const std::uint32_t slot = (last - n) % ExpirySlots;
        std::vector<std::uint32_t>& cells = Expiry_[slot];
        std::size_t kept = 0;
        for (std::size_t k = 0; k < cells.size(); ++k) {
            const std::uint32_t i = cells[k];
            const int x = static_cast<int>(i % width), y = static_cast<int>(i / width);
            if (!Marked(x, y)) {
                SetFiled(x, y, false);
            } else if (Stamps_[i] < limit) {
                open();
                ClearPixel(x, y);
                Stamps_[i] = 0;
                UnmarkCell(x, y);
                SetFiled(x, y, false);
            } else if (const std::uint32_t to = KeyOf(Stamps_[i]) % ExpirySlots; to == slot) {
                cells[kept++] = i;
            } else {
                Expiry_[to].push_back(i);
            }
        }
        cells.resize(kept);
    }
    if (opened) EndUpdate();
}

// ---------------------------------------------------------------------------------------------------
TColorGrSignalLayer::TColorGrSignalLayer(std::string name, bool marginFlag, int slot, int rows, int columns)
    : TComplicatedSignalLayer(std::move(name), marginFlag, slot, rows, columns) {
    PointsPerColumn_.assign(static_cast<std::size_t>(columns) + 1, 1);
    GradeColours_ = {TColor(0), TColor(0xFF800000), TColor(0xFF000080), TColor(0xFF008080), TColor(0xFF800080),
                     TColor(0xFF808000)};
}

void TColorGrSignalLayer::SetRefreshTime(double seconds) { RefreshTime_ = HundredthsOf(seconds); }

void TColorGrSignalLayer::SetGradeColor(int k, TColor colour) {
    if (k < 1 || k > GradeCount) VT_INTERNAL_ERROR(SignalLayersUnitName, "Range check error");
    GradeColours_[static_cast<std::size_t>(k)] = colour.WithAlpha(0xFF);
}

TColor TColorGrSignalLayer::CellColor(int x, int y) const {
    if (x < 0 || Cell(x, y) != 0) return Color();
    const int level = Level(x, y);
    return level > 0 ? GradeColours_[static_cast<std::size_t>(level)] : Color();
}

void TColorGrSignalLayer::CellColors(int y, int firstX, std::span<const std::uint16_t> columns, TColor* colours) const {
    ValuesOfCells(y, firstX, columns, colours, Color(), [this](std::size_t i) {
        const std::uint32_t level = Stamps_[i] >> 28;
        return level > 0 ? GradeColours_[level] : Color();
    });
}

void TColorGrSignalLayer::CellPixels(int y, int firstX, std::span<const std::uint16_t> columns, std::uint32_t* row,
                                     TColor opaqueBackground) const {
    // Level 0 shows the layer's colour; the level sits in the stamp's top four bits.
    std::array<std::uint32_t, 16> pixels{};
    pixels[0] = SoleOwnerPixel(Color(), opaqueBackground);
    for (std::size_t level = 1; level < pixels.size(); ++level)
        pixels[level] = level < GradeColours_.size() ? SoleOwnerPixel(GradeColours_[level], opaqueBackground) : pixels[0];
    ValuesOfCells(y, firstX, columns, row, pixels[0], [this, &pixels](std::size_t i) { return pixels[Stamps_[i] >> 28]; });
}

bool TColorGrSignalLayer::IsEdgeCell(int x, int y) const {
    if (y < 2 || y >= MaxY() - 1) return true;
    return XYLayer_ && (x < 2 || x >= MaxX() - 1);
}

std::uint32_t TColorGrSignalLayer::NormalisedCount(int x, std::uint32_t hits) const {
    // The XY layer's count (hits x 55555) outgrows 32 bits after 77,311 hits: it saturates.
    const std::uint64_t n =
        static_cast<std::uint64_t>(hits) * Fewest_ / PointsPerColumn_[static_cast<std::size_t>(x)];
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(n, 0xFFFFFFFFu));
}

void TColorGrSignalLayer::ColumnsChanged(bool isXY) {
    XYLayer_ = isXY;
    const auto w = static_cast<std::size_t>(MaxX());
    if (isXY) {
        std::fill(PointsPerColumn_.begin(), PointsPerColumn_.end(), std::uint16_t{1});
        Fewest_ = 55555;
        return;
    }
    std::vector<std::uint32_t> counts(w + 1, 0);
    for (int j = 0; j < PointCount(); ++j) {
        const auto c = static_cast<std::size_t>(PointColumn(j));
        if (c < w) ++counts[c];
    }
    std::uint32_t fewest = 55555;
    for (std::size_t c = 0; c <= w; ++c) {
        if (counts[c] == 0) {
            PointsPerColumn_[c] = 1;
        } else {
            PointsPerColumn_[c] = static_cast<std::uint16_t>(std::min<std::uint32_t>(counts[c], 0xFFFF));
            fewest = std::min(fewest, counts[c]);
        }
    }
    Fewest_ = static_cast<std::uint16_t>(fewest);
}

void TColorGrSignalLayer::OnHit(int x, int y) {
    if (IsEdgeCell(x, y)) return;
    std::uint32_t& stamp = Stamps_[CellIndex(x, y)];
    const std::uint32_t hits = std::min((stamp & MaxHitCount) + 1, MaxHitCount);
    stamp = hits;
    // trunc(hits x fewest / points) > limit 5 without the division of every hit; a saturated limit
    // is never passed.
    const std::uint64_t points = PointsPerColumn_[static_cast<std::size_t>(x)];
    const std::uint32_t largest = Limits_[GradeCount];
    if (largest != 0xFFFFFFFFu &&
        static_cast<std::uint64_t>(hits) * Fewest_ >= (static_cast<std::uint64_t>(largest) + 1) * points)
        SetLimits(NormalisedCount(x, hits));
}

std::pair<int, bool> TColorGrSignalLayer::GradeLevel(int level, std::uint32_t n) const {
    int k = level;
    if (k > 0 && Limits_[static_cast<std::size_t>(k)] >= n) {
        while (k > 1 && Limits_[static_cast<std::size_t>(k - 1)] >= n) --k;
    } else {
        k = std::max(k, 1);
        while (k < GradeCount && Limits_[static_cast<std::size_t>(k)] < n) ++k;
    }
    return {k, k != level};
}

void TColorGrSignalLayer::SetLimits(std::uint32_t n) {
    Limits_[GradeCount] = n;
    if (n > 6) {
        double a = n;
        const double q = n <= 15 ? std::pow(static_cast<double>(n), 0.25) : 2.0;
        for (int k = 4; k >= 1; --k) {
            a /= q;
            Limits_[static_cast<std::size_t>(k)] = static_cast<std::uint32_t>(RoundHalfEven(a));
        }
    } else {
        std::uint32_t m = n;
        for (int k = 4; k >= 1; --k) {
            m = m == 6 ? 4 : (m >= 1 ? m - 1 : 0);
            Limits_[static_cast<std::size_t>(k)] = m;
        }
    }
    RegradeAll();
}

bool TColorGrSignalLayer::Regrade(int x, std::size_t cellIndex) {
    std::uint32_t& stamp = Stamps_[cellIndex];
    const std::uint32_t hits = stamp & MaxHitCount;
    const auto [level, changed] = GradeLevel(static_cast<int>(stamp >> 28), NormalisedCount(x, hits));
    if (changed) stamp = (static_cast<std::uint32_t>(level) << 28) | hits;
    return changed;
}

void TColorGrSignalLayer::RegradeAll() {
    BeginUpdate();
    SweepMarked([this](int x, int y, std::size_t i) {
        if (Regrade(x, i)) SetPixel(x, y);
        return false;
    });
    EndUpdate();
}

void TColorGrSignalLayer::UnplotCell(int x, int y, std::size_t cellIndex) {
    if (IsEdgeCell(x, y)) {
        ClearPixel(x, y);
        return;
    }
    Regrade(x, cellIndex);
    SetPixel(x, y);
    MarkCell(x, y);
}

void TColorGrSignalLayer::Erase() {
    TComplicatedSignalLayer::Erase();
    Limits_.fill(0);
}

void TColorGrSignalLayer::BeforeSweep() {
    if (RefreshTime_ == 0) return;
    const std::uint32_t clock = ClockNow();
    const std::uint32_t elapsed = clock > RefreshTime_ ? clock - RefreshTime_ : 0;
    if (LastRestart_ < elapsed) {
        LastRestart_ = clock;
        Erase();
    }
}

}  // namespace vt
