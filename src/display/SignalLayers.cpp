#include "display/SignalLayers.h"

#include <algorithm>
#include <cmath>

#include "core/InternalError.h"
#include "core/Numeric.h"
#include "display/SignalScreen.h"

namespace vt {

namespace {

// Glyph columns, bit 0 the bottom row.
constexpr std::array<std::uint8_t, 7> GlyphC = {0, 60, 66, 129, 129, 129, 66};
constexpr std::array<std::uint8_t, 6> GlyphF = {0, 255, 144, 144, 144, 128};
constexpr std::array<std::uint8_t, 8> GlyphM = {0, 255, 96, 28, 3, 28, 96, 255};
constexpr std::array<std::uint8_t, 7> GlyphS = {0, 98, 145, 145, 137, 137, 67};
constexpr std::array<std::uint8_t, 4> Digit1 = {0, 32, 64, 255};
constexpr std::array<std::uint8_t, 6> Digit2 = {0, 65, 131, 133, 137, 113};
constexpr std::array<std::uint8_t, 6> Digit3 = {0, 66, 129, 145, 145, 110};
constexpr std::array<std::uint8_t, 6> Digit4 = {0, 12, 52, 68, 255, 4};
constexpr std::array<std::uint8_t, 7> ArrowRight = {0, 16, 16, 84, 56, 16, 16};
constexpr std::array<std::uint8_t, 7> ArrowUp = {0, 0, 16, 32, 255, 32, 16};
constexpr std::array<std::uint8_t, 7> ArrowDown = {0, 0, 8, 4, 255, 4, 8};

template <std::size_t N>
void Append(std::vector<std::uint8_t>& label, const std::array<std::uint8_t, N>& glyph) {
    label.insert(label.end(), glyph.begin(), glyph.end());
}

void AppendGroup(std::vector<std::uint8_t>& label, int group) {
    switch (group) {
        case 1: Append(label, GlyphC); break;
        case 2: Append(label, GlyphF); break;
        case 3: Append(label, GlyphM); break;
        case 4: Append(label, GlyphS); break;
        default: break;
    }
}

void AppendDigit(std::vector<std::uint8_t>& label, int digit) {
    switch (digit) {
        case 1: Append(label, Digit1); break;
        case 2: Append(label, Digit2); break;
        case 3: Append(label, Digit3); break;
        case 4: Append(label, Digit4); break;
        default: break;
    }
}

// Rows of the marker band around a marker row.
int BandRow(int row, int maxY) {
    if (row == mrAbove) return 4;
    if (row == mrBelow) return maxY - 5;
    return row;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
TParentSignalLayer::TParentSignalLayer(std::string name, bool marginFlag, int slot, int rows, int columns)
    : TScreenLayer(std::move(name), marginFlag, slot, rows, columns) {
    if (!marginFlag) {
        Grabbable = true;
        MarginImage_.assign(static_cast<std::size_t>(MarkerColumns) * static_cast<std::size_t>(rows), 0);
    }
}

void TParentSignalLayer::SetSource(int source) {
    if (source < 0 || source > 255) VT_INTERNAL_ERROR(SignalLayersUnitName, "Range check error");
    Source_ = static_cast<std::uint8_t>(source);
    if (source <= 1) {
        LabelGroup_ = 1, LabelNumber_ = 1;
    } else if (source <= 3) {
        LabelGroup_ = 1, LabelNumber_ = 2;
    } else if (source <= 7) {
        LabelGroup_ = 2, LabelNumber_ = static_cast<std::uint8_t>(source - 3);
    } else if (source <= 11) {
        LabelGroup_ = 3, LabelNumber_ = static_cast<std::uint8_t>(source - 7);
    } else if (source <= 13) {
        LabelGroup_ = 4, LabelNumber_ = static_cast<std::uint8_t>(source - 11);
    }
}

TColor TParentSignalLayer::CellColor(int, int) const { return Color(); }

void TParentSignalLayer::PixelsOwnOrOther(int y, int firstX, std::span<const std::uint16_t> columns, std::uint32_t* row,
                                          TColor opaqueBackground, TColor other) const {
    const std::uint32_t otherPixel = SoleOwnerPixel(other, opaqueBackground);
    ValuesOfCells(y, firstX, columns, row, SoleOwnerPixel(Color(), opaqueBackground),
                  [otherPixel](std::size_t) { return otherPixel; });
}

int TParentSignalLayer::RowOf(double value) const {
    const double r = HalfHeight() - (value - Offset_) * Scale_;
    return static_cast<int>(RoundHalfEven(std::clamp(r, 1.0, static_cast<double>(MaxY() - 1))));
}

void TParentSignalLayer::SetScales(int count, double perDivision, double offset) {
    BeforeSweep();
    if (count < 0 || count > MaxLayerPoints) VT_INTERNAL_ERROR(SignalLayersUnitName, "Range check error");
    if (count != Count_ || XY_) {
        Erase();
        XY_ = false;
        Count_ = static_cast<std::uint16_t>(count);
        const int w = MaxX();
        const double c = count > 0 ? w / (count * 500.0 / 512.0) : 0;
        for (int j = 0; j < MaxLayerPoints; ++j) {
            // Points past the record's end fall beyond the right edge.
            const double exact = j < count ? std::trunc(c * j + 0.0001) : 65535.0;
            int col = static_cast<int>(std::min(exact, 65535.0));
            if (j < count / 2 + 1) {
                if (col == 0) col = 1;
            } else if (col == w) {
                col = w - 1;
            }
            Columns_[static_cast<std::size_t>(j)] = static_cast<std::uint16_t>(col);
        }
        ColumnsChanged(false);
    }
    Offset_ = offset;
    Scale_ = perDivision > 0 ? MaxY() / (perDivision * 8) : 0;
    if (HasMargin()) {
        const double zero = std::clamp(offset * Scale_, -1e6, 1e6);
        int row = static_cast<int>(RoundHalfEven(zero)) + HalfHeight();
        if (row < 0) row = mrAbove;
        else if (row > MaxY()) row = mrBelow;
        DrawChannelMarker(row, MarkerHighlighted_);
    }
}

void TParentSignalLayer::SetXYScales(int count, int xyCount, double xPerDivision, double xOffset, double yPerDivision,
                                     double yOffset) {
    BeforeSweep();
    if (count < 0 || count > MaxLayerPoints || xyCount < 0 || xyCount > MaxLayerPoints)
        VT_INTERNAL_ERROR(SignalLayersUnitName, "Range check error");
    if (count != Count_ || xyCount != XYCount_ || !XY_) {
        Erase();
        XY_ = true;
        Count_ = static_cast<std::uint16_t>(count);
        XYCount_ = static_cast<std::uint16_t>(xyCount);
    }
    Offset_ = yOffset;
    Scale_ = yPerDivision > 0 ? MaxY() / (yPerDivision * 8) : 0;
    XOffset_ = xOffset;
    XScale_ = xPerDivision > 0 ? MaxY() / (xPerDivision * 8) : 0;
    ColumnsChanged(true);
}

void TParentSignalLayer::MovePoint(int oldX, int oldRow, int newRow, int newX) {
    if (oldRow != 0) {
        const std::size_t i = CellIndex(oldX, oldRow);
        if (--Grid_[i] == 0) UnplotCell(oldX, oldRow, i);
    }
    const std::size_t j = CellIndex(newX, newRow);
    if (Grid_[j]++ == 0) {
        SetPixel(newX, newRow);
        PlotCell(newX, newRow);
    }
}

void TParentSignalLayer::ReleasePoint(int n) {
    const auto k = static_cast<std::size_t>(n);
    const int row = Rows_[k];
    if (row == 0) return;
    const int col = XY_ ? XYColumns_[k] : Columns_[k];
    Rows_[k] = 0;
    const std::size_t i = CellIndex(col, row);
    if (--Grid_[i] == 0) UnplotCell(col, row, i);
}

void TParentSignalLayer::RowsOf(int first, std::span<const double> values, std::uint16_t* rows) const {
    if (first < 0 || values.size() > static_cast<std::size_t>(MaxLayerPoints - first))
        VT_INTERNAL_ERROR(SignalLayersUnitName, "Range check error");
    // RowOf of each, in a loop the compiler may widen; a NaN is marked after.
    const double half = HalfHeight();
    const double offset = Offset_;
    const double scale = Scale_;
    const double last = MaxY() - 1;
    const std::size_t n = values.size();
    for (std::size_t k = 0; k < n; ++k) {
        const double v = values[k];
        const double r = std::nearbyint(std::clamp(half - (v - offset) * scale, 1.0, last));
        rows[k] = std::isnan(v) ? NaNRow : static_cast<std::uint16_t>(r);
    }
}

template <class FPlace>
void TParentSignalLayer::PutRun(int first, std::span<const double> values, FPlace&& place) {
    std::array<std::uint16_t, MaxLayerPoints> rows;
    RowsOf(first, values, rows.data());
    for (std::size_t k = 0; k < values.size(); ++k) {
        const int n = first + static_cast<int>(k);
        if (rows[k] == NaNRow) ReleasePoint(n);
        else place(n, rows[k]);
    }
}

template <class FPlace>
void TParentSignalLayer::PutOne(int n, double value, FPlace&& place) {
    if (static_cast<unsigned>(n) >= static_cast<unsigned>(MaxLayerPoints))
        VT_INTERNAL_ERROR(SignalLayersUnitName, "Range check error");
    if (std::isnan(value)) ReleasePoint(n);
    else place(n, RowOf(value));
}

void TParentSignalLayer::PutPoints(int first, std::span<const double> values) {
    PutRun(first, values, [this](int n, int r) { PlacePoint(n, r); });
}

void TParentSignalLayer::PutPoint(int n, double value) {
    PutOne(n, value, [this](int k, int r) { PlacePoint(k, r); });
}

void TParentSignalLayer::PlacePoint(int n, int r) {
    const auto k = static_cast<std::size_t>(n);
    const int col = Columns_[k];
    if (col >= MaxX()) return;
    OnHit(col, r);
    const int old = Rows_[k];
    Rows_[k] = static_cast<std::uint16_t>(r);
    if (r != old) MovePoint(col, old, r, col);
}

void TParentSignalLayer::PutXYPoint(int n, double x, double y) {
    if (static_cast<unsigned>(n) >= static_cast<unsigned>(MaxLayerPoints))
        VT_INTERNAL_ERROR(SignalLayersUnitName, "Range check error");
    if (std::isnan(x) || std::isnan(y)) {
        ReleasePoint(n);
        return;
    }
    const double last = MaxY() - 1;
    const double rr = HalfHeight() - RoundHalfEven(std::clamp((y - Offset_) * Scale_, -1e6, 1e6));
    const double cc = RoundHalfEven(std::clamp((x - XOffset_) * XScale_, -1e6, 1e6)) + HalfHeight();
    const int r = static_cast<int>(std::clamp(rr, 1.0, last));
    const int c = std::min(static_cast<int>(std::clamp(cc, 1.0, last)), MaxX() - 1);
    const auto k = static_cast<std::size_t>(n);
    const int oldRow = Rows_[k];
    const int oldCol = XYColumns_[k];
    if (r == oldRow && c == oldCol) return;
    Rows_[k] = static_cast<std::uint16_t>(r);
    XYColumns_[k] = static_cast<std::uint16_t>(c);
    OnHit(c, r);
    MovePoint(oldCol, oldRow, r, c);
}

std::pair<int, int> TParentSignalLayer::PointPosition(int n) const {
    const auto k = static_cast<std::size_t>(n);
    if (k >= Rows_.size()) VT_INTERNAL_ERROR(SignalLayersUnitName, "Range check error");
    return {XY_ ? XYColumns_[k] : Columns_[k], Rows_[k]};
}

void TParentSignalLayer::Erase() {
    BeginUpdate();
    const int w = MaxX();
    for (std::size_t k = 0; k < Rows_.size(); ++k) {
        const int row = Rows_[k];
        if (row == 0) continue;
        const int col = XY_ ? XYColumns_[k] : Columns_[k];
        Rows_[k] = 0;
        XYColumns_[k] = 0;
        if (col >= w) continue;
        std::uint16_t& cell = Grid_[CellIndex(col, row)];
        if (cell == 0) continue;
        cell = 0;
        ClearPixel(col, row);
    }
    if (HasMargin()) DrawChannelMarker(mrNone, false);
    EndUpdate();
}

void TParentSignalLayer::Repaint() {
    if (!GetScreen()) return;
    BeginUpdate();
    if (HasMargin() && MarkerRow_ != mrNone) {
        const int band = BandRow(MarkerRow_, MaxY());
        for (int y = std::max(0, band - 4); y <= std::min(MaxY(), band + 5); ++y)
            for (int m = 0; m < MarkerColumns; ++m)
                if (MarginImage_[MarginIndex(m, y)] != 0) SetPixel(m - MarkerColumns, y);
    }
    TScreenLayer::Repaint();
    EndUpdate();
}

bool TParentSignalLayer::MarginCell(int column, int row) const {
    if (!HasMargin() || column < 0 || column >= MarkerColumns || row < 0 || row > MaxY()) return false;
    return MarginImage_[MarginIndex(column, row)] != 0;
}

void TParentSignalLayer::SetMarginPixel(int column, int row, bool set) {
    MarginImage_[MarginIndex(column, row)] = set ? 1 : 0;
    if (set) SetPixel(column - MarkerColumns, row);
    else ClearPixel(column - MarkerColumns, row);
}

void TParentSignalLayer::DrawChannelMarker(int row, bool highlighted) {
    if (!HasMargin()) return;
    if (row == MarkerRow_ && highlighted == MarkerHighlighted_) return;
    const int h = MaxY();
    BeginUpdate();
    if (MarkerRow_ != mrNone) {
        const int band = BandRow(MarkerRow_, h);
        for (int y = std::max(0, band - 4); y <= std::min(h, band + 5); ++y)
            for (int m = 0; m < MarkerColumns; ++m)
                if (MarginImage_[MarginIndex(m, y)] != 0) SetMarginPixel(m, y, false);
    }
    MarkerRow_ = row;
    MarkerHighlighted_ = highlighted;
    if (row != mrNone) {
        int bottom = row + 4;
        const std::array<std::uint8_t, 7>* arrow = &ArrowRight;
        if (row == mrAbove) {
            bottom = 8;
            arrow = &ArrowUp;
        } else if (row == mrBelow) {
            bottom = h - 1;
            arrow = &ArrowDown;
        }
        if (highlighted)
            for (int y = std::max(0, bottom - 8); y <= std::min(h, bottom + 1); ++y)
                for (int m = 0; m < MarkerColumns; ++m) SetMarginPixel(m, y, true);
        std::vector<std::uint8_t> label;
        label.reserve(MarkerColumns);
        AppendGroup(label, LabelGroup_);
        AppendDigit(label, LabelNumber_);
        Append(label, *arrow);
        const int start = MarkerColumns - static_cast<int>(label.size());
        // Rows outside the layer would land on the neighbouring screen area: clip to 0..H.
        for (int bit = 0; bit < 8; ++bit) {
            const int y = bottom - bit;
            if (y < 0 || y > h) continue;
            for (std::size_t k = 0; k < label.size(); ++k)
                if ((label[k] >> bit) & 1) SetMarginPixel(start + static_cast<int>(k), y, !highlighted);
        }
    }
    EndUpdate();
}

bool TParentSignalLayer::MarginHitTest(int tolerance, int x, int y) const {
    if (!HasMargin()) return false;
    const int m0 = std::max(0, x - tolerance + MarkerColumns);
    const int m1 = std::min(MarkerColumns - 1, x + tolerance + MarkerColumns);
    for (int r = std::max(0, y - tolerance); r <= std::min(MaxY(), y + tolerance); ++r)
        for (int m = m0; m <= m1; ++m)
            if (MarginImage_[MarginIndex(m, r)] != 0) return true;
    return false;
}

void TParentSignalLayer::CopyToMonoBitmap(TSLBMP& bitmap, bool withMargin) const {
    bitmap.SetSize(MaxX() + 1 + MarkerColumns, MaxY() + 1);
    bitmap.Fill(bitmap.Bounds(), clBlack);
    for (int y = 1; y < MaxY(); ++y)
        for (int x = 1; x < MaxX(); ++x)
            if (Cell(x, y) != 0) bitmap.SetPixel(x + MarkerColumns, y, clWhite);
    if (withMargin && HasMargin())
        for (int y = 0; y <= MaxY(); ++y)
            for (int m = 0; m < MarkerColumns; ++m)
                if (MarginImage_[MarginIndex(m, y)] != 0) bitmap.SetPixel(m, y, clWhite);
}

// ---------------------------------------------------------------------------------------------------
TVectorSignalLayer::TVectorSignalLayer(std::string name, bool marginFlag, int slot, int rows, int columns)
    : TParentSignalLayer(std::move(name), marginFlag, slot, rows, columns) {
    // Column W and one beyond it take the closing and the right-edge columns.
    const auto n = static_cast<std::size_t>(columns) + 1;
    for (auto* v : {&First_, &Last_, &Max_, &Min_, &DrawnLo_, &DrawnHi_}) v->assign(n, 0);
    LinePlane_.assign(Grid_.size(), 0);
}

void TVectorSignalLayer::SetLayerColorAndOpacity(TColor colour) {
    if (colour == Color()) return;
    LineColour_ = DivideColor(colour, 1.7);
    TParentSignalLayer::SetLayerColorAndOpacity(colour);
}

TColor TVectorSignalLayer::CellColor(int x, int y) const {
    if (x < 0 || Cell(x, y) != 0) return Color();
    return LineColour_;
}

void TVectorSignalLayer::CellColors(int y, int firstX, std::span<const std::uint16_t> columns, TColor* colours) const {
    ValuesOfCells(y, firstX, columns, colours, Color(), [this](std::size_t) { return LineColour_; });
}

void TVectorSignalLayer::CellPixels(int y, int firstX, std::span<const std::uint16_t> columns, std::uint32_t* row,
                                    TColor opaqueBackground) const {
    PixelsOwnOrOther(y, firstX, columns, row, opaqueBackground, LineColour_);
}

void TVectorSignalLayer::UnplotCell(int x, int y, std::size_t cellIndex) {
    if (LinePlane_[cellIndex] != 0) SetPixel(x, y);
    else ClearPixel(x, y);
}

void TVectorSignalLayer::Erase() {
    BeginUpdate();
    for (int y = 0; y <= MaxY(); ++y)
        for (int x = 0; x <= MaxX(); ++x) {
            std::uint8_t& line = LinePlane_[CellIndex(x, y)];
            if (line == 0) continue;
            line = 0;
            ClearPixel(x, y);
        }
    TParentSignalLayer::Erase();
    std::fill(DrawnLo_.begin(), DrawnLo_.end(), std::uint16_t{0});
    std::fill(DrawnHi_.begin(), DrawnHi_.end(), std::uint16_t{0});
    LastColumn_ = 0;
    EndUpdate();
}

void TVectorSignalLayer::Repaint() {
    if (!GetScreen()) return;
    BeginUpdate();
    TParentSignalLayer::Repaint();
    for (int y = 0; y <= MaxY(); ++y)
        for (int x = 0; x <= MaxX(); ++x) {
            const std::size_t i = CellIndex(x, y);
            if (LinePlane_[i] != 0 && Grid_[i] == 0) SetPixel(x, y);
        }
    EndUpdate();
}

void TVectorSignalLayer::PutPoint(int n, double value) {
    PutOne(n, value, [this](int k, int r) { PlaceVectorPoint(k, r); });
}

void TVectorSignalLayer::PutPoints(int first, std::span<const double> values) {
    PutRun(first, values, [this](int n, int r) { PlaceVectorPoint(n, r); });
}

void TVectorSignalLayer::PlaceVectorPoint(int n, int r) {
    const int w = MaxX();
    const int col = PointColumn(n);
    if (col >= w) {
        if (LastColumn_ != 0 && col > LastPlotColumn_) {
            const double slope = static_cast<double>(r - LastPlotRow_) / (col - LastPlotColumn_);
            const int edge = LastPlotRow_ + static_cast<int>(RoundHalfEven(slope * (w - LastPlotColumn_)));
            StartColumn(w, edge);
            LastColumn_ = 0;
        }
        return;
    }
    PlacePoint(n, r);
    if (col != LastColumn_) StartColumn(col, r);
    else ExtendColumn(col, r);
    LastPlotColumn_ = col;
    LastPlotRow_ = r;
    if (n == PointCount() - 1) StartColumn(col + 1, r);
}

void TVectorSignalLayer::StartColumn(int c, int r) {
    const auto k = static_cast<std::size_t>(c);
    const auto v = static_cast<std::uint16_t>(r);
    First_[k] = Last_[k] = Max_[k] = Min_[k] = v;
    if (LastColumn_ != 0) LinkColumns(c);
    LastColumn_ = static_cast<std::uint16_t>(c);
}

void TVectorSignalLayer::ExtendColumn(int c, int r) {
    const auto k = static_cast<std::size_t>(c);
    const auto v = static_cast<std::uint16_t>(r);
    Last_[k] = v;
    if (v < Min_[k]) Min_[k] = v;
    else if (v > Max_[k]) Max_[k] = v;
}

void TVectorSignalLayer::Widen(int c, int v) {
    const auto k = static_cast<std::size_t>(c);
    if (v < Min_[k]) Min_[k] = static_cast<std::uint16_t>(v);
    if (v > Max_[k]) Max_[k] = static_cast<std::uint16_t>(v);
}

void TVectorSignalLayer::LinkColumns(int c) {
    const int p = LastColumn_;
    if (c <= p) return;
    const auto pk = static_cast<std::size_t>(p);
    const double d = (static_cast<double>(First_[static_cast<std::size_t>(c)]) - Last_[pk]) / (c - p);
    double f = Last_[pk] + d / 2;
    int v = static_cast<int>(RoundHalfEven(f));
    Widen(p, v);
    DrawColumnSpan(p, Min_[pk], Max_[pk]);
    for (int i = p + 1; i < c; ++i) {
        const auto ik = static_cast<std::size_t>(i);
        Min_[ik] = Max_[ik] = static_cast<std::uint16_t>(v);
        f += d;
        v = static_cast<int>(RoundHalfEven(f));
        Widen(i, v);
        DrawColumnSpan(i, Min_[ik], Max_[ik]);
    }
    Widen(c, v);
}

void TVectorSignalLayer::DrawLineRows(int c, int from, int to) {
    for (int y = from; y <= to; ++y) {
        const std::size_t i = CellIndex(c, y);
        LinePlane_[i] = 1;
        if (Grid_[i] == 0) SetPixel(c, y);
    }
}

void TVectorSignalLayer::EraseLineRows(int c, int from, int to) {
    for (int y = from; y <= to; ++y) {
        const std::size_t i = CellIndex(c, y);
        LinePlane_[i] = 0;
        if (Grid_[i] == 0) ClearPixel(c, y);
    }
}

void TVectorSignalLayer::DrawColumnSpan(int c, int lo, int hi) {
    const auto k = static_cast<std::size_t>(c);
    const int dlo = DrawnLo_[k];
    const int dhi = DrawnHi_[k];
    if (dlo != 0) {
        EraseLineRows(c, dlo, std::min(lo - 1, dhi));
        EraseLineRows(c, std::max(hi + 1, dlo), dhi);
        DrawLineRows(c, lo, std::min(dlo - 1, hi));
        DrawLineRows(c, std::max(dhi + 1, lo), hi);
    } else {
        DrawLineRows(c, lo, hi);
    }
    DrawnLo_[k] = static_cast<std::uint16_t>(lo);
    DrawnHi_[k] = static_cast<std::uint16_t>(hi);
}

void TVectorSignalLayer::CopyToMonoBitmap(TSLBMP& bitmap, bool withMargin) const {
    TParentSignalLayer::CopyToMonoBitmap(bitmap, withMargin);
    for (int y = 1; y < MaxY(); ++y)
        for (int x = 1; x < MaxX(); ++x)
            if (LinePlane_[CellIndex(x, y)] != 0) bitmap.SetPixel(x + MarkerColumns, y, clWhite);
}

}  // namespace vt
