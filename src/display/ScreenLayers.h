#pragma once
// The layers of a signal screen: the base every picture element derives from (a grid of 16-bit cells
// drawn through the screen's slot), and the three simple layers: the graticule, the zoom frame and
// the histogram bars, each colouring its drawn cells with the layer colour.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Color.h"

namespace vt {

class TSignalScreen;

inline constexpr std::string_view SignalLayersUnitName = "_SHELL\\SRC\\SignalLayersUnit";

class TScreenLayer {
public:
    // marginFlag: the layer spans the whole screen width (the XY screen); otherwise its x 0 is
    // screen column 21. Rows and columns are at least 1.
    TScreenLayer(std::string name, bool marginFlag, int slot, int rows, int columns);
    virtual ~TScreenLayer() = default;
    TScreenLayer(const TScreenLayer&) = delete;
    TScreenLayer& operator=(const TScreenLayer&) = delete;

    virtual void ClearGrid();
    // Draws every non-zero cell.
    virtual void Repaint();
    virtual void SetLayerColorAndOpacity(TColor colour);
    virtual TColor CellColor(int x, int y) const = 0;
    // True where CellColor is the layer's colour at every cell: a redraw then composes a pixel such
    // layers own once per owner word, not once per pixel.
    virtual bool UniformColor() const { return false; }
    // Where HasCellColors: CellColors gives the colours of many cells of row y at once, colours[c] =
    // CellColor(c + firstX, y) for each screen column c listed, any x of the layer's area on its
    // screen, the margin's (x < 0) included. A redraw of the whole screen then asks a row at a time.
    virtual bool HasCellColors() const { return false; }
    virtual void CellColors(int y, int firstX, std::span<const std::uint16_t> columns, TColor* colours) const;
    // Where HasCellColors: the pixels of the listed cells of row y, which the layer owns alone, written
    // into row at their columns: row[c] = SoleOwnerPixel(CellColor(c + firstX, y), opaqueBackground).
    virtual void CellPixels(int y, int firstX, std::span<const std::uint16_t> columns, std::uint32_t* row,
                            TColor opaqueBackground) const;
    // Clears the pixel of every non-zero cell and zeroes the cell.
    virtual void Erase();
    virtual void DragTo(int x, int y);
    virtual void GrabAt(int x, int y);
    // The waveform layers redraw when the intensified ranges change.
    virtual bool IsWaveformLayer() const { return false; }

    void SetSignalScreenAndRegisterSelfInIt(TSignalScreen* screen);
    void Unregister();
    TSignalScreen* GetScreen() const { return Screen_; }

    // The screen asks CellColor for the colour.
    void SetPixel(int x, int y);
    void SetPixelOnce(int x, int y);
    void ClearPixel(int x, int y);
    void BeginUpdate();
    void EndUpdate();
    // Clears every pixel of the layer's area on the screen, whatever the cells hold.
    void ClearAll();
    void Refresh();
    bool HitTest(int tolerance, int x, int y) const;

    // Cells outside the grid are internal errors.
    std::uint16_t Cell(int x, int y) const { return Grid_[CellIndex(x, y)]; }
    void SetCell(int x, int y, std::uint16_t value) { Grid_[CellIndex(x, y)] = value; }

    const std::string& Name() const { return Name_; }
    bool MarginFlag() const { return MarginFlag_; }
    int Slot() const { return Slot_; }
    int Columns() const { return Columns_; }
    int Rows() const { return MaxY_ + 1; }
    int MaxX() const { return MaxX_; }
    int MaxY() const { return MaxY_; }
    int HalfHeight() const { return HalfHeight_; }
    TColor Color() const { return Colour_; }
    int GrabX() const { return GrabX_; }
    int GrabY() const { return GrabY_; }

    // The mouse may take the layer.
    bool Grabbable = false;

protected:
    std::size_t CellIndex(int x, int y) const;
    // Whether a cell counts for a hit; the persistence, grade and vector layers ask more.
    virtual bool CellHit(int x, int y) const { return Cell(x, y) != 0; }
    // A hit left of the plot, in the margin marker image of a waveform layer.
    virtual bool MarginHitTest(int tolerance, int x, int y) const;

    std::vector<std::uint16_t> Grid_;

private:
    std::string Name_;
    TSignalScreen* Screen_ = nullptr;  // not owned
    bool MarginFlag_;
    std::uint16_t HalfHeight_;
    std::uint8_t Slot_;
    std::uint16_t Columns_;
    std::uint16_t MaxX_;
    std::uint16_t MaxY_;
    TColor Colour_;
    int GrabX_ = 0;
    int GrabY_ = 0;
};

// Graticule styles.
inline constexpr int gsGrid = 0;
inline constexpr int gsFrame = 1;
inline constexpr int gsAxis = 2;
inline constexpr int gsOff = 3;
inline constexpr int gsNone = 4;

class TGraticLayer : public TScreenLayer {
public:
    using TScreenLayer::TScreenLayer;
    TColor CellColor(int, int) const override { return Color(); }
    bool UniformColor() const override { return true; }

    void SetStyle(int style);
    int Style() const { return Style_; }
    // The vertical division count; DrawGrid uses it.
    void SetDivisionCount(int divisions) { Divisions_ = static_cast<std::uint8_t>(divisions); }
    int DivisionCount() const { return Divisions_; }
    // Rebuilds the cells of the current style (the pixels follow on Refresh).
    void DrawGrid();

private:
    std::uint8_t Style_ = gsNone;
    std::uint8_t Divisions_ = 8;
};

class TFrameLayer : public TScreenLayer {
public:
    using TScreenLayer::TScreenLayer;
    TColor CellColor(int, int) const override { return Color(); }
    bool UniformColor() const override { return true; }

    // (x1, y1) is the anchor, (x2, y2) the moving corner, clamped inside the border.
    void SetFrame(int x1, int y1, int y2, int x2);
    int FrameLeft() const { return Left_; }
    int FrameRight() const { return Right_; }
    int FrameTop() const { return Top_; }
    int FrameBottom() const { return Bottom_; }

private:
    void Outline(bool set);
    int Left_ = 0;
    int Right_ = 0;
    int Top_ = 0;
    int Bottom_ = 0;
};

inline constexpr int HistBinCount = 4096;

class THistLayer : public TScreenLayer {
public:
    using TScreenLayer::TScreenLayer;
    TColor CellColor(int, int) const override { return Color(); }
    bool UniformColor() const override { return true; }
    void Erase() override;

    // alongX: bins along x with bars rising from the bottom edge, else bins along y with bars
    // growing from the left edge. Bins 0..lastIndex are walked; each bar shows the largest value of
    // the bins that fall on its position, divided by the divisor, in dB when asked, less the offset,
    // at perDivision value units per division.
    void DrawHistogram(bool alongX, int binCount, double divisor, double perDivision, double offset, bool dB,
                       int lastIndex, std::span<const double> bins);
    // Clamped to the plot; only the cells that change are drawn or cleared.
    void SetBar(int position, int length);

    int Position(int bin) const { return Positions_.at(static_cast<std::size_t>(bin)); }
    int BarLength(int position) const { return Lengths_.at(static_cast<std::size_t>(position)); }
    double Scale() const { return Scale_; }

private:
    double Scale_ = 0;
    int BinCount_ = 0;
    bool AlongX_ = true;
    std::array<std::uint16_t, HistBinCount> Lengths_{};
    std::array<std::uint16_t, HistBinCount> Positions_{};
};

}  // namespace vt
