#include "display/ScreenLayers.h"

#include <algorithm>

#include "core/Decibels.h"
#include "core/InternalError.h"
#include "core/Numeric.h"
#include "display/SignalScreen.h"

namespace vt {

// ---------------------------------------------------------------------------------------------------
TScreenLayer::TScreenLayer(std::string name, bool marginFlag, int slot, int rows, int columns)
    : Name_(std::move(name)), MarginFlag_(marginFlag) {
    if (rows < 1 || rows > 65535 || columns < 1 || columns > 65535 || slot < 0 || slot >= SlotCount)
        VT_INTERNAL_ERROR(SignalLayersUnitName, "Range check error");
    Slot_ = static_cast<std::uint8_t>(slot);
    Columns_ = static_cast<std::uint16_t>(columns);
    MaxX_ = static_cast<std::uint16_t>(columns - 1);
    MaxY_ = static_cast<std::uint16_t>(rows - 1);
    HalfHeight_ = static_cast<std::uint16_t>((rows - 1) >> 1);
    Grid_.assign(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0);
}

std::size_t TScreenLayer::CellIndex(int x, int y) const {
    if (x < 0 || x > MaxX_ || y < 0 || y > MaxY_) VT_INTERNAL_ERROR(SignalLayersUnitName, "Range check error");
    return static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * Columns_;
}

void TScreenLayer::ClearGrid() { std::fill(Grid_.begin(), Grid_.end(), std::uint16_t{0}); }

void TScreenLayer::Repaint() {
    if (!Screen_) return;
    BeginUpdate();
    for (int y = 0; y <= MaxY_; ++y)
        for (int x = 0; x <= MaxX_; ++x)
            if (Grid_[static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * Columns_] != 0)
                Screen_->SetLayerPixel(Slot_, x, y);
    EndUpdate();
}

void TScreenLayer::SetLayerColorAndOpacity(TColor colour) {
    if (colour == Colour_) return;
    Colour_ = colour;
    if (!Screen_)
        VT_INTERNAL_ERROR(SignalLayersUnitName, "SetLayerColorAndOpacity Must be after SetSignalScreenAndRegisterSelfInIt");
    Screen_->SetSlotTranslucent(Slot_, colour.Value < 0xFF000000u);
    Repaint();
}

void TScreenLayer::Erase() {
    BeginUpdate();
    for (int y = 0; y <= MaxY_; ++y)
        for (int x = 0; x <= MaxX_; ++x) {
            std::uint16_t& cell = Grid_[static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * Columns_];
            if (cell == 0) continue;
            if (Screen_) Screen_->ClearLayerPixel(Slot_, x, y);
            cell = 0;
        }
    EndUpdate();
}

void TScreenLayer::CellColors(int y, int firstX, std::span<const std::uint16_t> columns, TColor* colours) const {
    for (std::uint16_t c : columns) colours[c] = CellColor(c + firstX, y);
}

void TScreenLayer::CellPixels(int y, int firstX, std::span<const std::uint16_t> columns, std::uint32_t* row,
                              TColor opaqueBackground) const {
    for (std::uint16_t c : columns) row[c] = SoleOwnerPixel(CellColor(c + firstX, y), opaqueBackground);
}

void TScreenLayer::DragTo(int, int) {}

void TScreenLayer::GrabAt(int x, int y) {
    GrabX_ = x;
    GrabY_ = y;
}

void TScreenLayer::SetSignalScreenAndRegisterSelfInIt(TSignalScreen* screen) {
    if (screen == Screen_) return;
    if (Screen_) {
        ClearAll();
        if (Screen_->SlotLayer(Slot_) == this) Screen_->RegisterLayer(Slot_, nullptr);
    }
    Screen_ = screen;
    if (!Screen_) return;
    Screen_->RegisterLayer(Slot_, this);
    // A layer that already has its colour brings the slot's opacity to the new screen.
    if (Colour_.Value != 0) Screen_->SetSlotTranslucent(Slot_, Colour_.Value < 0xFF000000u);
    Repaint();
}

void TScreenLayer::Unregister() {
    if (!Screen_) VT_INTERNAL_ERROR(SignalLayersUnitName, "Screen Undefined???????");
#ifndef NDEBUG
    // Pixels left behind would be composed from a slot without a layer: erase before leaving.
    if (Screen_->SlotOwnsPixels(Slot_))
        VT_INTERNAL_ERROR(SignalLayersUnitName, "Layer unregistered with pixels on the screen");
#endif
    // Another layer registered in the slot since keeps its place.
    if (Screen_->SlotLayer(Slot_) == this) Screen_->RegisterLayer(Slot_, nullptr);
}

void TScreenLayer::SetPixel(int x, int y) {
    if (Screen_) Screen_->SetLayerPixel(Slot_, x, y);
}

void TScreenLayer::SetPixelOnce(int x, int y) {
    if (Screen_) Screen_->SetLayerPixelOnce(Slot_, x, y);
}

void TScreenLayer::ClearPixel(int x, int y) {
    if (Screen_) Screen_->ClearLayerPixel(Slot_, x, y);
}

void TScreenLayer::BeginUpdate() {
    if (Screen_) Screen_->BeginUpdate();
}

void TScreenLayer::EndUpdate() {
    if (Screen_) Screen_->EndUpdate();
}

void TScreenLayer::ClearAll() {
    if (!Screen_) return;
    // The layer's area, margin included, as far as the screen reaches.
    const int firstX = std::max(MarginFlag_ ? 0 : -ScreenMargin, Screen_->FirstLayerX());
    const int lastX = std::min<int>(MaxX_, Screen_->Width() - 1 + Screen_->FirstLayerX());
    const int lastY = std::min<int>(MaxY_, Screen_->Height() - 1);
    BeginUpdate();
    for (int y = 0; y <= lastY; ++y)
        for (int x = firstX; x <= lastX; ++x) Screen_->ClearLayerPixel(Slot_, x, y);
    EndUpdate();
}

void TScreenLayer::Refresh() {
    if (!Screen_) return;
    BeginUpdate();
    ClearAll();
    Repaint();
    EndUpdate();
}

bool TScreenLayer::HitTest(int tolerance, int x, int y) const {
    if (x <= 0) return IsWaveformLayer() && MarginHitTest(tolerance, x, y);
    // The window clipped to the grid: columns below max x, rows strictly inside.
    const int x0 = std::max(x - tolerance, 0);
    const int x1 = std::min(x + tolerance, MaxX_ - 1);
    const int y0 = std::max(y - tolerance, 1);
    const int y1 = std::min(y + tolerance, MaxY_ - 1);
    for (int cy = y0; cy <= y1; ++cy)
        for (int cx = x0; cx <= x1; ++cx)
            if (CellHit(cx, cy)) return true;
    return false;
}

bool TScreenLayer::MarginHitTest(int, int, int) const { return false; }

// ---------------------------------------------------------------------------------------------------
void TGraticLayer::SetStyle(int style) {
    if (style == Style_) return;
    Style_ = static_cast<std::uint8_t>(style);
    DrawGrid();
    Refresh();
}

void TGraticLayer::DrawGrid() {
    const int W = MaxX();
    const int H = MaxY();
    const int D = Divisions_;
    const int g = 4 * D;
    const int h = g > 0 ? H / g : 0;
    const int half = H >> 1;
    const bool xy = MarginFlag();
    auto set = [this](int x, int y) { SetCell(x, y, 1); };

    ClearGrid();
    for (int x = 0; x <= W; ++x) {
        set(x, 0);
        set(x, H);
    }
    for (int y = 1; y <= H - 1; ++y) {
        set(0, y);
        set(W, y);
    }
    if (Style_ != gsGrid && Style_ != gsFrame && Style_ != gsAxis) return;
    const bool inner = Style_ != gsFrame;

    if (!xy) {
        for (int k = 1; k <= 49; ++k) {
            const int x = k * (W / 50);
            const int length = k % 5 == 0 ? H / 50 + 1 : H / 100 + 1;
            for (int l = 1; l <= length; ++l) {
                set(x, l);
                set(x, H - l);
                if (inner) {
                    set(x, half + l);
                    set(x, half - l);
                }
            }
        }
    }
    for (int o = 1; o <= g - 1; ++o) {
        const int y = o * h;
        const int length = o % 4 == 0 ? W / 80 + 1 : W / 160 + 1;
        for (int l = 1; l <= length; ++l) {
            set(l, y);
            set(W - l, y);
            if (inner) {
                set((W >> 1) + l, y);
                set((W >> 1) - l, y);
            }
            if (xy) {
                set(y, l);
                set(y, W - l);
                if (inner) {
                    set(y, half + l);
                    set(y, half - l);
                }
            }
        }
    }
    if (Style_ == gsFrame) return;

    if (!xy) {
        for (int k = 1; k <= 9; ++k) {
            if (Style_ == gsAxis && k != 5) continue;
            const int x = k * (W / 10);
            for (int y = 1; y <= H - 1; ++y) set(x, y);
        }
    }
    for (int k = 1; k <= D - 1; ++k) {
        if (Style_ == gsAxis && k != (D >> 1)) continue;
        const int y = 4 * h * k;
        for (int x = 1; x <= W - 1; ++x) set(x, y);
        if (xy)
            for (int r = 1; r <= W - 1; ++r) set(y, r);
    }
}

// ---------------------------------------------------------------------------------------------------
void TFrameLayer::Outline(bool set) {
    auto mark = [&](int x, int y) {
        if (set) {
            SetCell(x, y, 1);
            SetPixelOnce(x, y);
        } else {
            SetCell(x, y, 0);
            ClearPixel(x, y);
        }
    };
    for (int x = Left_; x <= Right_; ++x) {
        mark(x, Top_);
        mark(x, Bottom_);
    }
    for (int y = Top_ + 1; y < Bottom_; ++y) {
        mark(Left_, y);
        mark(Right_, y);
    }
}

void TFrameLayer::SetFrame(int x1, int y1, int y2, int x2) {
    x2 = std::max(std::min(x2, MaxX() - 1), 1);
    y2 = std::max(std::min(y2, MaxY() - 1), 1);
    // The anchor is kept inside the grid too: a corner outside would be drawn outside it.
    x1 = std::clamp(x1, 0, MaxX());
    y1 = std::clamp(y1, 0, MaxY());
    BeginUpdate();
    Outline(false);
    Left_ = std::min(x1, x2);
    Right_ = std::max(x1, x2);
    Top_ = std::min(y1, y2);
    Bottom_ = std::max(y1, y2);
    Outline(true);
    EndUpdate();
}

// ---------------------------------------------------------------------------------------------------
void THistLayer::Erase() {
    TScreenLayer::Erase();
    Lengths_.fill(0);
}

void THistLayer::SetBar(int position, int length) {
    if (position < 0 || position >= HistBinCount) VT_INTERNAL_ERROR(SignalLayersUnitName, "Range check error");
    const int limit = AlongX_ ? MaxY() - 1 : MaxX() - 1;
    length = std::max(std::min(length, limit), 0);
    std::uint16_t& old = Lengths_[static_cast<std::size_t>(position)];
    if (length == old) return;
    // Bars along x stand on the bottom edge; bars along y start at column 1.
    auto cell = [&](int j, int value) {
        const int x = AlongX_ ? position : j;
        const int y = AlongX_ ? MaxY() - j : position;
        SetCell(x, y, static_cast<std::uint16_t>(value));
        if (value) {
            SetPixelOnce(x, y);
        } else {
            ClearPixel(x, y);
        }
    };
    BeginUpdate();
    for (int j = old; j > length; --j) cell(j, 0);
    for (int j = old + 1; j <= length; ++j) cell(j, 1);
    EndUpdate();
    old = static_cast<std::uint16_t>(length);
}

void THistLayer::DrawHistogram(bool alongX, int binCount, double divisor, double perDivision, double offset,
                               bool dB, int lastIndex, std::span<const double> bins) {
    binCount = std::clamp(binCount, 0, HistBinCount);
    const int W = MaxX();
    const int H = MaxY();
    BeginUpdate();
    if (alongX != AlongX_ || binCount != BinCount_) {
        Erase();
        AlongX_ = alongX;
        BinCount_ = binCount;
        for (int i = 0; i < binCount; ++i) {
            std::int64_t p;
            if (alongX) {
                p = RoundHalfEven(W / (binCount * 500.0 / 512.0) * i - 0.49999) + 1;
                if (p >= W) p = 0;  // off the screen
            } else {
                p = RoundHalfEven(static_cast<double>(H) / binCount * i);
                if (p == 0) p = 1;
                if (p >= H) p = H - 1;
            }
            Positions_[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(std::max<std::int64_t>(p, 0));
        }
    }
    Scale_ = perDivision == 0 ? 0 : alongX ? H / (perDivision * 8) : W / (perDivision * 10);

    auto barLength = [&](double m) {
        double v = divisor == 0 ? 0 : m / divisor;
        if (dB) v = Db20(v);
        const std::int64_t length = RoundHalfEven((v - offset) * Scale_);
        return static_cast<int>(std::clamp<std::int64_t>(length, -1, 65535));
    };
    // Each position shows the largest of its bins; off-screen bins (position 0) take no part.
    const int last = std::min({lastIndex, binCount - 1, static_cast<int>(bins.size()) - 1});
    int f = 1;
    double m = 0;
    for (int i = 0; i <= last; ++i) {
        const int p = Positions_[static_cast<std::size_t>(i)];
        const double value = bins[static_cast<std::size_t>(i)];
        if (p == 0) continue;
        if (p > f) {
            SetBar(f, barLength(m));
            f = p;
            m = value;
        } else if (value > m) {
            m = value;
        }
    }
    if (last >= 0) SetBar(f, barLength(m));
    EndUpdate();
}

}  // namespace vt
