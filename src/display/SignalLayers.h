#pragma once
// The waveform layers: one source on one screen, fed point by point. A point keeps its row, so a
// sweep that repaints a record costs only the cells whose points moved; each cell counts the points
// in it. The dot layer shows the points; the vector layer joins them with column spans drawn in a
// dimmer line colour. On screens with a margin the layer draws its channel marker there.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "display/DrawingSurfaces.h"
#include "display/ScreenLayers.h"

namespace vt {

inline constexpr int MaxLayerPoints = 4096;
inline constexpr int MarkerColumns = 21;
// Marker rows besides a real row.
inline constexpr int mrNone = -1;
inline constexpr int mrAbove = -2;
inline constexpr int mrBelow = -3;

class TParentSignalLayer : public TScreenLayer {
public:
    // marginFlag: the XY screen's layer, without a margin.
    TParentSignalLayer(std::string name, bool marginFlag, int slot, int rows, int columns);

    bool IsWaveformLayer() const override { return true; }
    void Repaint() override;
    TColor CellColor(int x, int y) const override;
    void Erase() override;

    // Sources 0..13 give the marker label (C1, C2, F1..F4, M1..M4, S1, S2); others only the index.
    void SetSource(int source);
    int GetSource() const { return Source_; }

    // Begins a sweep of a record of count points at perDivision value units per division with offset
    // on the centre row; a new count erases the layer and maps the points to columns again.
    void SetScales(int count, double perDivision, double offset);
    void SetXYScales(int count, int xyCount, double xPerDivision, double xOffset, double yPerDivision, double yOffset);
    // A NaN releases the point's cell and draws nothing; infinities clip to the first or last row.
    virtual void PutPoint(int n, double value);
    // The run of points first, first + 1, ... at once, as PutPoint of each in turn would put them.
    virtual void PutPoints(int first, std::span<const double> values);
    virtual void PutXYPoint(int n, double x, double y);
    // Column and row of point n (row 0: not placed).
    std::pair<int, int> PointPosition(int n) const;
    int PointColumn(int n) const { return Columns_.at(static_cast<std::size_t>(n)); }
    int PointRow(int n) const { return Rows_.at(static_cast<std::size_t>(n)); }

    // Row of the zero level, or mrNone, mrAbove, mrBelow; drawn only within rows 0..H.
    void DrawChannelMarker(int row, bool highlighted);
    int MarkerRow() const { return MarkerRow_; }
    bool MarkerHighlighted() const { return MarkerHighlighted_; }
    bool HasMargin() const { return !MarginFlag(); }
    // Margin column 0..20 (layer x -21..-1) and row.
    bool MarginCell(int column, int row) const;

    // Black, with white where the layer draws; column 21 is layer x 0. With margin: the marker too.
    virtual void CopyToMonoBitmap(TSLBMP& bitmap, bool withMargin) const;

    int PointCount() const { return Count_; }
    double Scale() const { return Scale_; }
    double Offset() const { return Offset_; }

protected:
    // CellColors and CellPixels where the margin (x < 0) and every cell holding a point show own (the
    // layer's colour, or its pixel) and any other cell other(its index); out[c] for each column c listed.
    template <class TValue, class FOther>
    void ValuesOfCells(int y, int firstX, std::span<const std::uint16_t> columns, TValue* out, TValue own,
                       FOther&& other) const {
        if (columns.empty()) return;
        // The row and the last column checked once: the columns rise.
        const std::size_t rowStart = CellIndex(0, y);
        CellIndex(std::max(columns.back() + firstX, 0), y);
        for (std::uint16_t c : columns) {
            const int x = c + firstX;
            if (x < 0) {
                out[c] = own;
                continue;
            }
            const std::size_t i = rowStart + static_cast<std::size_t>(x);
            out[c] = Grid_[i] != 0 ? own : other(i);
        }
    }

    // CellPixels of a layer whose cells without a point all show one other colour.
    void PixelsOwnOrOther(int y, int firstX, std::span<const std::uint16_t> columns, std::uint32_t* row,
                          TColor opaqueBackground, TColor other) const;

    // The cell's count fell to 0 / rose from 0.
    virtual void UnplotCell(int x, int y, std::size_t cellIndex) = 0;
    virtual void PlotCell(int x, int y) = 0;
    virtual void OnHit(int /*x*/, int /*y*/) {}
    virtual void ColumnsChanged(bool /*isXY*/) {}
    virtual void BeforeSweep() {}
    bool CellHit(int x, int y) const override { return Cell(x, y) != 0; }
    bool MarginHitTest(int tolerance, int x, int y) const override;

    // The row of a value, clipped to 1..H - 1 and rounded.
    int RowOf(double value) const;
    // The rows of a run of values, NaNRow for a NaN; a run out of 0..MaxLayerPoints is an internal error.
    static constexpr std::uint16_t NaNRow = 0xFFFF;
    void RowsOf(int first, std::span<const double> values, std::uint16_t* rows) const;
    // Point n of a run, or one point, placed by place(n, row); NaN releases the point.
    template <class FPlace>
    void PutRun(int first, std::span<const double> values, FPlace&& place);
    template <class FPlace>
    void PutOne(int n, double value, FPlace&& place);
    // Point n, not NaN, at row r.
    void PlacePoint(int n, int r);
    void MovePoint(int oldX, int oldRow, int newRow, int newX);
    // The point's cell loses it; its row becomes 0.
    void ReleasePoint(int n);
    std::size_t MarginIndex(int column, int row) const {
        return static_cast<std::size_t>(row) * MarkerColumns + static_cast<std::size_t>(column);
    }

private:
    void SetMarginPixel(int column, int row, bool set);

    std::vector<std::uint8_t> MarginImage_;
    std::uint8_t Source_ = 0;
    std::uint8_t LabelGroup_ = 0;
    std::uint8_t LabelNumber_ = 0;
    std::uint16_t Count_ = 0;
    double Offset_ = 0;
    double Scale_ = 0;
    std::array<std::uint16_t, MaxLayerPoints> Rows_{};
    std::array<std::uint16_t, MaxLayerPoints> Columns_{};
    std::uint16_t XYCount_ = 0;
    double XOffset_ = 0;
    double XScale_ = 0;
    std::array<std::uint16_t, MaxLayerPoints> XYColumns_{};
    bool XY_ = false;
    bool MarkerHighlighted_ = false;
    int MarkerRow_ = mrNone;
};

class TSimpleSignalLayer : public TParentSignalLayer {
public:
    using TParentSignalLayer::TParentSignalLayer;
    // Points and marker alike in the layer's colour.
    bool UniformColor() const override { return true; }

protected:
    void UnplotCell(int x, int y, std::size_t) override { ClearPixel(x, y); }
    void PlotCell(int, int) override {}
};

class TVectorSignalLayer : public TParentSignalLayer {
public:
    TVectorSignalLayer(std::string name, bool marginFlag, int slot, int rows, int columns);

    void SetLayerColorAndOpacity(TColor colour) override;
    TColor CellColor(int x, int y) const override;
    bool HasCellColors() const override { return true; }
    void CellColors(int y, int firstX, std::span<const std::uint16_t> columns, TColor* colours) const override;
    void CellPixels(int y, int firstX, std::span<const std::uint16_t> columns, std::uint32_t* row,
                    TColor opaqueBackground) const override;
    void Erase() override;
    // The point cells and the line cells.
    void Repaint() override;
    void PutPoint(int n, double value) override;
    void PutPoints(int first, std::span<const double> values) override;
    void CopyToMonoBitmap(TSLBMP& bitmap, bool withMargin) const override;

    TColor LineColor() const { return LineColour_; }
    bool LineCell(int x, int y) const { return LinePlane_[CellIndex(x, y)] != 0; }
    // Lowest and highest drawn row of a column (lowest 0: nothing drawn).
    std::pair<int, int> DrawnSpan(int column) const {
        return {DrawnLo_.at(static_cast<std::size_t>(column)), DrawnHi_.at(static_cast<std::size_t>(column))};
    }

protected:
    void UnplotCell(int x, int y, std::size_t cellIndex) override;
    void PlotCell(int, int) override {}
    void BeforeSweep() override { LastColumn_ = 0; }
    bool CellHit(int x, int y) const override { return Cell(x, y) != 0 || LinePlane_[CellIndex(x, y)] != 0; }

private:
    // Point n, not NaN, at row r, joined to the points before it.
    void PlaceVectorPoint(int n, int r);
    void StartColumn(int c, int r);
    void ExtendColumn(int c, int r);
    void LinkColumns(int c);
    void Widen(int c, int v);
    void DrawColumnSpan(int c, int lo, int hi);
    void DrawLineRows(int c, int from, int to);
    void EraseLineRows(int c, int from, int to);

    std::vector<std::uint16_t> First_;
    std::vector<std::uint16_t> Last_;
    std::vector<std::uint16_t> Max_;
    std::vector<std::uint16_t> Min_;
    std::vector<std::uint16_t> DrawnLo_;
    std::vector<std::uint16_t> DrawnHi_;
    std::uint16_t LastColumn_ = 0;
    // The last plotted point of this layer, for the interpolation to the right edge.
    int LastPlotColumn_ = 0;
    int LastPlotRow_ = 0;
    std::vector<std::uint8_t> LinePlane_;
    TColor LineColour_;
};

}  // namespace vt
