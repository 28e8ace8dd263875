#pragma once
// The waveform layers that keep what earlier sweeps drew. Cells that a point has left stay "marked":
// the persistence layer shows them in a dimmer colour until they expire, the colour-grade layer in one
// of five grade colours by how often points hit them. A 32-bit stamp per cell holds the time or the
// grade, and two bit planes (per 8-column block of an 8-row band, and per column of a band) let the
// sweeps over the marked cells skip empty areas.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

#include "display/SignalLayers.h"

namespace vt {

inline constexpr std::uint32_t MaxStoredSeconds = 160000;

class TComplicatedSignalLayer : public TParentSignalLayer {
public:
    TComplicatedSignalLayer(std::string name, bool marginFlag, int slot, int rows, int columns);

    void Repaint() override;
    // Every marked cell and every cell holding a point is cleared; stamps and planes start again.
    void Erase() override;
    void CopyToMonoBitmap(TSLBMP& bitmap, bool withMargin) const override;

    // The panel clock (1/100 s) the layer reads; none reads 0.
    void SetClockSource(const std::uint32_t* clock) { Clock_ = clock; }
    std::uint32_t ClockNow() const { return Clock_ ? *Clock_ : 0; }

    std::uint32_t Stamp(int x, int y) const { return Stamps_[CellIndex(x, y)]; }
    bool Marked(int x, int y) const;
    void MarkCell(int x, int y);
    void UnmarkCell(int x, int y);
    void ClearPlanes();
    int MarkedCount() const;

    // The colour the marked cells are repainted with.
    virtual TColor StoredCellColor(int x, int y) const = 0;

protected:
    bool CellHit(int x, int y) const override { return Cell(x, y) != 0 || Marked(x, y); }

    // Visits every marked cell (x, y, cell index); a visit that answers true unmarks the cell.
    template <class F>
    void SweepMarked(F&& visit) {
        for (std::size_t k = 0; k < KR_; ++k) {
            std::uint8_t* kv = &Kv_[k * KC_];
            for (std::size_t b = 0; b < KC_; ++b) {
                std::uint8_t blocks = kv[b];
                if (blocks == 0) continue;
                std::uint8_t keepBlocks = blocks;
                while (blocks != 0) {
                    const int i = std::countr_zero(blocks);
                    blocks = static_cast<std::uint8_t>(blocks & (blocks - 1));
                    const int x = static_cast<int>(b * 8) + i;
                    std::uint8_t& band = Band_[static_cast<std::size_t>(x) + k * Width_];
                    std::uint8_t rows = band;
                    std::uint8_t keep = rows;
                    while (rows != 0) {
                        const int j = std::countr_zero(rows);
                        rows = static_cast<std::uint8_t>(rows & (rows - 1));
                        const int y = static_cast<int>(k * 8) + j;
                        if (visit(x, y, static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * Width_))
                            keep = static_cast<std::uint8_t>(keep & ~(1u << j));
                    }
                    band = keep;
                    if (keep == 0) keepBlocks = static_cast<std::uint8_t>(keepBlocks & ~(1u << i));
                }
                kv[b] = keepBlocks;
            }
        }
    }
    // Visits every marked cell (x, y) and changes nothing.
    template <class F>
    void ForEachMarked(F&& visit) const {
        for (std::size_t k = 0; k < KR_; ++k)
            for (std::size_t b = 0; b < KC_; ++b)
                for (std::uint8_t blocks = Kv_[k * KC_ + b]; blocks != 0; blocks = static_cast<std::uint8_t>(blocks & (blocks - 1))) {
                    const int x = static_cast<int>(b * 8) + std::countr_zero(blocks);
                    for (std::uint8_t rows = Band_[static_cast<std::size_t>(x) + k * Width_]; rows != 0;
                         rows = static_cast<std::uint8_t>(rows & (rows - 1)))
                        visit(x, static_cast<int>(k * 8) + std::countr_zero(rows));
                }
    }

    // A cell that was neither marked nor filed has just been marked (its stamp already written).
    virtual void CellMarked(std::size_t /*cellIndex*/) {}
    // The filed plane, a bit a cell laid out as the band plane: a layer that files its marked cells
    // allocates it, and only then hears of them.
    void AllocateFiledPlane() { Filed_.assign(Band_.size(), 0); }
    void SetFiled(int x, int y, bool on);
    void ClearFiledPlane() { std::fill(Filed_.begin(), Filed_.end(), std::uint8_t{0}); }

    std::vector<std::uint32_t> Stamps_;

private:
    const std::uint32_t* Clock_ = nullptr;
    std::vector<std::uint8_t> Kv_;
    std::vector<std::uint8_t> Band_;
    std::vector<std::uint8_t> Filed_;
    std::size_t KC_ = 0;
    std::size_t KR_ = 0;
    std::size_t Width_ = 0;
};

class TPersistSignalLayer : public TComplicatedSignalLayer {
public:
    TPersistSignalLayer(std::string name, bool marginFlag, int slot, int rows, int columns);

    TColor CellColor(int x, int y) const override;
    bool HasCellColors() const override { return true; }
    void CellColors(int y, int firstX, std::span<const std::uint16_t> columns, TColor* colours) const override;
    void CellPixels(int y, int firstX, std::span<const std::uint16_t> columns, std::uint32_t* row,
                    TColor opaqueBackground) const override;
    TColor StoredCellColor(int, int) const override { return Color(); }
    void SetLayerColorAndOpacity(TColor colour) override;

    // Capped at 160000 s, kept in 1/100 s.
    void SetPersistTime(double seconds);
    std::uint32_t PersistTime() const { return PersistTime_; }
    TColor OldColor() const { return OldColour_; }
    // Clears the cells left before the clock less the persistence time (all with expireAll).
    void AgeCells(bool expireAll);

protected:
    void UnplotCell(int x, int y, std::size_t cellIndex) override;
    void PlotCell(int x, int y) override { UnmarkCell(x, y); }
    void CellMarked(std::size_t cellIndex) override;

private:
    // The marked cells filed by when they expire, so that a tick visits the few whose time has come
    // rather than every marked cell. Slot key k (modulo the ring) holds cells stamped in
    // [k x Grain_, (k + 1) x Grain_) or, when filed late, earlier. A cell is filed once: one left again
    // stays where it is, and when its slot comes up its stamp decides whether it goes or moves on.
    static constexpr std::uint32_t ExpirySlots = 2048;
    void File(std::uint32_t cellIndex);
    void RefileMarked();
    std::uint32_t KeyOf(std::uint32_t stamp) const { return std::max(stamp / Grain_, NextKey_); }

    TColor OldColour_;
    std::uint32_t PersistTime_ = 0;
    std::vector<std::vector<std::uint32_t>> Expiry_;
    // Hundredths a slot spans: the persistence time fits in half the ring.
    std::uint32_t Grain_ = 1;
    // The first slot key the next tick visits; every filed cell sits at this key or later.
    std::uint32_t NextKey_ = 0;
};

inline constexpr int GradeCount = 5;
inline constexpr std::uint32_t MaxHitCount = 0x0FFFFFFF;

class TColorGrSignalLayer : public TComplicatedSignalLayer {
public:
    TColorGrSignalLayer(std::string name, bool marginFlag, int slot, int rows, int columns);

    TColor CellColor(int x, int y) const override;
    bool HasCellColors() const override { return true; }
    void CellColors(int y, int firstX, std::span<const std::uint16_t> columns, TColor* colours) const override;
    void CellPixels(int y, int firstX, std::span<const std::uint16_t> columns, std::uint32_t* row,
                    TColor opaqueBackground) const override;
    TColor StoredCellColor(int, int) const override { return Color(); }
    void Erase() override;

    // Capped at 160000 s, kept in 1/100 s; 0 never restarts.
    void SetRefreshTime(double seconds);
    std::uint32_t RefreshTime() const { return RefreshTime_; }
    // Grade k (1..5) takes the colour, opaque; the pixels follow at the next repaint.
    void SetGradeColor(int k, TColor colour);
    TColor GradeColor(int k) const { return GradeColours_.at(static_cast<std::size_t>(k)); }

    // The limits of the grades for the largest normalised count n; the marked cells are regraded.
    void SetLimits(std::uint32_t n);
    std::uint32_t Limit(int k) const { return Limits_.at(static_cast<std::size_t>(k)); }
    // From level (0: none yet) the level of a normalised count; second: whether it changed.
    std::pair<int, bool> GradeLevel(int level, std::uint32_t n) const;
    void RegradeAll();

    bool IsEdgeCell(int x, int y) const;
    // Hits scaled by the points of the cell's column against the fewest of any column.
    std::uint32_t NormalisedCount(int x, std::uint32_t hits) const;
    int PointsPerColumn(int x) const { return PointsPerColumn_.at(static_cast<std::size_t>(x)); }
    int FewestPointsPerColumn() const { return Fewest_; }
    int Level(int x, int y) const { return static_cast<int>(Stamp(x, y) >> 28); }
    std::uint32_t Hits(int x, int y) const { return Stamp(x, y) & MaxHitCount; }

protected:
    void UnplotCell(int x, int y, std::size_t cellIndex) override;
    void PlotCell(int x, int y) override { UnmarkCell(x, y); }
    void OnHit(int x, int y) override;
    void ColumnsChanged(bool isXY) override;
    void BeforeSweep() override;

private:
    // Recomputes the level of a cell; true when the stamp changed.
    bool Regrade(int x, std::size_t cellIndex);

    std::uint32_t RefreshTime_ = 0;
    std::uint32_t LastRestart_ = 0;
    std::vector<std::uint16_t> PointsPerColumn_;
    std::uint16_t Fewest_ = 55555;
    bool XYLayer_ = false;
    std::array<TColor, GradeCount + 1> GradeColours_{};
    std::array<std::uint32_t, GradeCount + 1> Limits_{};
};

}  // namespace vt
